// Mail, EdoCta and Clientes called by name against the fake e-invoicing component: connecting and
// letting go, the late-bound record writes with their types, and what reaches the server.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "einvoice/records.h"
#include "invoicing/clientes.h"
#include "invoicing/edo_cta.h"
#include "invoicing/mail.h"
#include "support/calls.h"
#include "support/fake_einvoice.h"
#include "support/test_env.h"

namespace halvora {
namespace {

using test::error_of;
using test::FakeInvoicing;
using Log = std::vector<std::u16string>;

void write(Object& o, std::u16string_view name, Variant value) {
  Variant args[] = {std::move(value)};
  invoke(o, name, CallKind::Let, args);
}
Variant run(Object& o, std::u16string_view name, std::vector<Variant> args = {}) {
  return invoke(o, name, CallKind::Method, args);
}
bool connect(Object& o) {
  std::vector<Variant> args{Variant(u"http://facturas"), Variant(u"cajero"), Variant(u"secreto")};
  bool ok = invoke(o, u"TelvarConectar", CallKind::Method, args).get<bool>();
  EXPECT_EQ(args[1], Variant(u"cajero"));
  return ok;
}

class InvoicingDocuments : public ::testing::Test {
 protected:
  test::RegionalScope regional_;
  test::UiScope ui_;
  FakeInvoicing world;
};

// ---- Mail -----------------------------------------------------------------------------------

TEST_F(InvoicingDocuments, MailWritesOnlyWhileConnectedAndReadsAlways) {
  Mail mail;
  EXPECT_EQ(error_of([&] { run(mail, u"SendMail"); }), err::kObjectNotSet);
  write(mail, u"Mail_To", Variant(u"antes@example.com"));  // ignored: there is no message
  EXPECT_EQ(error_of([&] { invoke(mail, u"Mail_To", CallKind::Get); }), err::kObjectNotSet);
  ASSERT_TRUE(connect(mail));
  EXPECT_EQ(world.take_log(),
            (Log{u"new ServidorFacturacion#1",
                 u"ServidorFacturacion#1.Conectar(\"http://facturas\", \"cajero\", \"secreto\")",
                 u"new ServidorFacturacion#2", u"new MensajeCorreo#1"}));
  EXPECT_EQ(invoke(mail, u"Mail_To", CallKind::Get), Variant(u""));  // not carried over
  write(mail, u"Mail_From", Variant(u"recepcion@hotel.mx"));
  write(mail, u"Mail_To", Variant(u"huesped@example.com"));
  write(mail, u"Mail_Subject", Variant(u"Su estancia"));
  write(mail, u"Mail_Name", Variant(u"Hotel de Prueba"));
  write(mail, u"Mail_Body", Variant(u"  Gracias  "));
  EXPECT_EQ(invoke(mail, u"Mail_Body", CallKind::Get), Variant(u"  Gracias  "));
  world.answer(u"EnviarCorreo", Variant(true));
  world.take_log();
  EXPECT_EQ(run(mail, u"SendMail"), Variant(true));
  EXPECT_EQ(run(mail, u"SendMail"), Variant(true));
  EXPECT_EQ(world.take_log(), (Log{u"ServidorFacturacion#2.EnviarCorreo(MensajeCorreo#1)",
                                   u"ServidorFacturacion#2.EnviarCorreo(MensajeCorreo#1)"}));
  const test::Fields& sent = world.last_call(u"EnviarCorreo").contents.at(0);
  EXPECT_EQ(sent.at(u"De"), Variant(u"recepcion@hotel.mx"));
  EXPECT_EQ(sent.at(u"Para"), Variant(u"huesped@example.com"));
  EXPECT_EQ(sent.at(u"Asunto"), Variant(u"Su estancia"));
  EXPECT_EQ(sent.at(u"Nombre"), Variant(u"Hotel de Prueba"));
  EXPECT_EQ(sent.at(u"Cuerpo"), Variant(u"  Gracias  "));
  world.answer(u"EnviarCorreo", Variant(false));
  EXPECT_EQ(run(mail, u"SendMail"), Variant(false));
  EXPECT_TRUE(ui_.ui().boxes.empty());
}

TEST_F(InvoicingDocuments, MailConnectAndDisconnect) {
  Mail mail;
  world.answer(u"Conectar", Variant(int32_t{2}));
  EXPECT_FALSE(connect(mail));
  EXPECT_FALSE(invoke(mail, u"EFacturaConnected", CallKind::Get).get<bool>());
  // Before a successful connect the server gets no message at all.
  run(mail, u"SendMail");
  EXPECT_EQ(world.take_log().back(), u"ServidorFacturacion#1.EnviarCorreo(Nothing)");
  world.answer(u"Conectar", Variant(int32_t{1}));
  ASSERT_TRUE(connect(mail));
  write(mail, u"Mail_To", Variant(u"a@example.com"));
  // A failed connect leaves the connection's message and flag as they were.
  world.answer(u"Conectar", Variant(int32_t{0}));
  EXPECT_FALSE(connect(mail));
  EXPECT_EQ(invoke(mail, u"Mail_To", CallKind::Get), Variant(u"a@example.com"));
  EXPECT_TRUE(invoke(mail, u"EFacturaConnected", CallKind::Get).get<bool>());
  world.take_log();
  run(mail, u"TelvarDesconectar");
  EXPECT_EQ(world.take_log(), (Log{u"ServidorFacturacion#2 = Null", u"MensajeCorreo#1 = Null"}));
  EXPECT_TRUE(invoke(mail, u"EFacturaConnected", CallKind::Get).get<bool>());
  run(mail, u"TelvarDesconectar");
  EXPECT_EQ(world.take_log(), Log{});
  // Errors are the host's: no report, no false.
  world.fail(u"Conectar", -2147220498, u"bloqueado");
  EXPECT_EQ(error_of([&] { connect(mail); }), -2147220498);
  EXPECT_TRUE(ui_.ui().boxes.empty());
}

// ---- EdoCta ---------------------------------------------------------------------------------

TEST_F(InvoicingDocuments, StatementMembersAreWrittenByNameWithTheirTypes) {
  EdoCta statement;
  EXPECT_EQ(error_of([&] { write(statement, u"NumHab", Variant(u"204")); }), err::kObjectNotSet);
  ASSERT_TRUE(connect(statement));
  EXPECT_EQ(error_of([&] { write(statement, u"CargoMonto", Variant(1.0)); }), err::kObjectNotSet);
  // No movement yet: the header is handed Nothing and the component refuses it.
  EXPECT_EQ(error_of([&] { run(statement, u"GuardarRenglonEdoCta"); }), err::kObjectNotSet);
  EXPECT_EQ(world.take_log().back(), u"EstadoCuenta#1.AddDetalle(Nothing)");
  write(statement, u"NumHab", Variant(int32_t{204}));
  write(statement, u"FhaEntrada", Variant(45000.0));
  write(statement, u"Adultos", Variant(2.5));
  write(statement, u"FolioCuenta", Variant(u"7"));
  run(statement, u"AgregarRenglonEdoCta");
  write(statement, u"FhaMovimiento", Variant(45001.0));
  write(statement, u"CargoMonto", Variant(int16_t{1500}));
  write(statement, u"HoraMvto", Variant(u"13:05"));
  run(statement, u"GuardarRenglonEdoCta");
  run(statement, u"GuardarRenglonEdoCta");  // the same movement again
  run(statement, u"AgregarRenglonEdoCta");
  write(statement, u"CreditoMonto", Variant(500.0));
  run(statement, u"AgregarRenglonEdoCta");  // the one before was never passed: lost
  run(statement, u"GuardarRenglonEdoCta");
  EXPECT_EQ(
      world.take_log(),
      (Log{u"EstadoCuenta#1.NumHab = \"204\"", u"EstadoCuenta#1.FhaEntrada = #45000#",
           u"EstadoCuenta#1.Adultos = 2%", u"EstadoCuenta#1.FolioCuenta = 7%",
           u"new MovimientoEdoCta#1", u"MovimientoEdoCta#1.FhaMovimiento = #45001#",
           u"MovimientoEdoCta#1.CargoMonto = 1500#", u"MovimientoEdoCta#1.HoraMvto = \"13:05\"",
           u"EstadoCuenta#1.AddDetalle(MovimientoEdoCta#1)",
           u"EstadoCuenta#1.AddDetalle(MovimientoEdoCta#1)", u"new MovimientoEdoCta#2",
           u"MovimientoEdoCta#2.CreditoMonto = 500#", u"new MovimientoEdoCta#3",
           u"EstadoCuenta#1.AddDetalle(MovimientoEdoCta#3)"}));
  EXPECT_EQ(world.object(u"EstadoCuenta#1")->rows.size(), 3u);
}

TEST_F(InvoicingDocuments, StatementTakesTheMovementAddDetalleLeaves) {
  EdoCta statement;
  ASSERT_TRUE(connect(statement));
  run(statement, u"AgregarRenglonEdoCta");
  world.detail_replaced = true;
  run(statement, u"GuardarRenglonEdoCta");
  world.take_log();
  write(statement, u"Referencia", Variant(u"F-1"));
  EXPECT_EQ(world.take_log(), (Log{u"MovimientoEdoCta#2.Referencia = \"F-1\""}));
}

TEST_F(InvoicingDocuments, StatementServerCallsAndDisconnect) {
  EdoCta statement;
  EXPECT_EQ(error_of([&] { run(statement, u"SaveEdoCuentaLobix"); }), err::kObjectNotSet);
  world.answer(u"Conectar", Variant(int32_t{3}));
  EXPECT_FALSE(connect(statement));
  world.take_log();
  run(statement, u"SaveEdoCuentaLobix");  // no header after a failed connect
  run(statement, u"PerformCapturaFirmaEstadoDeCuenta", {Variant(int32_t{1004})});
  run(statement, u"PerformReporteEstadoDeCuenta", {Variant(u"1004"), Variant(u"3")});
  EXPECT_EQ(world.take_log(), (Log{u"ServidorFacturacion#1.GuardarEstadoCuenta(Nothing)",
                                   u"ServidorFacturacion#1.CapturarFirmaEstadoCuenta(\"1004\")",
                                   u"ServidorFacturacion#1.ReporteEstadoCuenta(\"1004\", 3%)"}));
  // The header, but no movement yet: the disconnect stops there, and runs again next time.
  world.answer(u"Conectar", Variant(int32_t{1}));
  ASSERT_TRUE(connect(statement));
  world.take_log();
  EXPECT_EQ(error_of([&] { run(statement, u"TelvarDesconectar"); }), err::kObjectNotSet);
  EXPECT_EQ(world.take_log(), (Log{u"ServidorFacturacion#1 = Null", u"EstadoCuenta#1 = Null"}));
  run(statement, u"AgregarRenglonEdoCta");
  world.take_log();
  run(statement, u"TelvarDesconectar");
  EXPECT_EQ(world.take_log(), (Log{u"ServidorFacturacion#1 = Null", u"EstadoCuenta#1 = Null",
                                   u"MovimientoEdoCta#1 = Null"}));
  ASSERT_TRUE(connect(statement));
  EXPECT_EQ(world.take_log().front(), u"new ServidorFacturacion#2");
}

// ---- Clientes -------------------------------------------------------------------------------

// A value of the member's type that no other member gets.
Variant distinct_value(const invoicing::RecordField& f, std::size_t i) {
  switch (f.type) {
    case VarType::Double:
      return Variant(1000.25 + static_cast<double>(i));
    case VarType::Integer:
      return Variant(static_cast<int16_t>(100 + i));
    case VarType::Date:
      return Variant(Date{45000.0 + static_cast<double>(i)});
    default:
      return Variant(u"v" + std::u16string(f.name));
  }
}

TEST_F(InvoicingDocuments, RegistrationFillsEveryMemberOfTheSubstitutesRecord) {
  world.substitute_records = true;
  Clientes guest;
  ASSERT_TRUE(connect(guest));
  std::span<const invoicing::RecordField> fields = Clientes::registration_fields();
  // Hosts hand over text for everything; the property's type converts it before the record
  // sees it.
  for (std::size_t i = 0; i < fields.size(); ++i)
    write(guest, fields[i].name, Variant(to_string(distinct_value(fields[i], i))));
  world.take_log();
  run(guest, u"SaveRegistroHuesped");
  const FakeInvoicing::Call& save = world.last_call(u"GuardarRegistro");
  auto& record = dynamic_cast<einvoice::RegistroHuesped&>(*save.args.at(0).object());
  for (std::size_t i = 0; i < fields.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(record.value(i), distinct_value(fields[i], i));
  }
}

TEST_F(InvoicingDocuments, RegistrationWritesByTheExactName) {
  Clientes guest;
  EXPECT_EQ(error_of([&] { write(guest, u"Nombre", Variant(u"Ana")); }), err::kObjectNotSet);
  EXPECT_EQ(error_of([&] { run(guest, u"SaveRegistroHuesped"); }), err::kObjectNotSet);
  ASSERT_TRUE(connect(guest));
  world.take_log();
  write(guest, u"NUMRESDA", Variant(u"77"));  // hosts call by name in any letter case
  write(guest, u"Adultos", Variant(u"2"));
  write(guest, u"Nombre", Variant(u"Ana"));
  write(guest, u"Nombre", Variant(u"Ana María"));
  write(guest, u"FHAENTDA", Variant(Date{45000}));
  EXPECT_EQ(world.take_log(),
            (Log{u"RegistroHuesped#1.numresda = 77#", u"RegistroHuesped#1.Adultos = 2%",
                 u"RegistroHuesped#1.Nombre = \"Ana\"", u"RegistroHuesped#1.Nombre = \"Ana María\"",
                 u"RegistroHuesped#1.FHAENTDA = #45000#"}));
  EXPECT_EQ(world.object(u"RegistroHuesped#1")->values.at(u"Nombre"), Variant(u"Ana María"));
  // A value the record refuses is the component's error.
  world.fail(u"RegistroHuesped.Tarifa", -2147220503, u"tarifa negativa");
  EXPECT_EQ(error_of([&] { write(guest, u"Tarifa", Variant(-1.0)); }), -2147220503);
  EXPECT_EQ(error_of([&] { write(guest, u"Tarifa", Variant(u"mucho")); }), err::kTypeMismatch);
}

TEST_F(InvoicingDocuments, RegistrationServerCallsAndDisconnect) {
  Clientes guest;
  ASSERT_TRUE(connect(guest));
  world.answer(u"Conectar", Variant(int32_t{0}));
  EXPECT_FALSE(connect(guest));  // the record stays
  world.take_log();
  write(guest, u"NumeroHuesped", Variant(u"1004"));
  run(guest, u"SaveRegistroHuesped");
  run(guest, u"PerformCapturaFirmaRegistroHuesped", {Variant(u"1004")});
  run(guest, u"PerformReporteRegistroHuesped", {Variant(int16_t{1004})});
  run(guest, u"TelvarDesconectar");
  EXPECT_EQ(world.take_log(), (Log{u"RegistroHuesped#1.NumeroHuesped = \"1004\"",
                                   u"ServidorFacturacion#1.GuardarRegistro(RegistroHuesped#1)",
                                   u"ServidorFacturacion#1.CapturarFirmaRegistro(\"1004\")",
                                   u"ServidorFacturacion#1.ReporteRegistro(\"1004\")",
                                   u"ServidorFacturacion#1 = Null", u"RegistroHuesped#1 = Null"}));
  EXPECT_EQ(world.last_call(u"GuardarRegistro").contents.at(0).at(u"NumeroHuesped"),
            Variant(u"1004"));

  // After a first connect that failed there is no record: the disconnect stops at it.
  Clientes other;
  EXPECT_FALSE(connect(other));
  world.take_log();
  EXPECT_EQ(error_of([&] { run(other, u"TelvarDesconectar"); }), err::kObjectNotSet);
  EXPECT_EQ(world.take_log(), (Log{u"ServidorFacturacion#2 = Null"}));
  EXPECT_TRUE(ui_.ui().boxes.empty());
}

}  // namespace
}  // namespace halvora
