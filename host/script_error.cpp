#include "script_error.h"

namespace halvora::host {

std::u16string runtime_text(int32_t number) {
  switch (number) {
    case herr::kFixedArray:
      return u"This array is fixed or temporarily locked";
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
    case herr::kUnqualifiedReference:
      return u"Invalid or unqualified reference";
    case herr::kClassNotDefined:
      return u"Class not defined";
    case err::kObjectNotSet:
      // The host's own text is shorter than the automation runtime's.
      return u"Object variable not set";
    // The rest of the host's runtime errors, for Err.Raise with a number alone.
    case 17:
      return u"Can't perform requested operation";
    case 35:
      return u"Sub or Function not defined";
    case 48:
      return u"Error in loading DLL";
    case 92:
      return u"For loop not initialized";
    case 445:
      return u"Object doesn't support this action";
    case 447:
      return u"Object doesn't support current locale setting";
    case 448:
      return u"Named argument not found";
    case 458:
      return u"Variable uses an Automation type not supported in VBScript";
    case 462:
      return u"The remote server machine does not exist or is unavailable";
    case 502:
      return u"Object not safe for scripting";
    case 503:
      return u"Object not safe for initializing";
    case 504:
      return u"Object not safe for creating";
    case 507:
      return u"An exception occurred";
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
