// A loopback HTTP service of the simulator: listens on 127.0.0.1 in a thread of its own and
// serves the routes its subclass declares.
#pragma once

#include <memory>
#include <string>
#include <thread>

namespace httplib {
class Server;
}

namespace halvora::sim {

class HttpService {
 public:
  HttpService();
  virtual ~HttpService();
  HttpService(const HttpService&) = delete;
  HttpService& operator=(const HttpService&) = delete;

  // Port 0: any free one. Returns the port, or -1 when it cannot listen.
  int start(int port = 0);
  // Subclasses call it from their own destructor, before their state goes.
  void stop();
  std::string authority() const;  // "127.0.0.1:PORT"

 protected:
  virtual void routes(httplib::Server& server) = 0;

 private:
  int port_ = 0;
  std::unique_ptr<httplib::Server> server_;
  std::thread thread_;
};

}  // namespace halvora::sim
