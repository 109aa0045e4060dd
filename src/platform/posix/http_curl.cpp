#include <curl/curl.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "automation/error.h"
#include "automation/text.h"
#include "platform/config.h"
#include "platform/http.h"

namespace halvora::platform {

namespace {

int32_t number_for(CURLcode code) {
  switch (code) {
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
    case CURLE_COULDNT_CONNECT:
      return http_error::kResourceNotFound;
    case CURLE_OPERATION_TIMEDOUT:
      return http_error::kTimeout;
    case CURLE_URL_MALFORMAT:
      return http_error::kInvalidUrl;
    case CURLE_UNSUPPORTED_PROTOCOL:
      return http_error::kUnknownProtocol;
    case CURLE_OUT_OF_MEMORY:
      return http_error::kOutOfMemory;
    default:
      return http_error::kNoData;
  }
}

char ascii_lower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
}

std::string lowered(std::string_view s) {
  std::string out(s);
  std::transform(out.begin(), out.end(), out.begin(), ascii_lower);
  return out;
}

bool iequal(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (ascii_lower(a[i]) != ascii_lower(b[i])) return false;
  return true;
}

// One share for the process so that consecutive requests find the previous connection and DNS
// answer. The core calls in from one thread only, so the share needs no lock callbacks; a
// multi-threaded host would have to add them here.
CURLSH* shared_handle() {
  struct Share {
    CURLSH* handle;
    Share() {
      curl_global_init(CURL_GLOBAL_DEFAULT);
      handle = curl_share_init();
      curl_share_setopt(handle, CURLSHOPT_SHARE, CURL_LOCK_DATA_CONNECT);
      curl_share_setopt(handle, CURLSHOPT_SHARE, CURL_LOCK_DATA_DNS);
    }
    ~Share() { curl_share_cleanup(handle); }
  };
  static Share share;
  return share.handle;
}

// Easy handles are kept for the next request rather than made anew: setting one up costs more
// than the whole exchange on loopback. One is enough for a single-threaded core; a request
// that starts while another is running (from an event inside a box) gets a fresh one.
struct EasyReturn {
  void operator()(CURL* h) const;
};
using EasyHandle = std::unique_ptr<CURL, EasyReturn>;
CURL* idle_easy = nullptr;

void EasyReturn::operator()(CURL* h) const {
  if (idle_easy) {
    curl_easy_cleanup(h);
    return;
  }
  curl_easy_reset(h);
  idle_easy = h;
}

EasyHandle take_easy() {
  CURL* h = idle_easy ? idle_easy : curl_easy_init();
  idle_easy = nullptr;
  return EasyHandle(h);
}

// --- Decoding the response text ------------------------------------------------------------

enum class Charset { kUtf8, kUtf16Le, kUtf16Be, kWindows1252 };

// Latin-1 and ASCII labels decode as windows-1252, its superset, as the platform does.
constexpr std::pair<std::string_view, Charset> kCharsets[] = {
    {"utf-8", Charset::kUtf8},
    {"utf8", Charset::kUtf8},
    {"utf-16", Charset::kUtf16Le},
    {"utf-16le", Charset::kUtf16Le},
    {"unicode", Charset::kUtf16Le},
    {"utf-16be", Charset::kUtf16Be},
    {"iso-8859-1", Charset::kWindows1252},
    {"iso8859-1", Charset::kWindows1252},
    {"latin1", Charset::kWindows1252},
    {"windows-1252", Charset::kWindows1252},
    {"cp1252", Charset::kWindows1252},
    {"us-ascii", Charset::kWindows1252},
    {"ascii", Charset::kWindows1252},
};

// 0x80..0x9F; the rest of windows-1252 is Latin-1.
constexpr char16_t kWindows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

Charset charset_of(std::string_view content_type) {
  std::string lower = lowered(content_type);
  std::size_t pos = lower.find("charset=");
  if (pos == std::string::npos) return Charset::kUtf8;
  std::string_view value = std::string_view(lower).substr(pos + 8);
  value = value.substr(0, value.find(';'));
  while (!value.empty() && (value.back() == ' ' || value.back() == '"' || value.back() == '\''))
    value.remove_suffix(1);
  while (!value.empty() && (value.front() == ' ' || value.front() == '"' || value.front() == '\''))
    value.remove_prefix(1);
  for (const auto& [label, charset] : kCharsets)
    if (value == label) return charset;
  return Charset::kUtf8;
}

std::u16string decode_utf16(std::string_view bytes, bool big_endian) {
  std::u16string out;
  out.reserve(bytes.size() / 2 + 1);
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    auto lo = static_cast<unsigned char>(bytes[i + (big_endian ? 1 : 0)]);
    auto hi = static_cast<unsigned char>(bytes[i + (big_endian ? 0 : 1)]);
    out.push_back(static_cast<char16_t>(hi << 8 | lo));
  }
  if (bytes.size() % 2) out.push_back(0xFFFD);
  return out;
}

std::u16string decode_1252(std::string_view bytes) {
  std::u16string out;
  out.reserve(bytes.size());
  for (char c : bytes) {
    auto b = static_cast<unsigned char>(c);
    out.push_back(b >= 0x80 && b < 0xA0 ? kWindows1252High[b - 0x80] : b);
  }
  return out;
}

std::u16string decode(std::string_view body, std::string_view content_type) {
  if (body.starts_with("\xEF\xBB\xBF")) return utf8_to_utf16(body.substr(3));
  if (body.starts_with("\xFF\xFE")) return decode_utf16(body.substr(2), false);
  if (body.starts_with("\xFE\xFF")) return decode_utf16(body.substr(2), true);
  switch (charset_of(content_type)) {
    case Charset::kUtf16Le:
      return decode_utf16(body, false);
    case Charset::kUtf16Be:
      return decode_utf16(body, true);
    case Charset::kWindows1252:
      return decode_1252(body);
    case Charset::kUtf8:
      break;
  }
  return utf8_to_utf16(body);
}

// --- The request ---------------------------------------------------------------------------

// Absolute http(s) URLs only. The scheme is looked at first so that "ftp://x" and "mailto:x"
// read as unknown protocols rather than as malformed.
std::string checked_url(const std::string& url) {
  std::size_t colon = url.find(':');
  std::string_view scheme = std::string_view(url).substr(0, colon);
  bool looks_like_scheme = colon != std::string::npos && colon > 0 &&
                           std::all_of(scheme.begin(), scheme.end(), [](char c) {
                             return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                                    (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.';
                           });
  if (!looks_like_scheme) raise_http_error(http_error::kInvalidUrl);
  if (!iequal(scheme, "http") && !iequal(scheme, "https"))
    raise_http_error(http_error::kUnknownProtocol);

  std::unique_ptr<CURLU, decltype(&curl_url_cleanup)> parsed(curl_url(), curl_url_cleanup);
  char* normalized = nullptr;
  if (!parsed || curl_url_set(parsed.get(), CURLUPART_URL, url.c_str(), 0) != CURLUE_OK ||
      curl_url_get(parsed.get(), CURLUPART_URL, &normalized, 0) != CURLUE_OK)
    raise_http_error(http_error::kInvalidUrl);
  std::string out = normalized;
  curl_free(normalized);
  return out;
}

class CurlHttpRequest final : public HttpRequest {
 public:
  explicit CurlHttpRequest(const HttpOptions& options) : options_(options) {}

  void open(std::u16string_view method, std::u16string_view url, std::u16string_view user,
            std::u16string_view password) override {
    opened_ = false;
    // A client calls the same endpoint over and over; parsing the URL each time cost a tenth of
    // a loopback exchange. The core is single-threaded, so one remembered pair is enough.
    static std::string last_url, last_checked;
    std::string text = utf16_to_utf8(url);
    if (text != last_url || last_checked.empty()) {
      last_checked = checked_url(text);
      last_url = std::move(text);
    }
    url_ = last_checked;
    method_ = utf16_to_utf8(method);
    for (const char* known : {"GET", "POST", "PUT", "DELETE", "HEAD", "OPTIONS", "PATCH"})
      if (iequal(method_, known)) method_ = known;
    user_ = utf16_to_utf8(user);
    password_ = utf16_to_utf8(password);
    headers_.clear();
    status_ = 0;
    body_.clear();
    content_type_.clear();
    opened_ = true;
  }

  void set_request_header(std::u16string_view name, std::u16string_view value) override {
    if (!opened_) raise_http_error(http_error::kNotOpened);
    // A line break or a colon in the name would let a value write headers of its own.
    if (name.empty() || name.find_first_of(u":\r\n") != std::u16string_view::npos ||
        value.find_first_of(u"\r\n") != std::u16string_view::npos)
      raise_http_error(http_error::kInvalidArgument);
    headers_.emplace_back(utf16_to_utf8(name), utf16_to_utf8(value));
  }

  void send(std::string_view body) override;

  int32_t status() const override { return status_; }
  const std::string& response_body() const override { return body_; }
  std::u16string response_text() const override { return decode(body_, content_type_); }

 private:
  static size_t on_write(char* data, size_t size, size_t count, void* self);
  curl_slist* header_list(bool has_body, std::size_t body_size) const;
  // One exchange with `url`; the absolute target of a redirect answer, else empty.
  std::string perform(const std::string& url, const std::string& method, std::string_view body,
                      bool has_body);

  HttpOptions options_;
  bool opened_ = false;
  std::string url_, method_, user_, password_;
  std::vector<std::pair<std::string, std::string>> headers_;

  int32_t status_ = 0;
  std::string body_;
  std::string content_type_;
  std::size_t cap_ = 0;
  bool over_cap_ = false;
};

size_t CurlHttpRequest::on_write(char* data, size_t size, size_t count, void* self) {
  auto* request = static_cast<CurlHttpRequest*>(self);
  std::size_t n = size * count;
  if (request->body_.size() + n > request->cap_) {
    request->over_cap_ = true;
    return 0;  // libcurl aborts the transfer with CURLE_WRITE_ERROR
  }
  request->body_.append(data, n);
  return n;
}

// The caller's headers in the caller's order. libcurl's own Accept, Expect and form
// Content-Type are suppressed (the peers are strict about what a request carries), and a
// caller's Content-Length keeps its spelling and place but states the true byte count, since
// a wrong one would desynchronise the kept-alive connection. A request without a body (a POST
// redirected as a GET) carries neither Content-Length nor Content-Type.
curl_slist* CurlHttpRequest::header_list(bool has_body, std::size_t body_size) const {
  curl_slist* list = nullptr;
  auto add = [&list](const std::string& line) {
    curl_slist* grown = curl_slist_append(list, line.c_str());
    if (!grown) {
      curl_slist_free_all(list);
      raise_http_error(http_error::kOutOfMemory);
    }
    list = grown;
  };
  auto caller_set = [this](std::string_view name) {
    return std::any_of(headers_.begin(), headers_.end(),
                       [&](const auto& h) { return iequal(h.first, name); });
  };
  for (const auto& [name, value] : headers_) {
    if (!has_body && (iequal(name, "Content-Length") || iequal(name, "Content-Type"))) continue;
    if (iequal(name, "Content-Length"))
      add(name + ": " + std::to_string(body_size));
    else if (value.empty())
      add(name + ";");  // libcurl's spelling of a header with an empty value
    else
      add(name + ": " + value);
  }
  for (const char* own : {"Accept", "Expect", "Content-Type"})
    if (!caller_set(own)) add(std::string(own) + ":");
  return list;
}

bool is_redirect(int32_t status) {
  return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

// Scheme, host and port, the port written out where the URL leaves it to the scheme.
struct Origin {
  std::string scheme, host, port;
};

std::optional<Origin> origin_of(const std::string& url) {
  std::unique_ptr<CURLU, decltype(&curl_url_cleanup)> parsed(curl_url(), curl_url_cleanup);
  if (!parsed || curl_url_set(parsed.get(), CURLUPART_URL, url.c_str(), 0) != CURLUE_OK)
    return std::nullopt;
  auto part = [&](CURLUPart which, unsigned flags) -> std::optional<std::string> {
    char* text = nullptr;
    if (curl_url_get(parsed.get(), which, &text, flags) != CURLUE_OK) return std::nullopt;
    std::string value = lowered(text);
    curl_free(text);
    return value;
  };
  auto scheme = part(CURLUPART_SCHEME, 0), host = part(CURLUPART_HOST, 0),
       port = part(CURLUPART_PORT, CURLU_DEFAULT_PORT);
  if (!scheme || !host || !port) return std::nullopt;
  return Origin{*scheme, *host, *port};
}

// A redirect is followed only to the same scheme, host and port, over http or https: a SOAP
// post carries the caller's own Host header and often passwords in its envelope, and neither
// may travel to wherever a reply points.
bool may_follow(const std::string& from, const std::string& to) {
  std::optional<Origin> a = origin_of(from), b = origin_of(to);
  return a && b && (b->scheme == "http" || b->scheme == "https") && a->scheme == b->scheme &&
         a->host == b->host && a->port == b->port;
}

// The platform's request follows redirects itself; so does this one, within its origin. 301, 302
// and 303 turn a POST into a GET without a body, as browsers and the platform do; 307 and 308
// repeat the request as it was. A redirect elsewhere is refused as access denied, and more than
// kMaxRedirects in a row fail as a redirect that could not be followed.
void CurlHttpRequest::send(std::string_view body) {
  if (!opened_) raise_http_error(http_error::kNotOpened);
  constexpr int kMaxRedirects = 5;
  cap_ = config::http_max_response_bytes();
  std::string url = url_, method = method_;
  bool has_body = !body.empty() || method == "POST" || method == "PUT";
  for (int hop = 0;; ++hop) {
    std::string target = perform(url, method, body, has_body);
    if (target.empty()) return;
    if (!may_follow(url, target)) {
      body_.clear();
      raise_http_error(http_error::kAccessDenied);
    }
    if (hop == kMaxRedirects) {
      body_.clear();
      raise_http_error(http_error::kRedirectFailed);
    }
    if (status_ <= 303 && method != "GET" && method != "HEAD") {
      method = "GET";
      body = {};
      has_body = false;
    }
    url = std::move(target);
  }
}

std::string CurlHttpRequest::perform(const std::string& url, const std::string& method,
                                     std::string_view body, bool has_body) {
  status_ = 0;
  body_.clear();
  content_type_.clear();
  over_cap_ = false;

  shared_handle();  // global initialisation first
  EasyHandle easy = take_easy();
  if (!easy) raise_http_error(http_error::kOutOfMemory);
  CURL* h = easy.get();
  std::unique_ptr<curl_slist, decltype(&curl_slist_free_all)> headers(
      header_list(has_body, has_body ? body.size() : 0), curl_slist_free_all);

  curl_easy_setopt(h, CURLOPT_SHARE, shared_handle());
  curl_easy_setopt(h, CURLOPT_URL, url.c_str());
  curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(h, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
  curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers.get());
  curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, config::http_connect_timeout_ms());
  curl_easy_setopt(h, CURLOPT_TIMEOUT_MS, config::http_timeout_ms());
  // Redirects are send()'s to judge, one hop at a time.
  curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 0L);
  curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &CurlHttpRequest::on_write);
  curl_easy_setopt(h, CURLOPT_WRITEDATA, this);
  if (options_.accept_compressed) {
    curl_easy_setopt(h, CURLOPT_ACCEPT_ENCODING, "gzip, deflate");
  } else {
    curl_easy_setopt(h, CURLOPT_HTTP_CONTENT_DECODING, 0L);
  }
  if (!user_.empty() || !password_.empty()) {
    curl_easy_setopt(h, CURLOPT_HTTPAUTH, static_cast<long>(CURLAUTH_BASIC));
    curl_easy_setopt(h, CURLOPT_USERNAME, user_.c_str());
    curl_easy_setopt(h, CURLOPT_PASSWORD, password_.c_str());
  }

  if (method == "HEAD") {
    curl_easy_setopt(h, CURLOPT_NOBODY, 1L);
  } else if (has_body) {
    // libcurl reads the bytes during perform, while the caller's view is still alive.
    curl_easy_setopt(h, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
    // A null pointer would make libcurl read the body from standard input instead.
    curl_easy_setopt(h, CURLOPT_POSTFIELDS, body.empty() ? "" : body.data());
    if (method != "POST") curl_easy_setopt(h, CURLOPT_CUSTOMREQUEST, method.c_str());
  } else if (method == "GET") {
    curl_easy_setopt(h, CURLOPT_HTTPGET, 1L);
  } else {
    curl_easy_setopt(h, CURLOPT_CUSTOMREQUEST, method.c_str());
  }

  CURLcode code = curl_easy_perform(h);
  if (code != CURLE_OK) {
    body_.clear();
    raise_http_error(over_cap_ ? http_error::kOutOfMemory : number_for(code));
  }
  long status = 0;
  curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &status);
  status_ = static_cast<int32_t>(status);
  char* content_type = nullptr;
  curl_easy_getinfo(h, CURLINFO_CONTENT_TYPE, &content_type);
  if (content_type) content_type_ = content_type;
  char* location = nullptr;
  if (is_redirect(status_) && curl_easy_getinfo(h, CURLINFO_REDIRECT_URL, &location) == CURLE_OK &&
      location)
    return location;
  return {};
}

}  // namespace

std::unique_ptr<HttpRequest> create_http_request(const HttpOptions& options) {
  return std::make_unique<CurlHttpRequest>(options);
}

}  // namespace halvora::platform
