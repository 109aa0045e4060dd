// A wallet service on loopback: balances, charges and credits of wallet cards kept in memory,
// answered as the ASMX service does, on any path ending in ".asmx".
//
// Movement answer codes (the service's own; the library passes them on untouched):
//   0 done, 1 unknown card, 2 insufficient balance, 3 amount not positive.
// Cards 5001..5003 hold opening balances. Cards 9001..9008 answer every movement with a fixed
// text, so that hosts can see how odd answers come back: "32767", "32768", "-32768",
// "-32769", "2.7", "-0.5", "abc", "" (their balance is 0).
#pragma once

#include "http_service.h"

#include <map>
#include <mutex>
#include <string>

namespace halvora::sim {

class WalletService : public HttpService {
 public:
  WalletService();
  ~WalletService() override;

  double balance(const std::string& card) const;

 private:
  void routes(httplib::Server& server) override;
  std::string answer(const std::string& body);

  mutable std::mutex mutex_;
  std::map<std::string, double> balances_;
};

}  // namespace halvora::sim
