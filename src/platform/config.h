// Runtime configuration from the environment, read on every call so that a host or a test
// may change it between calls.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace halvora::config {

// Deployment hosts ("host" or "host:port"); blank or unset gives the built-in default.
std::u16string loyalty_host();  // HALVORA_LOYALTY_HOST
std::u16string wallet_host();   // HALVORA_WALLET_HOST
std::u16string gateway_host();  // HALVORA_GATEWAY_HOST

std::u16string channel_namespace();  // HALVORA_CHANNEL_NS
std::u16string wallet_namespace();   // HALVORA_WALLET_NS

long http_timeout_ms();                 // HALVORA_HTTP_TIMEOUT_MS: total time of one exchange
long http_connect_timeout_ms();         // the connect phase, never longer than the total
std::size_t http_max_response_bytes();  // HALVORA_HTTP_MAX_BYTES: larger replies fail

std::string ui_mode();          // HALVORA_UI: "console", "script" or "native"
std::string ui_answers_path();  // HALVORA_UI_ANSWERS
std::string ui_log_path();      // HALVORA_UI_LOG
// HALVORA_UI_TRANSCRIPT=1: the unattended UI also prints each box, readably, on standard output.
bool ui_transcript();

// HALVORA_NETSTATE: "auto" (or unset) asks the machine; otherwise a comma list.
std::string netstate_override();

}  // namespace halvora::config
