// Tokens of the script language. Positions are 1-based, as the host's error messages show them.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "automation/variant.h"

namespace halvora::host {

enum class Tok {
  Identifier,  // text holds the name as written
  Number,      // value holds Integer, Long or Double, or a Date from a #date# literal
  String,      // value holds the text without quotes
  Operator,    // text holds the operator: ( ) , . = <> < > <= >= + - * / \ ^ &
  Newline,     // a statement separator: end of line or ':'
  End,
};

struct Token {
  Tok kind = Tok::End;
  std::u16string text;
  std::u16string key;  // an identifier folded once, for keyword and name look-ups
  Variant value;
  int line = 1;
  int column = 1;
  bool space_before = false;
  bool bracketed = false;  // [name]: never a keyword  // "a (b)" and "a(b)" call differently at the
                           // head of a statement
};

// A compilation error: reported with its position before anything runs.
struct SyntaxError {
  std::u16string message;
  int line;
  int column;
};

// Splits the whole source; throws SyntaxError for an unterminated string or a stray character.
std::vector<Token> tokenize(std::u16string_view source);

// ASCII lower case: names are case-insensitive and the registry's names are ASCII.
std::u16string fold(std::u16string_view name);

}  // namespace halvora::host
