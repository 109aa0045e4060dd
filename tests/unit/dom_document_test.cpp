// The reply document as a host reads it: every read goes through the member tables by name, as
// the script host and the COM glue call them.
#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "automation/error.h"
#include "automation/members.h"
#include "automation/text.h"
#include "web/dom_document.h"

namespace halvora {
namespace {

constexpr char16_t kReply[] =
    u"<?xml version=\"1.0\" encoding=\"utf-8\"?><s:Envelope "
    u"xmlns:s=\"http://schemas.xmlsoap.org/soap/envelope/\"><s:Body>"
    u"<GetListResponse xmlns=\"http://tempuri.org/\"><GetListResult Count=\"2\">"
    u"<Enhancement Id=\"1\"><Code>DESAYUNO</Code><Amount>250</Amount></Enhancement>"
    u"<!-- la segunda -->"
    u"<Enhancement Id=\"2\"><Code>SPA</Code><Amount> 1200.5 </Amount></Enhancement>"
    u"</GetListResult></GetListResponse></s:Body></s:Envelope>";

constexpr char16_t kResult[] = u"/s:Envelope/s:Body/GetListResponse/GetListResult";

// A property read or a method call by name, the arguments in order.
Variant call(const Variant& target, std::u16string_view name, std::vector<Variant> args = {}) {
  EXPECT_TRUE(target.is_object() && target.object()) << utf16_to_utf8(name) << " on Nothing";
  Object& object = *target.object();
  const Member* m = object.members().find(name);
  if (!m) throw Error::standard(err::kNoSuchMember);
  return invoke(object, *m, m->kind == MemberKind::Method ? CallKind::Method : CallKind::Get, args);
}

std::u16string type_name(const Variant& v) {
  return v.object() ? v.object()->type_name() : u"Nothing";
}

Variant loaded(const std::u16string& text) {
  auto doc = std::make_shared<DomDocument>();
  doc->loadXML(text);
  return Variant(ObjectRef(doc));
}

TEST(DomDocument, ReadsAReplyAsHostsDo) {
  const Variant doc = loaded(kReply);
  auto result = [&] { return call(doc, u"selectSingleNode", {kResult}); };
  auto items = [&] {
    return call(doc, u"selectNodes", {std::u16string(kResult) + u"/Enhancement"});
  };
  struct Case {
    const char* what;
    std::function<Variant()> read;
    Variant expected;
  };
  const Case cases[] = {
      {"TypeName of the document", [&] { return Variant(type_name(doc)); }, u"DOMDocument"},
      {"documentElement", [&] { return call(call(doc, u"documentElement"), u"nodeName"); },
       u"s:Envelope"},
      {"TypeName of an element", [&] { return Variant(type_name(call(doc, u"documentElement"))); },
       u"IXMLDOMElement"},
      {"selectSingleNode().text",
       [&] {
         return call(
             call(doc, u"selectSingleNode", {std::u16string(kResult) + u"/Enhancement/Code"}),
             u"text");
       },
       u"DESAYUNO"},
      {"text trimmed",
       [&] {
         return call(call(call(items(), u"item", {1}), u"selectSingleNode", {u"Amount"}), u"text");
       },
       u"1200.5"},
      {"text of an element with descendants", [&] { return call(result(), u"text"); },
       u"DESAYUNO250SPA 1200.5"},
      {"getAttribute", [&] { return call(result(), u"getAttribute", {u"Count"}); }, u"2"},
      {"getAttribute, none", [&] { return call(result(), u"getAttribute", {u"count"}); }, Null{}},
      {"selectNodes().length", [&] { return call(items(), u"length"); }, int32_t{2}},
      {"TypeName of a selection", [&] { return Variant(type_name(items())); }, u"IXMLDOMSelection"},
      {"item(i) from 0",
       [&] { return call(call(items(), u"item", {0}), u"getAttribute", {u"Id"}); }, u"1"},
      {"item past the end", [&] { return Variant(type_name(call(items(), u"item", {2}))); },
       u"Nothing"},
      {"item before the start", [&] { return Variant(type_name(call(items(), u"item", {-1}))); },
       u"Nothing"},
      {"selectSingleNode, no match",
       [&] { return Variant(type_name(call(doc, u"selectSingleNode", {u"/s:Envelope/Body"}))); },
       u"Nothing"},
      {"selectNodes, no match", [&] { return call(call(doc, u"selectNodes", {u"/x"}), u"length"); },
       int32_t{0}},
      {"relative from a node",
       [&] { return call(call(result(), u"selectNodes", {u"Enhancement/Code"}), u"length"); },
       int32_t{2}},
      {"absolute from a node",
       [&] { return call(call(result(), u"selectNodes", {u"/s:Envelope"}), u"length"); },
       int32_t{1}},
      {"childNodes of the document", [&] { return call(call(doc, u"childNodes"), u"length"); },
       int32_t{2}},
      {"TypeName of childNodes", [&] { return Variant(type_name(call(doc, u"childNodes"))); },
       u"IXMLDOMNodeList"},
      {"childNodes with a comment", [&] { return call(call(result(), u"childNodes"), u"length"); },
       int32_t{3}},
      {"a comment child",
       [&] { return Variant(type_name(call(call(result(), u"childNodes"), u"item", {1}))); },
       u"IXMLDOMComment"},
      {"firstChild of the document", [&] { return call(call(doc, u"firstChild"), u"nodeName"); },
       u"xml"},
      {"its nodeType", [&] { return call(call(doc, u"firstChild"), u"nodeType"); }, int32_t{7}},
      {"firstChild, nextSibling",
       [&] {
         return call(call(call(call(result(), u"firstChild"), u"nextSibling"), u"nextSibling"),
                     u"getAttribute", {u"Id"});
       },
       u"2"},
      {"a text node",
       [&] {
         return call(call(call(items(), u"item", {0}), u"selectSingleNode", {u"Code"}),
                     u"firstChild");
       },
       Variant()},  // checked below by name and type
      {"nodeName of the document", [&] { return call(doc, u"nodeName"); }, u"#document"},
      {"nodeType of the document", [&] { return call(doc, u"nodeType"); }, int32_t{9}},
      {"xml of a node", [&] { return call(call(items(), u"item", {0}), u"xml"); },
       u"<Enhancement Id=\"1\"><Code>DESAYUNO</Code><Amount>250</Amount></Enhancement>"},
      {"xml of the document", [&] { return call(doc, u"xml"); }, kReply},
      {"parseError.errorCode", [&] { return call(call(doc, u"parseError"), u"errorCode"); },
       int32_t{0}},
      {"parseError.reason", [&] { return call(call(doc, u"parseError"), u"reason"); }, u""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Variant got = c.read();
    if (c.expected.type() == VarType::Empty) {
      EXPECT_EQ(type_name(got), u"IXMLDOMText");
      EXPECT_EQ(call(got, u"nodeName"), Variant(u"#text"));
      EXPECT_EQ(call(got, u"text"), Variant(u"DESAYUNO"));
      // getAttribute is an element's: anything else answers 438, as with the platform's DOM.
      try {
        call(got, u"getAttribute", {u"x"});
        ADD_FAILURE() << "getAttribute on a text node";
      } catch (const Error& e) {
        EXPECT_EQ(e.number(), 438);
      }
    } else {
      EXPECT_EQ(got, c.expected);
    }
  }
}

TEST(DomDocument, ATextThatDoesNotParseLeavesItEmptyWithTheReason) {
  for (const char16_t* bad : {u"<a>&nbsp;</a>", u"<a/><b/>", u"<p:a/>", u"", u"no xml"}) {
    SCOPED_TRACE(utf16_to_utf8(bad));
    Variant doc = loaded(kReply);
    EXPECT_EQ(call(doc, u"loadXML", {bad}), Variant(false));
    Variant error = call(doc, u"parseError");
    EXPECT_EQ(type_name(error), u"IXMLDOMParseError");
    EXPECT_EQ(call(error, u"errorCode"), Variant(DomDocument::kParseFailed));
    EXPECT_NE(call(error, u"reason"), Variant(u""));
    EXPECT_EQ(type_name(call(doc, u"documentElement")), u"Nothing");
    EXPECT_EQ(call(doc, u"xml"), Variant(u""));
    EXPECT_EQ(call(doc, u"text"), Variant(u""));
    EXPECT_EQ(call(call(doc, u"childNodes"), u"length"), Variant(int32_t{0}));
    EXPECT_EQ(type_name(call(doc, u"selectSingleNode", {u"/a"})), u"Nothing");

    // The next load that parses clears the error.
    EXPECT_EQ(call(doc, u"loadXML", {u"<a/>"}), Variant(true));
    EXPECT_EQ(call(call(doc, u"parseError"), u"errorCode"), Variant(int32_t{0}));
  }
}

TEST(DomDocument, NodesOutliveTheDocumentAndItsReloads) {
  Variant doc = loaded(kReply);
  Variant code = call(doc, u"selectSingleNode", {std::u16string(kResult) + u"/Enhancement/Code"});
  Variant list = call(call(doc, u"selectSingleNode", {kResult}), u"childNodes");
  call(doc, u"loadXML", {u"<otro/>"});
  EXPECT_EQ(call(call(doc, u"documentElement"), u"nodeName"), Variant(u"otro"));
  doc = Variant();
  EXPECT_EQ(call(code, u"text"), Variant(u"DESAYUNO"));
  EXPECT_EQ(call(call(list, u"item", {2}), u"getAttribute", {u"Id"}), Variant(u"2"));
}

TEST(DomDocument, IsReadOnlyApartFromLoadXML) {
  Variant doc = loaded(kReply);
  Object& object = *doc.object();
  for (const char16_t* name : {u"xml", u"text", u"documentElement", u"childNodes", u"nodeName"}) {
    SCOPED_TRACE(utf16_to_utf8(name));
    Variant value(u"x");
    EXPECT_THROW(invoke(object, name, CallKind::Let, {&value, 1}), Error);
  }
  // Names are matched without regard to case, as hosts call them.
  EXPECT_EQ(invoke(object, u"DOCUMENTELEMENT", CallKind::Get).object()->type_name(),
            u"IXMLDOMElement");
  // Without a platform DOM of its own, the document goes out to hosts as the library's object.
  EXPECT_EQ(object.foreign_dispatch(), nullptr);
}

TEST(DomDocument, ReadsDeeplyNestedRepliesWithoutRecursion) {
  constexpr int kDepth = 150000;
  std::u16string text;
  for (int i = 0; i < kDepth; ++i) text += u"<e>";
  text += u"fondo";
  for (int i = 0; i < kDepth; ++i) text += u"</e>";
  Variant doc = loaded(text);
  Variant top = call(doc, u"documentElement");
  EXPECT_EQ(call(top, u"text"), Variant(u"fondo"));
  EXPECT_EQ(call(doc, u"xml").string().size(), text.size());
  EXPECT_EQ(call(call(top, u"selectNodes", {u"e/e/e"}), u"length"), Variant(int32_t{1}));
  doc = Variant();
  top = Variant();  // the last holder of the tree lets it go, without recursion too
}

}  // namespace
}  // namespace halvora
