#include "library/registry.h"

#include <array>

#include "automation/error.h"
#include "data/confi.h"
#include "data/cupones.h"
#include "data/db_capct.h"
#include "data/db_datos.h"
#include "data/inf_com.h"
#include "data/mashue72.h"
#include "data/tab_conf.h"
#include "data/tab_est.h"
#include "data/tab_ht.h"
#include "internet/internet.h"
#include "invoicing/clientes.h"
#include "invoicing/edo_cta.h"
#include "invoicing/factura.h"
#include "invoicing/mail.h"
#include "services/actualiza_inventario.h"
#include "services/dinero_electonico.h"
#include "services/document.h"
#include "services/e_rev_max.h"

namespace halvora {

namespace {

// Binds a built class into its registry row.
template <class C>
ObjectRef create_of() {
  return std::make_shared<C>();
}
template <class C>
const MemberTable* members_of() {
  return &C::member_table();
}

constexpr TypeLibraryInfo kTypeLibrary{u"HALVORA", u"{ECC7BFD6-7E88-49B6-8A6E-140E0DBA7D12}", 1, 0,
                                       0x409};

constexpr std::array<std::pair<std::u16string_view, int32_t>, 3> kTipoComando{{
    {u"Alta", 0},
    {u"Baja", 1},
    {u"Consulta", 2},
}};

const std::array<EnumInfo, 1> kEnums{{
    {u"TipoComando", u"{755157DC-6233-41BF-839B-4FB320AACEBD}", kTipoComando},
}};

// In the type library's order. A class without create/members is published but not built yet.
const std::array<ClassInfo, 18> kClasses{{
    {u"Document", u"_Document", u"{79261CCC-12B1-49B7-89B2-CD12CC3EB84F}",
     u"{A0E6744B-7371-4D4D-92E3-C29CFA9795FB}", u"loyalty-card client", true, &create_of<Document>,
     &members_of<Document>},
    {u"Factura", u"_Factura", u"{27A92563-8B0F-4ABB-A6B1-B3CBC13E2EA5}",
     u"{3E053A7A-E9B3-40F3-A92B-E65178FE8ECB}", u"electronic invoice builder", false,
     &create_of<Factura>, &members_of<Factura>},
    {u"Mail", u"_Mail", u"{B9E14A0D-80EB-4767-8849-F6770ABF4ECF}",
     u"{D388381E-C68F-4EE2-AC92-E6263B9A981A}", u"mail through the invoicing server", false,
     &create_of<Mail>, &members_of<Mail>},
    {u"DineroElectonico", u"_DineroElectonico", u"{EA3ADFCB-CFFB-49F3-B5DB-3CB05E3CA01F}",
     u"{69283842-07C9-412C-A7CE-D0FD1A9E55EF}", u"electronic-wallet client", false,
     &create_of<DineroElectonico>, &members_of<DineroElectonico>},
    {u"Internet", u"_Internet", u"{1BF12920-8E5F-4765-BCD4-F2F8F5DD1670}",
     u"{CE0382A4-EB46-4DEA-BC94-67F87A3B3CC7}", u"room internet provisioning", false,
     &create_of<Internet>, &members_of<Internet>},
    {u"Clientes", u"_Clientes", u"{4B318693-6019-40A6-8A7F-9F59CF4555A9}",
     u"{C83EE36F-5B67-4262-A9F8-9F537B075FAA}", u"guest registration document", false,
     &create_of<Clientes>, &members_of<Clientes>},
    {u"EdoCta", u"_EdoCta", u"{69BFBA6B-4C92-466B-BA26-7EF358DF83F9}",
     u"{DF2D0777-E2C7-44C2-A4A2-8EE3E5B50905}", u"guest account statement", false,
     &create_of<EdoCta>, &members_of<EdoCta>},
    {u"ActualizaInventario", u"_ActualizaInventario", u"{5DAA7455-E926-4FEF-AE0D-DA11D828A2BF}",
     u"{9EF2576A-1427-4D46-A5F3-57B728190C1D}", u"channel-manager updates", false,
     &create_of<ActualizaInventario>, &members_of<ActualizaInventario>},
    {u"eRevMax", u"_eRevMax", u"{CAF8C24B-EEA8-41DE-966A-043060DA066E}",
     u"{4B14BB7A-F18A-4F8F-8269-25AF0946EB3E}", u"channel-manager updates, second transport", false,
     &create_of<eRevMax>, &members_of<eRevMax>},
    {u"Db_Datos", u"_Db_Datos", u"{41EB981D-0226-4304-83BD-0BC117648A7C}",
     u"{0290D4A8-C9A4-4B40-9F45-A483F97DBBA0}", u"in-house guest queries", false,
     &create_of<Db_Datos>, &members_of<Db_Datos>},
    {u"Confi", u"_Confi", u"{7C3B2DA6-43E5-44EF-A521-4F49B80879FF}",
     u"{5D50367D-4A09-49ED-9ACA-00DEE991BDCA}", u"configuration record", false, &create_of<Confi>,
     &members_of<Confi>},
    {u"Tab_ht", u"_Tab_ht", u"{46B25318-9680-4401-96B6-B60E9FA00AE8}",
     u"{2909FC97-B223-4A66-8F08-7DB2F02A97A8}", u"hotel table and folio counters", false,
     &create_of<Tab_ht>, &members_of<Tab_ht>},
    {u"MASHUE72", u"_MASHUE72", u"{930240C3-7062-4F71-88A7-C2F976FA2F5C}",
     u"{DC33493A-D0FC-4952-AA6C-9AFBBC099949}", u"guest master", false, &create_of<MASHUE72>,
     &members_of<MASHUE72>},
    {u"DB_CAPCT", u"_DB_CAPCT", u"{726B622B-E2C5-4796-873D-FE6C70C7F341}",
     u"{12C13537-F013-4FC2-AD7E-13CBEC905C8F}", u"charges", false, &create_of<DB_CAPCT>,
     &members_of<DB_CAPCT>},
    {u"CUPONES", u"_CUPONES", u"{413F00C9-9A06-44BF-A590-85A62C9413FE}",
     u"{B8A5B9C3-8A6D-4D77-AC65-096ED84A75D6}", u"coupons", false, &create_of<CUPONES>,
     &members_of<CUPONES>},
    {u"INFCOM", u"_INFCOM", u"{A9CE2602-B8CA-4C20-B773-15F4D5C0C70B}",
     u"{8173D0AC-0FAE-4A25-9965-3ECC5E627760}", u"guest commercial information", false,
     &create_of<InfCom>, &members_of<InfCom>},
    {u"TABCONF", u"_TABCONF", u"{9F1AEFF4-1416-4A64-9C22-F3CCA14E8664}",
     u"{FA9A75F2-AAA9-47F0-BD28-F9150ADE8A16}", u"configuration tables", false, &create_of<TabConf>,
     &members_of<TabConf>},
    {u"TAB_EST", u"_TAB_EST", u"{372FBBAD-206B-40C6-9EF0-0469EBC8D830}",
     u"{6719DC73-D4E9-46B9-9DD7-237406A6FB0B}", u"state tables", false, &create_of<TAB_EST>,
     &members_of<TAB_EST>},
}};

const LibraryDescription kLibrary{kTypeLibrary, kEnums, kClasses};

}  // namespace

const LibraryDescription& published_library() {
  return kLibrary;
}
const TypeLibraryInfo& type_library() {
  return kTypeLibrary;
}
std::span<const EnumInfo> enumerations() {
  return kEnums;
}
std::span<const ClassInfo> published_classes() {
  return kClasses;
}

const ClassInfo* find_class(std::u16string_view name) {
  return kLibrary.find(name);
}

ObjectRef create_object(std::u16string_view progid) {
  const ClassInfo* c = find_class(progid);
  if (!c || !c->creatable()) throw Error::standard(err::kCannotCreate);
  return c->create();
}

ObjectRef application_object() {
  static ObjectRef instance = [] {
    for (const ClassInfo& c : kClasses)
      if (c.application_object) return c.create();
    return ObjectRef();
  }();
  return instance;
}

}  // namespace halvora
