// Texts written into JSON, for the UI log and the e-invoicing requests alike.
#pragma once

#include <string>
#include <string_view>

namespace halvora {

// The text as a quoted JSON string: UTF-8, with quotes, backslashes and control characters
// escaped.
std::string json_string(std::u16string_view text);

}  // namespace halvora
