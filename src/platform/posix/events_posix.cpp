// The event pump on poll(): sockets are non-blocking and their events, like the timers', run only
// inside pump(). Objects register by id so that a callback that closes or destroys another object
// (or shows a box that pumps again) never leaves the running round holding a dangling pointer.
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <vector>

#include "automation/code_page.h"
#include "automation/text.h"
#include "platform/events.h"
#include "platform/live_objects.h"
#include "platform/queued_socket.h"

namespace halvora::platform {

namespace {

using Clock = std::chrono::steady_clock;

// Bytes read from the network but not yet taken stop the reading here, so that a peer cannot make
// an inattentive reader hold more than this.
constexpr std::size_t kMaxInbox = 1u << 20;
constexpr std::size_t kReadChunk = 64u << 10;

// The numbers the platform's socket control reports, so that a host sees the same on both builds.
int32_t socket_error_number(int error) {
  switch (error) {
    case ECONNREFUSED:
      return 10061;
    case ETIMEDOUT:
      return 10060;
    case ECONNRESET:
    case EPIPE:
      return 10054;
    case ENETUNREACH:
      return 10051;
    case EHOSTUNREACH:
      return 10065;
    case ECONNABORTED:
      return 10053;
    default:
      return 10000 + error;
  }
}
constexpr int32_t kHostNotFound = 11001;

class PosixSocket;
class PosixTimer;

struct Registry {
  LiveObjects<PosixSocket> sockets;
  LiveObjects<PosixTimer> timers;
};

Registry& registry() {
  static Registry r;
  return r;
}

class PosixSocket final : public QueuedSocket {
 public:
  explicit PosixSocket(SocketEvents events) : QueuedSocket(std::move(events)) {
    id_ = registry().sockets.add(this);
  }
  ~PosixSocket() override {
    drop();
    registry().sockets.forget(id_);
  }

  void connect(std::u16string_view host, uint16_t port) override {
    drop();
    candidates_.clear();
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    std::string service = std::to_string(port);
    int rc = getaddrinfo(utf16_to_utf8(host).c_str(), service.c_str(), &hints, &found);
    if (rc != 0) {
      defer_error(kHostNotFound, utf8_to_utf16(gai_strerror(rc)));
      return;
    }
    for (addrinfo* a = found; a; a = a->ai_next) {
      sockaddr_storage s{};
      std::memcpy(&s, a->ai_addr, a->ai_addrlen);
      candidates_.push_back({s, a->ai_addrlen});
    }
    freeaddrinfo(found);
    state_ = State::Connecting;
    try_next_candidate(ECONNREFUSED);
  }

  void close() override {
    drop();
    state_ = State::Closed;
  }

  // ---- used by the pump ----
  uint64_t id() const { return id_; }
  bool wants_now() const { return deferred_ || (state_ == State::Connected && !inbox_.empty()); }
  short poll_events() const {
    if (fd_ < 0) return 0;
    if (state_ == State::Connecting) return POLLOUT;
    if (state_ != State::Connected) return 0;
    short ev = inbox_.size() < kMaxInbox ? POLLIN : 0;
    if (!outbox_.empty()) ev |= POLLOUT;
    return ev;
  }
  int fd() const { return fd_; }

  // One round of this socket's events. May run callbacks that destroy this object: every
  // callback is the last use of `this`.
  void dispatch(short revents) {
    if (deferred_) {
      deferred_ = false;
      fire_error(deferred_code_, deferred_text_);
      return;
    }
    if (state_ == State::Connecting && revents) {
      int error = 0;
      socklen_t len = sizeof error;
      if (getsockopt(fd_, SOL_SOCKET, SO_ERROR, &error, &len) != 0) error = errno;
      if (error == 0) {
        state_ = State::Connected;
        if (events_.on_connect) events_.on_connect();
      } else {
        try_next_candidate(error);
      }
      return;
    }
    if (state_ != State::Connected) return;
    if (revents & POLLOUT) {
      if (int error = flush()) return fail(error);
    }
    if (revents & (POLLIN | POLLHUP | POLLERR)) {
      char buf[kReadChunk];
      ssize_t n = ::recv(fd_, buf, sizeof buf, 0);
      if (n > 0) {
        inbox_.append(buf, static_cast<std::size_t>(n));
      } else if (n == 0) {
        drop();
        state_ = State::Closed;
        if (events_.on_close) events_.on_close();
        return;
      } else if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
        fail(errno);
        return;
      }
    }
    if (!inbox_.empty() && events_.on_data) events_.on_data();
  }

 private:
  struct Candidate {
    sockaddr_storage address;
    socklen_t length;
  };

  // Starts the next address of the name; the last one's failure is the one reported.
  void try_next_candidate(int last_error) {
    if (fd_ >= 0) {
      ::close(fd_);
      fd_ = -1;
    }
    while (!candidates_.empty()) {
      Candidate c = candidates_.front();
      candidates_.erase(candidates_.begin());
      fd_ = ::socket(c.address.ss_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
      if (fd_ < 0) {
        last_error = errno;
        continue;
      }
      if (::connect(fd_, reinterpret_cast<sockaddr*>(&c.address), c.length) == 0 ||
          errno == EINPROGRESS)
        return;  // the pump sees it writable and reports the outcome
      last_error = errno;
      ::close(fd_);
      fd_ = -1;
    }
    // Reported from the pump like every other outcome, never from inside connect().
    defer_error(socket_error_number(last_error), utf8_to_utf16(std::strerror(last_error)));
  }

  bool has_handle() const override { return fd_ >= 0; }

  int flush() override {
    while (!outbox_.empty()) {
      ssize_t n = ::send(fd_, outbox_.data(), outbox_.size(), MSG_NOSIGNAL);
      if (n > 0)
        outbox_.erase(0, static_cast<std::size_t>(n));
      else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
        return 0;  // the rest goes out when the pump sees room
      else if (!(n < 0 && errno == EINTR))
        return n < 0 ? errno : EPIPE;
    }
    return 0;
  }

  void fail(int error) {
    drop();
    fire_error(socket_error_number(error), utf8_to_utf16(std::strerror(error)));
  }

  void defer_error(int32_t code, std::u16string text) {
    state_ = State::Error;
    deferred_ = true;
    deferred_code_ = code;
    deferred_text_ = std::move(text);
  }

  void drop() override {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    inbox_.clear();
    outbox_.clear();
    deferred_ = false;
  }

  uint64_t id_ = 0;
  int fd_ = -1;
  std::vector<Candidate> candidates_;
  bool deferred_ = false;
  int32_t deferred_code_ = 0;
  std::u16string deferred_text_;
};

class PosixTimer final : public Timer {
 public:
  PosixTimer(int interval_ms, std::function<void()> on_tick)
      : interval_(std::max(1, interval_ms)), on_tick_(std::move(on_tick)) {
    next_ = Clock::now() + interval_;
    id_ = registry().timers.add(this);
  }
  ~PosixTimer() override { registry().timers.forget(id_); }

  Clock::time_point next() const { return next_; }
  // Fires at most once a round, and reschedules from now when it has fallen behind.
  void fire_if_due(Clock::time_point now) {
    if (now < next_) return;
    next_ += interval_;
    if (next_ <= now) next_ = now + interval_;
    on_tick_();
  }

 private:
  std::chrono::milliseconds interval_;
  std::function<void()> on_tick_;
  Clock::time_point next_;
  uint64_t id_ = 0;
};

}  // namespace

void pump(int max_wait_ms) {
  Registry& r = registry();
  std::vector<pollfd> fds;
  std::vector<uint64_t> ids;
  int timeout = std::max(0, max_wait_ms);
  for (auto& [id, s] : r.sockets) {
    if (s->wants_now()) timeout = 0;
    if (short ev = s->poll_events()) {
      fds.push_back({s->fd(), ev, 0});
      ids.push_back(id);
    }
  }
  Clock::time_point now = Clock::now();
  for (auto& [id, t] : r.timers) {
    auto until = std::chrono::ceil<std::chrono::milliseconds>(t->next() - now).count();
    timeout = static_cast<int>(std::clamp<long long>(until, 0, timeout));
  }
  int ready = ::poll(fds.data(), fds.size(), timeout);
  if (ready < 0) ready = 0;  // EINTR: a round with nothing ready

  // Sockets first, each looked up again since an earlier callback may have destroyed it.
  std::vector<std::pair<uint64_t, short>> work;
  for (std::size_t i = 0; i < fds.size(); ++i)
    if (fds[i].revents) work.emplace_back(ids[i], fds[i].revents);
  for (auto& [id, s] : r.sockets) {
    // A copy for the lambda: clang 14 cannot capture a structured binding.
    uint64_t socket_id = id;
    auto listed = [socket_id](const auto& w) { return w.first == socket_id; };
    if (s->wants_now() && std::none_of(work.begin(), work.end(), listed))
      work.emplace_back(socket_id, 0);
  }
  for (auto [id, revents] : work)
    if (PosixSocket* s = r.sockets.find(id)) s->dispatch(revents);

  std::vector<uint64_t> timer_ids;
  for (auto& [id, t] : r.timers) timer_ids.push_back(id);
  now = Clock::now();
  for (uint64_t id : timer_ids)
    if (PosixTimer* t = r.timers.find(id)) t->fire_if_due(now);
}

void run_own_events() {
  pump(0);
}

std::unique_ptr<TcpSocket> create_tcp_socket(SocketEvents events) {
  return std::make_unique<PosixSocket>(std::move(events));
}

std::unique_ptr<Timer> create_timer(int interval_ms, std::function<void()> on_tick) {
  return std::make_unique<PosixTimer>(interval_ms, std::move(on_tick));
}

std::string to_system_code_page(std::u16string_view text) {
  return to_windows_1252(text);
}
std::u16string from_system_code_page(std::string_view bytes) {
  return from_windows_1252(bytes);
}

}  // namespace halvora::platform
