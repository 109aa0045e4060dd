#include "einvoice/mail.h"

#include <curl/curl.h>

#include <cstring>

#include "einvoice/crypto.h"

namespace halvora::einvoice {

namespace {

bool plain_ascii(const std::string& text) {
  for (unsigned char c : text)
    if (c < 0x20 || c > 0x7E) return false;
  return true;
}

// RFC 2047 encoded words, each under the 75-character limit and never splitting a character.
std::string encoded_words(const std::string& text) {
  std::string out;
  std::size_t i = 0;
  while (i < text.size()) {
    std::size_t end = std::min(text.size(), i + 42);
    while (end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
    if (!out.empty()) out += "\r\n ";
    out += "=?UTF-8?B?" + base64(text.substr(i, end - i)) + "?=";
    i = end;
  }
  return out;
}

std::string header_text(const std::string& text) {
  return plain_ascii(text) ? text : encoded_words(text);
}

std::string mailbox(const std::string& name, const std::string& address) {
  if (name.empty()) return "<" + address + ">";
  if (plain_ascii(name)) {
    std::string quoted = "\"";
    for (char c : name) {
      if (c == '"' || c == '\\') quoted += '\\';
      quoted += c;
    }
    return quoted + "\" <" + address + ">";
  }
  return encoded_words(name) + " <" + address + ">";
}

std::string base64_lines(const std::string& bytes) {
  std::string encoded = base64(bytes), out;
  for (std::size_t i = 0; i < encoded.size(); i += 76) out += encoded.substr(i, 76) + "\r\n";
  return out;
}

// Every line end as CR LF, as the wire wants it.
std::string crlf(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) out += '\r';
    out += text[i];
  }
  return out;
}

struct Upload {
  const std::string* data;
  std::size_t at = 0;
};

size_t read_upload(char* buffer, size_t size, size_t count, void* user) {
  auto* up = static_cast<Upload*>(user);
  std::size_t n = std::min(size * count, up->data->size() - up->at);
  std::memcpy(buffer, up->data->data() + up->at, n);
  up->at += n;
  return n;
}

}  // namespace

bool header_safe(const std::string& text) {
  return text.find_first_of("\r\n") == std::string::npos;
}

std::string compose_mail(const MailMessage& m, const std::string& date,
                         const std::string& message_id) {
  std::string boundary = "=_halvora_" + random_token().substr(0, 24);
  std::string to;
  for (const std::string& a : m.to) to += (to.empty() ? "" : ", ") + std::string("<") + a + ">";
  std::string out;
  out += "From: " + mailbox(m.from_name, m.from) + "\r\n";
  out += "To: " + to + "\r\n";
  out += "Subject: " + header_text(m.subject) + "\r\n";
  out += "Date: " + date + "\r\n";
  out += "Message-ID: <" + message_id + ">\r\n";
  out += "MIME-Version: 1.0\r\n";
  out += "Content-Type: multipart/mixed; boundary=\"" + boundary + "\"\r\n\r\n";
  out += "This is a message in MIME format.\r\n";
  out += "--" + boundary + "\r\n";
  out += "Content-Type: text/plain; charset=UTF-8\r\nContent-Transfer-Encoding: base64\r\n\r\n";
  out += base64_lines(crlf(m.body));
  for (const Attachment& a : m.attachments) {
    out += "--" + boundary + "\r\n";
    out += "Content-Type: " + a.type + "; name=\"" + a.name + "\"\r\n";
    out += "Content-Transfer-Encoding: base64\r\n";
    out += "Content-Disposition: attachment; filename=\"" + a.name + "\"\r\n\r\n";
    out += base64_lines(a.bytes);
  }
  out += "--" + boundary + "--\r\n";
  return out;
}

bool send_mail(const SmtpRelay& relay, const std::string& from, const std::vector<std::string>& to,
               const std::string& data, std::string& error) {
  CURL* h = curl_easy_init();
  if (!h) {
    error = "no mail handle";
    return false;
  }
  curl_slist* recipients = nullptr;
  for (const std::string& a : to)
    recipients = curl_slist_append(recipients, ("<" + a + ">").c_str());
  Upload upload{&data};
  std::string mail_from = "<" + from + ">";
  curl_easy_setopt(h, CURLOPT_URL, relay.url.c_str());
  curl_easy_setopt(h, CURLOPT_MAIL_FROM, mail_from.c_str());
  curl_easy_setopt(h, CURLOPT_MAIL_RCPT, recipients);
  curl_easy_setopt(h, CURLOPT_READFUNCTION, &read_upload);
  curl_easy_setopt(h, CURLOPT_READDATA, &upload);
  curl_easy_setopt(h, CURLOPT_UPLOAD, 1L);
  curl_easy_setopt(h, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_TRY));
  curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT, 10L);
  curl_easy_setopt(h, CURLOPT_TIMEOUT, 60L);
  curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
  if (!relay.user.empty()) {
    curl_easy_setopt(h, CURLOPT_USERNAME, relay.user.c_str());
    curl_easy_setopt(h, CURLOPT_PASSWORD, relay.password.c_str());
  }
  CURLcode rc = curl_easy_perform(h);
  if (rc != CURLE_OK) error = curl_easy_strerror(rc);
  curl_slist_free_all(recipients);
  curl_easy_cleanup(h);
  return rc == CURLE_OK;
}

}  // namespace halvora::einvoice
