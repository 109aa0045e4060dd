#include "automation/text.h"

namespace halvora {

std::u16string utf8_to_utf16(std::string_view in) {
  std::u16string out;
  append_utf8(out, in);
  return out;
}

void append_utf8(std::u16string& out, std::string_view in) {
  out.reserve(out.size() + in.size());
  // Replies are mostly ASCII: copy that run first without decoding.
  std::size_t ascii = 0;
  while (ascii < in.size() && static_cast<unsigned char>(in[ascii]) < 0x80) ++ascii;
  out.append(in.begin(), in.begin() + static_cast<std::ptrdiff_t>(ascii));
  std::size_t i = ascii;
  auto bad = [&] {
    out.push_back(0xFFFD);
    ++i;
  };
  while (i < in.size()) {
    unsigned char c = static_cast<unsigned char>(in[i]);
    if (c < 0x80) {
      out.push_back(c);
      ++i;
      continue;
    }
    int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : -1;
    if (extra < 0 || c > 0xF4 || i + extra >= in.size()) {
      bad();
      continue;
    }
    char32_t cp = c & (0x3F >> extra);
    bool ok = true;
    for (int k = 1; k <= extra; ++k) {
      unsigned char cc = static_cast<unsigned char>(in[i + k]);
      if ((cc & 0xC0) != 0x80) {
        ok = false;
        break;
      }
      cp = (cp << 6) | (cc & 0x3F);
    }
    static constexpr char32_t kMin[] = {0, 0x80, 0x800, 0x10000};
    if (!ok || cp < kMin[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
      bad();
      continue;
    }
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
    i += extra + 1;
  }
}

std::string utf16_to_utf8(std::u16string_view in) {
  // Sized for the worst case and written through a pointer: every request body passes through
  // here, and appending byte by byte cost more than the rest of building the request.
  std::string out(in.size() * 3, '\0');
  char* o = out.data();
  for (std::size_t i = 0; i < in.size(); ++i) {
    char32_t cp = in[i];
    if (cp < 0x80) {
      *o++ = static_cast<char>(cp);
      continue;
    }
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < in.size() && in[i + 1] >= 0xDC00 &&
        in[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (in[i + 1] - 0xDC00);
      ++i;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = 0xFFFD;  // a lone surrogate has no UTF-8 form
    }
    if (cp < 0x800) {
      *o++ = static_cast<char>(0xC0 | (cp >> 6));
    } else if (cp < 0x10000) {
      *o++ = static_cast<char>(0xE0 | (cp >> 12));
      *o++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    } else {
      // Two UTF-16 units became four bytes: still within the reserve.
      *o++ = static_cast<char>(0xF0 | (cp >> 18));
      *o++ = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
      *o++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    }
    *o++ = static_cast<char>(0x80 | (cp & 0x3F));
  }
  out.resize(static_cast<std::size_t>(o - out.data()));
  return out;
}

std::u16string well_formed_utf16(std::u16string_view in) {
  std::u16string out(in);
  for (std::size_t i = 0; i < out.size(); ++i) {
    char16_t c = out[i];
    if (c < 0xD800 || c > 0xDFFF) continue;
    if (c <= 0xDBFF && i + 1 < out.size() && out[i + 1] >= 0xDC00 && out[i + 1] <= 0xDFFF)
      ++i;  // a pair: both halves stay
    else
      out[i] = 0xFFFD;
  }
  return out;
}

std::u16string trim_spaces(std::u16string_view in) {
  std::size_t b = in.find_first_not_of(u' ');
  if (b == std::u16string_view::npos) return {};
  std::size_t e = in.find_last_not_of(u' ');
  return std::u16string(in.substr(b, e - b + 1));
}

int compare_ignoring_case(std::u16string_view a, std::u16string_view b) {
  std::size_t n = a.size() < b.size() ? a.size() : b.size();
  for (std::size_t i = 0; i < n; ++i) {
    char16_t x = a[i], y = b[i];
    if (x >= u'A' && x <= u'Z') x = static_cast<char16_t>(x + 32);
    if (y >= u'A' && y <= u'Z') y = static_cast<char16_t>(y + 32);
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

bool iequals(std::u16string_view a, std::u16string_view b) {
  return a.size() == b.size() && compare_ignoring_case(a, b) == 0;
}

char16_t upper_case(char16_t c) {
  if ((c >= u'a' && c <= u'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7))
    return static_cast<char16_t>(c - 0x20);
  return c;
}

char16_t lower_case(char16_t c) {
  if ((c >= u'A' && c <= u'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7))
    return static_cast<char16_t>(c + 0x20);
  return c;
}

std::u16string upper_case(std::u16string_view in) {
  std::u16string out(in);
  for (char16_t& c : out) c = upper_case(c);
  return out;
}

std::u16string lower_case(std::u16string_view in) {
  std::u16string out(in);
  for (char16_t& c : out) c = lower_case(c);
  return out;
}

}  // namespace halvora
