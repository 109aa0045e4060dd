#include "automation/json.h"

#include <cstdio>

#include "automation/text.h"

namespace halvora {

std::string json_string(std::u16string_view text) {
  std::string out = "\"";
  for (char c : utf16_to_utf8(text)) {
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\u%04X", static_cast<unsigned>(c));
          out += escaped;
        } else {
          out += c;  // non-ASCII stays raw UTF-8
        }
    }
  }
  return out + "\"";
}

}  // namespace halvora
