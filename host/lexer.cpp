#include "lexer.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <optional>

#include "automation/conversions.h"
#include "automation/error.h"

namespace halvora::host {

std::u16string fold(std::u16string_view name) {
  std::u16string out(name);
  for (char16_t& c : out)
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
  return out;
}

namespace {

bool is_letter(char16_t c) {
  return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || c >= 0x80;
}
bool is_digit(char16_t c) {
  return c >= u'0' && c <= u'9';
}
bool is_blank(char16_t c) {
  return c == u' ' || c == u'\t' || c == 0xA0;
}

// Integer literals take the smallest of Integer and Long that holds them, as the language does.
Variant integer_value(double v) {
  if (v <= 32767) return Variant(static_cast<int16_t>(v));
  if (v <= 2147483647.0) return Variant(static_cast<int32_t>(v));
  return Variant(v);
}

class Lexer {
 public:
  explicit Lexer(std::u16string_view s) : s_(s) {}

  std::vector<Token> run() {
    bool space = false;
    while (i_ < s_.size()) {
      char16_t c = s_[i_];
      if (is_blank(c) || c == u'\r') {
        advance(1);
        space = true;
        continue;
      }
      if (c == u'_' && continuation()) {
        space = true;
        continue;
      }
      Token t;
      t.line = line_;
      t.column = col_;
      t.space_before = space;
      space = false;
      if (c == u'\n' || c == u':') {
        t.kind = Tok::Newline;
        t.text = std::u16string(1, c);
        advance(1);
        if (c == u'\n') next_line();
      } else if (c == u'\'') {
        skip_comment();
        continue;
      } else if (is_letter(c)) {
        std::size_t start = i_;
        while (i_ < s_.size() && (is_letter(s_[i_]) || is_digit(s_[i_]) || s_[i_] == u'_'))
          advance(1);
        t.kind = Tok::Identifier;
        t.text = s_.substr(start, i_ - start);
        t.key = fold(t.text);
        if (t.key == u"rem") {
          skip_comment();
          continue;
        }
      } else if (is_digit(c) || (c == u'.' && i_ + 1 < s_.size() && is_digit(s_[i_ + 1]))) {
        number(t);
      } else if (c == u'&' && i_ + 1 < s_.size() && (s_[i_ + 1] == u'H' || s_[i_ + 1] == u'h')) {
        hex(t);
      } else if (c == u'"') {
        string(t);
      } else if (c == u'#') {
        date(t);
      } else if (c == u'[') {
        // A bracketed name lets a script use a reserved word as an identifier.
        std::size_t start = i_ + 1;
        while (i_ < s_.size() && s_[i_] != u']' && s_[i_] != u'\n') advance(1);
        if (i_ >= s_.size() || s_[i_] != u']') throw SyntaxError{u"Expected ']'", t.line, t.column};
        t.kind = Tok::Identifier;
        t.text = s_.substr(start, i_ - start);
        t.key = fold(t.text);
        t.bracketed = true;
        advance(1);
      } else {
        op(t);
      }
      out_.push_back(std::move(t));
    }
    Token nl;
    nl.kind = Tok::Newline;
    nl.line = line_;
    nl.column = col_;
    out_.push_back(nl);
    Token end = nl;
    end.kind = Tok::End;
    out_.push_back(end);
    return std::move(out_);
  }

 private:
  void advance(std::size_t n) {
    i_ += n;
    col_ += static_cast<int>(n);
  }
  void next_line() {
    ++line_;
    col_ = 1;
  }

  // " _" followed by the end of the line joins the next line to this one.
  bool continuation() {
    if (i_ + 1 < s_.size() && (is_letter(s_[i_ + 1]) || is_digit(s_[i_ + 1]) || s_[i_ + 1] == u'_'))
      return false;
    std::size_t j = i_ + 1;
    while (j < s_.size() && (is_blank(s_[j]) || s_[j] == u'\r')) ++j;
    if (j < s_.size() && s_[j] != u'\n') return false;
    i_ = j < s_.size() ? j + 1 : j;
    next_line();
    return true;
  }

  void skip_comment() {
    while (i_ < s_.size() && s_[i_] != u'\n') advance(1);
  }

  void number(Token& t) {
    std::size_t start = i_;
    bool real = false;
    while (i_ < s_.size() && is_digit(s_[i_])) advance(1);
    if (i_ < s_.size() && s_[i_] == u'.') {
      real = true;
      advance(1);
      while (i_ < s_.size() && is_digit(s_[i_])) advance(1);
    }
    if (i_ < s_.size() && (s_[i_] == u'e' || s_[i_] == u'E')) {
      std::size_t j = i_ + 1;
      if (j < s_.size() && (s_[j] == u'+' || s_[j] == u'-')) ++j;
      if (j < s_.size() && is_digit(s_[j])) {
        real = true;
        advance(j - i_);
        while (i_ < s_.size() && is_digit(s_[i_])) advance(1);
      }
    }
    std::string ascii;
    for (std::size_t k = start; k < i_; ++k) ascii += static_cast<char>(s_[k]);
    double v = 0;
    auto [p, ec] = std::from_chars(ascii.data(), ascii.data() + ascii.size(), v);
    (void)p;
    if (ec != std::errc() || !std::isfinite(v)) throw SyntaxError{u"Overflow", t.line, t.column};
    t.kind = Tok::Number;
    t.value = real ? Variant(v) : integer_value(v);
  }

  // &H literals wrap into the signed type that holds their bits: &HFFFF is -1.
  void hex(Token& t) {
    advance(2);
    uint64_t v = 0;
    std::size_t digits = 0;
    while (i_ < s_.size()) {
      char16_t c = s_[i_];
      int d = is_digit(c)                ? c - u'0'
              : (c >= u'a' && c <= u'f') ? c - u'a' + 10
              : (c >= u'A' && c <= u'F') ? c - u'A' + 10
                                         : -1;
      if (d < 0) break;
      v = v * 16 + static_cast<uint64_t>(d);
      if (++digits > 8) throw SyntaxError{u"Overflow", t.line, t.column};
      advance(1);
    }
    if (digits == 0) throw SyntaxError{u"Expected expression", t.line, t.column};
    if (i_ < s_.size() && s_[i_] == u'&') advance(1);
    t.kind = Tok::Number;
    if (v <= 0xFFFF)
      t.value = Variant(static_cast<int16_t>(static_cast<uint16_t>(v)));
    else
      t.value = Variant(static_cast<int32_t>(static_cast<uint32_t>(v)));
  }

  void string(Token& t) {
    advance(1);
    std::u16string text;
    for (;;) {
      if (i_ >= s_.size() || s_[i_] == u'\n')
        throw SyntaxError{u"Unterminated string constant", t.line, t.column};
      if (s_[i_] == u'"') {
        if (i_ + 1 < s_.size() && s_[i_ + 1] == u'"') {
          text += u'"';
          advance(2);
          continue;
        }
        advance(1);
        break;
      }
      text += s_[i_];
      advance(1);
    }
    t.kind = Tok::String;
    t.value = Variant(std::move(text));
  }

  // "#2026-12-24#", "#12/24/2026 10:30 PM#", "#22:30#": a date literal reads the same in every
  // locale, month before day, as the language defines it.
  void date(Token& t) {
    advance(1);
    std::size_t start = i_;
    while (i_ < s_.size() && s_[i_] != u'#' && s_[i_] != u'\n') advance(1);
    if (i_ >= s_.size() || s_[i_] != u'#') throw SyntaxError{u"Syntax error", t.line, t.column};
    std::u16string_view text = s_.substr(start, i_ - start);
    advance(1);
    std::optional<Date> d = text_to_date(text, RegionalSettings{});
    if (!d) throw SyntaxError{u"Syntax error", t.line, t.column};
    t.kind = Tok::Number;
    t.value = Variant(*d);
  }

  void op(Token& t) {
    char16_t c = s_[i_];
    static constexpr std::u16string_view kSingles = u"(),.=<>+-*/\\^&";
    if (kSingles.find(c) == std::u16string_view::npos)
      throw SyntaxError{u"Invalid character", t.line, t.column};
    t.kind = Tok::Operator;
    t.text = std::u16string(1, c);
    advance(1);
    if (c == u'<' && i_ < s_.size() && (s_[i_] == u'>' || s_[i_] == u'=')) {
      t.text += s_[i_];
      advance(1);
    } else if (c == u'>' && i_ < s_.size() && s_[i_] == u'=') {
      t.text += s_[i_];
      advance(1);
    }
  }

  std::u16string_view s_;
  std::size_t i_ = 0;
  int line_ = 1;
  int col_ = 1;
  std::vector<Token> out_;
};

}  // namespace

std::vector<Token> tokenize(std::u16string_view source) {
  return Lexer(source).run();
}

}  // namespace halvora::host
