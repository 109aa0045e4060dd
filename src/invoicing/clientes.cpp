#include "invoicing/clientes.h"

#include <array>

namespace halvora {

namespace {

constexpr VarType S = VarType::String;
constexpr VarType D = VarType::Double;
constexpr VarType T = VarType::Date;
constexpr VarType I = VarType::Integer;

// The registration as the server keeps it; "numresda" alone is spelt in lower case.
constexpr std::array<invoicing::RecordField, 201> kRegistration{{
    {u"NumeroReserva", S},
    {u"Tarifa", D},
    {u"FechaEntrada", T},
    {u"FechaSalida", T},
    {u"TipoHabilitacion", S},
    {u"NumeroHabitacion", I},
    {u"Adultos", I},
    {u"Ninos", I},
    {u"ApellidoPaterno", S},
    {u"Nombre", S},
    {u"Email", S},
    {u"Direccion", S},
    {u"Ciudad", S},
    {u"Pais", S},
    {u"CodigoPostal", S},
    {u"Empresa", S},
    {u"Telefono", S},
    {u"RFC", S},
    {u"NumeroHuesped", S},
    {u"NOMBREDA", S},
    {u"STATUSDA", S},
    {u"CIUDADDA", S},
    {u"numresda", D},
    {u"FHAENTDA", T},
    {u"FHASALDA", T},
    {u"FHAEXTDA", T},
    {u"NUMHABDA", D},
    {u"PLANVIDA", S},
    {u"OBSERVDA", S},
    {u"OBSERVDA2", S},
    {u"DIRDA", S},
    {u"TELDA", S},
    {u"PAISDA", S},
    {u"NOMCIADA", S},
    {u"FORMPADA", S},
    {u"DEPOSIDA", D},
    {u"FHADEPDA", T},
    {u"NUMPERDA", D},
    {u"TARIFADA", D},
    {u"NUMCUADA", D},
    {u"FECHRESDA", T},
    {u"CARGO1DA", D},
    {u"NOMCAR1DA", S},
    {u"CUENCAR1DA", D},
    {u"CARGO2DA", D},
    {u"NOMCAR2DA", S},
    {u"CUENCAR2DA", D},
    {u"CARGO3DA", D},
    {u"NOMCAR3DA", S},
    {u"CUENCAR3DA", D},
    {u"CARGO4DA", D},
    {u"NOMCAR4DA", S},
    {u"CUENCAR4DA", D},
    {u"CARGO5DA", D},
    {u"NOMCAR5DA", S},
    {u"CUENCAR5DA", D},
    {u"PASEDA", S},
    {u"CUPAGDA", S},
    {u"FACTURADA", D},
    {u"FHARESDA", T},
    {u"NOMFOL1DA", S},
    {u"NOMFOL2DA", S},
    {u"NOMFOL3DA", S},
    {u"FOLEX1DA", S},
    {u"FOLEX2DA", S},
    {u"FOLEX3DA", S},
    {u"FOLEX4DA", S},
    {u"FOLEX5DA", S},
    {u"FOLEX6DA", S},
    {u"AUDITDA", S},
    {u"HORASALIDA", S},
    {u"HORAENTRAD", S},
    {u"PROGEODA", S},
    {u"CVEGRLDA", S},
    {u"NUMHUESDA", D},
    {u"TPOCAM1DA", D},
    {u"TPOCAM2DA", D},
    {u"TPOCAM3DA", D},
    {u"TPOCAM4DA", D},
    {u"TPOCAM5DA", D},
    {u"TPOCAM6DA", D},
    {u"CTAMSRDA", D},
    {u"GARANTIADA", S},
    {u"CVEESTDA1", S},
    {u"CVEESTDA2", S},
    {u"CVEESTDA3", S},
    {u"CVEESTDA4", S},
    {u"CVEESTDA5", S},
    {u"CVEESTDA6", S},
    {u"CVEESTDA7", S},
    {u"CVEESTDA8", S},
    {u"CVEESTDA9", S},
    {u"CVEESTDA10", S},
    {u"CVEESTDA11", S},
    {u"CVEESTDA12", S},
    {u"CVEESTDA13", S},
    {u"CVEESTDA14", S},
    {u"CVEESTDA15", S},
    {u"CVEESTDA16", S},
    {u"HABEX1DA", D},
    {u"HABEX2DA", D},
    {u"HABEX3DA", D},
    {u"HABEX4DA", D},
    {u"HABEX5DA", D},
    {u"INIREGDA", S},
    {u"HORAMOVDA", S},
    {u"CREDITODA", S},
    {u"NUMNINDA", D},
    {u"CUENTASDA", S},
    {u"RFCDA", S},
    {u"DIRCIADA", S},
    {u"CIUDCIADA", S},
    {u"FACTADA", S},
    {u"FORRESDA", T},
    {u"FHALIMDA", T},
    {u"HORLIMDA", S},
    {u"TIPTARDA", S},
    {u"CVEGPODA", S},
    {u"CAJASEDA", S},
    {u"NUMREGDA", D},
    {u"ORIGENDA", S},
    {u"ESTRESDA", D},
    {u"NUMVIPDA", D},
    {u"NUMEXTDA", D},
    {u"NUMCANDA", D},
    {u"CANREGDA", D},
    {u"FHAREGDA", T},
    {u"ESTCALDA", D},
    {u"MONCREDA", D},
    {u"MASCREDA", S},
    {u"TARNINDA", S},
    {u"ESTADODA", S},
    {u"NUMLISDA", D},
    {u"EDAD01DA", D},
    {u"EDAD02DA", D},
    {u"EDAD03DA", D},
    {u"EDAD04DA", D},
    {u"EDAD05DA", D},
    {u"EDAD06DA", D},
    {u"EDAD07DA", D},
    {u"EDAD08DA", D},
    {u"EDAD09DA", D},
    {u"FOLCEDDA", S},
    {u"NOMBR_DA", S},
    {u"APPAT_DA", S},
    {u"APMAT_DA", S},
    {u"EMAIL_DA", S},
    {u"CODPOSDA", S},
    {u"TELEFODA", S},
    {u"PORCOMDA", D},
    {u"TIPCOMDA", S},
    {u"TICAMODA", D},
    {u"INIRESDA", S},
    {u"HORARESDA", S},
    {u"TARTARIFAR", D},
    {u"OBSERVDA4", S},
    {u"OBSERVDA5", S},
    {u"MOTCAMODA", S},
    {u"MOTCAMBDA", S},
    {u"MOTCAMUDA", S},
    {u"MOTCAMDDA", T},
    {u"MOTCAMTDA", S},
    {u"MOTTARODA", D},
    {u"MOTTARBDA", S},
    {u"MOTTARUDA", S},
    {u"MOTTARDDA", T},
    {u"MOTTARTDA", S},
    {u"NOMFACT", S},
    {u"FHAMOVDA", T},
    {u"FHAHISTDA", S},
    {u"TITHUEDA", S},
    {u"ANTHABDA", S},
    {u"VIPDA", S},
    {u"COLCIADA", S},
    {u"EDOCIADA", S},
    {u"PAISCIADA", S},
    {u"CPCIADA", S},
    {u"NOMAGEDA", S},
    {u"DIRAGEDA", S},
    {u"COLAGEDA", S},
    {u"CIUDAGEDA", S},
    {u"EDOAGEDA", S},
    {u"PAISAGEDA", S},
    {u"CPAGEDA", S},
    {u"COLONIDA", S},
    {u"NOTARDA", S},
    {u"USOHOTELDA", S},
    {u"DELHUEDA", S},
    {u"DELAGEDA", S},
    {u"DELCIADA", S},
    {u"RFCHUEDA", S},
    {u"RFCAGEDA", S},
    {u"FE_CPAGO", S},
    {u"FE_C2PAGO", S},
    {u"FE_FPAGO", S},
    {u"FE_CTAPAG", S},
    {u"TARJ_NUM", S},
    {u"TARJ_FHA", S},
    {u"TARJ_COD", S},
    {u"HABGRUDA", D},
    {u"NORESMDA", S},
}};

}  // namespace

std::span<const invoicing::RecordField> Clientes::registration_fields() {
  return kRegistration;
}

bool Clientes::TelvarConectar(Text pcDir, std::u16string& pcUser, std::u16string& pcPass) {
  if (!invoicing::connect(connection_, pcDir, pcUser, pcPass)) return false;
  record_ = invoicing::create(invoicing::kRegistrationClass);
  return true;
}

Variant Clientes::TelvarDesconectar() {
  if (!connection_.objects_created) return {};
  invoicing::release(connection_.server);
  invoicing::release(record_);
  connection_.objects_created = false;
  return {};
}

// Saving leaves the record as it is: a second registration writes over it or connects again.
Variant Clientes::SaveRegistroHuesped() {
  invoicing::call(connection_.server, u"GuardarRegistro", {Variant(record_)});
  return {};
}

Variant Clientes::PerformCapturaFirmaRegistroHuesped(Text lNumHues) {
  invoicing::call(connection_.server, u"CapturarFirmaRegistro", {Variant(lNumHues)});
  return {};
}

Variant Clientes::PerformReporteRegistroHuesped(Text lNumHues) {
  invoicing::call(connection_.server, u"ReporteRegistro", {Variant(lNumHues)});
  return {};
}

template <std::size_t... P>
MemberTable Clientes::make_table(std::index_sequence<P...>) {
  using C = Clientes;
  return MemberTable{
      method<&C::TelvarConectar>(u"TelvarConectar", {u"pcDir", u"pcUser", u"pcPass"}),
      method<&C::TelvarDesconectar>(u"TelvarDesconectar"),
      invoicing::record_field<&C::record_, kRegistration, P>()...,
      method<&C::SaveRegistroHuesped>(u"SaveRegistroHuesped"),
      method<&C::PerformCapturaFirmaRegistroHuesped>(u"PerformCapturaFirmaRegistroHuesped",
                                                     {u"lNumHues"}),
      method<&C::PerformReporteRegistroHuesped>(u"PerformReporteRegistroHuesped", {u"lNumHues"}),
  };
}

const MemberTable& Clientes::member_table() {
  static const MemberTable table = make_table(std::make_index_sequence<kRegistration.size()>{});
  return table;
}

}  // namespace halvora
