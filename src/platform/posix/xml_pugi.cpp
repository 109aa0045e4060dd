#include <pugixml.hpp>

#include <string>
#include <vector>

#include "automation/text.h"
#include "platform/xml.h"

namespace halvora::platform {

namespace {

// White space is dropped from between elements as the platform's parser does by default;
// the declaration, comments and processing instructions stay so that they serialize back.
constexpr unsigned kParseOptions =
    pugi::parse_default | pugi::parse_declaration | pugi::parse_comments | pugi::parse_pi;

// The steps of an absolute path; nothing for a relative path or one with an empty step.
std::vector<std::string> split_path(std::u16string_view path) {
  std::vector<std::string> steps;
  if (path.empty() || path.front() != u'/') return {};
  std::string utf8 = utf16_to_utf8(path.substr(1));
  std::size_t start = 0;
  for (;;) {
    std::size_t slash = utf8.find('/', start);
    std::string step = utf8.substr(start, slash - start);
    if (step.empty()) return {};
    steps.push_back(std::move(step));
    if (slash == std::string::npos) return steps;
    start = slash + 1;
  }
}

// Depth first in document order with backtracking: a parent whose name matches but whose
// subtree does not complete the path gives way to its later namesakes.
pugi::xml_node find(pugi::xml_node parent, const std::vector<std::string>& steps, std::size_t i) {
  for (pugi::xml_node child = parent.first_child(); child; child = child.next_sibling()) {
    if (child.type() != pugi::node_element || steps[i] != child.name()) continue;
    if (i + 1 == steps.size()) return child;
    if (pugi::xml_node found = find(child, steps, i + 1)) return found;
  }
  return {};
}

void collect_text(pugi::xml_node node, std::string& out) {
  for (pugi::xml_node child = node.first_child(); child; child = child.next_sibling()) {
    if (child.type() == pugi::node_pcdata || child.type() == pugi::node_cdata)
      out += child.value();
    else if (child.type() == pugi::node_element)
      collect_text(child, out);
  }
}

std::string_view trim_white(std::string_view s) {
  constexpr std::string_view kWhite = " \t\r\n";
  std::size_t b = s.find_first_not_of(kWhite);
  if (b == std::string_view::npos) return {};
  return s.substr(b, s.find_last_not_of(kWhite) - b + 1);
}

// The declaration exactly as written ("<?xml ... ?>"), which the parser keeps only as
// attributes and would re-quote.
std::string source_declaration(std::string_view text) {
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  std::size_t start = text.find_first_not_of(" \t\r\n");
  if (start == std::string_view::npos || text.substr(start, 5) != "<?xml") return {};
  std::size_t end = text.find("?>", start);
  return end == std::string_view::npos ? std::string{}
                                       : std::string(text.substr(start, end + 2 - start));
}

struct StringWriter : pugi::xml_writer {
  std::string out;
  void write(const void* data, std::size_t size) override {
    out.append(static_cast<const char*>(data), size);
  }
};

class PugiXmlDocument final : public XmlDocument {
 public:
  bool load_xml(std::u16string_view text) override {
    std::string utf8 = utf16_to_utf8(text);
    // The text is already decoded, so a declared encoding must not re-decode it.
    pugi::xml_parse_result result =
        doc_.load_buffer(utf8.data(), utf8.size(), kParseOptions, pugi::encoding_utf8);
    if (!result || !doc_.document_element()) {
      doc_.reset();
      declaration_.clear();
      return false;
    }
    declaration_ = source_declaration(utf8);
    return true;
  }

  std::optional<std::u16string> select_text(std::u16string_view path) const override {
    pugi::xml_node node = locate(path);
    if (!node) return std::nullopt;
    std::string text;
    collect_text(node, text);
    return utf8_to_utf16(trim_white(text));
  }

  bool set_text(std::u16string_view path, std::u16string_view text) override {
    pugi::xml_node node = locate(path);
    if (!node) return false;
    while (pugi::xml_node child = node.first_child()) node.remove_child(child);
    // An empty text leaves no node at all, which serializes as an empty-element tag.
    if (text.empty()) return true;
    std::string utf8 = utf16_to_utf8(text);
    node.append_child(pugi::node_pcdata).set_value(utf8.c_str(), utf8.size());
    return true;
  }

  std::u16string xml() const override {
    StringWriter writer;
    for (pugi::xml_node child = doc_.first_child(); child; child = child.next_sibling()) {
      if (child.type() == pugi::node_declaration && !declaration_.empty())
        writer.out += declaration_;
      else
        child.print(writer, "", pugi::format_raw, pugi::encoding_utf8);
    }
    return utf8_to_utf16(writer.out);
  }

 private:
  pugi::xml_node locate(std::u16string_view path) const {
    std::vector<std::string> steps = split_path(path);
    return steps.empty() ? pugi::xml_node{} : find(doc_, steps, 0);
  }

  pugi::xml_document doc_;
  std::string declaration_;
};

}  // namespace

std::unique_ptr<XmlDocument> create_xml_document() {
  return std::make_unique<PugiXmlDocument>();
}

}  // namespace halvora::platform
