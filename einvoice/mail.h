// Outgoing mail: a MIME message (UTF-8 names and subject as encoded words, a UTF-8 text body, the
// attachments in base64), kept in the outbox folder as an .eml file and sent through an SMTP relay
// when the server has one.
#pragma once

#include <string>
#include <vector>

namespace halvora::einvoice {

struct Attachment {
  std::string name, type, bytes;
};

struct MailMessage {
  std::string from_name, from;
  std::vector<std::string> to;
  std::string subject, body;
  std::vector<Attachment> attachments;
};

struct SmtpRelay {
  std::string url;  // smtp://host:port or smtps://host:port; empty: none
  std::string user, password;
};

// The message as it goes on the wire, CR LF line ends. `date` in RFC 5322 form.
std::string compose_mail(const MailMessage& message, const std::string& date,
                         const std::string& message_id);

// Hands the message to the relay; true when it accepted it. `error` says why not.
bool send_mail(const SmtpRelay& relay, const std::string& from, const std::vector<std::string>& to,
               const std::string& data, std::string& error);

// A header value safe to write: CR and LF would start a header of the sender's choosing.
bool header_safe(const std::string& text);

}  // namespace halvora::einvoice
