#include "script_error.h"

namespace halvora::host {

std::u16string runtime_text(int32_t number) {
  switch (number) {
    case herr::kDivisionByZero:
      return u"Division by zero";
    case herr::kOutOfStringSpace:
      return u"Out of string space";
    case herr::kOutOfStack:
      return u"Out of stack space";
    case herr::kNotCollection:
      return u"Object not a collection";
    case herr::kUndefinedVariable:
      return u"Variable is undefined";
    case herr::kIllegalAssignment:
      return u"Illegal assignment";
    default:
      break;
  }
  std::u16string text = standard_error_text(number);
  return text.empty() ? u"Unknown runtime error" : text;
}

namespace {
std::size_t g_max_text = kPlatformMaxText;
}

std::size_t max_text_length() {
  return g_max_text;
}

void set_max_text_length(std::size_t chars) {
  g_max_text = chars < kPlatformMaxText ? chars : kPlatformMaxText;
}

void check_text_length(std::size_t length) {
  if (length > g_max_text) throw runtime_error(herr::kOutOfStringSpace);
}

ScriptError runtime_error(int32_t number) {
  return {number, runtime_text(number), kRuntimeSource};
}

}  // namespace halvora::host
