#include "http_service.h"

#include <httplib.h>

namespace halvora::sim {

HttpService::HttpService() = default;

HttpService::~HttpService() {
  stop();
}

int HttpService::start(int port) {
  server_ = std::make_unique<httplib::Server>();
  routes(*server_);
  if (port == 0)
    port_ = server_->bind_to_any_port("127.0.0.1");
  else
    port_ = server_->bind_to_port("127.0.0.1", port) ? port : -1;
  if (port_ < 0) return -1;
  // Already listening: connections made before the thread runs wait in the backlog.
  thread_ = std::thread([this] { server_->listen_after_bind(); });
  return port_;
}

void HttpService::stop() {
  if (!server_) return;
  server_->stop();
  if (thread_.joinable()) thread_.join();
  server_.reset();
}

std::string HttpService::authority() const {
  return "127.0.0.1:" + std::to_string(port_);
}

}  // namespace halvora::sim
