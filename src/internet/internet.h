// Room internet provisioning: open, query or remove a room's internet access at the hotel's
// internet gateway. The object holds the command's data; its hidden form does the work and keeps
// the status log that the host reads as the result.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "automation/members.h"
#include "automation/object.h"
#include "internet/frm_internet.h"

namespace halvora {

class Internet : public Object {
 public:
  using Text = const std::u16string&;

  Internet();
  // Tests choose how time passes for the form.
  explicit Internet(std::unique_ptr<FormClock> clock);
  ~Internet() override;

  bool EsperarRespuesta = false;

  std::u16string get_Host() const { return Host_; }
  void let_Host(Text value);
  std::u16string get_Port() const { return Port_; }
  void let_Port(Text value);
  int32_t get_comando() const { return comando_; }  // a TipoComando
  void let_comando(int32_t value);
  std::u16string get_Habitacion() const;
  void let_Habitacion(Text value);
  std::u16string get_Perfil() const { return Perfil_; }
  void let_Perfil(Text value);
  std::u16string get_Tiempo() const { return Tiempo_; }
  void let_Tiempo(Text value);

  std::u16string CargarInternet();
  std::u16string DatosInternet();

  static const MemberTable& member_table();
  const MemberTable& members() const override { return member_table(); }
  std::u16string type_name() const override { return u"Internet"; }

  FrmInternet& form() { return *form_; }

 private:
  std::unique_ptr<FrmInternet> form_;
  std::u16string Host_, Port_, Perfil_, Tiempo_;
  int32_t comando_ = 0;
  double Habitacion_ = 0;
};

}  // namespace halvora
