// The channel-manager updates of both classes against a loopback service.
#include <gtest/gtest.h>
#include <zlib.h>

#include <functional>
#include <memory>

#include "automation/text.h"
#include "library/registry.h"
#include "platform/http.h"
#include "services/actualiza_inventario.h"
#include "services/channel_envelopes.h"
#include "services/e_rev_max.h"
#include "support/http_server.h"
#include "support/test_env.h"
#include "web/dom_document.h"

namespace halvora {
namespace {

using test::CannedResponse;
using test::HttpServer;
using test::ScopedEnv;
using test::UiScope;
using Headers = std::vector<std::pair<std::string, std::string>>;

const std::string kReply =
    "<?xml version=\"1.0\" encoding=\"utf-8\"?><s:Envelope "
    "xmlns:s=\"http://schemas.xmlsoap.org/soap/envelope/\"><s:Body><GetListResponse "
    "xmlns=\"http://tempuri.org/\"><GetListResult><Enhancement><Code>SPA</Code></Enhancement>"
    "</GetListResult></GetListResponse></s:Body></s:Envelope>";

std::string gzip(const std::string& data) {
  z_stream z{};
  deflateInit2(&z, Z_BEST_COMPRESSION, Z_DEFLATED, 15 + 16, 9, Z_DEFAULT_STRATEGY);
  std::string out(deflateBound(&z, data.size()) + 32, '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  z.avail_in = static_cast<uInt>(data.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  deflate(&z, Z_FINISH);
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

CannedResponse reply(int status, std::string body, bool compressed = false) {
  CannedResponse r;
  r.status = status;
  r.body = compressed ? gzip(body) : std::move(body);
  if (compressed) r.extra_headers = {{"Content-Encoding", "gzip"}};
  return r;
}

std::u16string report(int32_t number) {
  return u"ERROR: " + utf8_to_utf16(std::to_string(number)) + u" " + standard_error_text(number) +
         u"\r\nmsxml6.dll";
}

// Both classes behind one face, so that every case runs through each.
struct Client {
  const char* name;
  std::function<bool(double, const std::u16string&)> inventory;
  std::function<bool(double, const std::u16string&)> restriction;
  std::function<std::u16string(const std::u16string&, double)> enhancements;
  std::function<bool(const std::u16string&, Variant&)> invoke;
};

template <class C>
Client client_of(const char* name) {
  auto obj = std::make_shared<C>();
  return {name,
          [obj](double hotel, const std::u16string& url) {
            return obj->UpdateInventory(hotel, u"2026-12-01", u"2026-12-31", u"DBL", url);
          },
          [obj](double hotel, const std::u16string& url) {
            return obj->RestrictionOpenClose_Date(hotel, u"2026-12-24", u"2026-12-25", u"STE", url,
                                                  u"Close");
          },
          [obj](const std::u16string& url, double id) { return obj->Enhancements(url, id); },
          [obj](const std::u16string& url, Variant& response) {
            return obj->InvokeWebService(u"<x/>", u"urn:a", url, response);
          }};
}

class ChannelTest : public ::testing::Test {
 protected:
  HttpServer server;
  ScopedEnv online{"HALVORA_NETSTATE", "online,lan"};
  ScopedEnv ns{"HALVORA_CHANNEL_NS", nullptr};
  UiScope scope;
  std::u16string url = utf8_to_utf16(server.url("/channel"));
  std::vector<Client> clients{client_of<ActualizaInventario>("ActualizaInventario"),
                              client_of<eRevMax>("eRevMax")};
  test::RecordingUi& ui() { return scope.ui(); }
};

TEST_F(ChannelTest, EachVariantSendsItsHeadersInOrderAndTheSameBody) {
  const std::string u8url = server.url("/channel");
  auto headers = [&](bool compressed, const std::string& action, std::size_t bytes) -> Headers {
    if (!compressed)
      return {{"Host", server.authority()},
              {"Man", "POST " + u8url + " HTTP/1.1"},
              {"Content-Type", "text/xml; charset=utf-8"},
              {"SOAPAction", action},
              {"Content-Length", std::to_string(bytes)}};
    return {{"Host", server.authority()},
            {"Man", u8url + " HTTP/1.1"},
            {"Accept-encoding", "gzip , deflate"},
            {"Content-Type", "text/xml;charset=UTF-8"},
            {"SOAPAction", action},
            {"Content-Length", std::to_string(bytes)}};
  };
  struct Operation {
    std::function<void(const Client&)> call;
    std::string action;
    std::u16string body;
  };
  const Operation operations[] = {
      {[&](const Client& c) { EXPECT_TRUE(c.inventory(262500, url)); },
       "http://tempuri.org/IInventoryUpdTC/Save",
       ArmarSaveInventario(262500, u"2026-12-01", u"2026-12-31", u"DBL")},
      {[&](const Client& c) { EXPECT_TRUE(c.restriction(7, url)); },
       "http://tempuri.org/IRestrictionUpdTC/Save",
       ArmarSaveRestriccion(7, u"2026-12-24", u"2026-12-25", u"STE", u"Close")},
      {[&](const Client& c) { EXPECT_EQ(c.enhancements(url, 5001), utf8_to_utf16(kReply)); },
       "http://tempuri.org/IEnhancementsTC/GetList", ArmarGetList(5001)},
  };
  server.respond(reply(200, kReply));
  for (const Operation& op : operations) {
    for (std::size_t i = 0; i < clients.size(); ++i) {
      op.call(clients[i]);
      auto r = server.last_request();
      EXPECT_EQ(r.method, "POST");
      EXPECT_EQ(r.target, "/channel");
      EXPECT_EQ(r.body, utf16_to_utf8(op.body)) << clients[i].name;
      EXPECT_EQ(r.headers, headers(i == 1, op.action, r.body.size())) << clients[i].name;
    }
  }
  EXPECT_TRUE(ui().boxes.empty());
}

TEST_F(ChannelTest, RepliesOfEveryKind) {
  struct Case {
    const char* what;
    CannedResponse response;
    bool updated;         // what the updates answer
    std::string list;     // what Enhancements answers, through eRevMax
    int32_t failure = 0;  // the report the updates show, if any
  };
  std::string bomb = gzip(std::string(20u << 20, '\0'));
  std::string corrupt = gzip(kReply);
  corrupt[corrupt.size() / 2] ^= 0x5A;
  CannedResponse corrupt_reply = reply(200, "");
  corrupt_reply.body = corrupt;
  corrupt_reply.extra_headers = {{"Content-Encoding", "gzip"}};
  CannedResponse truncated = reply(200, kReply);
  truncated.truncate_body_at = kReply.size() / 2;
  CannedResponse bomb_reply = reply(200, "");
  bomb_reply.body = bomb;
  bomb_reply.extra_headers = {{"Content-Encoding", "gzip"}};

  const Case cases[] = {
      {"plain XML", reply(200, kReply), true, kReply},
      {"gzip XML", reply(200, kReply, true), true, kReply},
      {"fault 500",
       reply(500, "<s:Envelope xmlns:s=\"x\"><s:Body><s:Fault/></s:Body></s:Envelope>"), false, ""},
      {"empty 200", reply(200, ""), true, ""},
      {"not XML 200", reply(200, "<<< no"), true, ""},
      {"corrupt gzip", corrupt_reply, false, "", http_error::kNoData},
      {"truncated", truncated, false, "", http_error::kNoData},
      {"gzip bomb", bomb_reply, false, "", http_error::kOutOfMemory},
  };
  ScopedEnv cap{"HALVORA_HTTP_MAX_BYTES", "1000000"};
  for (const Case& c : cases) {
    server.respond(c.response);
    ui().boxes.clear();
    // ActualizaInventario asks for no compression, so only eRevMax decodes.
    bool compressed = !c.response.extra_headers.empty();
    if (!compressed) {
      EXPECT_EQ(clients[0].inventory(101, url), c.updated) << c.what;
      EXPECT_EQ(clients[0].restriction(101, url), c.updated) << c.what;
    }
    EXPECT_EQ(clients[1].inventory(101, url), c.updated) << c.what;
    EXPECT_EQ(clients[1].enhancements(url, 5001), utf8_to_utf16(c.list)) << c.what;
    if (c.failure == 0) {
      EXPECT_TRUE(ui().boxes.empty()) << c.what;
      continue;
    }
    ASSERT_EQ(ui().boxes.size(), compressed ? 2u : 4u) << c.what;
    const char16_t* titles[] = {u"Actualiza Inventario", u"Abrir y cerrar fechas",
                                u"Actualiza Inventario", u"Enhancements"};
    for (std::size_t i = 0; i < ui().boxes.size(); ++i) {
      EXPECT_EQ(ui().boxes[i].text, report(c.failure)) << c.what;
      EXPECT_EQ(ui().boxes[i].style, 16);
      EXPECT_EQ(ui().boxes[i].title, titles[i + (compressed ? 2 : 0)]) << c.what;
    }
  }
}

TEST_F(ChannelTest, ZeroCodesSendNothingAndSayNothing) {
  for (const Client& c : clients) {
    EXPECT_FALSE(c.inventory(0, url));
    EXPECT_FALSE(c.restriction(0, url));
    EXPECT_EQ(c.enhancements(url, 0), u"");
  }
  ScopedEnv offline{"HALVORA_NETSTATE", "lan"};
  for (const Client& c : clients) {
    EXPECT_FALSE(c.inventory(101, url));
    EXPECT_EQ(c.enhancements(url, 5001), u"");
  }
  EXPECT_TRUE(server.requests().empty());
  EXPECT_TRUE(ui().boxes.empty());
}

TEST_F(ChannelTest, BadEndpointsShowTheReport) {
  struct Case {
    std::u16string wsdl;
    const char* timeout_ms;
    int32_t failure;
  };
  CannedResponse silent;
  silent.never_answer = true;
  server.respond(silent);
  const Case cases[] = {
      {u"no es una URL", nullptr, http_error::kInvalidUrl},
      {u"http://127.0.0.1:" + utf8_to_utf16(std::to_string(test::refused_port())) + u"/c", nullptr,
       http_error::kResourceNotFound},
      {url, "300", http_error::kTimeout},
  };
  for (const Case& c : cases) {
    ScopedEnv timeout{"HALVORA_HTTP_TIMEOUT_MS", c.timeout_ms};
    for (const Client& client : clients) {
      ui().boxes.clear();
      EXPECT_FALSE(client.inventory(101, c.wsdl));
      ASSERT_EQ(ui().boxes.size(), 1u);
      EXPECT_EQ(ui().boxes[0].title, u"Actualiza Inventario");
      EXPECT_EQ(ui().boxes[0].text, report(c.failure)) << utf16_to_utf8(c.wsdl);
    }
  }
}

TEST_F(ChannelTest, InvokeWebServiceHandsBackTheParsedReplyAndLetsFailuresThrough) {
  for (const Client& c : clients) {
    server.respond(reply(500, kReply));
    Variant response;
    EXPECT_FALSE(c.invoke(url, response));
    auto doc = std::dynamic_pointer_cast<DomDocument>(response.object());
    ASSERT_TRUE(doc) << c.name;
    EXPECT_EQ(doc->xml(), utf8_to_utf16(kReply));
    // A DOM document that hosts read by node, not only as text.
    auto root = std::dynamic_pointer_cast<DomNode>(doc->documentElement());
    ASSERT_TRUE(root);
    EXPECT_EQ(root->nodeName(), u"s:Envelope");
    auto code = std::dynamic_pointer_cast<DomNode>(
        root->selectSingleNode(u"s:Body/GetListResponse/GetListResult/Enhancement/Code"));
    ASSERT_TRUE(code);
    EXPECT_EQ(code->text(), u"SPA");

    // A reply that does not parse still comes back, empty, with the reason.
    server.respond(reply(200, "<r>&nbsp;</r>"));
    EXPECT_TRUE(c.invoke(url, response));
    doc = std::dynamic_pointer_cast<DomDocument>(response.object());
    ASSERT_TRUE(doc);
    EXPECT_EQ(doc->documentElement(), nullptr);
    EXPECT_NE(std::static_pointer_cast<DomParseError>(doc->parseError())->errorCode(), 0);

    Variant untouched(u"before");
    EXPECT_THROW(
        c.invoke(u"http://127.0.0.1:" + utf8_to_utf16(std::to_string(test::refused_port())),
                 untouched),
        Error);
    EXPECT_EQ(untouched, Variant(u"before"));
  }
  EXPECT_TRUE(ui().boxes.empty());

  ScopedEnv offline{"HALVORA_NETSTATE", "lan"};
  for (const Client& c : clients) {
    Variant response;
    EXPECT_FALSE(c.invoke(url, response));
  }
  ASSERT_EQ(ui().boxes.size(), 2u);
  for (const auto& box : ui().boxes) {
    EXPECT_EQ(box.text, u"No hay conexión a internet.");
    EXPECT_EQ(box.style, 0);
    EXPECT_EQ(box.title, u"HALVORA");
  }
}

TEST(ChannelClasses, ArePublishedWithTheSameMembersInInterfaceOrder) {
  const std::vector<std::u16string> expected{u"ActualizaInventario", u"RestrictionOpenClose_Date",
                                             u"Enhancements", u"InvokeWebService", u"Online"};
  for (const char16_t* progid : {u"HALVORA.ActualizaInventario", u"HALVORA.eRevMax"}) {
    ObjectRef obj = create_object(progid);
    std::vector<std::u16string> names;
    for (const Member& m : obj->members().members()) names.push_back(m.name);
    EXPECT_EQ(names, expected);
    const Member* invoke = obj->members().find(u"InvokeWebService");
    ASSERT_EQ(invoke->params.size(), 4u);
    EXPECT_TRUE(invoke->params[3].by_ref);
    EXPECT_FALSE(invoke->params[0].by_ref);
  }
}

}  // namespace
}  // namespace halvora
