#include "einvoice/records.h"

#include <array>
#include <utility>

#include "automation/conversions.h"
#include "automation/error.h"
#include "automation/json.h"
#include "automation/text.h"
#include "einvoice/wire.h"

namespace halvora::einvoice {

namespace {

constexpr VarType S = VarType::String;
constexpr VarType D = VarType::Double;
constexpr VarType I = VarType::Integer;
constexpr VarType T = VarType::Date;
constexpr VarType B = VarType::Boolean;

constexpr std::array<FieldDef, 17> kLineFields{{
    {u"ClaveProducto", S},
    {u"Cantidad", D},
    {u"Descripcion", S},
    {u"ValorUnitario", D},
    {u"ImporteTotal", D},
    {u"IvaPorciento", D},
    {u"IvaImporte", D},
    {u"DescuentoPorciendo", D},
    {u"DescuentoImporte", D},
    {u"ExcluirDelCFD", B},
    {u"ExcluirDeImpresion", B},
    {u"Unidad", S},
    {u"DetalleObservacion1", S},
    {u"DetalleObservacion2", S},
    {u"DetalleObservacion3", S},
    {u"DetalleObservacion4", S},
    {u"DetalleObservacion5", S},
}};

// The header after AnexarRenglon. The totals take short names of their own: the invoice
// builder's FacturaSubTotal is this record's SubTotal, and so on.
constexpr std::array<FieldDef, 37> kDocumentFields{{
    {u"ClaveCliente", S},
    {u"RFC", S},
    {u"RazonSocial", S},
    {u"NombreComercial", S},
    {u"Email", S},
    {u"DomicilioFiscalCalle", S},
    {u"DomicilioFiscalnoExterior", S},
    {u"DomicilioFiscalnoInterior", S},
    {u"DomicilioFiscalReferencia", S},
    {u"DomicilioFiscalColonia", S},
    {u"DomicilioFiscalLocalidad", S},
    {u"DomicilioFiscalMunicipio", S},
    {u"DomicilioFiscalEstado", S},
    {u"DomicilioFiscalPais", S},
    {u"DomicilioFiscalCodigoPostal", S},
    {u"CondicionesPago", S},
    {u"FormaPago", S},
    {u"MetodoPago", S},
    {u"NumCtaPago", S},
    {u"NumeroControl", S},
    {u"SubTotal", D},
    {u"Descuento", D},
    {u"TasaIva", D},
    {u"TotalIva", D},
    {u"TotalImporte", D},
    {u"TasaISH", D},
    {u"TasaISA", D},
    {u"TotalISH", D},
    {u"TotalISA", D},
    {u"Observaciones1", S},
    {u"Observaciones2", S},
    {u"Observaciones3", S},
    {u"Observaciones4", S},
    {u"Observaciones5", S},
    {u"CveCtaContable", S},
    {u"PeriodicidadSAT", S},
    {u"RegimenFiscalReceptor", S},
}};

// The message: the sender's display name, the recipients, the subject, the body, the sender.
constexpr std::array<FieldDef, 5> kMessageFields{{
    {u"Nombre", S},
    {u"Para", S},
    {u"Asunto", S},
    {u"Cuerpo", S},
    {u"De", S},
}};

constexpr std::array<FieldDef, 26> kStatementFields{{
    {u"NumHab", S},     {u"NombreHuesped", S}, {u"FhaEntrada", T},   {u"FhaSalida", T},
    {u"NoControl", S},  {u"Adultos", I},       {u"Ninos", I},        {u"FolioCuenta", I},
    {u"RFC", S},        {u"RazonSocial", S},   {u"Calle", S},        {u"NumExt", S},
    {u"NumInt", S},     {u"Colonia", S},       {u"Ciudad", S},       {u"Delegacion", S},
    {u"Estado", S},     {u"Pais", S},          {u"CodigoPostal", S}, {u"FolioFiscal", S},
    {u"Email", S},      {u"MetodoPago", S},    {u"FormaPago", S},    {u"CondPago", S},
    {u"CuentaPago", S}, {u"IATA", S},
}};

constexpr std::array<FieldDef, 6> kMovementFields{{
    {u"FhaMovimiento", T},
    {u"DescripcionMvto", S},
    {u"CargoMonto", D},
    {u"CreditoMonto", D},
    {u"HoraMvto", S},
    {u"Referencia", S},
}};

// The guest registration, in interface order; "numresda" is written in lower case.
constexpr std::array<FieldDef, 201> kGuestFields{{
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

// A property's get and let, one instantiation per position, as member tables hold plain
// function pointers.
template <std::size_t P>
Variant get_field(Object& target, std::span<Variant>) {
  return static_cast<Record&>(target).value(P);
}
template <std::size_t P>
void put_field(Object& target, const Variant& value) {
  static_cast<Record&>(target).set(P, value);
}

Member field_member(const FieldDef& field, Member::Getter get, Member::Putter put) {
  Member m;
  m.name = field.name;
  m.kind = MemberKind::Data;
  m.access = kGet | kLet;
  m.result = field.type;
  m.call = get;
  m.put = put;
  return m;
}

// The table of a record class: its methods first, then its properties in order. Lives as long
// as the process, like the class description that points at it.
template <std::size_t N, std::size_t... P, class... Methods>
const MemberTable* make_table(const std::array<FieldDef, N>& fields, std::index_sequence<P...>,
                              Methods... methods) {
  return new MemberTable{methods..., field_member(fields[P], &get_field<P>, &put_field<P>)...};
}

template <std::size_t N, class... Methods>
RecordClass describe(const char16_t* name, const std::array<FieldDef, N>& fields,
                     Methods... methods) {
  return {name, fields, make_table(fields, std::make_index_sequence<N>{}, methods...)};
}

std::string rows_json(const RecordClass& c, const std::vector<std::vector<Variant>>& rows) {
  std::string out = "[";
  for (std::size_t r = 0; r < rows.size(); ++r) {
    out += r ? ",{" : "{";
    for (std::size_t i = 0; i < c.fields.size(); ++i)
      out += (i ? "," : "") + json_string(c.fields[i].name) + ":" + json_value(rows[r][i]);
    out += "}";
  }
  return out + "]";
}

}  // namespace

Variant initial_value(VarType type) {
  switch (type) {
    case VarType::String:
      return Variant(std::u16string());
    case VarType::Double:
      return Variant(0.0);
    case VarType::Integer:
      return Variant(int16_t{0});
    case VarType::Date:
      return Variant(Date{0});
    case VarType::Boolean:
      return Variant(false);
    default:
      return Variant();
  }
}

Record::Record(const RecordClass& record_class) : class_(&record_class) {
  values_.reserve(record_class.fields.size());
  for (const FieldDef& f : record_class.fields) values_.push_back(initial_value(f.type));
}

void Record::set(std::size_t position, const Variant& value) {
  values_.at(position) = coerce(value, class_->fields[position].type);
}

void Record::assign_default(const Variant& value) {
  if (!value.is_null()) Object::assign_default(value);
}

std::size_t Record::find(std::u16string_view name) const {
  for (std::size_t i = 0; i < class_->fields.size(); ++i)
    if (iequals(class_->fields[i].name, name)) return i;
  return static_cast<std::size_t>(-1);
}

std::string Record::fields_json() const {
  std::string out = "{";
  for (std::size_t i = 0; i < values_.size(); ++i)
    out += (i ? "," : "") + json_string(class_->fields[i].name) + ":" + json_value(values_[i]);
  return out + "}";
}

RenglonFactura::RenglonFactura() : Record(description()) {}
const RecordClass& RenglonFactura::description() {
  static const RecordClass c = describe(u"RenglonFactura", kLineFields);
  return c;
}

DocumentoFactura::DocumentoFactura() : Record(description()) {}
const RecordClass& DocumentoFactura::description() {
  static const RecordClass c =
      describe(u"DocumentoFactura", kDocumentFields,
               method<&DocumentoFactura::AnexarRenglon>(u"AnexarRenglon", {u"Renglon"}));
  return c;
}

void DocumentoFactura::AnexarRenglon(std::shared_ptr<RenglonFactura> line) {
  if (!line) throw Error::standard(err::kObjectNotSet);
  lines_.push_back(line->values());
}

std::string DocumentoFactura::to_json() const {
  return "{\"fields\":" + fields_json() +
         ",\"lines\":" + rows_json(RenglonFactura::description(), lines_) + "}";
}

MensajeCorreo::MensajeCorreo() : Record(description()) {}
const RecordClass& MensajeCorreo::description() {
  static const RecordClass c = describe(u"MensajeCorreo", kMessageFields);
  return c;
}

MovimientoEdoCta::MovimientoEdoCta() : Record(description()) {}
const RecordClass& MovimientoEdoCta::description() {
  static const RecordClass c = describe(u"MovimientoEdoCta", kMovementFields);
  return c;
}

EstadoCuenta::EstadoCuenta() : Record(description()) {}
const RecordClass& EstadoCuenta::description() {
  static const RecordClass c =
      describe(u"EstadoCuenta", kStatementFields,
               method<&EstadoCuenta::AddDetalle>(u"AddDetalle", {u"Detalle"}));
  return c;
}

void EstadoCuenta::AddDetalle(std::shared_ptr<MovimientoEdoCta>& movement) {
  if (!movement) throw Error::standard(err::kObjectNotSet);
  movements_.push_back(movement->values());
}

std::string EstadoCuenta::to_json() const {
  return "{\"fields\":" + fields_json() +
         ",\"movements\":" + rows_json(MovimientoEdoCta::description(), movements_) + "}";
}

RegistroHuesped::RegistroHuesped() : Record(description()) {}
const RecordClass& RegistroHuesped::description() {
  static const RecordClass c = describe(u"RegistroHuesped", kGuestFields);
  return c;
}

std::string RegistroHuesped::to_json() const {
  return "{\"fields\":" + fields_json() + "}";
}

ObjectRef create_record(std::u16string_view name) {
  if (iequals(name, u"DocumentoFactura")) return std::make_shared<DocumentoFactura>();
  if (iequals(name, u"RenglonFactura")) return std::make_shared<RenglonFactura>();
  if (iequals(name, u"MensajeCorreo")) return std::make_shared<MensajeCorreo>();
  if (iequals(name, u"EstadoCuenta")) return std::make_shared<EstadoCuenta>();
  if (iequals(name, u"MovimientoEdoCta")) return std::make_shared<MovimientoEdoCta>();
  if (iequals(name, u"RegistroHuesped")) return std::make_shared<RegistroHuesped>();
  return nullptr;
}

}  // namespace halvora::einvoice
