// A loyalty service on loopback that answers the three card operations from balances kept in
// memory: the demo's peer, and a way for host developers to try their calls offline.
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

class LoyaltyService {
 public:
  // Demo cards: members M-100..M-102 hold cards 1001..1003 with opening balances.
  LoyaltyService();
  ~LoyaltyService();

  // Listens on 127.0.0.1 (port 0: any free one) in a thread of its own; returns the port.
  int start(int port = 0);
  void stop();
  std::string authority() const;  // "127.0.0.1:PORT": the value for HALVORA_LOYALTY_HOST

  double balance(const std::string& card) const;

 private:
  std::string answer(const std::string& body);

  struct Card {
    std::string member;
    double balance;
  };
  mutable std::mutex mutex_;
  std::map<std::string, Card> cards_;
  int next_movement_ = 1;
  int port_ = 0;
  std::unique_ptr<httplib::Server> server_;
  std::thread thread_;
};

}  // namespace halvora::sim
