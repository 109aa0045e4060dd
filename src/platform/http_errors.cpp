// The failure numbers and texts of the platform's XML HTTP request, shared by both builds so
// that a host's error handling sees the same Err.Number and Err.Description on either.
#include "frame/error.h"
#include "platform/http.h"

namespace halvora::platform {

namespace {

struct ErrorText {
  int32_t number;
  const char16_t* text;
};

// The platform request's own texts, so a host that shows Err.Description sees the same words.
constexpr ErrorText kErrorTexts[] = {
    {http_error::kResourceNotFound, u"The system cannot locate the resource specified."},
    {http_error::kNoData, u"The download of the specified resource has failed."},
    {http_error::kTimeout, u"The operation timed out"},
    {http_error::kInvalidUrl, u"The URL is invalid"},
    {http_error::kUnknownProtocol, u"The URL does not use a recognized protocol"},
    {http_error::kOutOfMemory, u"Not enough storage is available to complete this operation."},
    {http_error::kNotOpened,
     u"The data necessary to complete this operation is not yet available."},
    {http_error::kInvalidArgument, u"The parameter is incorrect."},
};

}  // namespace

std::u16string http_error_text(int32_t number) {
  for (const auto& e : kErrorTexts)
    if (e.number == number) return e.text;
  return {};
}

void raise_http_error(int32_t number) {
  throw Error(number, http_error_text(number), http_error::kSource);
}

}  // namespace halvora::platform
