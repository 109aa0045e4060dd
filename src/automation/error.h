// The one error type of the library: what a host sees as Err.Number, Err.Description and
// Err.Source, whichever build it calls. Every number the library raises is named here, and its
// text stands once in the table of error.cpp.
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

  // One of the numbers below with its text from the table and the given source.
  static Error standard(int32_t number, std::u16string source = kLibrarySource);

 private:
  int32_t number_;
  std::u16string description_;
  std::u16string source_;
  std::string what_;  // UTF-8 copy for diagnostics
};

// The automation runtime's numbers, with the platform's English texts.
namespace err {
inline constexpr int32_t kInvalidCall = 5;
inline constexpr int32_t kOverflow = 6;
inline constexpr int32_t kOutOfMemory = 7;
inline constexpr int32_t kSubscript = 9;
inline constexpr int32_t kTypeMismatch = 13;
inline constexpr int32_t kInternal = 51;
inline constexpr int32_t kObjectNotSet = 91;
inline constexpr int32_t kInvalidUseOfNull = 94;
inline constexpr int32_t kInvalidPropertyValue = 380;
inline constexpr int32_t kObjectRequired = 424;
inline constexpr int32_t kCannotCreate = 429;
inline constexpr int32_t kNoSuchMember = 438;
inline constexpr int32_t kArgumentNotOptional = 449;
inline constexpr int32_t kWrongArguments = 450;
}  // namespace err

// The failures of the platform's XML HTTP request, raised by both builds with these numbers, the
// request's own texts and its source, so a host's error handling cannot tell the builds apart.
namespace http_error {
inline constexpr char16_t kSource[] = u"msxml6.dll";
inline constexpr int32_t kResourceNotFound = -2146697211;  // 0x800C0005: host not found/reached
inline constexpr int32_t kNoData = -2146697208;            // 0x800C0008: the download failed
inline constexpr int32_t kTimeout = -2147012894;           // 0x80072EE2
inline constexpr int32_t kInvalidUrl = -2147012891;        // 0x80072EE5
inline constexpr int32_t kUnknownProtocol = -2147012890;   // 0x80072EE6
inline constexpr int32_t kOutOfMemory = -2147024882;       // 0x8007000E: reply over the cap
inline constexpr int32_t kNotOpened = -1072896763;         // 0xC00C0205: send before open
inline constexpr int32_t kInvalidArgument = -2147024809;   // 0x80070057: a header with a break
inline constexpr int32_t kAccessDenied = -2147024891;      // 0x80070005: a redirect elsewhere
inline constexpr int32_t kRedirectFailed = -2147012740;    // 0x80072F7C: too many redirects
}  // namespace http_error

// The text of a number above, or an empty text for a number the table does not know.
std::u16string standard_error_text(int32_t number);

// Any exception as the library's error: a C++ failure that is not one of ours still reaches a
// host as a number and a text (7 when memory ran out, 51 otherwise), never as a crash.
Error as_error(std::exception_ptr failure);

}  // namespace halvora
