#include "invoicing/factura.h"

#include <array>
#include <initializer_list>

#include "automation/collection.h"
#include "automation/conversions.h"
#include "automation/error.h"
#include "automation/text.h"
#include "web/failure_report.h"

namespace halvora {

namespace {

using invoicing::call;
using invoicing::create;
using invoicing::release;
using Target = Factura::Target;
constexpr VarType kText = VarType::String;
constexpr VarType kDouble = VarType::Double;
constexpr VarType kBoolean = VarType::Boolean;

constexpr char16_t kConnectTitle[] = u"Telvar Conectar";

// The properties that stand for one member of the document or of the line, with the member each
// one writes. The totals take the document's short names (FacturaSubTotal is its SubTotal).
constexpr std::array<Factura::MappedField, 53> kMapped{{
    {u"NumeroControl", u"NumeroControl", Target::Header, kText, {}},
    {u"ClaveCliente", u"ClaveCliente", Target::Header, kText, {}},
    {u"NombreComercial", u"NombreComercial", Target::Header, kText, {}},
    {u"RazonSocial", u"RazonSocial", Target::Header, kText, {}},
    {u"RFC", u"RFC", Target::Header, kText, {}},
    {u"Email", u"Email", Target::Header, kText, {}},
    {u"DomicilioFiscalReferencia", u"DomicilioFiscalReferencia", Target::Header, kText, {}},
    {u"CondicionesPago", u"CondicionesPago", Target::Header, kText, {}},
    {u"FormaPago", u"FormaPago", Target::Header, kText, u"UNA SOLA EXHIBICIÓN", true},
    {u"MetodoPago", u"MetodoPago", Target::Header, kText, u"EFECTIVO", true},
    {u"NumCtaPago", u"NumCtaPago", Target::Header, kText, u"", true},
    {u"DomicilioFiscalCalle", u"DomicilioFiscalCalle", Target::Header, kText, {}},
    {u"DomicilioFiscalnoExterior", u"DomicilioFiscalnoExterior", Target::Header, kText, {}},
    {u"DomicilioFiscalnoInterior", u"DomicilioFiscalnoInterior", Target::Header, kText, {}},
    {u"DomicilioFiscalColonia", u"DomicilioFiscalColonia", Target::Header, kText, {}},
    {u"DomicilioFiscalEstado", u"DomicilioFiscalEstado", Target::Header, kText, {}},
    {u"DomicilioFiscalLocalidad", u"DomicilioFiscalLocalidad", Target::Header, kText, {}},
    {u"DomicilioFiscalMunicipio", u"DomicilioFiscalMunicipio", Target::Header, kText, {}},
    {u"DomicilioFiscalPais", u"DomicilioFiscalPais", Target::Header, kText, {}},
    {u"DomicilioFiscalCodigoPostal", u"DomicilioFiscalCodigoPostal", Target::Header, kText, {}},
    {u"PeriodicidadSAT", u"PeriodicidadSAT", Target::Header, kText, {}},
    {u"Observaciones1", u"Observaciones1", Target::Header, kText, {}},
    {u"Observaciones2", u"Observaciones2", Target::Header, kText, {}},
    {u"Observaciones3", u"Observaciones3", Target::Header, kText, {}},
    {u"Observaciones4", u"Observaciones4", Target::Header, kText, {}},
    {u"Observaciones5", u"Observaciones5", Target::Header, kText, {}},
    {u"FacturaDescuento", u"Descuento", Target::Header, kDouble, {}},
    {u"CveCtaContable", u"CveCtaContable", Target::Header, kText, {}},
    {u"RegimenFiscalReceptor", u"RegimenFiscalReceptor", Target::Header, kText, {}},
    {u"ExcluirDeImpresion", u"ExcluirDeImpresion", Target::Line, kBoolean, {}},
    {u"ExcluirDelCFD", u"ExcluirDelCFD", Target::Line, kBoolean, {}},
    {u"ClaveProducto", u"ClaveProducto", Target::Line, kText, {}},
    {u"Unidad", u"Unidad", Target::Line, kText, u"N/A", true},
    {u"Descripcion", u"Descripcion", Target::Line, kText, {}},
    {u"ValorUnitario", u"ValorUnitario", Target::Line, kDouble, {}},
    {u"ImporteTotal", u"ImporteTotal", Target::Line, kDouble, {}},
    {u"IvaPorciento", u"IvaPorciento", Target::Line, kDouble, {}},
    {u"IvaImporte", u"IvaImporte", Target::Line, kDouble, {}},
    {u"DescuentoPorciendo", u"DescuentoPorciendo", Target::Line, kDouble, {}},
    {u"DescuentoImporte", u"DescuentoImporte", Target::Line, kDouble, {}},
    {u"DetalleObservacion1", u"DetalleObservacion1", Target::Line, kText, {}},
    {u"DetalleObservacion2", u"DetalleObservacion2", Target::Line, kText, {}},
    {u"DetalleObservacion3", u"DetalleObservacion3", Target::Line, kText, {}},
    {u"DetalleObservacion4", u"DetalleObservacion4", Target::Line, kText, {}},
    {u"DetalleObservacion5", u"DetalleObservacion5", Target::Line, kText, {}},
    {u"FacturaSubTotal", u"SubTotal", Target::Total, kDouble, {}},
    {u"FacturaTasaISA", u"TasaISA", Target::Total, kDouble, {}},
    {u"FacturaTotalISA", u"TotalISA", Target::Total, kDouble, {}},
    {u"FacturaTasaISH", u"TasaISH", Target::Total, kDouble, {}},
    {u"FacturaTotalISH", u"TotalISH", Target::Total, kDouble, {}},
    {u"FacturaTasaIva", u"TasaIva", Target::Total, kDouble, {}},
    {u"FacturaTotalIva", u"TotalIva", Target::Total, kDouble, {}},
    {u"FacturaTotalImporte", u"TotalImporte", Target::Total, kDouble, {}},
}};

// The totals as the first AgregarRenglon zeroes them, in this order.
constexpr std::array<std::u16string_view, 8> kZeroedTotals{
    u"SubTotal",     u"TasaIva",  u"TasaISH",  u"TasaISA",
    u"TotalImporte", u"TotalIva", u"TotalISH", u"TotalISA",
};

consteval std::size_t mapped_row(std::u16string_view member) {
  for (std::size_t i = 0; i < kMapped.size(); ++i)
    if (kMapped[i].member == member) return i;
  throw "not a mapped property";
}

// The value in the property's declared type first, as the platform coerces a typed argument: a
// value that does not convert fails even when the write would be ignored.
template <std::size_t I>
void put_mapped(Object& target, const Variant& value) {
  static_cast<Factura&>(target).write_field(kMapped[I], coerce(value, kMapped[I].type));
}
template <std::size_t I>
Variant get_mapped(Object& target, std::span<Variant>) {
  return static_cast<const Factura&>(target).read_field(kMapped[I]);
}

// The header and the totals are written only; the line's fields are read back too.
template <std::size_t I>
Member mapped() {
  constexpr const Factura::MappedField& f = kMapped[I];
  Member m;
  m.name = std::u16string(f.member);
  m.kind = MemberKind::Property;
  m.result = f.type;
  m.access = f.target == Target::Line ? kGet | kLet : kLet;
  if (f.target == Target::Line) m.call = &get_mapped<I>;
  m.put = &put_mapped<I>;
  return m;
}

// Each step of NuevaFactura runs whatever the one before it raised.
template <class Step>
void ignoring_errors(Step&& step) {
  try {
    step();
  } catch (...) {
  }
}

}  // namespace

// ---- Properties -----------------------------------------------------------------------------

void Factura::write_field(const MappedField& field, const Variant& value) {
  bool open = field.target == Target::Header  ? connected_
              : field.target == Target::Total ? initialized_
                                              : line_active_;
  if (!open) return;
  const ObjectRef& record = field.target == Target::Line ? line_ : document_;
  // Blank is empty once the spaces at both ends are gone; any other text goes on as it is.
  bool blank = field.blank_rule && trim_spaces(value.string()).empty();
  invoicing::put(record, field.field, blank ? Variant(field.when_blank) : value);
}

Variant Factura::read_field(const MappedField& field) const {
  return coerce(invoicing::get(line_, field.field), field.type);
}

bool Factura::get_FacturaFecha() const {
  return fecha_.serial != 0;
}

// The Boolean is all that arrives, so the date it stores is the Boolean's (True: day -1). Its
// text form is not passed to the document: every member the document has stands for another
// property of this class, and "True" or "False" would replace what the host wrote there.
void Factura::let_FacturaFecha(bool value) {
  if (!connected_) return;
  fecha_ = Date{value ? -1.0 : 0.0};
}

void Factura::let_Sucursal(int32_t value) {
  if (connected_) sucursal_ = value;
}

void Factura::let_Folio(int32_t value) {
  if (connected_) folio_ = value;
}

int16_t Factura::get_Cantidad() const {
  return to_integer(invoicing::get(line_, u"Cantidad"));
}

// The line keeps a Double; a quantity of 0 is one piece.
void Factura::let_Cantidad(int16_t value) {
  if (!line_active_) return;
  invoicing::put(line_, u"Cantidad", Variant(value == 0 ? 1.0 : static_cast<double>(value)));
}

// ---- Connection -----------------------------------------------------------------------------

bool Factura::TelvarConectar(Text pcDir, std::u16string& pcUser, std::u16string& pcPass) {
  bool connected = false;
  reporting_failures(kConnectTitle, [&] {
    auto make_lists = [this] {
      ListaResultados = Collection::create();
      ListaSucursales = Collection::create();
      ListaFolioSeries = Collection::create();
      ListaPeriocidadSAT = Collection::create();
    };
    if (!invoicing::connect(connection_, pcDir, pcUser, pcPass, make_lists)) return;
    for (const ObjectRef& list :
         {ListaSucursales, ListaResultados, ListaFolioSeries, ListaPeriocidadSAT})
      invoicing::empty_list(list);
    const ObjectRef& server = connection_.server;
    invoicing::add_pieces(ListaSucursales,
                          invoicing::split_fields(to_string(call(server, u"ListarSucursales"))));
    invoicing::add_pieces(ListaFolioSeries,
                          invoicing::split_fields(to_string(call(server, u"ListarFolioSeries"))));
    invoicing::add_pieces(
        ListaPeriocidadSAT,
        invoicing::split_fields(to_string(call(server, u"ListarPeriodicidadesSAT"))));
    go_connected();
    connected = true;
  });
  return connected;
}

// The session outlives the server object that opened it: the one that connected is let go and
// a new one serves, with a new, empty document.
void Factura::go_connected() {
  connected_ = true;
  connection_.server = create(invoicing::kServerClass);
  document_ = create(invoicing::kDocumentClass);
}

Variant Factura::TelvarDesconectar() {
  if (!connection_.objects_created) return {};
  release(connection_.server);
  if (connected_) {
    release(document_);
    release(line_);
  }
  for (const ObjectRef& list :
       {ListaSucursales, ListaResultados, ListaFolioSeries, ListaPeriocidadSAT})
    invoicing::empty_list(list);
  connection_.objects_created = false;
  return {};
}

// ---- Lines and emission ---------------------------------------------------------------------

void Factura::commit_line(bool take) {
  if (line_active_ && take) {
    call(document_, u"AnexarRenglon", {Variant(line_)});
    line_active_ = false;
  }
  captured_ = take;
}

Variant Factura::AgregarRenglon() {
  if (!connected_) return {};
  if (!initialized_) {
    for (std::u16string_view total : kZeroedTotals) invoicing::put(document_, total, Variant(0.0));
    initialized_ = true;
  }
  // The line captured before goes into the document now that the next one starts.
  if (!captured_) commit_line(true);
  line_ = create(invoicing::kLineClass);
  line_active_ = true;
  commit_line(false);
  return {};
}

void Factura::issue(std::u16string_view operation) {
  if (!connected_) return;
  if (!captured_) commit_line(true);
  Variant answer = call(connection_.server, operation,
                        {Variant(sucursal_), Variant(folio_), Variant(document_)});
  resultados_ = invoicing::split_fields(to_string(answer));
  invoicing::empty_list(ListaResultados);
  invoicing::add_pieces(ListaResultados, resultados_);
  // Issued: header and total writes are ignored until NuevaFactura starts the next document.
  connected_ = false;
}

Variant Factura::GenerarFactura() {
  issue(u"EmitirFactura");
  return {};
}

// The server has one operation for invoices and credit notes; which one it issues is in the
// document the host filled.
Variant Factura::GenerarNotaDeCredito() {
  issue(u"EmitirFactura");
  return {};
}

Variant Factura::GenerarPrefactura() {
  issue(u"EmitirPrefactura");
  return {};
}

Variant Factura::NuevaFactura() {
  if (!connection_.objects_created) return {};
  if (connected_) {
    ignoring_errors([this] { release(document_); });
    ignoring_errors([this] { release(line_); });
  }
  ignoring_errors([this] { go_connected(); });
  ignoring_errors([this] { invoicing::empty_list(ListaResultados); });
  return {};
}

// ---- Issued documents -----------------------------------------------------------------------

std::vector<std::u16string> Factura::reference_fields(Text argument) const {
  if (trim_spaces(argument).empty()) return resultados_;
  return invoicing::split_fields(argument);
}

// Read left to right, as the call's arguments are: a first field that is not a number fails
// before a missing third one.
Variant Factura::on_document(std::u16string_view operation,
                             const std::vector<std::u16string>& fields) {
  auto field = [&](std::size_t i) -> const std::u16string& {
    if (i >= fields.size()) throw Error::standard(err::kSubscript);
    return fields[i];
  };
  Variant branch(to_integer(Variant(field(0))));
  Variant series(to_integer(Variant(field(1))));
  Variant folio(field(2));
  return call(connection_.server, operation, {branch, series, folio});
}

Variant Factura::EnviarFactura() {
  on_document(u"EnviarComprobante", resultados_);
  return {};
}

Variant Factura::VerFactura() {
  on_document(u"MostrarComprobante", resultados_);
  return {};
}

Variant Factura::CancelarFactura(Text reference) {
  on_document(u"CancelarComprobante", reference_fields(reference));
  return {};
}

std::u16string Factura::ObtenerXML(Text reference) {
  return to_string(on_document(u"ObtenerXMLComprobante", reference_fields(reference)));
}

std::u16string Factura::ObtenerUUID(Text reference) {
  return to_string(on_document(u"ObtenerUUIDComprobante", reference_fields(reference)));
}

// ---- Other server operations ----------------------------------------------------------------

// The texts arrive by reference, as declared, and go to the server as copies.
std::u16string Factura::ObtenerIdGrupo(int32_t idgrupo, std::u16string& nombreGrupo,
                                       std::u16string& cadenaFacturas) {
  return to_string(call(connection_.server, u"ObtenerGrupo",
                        {Variant(idgrupo), Variant(nombreGrupo), Variant(cadenaFacturas)}));
}

std::u16string Factura::GetCresfact06(Text NumControl, int16_t SerieFol) {
  return to_string(
      call(connection_.server, u"LeerCresfact06", {Variant(NumControl), Variant(SerieFol)}));
}

std::u16string Factura::Cons_DinElectronico() {
  return to_string(call(connection_.server, u"ConsultarDineroElectronico", {Variant(document_)}));
}

bool Factura::Din_electronico() {
  return to_boolean(call(connection_.server, u"ValidarDineroElectronico", {Variant(document_)}));
}

bool Factura::CancelConsumoDE(double NUM_DOC, double PUNTOS) {
  Variant number(to_long(Variant(NUM_DOC)));
  return to_boolean(
      call(connection_.server, u"CancelarConsumoDineroElectronico", {number, Variant(PUNTOS)}));
}

// A fresh server object answers, whether or not this one ever connected.
Variant Factura::IsCFDIV4() {
  IsCfdi4 = false;
  connection_.server = create(invoicing::kServerClass);
  IsCfdi4 = to_boolean(call(connection_.server, u"ConsultarCFDIV4"));
  return {};
}

// ---- Members --------------------------------------------------------------------------------

const MemberTable& Factura::member_table() {
  using F = Factura;
  static const MemberTable table{
      data<&F::ListaSucursales>(u"ListaSucursales", takes_list),
      data<&F::ListaFolioSeries>(u"ListaFolioSeries", takes_list),
      data<&F::ListaResultados>(u"ListaResultados", takes_list),
      data<&F::ListaPeriocidadSAT>(u"ListaPeriocidadSAT", takes_list),
      data<&F::IsCfdi4>(u"IsCfdi4"),
      property<&F::get_FacturaFecha, &F::let_FacturaFecha>(u"FacturaFecha"),
      mapped<mapped_row(u"NumeroControl")>(),
      mapped<mapped_row(u"ClaveCliente")>(),
      mapped<mapped_row(u"NombreComercial")>(),
      mapped<mapped_row(u"RazonSocial")>(),
      mapped<mapped_row(u"RFC")>(),
      mapped<mapped_row(u"Email")>(),
      mapped<mapped_row(u"DomicilioFiscalReferencia")>(),
      mapped<mapped_row(u"CondicionesPago")>(),
      mapped<mapped_row(u"FormaPago")>(),
      mapped<mapped_row(u"MetodoPago")>(),
      mapped<mapped_row(u"NumCtaPago")>(),
      mapped<mapped_row(u"DomicilioFiscalCalle")>(),
      mapped<mapped_row(u"DomicilioFiscalnoExterior")>(),
      mapped<mapped_row(u"DomicilioFiscalnoInterior")>(),
      mapped<mapped_row(u"DomicilioFiscalColonia")>(),
      mapped<mapped_row(u"DomicilioFiscalEstado")>(),
      mapped<mapped_row(u"DomicilioFiscalLocalidad")>(),
      mapped<mapped_row(u"DomicilioFiscalMunicipio")>(),
      mapped<mapped_row(u"DomicilioFiscalPais")>(),
      mapped<mapped_row(u"DomicilioFiscalCodigoPostal")>(),
      property<&F::get_Sucursal, &F::let_Sucursal>(u"Sucursal"),
      property<&F::get_Folio, &F::let_Folio>(u"Folio"),
      mapped<mapped_row(u"PeriodicidadSAT")>(),
      mapped<mapped_row(u"Observaciones1")>(),
      mapped<mapped_row(u"Observaciones2")>(),
      mapped<mapped_row(u"Observaciones3")>(),
      mapped<mapped_row(u"Observaciones4")>(),
      mapped<mapped_row(u"Observaciones5")>(),
      mapped<mapped_row(u"FacturaDescuento")>(),
      mapped<mapped_row(u"CveCtaContable")>(),
      mapped<mapped_row(u"RegimenFiscalReceptor")>(),
      mapped<mapped_row(u"ExcluirDeImpresion")>(),
      mapped<mapped_row(u"ExcluirDelCFD")>(),
      mapped<mapped_row(u"ClaveProducto")>(),
      property<&F::get_Cantidad, &F::let_Cantidad>(u"Cantidad"),
      mapped<mapped_row(u"Unidad")>(),
      mapped<mapped_row(u"Descripcion")>(),
      mapped<mapped_row(u"ValorUnitario")>(),
      mapped<mapped_row(u"ImporteTotal")>(),
      mapped<mapped_row(u"IvaPorciento")>(),
      mapped<mapped_row(u"IvaImporte")>(),
      mapped<mapped_row(u"DescuentoPorciendo")>(),
      mapped<mapped_row(u"DescuentoImporte")>(),
      mapped<mapped_row(u"DetalleObservacion1")>(),
      mapped<mapped_row(u"DetalleObservacion2")>(),
      mapped<mapped_row(u"DetalleObservacion3")>(),
      mapped<mapped_row(u"DetalleObservacion4")>(),
      mapped<mapped_row(u"DetalleObservacion5")>(),
      method<&F::TelvarConectar>(u"TelvarConectar", {u"pcDir", u"pcUser", u"pcPass"}),
      read_only<&F::EFacturaConnected>(u"EFacturaConnected"),
      read_only<&F::FacturaInicializada>(u"FacturaInicializada"),
      mapped<mapped_row(u"FacturaSubTotal")>(),
      mapped<mapped_row(u"FacturaTasaISA")>(),
      mapped<mapped_row(u"FacturaTotalISA")>(),
      mapped<mapped_row(u"FacturaTasaISH")>(),
      mapped<mapped_row(u"FacturaTotalISH")>(),
      mapped<mapped_row(u"FacturaTasaIva")>(),
      mapped<mapped_row(u"FacturaTotalIva")>(),
      mapped<mapped_row(u"FacturaTotalImporte")>(),
      method<&F::AgregarRenglon>(u"AgregarRenglon"),
      read_only<&F::RenglonActivo>(u"RenglonActivo"),
      read_only<&F::DatosCapturados>(u"DatosCapturados"),
      method<&F::GenerarFactura>(u"GenerarFactura"),
      method<&F::GenerarNotaDeCredito>(u"GenerarNotaDeCredito"),
      method<&F::GenerarPrefactura>(u"GenerarPrefactura"),
      method<&F::EnviarFactura>(u"EnviarFactura"),
      method<&F::VerFactura>(u"VerFactura"),
      method<&F::CancelarFactura>(u"CancelarFactura", {opt(u"Factura", u"")}),
      method<&F::ObtenerXML>(u"ObtenerXML", {opt(u"Factura", u"")}),
      method<&F::ObtenerIdGrupo>(u"ObtenerIdGrupo",
                                 {u"idgrupo", u"nombreGrupo", u"cadenaFacturas"}),
      method<&F::ObtenerUUID>(u"ObtenerUUID", {opt(u"Factura", u"")}),
      method<&F::GetCresfact06>(u"GetCresfact06", {u"NumControl", u"SerieFol"}),
      method<&F::Cons_DinElectronico>(u"Cons_DinElectronico"),
      method<&F::Din_electronico>(u"Din_electronico"),
      method<&F::CancelConsumoDE>(u"CancelConsumoDE", {u"NUM_DOC", u"PUNTOS"}),
      method<&F::NuevaFactura>(u"NuevaFactura"),
      method<&F::TelvarDesconectar>(u"TelvarDesconectar"),
      method<&F::IsCFDIV4>(u"IsCFDIV4"),
  };
  return table;
}

}  // namespace halvora
