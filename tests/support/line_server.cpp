#include "line_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <map>

namespace halvora::test {

namespace {

int listen_loopback(int& port) {
  int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof a;
  if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&a), len) != 0 || ::listen(fd, 8) != 0 ||
      getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) != 0)
    return -1;
  port = ntohs(a.sin_port);
  return fd;
}

}  // namespace

LineServer::LineServer(std::function<LineAction(const std::string&)> handler)
    : handler_(std::move(handler)) {
  listener_ = listen_loopback(port_);
  if (::pipe(wake_) != 0) wake_[0] = wake_[1] = -1;
  thread_ = std::thread([this] { run(); });
}

LineServer::~LineServer() {
  if (wake_[1] >= 0) (void)::write(wake_[1], "x", 1);
  thread_.join();
  for (int fd : {listener_, wake_[0], wake_[1]})
    if (fd >= 0) ::close(fd);
}

std::string LineServer::received() const {
  std::lock_guard lock(mutex_);
  return received_;
}

int LineServer::connections() const {
  std::lock_guard lock(mutex_);
  return connections_;
}

int LineServer::refused_port() {
  int port = 0;
  int fd = listen_loopback(port);
  ::close(fd);  // nothing listens there now
  return port;
}

void LineServer::run() {
  std::map<int, std::string> clients;  // fd -> bytes not yet ended by LF
  for (;;) {
    std::vector<pollfd> fds{{wake_[0], POLLIN, 0}, {listener_, POLLIN, 0}};
    for (auto& [fd, _] : clients) fds.push_back({fd, POLLIN, 0});
    if (::poll(fds.data(), fds.size(), -1) < 0) continue;
    if (fds[0].revents) break;
    if (fds[1].revents) {
      int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
      if (fd >= 0) {
        clients[fd];
        std::lock_guard lock(mutex_);
        ++connections_;
      }
    }
    for (std::size_t i = 2; i < fds.size(); ++i) {
      if (!fds[i].revents) continue;
      int fd = fds[i].fd;
      char buf[4096];
      ssize_t n = ::recv(fd, buf, sizeof buf, 0);
      if (n <= 0) {
        ::close(fd);
        clients.erase(fd);
        continue;
      }
      {
        std::lock_guard lock(mutex_);
        received_.append(buf, static_cast<std::size_t>(n));
      }
      std::string& pending = clients[fd];
      pending.append(buf, static_cast<std::size_t>(n));
      bool closed = false;
      for (std::size_t end; !closed && (end = pending.find('\n')) != std::string::npos;) {
        LineAction action = handler_(pending.substr(0, end));
        pending.erase(0, end + 1);
        for (std::size_t w = 0; w < action.writes.size(); ++w) {
          if (w) std::this_thread::sleep_for(std::chrono::milliseconds(100));
          (void)::send(fd, action.writes[w].data(), action.writes[w].size(), MSG_NOSIGNAL);
        }
        if (action.close) {
          ::close(fd);
          clients.erase(fd);
          closed = true;
        }
      }
    }
  }
  for (auto& [fd, _] : clients) ::close(fd);
}

}  // namespace halvora::test
