// halvora-sim: the service simulators on loopback, for the demo, the conformance scripts and
// host developers who want to try their calls without the real services.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <unistd.h>

#include "channel_service.h"
#include "gateway_service.h"
#include "loyalty_service.h"
#include "wallet_service.h"

namespace {

volatile std::sig_atomic_t stop_requested = 0;
void on_signal(int) {
  stop_requested = 1;
}

int usage() {
  std::fprintf(stderr,
               "usage: halvora-sim [--port N]\n"
               "Serves the loyalty service (any free port unless --port), the wallet service, the\n"
               "internet gateway and "
               "the channel manager on 127.0.0.1, then prints one line per service:\n"
               "  HALVORA_LOYALTY_HOST=127.0.0.1:P1   export before running a host\n"
               "  HALVORA_WALLET_HOST=127.0.0.1:P2    export before running a host\n"
               "  HALVORA_GATEWAY_HOST=127.0.0.1:P4   the internet gateway (raw TCP)\n"
               "  HALVORA_CHANNEL_URL=http://127.0.0.1:P3/channel   the hosts' Wsdl argument\n"
               "The channel line comes last: once it is there, all four are listening.\n"
               "Stops on SIGINT or SIGTERM.\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  int port = 0;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--port") == 0 && i + 1 < argc) {
      char* end = nullptr;
      long value = std::strtol(argv[++i], &end, 10);
      if (*end != '\0' || value < 0 || value > 65535) return usage();
      port = static_cast<int>(value);
    } else {
      return usage();
    }
  }

  std::signal(SIGINT, on_signal);
  std::signal(SIGTERM, on_signal);

  halvora::sim::LoyaltyService loyalty;
  halvora::sim::WalletService wallet;
  halvora::sim::ChannelService channel;
  halvora::sim::GatewayService gateway;
  if (loyalty.start(port) < 0) {
    std::fprintf(stderr, "halvora-sim: cannot listen on 127.0.0.1:%d\n", port);
    return 1;
  }
  if (wallet.start() < 0 || channel.start() < 0 || gateway.start() < 0) {
    std::fprintf(stderr, "halvora-sim: cannot listen on 127.0.0.1\n");
    return 1;
  }
  std::printf("HALVORA_LOYALTY_HOST=%s\n", loyalty.authority().c_str());
  std::printf("HALVORA_WALLET_HOST=%s\n", wallet.authority().c_str());
  std::printf("HALVORA_GATEWAY_HOST=%s\n", gateway.authority().c_str());
  std::printf("HALVORA_CHANNEL_URL=%s\n", channel.url().c_str());
  std::fflush(stdout);

  while (!stop_requested) usleep(100 * 1000);
  gateway.stop();
  channel.stop();
  wallet.stop();
  loyalty.stop();
  return 0;
}
