// One e-mail message sent through the e-invoicing server: the host connects, writes the sender,
// the recipients, the subject, the display name and the body, and calls SendMail. The message is
// a record of the component; the server composes and sends it.
#pragma once

#include <string>

#include "automation/members.h"
#include "automation/object.h"
#include "invoicing/server_connection.h"

namespace halvora {

class Mail : public Object {
 public:
  using Text = const std::u16string&;

  bool TelvarConectar(Text pcDir, std::u16string& pcUser, std::u16string& pcPass);
  Variant TelvarDesconectar();
  bool EFacturaConnected() const { return connected_; }
  bool SendMail();

  static const MemberTable& member_table();
  const MemberTable& members() const override { return member_table(); }
  std::u16string type_name() const override { return u"Mail"; }

  // A property that stands for a member of the message: written while connected, read always.
  std::u16string read_message(std::u16string_view member) const;
  void write_message(std::u16string_view member, const std::u16string& value);

 private:
  invoicing::ServerConnection connection_;
  bool connected_ = false;
  ObjectRef message_;  // a MensajeCorreo
};

}  // namespace halvora
