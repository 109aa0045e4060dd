// The component's own error numbers, as an outside component raises them: the platform's
// vbObjectError plus a number of ours, with the source "ServidorFacturacion". The runtime's
// numbers (13 for a record of the wrong class, 91 for none) are the library's.
#pragma once

#include <cstdint>

namespace halvora::einvoice {

inline constexpr char16_t kSource[] = u"ServidorFacturacion";

namespace err {
inline constexpr int32_t kObjectError = -2147221504;  // vbObjectError, 0x80040000
// The server refused what it was given: a document that cannot become a CFDI, a value out of
// range, a request it cannot read. The description says what to correct.
inline constexpr int32_t kRefused = kObjectError + 1001;
// No session: Conectar has not succeeded in this process, or the session expired.
inline constexpr int32_t kNotConnected = kObjectError + 1002;
// No server answers at the location, or it stopped answering during the call.
inline constexpr int32_t kUnreachable = kObjectError + 1003;
// No such document, guest or group.
inline constexpr int32_t kNotFound = kObjectError + 1004;
// The state forbids it: cancelled already, a folio issued already, a pre-invoice.
inline constexpr int32_t kConflict = kObjectError + 1005;
// The user is locked after too many wrong passwords.
inline constexpr int32_t kLocked = kObjectError + 1006;
// The electronic-wallet service failed.
inline constexpr int32_t kWallet = kObjectError + 1007;
// The server failed, or answered something that is not its reply; or a document could not be
// saved at the workstation.
inline constexpr int32_t kServerFailed = kObjectError + 1008;
}  // namespace err

}  // namespace halvora::einvoice
