// The invoice builder: a stateful facade over three objects of the e-invoicing component (the
// server, the invoice being built and the line being captured). The host connects, writes the
// header, adds lines one at a time, writes the totals it computed, issues the document and reads
// the server's result fields; later calls name an issued document by a reference taken from them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "automation/members.h"
#include "automation/object.h"
#include "invoicing/server_connection.h"

namespace halvora {

class Factura : public Object {
 public:
  using Text = const std::u16string&;

  // The four result collections; a host may read them or put its own collection there. Empty
  // references until the first TelvarConectar.
  ObjectRef ListaSucursales;
  ObjectRef ListaFolioSeries;
  ObjectRef ListaResultados;
  ObjectRef ListaPeriocidadSAT;
  bool IsCfdi4 = false;

  bool get_FacturaFecha() const;
  void let_FacturaFecha(bool value);
  int32_t get_Sucursal() const { return sucursal_; }
  void let_Sucursal(int32_t value);
  int32_t get_Folio() const { return folio_; }
  void let_Folio(int32_t value);
  int16_t get_Cantidad() const;
  void let_Cantidad(int16_t value);

  bool TelvarConectar(Text pcDir, std::u16string& pcUser, std::u16string& pcPass);
  bool EFacturaConnected() const { return connected_; }
  bool FacturaInicializada() const { return initialized_; }
  Variant AgregarRenglon();
  bool RenglonActivo() const { return line_active_; }
  bool DatosCapturados() const { return captured_; }
  Variant GenerarFactura();
  Variant GenerarNotaDeCredito();
  Variant GenerarPrefactura();
  Variant EnviarFactura();
  Variant VerFactura();
  Variant CancelarFactura(Text reference);
  std::u16string ObtenerXML(Text reference);
  std::u16string ObtenerIdGrupo(int32_t idgrupo, std::u16string& nombreGrupo,
                                std::u16string& cadenaFacturas);
  std::u16string ObtenerUUID(Text reference);
  std::u16string GetCresfact06(Text NumControl, int16_t SerieFol);
  std::u16string Cons_DinElectronico();
  bool Din_electronico();
  bool CancelConsumoDE(double NUM_DOC, double PUNTOS);
  Variant NuevaFactura();
  Variant TelvarDesconectar();
  Variant IsCFDIV4();

  static const MemberTable& member_table();
  const MemberTable& members() const override { return member_table(); }
  std::u16string type_name() const override { return u"Factura"; }

  // Where a property of the table below writes (and, for the line, reads), and when a write
  // counts: the header while connected, the totals once they were zeroed, the line while one is
  // being captured.
  enum class Target : uint8_t { Header, Total, Line };
  struct MappedField {
    std::u16string_view member;  // the property hosts write
    std::u16string_view field;   // the record member it stands for
    Target target;
    VarType type;
    std::u16string_view when_blank;  // what a blank text becomes
    bool blank_rule = false;
  };
  void write_field(const MappedField& field, const Variant& value);
  Variant read_field(const MappedField& field) const;

 private:
  void go_connected();
  void commit_line(bool take);
  void issue(std::u16string_view operation);
  // The document named by the first three of `fields`: two 16-bit numbers and a text.
  Variant on_document(std::u16string_view operation, const std::vector<std::u16string>& fields);
  std::vector<std::u16string> reference_fields(Text argument) const;

  invoicing::ServerConnection connection_;
  bool connected_ = false;
  bool initialized_ = false;  // the document's totals were zeroed once
  bool line_active_ = false;  // a line is being captured and not yet in the document
  bool captured_ = false;     // every captured line is in the document
  int32_t sucursal_ = 0;
  int32_t folio_ = 0;
  Date fecha_{0};
  ObjectRef document_;
  ObjectRef line_;
  std::vector<std::u16string> resultados_;  // the fields of the last emission result
};

}  // namespace halvora
