#include "einvoice/type_library.h"

#include <array>
#include <memory>

#include "einvoice/records.h"
#include "einvoice/servidor_facturacion.h"
#include "platform/components.h"

namespace halvora::einvoice {

namespace {

ObjectRef create_server() {
  return std::make_shared<ServidorFacturacion>();
}
const MemberTable* server_members() {
  return &ServidorFacturacion::member_table();
}

template <class R>
ObjectRef create_record_of() {
  return std::make_shared<R>();
}
template <class R>
const MemberTable* record_members() {
  return R::description().members;
}

// The type library bears the family's own prefix, so its classes register as the identifiers the
// library asks for by default ("HalvoraFacturacion.ServidorFacturacion").
constexpr TypeLibraryInfo kTypeLibrary{platform::kEinvoiceComponent,
                                       u"{EC1BAA78-6A20-4047-ACA9-6370148ADE3B}", 1, 0, 0x409};

template <class R>
constexpr ClassInfo record_class(std::u16string_view name, std::u16string_view interface_name,
                                 std::u16string_view clsid, std::u16string_view iid,
                                 std::u16string_view role) {
  return {name, interface_name, clsid, iid, role, false, &create_record_of<R>, &record_members<R>};
}

const std::array<ClassInfo, 7> kClasses{{
    {u"ServidorFacturacion", u"_ServidorFacturacion", u"{5C4257B2-9A66-4176-BE00-38672F577339}",
     u"{C5C73CEC-7B92-4439-9B50-1F5D16C63655}", u"connection to the e-invoicing server", false,
     &create_server, &server_members},
    record_class<DocumentoFactura>(u"DocumentoFactura", u"_DocumentoFactura",
                                   u"{01DD7895-6AD0-44CD-9300-360D0251DCD1}",
                                   u"{BB3361BE-A2EB-4F6D-A9DD-B759D0BE99D4}", u"invoice document"),
    record_class<RenglonFactura>(u"RenglonFactura", u"_RenglonFactura",
                                 u"{302F27F0-DC71-4F61-A226-59F88BFA075F}",
                                 u"{87F83231-E69B-4790-A632-4F3390CEEDE3}", u"invoice line"),
    record_class<MensajeCorreo>(u"MensajeCorreo", u"_MensajeCorreo",
                                u"{F6EF756E-4550-415B-8223-2C104F079926}",
                                u"{2FB53122-7F59-4ADB-A7DB-8F926DA07123}", u"mail message"),
    record_class<EstadoCuenta>(u"EstadoCuenta", u"_EstadoCuenta",
                               u"{9609B26E-9C7E-40EA-962B-A268AE4137D8}",
                               u"{229DAFFA-05A4-484F-825F-EC802A209733}", u"account statement"),
    record_class<MovimientoEdoCta>(
        u"MovimientoEdoCta", u"_MovimientoEdoCta", u"{8074DF3E-77FD-4AF2-B100-8E34AC419624}",
        u"{B1224786-7644-4D0B-92B8-84DAF959DD86}", u"account statement movement"),
    record_class<RegistroHuesped>(u"RegistroHuesped", u"_RegistroHuesped",
                                  u"{BE789E6F-34E3-447F-984D-8AF0CD79BD33}",
                                  u"{07049F2E-F3C6-43A7-BAC1-ACBA2C351A00}", u"guest registration"),
}};

const LibraryDescription kLibrary{kTypeLibrary, {}, kClasses};

}  // namespace

const LibraryDescription& published_library() {
  return kLibrary;
}

}  // namespace halvora::einvoice
