#include "einvoice/service.h"

#include <cmath>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <set>

#include "einvoice/api_error.h"
#include "einvoice/catalogs.h"
#include "einvoice/files.h"
#include "einvoice/invoice.h"
#include "einvoice/mail.h"
#include "einvoice/pdf.h"
#include "einvoice/wallet.h"

namespace halvora::einvoice {

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

constexpr char kDocumentsFolder[] = "documents";
constexpr char kReportsFolder[] = "reports";
constexpr char kOutboxFolder[] = "outbox";

int64_t now_seconds() {
  return static_cast<int64_t>(std::time(nullptr));
}

std::string format_time(const char* format, std::time_t t) {
  std::tm tm{};
  localtime_r(&t, &tm);
  char buffer[64];
  std::strftime(buffer, sizeof buffer, format, &tm);
  return buffer;
}

// A crash on purpose at a named point of an emission, for the tests of what survives one
// (HALVORA_EINVOICE_FAULT=after-files, before-commit or after-commit).
void fault_point(const char* name) {
  const char* wanted = std::getenv("HALVORA_EINVOICE_FAULT");
  if (wanted && std::string(wanted) == name) std::_Exit(86);
}

[[noreturn]] void refuse(int status, const std::string& message) {
  throw ApiError(status, message);
}

std::string text_field(const json& fields, const char* name) {
  auto it = fields.find(name);
  return it != fields.end() && it->is_string() ? it->get<std::string>() : std::string();
}

double number_field(const json& fields, const char* name) {
  auto it = fields.find(name);
  return it != fields.end() && it->is_number() ? it->get<double>() : 0;
}

// A value of a guest document as the reports print it; empty for an unset one.
std::string printable(const json& v) {
  if (v.is_string()) {
    std::string s = v.get<std::string>();
    // Dates come as "YYYY-MM-DDThh:mm:ss"; the day zero of the platform is no date at all.
    if (s.size() == 19 && s[4] == '-' && s[10] == 'T') {
      if (s.starts_with("1899-12-30")) return s.substr(11) == "00:00:00" ? "" : s.substr(11);
      return s.substr(11) == "00:00:00" ? s.substr(0, 10) : s.substr(0, 10) + " " + s.substr(11);
    }
    return s;
  }
  if (v.is_boolean()) return v.get<bool>() ? "Sí" : "";
  if (v.is_number()) {
    double d = v.get<double>();
    if (d == 0) return "";
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.15g", d);
    return buffer;
  }
  return "";
}

const json& object_member(const json& body, const char* name) {
  auto it = body.find(name);
  if (it == body.end() || !it->is_object())
    refuse(status::kBadRequest, std::string(name) + " must be an object");
  return *it;
}

std::string guest_key(const std::string& guest) {
  std::size_t a = guest.find_first_not_of(' ');
  if (a == std::string::npos) refuse(status::kRefused, "the guest number is empty");
  return guest.substr(a, guest.find_last_not_of(' ') - a + 1);
}

}  // namespace

const std::vector<SettingInfo>& setting_keys() {
  static const std::vector<SettingInfo> keys{
      {"issuer_rfc", "", "the issuer's tax id (set by init)"},
      {"issuer_name", "", "the issuer's name as registered (set by init)"},
      {"issuer_regime", "601", "the issuer's fiscal regime"},
      {"provider_rfc", "STL010101AA1", "the stamping provider's tax id in the stamps"},
      {"smtp_url", "", "the mail relay, smtp://host:port (empty: mail stays in outbox/)"},
      {"smtp_user", "", "the relay's user"},
      {"smtp_password", "", "the relay's password"},
      {"mail_from", "facturacion@localhost", "the sender of invoices and of messages without one"},
      {"wallet_url", "", "the wallet service, http://host:port/path.asmx"},
      {"wallet_namespace", "http://tempuri.org/", "the wallet service's namespace"},
      {"lockout_attempts", "3", "wrong passwords in a row that lock a user"},
      {"lockout_seconds", "300", "how long a locked user waits"},
      {"session_idle_seconds", "43200", "how long an unused session lasts"},
  };
  return keys;
}

std::string local_timestamp() {
  return format_time("%Y-%m-%dT%H:%M:%S", std::time(nullptr));
}

Service::Service(const std::string& folder)
    : folder_(folder), store_((fs::path(folder) / "einvoice.db").string(), false) {
  store_.create_schema();
  fs::path keys = fs::path(folder) / "keys";
  seal_signer_ = load_identity((keys / "csd.key.pem").string(), (keys / "csd.cer").string());
  stamp_signer_ = load_identity((keys / "stamp.key.pem").string(), (keys / "stamp.cer").string());
  for (const char* sub : {kDocumentsFolder, kReportsFolder, kOutboxFolder})
    fs::create_directories(fs::path(folder) / sub);
  // A crash between writing a document's files and committing its row leaves files that no row
  // names: the document is absent, and so must its files be.
  sweep(folder, kDocumentsFolder, store_.document_files());
}

Issuer Service::issuer() {
  return {store_.setting("issuer_rfc"), store_.setting("issuer_name"),
          store_.setting("issuer_regime", "601")};
}

std::string Service::login(const std::string& user, const std::string& password) {
  int64_t now = now_seconds(), locked_until = 0;
  store_.failures(user, &locked_until);
  if (locked_until > now)
    refuse(status::kLocked, "the user " + user + " is locked after " +
                                store_.setting("lockout_attempts", "3") +
                                " wrong passwords; try again after " +
                                format_time("%H:%M:%S", static_cast<std::time_t>(locked_until)));
  std::optional<std::string> hash = store_.user_hash(user);
  if (!hash) {
    burn_password_time(password);
    refuse(status::kUnauthorized, "unknown user or wrong password");
  }
  if (!verify_password(password, *hash)) {
    store_.record_failure(user,
                          std::max(1, std::atoi(store_.setting("lockout_attempts", "3").c_str())),
                          std::atoll(store_.setting("lockout_seconds", "300").c_str()), now);
    refuse(status::kUnauthorized, "unknown user or wrong password");
  }
  store_.clear_failures(user);
  std::string token = random_token();
  store_.add_session(sha256_hex(token), user, now);
  return token;
}

std::string Service::authenticate(const std::string& token) {
  if (token.empty()) refuse(status::kUnauthorized, "no session: connect first");
  std::optional<std::string> user =
      store_.session_user(sha256_hex(token), now_seconds(),
                          std::atoll(store_.setting("session_idle_seconds", "43200").c_str()));
  if (!user)
    refuse(status::kUnauthorized, "the session has expired or does not exist: connect again");
  return *user;
}

std::string Service::branches_text() {
  std::string out;
  for (const Branch& b : store_.branches())
    out += (out.empty() ? "" : "|") + std::to_string(b.number) + " " + b.name;
  return out;
}

std::string Service::series_text() {
  std::string out;
  for (const Series& s : store_.series())
    out += (out.empty() ? "" : "|") + std::to_string(s.id) + " " + s.serie + " " +
           (s.kind == "factura" ? "Facturas" : "Prefacturas") + " sucursal " +
           std::to_string(s.branch);
  return out;
}

std::string Service::periodicities_text() {
  std::string out;
  for (const CatalogEntry& e : periodicities())
    out += (out.empty() ? "" : "|") + std::string(e.code) + " " + std::string(e.name);
  return out;
}

std::string Service::result_text(const DocumentRow& r) {
  return std::to_string(r.branch) + "|" + std::to_string(r.series) + "|" + std::to_string(r.folio) +
         "|" + r.uuid + "|" + money(r.total) + "|" + r.status + "|" + r.serie + "|" + r.issued_at +
         "|" + std::to_string(r.id);
}

std::string Service::emit(int branch_number, int64_t folio, const json& document, bool pre) {
  Invoice invoice = read_invoice(document);
  std::optional<Branch> branch = store_.branch(branch_number);
  if (!branch)
    refuse(status::kRefused, "branch " + std::to_string(branch_number) +
                                 " does not exist (ListarSucursales lists them)");
  check_invoice(invoice, branch->postcode);
  if (folio < 0) refuse(status::kRefused, "the folio may not be negative (0 takes the next one)");

  std::optional<Series> series = store_.series_of(branch_number, pre ? "prefactura" : "factura");
  if (!series)
    refuse(status::kRefused, "branch " + std::to_string(branch_number) + " has no folio series");
  // The folio is taken under the lock and held while the document is made, so that emissions
  // from several workstations seal and print at once and still never share a folio.
  int64_t number = 0;
  {
    std::lock_guard lock(emission_);
    std::optional<Series> fresh = store_.series_by_id(series->id);
    int64_t next = fresh ? fresh->next_folio : 1;
    for (const auto& [id, taken] : in_flight_)
      if (id == series->id) next = std::max(next, taken + 1);
    // A pre-invoice is not numbered fiscally: it always takes its own series' next number.
    number = pre || folio == 0 ? next : folio;
    if (in_flight_.count({series->id, number}) || store_.folio_taken(series->id, number))
      refuse(status::kConflict, "folio " + std::to_string(number) + " of series " + series->serie +
                                    " was issued already");
    in_flight_.insert({series->id, number});
  }
  struct Release {
    Service* self;
    std::pair<int, int64_t> key;
    ~Release() {
      std::lock_guard lock(self->emission_);
      self->in_flight_.erase(key);
    }
  } release{this, {series->id, number}};

  DocumentRow row;
  row.kind = pre ? "prefactura" : "factura";
  row.branch = branch_number;
  row.series = series->id;
  row.serie = series->serie;
  row.folio = number;
  row.issued_at = local_timestamp();
  row.total = invoice.grand_total;
  row.status = pre ? "Prefactura" : "Vigente";
  row.receiver_rfc = invoice.rfc;
  row.receiver_name = invoice.name;
  row.email = invoice.email;
  row.control_number = invoice.control_number;
  row.payment_form = invoice.payment_form;
  row.card = invoice.payment_account;
  row.document = document.dump();
  std::string base = file_safe(series->serie) + "-" + std::to_string(number);
  std::string xml;
  if (!pre) {
    Cfdi cfdi = issue_cfdi(
        invoice, issuer(), {series->serie, number, branch->postcode, row.issued_at}, seal_signer_,
        stamp_signer_, store_.setting("provider_rfc", "STL010101AA1"), local_timestamp());
    xml = std::move(cfdi.xml);
    row.uuid = cfdi.stamp.uuid;
    row.stamped_at = cfdi.stamp.stamped_at;
    row.seal = cfdi.seal;
    row.stamp_seal = cfdi.stamp.seal;
    row.certificate_number = cfdi.certificate_number;
    row.stamp_certificate_number = cfdi.stamp.certificate_number;
    row.provider_rfc = cfdi.stamp.provider_rfc;
    row.stamp_original = cfdi.stamp_original;
    row.xml_file = std::string(kDocumentsFolder) + "/" + base + ".xml";
  }
  row.pdf_file = std::string(kDocumentsFolder) + "/" + base + ".pdf";
  std::string pdf = render(row);

  // Paid from a wallet card: the charge is made before the document is kept, and taken back if
  // keeping it fails.
  WalletService wallet{store_.setting("wallet_url"),
                       store_.setting("wallet_namespace", "http://tempuri.org/"),
                       store_.setting("issuer_rfc")};
  bool charged = false;
  if (!pre && invoice.payment_form == "05") {
    double amount = static_cast<double>(invoice.grand_total) / 100.0;
    int code = wallet_charge(wallet, invoice.payment_account, std::to_string(branch_number),
                             static_cast<double>(number), amount);
    if (code != 0)
      refuse(status::kRefused, "the wallet refused to charge " + money(invoice.grand_total) +
                                   " to card " + invoice.payment_account + " (code " +
                                   std::to_string(code) +
                                   (code == 1   ? ": unknown card)"
                                    : code == 2 ? ": insufficient balance)"
                                                : ")"));
    charged = true;
    row.wallet_charged = invoice.grand_total;
  }
  try {
    // One flush of the folder, after the second rename, covers both files.
    if (!xml.empty()) write_atomically((fs::path(folder_) / row.xml_file).string(), xml, false);
    write_atomically((fs::path(folder_) / row.pdf_file).string(), pdf);
    fault_point("after-files");
    store_.insert_document(row, [] { fault_point("before-commit"); });
  } catch (...) {
    std::error_code ec;
    if (!row.xml_file.empty()) fs::remove(fs::path(folder_) / row.xml_file, ec);
    fs::remove(fs::path(folder_) / row.pdf_file, ec);
    if (charged)
      wallet_credit(wallet, invoice.payment_account, std::to_string(branch_number),
                    static_cast<double>(number), static_cast<double>(invoice.grand_total) / 100.0);
    throw;
  }
  fault_point("after-commit");
  return result_text(row);
}

std::string Service::render(const DocumentRow& row) {
  Invoice invoice = read_invoice(json::parse(row.document));
  std::optional<Branch> branch = store_.branch(row.branch);
  check_invoice(invoice, branch ? branch->postcode : "");
  PrintedInvoice p;
  p.issuer = issuer();
  p.branch = branch.value_or(Branch{row.branch, "", ""});
  p.invoice = &invoice;
  p.serie = row.serie;
  p.folio = row.folio;
  p.date = row.issued_at;
  p.pre_invoice = row.kind == "prefactura";
  p.cancelled = row.status == "Cancelado";
  p.cancelled_at = row.cancelled_at;
  p.seal = row.seal;
  p.certificate_number = row.certificate_number;
  p.stamp = {
      row.uuid,      row.stamped_at, row.provider_rfc, row.seal, row.stamp_certificate_number,
      row.stamp_seal};
  p.stamp_original = row.stamp_original;
  if (!p.pre_invoice)
    p.qr_url = verification_url(row.uuid, p.issuer.rfc, row.receiver_rfc, row.total, row.seal);
  return render_invoice(p);
}

DocumentRow Service::find(const Reference& ref) {
  std::optional<DocumentRow> row = store_.document(ref.branch, ref.series, ref.folio);
  if (!row)
    refuse(status::kNotFound, "no document " + std::to_string(ref.branch) + "|" +
                                  std::to_string(ref.series) + "|" + ref.folio);
  return *row;
}

std::string Service::xml(const Reference& ref) {
  DocumentRow row = find(ref);
  // A pre-invoice has no CFDI behind it.
  return row.xml_file.empty() ? std::string()
                              : read_whole((fs::path(folder_) / row.xml_file).string());
}

std::string Service::uuid(const Reference& ref) {
  return find(ref).uuid;
}

std::string Service::pdf(const Reference& ref, std::string& name) {
  DocumentRow row = find(ref);
  name = fs::path(row.pdf_file).filename().string();
  return read_whole((fs::path(folder_) / row.pdf_file).string());
}

void Service::cancel(const Reference& ref) {
  std::lock_guard lock(changes_);
  DocumentRow row = find(ref);
  if (row.kind == "prefactura")
    refuse(status::kConflict, "a pre-invoice has no fiscal value and cannot be cancelled");
  if (row.status == "Cancelado")
    refuse(status::kConflict, "the document " + row.serie + " " + std::to_string(row.folio) +
                                  " was cancelled on " + row.cancelled_at);
  // The acknowledgment the provider keeps: who, what, why and when, sealed with its key.
  std::string at = local_timestamp();
  std::string body = "||" + issuer().rfc + "|" + row.uuid + "|02|" + at + "|Cancelado||";
  std::string ack = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<AcuseCancelacion Fecha=\"" + at +
                    "\" RfcEmisor=\"" + issuer().rfc + "\" UUID=\"" + row.uuid +
                    "\" Motivo=\"02\" Estatus=\"Cancelado\" NoCertificadoSAT=\"" +
                    stamp_signer_.certificate_number + "\" CadenaOriginal=\"" + body +
                    "\" SelloSAT=\"" + seal(stamp_signer_, body) + "\"/>\n";
  std::string ack_file = std::string(kDocumentsFolder) + "/" + file_safe(row.serie) + "-" +
                         std::to_string(row.folio) + "-acuse.xml";
  write_atomically((fs::path(folder_) / ack_file).string(), ack);
  store_.mark_cancelled(row.id, at, ack_file);
  row.status = "Cancelado";
  row.cancelled_at = at;
  // The printed document says so from now on.
  write_atomically((fs::path(folder_) / row.pdf_file).string(), render(row));
}

std::string Service::mail_from() {
  return store_.setting("mail_from", "facturacion@localhost");
}

bool Service::deliver(const MailMessage& message) {
  std::string id = random_token().substr(0, 20) + "@halvora-einvoice";
  std::string data =
      compose_mail(message, format_time("%a, %d %b %Y %H:%M:%S %z", std::time(nullptr)), id);
  std::string name = format_time("%Y%m%d-%H%M%S-", std::time(nullptr)) + id.substr(0, 12) + ".eml";
  write_atomically((fs::path(folder_) / kOutboxFolder / name).string(), data);
  SmtpRelay relay{store_.setting("smtp_url"), store_.setting("smtp_user"),
                  store_.setting("smtp_password")};
  if (relay.url.empty()) return false;
  std::string error;
  return send_mail(relay, message.from, message.to, data, error);
}

bool Service::send(const Reference& ref) {
  DocumentRow row = find(ref);
  std::vector<std::string> to = mail_addresses(row.email);
  if (to.empty())
    refuse(status::kRefused, "the document " + row.serie + " " + std::to_string(row.folio) +
                                 " has no e-mail address (Email)");
  Issuer who = issuer();
  MailMessage m;
  m.from_name = who.name;
  m.from = mail_from();
  m.to = to;
  bool pre = row.kind == "prefactura";
  std::string number = pre ? "prefactura " + std::to_string(row.folio)
                           : "factura " + row.serie + " " + std::to_string(row.folio);
  m.subject = (pre ? "Prefactura " : "Factura ") + std::string(pre ? "" : row.serie + " ") +
              std::to_string(row.folio) + " de " + who.name;
  m.body = "Estimado(a) " + row.receiver_name + ":\n\nLe enviamos su " + number +
           " por un total de $" + money(row.total) + " MXN" +
           (pre ? ". Una prefactura no tiene valor fiscal.\n"
                : ", folio fiscal " + row.uuid +
                      ".\n\nAdjuntamos el CFDI (XML) y su representación impresa (PDF).\n") +
           "\nAtentamente,\n" + who.name + "\n";
  std::string base = pre ? "prefactura-" + std::to_string(row.folio)
                         : who.rfc + "-" + file_safe(row.serie) + "-" + std::to_string(row.folio);
  if (!pre)
    m.attachments.push_back({base + ".xml", "application/xml",
                             read_whole((fs::path(folder_) / row.xml_file).string())});
  m.attachments.push_back(
      {base + ".pdf", "application/pdf", read_whole((fs::path(folder_) / row.pdf_file).string())});
  return deliver(m);
}

bool Service::mail(const json& message) {
  MailMessage m;
  m.from_name = text_field(message, "Nombre");
  std::string from = text_field(message, "De");
  m.subject = text_field(message, "Asunto");
  m.body = text_field(message, "Cuerpo");
  if (!header_safe(m.from_name) || !header_safe(m.subject))
    refuse(status::kRefused, "the name and the subject must be one line each");
  m.to = mail_addresses(text_field(message, "Para"));
  if (m.to.empty()) refuse(status::kRefused, "the message has no recipient (Para)");
  std::vector<std::string> senders = mail_addresses(from);
  if (senders.size() > 1) refuse(status::kRefused, "the message has more than one sender (De)");
  m.from = senders.empty() ? mail_from() : senders.front();
  return deliver(m);
}

int64_t Service::save_statement(const json& statement) {
  const json& fields = object_member(statement, "fields");
  auto movements = statement.find("movements");
  if (movements == statement.end() || !movements->is_array())
    refuse(status::kBadRequest, "movements must be a list");
  std::string guest = guest_key(text_field(fields, "NoControl"));
  int folio = static_cast<int>(number_field(fields, "FolioCuenta"));
  return store_.add_statement(guest, folio, statement.dump(), local_timestamp());
}

int64_t Service::save_registration(const json& registration) {
  const json& fields = object_member(registration, "fields");
  std::string guest = text_field(fields, "NumeroHuesped");
  if (guest.find_first_not_of(' ') == std::string::npos && number_field(fields, "NUMHUESDA") != 0) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.15g", number_field(fields, "NUMHUESDA"));
    guest = buffer;
  }
  return store_.add_registration(guest_key(guest), registration.dump(), local_timestamp());
}

void Service::sign(const std::string& kind, const std::string& guest, const std::string& name) {
  if (kind != "registro" && kind != "estado")
    refuse(status::kBadRequest, "a signature is for a \"registro\" or an \"estado\"");
  if (name.find_first_not_of(' ') == std::string::npos)
    refuse(status::kRefused, "the signature is empty");
  store_.add_signature(kind, guest_key(guest), name, local_timestamp());
}

std::string Service::statement_pdf(const std::string& guest_text, int folio, std::string& name) {
  std::string guest = guest_key(guest_text);
  std::optional<std::string> saved = store_.statement(guest, folio);
  if (!saved)
    refuse(status::kNotFound, "no statement of guest " + guest +
                                  (folio ? " with folio " + std::to_string(folio) : std::string()));
  json statement = json::parse(*saved);
  PrintedStatement s;
  s.issuer = issuer();
  s.guest = guest;
  static const std::pair<const char*, const char*> labels[] = {
      {"NombreHuesped", "Huésped"},
      {"NumHab", "Habitación"},
      {"FhaEntrada", "Llegada"},
      {"FhaSalida", "Salida"},
      {"NoControl", "Número de control"},
      {"FolioCuenta", "Folio de cuenta"},
      {"Adultos", "Adultos"},
      {"Ninos", "Niños"},
      {"RFC", "RFC"},
      {"RazonSocial", "Razón social"},
      {"Calle", "Calle"},
      {"NumExt", "Número exterior"},
      {"NumInt", "Número interior"},
      {"Colonia", "Colonia"},
      {"Ciudad", "Ciudad"},
      {"Delegacion", "Delegación o municipio"},
      {"Estado", "Estado"},
      {"Pais", "País"},
      {"CodigoPostal", "Código postal"},
      {"FolioFiscal", "Folio fiscal"},
      {"Email", "Correo"},
      {"MetodoPago", "Método de pago"},
      {"FormaPago", "Forma de pago"},
      {"CondPago", "Condiciones de pago"},
      {"CuentaPago", "Cuenta de pago"},
      {"IATA", "IATA"},
  };
  const json& fields = statement["fields"];
  for (const auto& [member, label] : labels) {
    auto it = fields.find(member);
    if (it == fields.end()) continue;
    std::string value = printable(*it);
    if (!value.empty()) s.header.push_back({label, value});
  }
  for (const json& m : statement["movements"]) {
    s.movements.push_back({printable(m.value("FhaMovimiento", json())), text_field(m, "HoraMvto"),
                           text_field(m, "DescripcionMvto"), text_field(m, "Referencia"),
                           to_cents(number_field(m, "CargoMonto")),
                           to_cents(number_field(m, "CreditoMonto"))});
  }
  if (std::optional<Signature> sig = store_.signature("estado", guest)) {
    s.signer = sig->name;
    s.signed_at = sig->signed_at;
  }
  std::string pdf = render_statement(s);
  name = "estado-" + file_safe(guest) + ".pdf";
  write_atomically((fs::path(folder_) / kReportsFolder / name).string(), pdf);
  return pdf;
}

std::string Service::registration_pdf(const std::string& guest_text, std::string& name) {
  std::string guest = guest_key(guest_text);
  std::optional<std::string> saved = store_.registration(guest);
  if (!saved) refuse(status::kNotFound, "no registration of guest " + guest);
  json registration = json::parse(*saved);
  PrintedRegistration r;
  r.issuer = issuer();
  r.guest = guest;
  static const std::pair<const char*, const char*> labels[] = {
      {"Nombre", "Nombre"},
      {"ApellidoPaterno", "Apellido"},
      {"NumeroHuesped", "Número de huésped"},
      {"NumeroReserva", "Reservación"},
      {"FechaEntrada", "Llegada"},
      {"FechaSalida", "Salida"},
      {"NumeroHabitacion", "Habitación"},
      {"TipoHabilitacion", "Tipo de habitación"},
      {"Tarifa", "Tarifa"},
      {"Adultos", "Adultos"},
      {"Ninos", "Niños"},
      {"Direccion", "Dirección"},
      {"Ciudad", "Ciudad"},
      {"CodigoPostal", "Código postal"},
      {"Pais", "País"},
      {"Telefono", "Teléfono"},
      {"Email", "Correo"},
      {"Empresa", "Empresa"},
      {"RFC", "RFC"},
  };
  const json& fields = registration["fields"];
  std::set<std::string> shown;
  for (const auto& [member, label] : labels) {
    shown.insert(member);
    auto it = fields.find(member);
    std::string value = it == fields.end() ? "" : printable(*it);
    r.main.push_back({label, value});
  }
  // Every other member that holds something, by its name: the card keeps all the guest gave.
  for (const auto& [member, value] : fields.items()) {
    if (shown.count(member)) continue;
    std::string text = printable(value);
    if (!text.empty()) r.other.push_back({member, text});
  }
  if (std::optional<Signature> sig = store_.signature("registro", guest)) {
    r.signer = sig->name;
    r.signed_at = sig->signed_at;
  }
  std::string pdf = render_registration(r);
  name = "registro-" + file_safe(guest) + ".pdf";
  write_atomically((fs::path(folder_) / kReportsFolder / name).string(), pdf);
  return pdf;
}

std::string Service::group(int64_t id, const std::string& name, const std::string& invoices) {
  if (id < 0) refuse(status::kRefused, "a group number may not be negative");
  bool saving = name.find_first_not_of(' ') != std::string::npos ||
                invoices.find_first_not_of(' ') != std::string::npos;
  std::string group_name = name, list = invoices;
  if (saving) {
    check_no_bar(name, "the group name");
    check_no_bar(invoices, "the invoice list");
  } else {
    std::optional<std::pair<std::string, std::string>> stored = store_.group(id);
    if (!stored) refuse(status::kNotFound, "no group " + std::to_string(id));
    group_name = stored->first;
    list = stored->second;
  }
  // Each item is a folio fiscal (UUID) or a serie and folio ("A15", "A-15").
  std::vector<DocumentRow> all = store_.documents();
  int count = 0;
  Cents total = 0;
  std::vector<std::string> missing;
  std::size_t start = 0;
  while (start <= list.size()) {
    std::size_t end = list.find_first_of(",;", start);
    if (end == std::string::npos) end = list.size();
    std::string item = list.substr(start, end - start);
    start = end + 1;
    std::size_t a = item.find_first_not_of(' ');
    if (a == std::string::npos) continue;
    item = item.substr(a, item.find_last_not_of(' ') - a + 1);
    const DocumentRow* found = nullptr;
    for (const DocumentRow& d : all) {
      std::string plain = d.serie + std::to_string(d.folio),
                  dashed = d.serie + "-" + std::to_string(d.folio);
      if (d.kind == "factura" && (item == d.uuid || item == plain || item == dashed)) found = &d;
    }
    if (!found) {
      missing.push_back(item);
      continue;
    }
    ++count;
    if (found->status != "Cancelado") total += found->total;
  }
  if (!missing.empty()) {
    std::string text;
    for (const std::string& m : missing) text += (text.empty() ? "" : ", ") + m;
    refuse(status::kNotFound, "the group names invoices that do not exist: " + text);
  }
  if (saving) id = store_.save_group(id, group_name, list);
  return std::to_string(id) + "|" + group_name + "|" + std::to_string(count) + "|" + money(total) +
         "|" + list;
}

std::string Service::by_control(const std::string& control, int series) {
  if (control.find_first_not_of(' ') == std::string::npos) return {};
  std::optional<DocumentRow> row = store_.document_by_control(control, series);
  return row ? result_text(*row) : std::string();
}

bool Service::wallet_validate(const json& document) {
  Invoice invoice = read_invoice(document);
  std::string form;
  for (const std::string* text : {&invoice.payment_form_text, &invoice.payment_method_text})
    if (std::optional<PaymentReading> r = read_payment_text(*text); r && !r->form.empty())
      form = r->form;
  if (form != "05" || invoice.payment_account.find_first_not_of(' ') == std::string::npos)
    return false;
  WalletService wallet{store_.setting("wallet_url"),
                       store_.setting("wallet_namespace", "http://tempuri.org/"),
                       store_.setting("issuer_rfc")};
  return to_cents(wallet_balance(wallet, invoice.payment_account)) >= to_cents(invoice.total);
}

std::string Service::wallet_consult(const json& document) {
  Invoice invoice = read_invoice(document);
  if (invoice.payment_account.find_first_not_of(' ') == std::string::npos)
    refuse(status::kRefused, "NumCtaPago holds no wallet card");
  WalletService wallet{store_.setting("wallet_url"),
                       store_.setting("wallet_namespace", "http://tempuri.org/"),
                       store_.setting("issuer_rfc")};
  Cents balance = to_cents(wallet_balance(wallet, invoice.payment_account));
  Cents total = to_cents(invoice.total);
  return invoice.payment_account + "|" + money(balance) + "|" + money(total) + "|" +
         (balance >= total ? "1" : "0");
}

bool Service::wallet_cancel(int64_t number, double points) {
  std::lock_guard lock(changes_);
  std::optional<DocumentRow> row = store_.document_by_id(number);
  if (!row) refuse(status::kNotFound, "no document number " + std::to_string(number));
  if (row->wallet_charged == 0)
    refuse(status::kConflict,
           "the document number " + std::to_string(number) + " was not paid from a wallet card");
  Cents cents = to_cents(points);
  if (cents <= 0) refuse(status::kRefused, "the points to give back must be more than 0");
  if (cents > row->wallet_charged - row->wallet_credited)
    refuse(status::kConflict, "only " + money(row->wallet_charged - row->wallet_credited) +
                                  " of the consumption remain to give back");
  WalletService wallet{store_.setting("wallet_url"),
                       store_.setting("wallet_namespace", "http://tempuri.org/"),
                       store_.setting("issuer_rfc")};
  int code = wallet_credit(wallet, row->card, std::to_string(row->branch),
                           static_cast<double>(row->folio), static_cast<double>(cents) / 100.0);
  if (code != 0) return false;
  store_.add_wallet_credit(row->id, cents);
  return true;
}

}  // namespace halvora::einvoice
