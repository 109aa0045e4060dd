// A loopback HTTP/1.1 server for tests and benchmarks that keeps every request exactly as it
// came over the wire: header order and spelling matter to the peers the library talks to, and
// ready-made servers sort or fold headers.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <list>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

namespace halvora::test {

struct RecordedRequest {
  std::string method, target;
  std::vector<std::pair<std::string, std::string>> headers;  // wire order, names as written
  std::string body;
  // The first header of that name (ASCII case-insensitive), "" when there is none.
  std::string header(std::string_view name) const;
};

struct CannedResponse {
  int status = 200;
  std::string content_type = "text/xml; charset=utf-8";  // empty: no Content-Type header
  std::string body{};
  std::vector<std::pair<std::string, std::string>> extra_headers{};
  // Faults for failure tests; the request is always read and recorded first.
  bool never_answer = false;                // hold the connection silently until the server stops
  bool close_without_answer = false;        // close the connection
  std::size_t truncate_body_at = SIZE_MAX;  // full Content-Length, this many bytes, then close
  bool endless_chunks = false;  // a chunked body that never ends, until the client hangs up
  int trickle_ms = 0;           // > 0: the body one byte at a time, this many ms apart
};

class HttpServer {
 public:
  HttpServer();  // listening when constructed
  ~HttpServer();
  HttpServer(const HttpServer&) = delete;
  HttpServer& operator=(const HttpServer&) = delete;

  int port() const { return port_; }
  std::string authority() const;                       // "127.0.0.1:PORT"
  std::string url(std::string_view path = "/") const;  // "http://127.0.0.1:PORT" + path

  void respond(CannedResponse r);  // for every following request
  void respond_with(std::function<CannedResponse(const RecordedRequest&)> handler);

  std::vector<RecordedRequest> requests() const;
  RecordedRequest last_request() const;  // throws std::runtime_error when there is none
  std::size_t connections_accepted() const;

 private:
  void accept_loop();
  void serve(int fd);
  bool is_stopping() const;
  CannedResponse answer_for(const RecordedRequest& request);

  int listen_fd_ = -1;
  int port_ = 0;

  mutable std::mutex mutex_;
  std::condition_variable stopped_cv_;
  bool stopping_ = false;
  std::function<CannedResponse(const RecordedRequest&)> handler_;
  std::vector<RecordedRequest> requests_;
  std::vector<int> open_fds_;
  std::size_t accepted_ = 0;
  std::list<std::thread> workers_;
  std::thread acceptor_;
};

// A loopback port with nobody listening, so connecting to it is refused.
int refused_port();

}  // namespace halvora::test
