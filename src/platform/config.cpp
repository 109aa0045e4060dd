#include "platform/config.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdlib>
#include <string_view>

#include "automation/text.h"

namespace halvora::config {

namespace {

constexpr long kDefaultTimeoutMs = 60000;
constexpr long kMaxConnectTimeoutMs = 15000;
constexpr std::size_t kDefaultMaxResponseBytes = 32u << 20;

std::string env(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

std::string trim(std::string_view s) {
  while (!s.empty() && std::string_view(" \t\r\n").find(s.front()) != std::string_view::npos)
    s.remove_prefix(1);
  while (!s.empty() && std::string_view(" \t\r\n").find(s.back()) != std::string_view::npos)
    s.remove_suffix(1);
  return std::string(s);
}

std::u16string host_or(const char* name, std::u16string_view fallback) {
  std::string value = trim(env(name));
  return value.empty() ? std::u16string(fallback) : utf8_to_utf16(value);
}

// A positive whole number, or nothing: a typo must not turn a limit into zero.
template <typename T>
bool positive(const char* name, T& out) {
  std::string text(trim(env(name)));
  T value{};
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || !(value > 0)) return false;
  out = value;
  return true;
}

}  // namespace

std::u16string loyalty_host() {
  return host_or("HALVORA_LOYALTY_HOST", u"fidelidad.hotel.example");
}
std::u16string wallet_host() {
  return host_or("HALVORA_WALLET_HOST", u"monedero.hotel.example");
}
std::u16string gateway_host() {
  return host_or("HALVORA_GATEWAY_HOST", u"gateway.hotel.example:9990");
}

std::u16string channel_namespace() {
  return host_or("HALVORA_CHANNEL_NS", u"http://tempuri.org/");
}

std::u16string wallet_namespace() {
  return host_or("HALVORA_WALLET_NS", u"http://tempuri.org/");
}

long http_timeout_ms() {
  long ms = kDefaultTimeoutMs;
  positive("HALVORA_HTTP_TIMEOUT_MS", ms);
  return ms;
}

long http_connect_timeout_ms() {
  return std::min(kMaxConnectTimeoutMs, http_timeout_ms());
}

std::size_t http_max_response_bytes() {
  std::size_t bytes = kDefaultMaxResponseBytes;
  positive("HALVORA_HTTP_MAX_BYTES", bytes);
  return bytes;
}

std::string ui_mode() {
  std::string mode(trim(env("HALVORA_UI")));
  std::transform(mode.begin(), mode.end(), mode.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  // A Windows host runs without a console as a rule, so its boxes are native by default.
#ifdef _WIN32
  return mode.empty() ? "native" : mode;
#else
  return mode.empty() ? "console" : mode;
#endif
}

std::string ui_answers_path() {
  return env("HALVORA_UI_ANSWERS");
}
std::string ui_log_path() {
  return env("HALVORA_UI_LOG");
}
bool ui_transcript() {
  return trim(env("HALVORA_UI_TRANSCRIPT")) == "1";
}

// Unset asks the machine; set but empty is a deliberate "offline", so the two differ here.
std::string netstate_override() {
  const char* value = std::getenv("HALVORA_NETSTATE");
  return value ? value : "auto";
}

}  // namespace halvora::config
