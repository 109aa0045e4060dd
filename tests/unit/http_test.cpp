#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <optional>

#include "automation/error.h"
#include "automation/text.h"
#include "platform/http.h"
#include "support/http_server.h"
#include "support/test_env.h"

namespace halvora::platform {
namespace {

using test::CannedResponse;
using test::HttpServer;
using Headers = std::vector<std::pair<std::string, std::string>>;

using test::ScopedEnv;

CannedResponse reply(std::string body, int status = 200) {
  CannedResponse r;
  r.status = status;
  r.body = std::move(body);
  return r;
}

TEST(HttpRequest, SendsTheCallersHeadersInOrderAndNothingElse) {
  HttpServer server;
  server.respond(reply("<ok/>"));
  const std::string body = "<Nombre>Señor Muñoz 20€</Nombre>";  // bytes, not characters

  auto request = create_http_request();
  request->open(u"POST", utf8_to_utf16(server.url("/server1/service.asmx")));
  request->set_request_header(u"Host", u"fidelidad.hotel.example");
  request->set_request_header(u"Content-Type", u"text/xml; charset=utf-8");
  request->set_request_header(u"Content-length", utf8_to_utf16(std::to_string(body.size())));
  request->set_request_header(u"SOAPAction", u"\"http://tempuri.org/Consultar\"");
  request->send(body);

  auto got = server.last_request();
  EXPECT_EQ(got.method, "POST");
  EXPECT_EQ(got.target, "/server1/service.asmx");
  EXPECT_EQ(got.headers, (Headers{{"Host", "fidelidad.hotel.example"},
                                  {"Content-Type", "text/xml; charset=utf-8"},
                                  {"Content-length", std::to_string(body.size())},
                                  {"SOAPAction", "\"http://tempuri.org/Consultar\""}}));
  EXPECT_EQ(got.body, body);
  EXPECT_EQ(request->status(), 200);
  EXPECT_EQ(request->response_text(), u"<ok/>");
}

TEST(HttpRequest, GetWithoutHeadersCarriesOnlyHost) {
  HttpServer server;
  auto request = create_http_request();
  request->open(u"get", utf8_to_utf16(server.url("/ping?x=1")));
  request->send({});
  auto got = server.last_request();
  EXPECT_EQ(got.method, "GET");
  EXPECT_EQ(got.target, "/ping?x=1");
  EXPECT_EQ(got.headers, (Headers{{"Host", server.authority()}}));
}

TEST(HttpRequest, CredentialsGoAsBasicAuthentication) {
  HttpServer server;
  auto request = create_http_request();
  request->open(u"GET", utf8_to_utf16(server.url()), u"user", u"pw");
  request->send({});
  EXPECT_EQ(server.last_request().header("authorization"), "Basic dXNlcjpwdw==");
}

TEST(HttpRequest, ErrorStatusIsAnAnswerNotAFailure) {
  HttpServer server;
  server.respond(reply("<soap:Fault>no</soap:Fault>", 500));
  auto request = create_http_request();
  request->open(u"POST", utf8_to_utf16(server.url()));
  request->send("<x/>");
  EXPECT_EQ(request->status(), 500);
  EXPECT_EQ(request->response_body(), "<soap:Fault>no</soap:Fault>");
}

TEST(HttpRequest, ConsecutiveRequestsShareOneConnection) {
  HttpServer server;
  server.respond(reply("<ok/>"));
  for (int i = 0; i < 10; ++i) {
    auto request = create_http_request();
    request->open(u"POST", utf8_to_utf16(server.url()));
    request->send("<n>" + std::to_string(i) + "</n>");
    ASSERT_EQ(request->status(), 200);
  }
  EXPECT_EQ(server.requests().size(), 10u);
  EXPECT_EQ(server.connections_accepted(), 1u);
}

TEST(HttpRequest, SendBeforeOpenFails) {
  auto request = create_http_request();
  try {
    request->send("x");
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_EQ(e.number(), http_error::kNotOpened);
    EXPECT_EQ(e.source(), u"msxml6.dll");
  }
}

TEST(HttpRequest, HeaderLineBreaksAreRefused) {
  auto request = create_http_request();
  request->open(u"POST", u"http://127.0.0.1:1/");
  for (auto [name, value] :
       {std::pair<const char16_t*, const char16_t*>{u"SOAPAction", u"a\r\nX: 1"},
        {u"X\nY", u"v"},
        {u"A: b", u"v"},
        {u"", u"v"}}) {
    try {
      request->set_request_header(name, value);
      ADD_FAILURE() << "accepted";
    } catch (const Error& e) {
      EXPECT_EQ(e.number(), http_error::kInvalidArgument);
    }
  }
}

struct FailureCase {
  const char* name;
  std::function<std::string(const HttpServer&)> url;
  std::function<void(CannedResponse&)> fault;
  const char* env_name;
  const char* env_value;
  int32_t expected;
};

TEST(HttpRequest, FailuresCarryThePlatformNumbers) {
  auto here = [](const HttpServer& s) { return s.url("/svc"); };
  auto none = [](CannedResponse&) {};
  const FailureCase cases[] = {
      {"unresolvable host", [](const HttpServer&) { return std::string("http://nohost.invalid/"); },
       none, nullptr, nullptr, http_error::kResourceNotFound},
      {"refused port",
       [](const HttpServer&) {
         return "http://127.0.0.1:" + std::to_string(test::refused_port()) + "/";
       },
       none, nullptr, nullptr, http_error::kResourceNotFound},
      {"no answer", here, [](CannedResponse& r) { r.never_answer = true; },
       "HALVORA_HTTP_TIMEOUT_MS", "300", http_error::kTimeout},
      {"closed without answer", here, [](CannedResponse& r) { r.close_without_answer = true; },
       nullptr, nullptr, http_error::kNoData},
      {"truncated body", here,
       [](CannedResponse& r) {
         r.body = std::string(2000, 'x');
         r.truncate_body_at = 100;
       },
       nullptr, nullptr, http_error::kNoData},
      {"reply over the cap", here, [](CannedResponse& r) { r.body = std::string(5000, 'x'); },
       "HALVORA_HTTP_MAX_BYTES", "1000", http_error::kOutOfMemory},
      {"chunked reply without end", here, [](CannedResponse& r) { r.endless_chunks = true; },
       "HALVORA_HTTP_MAX_BYTES", "100000", http_error::kOutOfMemory},
      {"reply a byte at a time", here,
       [](CannedResponse& r) {
         r.body = std::string(1000, 'x');
         r.trickle_ms = 20;
       },
       "HALVORA_HTTP_TIMEOUT_MS", "300", http_error::kTimeout},
      {"ftp scheme", [](const HttpServer&) { return std::string("ftp://x/"); }, none, nullptr,
       nullptr, http_error::kUnknownProtocol},
      {"relative url", [](const HttpServer&) { return std::string("server1/service.asmx"); }, none,
       nullptr, nullptr, http_error::kInvalidUrl},
      {"no host", [](const HttpServer&) { return std::string("http://"); }, none, nullptr, nullptr,
       http_error::kInvalidUrl},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    HttpServer server;
    CannedResponse response;
    c.fault(response);
    server.respond(response);
    std::optional<ScopedEnv> env;
    if (c.env_name) env.emplace(c.env_name, c.env_value);

    auto request = create_http_request();
    try {
      request->open(u"POST", utf8_to_utf16(c.url(server)));
      request->send("<x/>");
      ADD_FAILURE() << "no error";
    } catch (const Error& e) {
      EXPECT_EQ(e.number(), c.expected);
      EXPECT_EQ(e.source(), u"msxml6.dll");
      EXPECT_FALSE(e.description().empty());
    }
  }
}

TEST(HttpRequest, ResponseTextIsDecodedByBomThenCharset) {
  struct Case {
    const char* content_type;
    std::string body;
    std::u16string expected;
  };
  const Case cases[] = {
      {"text/xml",
       "Pe\xC3\xB1"
       "a",
       u"Peña"},
      {"", "caf\xC3\xA9", u"café"},
      {"text/xml; charset=ISO-8859-1", "caf\xE9", u"café"},
      {"text/plain; charset=windows-1252", "\x80 5", u"€ 5"},
      {"text/plain;charset=\"us-ascii\"", "abc", u"abc"},
      {"text/xml; charset=iso-8859-1", std::string("\xFF\xFEh\0\xF1\0", 6), u"hñ"},
      {"text/xml", std::string("\xFE\xFF\0h", 4), u"h"},
      {"text/xml", "\xEF\xBB\xBFok", u"ok"},
      {"text/xml; charset=utf-16", std::string("o\0k\0", 4), u"ok"},
      {"text/xml; charset=utf-8",
       "a\xFF"
       "b",
       u"a\uFFFDb"},
  };
  HttpServer server;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.content_type);
    CannedResponse r = reply(c.body);
    r.content_type = c.content_type;
    server.respond(r);
    auto request = create_http_request();
    request->open(u"GET", utf8_to_utf16(server.url()));
    request->send({});
    EXPECT_EQ(request->response_body(), c.body);
    EXPECT_EQ(request->response_text(), c.expected);
  }
}

// A SOAP post carries its own Host header and often passwords in its envelope: it is followed
// within its origin only, as a GET without body headers after 301/302/303, as itself after 307,
// and a loop ends after a few hops instead of at the time-out.
TEST(HttpRequest, RedirectsStayWithinTheOrigin) {
  HttpServer elsewhere;
  elsewhere.respond(reply("<stolen/>"));
  struct Case {
    int status;
    std::string location;              // "" leaves it to the handler: back to /start, a loop
    int32_t error;                     // 0: the final answer arrives
    std::vector<std::string> methods;  // what the server saw, in order
  };
  HttpServer server;
  const Case cases[] = {
      {302, "/moved", 0, {"POST", "GET"}},
      {303, "/moved", 0, {"POST", "GET"}},
      {307, "/moved", 0, {"POST", "POST"}},
      {307, elsewhere.url("/take"), http_error::kAccessDenied, {"POST"}},
      {302,
       "ftp://127.0.0.1:" + std::to_string(server.port()) + "/x",
       http_error::kAccessDenied,
       {"POST"}},
      {302, "", http_error::kRedirectFailed, {"POST", "GET", "GET", "GET", "GET", "GET"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.status) + " to " + c.location);
    HttpServer hop;
    hop.respond_with([&c](const test::RecordedRequest& r) {
      if (r.target == "/moved") return reply("<moved/>");
      CannedResponse redirect = reply("", c.status);
      redirect.extra_headers = {{"Location", c.location.empty() ? "/start" : c.location}};
      return redirect;
    });
    auto request = create_http_request();
    request->open(u"POST", utf8_to_utf16(hop.url("/start")));
    request->set_request_header(u"Host", utf8_to_utf16(hop.authority()));
    request->set_request_header(u"Content-Type", u"text/xml; charset=utf-8");
    request->set_request_header(u"Content-length", u"7");
    int32_t error = 0;
    try {
      request->send("<pw/>!!");
    } catch (const Error& e) {
      error = e.number();
    }
    EXPECT_EQ(error, c.error);
    std::vector<std::string> methods;
    for (const auto& r : hop.requests()) {
      methods.push_back(r.method);
      EXPECT_EQ(r.header("Host"), hop.authority());
      EXPECT_EQ(r.header("Content-length").empty(), r.method == "GET") << r.method;
      EXPECT_EQ(r.body.empty(), r.method == "GET");
    }
    EXPECT_EQ(methods, c.methods);
    if (!c.error) {
      EXPECT_EQ(request->response_text(), u"<moved/>");
    }
  }
  EXPECT_TRUE(elsewhere.requests().empty());
}

}  // namespace
}  // namespace halvora::platform
