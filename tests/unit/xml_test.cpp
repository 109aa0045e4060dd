#include <gtest/gtest.h>

#include <optional>

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

TEST(XmlDocument, TextThatDoesNotParseLeavesAnEmptyDocument) {
  auto doc = create_xml_document();
  ASSERT_TRUE(doc->load_xml(u"<a>1</a>"));
  for (const char16_t* bad : {u"not xml", u"<a><b></a>", u"", u"<?xml version=\"1.0\"?>"}) {
    EXPECT_FALSE(doc->load_xml(bad));
    EXPECT_EQ(doc->xml(), u"");
    EXPECT_EQ(doc->select_text(u"/a"), std::nullopt);
  }
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

}  // namespace
}  // namespace halvora::platform
