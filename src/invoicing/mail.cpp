#include "invoicing/mail.h"

#include <array>

#include "automation/conversions.h"

namespace halvora {

namespace {

// Each property and the message member it stands for.
struct MessageField {
  std::u16string_view property;
  std::u16string_view member;
};
constexpr std::array<MessageField, 5> kMessage{{
    {u"Mail_From", u"De"},
    {u"Mail_To", u"Para"},
    {u"Mail_Subject", u"Asunto"},
    {u"Mail_Name", u"Nombre"},
    {u"Mail_Body", u"Cuerpo"},
}};

template <std::size_t I>
Variant get_message(Object& target, std::span<Variant>) {
  return Variant(static_cast<const Mail&>(target).read_message(kMessage[I].member));
}
template <std::size_t I>
void put_message(Object& target, const Variant& value) {
  static_cast<Mail&>(target).write_message(kMessage[I].member, to_string(value));
}
template <std::size_t I>
Member message_property() {
  Member m;
  m.name = std::u16string(kMessage[I].property);
  m.kind = MemberKind::Property;
  m.access = kGet | kLet;
  m.result = VarType::String;
  m.call = &get_message<I>;
  m.put = &put_message<I>;
  return m;
}

}  // namespace

bool Mail::TelvarConectar(Text pcDir, std::u16string& pcUser, std::u16string& pcPass) {
  if (!invoicing::connect(connection_, pcDir, pcUser, pcPass)) return false;
  // The session outlives the object that opened it; a new server object and an empty message
  // serve from here on.
  connected_ = true;
  connection_.server = invoicing::create(invoicing::kServerClass);
  message_ = invoicing::create(invoicing::kMessageClass);
  return true;
}

Variant Mail::TelvarDesconectar() {
  if (!connection_.objects_created) return {};
  invoicing::release(connection_.server);
  if (connected_) invoicing::release(message_);
  connection_.objects_created = false;
  return {};
}

std::u16string Mail::read_message(std::u16string_view member) const {
  return to_string(invoicing::get(message_, member));
}

void Mail::write_message(std::u16string_view member, const std::u16string& value) {
  if (connected_) invoicing::put(message_, member, Variant(value));
}

// The server's answer, whether or not this object is connected: before any successful
// TelvarConectar it is handed an empty message reference.
bool Mail::SendMail() {
  return to_boolean(invoicing::call(connection_.server, u"EnviarCorreo", {Variant(message_)}));
}

const MemberTable& Mail::member_table() {
  static const MemberTable table{
      method<&Mail::TelvarConectar>(u"TelvarConectar", {u"pcDir", u"pcUser", u"pcPass"}),
      method<&Mail::TelvarDesconectar>(u"TelvarDesconectar"),
      read_only<&Mail::EFacturaConnected>(u"EFacturaConnected"),
      message_property<0>(),
      message_property<1>(),
      message_property<2>(),
      message_property<3>(),
      message_property<4>(),
      method<&Mail::SendMail>(u"SendMail"),
  };
  return table;
}

}  // namespace halvora
