// A wallet service on loopback: balances, charges and credits of wallet cards kept in memory,
// answered as the ASMX service does, on any path ending in ".asmx".
//
// Movement answer codes (the service's own; the library passes them on untouched):
//   0 done, 1 unknown card, 2 insufficient balance, 3 amount not positive.
// Cards 5001..5003 hold opening balances. Cards 9001..9008 answer every movement with a fixed
// text, so that hosts can see how odd answers come back: "32767", "32768", "-32768",
// "-32769", "2.7", "-0.5", "abc", "" (their balance is 0).
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace httplib {
class Server;
}

namespace halvora::sim {

class WalletService {
 public:
  WalletService();
  ~WalletService();

  int start(int port = 0);  // 127.0.0.1, port 0: any free one; returns the port or -1
  void stop();
  std::string authority() const;  // the value for HALVORA_WALLET_HOST

  double balance(const std::string& card) const;

 private:
  std::string answer(const std::string& body);

  mutable std::mutex mutex_;
  std::map<std::string, double> balances_;
  int port_ = 0;
  std::unique_ptr<httplib::Server> server_;
  std::thread thread_;
};

}  // namespace halvora::sim
