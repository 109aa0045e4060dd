// One HTTP exchange per request object, in the manner of the platform's XML HTTP request:
// open, set headers in order, send, then read the status and the response.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "automation/error.h"

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

// Throws the failure with its number (one of http_error's), the request's text for it and the
// source http_error::kSource.
[[noreturn]] inline void raise_http_error(int32_t number) {
  throw Error::standard(number, http_error::kSource);
}

}  // namespace halvora::platform
