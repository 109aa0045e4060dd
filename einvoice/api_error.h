// A refusal the server answers with: an HTTP status and a message a person can act on.
#pragma once

#include <stdexcept>
#include <string>

namespace halvora::einvoice {

class ApiError : public std::runtime_error {
 public:
  ApiError(int status, const std::string& message) : std::runtime_error(message), status_(status) {}
  int status() const { return status_; }

 private:
  int status_;
};

// The statuses the server uses, so the component reads each one the same way.
namespace status {
inline constexpr int kBadRequest = 400;    // a body that is not what the operation takes
inline constexpr int kUnauthorized = 401;  // no session, or an expired one
inline constexpr int kNotFound = 404;      // no such document, guest or group
inline constexpr int kConflict = 409;      // cancelled already, a folio taken, a pre-invoice
inline constexpr int kRefused = 422;       // a document that cannot become a CFDI
inline constexpr int kLocked = 423;        // a user locked after wrong passwords
inline constexpr int kBadGateway = 502;    // the wallet service failed
inline constexpr int kInternal = 500;
}  // namespace status

}  // namespace halvora::einvoice
