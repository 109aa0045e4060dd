// Errors as a script sees them: what fills Err, or what the host reports when nobody catches it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "automation/error.h"

namespace halvora::host {

inline constexpr char16_t kRuntimeSource[] = u"Microsoft VBScript runtime error";
inline constexpr char16_t kCompileSource[] = u"Microsoft VBScript compilation error";

// The host's own numbers beyond the core's table.
namespace herr {
inline constexpr int32_t kFixedArray = 10;
inline constexpr int32_t kDivisionByZero = 11;
inline constexpr int32_t kOutOfStringSpace = 14;
inline constexpr int32_t kOutOfStack = 28;
inline constexpr int32_t kNotCollection = 451;
inline constexpr int32_t kUndefinedVariable = 500;
inline constexpr int32_t kIllegalAssignment = 501;
inline constexpr int32_t kUnqualifiedReference = 505;
inline constexpr int32_t kClassNotDefined = 506;
}  // namespace herr

struct ScriptError {
  int32_t number = 0;
  std::u16string description;
  std::u16string source;
  int line = 0;  // the statement that failed; 0 until the statement loop stamps it
  int column = 0;
};

// An error raised by the host itself, with the standard text for its number.
ScriptError runtime_error(int32_t number);
// The standard text, including the host's own numbers; "Unknown runtime error" otherwise.
std::u16string runtime_text(int32_t number);

// The longest text a script may build. The platform's strings end at 2^30 - 1 characters (their
// byte count is a 31-bit number); a lower bound keeps a runaway script from taking the machine's
// memory first. The halvora tool reads one from HALVORA_SCRIPT_MAX_TEXT.
inline constexpr std::size_t kPlatformMaxText = (std::size_t{1} << 30) - 1;
std::size_t max_text_length();
void set_max_text_length(std::size_t chars);
// 14 "Out of string space", catchable, when a text of `length` characters would pass the limit.
void check_text_length(std::size_t length);

// An error that escaped a library member keeps the library's number, text and source.
inline ScriptError from_library(const Error& e) {
  return {e.number(), e.description(), e.source()};
}
// A core conversion failed inside the host's own code (an operator or a built-in): the script
// sees it as the host's runtime error.
inline ScriptError from_host(const Error& e) {
  return {e.number(), e.description(), kRuntimeSource};
}

}  // namespace halvora::host
