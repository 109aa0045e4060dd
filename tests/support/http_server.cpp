#include "support/http_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstring>
#include <stdexcept>

namespace halvora::test {

namespace {

char lower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
}

bool iequal(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                            [](char x, char y) { return lower(x) == lower(y); });
}

std::string_view trim_ows(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

const char* reason(int status) {
  switch (status) {
    case 200:
      return "OK";
    case 204:
      return "No Content";
    case 301:
      return "Moved Permanently";
    case 302:
      return "Found";
    case 400:
      return "Bad Request";
    case 401:
      return "Unauthorized";
    case 403:
      return "Forbidden";
    case 404:
      return "Not Found";
    case 500:
      return "Internal Server Error";
    case 503:
      return "Service Unavailable";
    default:
      return "Status";
  }
}

bool send_all(int fd, std::string_view data) {
  while (!data.empty()) {
    ssize_t n = ::send(fd, data.data(), data.size(), MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

// Reads more bytes into the buffer; false on end of stream or error.
bool read_more(int fd, std::string& buffer) {
  char chunk[16384];
  for (;;) {
    ssize_t n = ::recv(fd, chunk, sizeof chunk, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    buffer.append(chunk, static_cast<std::size_t>(n));
    return true;
  }
}

// Takes one request off the front of the buffer, reading as much as it needs.
bool read_request(int fd, std::string& buffer, RecordedRequest& out) {
  std::size_t head_end;
  while ((head_end = buffer.find("\r\n\r\n")) == std::string::npos)
    if (!read_more(fd, buffer)) return false;
  std::string_view head(buffer.data(), head_end);

  std::size_t line_end = head.find("\r\n");
  std::string_view request_line = head.substr(0, line_end);
  std::size_t sp1 = request_line.find(' ');
  std::size_t sp2 = request_line.find(' ', sp1 == std::string_view::npos ? sp1 : sp1 + 1);
  if (sp1 == std::string_view::npos || sp2 == std::string_view::npos) return false;
  out.method = std::string(request_line.substr(0, sp1));
  out.target = std::string(request_line.substr(sp1 + 1, sp2 - sp1 - 1));

  std::size_t content_length = 0;
  std::size_t pos = line_end == std::string_view::npos ? head.size() : line_end + 2;
  while (pos < head.size()) {
    std::size_t next = head.find("\r\n", pos);
    if (next == std::string_view::npos) next = head.size();
    std::string_view line = head.substr(pos, next - pos);
    std::size_t colon = line.find(':');
    if (colon != std::string_view::npos) {
      std::string_view name = line.substr(0, colon);
      std::string_view value = trim_ows(line.substr(colon + 1));
      out.headers.emplace_back(name, value);
      if (iequal(name, "Content-Length"))
        std::from_chars(value.data(), value.data() + value.size(), content_length);
    }
    pos = next + 2;
  }

  std::size_t body_start = head_end + 4;
  while (buffer.size() < body_start + content_length)
    if (!read_more(fd, buffer)) return false;
  out.body = buffer.substr(body_start, content_length);
  buffer.erase(0, body_start + content_length);
  return true;
}

std::string response_head(const CannedResponse& r) {
  std::string head = "HTTP/1.1 " + std::to_string(r.status) + " " + reason(r.status) + "\r\n";
  if (!r.content_type.empty()) head += "Content-Type: " + r.content_type + "\r\n";
  if (r.endless_chunks)
    head += "Transfer-Encoding: chunked\r\n";
  else
    head += "Content-Length: " + std::to_string(r.body.size()) + "\r\n";
  for (const auto& [name, value] : r.extra_headers) head += name + ": " + value + "\r\n";
  return head + "\r\n";
}

}  // namespace

std::string RecordedRequest::header(std::string_view name) const {
  for (const auto& [n, v] : headers)
    if (iequal(n, name)) return v;
  return {};
}

HttpServer::HttpServer() {
  listen_fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (listen_fd_ < 0) throw std::runtime_error("HttpServer: socket failed");
  int one = 1;
  ::setsockopt(listen_fd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  addr.sin_port = 0;
  socklen_t len = sizeof addr;
  if (::bind(listen_fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
      ::listen(listen_fd_, 64) != 0 ||
      ::getsockname(listen_fd_, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
    ::close(listen_fd_);
    throw std::runtime_error(std::string("HttpServer: cannot listen: ") + std::strerror(errno));
  }
  port_ = ntohs(addr.sin_port);
  acceptor_ = std::thread([this] { accept_loop(); });
}

HttpServer::~HttpServer() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
    // Shutting the sockets down wakes the threads blocked in accept() and recv().
    ::shutdown(listen_fd_, SHUT_RDWR);
    for (int fd : open_fds_) ::shutdown(fd, SHUT_RDWR);
  }
  stopped_cv_.notify_all();
  acceptor_.join();
  for (auto& worker : workers_) worker.join();  // the acceptor no longer adds any
  ::close(listen_fd_);
}

std::string HttpServer::authority() const {
  return "127.0.0.1:" + std::to_string(port_);
}

std::string HttpServer::url(std::string_view path) const {
  return "http://" + authority() + std::string(path);
}

void HttpServer::respond(CannedResponse r) {
  respond_with([r = std::move(r)](const RecordedRequest&) { return r; });
}

void HttpServer::respond_with(std::function<CannedResponse(const RecordedRequest&)> handler) {
  std::lock_guard lock(mutex_);
  handler_ = std::move(handler);
}

std::vector<RecordedRequest> HttpServer::requests() const {
  std::lock_guard lock(mutex_);
  return requests_;
}

RecordedRequest HttpServer::last_request() const {
  std::lock_guard lock(mutex_);
  if (requests_.empty()) throw std::runtime_error("HttpServer: no request received");
  return requests_.back();
}

std::size_t HttpServer::connections_accepted() const {
  std::lock_guard lock(mutex_);
  return accepted_;
}

void HttpServer::accept_loop() {
  for (;;) {
    int fd = ::accept4(listen_fd_, nullptr, nullptr, SOCK_CLOEXEC);
    std::lock_guard lock(mutex_);
    if (stopping_) {
      if (fd >= 0) ::close(fd);
      return;
    }
    if (fd < 0) continue;  // a client that gave up before being accepted
    int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    ++accepted_;
    open_fds_.push_back(fd);
    workers_.emplace_back([this, fd] { serve(fd); });
  }
}

CannedResponse HttpServer::answer_for(const RecordedRequest& request) {
  std::function<CannedResponse(const RecordedRequest&)> handler;
  {
    std::lock_guard lock(mutex_);
    requests_.push_back(request);
    handler = handler_;
  }
  return handler ? handler(request) : CannedResponse{};
}

bool HttpServer::is_stopping() const {
  std::lock_guard lock(mutex_);
  return stopping_;
}

void HttpServer::serve(int fd) {
  std::string buffer;
  for (;;) {
    RecordedRequest request;
    if (!read_request(fd, buffer, request)) break;
    CannedResponse r = answer_for(request);
    if (r.never_answer) {
      std::unique_lock lock(mutex_);
      stopped_cv_.wait(lock, [this] { return stopping_; });
      break;
    }
    if (r.close_without_answer) break;
    if (r.endless_chunks || r.trickle_ms > 0) {
      if (!send_all(fd, response_head(r))) break;
      if (r.endless_chunks) {
        const std::string chunk = "4000\r\n" + std::string(0x4000, 'x') + "\r\n";
        while (!is_stopping() && send_all(fd, chunk)) {
        }
      } else {
        for (char c : r.body) {
          if (is_stopping() || !send_all(fd, std::string_view(&c, 1))) break;
          std::this_thread::sleep_for(std::chrono::milliseconds(r.trickle_ms));
        }
      }
      break;
    }
    bool truncated = r.truncate_body_at < r.body.size();
    std::string_view body = r.body;
    if (request.method == "HEAD") body = {};
    if (truncated) body = body.substr(0, r.truncate_body_at);
    // One write: a head and body sent apart stall on Nagle against the client's delayed ACK.
    if (!send_all(fd, response_head(r).append(body)) || truncated) break;
    if (iequal(request.header("Connection"), "close")) break;
  }
  // Closed under the lock so that the destructor never shuts down a recycled descriptor.
  std::lock_guard lock(mutex_);
  open_fds_.erase(std::find(open_fds_.begin(), open_fds_.end(), fd));
  ::close(fd);
}

int refused_port() {
  int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) throw std::runtime_error("refused_port: socket failed");
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof addr;
  if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
    ::close(fd);
    throw std::runtime_error("refused_port: bind failed");
  }
  ::close(fd);
  return ntohs(addr.sin_port);
}

}  // namespace halvora::test
