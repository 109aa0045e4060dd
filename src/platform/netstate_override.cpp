// HALVORA_NETSTATE, read the same way by both builds so that a test or a kiosk set up offline
// behaves alike whatever machine it runs on.
#include <cctype>
#include <string>
#include <string_view>

#include "platform/config.h"
#include "platform/netstate.h"

namespace halvora::platform {

namespace {

std::string lower_trimmed(std::string_view s) {
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

struct Word {
  std::string_view word;
  uint32_t flag;
};
constexpr Word kWords[] = {
    {"lan", kConnectionLan}, {"modem", kConnectionModem}, {"proxy", kConnectionProxy}};

}  // namespace

// Unknown words are skipped rather than refused: a list written for a later version still
// gives the flags this one knows.
std::optional<ConnectionState> netstate_from_override() {
  std::string configured = config::netstate_override();
  if (lower_trimmed(configured) == "auto") return std::nullopt;
  ConnectionState state;
  std::string_view list = configured;
  while (!list.empty()) {
    std::size_t comma = list.find(',');
    std::string word = lower_trimmed(list.substr(0, comma));
    list = comma == std::string_view::npos ? std::string_view{} : list.substr(comma + 1);
    if (word == "online") state.connected = true;
    for (const auto& w : kWords)
      if (word == w.word) state.flags |= w.flag;
  }
  return state;
}

}  // namespace halvora::platform
