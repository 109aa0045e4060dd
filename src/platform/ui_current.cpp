// The UI in force. Only the choice of the configured UI differs between builds
// (create_configured_ui); holding and replacing it is the same everywhere.
#include "platform/ui.h"

namespace halvora::platform {

namespace {

// The core runs on one thread, so the UI in force needs no lock.
std::unique_ptr<Ui>& current() {
  static std::unique_ptr<Ui> installed;
  return installed;
}

}  // namespace

Ui& ui() {
  if (!current()) current() = create_configured_ui();
  return *current();
}

std::unique_ptr<Ui> set_ui(std::unique_ptr<Ui> replacement) {
  std::unique_ptr<Ui> previous = std::move(current());
  current() = std::move(replacement);
  return previous;
}

}  // namespace halvora::platform
