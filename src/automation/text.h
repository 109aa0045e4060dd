// Text helpers: the core keeps text as UTF-16 and converts only at the edges.
#pragma once

#include <string>
#include <string_view>

namespace halvora {

// Invalid sequences become U+FFFD rather than failing: text from files and peers is not trusted.
std::u16string utf8_to_utf16(std::string_view in);
// The same, appended to `out`.
void append_utf8(std::u16string& out, std::string_view in);
std::string utf16_to_utf8(std::u16string_view in);
// The text with every lone surrogate replaced by U+FFFD, as utf16_to_utf8 writes it: for a
// consumer that takes UTF-16 but would mishandle ill-formed text.
std::u16string well_formed_utf16(std::u16string_view in);

// The platform's Trim: spaces only (U+0020), both ends.
std::u16string trim_spaces(std::u16string_view in);

// Case-insensitive comparison for member and class names (ASCII letters only, like the
// names that the registry holds).
bool iequals(std::u16string_view a, std::u16string_view b);
// The order that goes with iequals: negative, zero or positive as `a` sorts before, with or after
// `b`, ASCII letters without regard to case.
int compare_ignoring_case(std::u16string_view a, std::u16string_view b);

// Letter case of text as people write it: ASCII and the letters of Latin-1 (U+00C0 to U+00FE
// but for the signs U+00D7 and U+00F7), so Spanish names fold too. Every other character is left
// as it is: "ß" and "ÿ" have no single-character partner there. The script host's UCase and LCase
// are these.
char16_t upper_case(char16_t c);
char16_t lower_case(char16_t c);
std::u16string upper_case(std::u16string_view in);
std::u16string lower_case(std::u16string_view in);

inline std::u16string operator""_u(const char16_t* s, std::size_t n) {
  return {s, n};
}

}  // namespace halvora
