// Events: the pump that lets pending socket and timer events run on the caller's thread, a TCP
// client socket whose events arrive through it, a repeating timer, and the system code page that
// raw-text protocols use. Nothing runs behind the caller's back: every callback runs inside
// pump(), which message boxes and the script host's Sleep also call, so a callback may itself
// show a box that pumps again.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace halvora::platform {

// Runs the events that are pending; when none is, waits up to max_wait_ms for the first one
// (0: just look). Returns after one round, so callers loop for longer waits. On Windows this is
// the thread's message loop: the host's own window and thread messages run too, as they must
// while the library waits or a box is open.
void pump(int max_wait_ms);

// Runs the library's own pending socket and timer events and nothing else, without waiting: for
// a call that only hands back a result, inside which the host's own messages must not run
// re-entrantly. On Windows the messages of the library's hidden event window alone; on Linux
// every event the pump knows is the library's, so this is pump(0).
void run_own_events();

struct SocketEvents {
  std::function<void()> on_connect;
  std::function<void()> on_data;  // bytes are waiting: read them with receive()
  std::function<void(int32_t code, std::u16string description)> on_error;
  std::function<void()> on_close;  // the peer ended the connection
};

class TcpSocket {
 public:
  enum class State { Closed, Connecting, Connected, Error };

  virtual ~TcpSocket() = default;
  // Starts connecting; the outcome arrives as on_connect or on_error from a later pump, also
  // when the host name does not resolve.
  virtual void connect(std::u16string_view host, uint16_t port) = 0;
  // Drops the connection and any pending event of it; no callback follows.
  virtual void close() = 0;
  // Queues the bytes; what the network does not take at once goes out from later pumps.
  // False when not connected or the connection has failed.
  virtual bool send(std::string_view bytes) = 0;
  // Everything received so far and not yet taken, at most max_bytes; the rest stays for the
  // next on_data.
  virtual std::string receive(std::size_t max_bytes) = 0;
  virtual State state() const = 0;
};

std::unique_ptr<TcpSocket> create_tcp_socket(SocketEvents events);

// Calls on_tick every interval_ms while pumps run; a timer that falls behind fires once, not once
// per missed interval (as window timers do). Stops when destroyed.
class Timer {
 public:
  virtual ~Timer() = default;
};
std::unique_ptr<Timer> create_timer(int interval_ms, std::function<void()> on_tick);

// One byte per character in the system's code page (the ANSI code page on Windows,
// Windows-1252 elsewhere); a character the code page lacks becomes "?".
std::string to_system_code_page(std::u16string_view text);
std::u16string from_system_code_page(std::string_view bytes);

}  // namespace halvora::platform
