// A loopback TCP server for the raw-text gateway tests: it records every byte it receives and
// answers each line (ended by LF) as the test says, including the faults a real gateway has.
#pragma once

#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace halvora::test {

struct LineAction {
  std::vector<std::string> writes;  // sent in order, each as its own write, a moment apart
  bool close = false;               // then close the connection
};

class LineServer {
 public:
  // handler: the line without its LF (a CR stays), to what to do.
  explicit LineServer(std::function<LineAction(const std::string&)> handler);
  ~LineServer();
  LineServer(const LineServer&) = delete;
  LineServer& operator=(const LineServer&) = delete;

  int port() const { return port_; }
  std::string received() const;  // every byte of every connection, in order
  int connections() const;

  // A port on loopback where nothing listens: a connection there is refused.
  static int refused_port();

 private:
  void run();

  std::function<LineAction(const std::string&)> handler_;
  int listener_ = -1;
  int port_ = 0;
  int wake_[2] = {-1, -1};
  std::thread thread_;
  mutable std::mutex mutex_;
  std::string received_;
  int connections_ = 0;
};

}  // namespace halvora::test
