// halvora-sim: the service simulators on loopback, for the demo, the conformance scripts and
// host developers who want to try their calls without the real services.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <unistd.h>

#include "loyalty_service.h"

namespace {

volatile std::sig_atomic_t stop_requested = 0;
void on_signal(int) {
  stop_requested = 1;
}

int usage() {
  std::fprintf(stderr,
               "usage: halvora-sim [--port N]\n"
               "Serves the loyalty service on 127.0.0.1 (any free port unless --port) and prints\n"
               "the line to export before running a host: HALVORA_LOYALTY_HOST=127.0.0.1:PORT.\n"
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
  if (loyalty.start(port) < 0) {
    std::fprintf(stderr, "halvora-sim: cannot listen on 127.0.0.1:%d\n", port);
    return 1;
  }
  std::printf("HALVORA_LOYALTY_HOST=%s\n", loyalty.authority().c_str());
  std::fflush(stdout);

  while (!stop_requested) usleep(100 * 1000);
  loyalty.stop();
  return 0;
}
