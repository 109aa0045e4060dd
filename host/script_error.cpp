#include "script_error.h"

namespace halvora::host {

std::u16string runtime_text(int32_t number) {
  switch (number) {
    case herr::kDivisionByZero:
      return u"Division by zero";
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

ScriptError runtime_error(int32_t number) {
  return {number, runtime_text(number), kRuntimeSource};
}

}  // namespace halvora::host
