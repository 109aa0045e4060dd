// The failure report of the web-service operations: they catch every failure inside them, show
// it in a box and return what they had assigned so far.
#pragma once

#include <exception>
#include <string_view>

#include "automation/error.h"

namespace halvora {

// "ERROR: <number> <description>" CR LF "<source>", critical icon, the operation's title.
void show_failure_report(const Error& failure, std::u16string_view title);

// Runs an operation that reports its own failures: a failure shows the report under the title
// and the operation returns what it had assigned so far.
template <class Body>
void reporting_failures(std::u16string_view title, Body&& body) {
  try {
    body();
  } catch (...) {
    show_failure_report(as_error(std::current_exception()), title);
  }
}

}  // namespace halvora
