#include <pugixml.hpp>

#include <string>
#include <vector>

#include "automation/text.h"
#include "platform/posix/xml_wellformed.h"
#include "platform/xml.h"

namespace halvora::platform {

namespace {

// White space is dropped from between elements as the platform's parser does by default;
// the declaration, the document type, comments and processing instructions stay so that they
// serialize back.
constexpr unsigned kParseOptions = pugi::parse_default | pugi::parse_declaration |
                                   pugi::parse_comments | pugi::parse_pi | pugi::parse_doctype;

// A literal path: its steps, and whether it starts at the document. No steps for an empty path
// or one with an empty step ("//x" means something else entirely to the platform's selection
// language, and "a/" nothing).
struct Path {
  bool absolute = false;
  std::vector<std::string> steps;
};

Path split_path(std::u16string_view text) {
  Path path;
  if (!text.empty() && text.front() == u'/') {
    path.absolute = true;
    text.remove_prefix(1);
  }
  std::string utf8 = utf16_to_utf8(text);
  std::size_t start = 0;
  for (;;) {
    std::size_t slash = utf8.find('/', start);
    std::string step = utf8.substr(start, slash - start);
    if (step.empty()) return {};
    path.steps.push_back(std::move(step));
    if (slash == std::string::npos) return path;
    start = slash + 1;
  }
}

// Every element that the steps reach from the children of `start`, in document order, handed to
// `found` until it answers false. Depth first with backtracking (a parent whose name matches but
// whose subtree does not complete the path gives way to its later namesakes), in a loop: the
// node whose children are being scanned is always the last one matched, so its parent leads
// back up.
template <class Found>
void search(pugi::xml_node start, const std::vector<std::string>& steps, Found found) {
  if (steps.empty()) return;
  pugi::xml_node scanned = start;
  pugi::xml_node child = start.first_child();
  std::size_t level = 0;
  for (;;) {
    if (!child) {
      if (level == 0) return;
      child = scanned.next_sibling();
      scanned = scanned.parent();
      --level;
      continue;
    }
    if (child.type() == pugi::node_element && steps[level] == child.name()) {
      if (level + 1 == steps.size()) {
        if (!found(child)) return;
      } else {
        scanned = child;
        child = child.first_child();
        ++level;
        continue;
      }
    }
    child = child.next_sibling();
  }
}

// The character data of a node and its descendants, in document order, without recursion.
std::string gather_text(pugi::xml_node top) {
  std::string out;
  pugi::xml_node node = top.first_child();
  while (node) {
    if (node.type() == pugi::node_pcdata || node.type() == pugi::node_cdata) out += node.value();
    if (pugi::xml_node child = node.first_child()) {
      node = child;
      continue;
    }
    while (node != top && !node.next_sibling()) node = node.parent();
    node = node == top ? pugi::xml_node() : node.next_sibling();
  }
  return out;
}

std::string_view trim_white(std::string_view s) {
  constexpr std::string_view kWhite = " \t\r\n";
  std::size_t b = s.find_first_not_of(kWhite);
  if (b == std::string_view::npos) return {};
  return s.substr(b, s.find_last_not_of(kWhite) - b + 1);
}

// The declaration exactly as written ("<?xml ... ?>"), which the parser keeps only as
// attributes and would re-quote. A declaration is only ever at the start (the checks refuse
// any other).
std::string source_declaration(std::string_view text) {
  if (!text.starts_with("<?xml")) return {};
  std::size_t end = text.find("?>");
  return end == std::string_view::npos ? std::string{} : std::string(text.substr(0, end + 2));
}

struct StringWriter : pugi::xml_writer {
  std::string out;
  void write(const void* data, std::size_t size) override {
    out.append(static_cast<const char*>(data), size);
  }
};

XmlNode handle(pugi::xml_node node) {
  return XmlNode{reinterpret_cast<std::uintptr_t>(node.internal_object())};
}

pugi::xml_node node_of(XmlNode node) {
  return pugi::xml_node(reinterpret_cast<pugi::xml_node_struct*>(node.id));
}

class PugiXmlDocument final : public XmlDocument {
 public:
  bool load_xml(std::u16string_view text) override {
    doc_.reset();
    declaration_.clear();
    error_ = posix::check_characters(text);
    if (!error_.empty()) return false;

    std::string utf8 = utf16_to_utf8(text);
    std::string_view body = utf8;
    // A byte-order mark that survived decoding says nothing more.
    if (body.starts_with("\xEF\xBB\xBF")) body.remove_prefix(3);
    // The text is already decoded, so a declared encoding must not re-decode it.
    pugi::xml_parse_result result =
        doc_.load_buffer(body.data(), body.size(), kParseOptions, pugi::encoding_utf8);
    if (!result)
      error_ = result.description();
    else
      error_ = posix::check_markup(body);
    if (!error_.empty()) {
      doc_.reset();
      return false;
    }
    declaration_ = source_declaration(body);
    return true;
  }

  std::u16string parse_error() const override { return utf8_to_utf16(error_); }

  std::optional<std::u16string> select_text(std::u16string_view path) const override {
    pugi::xml_node node = locate(path);
    if (!node) return std::nullopt;
    return utf8_to_utf16(trim_white(gather_text(node)));
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

  std::u16string xml() const override { return xml(root()); }

  XmlNode root() const override { return handle(doc_); }
  XmlNode document_element() const override { return handle(doc_.document_element()); }
  XmlNode first_child(XmlNode node) const override { return handle(node_of(node).first_child()); }
  XmlNode next_sibling(XmlNode node) const override { return handle(node_of(node).next_sibling()); }

  XmlNodeType type(XmlNode node) const override {
    switch (node_of(node).type()) {
      case pugi::node_element:
        return XmlNodeType::kElement;
      case pugi::node_pcdata:
        return XmlNodeType::kText;
      case pugi::node_cdata:
        return XmlNodeType::kCData;
      case pugi::node_comment:
        return XmlNodeType::kComment;
      case pugi::node_doctype:
        return XmlNodeType::kDocumentType;
      case pugi::node_pi:
      case pugi::node_declaration:
        return XmlNodeType::kProcessingInstruction;
      default:
        return XmlNodeType::kDocument;
    }
  }

  std::u16string name(XmlNode n) const override {
    pugi::xml_node node = node_of(n);
    switch (node.type()) {
      case pugi::node_pcdata:
        return u"#text";
      case pugi::node_cdata:
        return u"#cdata-section";
      case pugi::node_comment:
        return u"#comment";
      case pugi::node_document:
        return u"#document";
      case pugi::node_doctype: {
        // The parser keeps "name [internal subset]" as the value.
        std::string_view value = node.value();
        return utf8_to_utf16(value.substr(0, value.find_first_of(" \t\r\n[")));
      }
      default:
        return utf8_to_utf16(node.name());
    }
  }

  std::optional<std::u16string> attribute(XmlNode element,
                                          std::u16string_view name) const override {
    pugi::xml_attribute a = node_of(element).attribute(utf16_to_utf8(name).c_str());
    if (!a) return std::nullopt;
    return utf8_to_utf16(a.value());
  }

  std::u16string text(XmlNode n) const override {
    pugi::xml_node node = node_of(n);
    if (node.type() == pugi::node_element || node.type() == pugi::node_document)
      return utf8_to_utf16(trim_white(gather_text(node)));
    if (node.type() == pugi::node_doctype) return {};
    return utf8_to_utf16(trim_white(node.value()));
  }

  std::u16string xml(XmlNode n) const override {
    pugi::xml_node node = node_of(n);
    StringWriter writer;
    if (node.type() != pugi::node_document) {
      print(node, writer);
    } else {
      for (pugi::xml_node child = node.first_child(); child; child = child.next_sibling())
        print(child, writer);
    }
    return utf8_to_utf16(writer.out);
  }

  XmlNode select_node(XmlNode context, std::u16string_view text) const override {
    pugi::xml_node match;
    if (context)
      search_from(context, text, [&](pugi::xml_node found) {
        match = found;
        return false;
      });
    return handle(match);
  }

  std::vector<XmlNode> select_nodes(XmlNode context, std::u16string_view text) const override {
    std::vector<XmlNode> matches;
    if (context)
      search_from(context, text, [&](pugi::xml_node found) {
        matches.push_back(handle(found));
        return true;
      });
    return matches;
  }

 private:
  template <class Found>
  void search_from(XmlNode context, std::u16string_view text, Found found) const {
    Path path = split_path(text);
    search(path.absolute ? pugi::xml_node(doc_) : node_of(context), path.steps, found);
  }

  // The printer runs in a loop too (pugixml walks the tree without recursion).
  void print(pugi::xml_node node, StringWriter& writer) const {
    if (node.type() == pugi::node_declaration && !declaration_.empty())
      writer.out += declaration_;
    else
      node.print(writer, "", pugi::format_raw, pugi::encoding_utf8);
  }

  // select_text and set_text take absolute paths only: their callers name the whole path.
  pugi::xml_node locate(std::u16string_view text) const {
    if (text.empty() || text.front() != u'/') return {};
    return node_of(select_node(root(), text));
  }

  pugi::xml_document doc_;
  std::string declaration_;
  std::string error_;
};

}  // namespace

std::unique_ptr<XmlDocument> create_xml_document() {
  return std::make_unique<PugiXmlDocument>();
}

}  // namespace halvora::platform
