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

constexpr char16_t kReplyCargado[] = u"OK-ABD, OK-ART, OK-PRT, OK-UBD, OK-TICKET";
constexpr char16_t kReplyCancelado[] = u"++++";
constexpr char16_t kReplySinInternet[] = u"Usuario No Existe!";
constexpr char16_t kReplyError[] = u"error";
constexpr std::array<std::u16string_view, 4> kReplies = {kReplyCargado, kReplyCancelado,
                                                         kReplySinInternet, kReplyError};

class PlatformFormClock final : public FormClock {
 public:
  void pump(int max_wait_ms) override { platform::pump(max_wait_ms); }
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

std::unique_ptr<FormClock> platform_form_clock() {
  return std::make_unique<PlatformFormClock>();
}

FrmInternet::FrmInternet(std::unique_ptr<FormClock> clock) : clock_(std::move(clock)) {
  std::tie(txtHost, txtPort) = default_gateway();
  Winsock1_ = platform::create_tcp_socket({
      .on_connect = [this] { on_connect(); },
      .on_data = [this] { on_data(); },
      .on_error = [this](int32_t, std::u16string) { on_error(); },
      .on_close = [this] { on_close(); },
  });
  TmrSeg_ = clock_->start_ticks([this] { ++nsegundo_; });
}

FrmInternet::~FrmInternet() {
  INT0000_06(u"Form_Unload");
  Winsock1_->close();
}

void FrmInternet::btnEnviar_Click() {
  INT0000_06(u"ENVIO DE INFORMACION..");
  // A close or error that already arrived must count before deciding whether to reconnect.
  clock_->pump(0);
  // Each command gets its own six waits: a count kept from an earlier failure would make every
  // later command fail at once.
  timeout_ = 0;
  if (!Conectado_) {
    Winsock1_->close();
    uint16_t port = port_number(txtPort);
    Winsock1_->connect(txtHost, port);
  }
  clock_->pump(0);
  INT0000_06(u"INTENTANDO CONEXION..");
  while (timeout_ <= kMaxConnectionWait && !Conectado_) {
    INT0000_06(u"INTENTANDO CONEXION.." + number_text(timeout_));
    clock_->pump(0);
    Tiempo_espera(1);
    INT0000_06(u"INTENTANDO CONEXION2.." + number_text(timeout_));
    ++timeout_;
  }
  INT0000_06(u"CONECTADO..");
  if (!Conectado_) {
    INT0000_06(u"Problemas al conectarse..");
    show(u"Problemas al conectarse al servidor de internet");
    return;
  }
  INT0000_06(u"cadena.." + txtComando);
  std::u16string command = build_command();
  INT0000_06(command);
  INT_SEND(command);
  if (EsperarRespuesta) show(u"Por favor espere la respuesta del sistema");
}

std::u16string FrmInternet::build_command() {
  if (txtComando == u"Alta") {
    INT0000_06(u"cadena1..");
    return u"=alta=," + txtUsuario + u"," + txtPerfil + u"," + txtTiempo + u"\r\n";
  }
  if (txtComando == u"Consulta") {
    INT0000_06(u"cadena2..");
    return u"=consulta=," + txtUsuario + u"\r\n";
  }
  if (txtComando == u"Eliminar") {
    INT0000_06(u"cadena3..");
    return u"=elimina=," + txtUsuario + u"\r\n";
  }
  return {};
}

void FrmInternet::Tiempo_espera(int64_t ticks) {
  INT0000_06(u"tiempo de espera ini..");
  nsegundo_ = 0;
  while (nsegundo_ < ticks) clock_->pump(kTickMs);
  INT0000_06(u"tiempo de espera fin..");
}

int16_t FrmInternet::INT_SEND(std::u16string_view text) {
  INT0000_06(u"INT_SEND");
  if (Winsock1_->send(platform::to_system_code_page(text))) {
    INT0000_06(u"Send: " + trim_spaces(text));
  } else {
    INT0000_06(u"Error en INT_SEND");
    // The connection is gone: the next command connects again instead of failing the same way.
    Conectado_ = false;
  }
  return 0;
}

void FrmInternet::INT0000_06(std::u16string_view message) {
  std::u16string stamp = date_to_text(clock_->now(), regional());
  try {
    std::u16string line = stamp + u" " + std::u16string(message) + u"\r\n";
    if (++contpant1_ >= kLinesPerScreen) {
      TxtInfo_.clear();
      contpant1_ = 0;
    }
    if (TxtInfo_.size() + line.size() > kMaxLogChars) throw std::length_error("log full");
    TxtInfo_ += line;
  } catch (const std::exception&) {
    TxtInfo_ = stamp + u" Reinicio de pantalla\r\n";
  }
}

void FrmInternet::run_pending_events() {
  clock_->pump(0);
}

void FrmInternet::on_connect() {
  INT0000_06(u"Winsock1_Connect");
  status_ = u"Conectado";
  Conectado_ = true;
}

void FrmInternet::on_data() {
  if (!Conectado_) {
    Winsock1_->receive(SIZE_MAX);  // nobody waits for it
    return;
  }
  INT0000_06(u"Winsock1_DataArrival");
  try {
    std::u16string text = platform::from_system_code_page(Winsock1_->receive(kMaxReadBytes));
    INT0000_06(u"Recibiendo datos: " + text);
    // A reply that the network split across two reads is still the reply.
    std::u16string joined = unmatched_ + text;
    std::u16string_view reply;
    for (std::u16string_view known : kReplies)
      if (text == known || joined == known) reply = known;
    if (reply.empty()) {
      unmatched_ = may_grow_into_reply(joined) ? joined : may_grow_into_reply(text) ? text : u"";
      return;
    }
    unmatched_.clear();
    const std::u16string& room = txtUsuario;
    if (reply == kReplyCargado)
      show(u"Se cargo a la habitación " + room + u" el internet de " + txtPerfil + u" - " +
           txtTiempo);
    else if (reply == kReplyCancelado)
      show(u"Se cancelo el internet de la habitación " + room);
    else if (reply == kReplySinInternet)
      show(u"La habitación " + room + u" no tiene internet.");
    else
      show(u"Ocurrió un error al intentar aplicar el internet en la habitación " + room);
  } catch (const std::exception&) {
    INT0000_06(u"Error en Winsock1_DataArrival");
  }
}

void FrmInternet::on_error() {
  INT0000_06(u"Winsock1_Error");
  status_ = u"Error al Conectarse";
  unmatched_.clear();
  show(u"Error al Conectarse");
  Conectado_ = false;
}

void FrmInternet::on_close() {
  INT0000_06(u"Winsock1_Close");
  status_ = u"Desconectado";
  unmatched_.clear();
  Conectado_ = false;
  Winsock1_->close();
}

void FrmInternet::show(std::u16string_view text) {
  platform::ui().msg_box(text, platform::kStyleInformation, kTitle);
}

}  // namespace halvora
