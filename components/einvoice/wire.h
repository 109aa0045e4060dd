// The component's side of the conversation with halvora-einvoice: JSON over HTTP through the
// platform's request object, under the session that Conectar opened.
//
// The component may use the standard library and the two layers below it only, so it writes
// its JSON here: requests are built from the records' typed values, and replies are flat objects
// ({"text": ...}, {"ok": ...}, {"token": ...}, {"error": ...}) read by a small reader.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

#include "automation/variant.h"

namespace halvora::einvoice {

// JSON values of requests.
std::string json_number(double value);  // throws kRefused for a value that is not finite
// A record value by its type: a text, a number, true or false, a date as "YYYY-MM-DDThh:mm:ss".
std::string json_value(const Variant& value);

// One value of a flat reply object.
struct ReplyValue {
  enum Kind { Text, Number, Flag, None } kind = None;
  std::u16string text;
  double number = 0;
  bool flag = false;
};
using Reply = std::map<std::string, ReplyValue>;
// Nothing when the text is not one flat JSON object.
bool read_reply(std::string_view body, Reply& out);

// The process's session: the library takes a new server object right after connecting and
// relies on the connection holding for it, so the session belongs to the process, not to one
// object. Conectar replaces it only when it succeeds.
struct Session {
  std::u16string url;  // without a trailing "/"
  std::string token;
};
Session& session();

// A POST of `body` to the server's `path` under the session; the reply's body when the server
// answers 200, else the error its status stands for with the server's own words.
std::string call(std::string_view path, const std::string& body);
// The same for a call that answers {"text": ...}, {"ok": ...} or {"number": ...}.
std::u16string call_text(std::string_view path, const std::string& body);
bool call_flag(std::string_view path, const std::string& body);
int32_t call_number(std::string_view path, const std::string& body);

// What Conectar needs: a POST without a session, the status, and the body (status 0 when no
// server answered).
int32_t post_without_session(const std::u16string& url, const std::string& body,
                             std::string& reply);

}  // namespace halvora::einvoice
