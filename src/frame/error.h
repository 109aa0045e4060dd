// The one error type of the library: what a host sees as Err.Number, Err.Description and
// Err.Source, whichever build it calls.
#pragma once

#include <cstdint>
#include <exception>
#include <string>

namespace halvora {

// The component name that the library's own errors carry.
inline constexpr char16_t kLibrarySource[] = u"HALVORA";

class Error : public std::exception {
 public:
  Error(int32_t number, std::u16string description, std::u16string source = kLibrarySource);

  int32_t number() const { return number_; }
  const std::u16string& description() const { return description_; }
  const std::u16string& source() const { return source_; }
  const char* what() const noexcept override { return what_.c_str(); }

  // One of the automation runtime's numbered errors with its standard English text.
  static Error standard(int32_t number);

 private:
  int32_t number_;
  std::u16string description_;
  std::u16string source_;
  std::string what_;  // UTF-8 copy for diagnostics
};

// The standard numbers the core raises.
namespace err {
inline constexpr int32_t kInvalidCall = 5;
inline constexpr int32_t kOverflow = 6;
inline constexpr int32_t kSubscript = 9;
inline constexpr int32_t kTypeMismatch = 13;
inline constexpr int32_t kObjectNotSet = 91;
inline constexpr int32_t kInvalidUseOfNull = 94;
inline constexpr int32_t kObjectRequired = 424;
inline constexpr int32_t kNoSuchMember = 438;
inline constexpr int32_t kArgumentNotOptional = 449;
inline constexpr int32_t kWrongArguments = 450;
}  // namespace err

// The text of a standard number, or an empty text for a number the table does not know.
std::u16string standard_error_text(int32_t number);

}  // namespace halvora
