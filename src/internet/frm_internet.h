// frmInternet: the hidden form behind Internet. It owns the gateway connection, the one-second
// tick and the status log that the host reads as the result of every command. Waits let pending
// socket and timer events run, so the connect, reply and error events (and their boxes) happen
// inside the waiting call or inside an open box.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "automation/variant.h"
#include "platform/events.h"

namespace halvora {

// What lets time pass for the form: the event pump, the tick and the clock of the log lines.
// The platform's by default; tests put in their own so that six waits need not last six seconds.
class FormClock {
 public:
  virtual ~FormClock() = default;
  virtual void pump(int max_wait_ms) = 0;
  virtual std::unique_ptr<platform::Timer> start_ticks(std::function<void()> on_tick) = 0;
  virtual Date now() = 0;
};

std::unique_ptr<FormClock> platform_form_clock();

class FrmInternet {
 public:
  explicit FrmInternet(std::unique_ptr<FormClock> clock = platform_form_clock());
  ~FrmInternet();  // Form_Unload
  FrmInternet(const FrmInternet&) = delete;
  FrmInternet& operator=(const FrmInternet&) = delete;

  // The text fields the command is built from.
  std::u16string txtHost;
  std::u16string txtPort;
  std::u16string txtComando;
  std::u16string txtUsuario;
  std::u16string txtPerfil;
  std::u16string txtTiempo;

  bool EsperarRespuesta = false;  // the wait flag, copied from the object by CargarInternet

  // The send procedure: connect when needed, send the command built from the fields.
  void btnEnviar_Click();
  void Tiempo_espera(int64_t ticks);
  int16_t INT_SEND(std::u16string_view text);
  // Appends one dated line to the status log.
  void INT0000_06(std::u16string_view message);

  const std::u16string& TxtInfo() const { return TxtInfo_; }
  // Lets pending events run once; a host without a message loop of its own sees replies this way.
  void run_pending_events();

  bool connected() const { return Conectado_; }
  const std::u16string& status() const { return status_; }
  int64_t seconds() const { return nsegundo_; }

  // The log's capacity, as a text box holds: a write past it starts the log afresh.
  static constexpr std::size_t kMaxLogChars = 65535;
  static constexpr int16_t kLinesPerScreen = 150;

 private:
  void on_connect();
  void on_data();
  void on_error();
  void on_close();
  std::u16string build_command();
  void show(std::u16string_view text);

  std::unique_ptr<FormClock> clock_;
  std::unique_ptr<platform::TcpSocket> Winsock1_;
  std::unique_ptr<platform::Timer> TmrSeg_;
  std::u16string TxtInfo_;
  std::u16string status_;     // the status label
  std::u16string unmatched_;  // reply text that may still complete into a known reply
  int16_t timeout_ = 0;       // connection waits of the current send procedure
  bool Conectado_ = false;
  int64_t nsegundo_ = 0;  // 64 bits: the form may live for years of ticks
  int16_t contpant1_ = 0;
};

}  // namespace halvora
