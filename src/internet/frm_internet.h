// frmInternet: the hidden form behind Internet. It owns the gateway connection, the one-second
// tick and the status log that the host reads as the result of every command. Waits let pending
// socket and timer events run, so the connect, reply and error events (and their boxes) happen
// inside the waiting call or inside an open box.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
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
  // Every pending event of the thread, the host's included: the waits of a command.
  virtual void pump(int max_wait_ms) = 0;
  // The form's own socket and timer events only: reading the log.
  virtual void run_own_events() = 0;
  virtual std::unique_ptr<platform::Timer> start_ticks(std::function<void()> on_tick) = 0;
  virtual Date now() = 0;
};

std::unique_ptr<FormClock> platform_form_clock();

// The gateway's replies as the form reads them, apart from the socket so that any bytes can be
// fed to them. Each piece received is decoded from the system code page and logged; a piece that
// is a known reply, or completes one with the beginning kept from the pieces before it, names the
// box the clerk sees. A beginning is kept only while it may still grow into a known reply.
class GatewayReplies {
 public:
  // The fields of the command being answered, which the boxes name.
  struct Command {
    std::u16string_view room;
    std::u16string_view profile;
    std::u16string_view duration;
  };

  // One piece as it arrived. Logs it through `log` and answers the text of the box its reply
  // shows, or nothing while no known reply is complete.
  std::optional<std::u16string> read(std::string_view bytes, const Command& command,
                                     const std::function<void(std::u16string_view)>& log);

  // The replies the gateway gives, each compared whole.
  static std::span<const std::u16string_view> known();

  // Forgets the beginning kept: a new command was sent, or the connection ended.
  void clear() { unmatched_.clear(); }

  // This command's reply so far, while it may grow into a known one: always shorter than a known
  // reply and a beginning of one, or empty.
  const std::u16string& unmatched() const { return unmatched_; }

 private:
  std::u16string unmatched_;
};

class FrmInternet {
 public:
  explicit FrmInternet(std::unique_ptr<FormClock> clock = platform_form_clock());
  ~FrmInternet();  // Form_Unload
  FrmInternet(const FrmInternet&) = delete;
  FrmInternet& operator=(const FrmInternet&) = delete;

  // The text fields the command is built from: the gateway, the command's name ("Alta",
  // "Consulta", "Eliminar"), the room as the clerk typed it, the profile and the time bought.
  std::u16string host;
  std::u16string port;
  std::u16string command;
  std::u16string room;
  std::u16string profile;
  std::u16string duration;

  // Tell the clerk to wait for the gateway's reply after sending; copied from the object's
  // EsperarRespuesta by CargarInternet.
  bool wait_for_reply = false;

  // Connects when needed (six one-tick waits at most) and sends the command built from the
  // fields.
  void send_command();
  // Lets events run until the tick counter, started afresh, reaches `ticks`.
  void wait_ticks(int64_t ticks);
  // Sends the text in the system code page; a send that fails makes the next command connect.
  void send_text(std::u16string_view text);
  // Appends one dated line to the status log.
  void log(std::u16string_view message);

  const std::u16string& log_text() const { return log_; }
  // Lets the form's own pending socket and timer events run once, and none of the host's: a host
  // without a message loop of its own sees replies this way, while a host with one must not find
  // its window and thread messages run inside a read of the log.
  void run_own_events();

  bool connected() const { return connected_; }
  const std::u16string& status() const { return status_; }
  int64_t ticks() const { return ticks_; }

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
  std::unique_ptr<platform::TcpSocket> socket_;
  std::unique_ptr<platform::Timer> ticker_;
  std::u16string log_;
  std::u16string status_;  // the status label
  GatewayReplies replies_;
  int16_t connection_waits_ = 0;  // of the current command
  bool connected_ = false;
  int64_t ticks_ = 0;      // 64 bits: the form may live for years of ticks
  int16_t log_lines_ = 0;  // lines written since the log last started afresh
};

}  // namespace halvora
