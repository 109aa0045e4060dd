// ServidorFacturacion: the e-invoicing component that the library's invoicing classes create. A
// thin client of halvora-einvoice: every operation is one request to the server whose address
// Conectar was given, under the session it opened for the process.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "automation/members.h"
#include "automation/object.h"
#include "einvoice/records.h"

namespace halvora::einvoice {

// Answers of Conectar.
inline constexpr int32_t kConnected = 1;
inline constexpr int32_t kWrongCredentials = 2;  // unknown user or wrong password
inline constexpr int32_t kNoServer = 3;          // no e-invoicing server answers at the location

// The prompt and title of the signature box, which the guest answers by writing his name.
inline constexpr char16_t kSignatureTitle[] = u"Firma del huésped";
inline constexpr char16_t kSignaturePrompt[] =
    u"Escriba su nombre completo como firma y pulse Aceptar.";

class ServidorFacturacion : public Object {
 public:
  // The members in interface order. A document reference is a branch, a series and a folio: the
  // first three fields of an emission's result.
  std::u16string EmitirPrefactura(int32_t branch, int32_t folio,
                                  std::shared_ptr<DocumentoFactura> document);
  std::u16string EmitirFactura(int32_t branch, int32_t folio,
                               std::shared_ptr<DocumentoFactura> document);
  bool EnviarComprobante(int16_t branch, int16_t series, std::u16string folio);
  std::u16string MostrarComprobante(int16_t branch, int16_t series, std::u16string folio);
  std::u16string ObtenerXMLComprobante(int16_t branch, int16_t series, std::u16string folio);
  std::u16string ObtenerUUIDComprobante(int16_t branch, int16_t series, std::u16string folio);
  std::u16string ObtenerGrupo(int32_t group, std::u16string name, std::u16string invoices);
  bool CancelarComprobante(int16_t branch, int16_t series, std::u16string folio);
  std::u16string ListarSucursales();
  std::u16string ListarFolioSeries();
  std::u16string ListarPeriodicidadesSAT();
  bool ConsultarCFDIV4();
  int32_t Conectar(std::u16string location, std::u16string user, std::u16string password);
  bool EnviarCorreo(std::shared_ptr<MensajeCorreo> message);
  int32_t GuardarEstadoCuenta(std::shared_ptr<EstadoCuenta> statement);
  int32_t GuardarRegistro(std::shared_ptr<RegistroHuesped> registration);
  bool CapturarFirmaRegistro(std::u16string guest);
  bool CapturarFirmaEstadoCuenta(std::u16string guest);
  std::u16string ReporteRegistro(std::u16string guest);
  std::u16string ReporteEstadoCuenta(std::u16string guest, int16_t folio);
  bool ValidarDineroElectronico(std::shared_ptr<DocumentoFactura> document);
  std::u16string ConsultarDineroElectronico(std::shared_ptr<DocumentoFactura> document);
  bool CancelarConsumoDineroElectronico(int32_t document, double points);
  std::u16string LeerCresfact06(std::u16string control, int16_t series);

  static const MemberTable& member_table();
  const MemberTable& members() const override { return member_table(); }
  std::u16string type_name() const override { return u"ServidorFacturacion"; }
  // Clients let go of a server object by assigning it the null value; the session belongs to
  // the process and stays open.
  void assign_default(const Variant& value) override;
};

// The component's classes by name, letter case aside: ServidorFacturacion and its six record
// classes; null for any other name. The library hands it to platform::create_component.
ObjectRef create_component(std::u16string_view class_name);

}  // namespace halvora::einvoice
