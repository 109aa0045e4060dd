#include "gateway_service.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>

namespace halvora::sim {

namespace {

constexpr char kOpened[] = "OK-ABD, OK-ART, OK-PRT, OK-UBD, OK-TICKET";
constexpr char kRemoved[] = "++++";
constexpr char kRemovedBegun[] = "++";  // room 555's whole answer
constexpr char kNoSuchRoom[] = "Usuario No Existe!";
constexpr char kError[] = "error";
constexpr std::size_t kMaxLine = 4096;  // a peer that never ends its line is cut off

std::vector<std::string> fields(const std::string& text) {
  std::vector<std::string> out;
  std::size_t start = 0;
  for (std::size_t comma; (comma = text.find(',', start)) != std::string::npos; start = comma + 1)
    out.push_back(text.substr(start, comma - start));
  out.push_back(text.substr(start));
  return out;
}

void send_all(int fd, const std::string& bytes) {
  std::size_t sent = 0;
  while (sent < bytes.size()) {
    ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (n <= 0) return;
    sent += static_cast<std::size_t>(n);
  }
}

}  // namespace

GatewayService::~GatewayService() {
  stop();
}

int GatewayService::start(int port) {
  listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (listener_ < 0) return -1;
  int yes = 1;
  setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<uint16_t>(port));
  socklen_t length = sizeof address;
  if (::bind(listener_, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
      ::listen(listener_, 16) != 0 ||
      getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    ::close(listener_);
    listener_ = -1;
    return -1;
  }
  port_ = ntohs(address.sin_port);
  acceptor_ = std::thread([this] { accept_loop(); });
  return port_;
}

void GatewayService::stop() {
  if (stopping_.exchange(true)) return;
  if (acceptor_.joinable()) acceptor_.join();
  if (listener_ >= 0) ::close(listener_);
  std::vector<std::thread> connections;
  {
    std::lock_guard lock(mutex_);
    for (int fd : open_fds_) ::shutdown(fd, SHUT_RDWR);
    connections.swap(connections_);
  }
  for (std::thread& t : connections) t.join();
}

std::string GatewayService::authority() const {
  return "127.0.0.1:" + std::to_string(port_);
}

std::string GatewayService::answer(const std::string& line) {
  std::vector<std::string> f = fields(line);
  if (f.size() < 2) return kError;
  const std::string& command = f[0];
  const std::string& room = f[1];
  if (room == "666") return kError;
  std::lock_guard lock(mutex_);
  if (command == "=alta=" && f.size() == 4) {
    rooms_[room] = f[2] + "," + f[3];
    return kOpened;
  }
  if (command == "=consulta=" && f.size() == 2) {
    auto it = rooms_.find(room);
    return it == rooms_.end() ? kNoSuchRoom : room + "," + it->second;
  }
  if (command == "=elimina=" && f.size() == 2) return rooms_.erase(room) ? kRemoved : kNoSuchRoom;
  return kError;
}

void GatewayService::accept_loop() {
  while (!stopping_) {
    pollfd p{listener_, POLLIN, 0};
    if (::poll(&p, 1, 100) <= 0) continue;
    int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) continue;
    std::lock_guard lock(mutex_);
    open_fds_.push_back(fd);
    connections_.emplace_back([this, fd] { serve(fd); });
  }
}

void GatewayService::serve(int fd) {
  std::string pending;
  char buf[1024];
  bool open = true;
  while (open && !stopping_) {
    ssize_t n = ::recv(fd, buf, sizeof buf, 0);
    if (n <= 0) break;
    pending.append(buf, static_cast<std::size_t>(n));
    for (std::size_t end; open && (end = pending.find('\n')) != std::string::npos;) {
      std::string line = pending.substr(0, end);
      pending.erase(0, end + 1);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      std::vector<std::string> f = fields(line);
      std::string room = f.size() > 1 ? f[1] : "";
      if (room == "777") continue;
      if (room == "555") {
        send_all(fd, kRemovedBegun);
        continue;
      }
      if (room == "999") {
        open = false;
        break;
      }
      std::string reply = answer(line);
      if (room == "888" && reply.size() > 1) {
        send_all(fd, reply.substr(0, reply.size() / 2));
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        send_all(fd, reply.substr(reply.size() / 2));
      } else {
        send_all(fd, reply);
      }
    }
    if (pending.size() > kMaxLine) break;
  }
  std::lock_guard lock(mutex_);
  std::erase(open_fds_, fd);
  ::close(fd);
}

}  // namespace halvora::sim
