#include "internet/frm_internet.h"

#include <array>
#include <new>
#include <stdexcept>

#include "automation/calendar.h"
#include "automation/conversions.h"
#include "automation/error.h"
#include "automation/text.h"
#include "platform/config.h"
#include "platform/ui.h"

namespace halvora {

namespace {

constexpr char16_t kTitle[] = u"Conexión a Internet";
constexpr char16_t kDefaultPort[] = u"9990";
constexpr int kTickMs = 1000;
constexpr int kMaxConnectionWait = 5;  // attempts 0..5: six one-tick waits
// One data event reads at most this much; the rest arrives as the next event.
constexpr std::size_t kMaxReadBytes = 16u << 10;

constexpr char16_t kReplyOpened[] = u"OK-ABD, OK-ART, OK-PRT, OK-UBD, OK-TICKET";
constexpr char16_t kReplyRemoved[] = u"++++";
constexpr char16_t kReplyNoAccess[] = u"Usuario No Existe!";
constexpr char16_t kReplyError[] = u"error";
constexpr std::array<std::u16string_view, 4> kReplies = {kReplyOpened, kReplyRemoved,
                                                         kReplyNoAccess, kReplyError};

class PlatformFormClock final : public FormClock {
 public:
  void pump(int max_wait_ms) override { platform::pump(max_wait_ms); }
  void run_own_events() override { platform::run_own_events(); }
  std::unique_ptr<platform::Timer> start_ticks(std::function<void()> on_tick) override {
    return platform::create_timer(kTickMs, std::move(on_tick));
  }
  Date now() override { return local_now(); }
};

// The deployment's gateway ("host" or "host:port"), split into the two fields the form starts
// with; without a port the gateway's usual one.
std::pair<std::u16string, std::u16string> default_gateway() {
  std::u16string address = config::gateway_host();
  std::size_t colon = address.rfind(u':');
  if (colon == std::u16string::npos || address.find(u':') != colon) return {address, kDefaultPort};
  return {address.substr(0, colon), address.substr(colon + 1)};
}

// The socket takes the port as a number: a text that is not one fails as an assignment of it
// would (13, or 6 past 32 bits), and a number that is no port is an invalid value.
uint16_t port_number(std::u16string_view text) {
  int32_t port = to_long(Variant(std::u16string(text)));
  if (port < 1 || port > 65535) throw Error::standard(err::kInvalidPropertyValue);
  return static_cast<uint16_t>(port);
}

std::u16string number_text(int64_t n) {
  return utf8_to_utf16(std::to_string(n));
}

bool may_grow_into_reply(std::u16string_view text) {
  for (std::u16string_view reply : kReplies)
    if (text.size() < reply.size() && reply.starts_with(text)) return true;
  return false;
}

}  // namespace

std::span<const std::u16string_view> GatewayReplies::known() {
  return kReplies;
}

std::optional<std::u16string> GatewayReplies::read(
    std::string_view bytes, const Command& command,
    const std::function<void(std::u16string_view)>& log) {
  std::u16string text = platform::from_system_code_page(bytes);
  log(u"Recibiendo datos: " + text);
  // A reply that the network split across two reads is still the reply.
  std::u16string joined = unmatched_ + text;
  std::u16string_view reply;
  for (std::u16string_view known : kReplies)
    if (text == known || joined == known) reply = known;
  if (reply.empty()) {
    unmatched_ = may_grow_into_reply(joined) ? joined : may_grow_into_reply(text) ? text : u"";
    return std::nullopt;
  }
  unmatched_.clear();
  std::u16string room(command.room);
  if (reply == kReplyOpened)
    return u"Se cargo a la habitación " + room + u" el internet de " +
           std::u16string(command.profile) + u" - " + std::u16string(command.duration);
  if (reply == kReplyRemoved) return u"Se cancelo el internet de la habitación " + room;
  if (reply == kReplyNoAccess) return u"La habitación " + room + u" no tiene internet.";
  return u"Ocurrió un error al intentar aplicar el internet en la habitación " + room;
}

std::unique_ptr<FormClock> platform_form_clock() {
  return std::make_unique<PlatformFormClock>();
}

FrmInternet::FrmInternet(std::unique_ptr<FormClock> clock) : clock_(std::move(clock)) {
  std::tie(host, port) = default_gateway();
  socket_ = platform::create_tcp_socket({
      .on_connect = [this] { on_connect(); },
      .on_data = [this] { on_data(); },
      .on_error = [this](int32_t, std::u16string) { on_error(); },
      .on_close = [this] { on_close(); },
  });
  ticker_ = clock_->start_ticks([this] { ++ticks_; });
}

FrmInternet::~FrmInternet() {
  log(u"Form_Unload");
  socket_->close();
}

void FrmInternet::send_command() {
  log(u"ENVIO DE INFORMACION..");
  // A close or error that already arrived must count before deciding whether to reconnect.
  clock_->pump(0);
  // Each command gets its own six waits: a count kept from an earlier failure would make every
  // later command fail at once.
  connection_waits_ = 0;
  if (!connected_) {
    socket_->close();
    socket_->connect(host, port_number(port));
  }
  clock_->pump(0);
  log(u"INTENTANDO CONEXION..");
  while (connection_waits_ <= kMaxConnectionWait && !connected_) {
    log(u"INTENTANDO CONEXION.." + number_text(connection_waits_));
    clock_->pump(0);
    wait_ticks(1);
    log(u"INTENTANDO CONEXION2.." + number_text(connection_waits_));
    ++connection_waits_;
  }
  log(u"CONECTADO..");
  if (!connected_) {
    log(u"Problemas al conectarse..");
    show(u"Problemas al conectarse al servidor de internet");
    return;
  }
  log(u"cadena.." + command);
  std::u16string command = build_command();
  log(command);
  // Pieces are joined within one command's reply only: a beginning kept from the last reply
  // joined to this one's ("++" and "++") would confirm what the gateway never said.
  replies_.clear();
  send_text(command);
  if (wait_for_reply) show(u"Por favor espere la respuesta del sistema");
}

std::u16string FrmInternet::build_command() {
  if (command == u"Alta") {
    log(u"cadena1..");
    return u"=alta=," + room + u"," + profile + u"," + duration + u"\r\n";
  }
  if (command == u"Consulta") {
    log(u"cadena2..");
    return u"=consulta=," + room + u"\r\n";
  }
  if (command == u"Eliminar") {
    log(u"cadena3..");
    return u"=elimina=," + room + u"\r\n";
  }
  return {};
}

void FrmInternet::wait_ticks(int64_t ticks) {
  log(u"tiempo de espera ini..");
  ticks_ = 0;
  while (ticks_ < ticks) clock_->pump(kTickMs);
  log(u"tiempo de espera fin..");
}

void FrmInternet::send_text(std::u16string_view text) {
  log(u"INT_SEND");
  if (socket_->send(platform::to_system_code_page(text))) {
    log(u"Send: " + trim_spaces(text));
  } else {
    log(u"Error en INT_SEND");
    // The connection is gone: the next command connects again instead of failing the same way.
    connected_ = false;
  }
}

void FrmInternet::log(std::u16string_view message) {
  std::u16string stamp = date_to_text(clock_->now(), regional());
  try {
    std::u16string line = stamp + u" " + std::u16string(message) + u"\r\n";
    if (++log_lines_ >= kLinesPerScreen) {
      log_.clear();
      log_lines_ = 0;
    }
    if (log_.size() + line.size() > kMaxLogChars) throw std::length_error("log full");
    log_ += line;
  } catch (const std::exception&) {
    log_ = stamp + u" Reinicio de pantalla\r\n";
  }
}

void FrmInternet::run_own_events() {
  clock_->run_own_events();
}

void FrmInternet::on_connect() {
  log(u"Winsock1_Connect");
  status_ = u"Conectado";
  connected_ = true;
}

void FrmInternet::on_data() {
  if (!connected_) {
    socket_->receive(SIZE_MAX);  // nobody waits for it
    return;
  }
  log(u"Winsock1_DataArrival");
  try {
    std::optional<std::u16string> box =
        replies_.read(socket_->receive(kMaxReadBytes), {room, profile, duration},
                      [this](std::u16string_view message) { log(message); });
    if (box) show(*box);
  } catch (const std::exception&) {
    log(u"Error en Winsock1_DataArrival");
  }
}

void FrmInternet::on_error() {
  log(u"Winsock1_Error");
  status_ = u"Error al Conectarse";
  replies_.clear();
  show(u"Error al Conectarse");
  connected_ = false;
}

void FrmInternet::on_close() {
  log(u"Winsock1_Close");
  status_ = u"Desconectado";
  replies_.clear();
  connected_ = false;
  socket_->close();
}

void FrmInternet::show(std::u16string_view text) {
  platform::ui().msg_box(text, platform::kStyleInformation, kTitle);
}

}  // namespace halvora
