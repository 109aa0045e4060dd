// HttpRequest on the MSXML 6.0 XML HTTP request, the object whose numbers and texts the POSIX
// build imitates.
//
// Limits that differ from the POSIX build:
// - HALVORA_HTTP_TIMEOUT_MS applies to the POSIX build only. The XML HTTP request has no
//   time-out of its own (only the server variant has, and that object behaves differently in
//   proxies and authentication), so the system's own WinINet time-outs apply here.
// - HttpOptions::accept_compressed has no effect: the request goes through the URL moniker,
//   which offers and decodes gzip and deflate by itself.
// - HALVORA_HTTP_MAX_BYTES is checked once the reply is in, since the object offers no hook
//   while it reads.
#include <msxml2.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "automation/error.h"
#include "platform/config.h"
#include "platform/http.h"
#include "platform/win32/com_support.h"

namespace halvora::platform {

namespace {

using win32::Bstr;
using win32::ComPtr;

// MSXML2.XMLHTTP.6.0 and its interface. MinGW's uuid library spells the interface's identifier
// differently from its header and lacks the 6.0 class, so both are written out here.
constexpr CLSID kXmlHttp60 = {
    0x88d96a0a, 0xf192, 0x11d4, {0xa6, 0x5f, 0x00, 0x40, 0x96, 0x32, 0x51, 0xe5}};
constexpr IID kIidXmlHttpRequest = {
    0xed8c108d, 0x4349, 0x11d2, {0x91, 0xa4, 0x00, 0xc0, 0x4f, 0x79, 0x69, 0xe8}};

char16_t ascii_lower(char16_t c) {
  return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c;
}

bool iequal(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (ascii_lower(a[i]) != ascii_lower(b[i])) return false;
  return true;
}

// Absolute http(s) URLs only, refused before the object sees them: it would hand any other
// scheme to the URL moniker, which may try an FTP or file transfer (under Wine an FTP URL hangs
// until the test's own time-out). The numbers are the POSIX build's for the same URLs.
void check_scheme(std::u16string_view url) {
  std::size_t colon = url.find(u':');
  std::u16string_view scheme = url.substr(0, colon);
  bool letters = colon != std::u16string_view::npos && colon > 0;
  for (char16_t c : scheme)
    letters = letters && ((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') ||
                          (c >= u'0' && c <= u'9') || c == u'+' || c == u'-' || c == u'.');
  if (!letters) raise_http_error(http_error::kInvalidUrl);
  if (!iequal(scheme, u"http") && !iequal(scheme, u"https"))
    raise_http_error(http_error::kUnknownProtocol);
}

// The description the object left for its last failure, when it says it leaves one. Asking
// also clears whatever an earlier call left behind.
std::u16string error_info_text(IUnknown* object) {
  ComPtr<ISupportErrorInfo> support;
  bool supported = object &&
                   SUCCEEDED(object->QueryInterface(IID_ISupportErrorInfo,
                                                    reinterpret_cast<void**>(support.put()))) &&
                   support->InterfaceSupportsErrorInfo(kIidXmlHttpRequest) == S_OK;
  ComPtr<IErrorInfo> info;
  if (GetErrorInfo(0, info.put()) != S_OK || !info || !supported) return {};
  Bstr description;
  if (FAILED(info->GetDescription(description.put()))) return {};
  return description.text();
}

std::u16string system_text(HRESULT hr) {
  wchar_t* buffer = nullptr;
  DWORD n = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, static_cast<DWORD>(hr), 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::u16string text = buffer ? win32::from_wide(buffer, n) : std::u16string();
  LocalFree(buffer);
  while (!text.empty() && (text.back() == u'\r' || text.back() == u'\n' || text.back() == u' '))
    text.pop_back();
  return text;
}

// The numbers the POSIX build also gives keep the shared texts, so a message box reads the same
// on both; the rest take the object's own words, then the system's.
[[noreturn]] void raise_failure(HRESULT hr, IUnknown* object) {
  auto number = static_cast<int32_t>(hr);
  std::u16string text = standard_error_text(number);
  if (text.empty()) text = error_info_text(object);
  if (text.empty()) text = system_text(hr);
  if (text.empty()) text = u"Unknown error";
  throw Error(number, std::move(text), http_error::kSource);
}

std::u16string decimal(std::size_t n) {
  std::string digits = std::to_string(n);
  return std::u16string(digits.begin(), digits.end());
}

class Variant {
 public:
  Variant() { VariantInit(&v_); }
  Variant(const Variant&) = delete;
  Variant& operator=(const Variant&) = delete;
  ~Variant() { VariantClear(&v_); }
  VARIANT* operator&() { return &v_; }
  VARIANT& operator*() { return v_; }

 private:
  VARIANT v_;
};

// Empty text is left out (VT_EMPTY): a present but empty user name would make the object
// attempt authentication.
void set_optional_text(Variant& v, std::u16string_view text) {
  if (text.empty()) return;
  (*v).vt = VT_BSTR;
  (*v).bstrVal = Bstr(text).release();
}

// The body as an array of bytes, which the object sends untouched; a text would be re-encoded.
void set_bytes(Variant& v, std::string_view bytes) {
  SAFEARRAY* array = SafeArrayCreateVector(VT_UI1, 0, static_cast<ULONG>(bytes.size()));
  if (!array) raise_http_error(http_error::kOutOfMemory);
  void* data = nullptr;
  if (FAILED(SafeArrayAccessData(array, &data))) {
    SafeArrayDestroy(array);
    raise_http_error(http_error::kOutOfMemory);
  }
  if (!bytes.empty()) std::memcpy(data, bytes.data(), bytes.size());
  SafeArrayUnaccessData(array);
  (*v).vt = VT_ARRAY | VT_UI1;
  (*v).parray = array;
}

// The bytes of a VT_ARRAY|VT_UI1 reply, or nothing for any other shape (no reply body).
std::string bytes_of(Variant& v) {
  if ((*v).vt != (VT_ARRAY | VT_UI1) || !(*v).parray) return {};
  SAFEARRAY* array = (*v).parray;
  LONG lower = 0, upper = -1;
  SafeArrayGetLBound(array, 1, &lower);
  SafeArrayGetUBound(array, 1, &upper);
  if (upper < lower) return {};
  void* data = nullptr;
  if (FAILED(SafeArrayAccessData(array, &data))) return {};
  std::string out(static_cast<const char*>(data), static_cast<std::size_t>(upper - lower + 1));
  SafeArrayUnaccessData(array);
  return out;
}

class MsxmlHttpRequest final : public HttpRequest {
 public:
  void open(std::u16string_view method, std::u16string_view url, std::u16string_view user,
            std::u16string_view password) override {
    opened_ = false;
    headers_.clear();
    status_ = 0;
    body_.clear();
    check_scheme(url);
    win32::join_apartment();
    // A fresh object per exchange: one that failed is left in a state not worth reasoning about.
    ComPtr<IXMLHTTPRequest> request;
    HRESULT hr = CoCreateInstance(kXmlHttp60, nullptr, CLSCTX_INPROC_SERVER, kIidXmlHttpRequest,
                                  reinterpret_cast<void**>(request.put()));
    if (FAILED(hr)) raise_failure(hr, nullptr);

    Variant async, user_v, password_v;
    (*async).vt = VT_BOOL;
    (*async).boolVal = VARIANT_FALSE;
    set_optional_text(user_v, user);
    set_optional_text(password_v, password);
    Bstr method_b(method), url_b(url);
    hr = request->open(method_b.get(), url_b.get(), *async, *user_v, *password_v);
    if (FAILED(hr)) raise_failure(hr, request.get());
    request_ = std::move(request);
    opened_ = true;
  }

  // Kept until send() so that a caller's Content-Length can state the true byte count.
  void set_request_header(std::u16string_view name, std::u16string_view value) override {
    if (!opened_) raise_http_error(http_error::kNotOpened);
    // A line break or a colon in the name would let a value write headers of its own.
    if (name.empty() || name.find_first_of(u":\r\n") != std::u16string_view::npos ||
        value.find_first_of(u"\r\n") != std::u16string_view::npos)
      raise_http_error(http_error::kInvalidArgument);
    headers_.emplace_back(name, value);
  }

  void send(std::string_view body) override;

  int32_t status() const override { return status_; }
  const std::string& response_body() const override { return body_; }

  // The object decodes by byte-order mark and charset itself.
  std::u16string response_text() const override {
    if (!request_ || status_ == 0) return {};
    Bstr text;
    if (FAILED(request_->get_responseText(text.put()))) return {};
    return text.text();
  }

 private:
  ComPtr<IXMLHTTPRequest> request_;
  bool opened_ = false;
  std::vector<std::pair<std::u16string, std::u16string>> headers_;
  int32_t status_ = 0;
  std::string body_;
};

void MsxmlHttpRequest::send(std::string_view body) {
  if (!opened_) raise_http_error(http_error::kNotOpened);
  status_ = 0;
  body_.clear();

  // Applied once: the object would repeat them on a second send after the same open.
  for (const auto& [name, value] : std::exchange(headers_, {})) {
    Bstr name_b(name);
    Bstr value_b(iequal(name, u"Content-Length") ? decimal(body.size()) : value);
    HRESULT hr = request_->setRequestHeader(name_b.get(), value_b.get());
    if (FAILED(hr)) raise_failure(hr, request_.get());
  }

  Variant payload;
  if (!body.empty()) set_bytes(payload, body);
  HRESULT hr = request_->send(*payload);
  if (FAILED(hr)) {
    // Some implementations of the object report a host that cannot be resolved or reached as a
    // failed download. Without a status line nothing was downloaded: it is the platform's
    // "not found", the number hosts test for, as on the other build.
    LONG status = 0;
    if (hr == static_cast<HRESULT>(http_error::kNoData) &&
        (FAILED(request_->get_status(&status)) || status == 0))
      raise_http_error(http_error::kResourceNotFound);
    raise_failure(hr, request_.get());
  }

  LONG status = 0;
  hr = request_->get_status(&status);
  if (FAILED(hr)) raise_failure(hr, request_.get());

  Variant reply;
  hr = request_->get_responseBody(&reply);
  if (FAILED(hr)) raise_failure(hr, request_.get());
  std::string bytes = bytes_of(reply);
  if (bytes.size() > config::http_max_response_bytes()) raise_http_error(http_error::kOutOfMemory);
  body_ = std::move(bytes);
  status_ = static_cast<int32_t>(status);
}

}  // namespace

std::unique_ptr<HttpRequest> create_http_request(const HttpOptions&) {
  return std::make_unique<MsxmlHttpRequest>();
}

}  // namespace halvora::platform
