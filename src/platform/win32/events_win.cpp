// The event pump on the thread's message loop: sockets report through WSAAsyncSelect and timers
// through SetTimer, both to one hidden message-only window, so that modal boxes (which run their
// own message loop) and pump() alike let them run, and run_own_events() can run them alone.
// Objects are found by id from each message, so a message for an object that is gone is dropped.
#include <windows.h>
#include <winsock2.h>
#include <ws2tcpip.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "automation/text.h"
#include "platform/events.h"
#include "platform/live_objects.h"
#include "platform/queued_socket.h"
#include "platform/win32/com_support.h"

namespace halvora::platform {

namespace {

constexpr UINT kSocketMessage = WM_APP + 0x48;    // wParam: SOCKET, lParam: event and error
constexpr UINT kDeferredMessage = WM_APP + 0x49;  // wParam: socket id; an outcome to report later
constexpr std::size_t kReadChunk = 64u << 10;
constexpr int32_t kHostNotFound = 11001;

class WinSocket;
class WinTimer;

struct Registry {
  LiveObjects<WinSocket, UINT_PTR> sockets;
  LiveObjects<WinTimer, UINT_PTR> timers;
};

Registry& registry() {
  static Registry r;
  return r;
}

std::u16string error_text(int code) {
  wchar_t* text = nullptr;
  DWORD n = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, static_cast<DWORD>(code), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::u16string out =
      n ? win32::from_wide(text, n) : u"Socket error " + utf8_to_utf16(std::to_string(code));
  if (text) LocalFree(text);
  while (!out.empty() && (out.back() == u'\n' || out.back() == u'\r')) out.pop_back();
  return out;
}

LRESULT CALLBACK window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

void start_winsock() {
  static bool started = [] {
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }();
  (void)started;
}

// Created on first use on the calling thread, which the apartment rule makes the only one.
HWND event_window() {
  static HWND window = [] {
    start_winsock();
    WNDCLASSW wc{};
    wc.lpfnWndProc = window_proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"HalvoraEventWindow";
    RegisterClassW(&wc);
    return CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                           wc.hInstance, nullptr);
  }();
  return window;
}

class WinSocket final : public QueuedSocket {
 public:
  explicit WinSocket(SocketEvents events) : QueuedSocket(std::move(events)) {
    event_window();
    id_ = registry().sockets.add(this);
  }
  ~WinSocket() override {
    drop();
    registry().sockets.forget(id_);
  }

  void connect(std::u16string_view host, uint16_t port) override {
    drop();
    candidates_.clear();
    ADDRINFOW hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    ADDRINFOW* found = nullptr;
    std::wstring service = std::to_wstring(port);
    if (GetAddrInfoW(win32::wide_string(host).c_str(), service.c_str(), &hints, &found) != 0) {
      int error = WSAGetLastError();
      defer_error(kHostNotFound, error_text(error));
      return;
    }
    for (ADDRINFOW* a = found; a; a = a->ai_next) {
      sockaddr_storage s{};
      std::memcpy(&s, a->ai_addr, a->ai_addrlen);
      candidates_.push_back({s, static_cast<int>(a->ai_addrlen)});
    }
    FreeAddrInfoW(found);
    state_ = State::Connecting;
    try_next_candidate(WSAECONNREFUSED);
  }

  void close() override {
    drop();
    state_ = State::Closed;
  }

  SOCKET handle() const { return socket_; }

  void on_deferred() {
    if (deferred_) {
      deferred_ = false;
      fire_error(deferred_code_, deferred_text_);
    } else if (state_ == State::Connected && !inbox_.empty() && events_.on_data) {
      events_.on_data();
    }
  }

  // Every callback is the last use of `this`: it may destroy the socket.
  void on_socket_event(WORD event, WORD error) {
    switch (event) {
      case FD_CONNECT:
        if (state_ != State::Connecting) return;
        if (error) {
          try_next_candidate(error);
        } else {
          state_ = State::Connected;
          if (events_.on_connect) events_.on_connect();
        }
        return;
      case FD_WRITE:
        if (state_ == State::Connected) {
          if (int failure = flush()) fail(failure);
        }
        return;
      case FD_READ:
        if (state_ != State::Connected) return;
        if (error) return fail(error);
        if (read_some() && !inbox_.empty()) deliver_data();
        return;
      case FD_CLOSE: {
        if (state_ != State::Connected) return;
        // What the peer sent before closing comes first.
        while (read_some()) {
        }
        if (error) return fail(error);
        std::function<void()> on_close = events_.on_close;
        if (!inbox_.empty()) {
          UINT_PTR id = id_;
          if (events_.on_data) events_.on_data();
          WinSocket* self = registry().sockets.find(id);
          if (!self || self->state_ != State::Connected) return;
        }
        drop();
        state_ = State::Closed;
        if (on_close) on_close();
        return;
      }
    }
  }

 private:
  struct Candidate {
    sockaddr_storage address;
    int length;
  };

  // False when nothing more is there to read now.
  bool read_some() {
    char buf[kReadChunk];
    int n = ::recv(socket_, buf, sizeof buf, 0);
    if (n <= 0) return false;
    inbox_.append(buf, static_cast<std::size_t>(n));
    return true;
  }

  void deliver_data() {
    UINT_PTR id = id_;
    if (events_.on_data) events_.on_data();
    // A reader that took only part is called again for the rest, from a later round.
    WinSocket* self = registry().sockets.find(id);
    if (self && self->state_ == State::Connected && !self->inbox_.empty())
      PostMessageW(event_window(), kDeferredMessage, id, 0);
  }

  void try_next_candidate(int last_error) {
    if (socket_ != INVALID_SOCKET) closesocket(socket_);
    socket_ = INVALID_SOCKET;
    while (!candidates_.empty()) {
      Candidate c = candidates_.front();
      candidates_.erase(candidates_.begin());
      socket_ = ::socket(c.address.ss_family, SOCK_STREAM, IPPROTO_TCP);
      if (socket_ == INVALID_SOCKET) {
        last_error = WSAGetLastError();
        continue;
      }
      WSAAsyncSelect(socket_, event_window(), kSocketMessage,
                     FD_CONNECT | FD_READ | FD_WRITE | FD_CLOSE);
      if (::connect(socket_, reinterpret_cast<sockaddr*>(&c.address), c.length) == 0 ||
          WSAGetLastError() == WSAEWOULDBLOCK)
        return;
      last_error = WSAGetLastError();
      closesocket(socket_);
      socket_ = INVALID_SOCKET;
    }
    defer_error(last_error, error_text(last_error));
  }

  bool has_handle() const override { return socket_ != INVALID_SOCKET; }

  int flush() override {
    while (!outbox_.empty()) {
      int n = ::send(socket_, outbox_.data(), static_cast<int>(outbox_.size()), 0);
      if (n > 0)
        outbox_.erase(0, static_cast<std::size_t>(n));
      else if (n == SOCKET_ERROR && WSAGetLastError() == WSAEWOULDBLOCK)
        return 0;  // FD_WRITE follows when there is room
      else
        return n == SOCKET_ERROR ? WSAGetLastError() : WSAECONNRESET;
    }
    return 0;
  }

  void fail(int error) {
    drop();
    fire_error(error, error_text(error));
  }

  void defer_error(int32_t code, std::u16string text) {
    state_ = State::Error;
    deferred_ = true;
    deferred_code_ = code;
    deferred_text_ = std::move(text);
    PostMessageW(event_window(), kDeferredMessage, id_, 0);
  }

  void drop() override {
    if (socket_ != INVALID_SOCKET) closesocket(socket_);  // also cancels its pending messages
    socket_ = INVALID_SOCKET;
    inbox_.clear();
    outbox_.clear();
    deferred_ = false;
  }

  UINT_PTR id_ = 0;
  SOCKET socket_ = INVALID_SOCKET;
  std::vector<Candidate> candidates_;
  bool deferred_ = false;
  int32_t deferred_code_ = 0;
  std::u16string deferred_text_;
};

class WinTimer final : public Timer {
 public:
  WinTimer(int interval_ms, std::function<void()> on_tick) : on_tick_(std::move(on_tick)) {
    id_ = registry().timers.add(this);
    SetTimer(event_window(), id_, static_cast<UINT>(std::max(1, interval_ms)), nullptr);
  }
  ~WinTimer() override {
    KillTimer(event_window(), id_);
    registry().timers.forget(id_);
  }
  void tick() { on_tick_(); }

 private:
  UINT_PTR id_ = 0;
  std::function<void()> on_tick_;
};

LRESULT CALLBACK window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  Registry& r = registry();
  switch (message) {
    case kSocketMessage:
      // Messages of a socket closed since are left in the queue by Winsock: match the handle.
      for (auto& [id, s] : r.sockets)
        if (s->handle() == static_cast<SOCKET>(wparam)) {
          s->on_socket_event(WSAGETSELECTEVENT(lparam), WSAGETSELECTERROR(lparam));
          break;
        }
      return 0;
    case kDeferredMessage:
      if (WinSocket* s = r.sockets.find(static_cast<UINT_PTR>(wparam))) s->on_deferred();
      return 0;
    case WM_TIMER:
      if (WinTimer* t = r.timers.find(static_cast<UINT_PTR>(wparam))) t->tick();
      return 0;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

// False when the queue was empty or a quit request stopped the loop.
bool run_pending() {
  bool any = false;
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      // The host's own loop must still see it.
      PostQuitMessage(static_cast<int>(msg.wParam));
      return false;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
    any = true;
  }
  return any;
}

}  // namespace

void pump(int max_wait_ms) {
  event_window();
  if (run_pending() || max_wait_ms <= 0) return;
  MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(max_wait_ms), QS_ALLINPUT,
                              MWMO_INPUTAVAILABLE);
  run_pending();
}

void run_own_events() {
  // Filtered by the event window, so a thread message of the host (window 0, WM_QUIT included)
  // or a message for one of its windows stays queued for the host's own loop. Messages that
  // another thread sends are still delivered inside PeekMessage, as in any wait of the thread.
  HWND window = event_window();
  MSG msg;
  while (PeekMessageW(&msg, window, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
}

std::unique_ptr<TcpSocket> create_tcp_socket(SocketEvents events) {
  return std::make_unique<WinSocket>(std::move(events));
}

std::unique_ptr<Timer> create_timer(int interval_ms, std::function<void()> on_tick) {
  return std::make_unique<WinTimer>(interval_ms, std::move(on_tick));
}

std::string to_system_code_page(std::u16string_view text) {
  if (text.empty()) return {};
  const wchar_t* wide = win32::wide(text.data());
  int length = static_cast<int>(text.size());
  int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, length, nullptr, 0, "?", nullptr);
  std::string out(static_cast<std::size_t>(std::max(0, n)), '\0');
  if (n > 0)
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, length, out.data(), n, "?", nullptr);
  return out;
}

std::u16string from_system_code_page(std::string_view bytes) {
  if (bytes.empty()) return {};
  int length = static_cast<int>(bytes.size());
  int n = MultiByteToWideChar(CP_ACP, 0, bytes.data(), length, nullptr, 0);
  std::wstring out(static_cast<std::size_t>(std::max(0, n)), L'\0');
  if (n > 0) MultiByteToWideChar(CP_ACP, 0, bytes.data(), length, out.data(), n);
  return win32::from_wide(out.data(), out.size());
}

}  // namespace halvora::platform
