#include "einvoice/http_api.h"

#include <httplib.h>

#include <cmath>
#include <functional>
#include <limits>
#include <nlohmann/json.hpp>

#include "einvoice/api_error.h"
#include "einvoice/service.h"

namespace halvora::einvoice {

namespace {

using nlohmann::json;

// What a handler answers: JSON, or a file's bytes.
struct Reply {
  json body = json::object();
  std::string file, file_name;
};

using Handler = std::function<Reply(const json& body)>;

[[noreturn]] void bad(const std::string& message) {
  throw ApiError(status::kBadRequest, message);
}

std::string text(const json& body, const char* name) {
  auto it = body.find(name);
  if (it == body.end() || !it->is_string()) bad(std::string(name) + " must be a text");
  return it->get<std::string>();
}

// A whole number within [low, high].
int64_t whole(const json& body, const char* name, int64_t low, int64_t high) {
  auto it = body.find(name);
  if (it == body.end() || !it->is_number()) bad(std::string(name) + " must be a number");
  double d = it->get<double>();
  if (!std::isfinite(d) || d != std::floor(d) || d < static_cast<double>(low) ||
      d > static_cast<double>(high))
    bad(std::string(name) + " must be a whole number from " + std::to_string(low) + " to " +
        std::to_string(high));
  return static_cast<int64_t>(d);
}

double number(const json& body, const char* name) {
  auto it = body.find(name);
  if (it == body.end() || !it->is_number() || !std::isfinite(it->get<double>()))
    bad(std::string(name) + " must be a number");
  return it->get<double>();
}

const json& object(const json& body, const char* name) {
  auto it = body.find(name);
  if (it == body.end() || !it->is_object()) bad(std::string(name) + " must be an object");
  return *it;
}

Reference reference(const json& body) {
  auto it = body.find("ref");
  if (it == body.end() || !it->is_array() || it->size() != 3 || !(*it)[0].is_number() ||
      !(*it)[1].is_number() || !(*it)[2].is_string())
    bad("ref must be [branch, series, folio]: two numbers and a text");
  json parts{{"branch", (*it)[0]}, {"series", (*it)[1]}};
  return {static_cast<int>(whole(parts, "branch", -32768, 32767)),
          static_cast<int>(whole(parts, "series", -32768, 32767)), (*it)[2].get<std::string>()};
}

Reply answer_text(std::string value) {
  Reply r;
  r.body["text"] = std::move(value);
  return r;
}

Reply answer_flag(bool value) {
  Reply r;
  r.body["ok"] = value;
  return r;
}

void send_error(httplib::Response& res, int code, const std::string& message) {
  res.status = code;
  // Invalid UTF-8 from a peer must not stop the error itself from being written.
  res.set_content(json{{"error", message}}.dump(-1, ' ', false, json::error_handler_t::replace),
                  "application/json; charset=utf-8");
}

void route(httplib::Server& server, Service& service, const char* path, bool authenticated,
           Handler handler) {
  server.Post(path, [&service, authenticated, handler](const httplib::Request& req,
                                                       httplib::Response& res) {
    try {
      if (authenticated) {
        std::string header = req.get_header_value("Authorization");
        std::string token = header.starts_with("Bearer ") ? header.substr(7) : std::string();
        service.authenticate(token);
      }
      json body = json::parse(req.body, nullptr, false);
      if (body.is_discarded() || !body.is_object()) bad("the request body is not a JSON object");
      Reply reply = handler(body);
      if (!reply.file_name.empty()) {
        res.set_header("X-File-Name", reply.file_name);
        res.set_content(std::move(reply.file), "application/pdf");
      } else {
        res.set_content(reply.body.dump(-1, ' ', false, json::error_handler_t::replace),
                        "application/json; charset=utf-8");
      }
    } catch (const ApiError& e) {
      send_error(res, e.status(), e.what());
    } catch (const json::exception& e) {
      send_error(res, status::kBadRequest, std::string("the request does not read: ") + e.what());
    } catch (const std::exception& e) {
      send_error(res, status::kInternal, std::string("the server failed: ") + e.what());
    }
  });
}

}  // namespace

void add_routes(httplib::Server& server, Service& service) {
  constexpr int64_t kLong = std::numeric_limits<int32_t>::max();
  server.Get("/api/health", [](const httplib::Request&, httplib::Response& res) {
    res.set_content("{\"ok\":true}", "application/json");
  });
  route(server, service, "/api/session", false, [&](const json& b) {
    Reply r;
    r.body["token"] = service.login(text(b, "user"), text(b, "password"));
    return r;
  });
  route(server, service, "/api/lists/branches", true,
        [&](const json&) { return answer_text(service.branches_text()); });
  route(server, service, "/api/lists/series", true,
        [&](const json&) { return answer_text(service.series_text()); });
  route(server, service, "/api/lists/periodicities", true,
        [&](const json&) { return answer_text(service.periodicities_text()); });
  for (bool pre : {false, true}) {
    route(server, service, pre ? "/api/preinvoices" : "/api/invoices", true,
          [&, pre](const json& b) {
            return answer_text(service.emit(static_cast<int>(whole(b, "branch", -kLong - 1, kLong)),
                                            whole(b, "folio", -kLong - 1, kLong),
                                            object(b, "document"), pre));
          });
  }
  route(server, service, "/api/documents/xml", true,
        [&](const json& b) { return answer_text(service.xml(reference(b))); });
  route(server, service, "/api/documents/uuid", true,
        [&](const json& b) { return answer_text(service.uuid(reference(b))); });
  route(server, service, "/api/documents/pdf", true, [&](const json& b) {
    Reply r;
    r.file = service.pdf(reference(b), r.file_name);
    return r;
  });
  route(server, service, "/api/documents/cancel", true, [&](const json& b) {
    service.cancel(reference(b));
    return answer_flag(true);
  });
  route(server, service, "/api/documents/send", true,
        [&](const json& b) { return answer_flag(service.send(reference(b))); });
  route(server, service, "/api/mail", true,
        [&](const json& b) { return answer_flag(service.mail(object(b, "message"))); });
  route(server, service, "/api/statements", true, [&](const json& b) {
    Reply r;
    r.body["number"] = service.save_statement(object(b, "statement"));
    return r;
  });
  route(server, service, "/api/registrations", true, [&](const json& b) {
    Reply r;
    r.body["number"] = service.save_registration(object(b, "registration"));
    return r;
  });
  route(server, service, "/api/signatures", true, [&](const json& b) {
    service.sign(text(b, "kind"), text(b, "guest"), text(b, "name"));
    return answer_flag(true);
  });
  route(server, service, "/api/reports/statement", true, [&](const json& b) {
    Reply r;
    r.file = service.statement_pdf(text(b, "guest"),
                                   static_cast<int>(whole(b, "folio", -32768, 32767)), r.file_name);
    return r;
  });
  route(server, service, "/api/reports/registration", true, [&](const json& b) {
    Reply r;
    r.file = service.registration_pdf(text(b, "guest"), r.file_name);
    return r;
  });
  route(server, service, "/api/groups", true, [&](const json& b) {
    return answer_text(
        service.group(whole(b, "id", -kLong - 1, kLong), text(b, "name"), text(b, "invoices")));
  });
  route(server, service, "/api/control", true, [&](const json& b) {
    return answer_text(service.by_control(text(b, "control"),
                                          static_cast<int>(whole(b, "series", -32768, 32767))));
  });
  route(server, service, "/api/wallet/validate", true,
        [&](const json& b) { return answer_flag(service.wallet_validate(object(b, "document"))); });
  route(server, service, "/api/wallet/consult", true,
        [&](const json& b) { return answer_text(service.wallet_consult(object(b, "document"))); });
  route(server, service, "/api/wallet/cancel", true, [&](const json& b) {
    return answer_flag(
        service.wallet_cancel(whole(b, "document", -kLong - 1, kLong), number(b, "points")));
  });
}

}  // namespace halvora::einvoice
