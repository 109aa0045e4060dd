#include "internet/internet.h"

#include "automation/conversions.h"

namespace halvora {

Internet::Internet() : form_(std::make_unique<FrmInternet>()) {}
Internet::Internet(std::unique_ptr<FormClock> clock)
    : form_(std::make_unique<FrmInternet>(std::move(clock))) {}
Internet::~Internet() = default;

void Internet::let_Host(Text value) {
  Host_ = value;
  form_->host = value;
}

void Internet::let_Port(Text value) {
  Port_ = value;
  form_->port = value;
}

void Internet::let_comando(int32_t value) {
  comando_ = value;
  switch (value) {
    case 0:
      form_->command = u"Alta";
      break;
    case 1:
      form_->command = u"Eliminar";
      break;
    case 2:
      form_->command = u"Consulta";
      break;
    default:
      break;  // the form keeps the last command it knew
  }
}

std::u16string Internet::get_Habitacion() const {
  return double_to_text(Habitacion_, regional());
}

void Internet::let_Habitacion(Text value) {
  // The room is a number to the object (13 when it is not), while the gateway gets the text as
  // the clerk typed it: 0305 reads back as 305 and is sent as 0305.
  Habitacion_ = to_double(Variant(value));
  form_->room = value;
}

void Internet::let_Perfil(Text value) {
  Perfil_ = value;
  form_->profile = value;
}

void Internet::let_Tiempo(Text value) {
  Tiempo_ = value;
  form_->duration = value;
}

std::u16string Internet::CargarInternet() {
  form_->wait_for_reply = EsperarRespuesta;
  form_->send_command();
  return form_->log_text();
}

std::u16string Internet::DatosInternet() {
  // A host without a message loop of its own (a script host) would otherwise never see the
  // gateway's reply arrive; only the form's events run, never the host's.
  form_->run_own_events();
  return form_->log_text();
}

const MemberTable& Internet::member_table() {
  static const MemberTable table{
      data<&Internet::EsperarRespuesta>(u"EsperarRespuesta"),
      property<&Internet::get_Host, &Internet::let_Host>(u"Host"),
      property<&Internet::get_Port, &Internet::let_Port>(u"Port"),
      property<&Internet::get_comando, &Internet::let_comando>(u"comando",
                                                               enumeration(u"TipoComando")),
      property<&Internet::get_Habitacion, &Internet::let_Habitacion>(u"Habitacion"),
      property<&Internet::get_Perfil, &Internet::let_Perfil>(u"Perfil"),
      property<&Internet::get_Tiempo, &Internet::let_Tiempo>(u"Tiempo"),
      method<&Internet::CargarInternet>(u"CargarInternet"),
      method<&Internet::DatosInternet>(u"DatosInternet"),
  };
  return table;
}

}  // namespace halvora
