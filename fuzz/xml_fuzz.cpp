// The XML loader with any text, read every way the library and hosts read a reply: selection
// along the paths the service clients use and along paths the document itself suggests, a walk
// of the tree with each node's name, text and markup, and the document written back. A document
// that loaded writes text that loads again and writes the same; a value written into it comes
// back out escaped and whole.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "automation/text.h"
#include "platform/xml.h"

namespace {

using halvora::platform::XmlDocument;
using halvora::platform::XmlNode;
using halvora::platform::XmlNodeType;

// Paths the service clients and the conformance scripts read from replies.
constexpr std::u16string_view kPaths[] = {
    u"/soap:Envelope/soap:Body/PedirSaldoResponse/PedirSaldoResult",
    u"/soap:Envelope/soap:Body/ConsultaSaldoResponse/ConsultaSaldoResult",
    u"/soap12:Envelope/soap12:Body/InvokeResponse/InvokeResult",
    u"/soap:Envelope/soap:Body/soap:Fault/faultstring",
    u"/a/b/c",
    u"a/b",
    u"/",
    u"//a",
    u"a/",
};

// Nodes visited per document, and how many of them also give their text and markup: the text of
// a node covers its whole subtree, so doing it for every node would be quadratic.
constexpr int kMaxVisited = 4000;
constexpr int kMaxRendered = 24;

[[noreturn]] void fail(const char* what) {
  std::fprintf(stderr, "xml fuzz: %s\n", what);
  std::abort();
}

// The path of qualified names from the document down to `node`, following first children.
std::u16string path_down(const XmlDocument& doc, int depth) {
  std::u16string path;
  for (XmlNode n = doc.document_element(); n && depth-- > 0;) {
    path += u'/' + doc.name(n);
    XmlNode child = doc.first_child(n);
    while (child && doc.type(child) != XmlNodeType::kElement) child = doc.next_sibling(child);
    n = child;
  }
  return path;
}

void read_everything(const XmlDocument& doc) {
  for (std::u16string_view path : kPaths) {
    (void)doc.select_text(path);
    (void)doc.select_nodes(doc.root(), path);
    if (XmlNode element = doc.document_element()) (void)doc.select_node(element, path);
  }
  for (int depth : {1, 2, 3, 8}) {
    std::u16string path = path_down(doc, depth);
    if (path.empty()) continue;
    std::optional<std::u16string> text = doc.select_text(path);
    XmlNode node = doc.select_node(doc.root(), path);
    if (text.has_value() != static_cast<bool>(node)) fail("select_text and select_node disagree");
    (void)doc.select_nodes(doc.root(), path);
    // The same path relative to the document element, without its first step.
    std::size_t second = path.find(u'/', 1);
    if (second != std::u16string::npos)
      (void)doc.select_nodes(doc.document_element(), path.substr(second + 1));
  }

  // Depth first through the tree, in a loop with an explicit stack of parents.
  int visited = 0;
  std::vector<XmlNode> parents;
  XmlNode node = doc.root();
  while (node && visited < kMaxVisited) {
    ++visited;
    XmlNodeType type = doc.type(node);
    std::u16string name = doc.name(node);
    if (visited <= kMaxRendered) {
      (void)doc.text(node);
      (void)doc.xml(node);
    }
    if (type == XmlNodeType::kElement) {
      (void)doc.attribute(node, u"xmlns");
      (void)doc.attribute(node, name);
    }
    if (XmlNode child = doc.first_child(node)) {
      parents.push_back(node);
      node = child;
      continue;
    }
    for (;;) {
      if (XmlNode sibling = doc.next_sibling(node)) {
        node = sibling;
        break;
      }
      if (parents.empty()) return;
      node = parents.back();
      parents.pop_back();
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  std::u16string text =
      halvora::utf8_to_utf16(std::string_view(reinterpret_cast<const char*>(data), size));
  auto doc = halvora::platform::create_xml_document();
  bool loaded = doc->load_xml(text);
  if (loaded != doc->parse_error().empty()) fail("parse_error disagrees with load_xml");
  if (!loaded && doc->document_element()) fail("a refused text left elements behind");
  read_everything(*doc);
  if (!loaded) return 0;

  // What a loaded document writes loads again, and from then on writes the same. (Only from
  // then on: a carriage return that came in as a character reference is written as itself, and
  // loading turns it into a line feed, as XML's end-of-line handling asks.)
  auto again = halvora::platform::create_xml_document();
  if (!again->load_xml(doc->xml())) fail("the written document does not load again");
  std::u16string written = again->xml();
  auto third = halvora::platform::create_xml_document();
  if (!third->load_xml(written)) fail("the document written twice does not load again");
  if (third->xml() != written) fail("the written document changes when written again");

  // A value set into the document element comes back whole, whatever markup it holds.
  std::u16string top = path_down(*again, 1);
  if (top.empty()) return 0;
  constexpr std::u16string_view kValue = u" <a> & \"b\" 'c' ]]> ";
  if (!again->set_text(top, kValue)) fail("set_text missed the document element");
  auto fourth = halvora::platform::create_xml_document();
  if (!fourth->load_xml(again->xml())) fail("a document with a value set does not load again");
  if (fourth->select_text(top) != halvora::trim_spaces(kValue))
    fail("a value set came back changed");
  return 0;
}
