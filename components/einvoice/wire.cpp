#include "einvoice/wire.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "automation/calendar.h"
#include "automation/error.h"
#include "automation/json.h"
#include "automation/text.h"
#include "einvoice/errors.h"
#include "platform/http.h"

namespace halvora::einvoice {

namespace {

// A JSON string of UTF-8 with its escapes read; false on anything else.
bool read_string(std::string_view in, std::size_t& at, std::u16string& out) {
  if (at >= in.size() || in[at] != '"') return false;
  ++at;
  std::string utf8;
  while (at < in.size() && in[at] != '"') {
    char c = in[at++];
    if (c != '\\') {
      utf8 += c;
      continue;
    }
    if (at >= in.size()) return false;
    char e = in[at++];
    switch (e) {
      case '"':
        utf8 += '"';
        break;
      case '\\':
        utf8 += '\\';
        break;
      case '/':
        utf8 += '/';
        break;
      case 'b':
        utf8 += '\b';
        break;
      case 'f':
        utf8 += '\f';
        break;
      case 'n':
        utf8 += '\n';
        break;
      case 'r':
        utf8 += '\r';
        break;
      case 't':
        utf8 += '\t';
        break;
      case 'u': {
        if (at + 4 > in.size()) return false;
        unsigned value = 0;
        for (int i = 0; i < 4; ++i) {
          char h = in[at++];
          value <<= 4;
          if (h >= '0' && h <= '9')
            value |= static_cast<unsigned>(h - '0');
          else if (h >= 'a' && h <= 'f')
            value |= static_cast<unsigned>(h - 'a' + 10);
          else if (h >= 'A' && h <= 'F')
            value |= static_cast<unsigned>(h - 'A' + 10);
          else
            return false;
        }
        // Through UTF-16 so that a surrogate pair becomes one character.
        append_utf8(out, utf8);
        utf8.clear();
        out += static_cast<char16_t>(value);
        break;
      }
      default:
        return false;
    }
  }
  if (at >= in.size()) return false;
  ++at;
  append_utf8(out, utf8);
  return true;
}

void skip_space(std::string_view in, std::size_t& at) {
  while (at < in.size() && (in[at] == ' ' || in[at] == '\t' || in[at] == '\r' || in[at] == '\n'))
    ++at;
}

std::string url_utf8(std::string_view path) {
  return utf16_to_utf8(session().url) + std::string(path);
}

[[noreturn]] void raise(int32_t number, const std::u16string& text) {
  throw Error(number, text, kSource);
}

// The error a refusal stands for, in the server's words.
[[noreturn]] void raise_status(int32_t status, const std::string& body) {
  Reply reply;
  std::u16string message;
  if (read_reply(body, reply) && reply["error"].kind == ReplyValue::Text)
    message = reply["error"].text;
  if (message.empty())
    message = u"the e-invoicing server answered HTTP " + utf8_to_utf16(std::to_string(status));
  switch (status) {
    case 400:
    case 422:
      raise(err::kRefused, message);
    case 401:
      raise(err::kNotConnected, message);
    case 404:
      raise(err::kNotFound, message);
    case 409:
      raise(err::kConflict, message);
    case 423:
      raise(err::kLocked, message);
    case 502:
      raise(err::kWallet, message);
    default:
      raise(err::kServerFailed, message);
  }
}

// One exchange; status 0 and the platform's error text when nobody answered.
int32_t exchange(const std::string& url, const std::string& token, const std::string& body,
                 std::string& reply, std::u16string& failure) {
  std::unique_ptr<platform::HttpRequest> request = platform::create_http_request();
  try {
    request->open(u"POST", utf8_to_utf16(url));
    request->set_request_header(u"Content-Type", u"application/json; charset=utf-8");
    if (!token.empty())
      request->set_request_header(u"Authorization", u"Bearer " + utf8_to_utf16(token));
    // One call now and then from each workstation: a kept connection buys nothing, and a
    // workstation that forks or a server that restarts must not find a stale one.
    request->set_request_header(u"Connection", u"close");
    request->send(body);
  } catch (const Error& e) {
    failure = e.description();
    return 0;
  }
  reply = request->response_body();
  return request->status();
}

}  // namespace

std::string json_number(double value) {
  if (!std::isfinite(value)) raise(err::kRefused, u"a number that is not finite cannot be sent");
  char buffer[40];
  std::snprintf(buffer, sizeof buffer, "%.17g", value);
  return buffer;
}

std::string json_value(const Variant& v) {
  switch (v.type()) {
    case VarType::String:
      return json_string(v.string());
    case VarType::Boolean:
      return v.get<bool>() ? "true" : "false";
    case VarType::Integer:
      return std::to_string(v.get<int16_t>());
    case VarType::Long:
      return std::to_string(v.get<int32_t>());
    case VarType::Double:
      return json_number(v.get<double>());
    case VarType::Date: {
      // The platform's date: whole days from 1899-12-30, the time of day in the fraction (whose
      // sign is the day's, so -1.25 is 1899-12-29 06:00).
      double serial = v.get<Date>().serial;
      double day = std::trunc(serial);
      long long seconds = std::llround(std::fabs(serial - day) * 86400.0);
      if (seconds >= 86400) seconds = 86399;
      CivilDate d = civil_date(static_cast<long long>(day));
      char buffer[48];
      std::snprintf(buffer, sizeof buffer, "%04lld-%02u-%02uT%02lld:%02lld:%02lld", d.year, d.month,
                    d.day, seconds / 3600, seconds / 60 % 60, seconds % 60);
      return json_string(utf8_to_utf16(buffer));
    }
    default:
      return "null";
  }
}

bool read_reply(std::string_view in, Reply& out) {
  std::size_t at = 0;
  skip_space(in, at);
  if (at >= in.size() || in[at++] != '{') return false;
  skip_space(in, at);
  if (at < in.size() && in[at] == '}') return true;
  while (true) {
    skip_space(in, at);
    std::u16string key;
    if (!read_string(in, at, key)) return false;
    skip_space(in, at);
    if (at >= in.size() || in[at++] != ':') return false;
    skip_space(in, at);
    ReplyValue value;
    if (at < in.size() && in[at] == '"') {
      value.kind = ReplyValue::Text;
      if (!read_string(in, at, value.text)) return false;
    } else if (in.substr(at, 4) == "true" || in.substr(at, 5) == "false") {
      value.kind = ReplyValue::Flag;
      value.flag = in[at] == 't';
      at += value.flag ? 4 : 5;
    } else if (in.substr(at, 4) == "null") {
      at += 4;
    } else {
      std::size_t end = at;
      while (end < in.size() &&
             std::string_view("+-.0123456789eE").find(in[end]) != std::string_view::npos)
        ++end;
      if (end == at) return false;
      std::string number(in.substr(at, end - at));
      char* stop = nullptr;
      value.kind = ReplyValue::Number;
      value.number = std::strtod(number.c_str(), &stop);
      if (*stop) return false;
      at = end;
    }
    out[utf16_to_utf8(key)] = std::move(value);
    skip_space(in, at);
    if (at < in.size() && in[at] == ',') {
      ++at;
      continue;
    }
    if (at < in.size() && in[at] == '}') break;
    return false;
  }
  ++at;
  skip_space(in, at);
  return at == in.size();
}

Session& session() {
  static Session current;
  return current;
}

std::string call(std::string_view path, const std::string& body) {
  if (session().token.empty())
    raise(err::kNotConnected, u"not connected to the e-invoicing server: Conectar first");
  std::string reply;
  std::u16string failure;
  int32_t status = exchange(url_utf8(path), session().token, body, reply, failure);
  if (status == 0)
    raise(err::kUnreachable,
          u"the e-invoicing server at " + session().url + u" did not answer: " + failure);
  if (status != 200) raise_status(status, reply);
  return reply;
}

namespace {
ReplyValue reply_value(const std::string& body, const char* key, ReplyValue::Kind kind) {
  Reply reply;
  if (!read_reply(body, reply) || reply[key].kind != kind)
    raise(err::kServerFailed, u"the e-invoicing server's reply does not read");
  return reply[key];
}
}  // namespace

std::u16string call_text(std::string_view path, const std::string& body) {
  return reply_value(call(path, body), "text", ReplyValue::Text).text;
}

bool call_flag(std::string_view path, const std::string& body) {
  return reply_value(call(path, body), "ok", ReplyValue::Flag).flag;
}

int32_t call_number(std::string_view path, const std::string& body) {
  double n = reply_value(call(path, body), "number", ReplyValue::Number).number;
  return n >= -2147483648.0 && n <= 2147483647.0 ? static_cast<int32_t>(n) : 0;
}

int32_t post_without_session(const std::u16string& url, const std::string& body,
                             std::string& reply) {
  std::u16string failure;
  return exchange(utf16_to_utf8(url), "", body, reply, failure);
}

}  // namespace halvora::einvoice
