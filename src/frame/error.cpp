#include "frame/error.h"

#include <array>
#include <utility>

#include "frame/text.h"

namespace halvora {

namespace {

struct StandardText {
  int32_t number;
  const char16_t* text;
};

constexpr std::array<StandardText, 10> kStandardTexts{{
    {err::kInvalidCall, u"Invalid procedure call or argument"},
    {err::kOverflow, u"Overflow"},
    {err::kSubscript, u"Subscript out of range"},
    {err::kTypeMismatch, u"Type mismatch"},
    {err::kInvalidUseOfNull, u"Invalid use of Null"},
    {err::kObjectNotSet, u"Object variable or With block variable not set"},
    {err::kObjectRequired, u"Object required"},
    {err::kNoSuchMember, u"Object doesn't support this property or method"},
    {err::kArgumentNotOptional, u"Argument not optional"},
    {err::kWrongArguments, u"Wrong number of arguments or invalid property assignment"},
}};

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

Error Error::standard(int32_t number) {
  std::u16string text = standard_error_text(number);
  if (text.empty()) text = u"Application-defined or object-defined error";
  return Error(number, std::move(text));
}

}  // namespace halvora
