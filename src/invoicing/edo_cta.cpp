#include "invoicing/edo_cta.h"

#include <array>
#include <utility>

#include "automation/error.h"

namespace halvora {

namespace {

using invoicing::RecordField;
constexpr VarType kText = VarType::String;
constexpr VarType kDate = VarType::Date;
constexpr VarType kInteger = VarType::Integer;
constexpr VarType kDouble = VarType::Double;

constexpr std::array<RecordField, 26> kHeader{{
    {u"NumHab", kText},       {u"NombreHuesped", kText},  {u"FhaEntrada", kDate},
    {u"FhaSalida", kDate},    {u"NoControl", kText},      {u"Adultos", kInteger},
    {u"Ninos", kInteger},     {u"FolioCuenta", kInteger}, {u"RFC", kText},
    {u"RazonSocial", kText},  {u"Calle", kText},          {u"NumExt", kText},
    {u"NumInt", kText},       {u"Colonia", kText},        {u"Ciudad", kText},
    {u"Delegacion", kText},   {u"Estado", kText},         {u"Pais", kText},
    {u"CodigoPostal", kText}, {u"FolioFiscal", kText},    {u"Email", kText},
    {u"MetodoPago", kText},   {u"FormaPago", kText},      {u"CondPago", kText},
    {u"CuentaPago", kText},   {u"IATA", kText},
}};

constexpr std::array<RecordField, 6> kMovement{{
    {u"FhaMovimiento", kDate},
    {u"DescripcionMvto", kText},
    {u"CargoMonto", kDouble},
    {u"CreditoMonto", kDouble},
    {u"HoraMvto", kText},
    {u"Referencia", kText},
}};

}  // namespace

std::span<const invoicing::RecordField> EdoCta::header_fields() {
  return kHeader;
}
std::span<const invoicing::RecordField> EdoCta::movement_fields() {
  return kMovement;
}

bool EdoCta::TelvarConectar(Text pcDir, std::u16string& pcUser, std::u16string& pcPass) {
  if (!invoicing::connect(connection_, pcDir, pcUser, pcPass)) return false;
  header_ = invoicing::create(invoicing::kStatementClass);
  return true;
}

Variant EdoCta::TelvarDesconectar() {
  if (!connection_.objects_created) return {};
  invoicing::release(connection_.server);
  invoicing::release(header_);
  invoicing::release(movement_);
  connection_.objects_created = false;
  return {};
}

// The movement before it is let go, whether or not AddDetalle took it.
Variant EdoCta::AgregarRenglonEdoCta() {
  movement_ = invoicing::create(invoicing::kMovementClass);
  return {};
}

// AddDetalle takes the movement by reference; what it leaves there is the current movement.
Variant EdoCta::GuardarRenglonEdoCta() {
  ObjectRef header = header_;
  if (!header) throw Error::standard(err::kObjectNotSet);
  Variant args[] = {Variant(movement_)};
  invoke(*header, u"AddDetalle", CallKind::Method, args);
  if (!args[0].is_object()) throw Error::standard(err::kTypeMismatch);
  movement_ = args[0].object();
  return {};
}

Variant EdoCta::SaveEdoCuentaLobix() {
  invoicing::call(connection_.server, u"GuardarEstadoCuenta", {Variant(header_)});
  return {};
}

Variant EdoCta::PerformCapturaFirmaEstadoDeCuenta(Text lnNumHues) {
  invoicing::call(connection_.server, u"CapturarFirmaEstadoCuenta", {Variant(lnNumHues)});
  return {};
}

Variant EdoCta::PerformReporteEstadoDeCuenta(Text lnNumHues, int16_t lnFolio) {
  invoicing::call(connection_.server, u"ReporteEstadoCuenta",
                  {Variant(lnNumHues), Variant(lnFolio)});
  return {};
}

template <std::size_t... H, std::size_t... M>
MemberTable EdoCta::make_table(std::index_sequence<H...>, std::index_sequence<M...>) {
  using E = EdoCta;
  return MemberTable{
      method<&E::TelvarConectar>(u"TelvarConectar", {u"pcDir", u"pcUser", u"pcPass"}),
      method<&E::TelvarDesconectar>(u"TelvarDesconectar"),
      invoicing::record_field<&E::header_, kHeader, H>()...,
      invoicing::record_field<&E::movement_, kMovement, M>()...,
      method<&E::AgregarRenglonEdoCta>(u"AgregarRenglonEdoCta"),
      method<&E::GuardarRenglonEdoCta>(u"GuardarRenglonEdoCta"),
      method<&E::SaveEdoCuentaLobix>(u"SaveEdoCuentaLobix"),
      method<&E::PerformCapturaFirmaEstadoDeCuenta>(u"PerformCapturaFirmaEstadoDeCuenta",
                                                    {u"lnNumHues"}),
      method<&E::PerformReporteEstadoDeCuenta>(u"PerformReporteEstadoDeCuenta",
                                               {u"lnNumHues", u"lnFolio"}),
  };
}

const MemberTable& EdoCta::member_table() {
  static const MemberTable table = make_table(std::make_index_sequence<kHeader.size()>{},
                                              std::make_index_sequence<kMovement.size()>{});
  return table;
}

}  // namespace halvora
