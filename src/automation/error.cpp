#include "automation/error.h"

#include <new>
#include <utility>

#include "automation/text.h"

namespace halvora {

namespace {

struct StandardText {
  int32_t number;
  const char16_t* text;
};

constexpr StandardText kStandardTexts[] = {
    {err::kInvalidCall, u"Invalid procedure call or argument"},
    {err::kOverflow, u"Overflow"},
    {err::kOutOfMemory, u"Out of memory"},
    {err::kSubscript, u"Subscript out of range"},
    {err::kTypeMismatch, u"Type mismatch"},
    {err::kInternal, u"Internal error"},
    {err::kInvalidUseOfNull, u"Invalid use of Null"},
    {err::kObjectNotSet, u"Object variable or With block variable not set"},
    {err::kInvalidPropertyValue, u"Invalid property value"},
    {err::kObjectRequired, u"Object required"},
    {err::kCannotCreate, u"ActiveX component can't create object"},
    {err::kNoSuchMember, u"Object doesn't support this property or method"},
    {err::kArgumentNotOptional, u"Argument not optional"},
    {err::kWrongArguments, u"Wrong number of arguments or invalid property assignment"},
    {http_error::kResourceNotFound, u"The system cannot locate the resource specified."},
    {http_error::kNoData, u"The download of the specified resource has failed."},
    {http_error::kTimeout, u"The operation timed out"},
    {http_error::kInvalidUrl, u"The URL is invalid"},
    {http_error::kUnknownProtocol, u"The URL does not use a recognized protocol"},
    {http_error::kOutOfMemory, u"Not enough storage is available to complete this operation."},
    {http_error::kNotOpened,
     u"The data necessary to complete this operation is not yet available."},
    {http_error::kInvalidArgument, u"The parameter is incorrect."},
    {http_error::kAccessDenied, u"Access is denied."},
    {http_error::kRedirectFailed, u"The HTTP redirect request failed"},
};

}  // namespace

Error::Error(int32_t number, std::u16string description, std::u16string source)
    : number_(number), description_(std::move(description)), source_(std::move(source)) {
  what_ = std::to_string(number_) + " " + utf16_to_utf8(description_) + " (" +
          utf16_to_utf8(source_) + ")";
}

std::u16string standard_error_text(int32_t number) {
  for (const auto& s : kStandardTexts)
    if (s.number == number) return s.text;
  return {};
}

Error Error::standard(int32_t number, std::u16string source) {
  std::u16string text = standard_error_text(number);
  if (text.empty()) text = u"Application-defined or object-defined error";
  return Error(number, std::move(text), std::move(source));
}

Error as_error(std::exception_ptr failure) {
  try {
    std::rethrow_exception(failure);
  } catch (const Error& e) {
    return e;
  } catch (const std::bad_alloc&) {
    return Error::standard(err::kOutOfMemory);
  } catch (const std::exception& e) {
    return Error(err::kInternal,
                 standard_error_text(err::kInternal) + u": " + utf8_to_utf16(e.what()));
  } catch (...) {
    return Error::standard(err::kInternal);
  }
}

}  // namespace halvora
