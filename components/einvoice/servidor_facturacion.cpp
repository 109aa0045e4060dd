#include "einvoice/servidor_facturacion.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "automation/error.h"
#include "automation/json.h"
#include "automation/text.h"
#include "einvoice/errors.h"
#include "einvoice/wire.h"
#include "platform/ui.h"

namespace halvora::einvoice {

namespace fs = std::filesystem;

namespace {

std::string reference(int16_t branch, int16_t series, const std::u16string& folio) {
  return "{\"ref\":[" + std::to_string(branch) + "," + std::to_string(series) + "," +
         json_string(folio) + "]}";
}

template <class R>
const R& required(const std::shared_ptr<R>& record) {
  if (!record) throw Error::standard(halvora::err::kObjectNotSet);
  return *record;
}

// The PDF goes where the workstation keeps what it shows, under a name of the document's own,
// written whole before the viewer sees it; then the UI shows it. Answers the file's path.
std::u16string show(const std::string& pdf, const std::string& name, std::u16string_view title) {
  std::error_code ec;
  fs::path folder = fs::temp_directory_path(ec) / "halvora-einvoice";
  fs::create_directories(folder, ec);
  fs::path file = folder / name;
  fs::path partial = folder / (name + ".partial");
  {
    std::ofstream out(partial, std::ios::binary | std::ios::trunc);
    out.write(pdf.data(), static_cast<std::streamsize>(pdf.size()));
    if (!out.flush()) ec = std::make_error_code(std::errc::io_error);
  }
  if (!ec) fs::rename(partial, file, ec);
  if (ec)
    throw Error(err::kServerFailed,
                u"the document could not be saved at " + file.u16string() + u": " +
                    utf8_to_utf16(ec.message()),
                kSource);
  platform::ui().show_document(file.u16string(), title);
  return file.u16string();
}

// A file name from text people chose: letters, digits, "-" and "_".
std::string file_part(std::u16string_view text) {
  std::string out;
  for (char16_t c : text)
    out += (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') ||
                   c == u'-'
               ? static_cast<char>(c)
               : '_';
  return out.substr(0, 40);
}

bool capture_signature(const char* kind, const std::u16string& guest) {
  std::optional<std::u16string> name =
      platform::ui().input_box(kSignaturePrompt, kSignatureTitle, u"");
  // The guest who cancels or writes nothing has not signed; nothing is kept.
  if (!name || trim_spaces(*name).empty()) return false;
  return call_flag("/api/signatures", std::string("{\"kind\":\"") + kind +
                                          "\",\"guest\":" + json_string(guest) +
                                          ",\"name\":" + json_string(*name) + "}");
}

}  // namespace

std::u16string ServidorFacturacion::EmitirPrefactura(int32_t branch, int32_t folio,
                                                     std::shared_ptr<DocumentoFactura> document) {
  return call_text("/api/preinvoices", "{\"branch\":" + std::to_string(branch) +
                                           ",\"folio\":" + std::to_string(folio) +
                                           ",\"document\":" + required(document).to_json() + "}");
}

std::u16string ServidorFacturacion::EmitirFactura(int32_t branch, int32_t folio,
                                                  std::shared_ptr<DocumentoFactura> document) {
  return call_text("/api/invoices", "{\"branch\":" + std::to_string(branch) +
                                        ",\"folio\":" + std::to_string(folio) +
                                        ",\"document\":" + required(document).to_json() + "}");
}

bool ServidorFacturacion::EnviarComprobante(int16_t branch, int16_t series, std::u16string folio) {
  return call_flag("/api/documents/send", reference(branch, series, folio));
}

std::u16string ServidorFacturacion::MostrarComprobante(int16_t branch, int16_t series,
                                                       std::u16string folio) {
  std::string pdf = call("/api/documents/pdf", reference(branch, series, folio));
  return show(pdf,
              "comprobante-" + std::to_string(branch) + "-" + std::to_string(series) + "-" +
                  file_part(folio) + ".pdf",
              u"Comprobante");
}

std::u16string ServidorFacturacion::ObtenerXMLComprobante(int16_t branch, int16_t series,
                                                          std::u16string folio) {
  return call_text("/api/documents/xml", reference(branch, series, folio));
}

std::u16string ServidorFacturacion::ObtenerUUIDComprobante(int16_t branch, int16_t series,
                                                           std::u16string folio) {
  return call_text("/api/documents/uuid", reference(branch, series, folio));
}

std::u16string ServidorFacturacion::ObtenerGrupo(int32_t group, std::u16string name,
                                                 std::u16string invoices) {
  return call_text("/api/groups", "{\"id\":" + std::to_string(group) +
                                      ",\"name\":" + json_string(name) +
                                      ",\"invoices\":" + json_string(invoices) + "}");
}

bool ServidorFacturacion::CancelarComprobante(int16_t branch, int16_t series,
                                              std::u16string folio) {
  return call_flag("/api/documents/cancel", reference(branch, series, folio));
}

std::u16string ServidorFacturacion::ListarSucursales() {
  return call_text("/api/lists/branches", "{}");
}

std::u16string ServidorFacturacion::ListarFolioSeries() {
  return call_text("/api/lists/series", "{}");
}

std::u16string ServidorFacturacion::ListarPeriodicidadesSAT() {
  return call_text("/api/lists/periodicities", "{}");
}

// This server issues CFDI 4.0 only; the answer needs no connection.
bool ServidorFacturacion::ConsultarCFDIV4() {
  return true;
}

int32_t ServidorFacturacion::Conectar(std::u16string location, std::u16string user,
                                      std::u16string password) {
  std::u16string url = trim_spaces(location);
  if (url.empty()) {
    const char* configured = std::getenv("HALVORA_EINVOICE_URL");
    url = configured ? trim_spaces(utf8_to_utf16(configured)) : u"";
  }
  while (!url.empty() && url.back() == u'/') url.pop_back();
  if (!url.starts_with(u"http://") && !url.starts_with(u"https://")) return kNoServer;
  std::string reply;
  int32_t status = post_without_session(
      url + u"/api/session",
      "{\"user\":" + json_string(user) + ",\"password\":" + json_string(password) + "}", reply);
  if (status == 401) return kWrongCredentials;
  if (status == 423) {
    Reply r;
    read_reply(reply, r);
    throw Error(err::kLocked, r["error"].text.empty() ? u"the user is locked" : r["error"].text,
                kSource);
  }
  Reply r;
  // Anything but a session from an e-invoicing server: nobody of ours answers there.
  if (status != 200 || !read_reply(reply, r) || r["token"].kind != ReplyValue::Text ||
      r["token"].text.empty())
    return kNoServer;
  session() = {url, utf16_to_utf8(r["token"].text)};
  return kConnected;
}

bool ServidorFacturacion::EnviarCorreo(std::shared_ptr<MensajeCorreo> message) {
  return call_flag("/api/mail", "{\"message\":" + required(message).fields_json() + "}");
}

int32_t ServidorFacturacion::GuardarEstadoCuenta(std::shared_ptr<EstadoCuenta> statement) {
  return call_number("/api/statements", "{\"statement\":" + required(statement).to_json() + "}");
}

int32_t ServidorFacturacion::GuardarRegistro(std::shared_ptr<RegistroHuesped> registration) {
  return call_number("/api/registrations",
                     "{\"registration\":" + required(registration).to_json() + "}");
}

bool ServidorFacturacion::CapturarFirmaRegistro(std::u16string guest) {
  return capture_signature("registro", guest);
}

bool ServidorFacturacion::CapturarFirmaEstadoCuenta(std::u16string guest) {
  return capture_signature("estado", guest);
}

std::u16string ServidorFacturacion::ReporteRegistro(std::u16string guest) {
  std::string pdf = call("/api/reports/registration", "{\"guest\":" + json_string(guest) + "}");
  return show(pdf, "registro-" + file_part(guest) + ".pdf", u"Registro del huésped");
}

std::u16string ServidorFacturacion::ReporteEstadoCuenta(std::u16string guest, int16_t folio) {
  std::string pdf = call("/api/reports/statement", "{\"guest\":" + json_string(guest) +
                                                       ",\"folio\":" + std::to_string(folio) + "}");
  return show(pdf, "estado-" + file_part(guest) + "-" + std::to_string(folio) + ".pdf",
              u"Estado de cuenta");
}

bool ServidorFacturacion::ValidarDineroElectronico(std::shared_ptr<DocumentoFactura> document) {
  return call_flag("/api/wallet/validate", "{\"document\":" + required(document).to_json() + "}");
}

std::u16string ServidorFacturacion::ConsultarDineroElectronico(
    std::shared_ptr<DocumentoFactura> document) {
  return call_text("/api/wallet/consult", "{\"document\":" + required(document).to_json() + "}");
}

bool ServidorFacturacion::CancelarConsumoDineroElectronico(int32_t document, double points) {
  return call_flag("/api/wallet/cancel", "{\"document\":" + std::to_string(document) +
                                             ",\"points\":" + json_number(points) + "}");
}

std::u16string ServidorFacturacion::LeerCresfact06(std::u16string control, int16_t series) {
  return call_text("/api/control", "{\"control\":" + json_string(control) +
                                       ",\"series\":" + std::to_string(series) + "}");
}

void ServidorFacturacion::assign_default(const Variant& value) {
  if (!value.is_null()) Object::assign_default(value);
}

const MemberTable& ServidorFacturacion::member_table() {
  using C = ServidorFacturacion;
  static const MemberTable table{
      method<&C::EmitirPrefactura>(u"EmitirPrefactura", {u"Sucursal", u"Folio", u"Documento"}),
      method<&C::EmitirFactura>(u"EmitirFactura", {u"Sucursal", u"Folio", u"Documento"}),
      method<&C::EnviarComprobante>(u"EnviarComprobante", {u"Sucursal", u"Serie", u"Folio"}),
      method<&C::MostrarComprobante>(u"MostrarComprobante", {u"Sucursal", u"Serie", u"Folio"}),
      method<&C::ObtenerXMLComprobante>(u"ObtenerXMLComprobante",
                                        {u"Sucursal", u"Serie", u"Folio"}),
      method<&C::ObtenerUUIDComprobante>(u"ObtenerUUIDComprobante",
                                         {u"Sucursal", u"Serie", u"Folio"}),
      method<&C::ObtenerGrupo>(u"ObtenerGrupo", {u"IdGrupo", u"NombreGrupo", u"CadenaFacturas"}),
      method<&C::CancelarComprobante>(u"CancelarComprobante", {u"Sucursal", u"Serie", u"Folio"}),
      method<&C::ListarSucursales>(u"ListarSucursales"),
      method<&C::ListarFolioSeries>(u"ListarFolioSeries"),
      method<&C::ListarPeriodicidadesSAT>(u"ListarPeriodicidadesSAT"),
      method<&C::ConsultarCFDIV4>(u"ConsultarCFDIV4"),
      method<&C::Conectar>(u"Conectar", {u"Ubicacion", u"Usuario", u"Contrasena"}),
      method<&C::EnviarCorreo>(u"EnviarCorreo", {u"Mensaje"}),
      method<&C::GuardarEstadoCuenta>(u"GuardarEstadoCuenta", {u"EstadoCuenta"}),
      method<&C::GuardarRegistro>(u"GuardarRegistro", {u"Registro"}),
      method<&C::CapturarFirmaRegistro>(u"CapturarFirmaRegistro", {u"NumHuesped"}),
      method<&C::CapturarFirmaEstadoCuenta>(u"CapturarFirmaEstadoCuenta", {u"NumHuesped"}),
      method<&C::ReporteRegistro>(u"ReporteRegistro", {u"NumHuesped"}),
      method<&C::ReporteEstadoCuenta>(u"ReporteEstadoCuenta", {u"NumHuesped", u"FolioCuenta"}),
      method<&C::ValidarDineroElectronico>(u"ValidarDineroElectronico", {u"Documento"}),
      method<&C::ConsultarDineroElectronico>(u"ConsultarDineroElectronico", {u"Documento"}),
      method<&C::CancelarConsumoDineroElectronico>(u"CancelarConsumoDineroElectronico",
                                                   {u"NumDocumento", u"Puntos"}),
      method<&C::LeerCresfact06>(u"LeerCresfact06", {u"NumControl", u"SerieFol"}),
  };
  return table;
}

ObjectRef create_component(std::u16string_view class_name) {
  if (iequals(class_name, u"ServidorFacturacion")) return std::make_shared<ServidorFacturacion>();
  return create_record(class_name);
}

}  // namespace halvora::einvoice
