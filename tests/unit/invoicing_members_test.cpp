// The invoicing classes' interfaces as hosts and the type library see them: every member in
// interface order with its kind, access and type, and the record members that Clientes and EdoCta
// write checked against the bundled component's own records.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "einvoice/records.h"
#include "invoicing/clientes.h"
#include "invoicing/edo_cta.h"
#include "invoicing/factura.h"
#include "invoicing/mail.h"
#include "library/registry.h"

namespace halvora {
namespace {

// A member as a row: name, how it is reached, and its type ('-' for a method's result, which the
// signature gives).
struct Row {
  std::u16string name;
  char how;  // 'd' data member, 'r' read-only, 'w' write-only, 'p' read and write, 'm' method
  VarType type;
};

char how_of(const Member& m) {
  if (m.kind == MemberKind::Method) return 'm';
  if (m.kind == MemberKind::Data) return 'd';
  if (m.access == kGet) return 'r';
  if (m.access == kLet) return 'w';
  return 'p';
}

std::vector<Row> rows_of(const MemberTable& table) {
  std::vector<Row> out;
  for (const Member& m : table.members()) out.push_back({m.name, how_of(m), m.result});
  return out;
}

void expect_rows(const MemberTable& table, const std::vector<Row>& expected) {
  std::vector<Row> got = rows_of(table);
  ASSERT_EQ(got.size(), expected.size());
  for (std::size_t i = 0; i < got.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(got[i].name, expected[i].name);
    EXPECT_EQ(got[i].how, expected[i].how) << std::string(got[i].name.begin(), got[i].name.end());
    EXPECT_EQ(got[i].type, expected[i].type);
  }
}

constexpr VarType S = VarType::String;
constexpr VarType D = VarType::Double;
constexpr VarType B = VarType::Boolean;
constexpr VarType I = VarType::Integer;
constexpr VarType L = VarType::Long;
constexpr VarType O = VarType::Object;
constexpr VarType V = VarType::Variant;

TEST(InvoicingMembers, FacturaInInterfaceOrder) {
  std::vector<Row> expected{
      {u"ListaSucursales", 'd', O},    {u"ListaFolioSeries", 'd', O}, {u"ListaResultados", 'd', O},
      {u"ListaPeriocidadSAT", 'd', O}, {u"IsCfdi4", 'd', B},          {u"FacturaFecha", 'p', B},
  };
  for (const char16_t* n : {u"NumeroControl",
                            u"ClaveCliente",
                            u"NombreComercial",
                            u"RazonSocial",
                            u"RFC",
                            u"Email",
                            u"DomicilioFiscalReferencia",
                            u"CondicionesPago",
                            u"FormaPago",
                            u"MetodoPago",
                            u"NumCtaPago",
                            u"DomicilioFiscalCalle",
                            u"DomicilioFiscalnoExterior",
                            u"DomicilioFiscalnoInterior",
                            u"DomicilioFiscalColonia",
                            u"DomicilioFiscalEstado",
                            u"DomicilioFiscalLocalidad",
                            u"DomicilioFiscalMunicipio",
                            u"DomicilioFiscalPais",
                            u"DomicilioFiscalCodigoPostal"})
    expected.push_back({n, 'w', S});
  expected.push_back({u"Sucursal", 'p', L});
  expected.push_back({u"Folio", 'p', L});
  for (const char16_t* n : {u"PeriodicidadSAT", u"Observaciones1", u"Observaciones2",
                            u"Observaciones3", u"Observaciones4", u"Observaciones5"})
    expected.push_back({n, 'w', S});
  expected.insert(expected.end(), {{u"FacturaDescuento", 'w', D},
                                   {u"CveCtaContable", 'w', S},
                                   {u"RegimenFiscalReceptor", 'w', S},
                                   {u"ExcluirDeImpresion", 'p', B},
                                   {u"ExcluirDelCFD", 'p', B},
                                   {u"ClaveProducto", 'p', S},
                                   {u"Cantidad", 'p', I},
                                   {u"Unidad", 'p', S},
                                   {u"Descripcion", 'p', S}});
  for (const char16_t* n : {u"ValorUnitario", u"ImporteTotal", u"IvaPorciento", u"IvaImporte",
                            u"DescuentoPorciendo", u"DescuentoImporte"})
    expected.push_back({n, 'p', D});
  for (const char16_t* n : {u"DetalleObservacion1", u"DetalleObservacion2", u"DetalleObservacion3",
                            u"DetalleObservacion4", u"DetalleObservacion5"})
    expected.push_back({n, 'p', S});
  expected.insert(expected.end(), {{u"TelvarConectar", 'm', B},
                                   {u"EFacturaConnected", 'r', B},
                                   {u"FacturaInicializada", 'r', B}});
  for (const char16_t* n :
       {u"FacturaSubTotal", u"FacturaTasaISA", u"FacturaTotalISA", u"FacturaTasaISH",
        u"FacturaTotalISH", u"FacturaTasaIva", u"FacturaTotalIva", u"FacturaTotalImporte"})
    expected.push_back({n, 'w', D});
  expected.insert(expected.end(), {{u"AgregarRenglon", 'm', V},
                                   {u"RenglonActivo", 'r', B},
                                   {u"DatosCapturados", 'r', B},
                                   {u"GenerarFactura", 'm', V},
                                   {u"GenerarNotaDeCredito", 'm', V},
                                   {u"GenerarPrefactura", 'm', V},
                                   {u"EnviarFactura", 'm', V},
                                   {u"VerFactura", 'm', V},
                                   {u"CancelarFactura", 'm', V},
                                   {u"ObtenerXML", 'm', S},
                                   {u"ObtenerIdGrupo", 'm', S},
                                   {u"ObtenerUUID", 'm', S},
                                   {u"GetCresfact06", 'm', S},
                                   {u"Cons_DinElectronico", 'm', S},
                                   {u"Din_electronico", 'm', B},
                                   {u"CancelConsumoDE", 'm', B},
                                   {u"NuevaFactura", 'm', V},
                                   {u"TelvarDesconectar", 'm', V},
                                   {u"IsCFDIV4", 'm', V}});
  expect_rows(Factura::member_table(), expected);

  // The parameters that differ from the plain by-value kind.
  const MemberTable& t = Factura::member_table();
  const Member* connect = t.find(u"TelvarConectar");
  EXPECT_FALSE(connect->params[0].by_ref);
  EXPECT_TRUE(connect->params[1].by_ref && connect->params[2].by_ref);
  const Member* group = t.find(u"ObtenerIdGrupo");
  EXPECT_EQ(group->params[0].type, L);
  EXPECT_TRUE(group->params[1].by_ref && group->params[2].by_ref);
  for (const char16_t* n : {u"CancelarFactura", u"ObtenerXML", u"ObtenerUUID"}) {
    const ParamInfo& p = t.find(n)->params.at(0);
    EXPECT_TRUE(p.optional && p.type == S && p.name == u"Factura");
  }
  EXPECT_EQ(t.find(u"GetCresfact06")->params[1].type, I);
  EXPECT_EQ(t.find(u"CancelConsumoDE")->params[0].type, D);
  EXPECT_EQ(t.find(u"FacturaFecha")->dispid, 0x68030005);
  EXPECT_EQ(t.find(u"IsCfdi4")->dispid, 0x40030004);
  EXPECT_EQ(t.find(u"IsCFDIV4")->dispid, 0x60030000 + static_cast<int32_t>(t.members().size()) - 1);
}

TEST(InvoicingMembers, MailInInterfaceOrder) {
  expect_rows(Mail::member_table(), {{u"TelvarConectar", 'm', B},
                                     {u"TelvarDesconectar", 'm', V},
                                     {u"EFacturaConnected", 'r', B},
                                     {u"Mail_From", 'p', S},
                                     {u"Mail_To", 'p', S},
                                     {u"Mail_Subject", 'p', S},
                                     {u"Mail_Name", 'p', S},
                                     {u"Mail_Body", 'p', S},
                                     {u"SendMail", 'm', B}});
}

// The statement's and the registration's write-only members are the component's record members
// under the same names and types, in the same order: the library's lists and the substitute's were
// written apart, so a slip in either shows here.
void expect_same_fields(std::span<const invoicing::RecordField> ours,
                        const einvoice::RecordClass& theirs) {
  ASSERT_EQ(ours.size(), theirs.fields.size());
  for (std::size_t i = 0; i < ours.size(); ++i) {
    EXPECT_EQ(ours[i].name, std::u16string_view(theirs.fields[i].name)) << i;
    EXPECT_EQ(ours[i].type, theirs.fields[i].type) << i;
  }
}

TEST(InvoicingMembers, StatementAndRegistrationWriteTheComponentsMembers) {
  expect_same_fields(EdoCta::header_fields(), einvoice::EstadoCuenta::description());
  expect_same_fields(EdoCta::movement_fields(), einvoice::MovimientoEdoCta::description());
  expect_same_fields(Clientes::registration_fields(), einvoice::RegistroHuesped::description());

  std::vector<Row> edo{{u"TelvarConectar", 'm', B}, {u"TelvarDesconectar", 'm', V}};
  for (const auto& f : EdoCta::header_fields())
    edo.push_back({std::u16string(f.name), 'w', f.type});
  for (const auto& f : EdoCta::movement_fields())
    edo.push_back({std::u16string(f.name), 'w', f.type});
  for (const char16_t* n : {u"AgregarRenglonEdoCta", u"GuardarRenglonEdoCta", u"SaveEdoCuentaLobix",
                            u"PerformCapturaFirmaEstadoDeCuenta", u"PerformReporteEstadoDeCuenta"})
    edo.push_back({n, 'm', V});
  expect_rows(EdoCta::member_table(), edo);

  std::vector<Row> clientes{{u"TelvarConectar", 'm', B}, {u"TelvarDesconectar", 'm', V}};
  for (const auto& f : Clientes::registration_fields())
    clientes.push_back({std::u16string(f.name), 'w', f.type});
  for (const char16_t* n : {u"SaveRegistroHuesped", u"PerformCapturaFirmaRegistroHuesped",
                            u"PerformReporteRegistroHuesped"})
    clientes.push_back({n, 'm', V});
  expect_rows(Clientes::member_table(), clientes);
  EXPECT_EQ(Clientes::registration_fields().size(), 201u);
  EXPECT_EQ(Clientes::registration_fields()[22].name, u"numresda");
}

TEST(InvoicingMembers, PublishedAndCreatableUnderTheirIdentities) {
  struct Published {
    const char16_t* progid;
    const char16_t* clsid;
    const char16_t* iid;
  };
  for (const Published& p :
       {Published{u"HALVORA.Factura", u"{27A92563-8B0F-4ABB-A6B1-B3CBC13E2EA5}",
                  u"{3E053A7A-E9B3-40F3-A92B-E65178FE8ECB}"},
        Published{u"HALVORA.Mail", u"{B9E14A0D-80EB-4767-8849-F6770ABF4ECF}",
                  u"{D388381E-C68F-4EE2-AC92-E6263B9A981A}"},
        Published{u"HALVORA.Clientes", u"{4B318693-6019-40A6-8A7F-9F59CF4555A9}",
                  u"{C83EE36F-5B67-4262-A9F8-9F537B075FAA}"},
        Published{u"HALVORA.EdoCta", u"{69BFBA6B-4C92-466B-BA26-7EF358DF83F9}",
                  u"{DF2D0777-E2C7-44C2-A4A2-8EE3E5B50905}"}}) {
    const ClassInfo* c = find_class(p.progid);
    ASSERT_NE(c, nullptr);
    EXPECT_TRUE(c->creatable());
    EXPECT_EQ(c->clsid, p.clsid);
    EXPECT_EQ(c->iid, p.iid);
    ObjectRef made = create_object(p.progid);
    EXPECT_EQ(u"HALVORA." + made->type_name(), p.progid);
    EXPECT_EQ(&made->members(), c->members());
  }
}

}  // namespace
}  // namespace halvora
