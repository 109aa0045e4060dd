#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <vector>

#include "automation/text.h"
#include "platform/xml.h"

namespace halvora::platform {
namespace {

constexpr char16_t kEnvelope[] =
    u"<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n"
    u"<soap:Envelope xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\">"
    u"<soap:Body><ConsultarResponse xmlns=\"http://tempuri.org/\">"
    u"<ConsultarResult>  42\r\n</ConsultarResult>"
    u"</ConsultarResponse></soap:Body></soap:Envelope>";

TEST(XmlDocument, SelectsByLiteralQualifiedPath) {
  struct Case {
    const char16_t* document;
    const char16_t* path;
    std::optional<std::u16string> expected;
  };
  const Case cases[] = {
      {kEnvelope, u"/soap:Envelope/soap:Body/ConsultarResponse/ConsultarResult", u"42"},
      {kEnvelope, u"/s:Envelope/s:Body/ConsultarResponse/ConsultarResult", std::nullopt},
      {kEnvelope, u"/Envelope/Body/ConsultarResponse/ConsultarResult", std::nullopt},
      {kEnvelope, u"soap:Envelope/soap:Body", std::nullopt},
      {kEnvelope, u"/soap:Envelope//ConsultarResponse", std::nullopt},
      {kEnvelope, u"/soap:Envelope/soap:Body/", std::nullopt},
      {kEnvelope, u"", std::nullopt},
      // The first <b> has no <c>; the match comes from a later <b> of the same name.
      {u"<a><b><x>1</x></b><b><c>2</c></b><b><c>3</c></b></a>", u"/a/b/c", u"2"},
      // White space alone between nodes is not text; inside text it stays.
      {u"<a><b> one <i>two</i>\t<![CDATA[<3>]]> </b></a>", u"/a/b", u"one two<3>"},
      {u"<a><b/></a>", u"/a/b", u""},
      {u"<a>&lt;&amp;&#xF1;</a>", u"/a", u"<&ñ"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.path, c.path + std::char_traits<char16_t>::length(c.path)));
    auto doc = create_xml_document();
    ASSERT_TRUE(doc->load_xml(c.document));
    EXPECT_EQ(doc->select_text(c.path), c.expected);
  }
}

// Texts the platform's parser refuses, each beside look-alikes it takes. Whatever is refused
// leaves the document empty, so a reader finds nothing in it: a reply with a stray second root or
// an `&nbsp;` must not give a value on one build and nothing on the other. The rows marked
// kWineTakes are refused by the platform's parser on Windows and by this one, but taken by Wine's
// (which treats namespace errors as warnings and expands the entities a document type declares);
// tests/scripts/xml_malformed_replies.vbs runs the rows that all three agree on under both builds.
constexpr bool kParses = true;
constexpr bool kRefused = false;
constexpr bool kWineTakes = true;

struct Body {
  const char16_t* text;
  bool parses;
  bool wine_differs = false;
};

const Body kBodies[] = {
    // Namespace prefixes: declared in scope, "xml" always.
    {u"<a:b>1</a:b>", kRefused, kWineTakes},
    {u"<a x:y=\"1\"/>", kRefused, kWineTakes},
    {u"<r><p:a xmlns:p=\"u\"/><p:b/></r>", kRefused, kWineTakes},
    {u"<a b=\"x\" b:c=\"y\"/>", kRefused, kWineTakes},
    {u"<:a/>", kRefused, kWineTakes},
    {u"<xmlns:a/>", kRefused, kWineTakes},
    {u"<p:a xmlns:p=\"u\"><p:b/></p:a>", kParses},
    {u"<a xmlns:p=\"u\"><b p:c=\"1\"/></a>", kParses},
    {u"<a:b xmlns:a=\"u\"><a:c xmlns:a=\"v\"/></a:b>", kParses},
    {u"<a xml:lang=\"es\"/>", kParses},
    {u"<xml:a/>", kParses},
    {u"<a:b xmlns:a=\"\"/>", kParses},
    // One root element, no character data outside it.
    {u"<a/><b/>", kRefused},
    {u"<a/>x", kRefused},
    {u"x<a/>", kRefused},
    {u"<a>1</a>2", kRefused},
    {u"<a/>\u00A0", kRefused},
    {u"<![CDATA[x]]><a/>", kRefused},
    {u"<a/> <!--c--> <?pi x?> \r\n", kParses},
    {u"<!--c--><a>x</a>", kParses},
    {u"\uFEFF<a/>", kParses},
    // References: the five predefined entities, character references to allowed characters.
    {u"<a>&nbsp;</a>", kRefused},
    {u"<a b=\"&nbsp;\"/>", kRefused},
    {u"<a>&AMP;</a>", kRefused},
    {u"<a>&amp</a>", kRefused},
    {u"<a>x &amp y</a>", kRefused},
    {u"<a>x & y</a>", kRefused},
    {u"<a>&;</a>", kRefused},
    {u"<!DOCTYPE a [<!ENTITY nbsp \"&#160;\">]><a>&nbsp;</a>", kRefused, kWineTakes},
    {u"<a>&#0;</a>", kRefused},
    {u"<a>&#1;</a>", kRefused},
    {u"<a>&#xD800;</a>", kRefused},
    {u"<a>&#xFFFE;</a>", kRefused},
    {u"<a>&#x110000;</a>", kRefused},
    {u"<a>&#99999999999;</a>", kRefused},
    {u"<a>&#X41;</a>", kRefused},
    {u"<a>&#65</a>", kRefused},
    {u"<a>&#x;</a>", kRefused},
    {u"<a>&lt;&gt;&amp;&apos;&quot;</a>", kParses},
    {u"<a>&#x41;&#65;&#x00041;&#x9;&#xA;&#xD;&#xA0;&#xFFFD;&#x10000;</a>", kParses},
    {u"<a b=\"&#60;&amp;\"/>", kParses},
    // Attributes: no name twice, as written or by namespace and local name; no "<" in a value.
    {u"<a x=\"1\" x=\"2\"/>", kRefused},
    {u"<p:a xmlns:p=\"u\" p:x=\"1\" p:x=\"2\"/>", kRefused},
    {u"<a xmlns:p=\"u\" xmlns:q=\"u\" p:x=\"1\" q:x=\"2\"/>", kRefused},
    {u"<a xmlns:p=\"u\" xmlns:p=\"v\"/>", kRefused},
    {u"<a b=\"<\"/>", kRefused},
    {u"<a b=\"1\"c=\"2\"/>", kRefused},
    {u"<a xmlns:p=\"u\" p:b=\"1\" b=\"2\"/>", kParses},
    {u"<a xmlns=\"u\" xmlns:p=\"u\" b=\"1\" p:b=\"2\"/>", kParses},
    {u"<a xmlns:p=\"u\" xmlns:q=\"v\" p:x=\"1\" q:x=\"2\"/>", kParses},
    {u"<a b=\">\" c='\"'/>", kParses},
    // Characters XML does not allow, raw.
    {u"<a>\x01</a>", kRefused},
    {u"<a>\x0C</a>", kRefused},
    {u"<a b=\"\x01\"/>", kRefused},
    {u"<a>\uFFFF</a>", kRefused},
    {u"<a>\xD800</a>", kRefused},
    {u"<a>\t\r\n\x7F\u00A0\U0001F600</a>", kParses},
    // Text, comments, processing instructions.
    {u"<a>]]></a>", kRefused},
    {u"<a><!-- a -- b --></a>", kRefused},
    {u"<a><!-- x ---></a>", kRefused},
    {u"<a><?Xml x?></a>", kRefused},
    {u"<a>]]&gt; ] ]]</a>", kParses},
    {u"<a><![CDATA[x]]]></a>", kParses},
    {u"<a><!----><!-- - --></a>", kParses},
    {u"<?pi?><?xmlfoo x?><a><?xml-stylesheet x?></a>", kParses},
    // The declaration: first of all, version 1.x, then encoding, then standalone.
    {u" <?xml version=\"1.0\"?><a/>", kRefused},
    {u"<a/><?xml version=\"1.0\"?>", kRefused},
    {u"<?pi x?><?xml version=\"1.0\"?><a/>", kRefused},
    {u"<?xml version=\"1.0\"?><?xml version=\"1.0\"?><a/>", kRefused},
    {u"<?XML version=\"1.0\"?><a/>", kRefused},
    {u"<?xml?><a/>", kRefused},
    {u"<?xml version=\"2.0\"?><a/>", kRefused},
    {u"<?xml version=\"1\"?><a/>", kRefused},
    {u"<?xml encoding=\"utf-8\"?><a/>", kRefused},
    {u"<?xml version=\"1.0\" standalone=\"maybe\"?><a/>", kRefused},
    {u"<?xml version=\"1.0\" standalone=\"yes\" encoding=\"utf-8\"?><a/>", kRefused},
    {u"<?xml version=\"1.0\" foo=\"x\"?><a/>", kRefused},
    {u"<?xml version=\"1.0\" encoding=\"1x\"?><a/>", kRefused},
    {u"<?xml version=\"1.1\"?><a/>", kParses},
    {u"<?xml version = \"1.0\" ?><a/>", kParses},
    {u"<?xml version=\"1.0\" encoding=\"utf-16\" standalone=\"no\"?><a/>", kParses},
    // The document type: before the root, once.
    {u"<a/><!DOCTYPE a>", kRefused},
    {u"<!DOCTYPE a><!DOCTYPE a><a/>", kRefused},
    {u"<!--c--><!DOCTYPE a><a/>", kParses},
    {u"<!DOCTYPE a [<!ELEMENT a ANY>]><a/>", kParses},
    // Names.
    {u"<\u00B7a/>", kRefused},
    {u"<a\u00D7/>", kRefused},
    {u"<-a/>", kRefused},
    {u"<\u00F1 \u00E9=\"1\"/>", kParses},
    {u"<a\u00B7b.c-d_e/>", kParses},
    // Broken markup and no markup.
    {u"not xml", kRefused},
    {u"<a><b></a>", kRefused},
    {u"<x:a xmlns:x=\"u\"></a>", kRefused},
    {u"< a/>", kRefused},
    {u"", kRefused},
    {u"  ", kRefused},
    {u"<?xml version=\"1.0\"?>", kRefused},
    {u"<!--c-->", kRefused},
};

TEST(XmlDocument, RefusesWhatThePlatformsParserRefusesAndLeavesTheDocumentEmpty) {
  for (const Body& b : kBodies) {
    SCOPED_TRACE(utf16_to_utf8(b.text));
    auto doc = create_xml_document();
    ASSERT_TRUE(doc->load_xml(u"<a>1</a>"));
    EXPECT_EQ(doc->load_xml(b.text), b.parses);
    if (b.parses) {
      EXPECT_EQ(doc->parse_error(), u"");
      EXPECT_TRUE(doc->document_element());
    } else {
      EXPECT_NE(doc->parse_error(), u"");
      EXPECT_EQ(doc->xml(), u"");
      EXPECT_FALSE(doc->document_element());
      EXPECT_FALSE(doc->first_child(doc->root()));
      EXPECT_EQ(doc->select_text(u"/a"), std::nullopt);
    }
  }
}

// Replies a lenient parser reads a balance from (42 to 46) and the platform's parser refuses:
// the balance a host sees is the empty text, on every build.
TEST(XmlDocument, ARefusedReplyGivesNoValue) {
  constexpr char16_t kOpen[] =
      u"<soap:Envelope xmlns:soap=\"http://www.w3.org/2003/05/soap-envelope\"><soap:Body>"
      u"<SOC_SaldoResponse>";
  constexpr char16_t kClose[] = u"</SOC_SaldoResponse></soap:Body></soap:Envelope>";
  const std::u16string replies[] = {
      kOpen + std::u16string(u"<SOC_SaldoResult s:tipo=\"1\">42</SOC_SaldoResult>") + kClose,
      kOpen + std::u16string(u"<SOC_SaldoResult>43</SOC_SaldoResult>") + kClose + u"<x/>",
      kOpen + std::u16string(u"<SOC_SaldoResult>44</SOC_SaldoResult>") + kClose + u"fin",
      kOpen + std::u16string(u"<SOC_SaldoResult>45&nbsp;</SOC_SaldoResult>") + kClose,
      kOpen + std::u16string(u"<SOC_SaldoResult a=\"1\" a=\"2\">46</SOC_SaldoResult>") + kClose,
  };
  const char16_t* path = u"/soap:Envelope/soap:Body/SOC_SaldoResponse/SOC_SaldoResult";
  for (const std::u16string& reply : replies) {
    auto doc = create_xml_document();
    EXPECT_FALSE(doc->load_xml(reply)) << utf16_to_utf8(reply);
    EXPECT_EQ(doc->select_text(path), std::nullopt);
  }
}

// Every prefix of a good reply is refused, and the document stays usable afterwards.
TEST(XmlDocument, RefusesEveryCutOfAGoodDocument) {
  const std::u16string whole = kEnvelope;
  auto doc = create_xml_document();
  for (std::size_t n = 0; n < whole.size(); ++n)
    EXPECT_FALSE(doc->load_xml(std::u16string_view(whole).substr(0, n))) << n;
  ASSERT_TRUE(doc->load_xml(whole));
  EXPECT_EQ(doc->select_text(u"/soap:Envelope/soap:Body/ConsultarResponse/ConsultarResult"), u"42");
}

TEST(XmlDocument, SerializesWithTheDeclarationAsWrittenAndNoAddedBreaks) {
  auto doc = create_xml_document();
  ASSERT_TRUE(doc->load_xml(u"<?xml version='1.0' encoding='utf-16'?>\n<a>\n  <b>x</b>\n</a>"));
  EXPECT_EQ(doc->xml(), u"<?xml version='1.0' encoding='utf-16'?><a><b>x</b></a>");

  ASSERT_TRUE(doc->load_xml(u"<a><b>x</b></a>"));
  EXPECT_EQ(doc->xml(), u"<a><b>x</b></a>");
}

TEST(XmlDocument, SetTextReplacesContentAndEscapes) {
  auto doc = create_xml_document();
  ASSERT_TRUE(doc->load_xml(kEnvelope));
  const char16_t* path = u"/soap:Envelope/soap:Body/ConsultarResponse";
  EXPECT_TRUE(doc->set_text(path, u"Peña & Hijos <S.A.>"));
  EXPECT_EQ(doc->select_text(path), u"Peña & Hijos <S.A.>");
  EXPECT_EQ(doc->xml(),
            u"<?xml version=\"1.0\" encoding=\"utf-8\"?>"
            u"<soap:Envelope xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\">"
            u"<soap:Body><ConsultarResponse xmlns=\"http://tempuri.org/\">"
            u"Peña &amp; Hijos &lt;S.A.&gt;</ConsultarResponse></soap:Body></soap:Envelope>");
  EXPECT_FALSE(doc->set_text(u"/soap:Envelope/Missing", u"x"));
}

// ---- The tree, node by node ---------------------------------------------------------------

constexpr char16_t kTree[] =
    u"<?xml version=\"1.0\"?><!DOCTYPE r><!--top--><r xmlns:p=\"u\" id=\"7\">"
    u"<p:i n=\"1\"> one <b>two</b></p:i><!-- c --><p:i n=\"2\"><![CDATA[<3>]]></p:i>"
    u"<?go now?><q><p:i n=\"3\"/></q></r>";

// Each node in document order with its type, name and text, walked through first_child and
// next_sibling from the document node as a host walks childNodes.
TEST(XmlDocument, WalksTheTreeInDocumentOrder) {
  auto doc = create_xml_document();
  ASSERT_TRUE(doc->load_xml(kTree));
  struct Seen {
    XmlNodeType type;
    std::u16string name, text;
    bool operator==(const Seen&) const = default;
  };
  std::vector<Seen> seen;
  std::vector<XmlNode> pending{doc->root()};
  while (!pending.empty()) {
    XmlNode node = pending.back();
    pending.pop_back();
    seen.push_back({doc->type(node), doc->name(node), doc->text(node)});
    std::vector<XmlNode> children;
    for (XmlNode c = doc->first_child(node); c; c = doc->next_sibling(c)) children.push_back(c);
    pending.insert(pending.end(), children.rbegin(), children.rend());
  }
  using T = XmlNodeType;
  const std::vector<Seen> expected{
      {T::kDocument, u"#document", u"one two<3>"},
      {T::kProcessingInstruction, u"xml", u""},
      {T::kDocumentType, u"r", u""},
      {T::kComment, u"#comment", u"top"},
      {T::kElement, u"r", u"one two<3>"},
      {T::kElement, u"p:i", u"one two"},
      {T::kText, u"#text", u"one"},
      {T::kElement, u"b", u"two"},
      {T::kText, u"#text", u"two"},
      {T::kComment, u"#comment", u"c"},
      {T::kElement, u"p:i", u"<3>"},
      {T::kCData, u"#cdata-section", u"<3>"},
      {T::kProcessingInstruction, u"go", u"now"},
      {T::kElement, u"q", u""},
      {T::kElement, u"p:i", u""},
  };
  EXPECT_EQ(seen.size(), expected.size());
  for (std::size_t i = 0; i < std::min(seen.size(), expected.size()); ++i) {
    EXPECT_EQ(seen[i], expected[i]) << i << " " << utf16_to_utf8(seen[i].name);
  }
  EXPECT_EQ(doc->name(doc->document_element()), u"r");
}

TEST(XmlDocument, SelectsFromTheDocumentOrFromANode) {
  auto doc = create_xml_document();
  ASSERT_TRUE(doc->load_xml(kTree));
  const XmlNode root = doc->root();
  const XmlNode q = doc->select_node(root, u"/r/q");
  ASSERT_TRUE(q);
  struct Case {
    XmlNode context;
    const char16_t* path;
    std::vector<std::u16string> attributes_n;  // the n="" of each match, in order
  };
  const Case cases[] = {
      {root, u"/r/p:i", {u"1", u"2"}},
      {root, u"r/p:i", {u"1", u"2"}},  // relative to the document: its children first
      {q, u"p:i", {u"3"}},             // relative to a node: its children
      {q, u"/r/p:i", {u"1", u"2"}},    // absolute from any node: the document
      {q, u"/r/q/p:i", {u"3"}},
      {root, u"/r/i", {}},    // prefixes are part of the name
      {root, u"/r/P:I", {}},  // and so is letter case
      {root, u"/r//p:i", {}},
      {root, u"/r/p:i/", {}},
      {root, u"", {}},
      {root, u"/", {}},
      {XmlNode{}, u"/r/p:i", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(utf16_to_utf8(c.path));
    std::vector<std::u16string> all;
    for (XmlNode n : doc->select_nodes(c.context, c.path)) all.push_back(*doc->attribute(n, u"n"));
    EXPECT_EQ(all, c.attributes_n);
    XmlNode first = doc->select_node(c.context, c.path);
    if (c.attributes_n.empty())
      EXPECT_FALSE(first);
    else
      EXPECT_EQ(doc->attribute(first, u"n"), c.attributes_n.front());
  }
  const XmlNode r = doc->document_element();
  EXPECT_EQ(doc->attribute(r, u"id"), u"7");
  EXPECT_EQ(doc->attribute(r, u"xmlns:p"), u"u");
  EXPECT_EQ(doc->attribute(r, u"ID"), std::nullopt);
  EXPECT_EQ(doc->attribute(r, u"missing"), std::nullopt);
}

TEST(XmlDocument, SerializesANodeAsWritten) {
  auto doc = create_xml_document();
  ASSERT_TRUE(doc->load_xml(kTree));
  EXPECT_EQ(doc->xml(doc->select_node(doc->root(), u"/r/p:i")),
            u"<p:i n=\"1\"> one <b>two</b></p:i>");
  EXPECT_EQ(doc->xml(doc->first_child(doc->root())), u"<?xml version=\"1.0\"?>");
  EXPECT_EQ(doc->xml(doc->root()), doc->xml());
  EXPECT_EQ(doc->xml().substr(0, 46), u"<?xml version=\"1.0\"?><!DOCTYPE r><!--top--><r ");
}

// A reply nested deeper than any stack allows recursion for: loading, reading, selecting,
// serializing and dropping it all run in loops.
TEST(XmlDocument, HandlesDeeplyNestedDocumentsWithoutRecursion) {
  constexpr int kDepth = 150000;
  std::u16string text;
  text.reserve(kDepth * 7 + 8);
  for (int i = 0; i < kDepth; ++i) text += u"<e>";
  text += u" deep ";
  for (int i = 0; i < kDepth; ++i) text += u"</e>";

  auto doc = create_xml_document();
  ASSERT_TRUE(doc->load_xml(text));
  EXPECT_EQ(doc->text(doc->root()), u"deep");
  EXPECT_EQ(doc->xml().size(), text.size());
  std::u16string path;
  for (int i = 0; i < kDepth; ++i) path += u"/e";
  EXPECT_EQ(doc->select_text(path), u"deep");
  EXPECT_EQ(doc->select_nodes(doc->root(), path + u"/e").size(), 0u);
  EXPECT_TRUE(doc->set_text(u"/e", u"flat"));
  EXPECT_EQ(doc->xml(), u"<e>flat</e>");

  // Refused deep down, past every cheap check.
  text.replace(text.find(u" deep "), 6, u"&nbsp;");
  EXPECT_FALSE(doc->load_xml(text));
}

}  // namespace
}  // namespace halvora::platform
