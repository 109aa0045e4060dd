// What the POSIX and Windows sockets share: the bytes waiting to go out and to be taken, the
// state, and how a failure reaches the owner. The platforms supply the handle's writes.
#pragma once

#include <algorithm>
#include <string>
#include <string_view>
#include <utility>

#include "platform/events.h"

namespace halvora::platform {

class QueuedSocket : public TcpSocket {
 public:
  explicit QueuedSocket(SocketEvents events) : events_(std::move(events)) {}

  bool send(std::string_view bytes) override {
    if (state_ != State::Connected || !has_handle()) return false;
    outbox_.append(bytes);
    if (flush() != 0) {
      // The caller learns of it from the result, as from a failed send of the socket control.
      drop();
      state_ = State::Error;
      return false;
    }
    return true;
  }

  std::string receive(std::size_t max_bytes) override {
    std::size_t n = std::min(max_bytes, inbox_.size());
    std::string out = inbox_.substr(0, n);
    inbox_.erase(0, n);
    return out;
  }

  State state() const override { return state_; }

 protected:
  virtual bool has_handle() const = 0;
  // Writes what the network takes now; 0, or the error that ended the connection.
  virtual int flush() = 0;
  // Closes the handle and forgets queued bytes and pending outcomes.
  virtual void drop() = 0;

  void fire_error(int32_t code, std::u16string text) {
    state_ = State::Error;
    if (events_.on_error) events_.on_error(code, std::move(text));
  }

  SocketEvents events_;
  State state_ = State::Closed;
  std::string inbox_, outbox_;
};

}  // namespace halvora::platform
