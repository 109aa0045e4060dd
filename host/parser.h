// Recursive descent over the token list, with the language's operator precedence. Nesting is
// bounded so hostile input ends in a compilation error rather than a crash.
#pragma once

#include <string_view>

#include "ast.h"
#include "lexer.h"

namespace halvora::host {

// Throws SyntaxError with the position of the offending token.
Program parse(std::u16string_view source);

}  // namespace halvora::host
