// A loyalty service on loopback that answers the three card operations from balances kept in
// memory: the demo's peer, and a way for host developers to try their calls offline.
#pragma once

#include "http_service.h"

#include <map>
#include <mutex>
#include <string>

namespace halvora::sim {

class LoyaltyService : public HttpService {
 public:
  // Demo cards: members M-100..M-102 hold cards 1001..1003 with opening balances.
  LoyaltyService();
  ~LoyaltyService() override;

  double balance(const std::string& card) const;

 private:
  void routes(httplib::Server& server) override;
  std::string answer(const std::string& body);

  struct Card {
    std::string member;
    double balance;
  };
  mutable std::mutex mutex_;
  std::map<std::string, Card> cards_;
  int next_movement_ = 1;
};

}  // namespace halvora::sim
