// One HTTP exchange per request object, in the manner of the platform's XML HTTP request:
// open, set headers in order, send, then read the status and the response.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace halvora::platform {

struct HttpOptions {
  // Ask for gzip/deflate replies and decode them; off unless the caller wants it.
  bool accept_compressed = false;
};

class HttpRequest {
 public:
  virtual ~HttpRequest() = default;

  // Only synchronous requests exist. An URL that is not absolute http(s) fails here.
  virtual void open(std::u16string_view method, std::u16string_view url,
                    std::u16string_view user = {}, std::u16string_view password = {}) = 0;
  // Headers are sent in the order they were set; a header set here replaces the client's own
  // of the same name.
  virtual void set_request_header(std::u16string_view name, std::u16string_view value) = 0;
  // Sends the body bytes as they are and waits for the whole response. Failures to resolve,
  // connect, time out or read raise Error with the platform XML HTTP request's numbers and the
  // source "msxml6.dll". The HTTP status is never a failure.
  virtual void send(std::string_view body) = 0;

  virtual int32_t status() const = 0;
  virtual const std::string& response_body() const = 0;
  // The body decoded by its byte-order mark or charset, else as UTF-8.
  virtual std::u16string response_text() const = 0;
};

std::unique_ptr<HttpRequest> create_http_request(const HttpOptions& options = {});

// The numbers and texts the platform's XML HTTP request gives for its failures.
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
}  // namespace http_error

// The platform request's English text for one of its numbers; empty for a number it does not
// know.
std::u16string http_error_text(int32_t number);
// Throws Error with the number, its text and the source http_error::kSource.
[[noreturn]] void raise_http_error(int32_t number);

}  // namespace halvora::platform
