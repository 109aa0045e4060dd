// Windows-1252, the code page that raw-text peers such as the internet gateway speak where the
// platform has no ANSI code page of its own to offer.
#pragma once

#include <string>
#include <string_view>

namespace halvora {

// One byte per character; a character outside the code page (a surrogate pair counts as one)
// becomes "?". The five bytes the code page leaves undefined map to the C1 controls of the same
// value, both ways, as Windows does.
std::string to_windows_1252(std::u16string_view text);
std::u16string from_windows_1252(std::string_view bytes);

}  // namespace halvora
