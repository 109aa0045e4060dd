// A channel-manager service on loopback (SOAP 1.1, POST on /channel): records the inventory and
// restriction updates it receives and lists the enhancements of a registration. Hotels 101 and
// 102 are known; an update for any other answers 500 with a SOAP fault. Registration 5001 has
// two enhancements, any other none (GetListResult's Count attribute says how many). A request
// whose SOAPAction is kEchoAction gets its own body back with status 200, so that a test can
// hand a client any reply text it likes. Replies are compressed when the client accepts it.
#pragma once

#include "http_service.h"

#include <mutex>
#include <string>
#include <vector>

namespace halvora::sim {

struct ChannelUpdate {
  std::string action;  // the SOAPAction as received
  std::string hotel, start, end, room_type, status;
};

class ChannelService : public HttpService {
 public:
  static constexpr const char* kEchoAction = "urn:halvora-sim:Echo";

  ChannelService();
  ~ChannelService() override;

  std::string url() const;  // "http://127.0.0.1:PORT/channel": the hosts' Wsdl argument

  std::vector<ChannelUpdate> updates() const;

 private:
  void routes(httplib::Server& server) override;
  int answer(const std::string& action, const std::string& body, std::string& reply);

  mutable std::mutex mutex_;
  std::vector<ChannelUpdate> updates_;
};

}  // namespace halvora::sim
