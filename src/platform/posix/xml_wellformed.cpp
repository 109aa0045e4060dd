#include "platform/posix/xml_wellformed.h"

#include <pugixml.hpp>

#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

namespace halvora::platform::posix {

namespace {

// Everything as written: no reference is replaced, no line end or attribute white space
// converted, and the top level kept as it is (parse_fragment keeps text there, which a
// document parse drops silently).
constexpr unsigned kAsWritten = pugi::parse_cdata | pugi::parse_comments | pugi::parse_pi |
                                pugi::parse_declaration | pugi::parse_doctype |
                                pugi::parse_fragment;

constexpr std::string_view kXmlNamespace = "http://www.w3.org/XML/1998/namespace";

bool is_char(char32_t c) {
  return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) ||
         (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
}

// XML 1.0 (fifth edition) name characters, the colon included.
bool is_name_start(char32_t c) {
  return c == ':' || c == '_' || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
         (c >= 0xC0 && c <= 0xD6) || (c >= 0xD8 && c <= 0xF6) || (c >= 0xF8 && c <= 0x2FF) ||
         (c >= 0x370 && c <= 0x37D) || (c >= 0x37F && c <= 0x1FFF) ||
         (c >= 0x200C && c <= 0x200D) || (c >= 0x2070 && c <= 0x218F) ||
         (c >= 0x2C00 && c <= 0x2FEF) || (c >= 0x3001 && c <= 0xD7FF) ||
         (c >= 0xF900 && c <= 0xFDCF) || (c >= 0xFDF0 && c <= 0xFFFD) ||
         (c >= 0x10000 && c <= 0xEFFFF);
}

bool is_name_char(char32_t c) {
  return is_name_start(c) || c == '-' || c == '.' || (c >= '0' && c <= '9') || c == 0xB7 ||
         (c >= 0x300 && c <= 0x36F) || (c >= 0x203F && c <= 0x2040);
}

// The next code point of well-formed UTF-8 (the text came from UTF-16, so it is).
char32_t next_code_point(std::string_view s, std::size_t& i) {
  auto b = static_cast<unsigned char>(s[i++]);
  if (b < 0x80) return b;
  int extra = b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : 1;
  char32_t c = b & (0x3F >> extra);
  for (; extra > 0 && i < s.size(); --extra)
    c = (c << 6) | (static_cast<unsigned char>(s[i++]) & 0x3F);
  return c;
}

bool is_name(std::string_view s) {
  if (s.empty()) return false;
  std::size_t i = 0;
  if (!is_name_start(next_code_point(s, i))) return false;
  while (i < s.size())
    if (!is_name_char(next_code_point(s, i))) return false;
  return true;
}

bool is_digit(char c) {
  return c >= '0' && c <= '9';
}

bool is_hex_digit(char c) {
  return is_digit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// The references in text or an attribute value as written: "&name;" with one of the five
// predefined names, "&#digits;" or "&#xhex;" naming an allowed character.
std::string check_references(std::string_view s) {
  for (std::size_t amp = s.find('&'); amp != std::string_view::npos; amp = s.find('&', amp + 1)) {
    std::size_t i = amp + 1;
    if (i < s.size() && s[i] == '#') {
      bool hex = i + 1 < s.size() && s[i + 1] == 'x';
      i += hex ? 2 : 1;
      std::size_t start = i;
      uint32_t value = 0;
      for (; i < s.size() && (hex ? is_hex_digit(s[i]) : is_digit(s[i])); ++i) {
        uint32_t digit = is_digit(s[i]) ? s[i] - '0' : (s[i] | 0x20) - 'a' + 10;
        value = value > 0x10FFFF ? value : value * (hex ? 16 : 10) + digit;
      }
      if (i == start || i >= s.size() || s[i] != ';') return "Invalid character reference";
      if (!is_char(value)) return "Character reference to a character XML does not allow";
      continue;
    }
    std::size_t end = s.find(';', i);
    std::string_view name = s.substr(i, end == std::string_view::npos ? 0 : end - i);
    if (end == std::string_view::npos || !is_name(name)) return "Invalid entity reference";
    if (name != "lt" && name != "gt" && name != "amp" && name != "apos" && name != "quot")
      return "Reference to undefined entity '" + std::string(name) + "'";
  }
  return {};
}

// Namespace prefixes in scope while the tree is walked: the declarations of every open element,
// innermost last, and where each element's own begin.
class Scope {
 public:
  void open() { marks_.push_back(bindings_.size()); }
  void close() {
    bindings_.resize(marks_.back());
    marks_.pop_back();
  }
  void declare(std::string_view prefix, std::string_view uri) {
    bindings_.emplace_back(prefix, uri);
  }
  // The namespace of a declared prefix; false when it is not declared.
  bool resolve(std::string_view prefix, std::string_view& uri) const {
    if (prefix == "xml") {
      uri = kXmlNamespace;
      return true;
    }
    for (auto it = bindings_.rbegin(); it != bindings_.rend(); ++it)
      if (it->first == prefix) {
        uri = it->second;
        return true;
      }
    return false;
  }

 private:
  std::vector<std::pair<std::string_view, std::string_view>> bindings_;
  std::vector<std::size_t> marks_;
};

// The prefix of a qualified name; false when the name has none.
bool prefix_of(std::string_view name, std::string_view& prefix) {
  std::size_t colon = name.find(':');
  if (colon == std::string_view::npos) return false;
  prefix = name.substr(0, colon);
  return true;
}

std::string undeclared(std::string_view prefix) {
  return "Reference to undeclared namespace prefix: '" + std::string(prefix) + "'";
}

// An element's name, attributes and namespace declarations; the declarations go into the scope
// that the caller opened for the element.
std::string check_element(pugi::xml_node element, Scope& scope) {
  std::string_view name = element.name();
  if (!is_name(name)) return "Invalid element name";
  for (pugi::xml_attribute a = element.first_attribute(); a; a = a.next_attribute()) {
    std::string_view attr = a.name();
    if (attr.starts_with("xmlns:")) scope.declare(attr.substr(6), a.value());
  }
  std::string_view prefix, uri;
  if (prefix_of(name, prefix) && !scope.resolve(prefix, uri)) return undeclared(prefix);

  // Attributes are few per element: pairwise comparison is the simple way.
  for (pugi::xml_attribute a = element.first_attribute(); a; a = a.next_attribute()) {
    std::string_view attr = a.name();
    if (!is_name(attr)) return "Invalid attribute name";
    std::string_view value = a.value();
    if (value.find('<') != std::string_view::npos)
      return "'<' is not allowed in an attribute value";
    if (std::string error = check_references(value); !error.empty()) return error;

    std::string_view a_prefix, a_uri;
    bool prefixed = prefix_of(attr, a_prefix) && a_prefix != "xmlns";
    if (prefixed && !scope.resolve(a_prefix, a_uri)) return undeclared(a_prefix);
    for (pugi::xml_attribute b = a.next_attribute(); b; b = b.next_attribute()) {
      std::string_view other = b.name();
      if (other == attr) return "Duplicate attribute";
      std::string_view b_prefix, b_uri;
      if (!prefixed || !prefix_of(other, b_prefix) || b_prefix == "xmlns") continue;
      if (scope.resolve(b_prefix, b_uri) && b_uri == a_uri &&
          other.substr(b_prefix.size()) == attr.substr(a_prefix.size()))
        return "Duplicate attribute";
    }
  }
  return {};
}

// version "1." followed by digits, then an optional encoding name, then an optional standalone
// yes or no, in that order.
std::string check_declaration(pugi::xml_node declaration) {
  constexpr const char* kBad = "Invalid xml declaration";
  pugi::xml_attribute a = declaration.first_attribute();
  if (!a || std::strcmp(a.name(), "version") != 0) return kBad;
  std::string_view version = a.value();
  if (!version.starts_with("1.")) return kBad;
  for (char c : version.substr(2))
    if (!is_digit(c)) return kBad;
  a = a.next_attribute();
  if (a && std::strcmp(a.name(), "encoding") == 0) {
    std::string_view encoding = a.value();
    bool letter = !encoding.empty() && ((encoding[0] | 0x20) >= 'a' && (encoding[0] | 0x20) <= 'z');
    if (!letter) return kBad;
    for (char c : encoding)
      if (!(is_digit(c) || ((c | 0x20) >= 'a' && (c | 0x20) <= 'z') || c == '.' || c == '_' ||
            c == '-'))
        return kBad;
    a = a.next_attribute();
  }
  if (a && std::strcmp(a.name(), "standalone") == 0) {
    std::string_view standalone = a.value();
    if (standalone != "yes" && standalone != "no") return kBad;
    a = a.next_attribute();
  }
  return a ? kBad : std::string{};
}

bool iequals_xml(std::string_view s) {
  return s.size() == 3 && (s[0] | 0x20) == 'x' && (s[1] | 0x20) == 'm' && (s[2] | 0x20) == 'l';
}

// What may stand at the top: counts as the walk goes, in document order.
struct TopLevel {
  int nodes = 0;
  int elements = 0;
  int doctypes = 0;
};

std::string check_top_level(pugi::xml_node node, TopLevel& top, bool declaration_at_start) {
  ++top.nodes;
  switch (node.type()) {
    case pugi::node_element:
      if (++top.elements > 1) return "Only one top level element is allowed in an XML document";
      return {};
    case pugi::node_pcdata:
    case pugi::node_cdata:
      return "Text is not allowed outside the top level element";
    case pugi::node_declaration:
      if (top.nodes != 1 || !declaration_at_start)
        return "The xml declaration is allowed only at the start of the document";
      return {};
    case pugi::node_doctype:
      if (top.elements > 0 || ++top.doctypes > 1) return "Misplaced document type declaration";
      return {};
    default:
      return {};
  }
}

// The rules for one node, on the way in; elements open their scope here.
std::string check_node(pugi::xml_node node, Scope& scope) {
  std::string_view value = node.value();
  switch (node.type()) {
    case pugi::node_element:
      scope.open();
      return check_element(node, scope);
    case pugi::node_pcdata:
      if (value.find("]]>") != std::string_view::npos) return "']]>' is not allowed in text";
      return check_references(value);
    case pugi::node_comment:
      if (value.find("--") != std::string_view::npos || value.ends_with('-'))
        return "'--' is not allowed in a comment";
      return {};
    case pugi::node_pi:
      if (!is_name(node.name()) || iequals_xml(node.name()))
        return "Invalid processing instruction target";
      return {};
    case pugi::node_declaration:
      // pugixml takes a target "xml" in any letter case for a declaration.
      if (std::strcmp(node.name(), "xml") != 0) return "Invalid processing instruction target";
      if (node.parent().type() != pugi::node_document)
        return "The xml declaration is allowed only at the start of the document";
      return check_declaration(node);
    case pugi::node_doctype:
      if (node.parent().type() != pugi::node_document) return "Misplaced document type declaration";
      return {};
    default:
      return {};
  }
}

}  // namespace

std::string check_characters(std::u16string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    char16_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      ++i;
      continue;
    }
    if (!is_char(c) || (c >= 0xD800 && c <= 0xDFFF)) return "Invalid character in the document";
  }
  return {};
}

std::string check_markup(std::string_view utf8) {
  pugi::xml_document doc;
  pugi::xml_parse_result parsed =
      doc.load_buffer(utf8.data(), utf8.size(), kAsWritten, pugi::encoding_utf8);
  if (!parsed) return parsed.description();

  // A declaration is one only at the very first character; pugixml also takes one after white
  // space.
  const bool declaration_at_start = utf8.starts_with("<?xml");
  TopLevel top;
  Scope scope;
  // Document order without recursion: down to the first child, else on to the next sibling,
  // else back up, closing each element's scope on the way out.
  pugi::xml_node node = doc.first_child();
  while (node) {
    if (node.parent() == doc) {
      if (std::string error = check_top_level(node, top, declaration_at_start); !error.empty())
        return error;
    }
    if (std::string error = check_node(node, scope); !error.empty()) return error;
    if (pugi::xml_node child = node.first_child()) {
      node = child;
      continue;
    }
    for (;;) {
      if (node.type() == pugi::node_element) scope.close();
      if (pugi::xml_node sibling = node.next_sibling()) {
        node = sibling;
        break;
      }
      node = node.parent();
      if (node == doc) {
        node = {};
        break;
      }
    }
  }
  if (top.elements == 0) return "XML document must have a top level element";
  return {};
}

}  // namespace halvora::platform::posix
