// Factura called by name, as hosts call it, against a fake e-invoicing component that logs every
// creation, call, write and null assignment: the state table row by row, the blank rules, the
// line's reads, the document references, the failure report and the 16-bit counters.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "automation/collection.h"
#include "automation/text.h"
#include "invoicing/factura.h"
#include "platform/ui.h"
#include "support/calls.h"
#include "support/fake_einvoice.h"
#include "support/test_env.h"

namespace halvora {
namespace {

using test::error_of;
using test::FakeInvoicing;
using test::texts;
using Log = std::vector<std::u16string>;

// The host's side: writes, reads and calls by name.
void write(Object& o, std::u16string_view name, Variant value) {
  Variant args[] = {std::move(value)};
  invoke(o, name, CallKind::Let, args);
}
Variant read(Object& o, std::u16string_view name) {
  return invoke(o, name, CallKind::Get);
}

// What the first AgregarRenglon writes, in order.
const Log kZeroTotals{
    u"DocumentoFactura#1.SubTotal = 0#",     u"DocumentoFactura#1.TasaIva = 0#",
    u"DocumentoFactura#1.TasaISH = 0#",      u"DocumentoFactura#1.TasaISA = 0#",
    u"DocumentoFactura#1.TotalImporte = 0#", u"DocumentoFactura#1.TotalIva = 0#",
    u"DocumentoFactura#1.TotalISH = 0#",     u"DocumentoFactura#1.TotalISA = 0#",
};

Log concat(std::initializer_list<Log> parts) {
  Log out;
  for (const Log& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

class InvoicingFactura : public ::testing::Test {
 protected:
  bool connect(const char16_t* location = u"http://facturas") {
    std::vector<Variant> args{Variant(location), Variant(u"cajero"), Variant(u"secreto")};
    Variant ok = invoke(f, u"TelvarConectar", CallKind::Method, args);
    // The component's writes to its parameters never reach the host's variables.
    EXPECT_EQ(args[1], Variant(u"cajero"));
    EXPECT_EQ(args[2], Variant(u"secreto"));
    return ok.get<bool>();
  }
  // Connected, with the log of it dropped: ServidorFacturacion#2 serves, DocumentoFactura#1 is
  // the document.
  void connected() {
    ASSERT_TRUE(connect());
    world.take_log();
  }
  Variant run(std::u16string_view name, std::vector<Variant> args = {}) {
    return invoke(f, name, CallKind::Method, args);
  }
  struct Flags {
    bool connected, initialized, active, captured;
    bool operator==(const Flags&) const = default;
  };
  Flags flags() {
    return {read(f, u"EFacturaConnected").get<bool>(), read(f, u"FacturaInicializada").get<bool>(),
            read(f, u"RenglonActivo").get<bool>(), read(f, u"DatosCapturados").get<bool>()};
  }

  test::RegionalScope regional_;
  test::UiScope ui_;
  FakeInvoicing world;
  Factura f;
};

// ---- The state table ------------------------------------------------------------------------

enum class Step { Connect, ConnectRefused, Add, Invoice, CreditNote, PreInvoice, New, Disconnect };

struct StateRow {
  const char* name;
  std::vector<Step> before;
  Step event;
  int32_t error;  // of the event
  bool connected, initialized, active, captured;
  Log calls;  // the event's, in order
};

const Log kConnectCalls{
    u"new ServidorFacturacion#1",
    u"ServidorFacturacion#1.Conectar(\"http://facturas\", \"cajero\", \"secreto\")",
    u"ServidorFacturacion#1.ListarSucursales()",
    u"ServidorFacturacion#1.ListarFolioSeries()",
    u"ServidorFacturacion#1.ListarPeriodicidadesSAT()",
    u"new ServidorFacturacion#2",
    u"new DocumentoFactura#1",
};
const Log kFirstLine = concat({kZeroTotals, {u"new RenglonFactura#1"}});
const char16_t kEmission[] = u"ServidorFacturacion#2.EmitirFactura(0&, 0&, DocumentoFactura#1)";

const std::vector<StateRow> kStateTable{
    {"connect, answer 0",
     {},
     Step::ConnectRefused,
     0,
     false,
     false,
     false,
     false,
     {u"new ServidorFacturacion#1",
      u"ServidorFacturacion#1.Conectar(\"http://facturas\", \"cajero\", \"secreto\")"}},
    {"connect, answer 1", {}, Step::Connect, 0, true, false, false, false, kConnectCalls},
    {"connect again reuses the server that serves",
     {Step::Connect},
     Step::ConnectRefused,
     0,
     true,
     false,
     false,
     false,
     {u"ServidorFacturacion#2.Conectar(\"http://facturas\", \"cajero\", \"secreto\")"}},
    {"a failed connect leaves the line alone",
     {Step::Connect, Step::Add},
     Step::ConnectRefused,
     0,
     true,
     true,
     true,
     false,
     {u"ServidorFacturacion#2.Conectar(\"http://facturas\", \"cajero\", \"secreto\")"}},
    {"AgregarRenglon before connecting", {}, Step::Add, 0, false, false, false, false, {}},
    {"first AgregarRenglon zeroes the totals",
     {Step::Connect},
     Step::Add,
     0,
     true,
     true,
     true,
     false,
     kFirstLine},
    {"the next AgregarRenglon commits the line",
     {Step::Connect, Step::Add},
     Step::Add,
     0,
     true,
     true,
     true,
     false,
     {u"DocumentoFactura#1.AnexarRenglon(RenglonFactura#1)", u"new RenglonFactura#2"}},
    {"emission commits the pending line",
     {Step::Connect, Step::Add},
     Step::Invoice,
     0,
     false,
     true,
     false,
     true,
     {u"DocumentoFactura#1.AnexarRenglon(RenglonFactura#1)", kEmission}},
    {"emission without lines",
     {Step::Connect},
     Step::Invoice,
     0,
     false,
     false,
     false,
     true,
     {kEmission}},
    {"a credit note is the same operation",
     {Step::Connect},
     Step::CreditNote,
     0,
     false,
     false,
     false,
     true,
     {kEmission}},
    {"a pre-invoice",
     {Step::Connect},
     Step::PreInvoice,
     0,
     false,
     false,
     false,
     true,
     {u"ServidorFacturacion#2.EmitirPrefactura(0&, 0&, DocumentoFactura#1)"}},
    {"a second emission does nothing",
     {Step::Connect, Step::Invoice},
     Step::Invoice,
     0,
     false,
     false,
     false,
     true,
     {}},
    {"NuevaFactura after an emission",
     {Step::Connect, Step::Add, Step::Invoice},
     Step::New,
     0,
     true,
     true,
     false,
     true,
     {u"new ServidorFacturacion#3", u"new DocumentoFactura#2"}},
    {"NuevaFactura keeps a pending line",
     {Step::Connect, Step::Add},
     Step::New,
     0,
     true,
     true,
     true,
     false,
     {u"DocumentoFactura#1 = Null", u"RenglonFactura#1 = Null", u"new ServidorFacturacion#3",
      u"new DocumentoFactura#2"}},
    {"NuevaFactura without a line ignores the missing one",
     {Step::Connect},
     Step::New,
     0,
     true,
     false,
     false,
     false,
     {u"DocumentoFactura#1 = Null", u"new ServidorFacturacion#3", u"new DocumentoFactura#2"}},
    {"NuevaFactura before any connect", {}, Step::New, 0, false, false, false, false, {}},
    {"NuevaFactura after a failed connect",
     {Step::ConnectRefused},
     Step::New,
     0,
     true,
     false,
     false,
     false,
     {u"new ServidorFacturacion#2", u"new DocumentoFactura#1"}},
    {"disconnect while connected",
     {Step::Connect, Step::Add},
     Step::Disconnect,
     0,
     true,
     true,
     true,
     false,
     {u"ServidorFacturacion#2 = Null", u"DocumentoFactura#1 = Null", u"RenglonFactura#1 = Null"}},
    {"disconnect while connected, no line yet",
     {Step::Connect},
     Step::Disconnect,
     err::kObjectNotSet,
     true,
     false,
     false,
     false,
     {u"ServidorFacturacion#2 = Null", u"DocumentoFactura#1 = Null"}},
    {"disconnect after an emission",
     {Step::Connect, Step::Invoice},
     Step::Disconnect,
     0,
     false,
     false,
     false,
     true,
     {u"ServidorFacturacion#2 = Null"}},
    {"disconnect after a failed connect",
     {Step::ConnectRefused},
     Step::Disconnect,
     0,
     false,
     false,
     false,
     false,
     {u"ServidorFacturacion#1 = Null"}},
    {"disconnect twice",
     {Step::Connect, Step::Add, Step::Disconnect},
     Step::Disconnect,
     0,
     true,
     true,
     true,
     false,
     {}},
    {"disconnect before any connect", {}, Step::Disconnect, 0, false, false, false, false, {}},
};

void PrintTo(const StateRow& row, std::ostream* os) {
  *os << row.name;
}

class InvoicingFacturaStates : public InvoicingFactura,
                               public ::testing::WithParamInterface<StateRow> {
 protected:
  void step(Step s) {
    switch (s) {
      case Step::Connect:
        world.answer(u"Conectar", Variant(int32_t{1}));
        connect();
        break;
      case Step::ConnectRefused:
        world.answer(u"Conectar", Variant(int32_t{0}));
        connect();
        break;
      case Step::Add:
        run(u"AgregarRenglon");
        break;
      case Step::Invoice:
        run(u"GenerarFactura");
        break;
      case Step::CreditNote:
        run(u"GenerarNotaDeCredito");
        break;
      case Step::PreInvoice:
        run(u"GenerarPrefactura");
        break;
      case Step::New:
        run(u"NuevaFactura");
        break;
      case Step::Disconnect:
        run(u"TelvarDesconectar");
        break;
    }
  }
};

TEST_P(InvoicingFacturaStates, EventChangesTheFlagsAndCallsTheComponent) {
  const StateRow& row = GetParam();
  for (Step s : row.before) step(s);
  world.take_log();
  EXPECT_EQ(error_of([&] { step(row.event); }), row.error);
  EXPECT_EQ(world.take_log(), row.calls);
  EXPECT_EQ(flags(), (Flags{row.connected, row.initialized, row.active, row.captured}));
  EXPECT_TRUE(ui_.ui().boxes.empty());
}

INSTANTIATE_TEST_SUITE_P(Table, InvoicingFacturaStates, ::testing::ValuesIn(kStateTable),
                         [](const auto& info) {
                           std::string name;
                           for (char c : std::string(info.param.name))
                             name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
                           return name;
                         });

TEST_F(InvoicingFactura, DisconnectClearsObjectsCreatedOnlyWhenItRunsToItsEnd) {
  connected();
  run(u"AgregarRenglon");
  write(f, u"Sucursal", Variant(int32_t{4}));
  run(u"TelvarDesconectar");
  EXPECT_TRUE(texts(f.ListaSucursales).empty());
  world.take_log();
  // ObjetosCreados is clear: the next connect makes a server of its own again.
  world.answer(u"Conectar", Variant(int32_t{0}));
  EXPECT_FALSE(connect());
  EXPECT_EQ(world.take_log().front(), u"new ServidorFacturacion#3");

  // Failing at the missing line leaves the lists and ObjetosCreados as they were.
  Factura other;
  world.answer(u"Conectar", Variant(int32_t{1}));
  world.answer(u"ListarSucursales", Variant(u"1 Matriz"));
  std::vector<Variant> args{Variant(u""), Variant(u"u"), Variant(u"p")};
  invoke(other, u"TelvarConectar", CallKind::Method, args);
  EXPECT_EQ(error_of([&] { test::call(other, u"TelvarDesconectar"); }), err::kObjectNotSet);
  EXPECT_EQ(texts(other.ListaSucursales), std::vector<std::u16string>{u"1 Matriz"});
  world.take_log();
  EXPECT_EQ(error_of([&] { test::call(other, u"TelvarDesconectar"); }), err::kObjectNotSet);
  EXPECT_EQ(world.take_log().front(), u"ServidorFacturacion#5 = Null");
}

TEST_F(InvoicingFactura, DisconnectStopsWhereAnObjectRefusesTheNullValue) {
  connected();
  run(u"AgregarRenglon");
  world.refusing_release.insert(u"DocumentoFactura");
  world.take_log();
  EXPECT_EQ(error_of([&] { run(u"TelvarDesconectar"); }), err::kNoSuchMember);
  EXPECT_EQ(world.take_log(), (Log{u"ServidorFacturacion#2 = Null", u"DocumentoFactura#1 = Null"}));
}

// NuevaFactura runs every step whatever the one before it raised, and raises nothing itself.
TEST_F(InvoicingFactura, NewInvoiceIgnoresEveryError) {
  connected();
  run(u"AgregarRenglon");
  world.refusing_release = {u"DocumentoFactura", u"RenglonFactura"};
  world.refusals.insert_or_assign(u"ServidorFacturacion", Error::standard(err::kCannotCreate));
  test::put(f, u"ListaResultados", nullptr);  // no list to empty
  world.take_log();
  EXPECT_EQ(error_of([&] { run(u"NuevaFactura"); }), 0);
  EXPECT_EQ(world.take_log(), (Log{u"DocumentoFactura#1 = Null", u"RenglonFactura#1 = Null",
                                   u"new ServidorFacturacion (refused)"}));
  EXPECT_TRUE(flags().connected);
}

// ---- Connection: the lists and the failure report --------------------------------------------

TEST_F(InvoicingFactura, ConnectRefillsTheListsInPlaceKeepingEmptyPieces) {
  EXPECT_EQ(f.ListaSucursales, nullptr);  // nothing before the first connect
  world.answer(u"ListarSucursales", Variant(u"1 Matriz||2 Playa|"));
  world.answer(u"ListarFolioSeries", Variant(u""));
  world.answer(u"ListarPeriodicidadesSAT", Variant(u"01 Diario|02 Semanal"));
  ASSERT_TRUE(connect());
  EXPECT_EQ(texts(f.ListaSucursales),
            (std::vector<std::u16string>{u"1 Matriz", u"", u"2 Playa", u""}));
  EXPECT_TRUE(texts(f.ListaFolioSeries).empty());
  EXPECT_EQ(texts(f.ListaPeriocidadSAT).size(), 2u);
  // A collection the host put there is emptied and filled, not replaced.
  CollectionRef own = test::list_of({u"old", u"older"});
  test::put(f, u"ListaSucursales", own);
  world.answer(u"ListarSucursales", Variant(u"3 Centro"));
  ASSERT_TRUE(connect());
  EXPECT_EQ(f.ListaSucursales, own);
  EXPECT_EQ(texts(own), std::vector<std::u16string>{u"3 Centro"});
}

struct ReportRow {
  const char* name;
  std::function<void(FakeInvoicing&)> arrange;
  std::u16string text;
};

TEST_F(InvoicingFactura, ConnectReportsEveryFailureAndAnswersFalse) {
  const std::vector<ReportRow> rows{
      {"the component refuses the user",
       [](FakeInvoicing& w) { w.fail(u"Conectar", -2147220498, u"el usuario está bloqueado"); },
       u"ERROR: -2147220498 el usuario está bloqueado\r\nServidorFacturacion"},
      {"no component",
       [](FakeInvoicing& w) {
         w.refusals.insert_or_assign(u"ServidorFacturacion", Error::standard(err::kCannotCreate));
       },
       u"ERROR: 429 ActiveX component can't create object\r\nHALVORA"},
      {"a list of 32,768 branches",
       [](FakeInvoicing& w) {
         std::u16string text(32767, u'|');
         w.answer(u"ListarSucursales", Variant(text));
       },
       u"ERROR: 6 Overflow\r\nHALVORA"},
      {"an answer that is not a number",
       [](FakeInvoicing& w) { w.answer(u"Conectar", Variant(u"uno")); },
       u"ERROR: 13 Type mismatch\r\nHALVORA"},
  };
  for (const ReportRow& row : rows) {
    SCOPED_TRACE(row.name);
    FakeInvoicing scoped;
    row.arrange(scoped);
    Factura fresh;
    ui_.ui().boxes.clear();
    std::vector<Variant> args{Variant(u"x"), Variant(u"u"), Variant(u"p")};
    EXPECT_EQ(invoke(fresh, u"TelvarConectar", CallKind::Method, args), Variant(false));
    ASSERT_EQ(ui_.ui().boxes.size(), 1u);
    const test::Box& box = ui_.ui().boxes[0];
    EXPECT_EQ(box.title, u"Telvar Conectar");
    EXPECT_EQ(box.style, platform::kStyleCritical);
    EXPECT_EQ(box.text, row.text);
    EXPECT_FALSE(read(fresh, u"EFacturaConnected").get<bool>());
  }
}

TEST_F(InvoicingFactura, ListsCountTheirPiecesInSixteenBits) {
  // Exactly 32,768 pieces: all of them in, then the overflow; one more: none in.
  world.answer(u"ListarPeriodicidadesSAT", Variant(std::u16string(32767, u'|')));
  EXPECT_FALSE(connect());
  EXPECT_EQ(texts(f.ListaPeriocidadSAT).size(), 32768u);
  world.answer(u"ListarPeriodicidadesSAT", Variant(std::u16string(32768, u'|')));
  EXPECT_FALSE(connect());
  EXPECT_TRUE(texts(f.ListaPeriocidadSAT).empty());
  // An emission result is counted the same way, after Resultados took it.
  world.answer(u"ListarPeriodicidadesSAT", Variant(u""));
  connected();
  world.answer(u"EmitirFactura", Variant(std::u16string(32767, u'|')));
  EXPECT_EQ(error_of([&] { run(u"GenerarFactura"); }), err::kOverflow);
  EXPECT_EQ(texts(f.ListaResultados).size(), 32768u);
  EXPECT_TRUE(flags().connected);
}

// ---- Writes and their conditions -------------------------------------------------------------

struct WriteRow {
  const char16_t* member;
  Variant value;
  std::u16string expected;  // the write the component sees
};

TEST_F(InvoicingFactura, BlankTextsTakeTheirDefaultsAndOthersPassAsTheyAre) {
  const std::vector<WriteRow> rows{
      {u"FormaPago", Variant(u"   "), u"DocumentoFactura#1.FormaPago = \"UNA SOLA EXHIBICIÓN\""},
      {u"FormaPago", Variant(u""), u"DocumentoFactura#1.FormaPago = \"UNA SOLA EXHIBICIÓN\""},
      {u"FormaPago", Variant(u"  04 tarjeta "),
       u"DocumentoFactura#1.FormaPago = \"  04 tarjeta \""},
      {u"MetodoPago", Variant(u" "), u"DocumentoFactura#1.MetodoPago = \"EFECTIVO\""},
      {u"MetodoPago", Variant(u"\t"), u"DocumentoFactura#1.MetodoPago = \"\t\""},
      {u"NumCtaPago", Variant(u"    "), u"DocumentoFactura#1.NumCtaPago = \"\""},
      {u"NumCtaPago", Variant(u" 5001"), u"DocumentoFactura#1.NumCtaPago = \" 5001\""},
      {u"RFC", Variant(u"  "), u"DocumentoFactura#1.RFC = \"  \""},
      {u"FacturaDescuento", Variant(u"12.5"), u"DocumentoFactura#1.Descuento = 12.5#"},
      {u"Unidad", Variant(u"  "), u"RenglonFactura#1.Unidad = \"N/A\""},
      {u"Unidad", Variant(u" noche"), u"RenglonFactura#1.Unidad = \" noche\""},
      {u"Cantidad", Variant(int16_t{0}), u"RenglonFactura#1.Cantidad = 1#"},
      {u"Cantidad", Variant(u"3"), u"RenglonFactura#1.Cantidad = 3#"},
      {u"Cantidad", Variant(2.5), u"RenglonFactura#1.Cantidad = 2#"},
      {u"ExcluirDelCFD", Variant(int32_t{1}), u"RenglonFactura#1.ExcluirDelCFD = True"},
      {u"FacturaTotalISH", Variant(int16_t{60}), u"DocumentoFactura#1.TotalISH = 60#"},
  };
  connected();
  run(u"AgregarRenglon");
  for (const WriteRow& row : rows) {
    world.take_log();
    write(f, row.member, row.value);
    EXPECT_EQ(world.take_log(), Log{row.expected}) << utf16_to_utf8(test::shown(row.value));
  }
}

TEST_F(InvoicingFactura, WritesWhoseConditionIsFalseAreIgnored) {
  const std::vector<const char16_t*> header{u"RazonSocial",  u"FormaPago", u"FacturaDescuento",
                                            u"FacturaFecha", u"Sucursal",  u"Folio"};
  const std::vector<const char16_t*> totals{u"FacturaSubTotal", u"FacturaTasaIva",
                                            u"FacturaTotalImporte"};
  const std::vector<const char16_t*> line{u"ClaveProducto", u"Cantidad", u"Unidad",
                                          u"ValorUnitario", u"ExcluirDeImpresion"};
  auto nothing_written = [&](const std::vector<const char16_t*>& members, const char* when) {
    for (const char16_t* m : members) {
      write(f, m, Variant(int16_t{7}));
      EXPECT_EQ(world.take_log(), Log{}) << when;
    }
  };
  nothing_written(header, "before connecting");
  nothing_written(totals, "before connecting");
  nothing_written(line, "before connecting");
  EXPECT_EQ(read(f, u"Sucursal"), Variant(int32_t{0}));
  connected();
  nothing_written(totals, "connected, before the first line");
  nothing_written(line, "connected, before the first line");
  run(u"AgregarRenglon");
  run(u"GenerarFactura");
  world.take_log();
  nothing_written(header, "after the emission");
  nothing_written(line, "after the emission: the line is in the document");
  // The totals' condition is that they were zeroed, which an emission does not undo.
  write(f, u"FacturaSubTotal", Variant(1.0));
  EXPECT_EQ(world.take_log(), Log{u"DocumentoFactura#1.SubTotal = 1#"});
  // A value that does not convert fails even where the write would be ignored.
  EXPECT_EQ(error_of([&] { write(f, u"FacturaDescuento", Variant(u"mucho")); }),
            err::kTypeMismatch);
  EXPECT_EQ(error_of([&] { write(f, u"Cantidad", Variant(40000.0)); }), err::kOverflow);
}

TEST_F(InvoicingFactura, StoredValuesAndTheDateFlag) {
  connected();
  write(f, u"Sucursal", Variant(u"3"));
  write(f, u"Folio", Variant(int16_t{120}));
  write(f, u"FacturaFecha", Variant(Date{45000}));
  EXPECT_EQ(read(f, u"FacturaFecha"), Variant(true));
  write(f, u"FacturaFecha", Variant(false));
  EXPECT_EQ(read(f, u"FacturaFecha"), Variant(false));
  EXPECT_EQ(world.take_log(), Log{});  // stored in the object only
  run(u"GenerarPrefactura");
  EXPECT_EQ(world.take_log(),
            Log{u"ServidorFacturacion#2.EmitirPrefactura(3&, 120&, DocumentoFactura#1)"});
  write(f, u"FacturaFecha", Variant(true));  // not connected any more
  EXPECT_EQ(read(f, u"FacturaFecha"), Variant(false));
  EXPECT_EQ(read(f, u"Folio"), Variant(int32_t{120}));
}

TEST_F(InvoicingFactura, LineReadsNeedALineAndNoCondition) {
  EXPECT_EQ(error_of([&] { read(f, u"Descripcion"); }), err::kObjectNotSet);
  connected();
  EXPECT_EQ(error_of([&] { read(f, u"Cantidad"); }), err::kObjectNotSet);
  run(u"AgregarRenglon");
  EXPECT_EQ(read(f, u"Cantidad"), Variant(int16_t{0}));  // the component's initial value
  write(f, u"Cantidad", Variant(int16_t{3}));
  write(f, u"Descripcion", Variant(u"Hospedaje"));
  run(u"GenerarFactura");
  EXPECT_EQ(read(f, u"Cantidad"), Variant(int16_t{3}));
  EXPECT_EQ(read(f, u"Descripcion"), Variant(u"Hospedaje"));
  // The line's Double reads back rounded half to even into 16 bits.
  auto line = world.object(u"RenglonFactura#1");
  const std::vector<std::pair<double, int32_t>> quantities{
      {2.5, 2}, {3.5, 4}, {-0.5, 0}, {32767.4, 32767}, {32767.5, -1}, {1e9, -1}};
  for (const auto& quantity : quantities) {
    double stored = quantity.first;
    int32_t expected = quantity.second;
    line->values[u"Cantidad"] = Variant(stored);
    if (expected < 0)
      EXPECT_EQ(error_of([&] { read(f, u"Cantidad"); }), err::kOverflow) << stored;
    else
      EXPECT_EQ(read(f, u"Cantidad"), Variant(static_cast<int16_t>(expected))) << stored;
  }
}

// ---- Lines into the document ----------------------------------------------------------------

TEST_F(InvoicingFactura, LinesEnterTheDocumentInOrderAsTheyStood) {
  connected();
  run(u"AgregarRenglon");
  write(f, u"ClaveProducto", Variant(u"90111800"));
  write(f, u"Cantidad", Variant(int16_t{2}));
  run(u"AgregarRenglon");
  write(f, u"ClaveProducto", Variant(u"90101501"));
  run(u"GenerarFactura");
  auto doc = world.object(u"DocumentoFactura#1");
  ASSERT_EQ(doc->rows.size(), 2u);
  EXPECT_EQ(doc->rows[0].at(u"ClaveProducto"), Variant(u"90111800"));
  EXPECT_EQ(doc->rows[0].at(u"Cantidad"), Variant(2.0));
  EXPECT_EQ(doc->rows[1].at(u"ClaveProducto"), Variant(u"90101501"));
  // The emission hands over the document with its zeroed totals.
  const FakeInvoicing::Call& emission = world.last_call(u"EmitirFactura");
  EXPECT_EQ(emission.contents.at(0).at(u"TotalISA"), Variant(0.0));
}

TEST_F(InvoicingFactura, APendingLineGoesIntoTheNextDocument) {
  connected();
  run(u"AgregarRenglon");
  run(u"NuevaFactura");
  write(f, u"RazonSocial", Variant(u"NUEVA"));
  run(u"GenerarFactura");
  EXPECT_TRUE(world.object(u"DocumentoFactura#1")->rows.empty());
  EXPECT_EQ(world.object(u"DocumentoFactura#2")->rows.size(), 1u);
  EXPECT_EQ(world.object(u"DocumentoFactura#2")->values.at(u"RazonSocial"), Variant(u"NUEVA"));
  // Totals are zeroed once per object: the new document keeps the component's own zeros.
  EXPECT_EQ(world.object(u"DocumentoFactura#2")->values.count(u"SubTotal"), 0u);
}

// The next document starts without a result to read, but the last one's fields still name it.
TEST_F(InvoicingFactura, NewInvoiceEmptiesTheResultListButKeepsTheReference) {
  connected();
  world.answer(u"EmitirFactura", Variant(u"1|1|15|UUID"));
  run(u"GenerarFactura");
  EXPECT_EQ(texts(f.ListaResultados).size(), 4u);
  run(u"NuevaFactura");
  EXPECT_TRUE(texts(f.ListaResultados).empty());
  world.take_log();
  run(u"ObtenerUUID");
  EXPECT_EQ(world.take_log(), Log{u"ServidorFacturacion#3.ObtenerUUIDComprobante(1%, 1%, \"15\")"});
}

// ---- Document references --------------------------------------------------------------------

struct ReferenceRow {
  const char* name;
  const char16_t* result;  // what the emission answered; null: no emission
  const char16_t* member;
  std::vector<Variant> args;
  int32_t error;
  std::u16string call;  // the operation as the component sees it
};

TEST_F(InvoicingFactura, DocumentReferencesComeFromTheLastResultOrTheArgument) {
  const std::u16string send = u"ServidorFacturacion#2.EnviarComprobante";
  const std::vector<ReferenceRow> rows{
      {"no emission yet", nullptr, u"EnviarFactura", {}, err::kSubscript, {}},
      {"the last result", u"1|2|15|UUID-1", u"EnviarFactura", {}, 0, send + u"(1%, 2%, \"15\")"},
      {"shown",
       u"1|2|15",
       u"VerFactura",
       {},
       0,
       u"ServidorFacturacion#2.MostrarComprobante(1%, 2%, \"15\")"},
      {"numbers round half to even",
       u"2.5| 3.5 | F |x",
       u"EnviarFactura",
       {},
       0,
       send + u"(2%, 4%, \" F \")"},
      {"two fields", u"1|2", u"EnviarFactura", {}, err::kSubscript, {}},
      {"one field that is a number", u"7", u"EnviarFactura", {}, err::kSubscript, {}},
      {"one field that is not", u"ABC", u"EnviarFactura", {}, err::kTypeMismatch, {}},
      {"out of 16 bits", u"40000|1|A", u"EnviarFactura", {}, err::kOverflow, {}},
      {"second field not a number", u"1|B|A", u"EnviarFactura", {}, err::kTypeMismatch, {}},
      {"cancel, argument omitted",
       u"1|2|15",
       u"CancelarFactura",
       {},
       0,
       u"ServidorFacturacion#2.CancelarComprobante(1%, 2%, \"15\")"},
      {"cancel, argument of spaces",
       u"1|2|15",
       u"CancelarFactura",
       {Variant(u"   ")},
       0,
       u"ServidorFacturacion#2.CancelarComprobante(1%, 2%, \"15\")"},
      {"cancel, argument of three fields",
       u"1|2|15",
       u"CancelarFactura",
       {Variant(u"9| 8|A-7 ")},
       0,
       u"ServidorFacturacion#2.CancelarComprobante(9%, 8%, \"A-7 \")"},
      {"cancel, argument without an emission",
       nullptr,
       u"CancelarFactura",
       {Variant(u"9|8|A")},
       0,
       u"ServidorFacturacion#2.CancelarComprobante(9%, 8%, \"A\")"},
      {"cancel, argument of two fields",
       u"1|2|15",
       u"CancelarFactura",
       {Variant(u"9|8")},
       err::kSubscript,
       {}},
      {"xml",
       u"1|2|15",
       u"ObtenerXML",
       {Variant(u"")},
       0,
       u"ServidorFacturacion#2.ObtenerXMLComprobante(1%, 2%, \"15\")"},
      {"uuid",
       u"1|2|15",
       u"ObtenerUUID",
       {Variant(u"3|4|5")},
       0,
       u"ServidorFacturacion#2.ObtenerUUIDComprobante(3%, 4%, \"5\")"},
  };
  for (const ReferenceRow& row : rows) {
    SCOPED_TRACE(row.name);
    FakeInvoicing scoped;
    Factura fresh;
    std::vector<Variant> conn{Variant(u""), Variant(u"u"), Variant(u"p")};
    invoke(fresh, u"TelvarConectar", CallKind::Method, conn);
    if (row.result) {
      scoped.answer(u"EmitirFactura", Variant(row.result));
      test::call(fresh, u"GenerarFactura");
      // Every field is listed, however many there are.
      std::u16string_view result = row.result;
      EXPECT_EQ(texts(fresh.ListaResultados).size(),
                static_cast<std::size_t>(std::count(result.begin(), result.end(), u'|') + 1));
    }
    scoped.answer(u"ObtenerXMLComprobante", Variant(u"<cfdi/>"));
    scoped.answer(u"ObtenerUUIDComprobante", Variant(u"UUID-9"));
    scoped.take_log();
    std::vector<Variant> args = row.args;
    Variant answer;
    EXPECT_EQ(error_of([&] { answer = invoke(fresh, row.member, CallKind::Method, args); }),
              row.error);
    Log expected;
    if (!row.call.empty()) expected.push_back(row.call);
    EXPECT_EQ(scoped.take_log(), expected);
    if (row.error == 0 && row.member == std::u16string(u"ObtenerXML")) {
      EXPECT_EQ(answer, Variant(u"<cfdi/>"));
    }
    if (row.error == 0 && row.member == std::u16string(u"ObtenerUUID")) {
      EXPECT_EQ(answer, Variant(u"UUID-9"));
    }
  }
}

// ---- The other server operations ------------------------------------------------------------

TEST_F(InvoicingFactura, ServerOperationsNeedAServerButNoConnection) {
  const std::vector<std::pair<const char16_t*, std::vector<Variant>>> before_connecting{
      {u"ObtenerIdGrupo", {Variant(int32_t{0}), Variant(u"a"), Variant(u"b")}},
      {u"GetCresfact06", {Variant(u"R-1"), Variant(int16_t{1})}},
      {u"Cons_DinElectronico", {}},
      {u"Din_electronico", {}},
      {u"CancelConsumoDE", {Variant(1.0), Variant(2.0)}},
  };
  for (const auto& entry : before_connecting) {
    std::vector<Variant> args = entry.second;
    const char16_t* member = entry.first;
    EXPECT_EQ(error_of([&] { invoke(f, member, CallKind::Method, args); }), err::kObjectNotSet)
        << utf16_to_utf8(test::shown(Variant(member)));
  }
  connected();
  run(u"AgregarRenglon");
  run(u"GenerarFactura");  // issued: the flag is clear, the server still answers
  world.take_log();
  world.answer(u"ObtenerGrupo", Variant(u"7|Congreso|2|3000|A15,A16"));
  std::vector<Variant> group{Variant(int32_t{0}), Variant(u"Congreso"), Variant(u"A15,A16")};
  EXPECT_EQ(invoke(f, u"ObtenerIdGrupo", CallKind::Method, group),
            Variant(u"7|Congreso|2|3000|A15,A16"));
  EXPECT_EQ(group[1], Variant(u"Congreso"));
  world.answer(u"ValidarDineroElectronico", Variant(int32_t{-1}));
  EXPECT_EQ(run(u"Din_electronico"), Variant(true));
  run(u"Cons_DinElectronico");
  world.answer(u"CancelarConsumoDineroElectronico", Variant(true));
  EXPECT_EQ(run(u"CancelConsumoDE", {Variant(2.5), Variant(10.25)}), Variant(true));
  run(u"GetCresfact06", {Variant(u"R-1001"), Variant(u"2")});
  EXPECT_EQ(error_of([&] {
              run(u"CancelConsumoDE", {Variant(3e9), Variant(1.0)});
            }),
            err::kOverflow);
  EXPECT_EQ(world.take_log(),
            (Log{u"ServidorFacturacion#2.ObtenerGrupo(0&, \"Congreso\", \"A15,A16\")",
                 u"ServidorFacturacion#2.ValidarDineroElectronico(DocumentoFactura#1)",
                 u"ServidorFacturacion#2.ConsultarDineroElectronico(DocumentoFactura#1)",
                 u"ServidorFacturacion#2.CancelarConsumoDineroElectronico(2&, 10.25#)",
                 u"ServidorFacturacion#2.LeerCresfact06(\"R-1001\", 2%)"}));
}

TEST_F(InvoicingFactura, Cfdi4IsAskedOfAFreshServer) {
  world.answer(u"ConsultarCFDIV4", Variant(true));
  run(u"IsCFDIV4");
  EXPECT_EQ(read(f, u"IsCfdi4"), Variant(true));
  EXPECT_EQ(world.take_log(),
            (Log{u"new ServidorFacturacion#1", u"ServidorFacturacion#1.ConsultarCFDIV4()"}));
  world.fail(u"ConsultarCFDIV4");
  EXPECT_EQ(error_of([&] { run(u"IsCFDIV4"); }), -2147220503);
  EXPECT_EQ(read(f, u"IsCfdi4"), Variant(false));
  // The host may write the flag itself.
  write(f, u"IsCfdi4", Variant(u"True"));
  EXPECT_EQ(read(f, u"IsCfdi4"), Variant(true));
}

TEST_F(InvoicingFactura, ComponentErrorsReachTheHostWithTheFlagsAsTheyStood) {
  connected();
  run(u"AgregarRenglon");
  world.fail(u"EmitirFactura", -2147220503, u"RFC: no es un RFC");
  EXPECT_EQ(error_of([&] { run(u"GenerarFactura"); }), -2147220503);
  EXPECT_EQ(flags(), (Flags{true, true, false, true}));
  world.fail(u"RenglonFactura.Descripcion");
  run(u"AgregarRenglon");
  EXPECT_EQ(error_of([&] { write(f, u"Descripcion", Variant(u"x")); }), -2147220503);
  EXPECT_TRUE(ui_.ui().boxes.empty());
}

}  // namespace
}  // namespace halvora
