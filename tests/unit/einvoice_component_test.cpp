// The e-invoicing component as the library drives it: its records by name, connecting, the lists,
// documents by reference, pre-invoices, cancelling, showing, signatures and reports, groups,
// the wallet, and a server that is not there or refuses what it is sent.
#include <gtest/gtest.h>

#include <httplib.h>
#include <filesystem>
#include <nlohmann/json.hpp>

#include "automation/text.h"
#include "einvoice/errors.h"
#include "platform/components.h"
#include "support/calls.h"
#include "support/einvoice_documents.h"
#include "support/einvoice_env.h"
#include "support/http_server.h"
#include "support/test_env.h"

namespace halvora::test {
namespace {

using einvoice::ServidorFacturacion;
namespace err = einvoice::err;

std::vector<std::string> member_names(const Object& o) {
  std::vector<std::string> out;
  for (const Member& m : o.members().members()) out.push_back(utf16_to_utf8(m.name));
  return out;
}

TEST(EinvoiceRecords, ClassesComeFromThePlatformWithTheirMembersInOrder) {
  struct Row {
    const char16_t* name;
    std::size_t members;
    const char* first;
    const char* last;
  };
  const Row rows[] = {
      {u"ServidorFacturacion", 24, "EmitirPrefactura", "LeerCresfact06"},
      {u"DocumentoFactura", 38, "AnexarRenglon", "RegimenFiscalReceptor"},
      {u"RenglonFactura", 17, "ClaveProducto", "DetalleObservacion5"},
      {u"MensajeCorreo", 5, "Nombre", "De"},
      {u"EstadoCuenta", 27, "AddDetalle", "IATA"},
      {u"MovimientoEdoCta", 6, "FhaMovimiento", "Referencia"},
      {u"RegistroHuesped", 201, "NumeroReserva", "NORESMDA"},
  };
  for (const Row& r : rows) {
    ObjectRef o = platform::create_component(r.name);
    ASSERT_TRUE(o);
    EXPECT_EQ(o->type_name(), r.name);
    std::vector<std::string> names = member_names(*o);
    EXPECT_EQ(names.size(), r.members) << utf16_to_utf8(r.name);
    EXPECT_EQ(names.front(), r.first);
    EXPECT_EQ(names.back(), r.last);
  }
}

TEST(EinvoiceRecords, PropertiesKeepTheirTypesAndRefuseWhatDoesNotConvert) {
  auto reg = std::make_shared<einvoice::RegistroHuesped>();
  // Initial values by type, and the platform's conversions on writing.
  EXPECT_EQ(invoke(*reg, u"numresda", CallKind::Get), Variant(0.0));
  EXPECT_EQ(invoke(*reg, u"Adultos", CallKind::Get), Variant(int16_t{0}));
  EXPECT_EQ(invoke(*reg, u"FechaEntrada", CallKind::Get), Variant(Date{0}));
  EXPECT_EQ(invoke(*reg, u"NOMBREDA", CallKind::Get), Variant(u""));
  let(*reg, u"Adultos", u"3");
  EXPECT_EQ(invoke(*reg, u"adultos", CallKind::Get), Variant(int16_t{3}));
  EXPECT_EQ(error_of([&] { let(*reg, u"Adultos", 40000.0); }), 6);
  EXPECT_EQ(error_of([&] { let(*reg, u"Tarifa", u"mucho"); }), 13);
  EXPECT_EQ(error_of([&] { let(*reg, u"NoSuchMember", u"x"); }), 438);
  // A line is copied into the document: writing the line afterwards leaves the document as it was.
  auto doc = std::make_shared<einvoice::DocumentoFactura>();
  auto line = invoice_line(u"Hospedaje", 1, 100);
  std::vector<Variant> args{Variant(line)};
  invoke(*doc, u"AnexarRenglon", CallKind::Method, args);
  let(*line, u"Descripcion", u"otra cosa");
  EXPECT_EQ(doc->lines().at(0).at(2), Variant(u"Hospedaje"));
  args = {Variant(std::make_shared<einvoice::MensajeCorreo>())};
  EXPECT_EQ(error_of([&] { invoke(*doc, u"AnexarRenglon", CallKind::Method, args); }), 13);
  // A movement passed twice is kept twice, and the caller keeps its reference.
  auto statement = std::make_shared<einvoice::EstadoCuenta>();
  auto movement = std::make_shared<einvoice::MovimientoEdoCta>();
  Variant held(movement);
  std::vector<Variant> by_ref{held};
  invoke(*statement, u"AddDetalle", CallKind::Method, by_ref);
  invoke(*statement, u"AddDetalle", CallKind::Method, by_ref);
  EXPECT_EQ(statement->movements().size(), 2u);
  EXPECT_EQ(by_ref[0].object(), held.object());
}

class EinvoiceComponent : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { server_ = new EinvoiceServer(); }
  static void TearDownTestSuite() { delete server_; }
  void SetUp() override { ASSERT_EQ(einvoice::kConnected, connect()); }
  int32_t connect(const std::string& password = kPassword, const std::string& user = kUser) {
    return server.Conectar(utf8_to_utf16(server_->url()), utf8_to_utf16(user),
                           utf8_to_utf16(password));
  }
  static EinvoiceServer* server_;
  ServidorFacturacion server;
};
EinvoiceServer* EinvoiceComponent::server_ = nullptr;

TEST_F(EinvoiceComponent, ConnectingAnswersOneTwoOrThreeAndTheSessionOutlivesTheObject) {
  EXPECT_EQ(connect("nope"), einvoice::kWrongCredentials);
  EXPECT_EQ(connect(kPassword, "nadie"), einvoice::kWrongCredentials);
  EXPECT_EQ(server.Conectar(u"http://127.0.0.1:" + utf8_to_utf16(std::to_string(refused_port())),
                            u"cajero", u"secreto"),
            einvoice::kNoServer);
  EXPECT_EQ(server.Conectar(u"C:\\facturas", u"cajero", u"secreto"), einvoice::kNoServer);
  {
    ScopedEnv url("HALVORA_EINVOICE_URL", server_->url().c_str());
    EXPECT_EQ(server.Conectar(u"  ", u"cajero", u"secreto"), einvoice::kConnected);
  }
  // A new object, never connected, works under the process's session.
  ServidorFacturacion fresh;
  EXPECT_EQ(fresh.ListarSucursales(), u"1 Matriz");
  EXPECT_EQ(fresh.ListarFolioSeries(), u"1 A Facturas sucursal 1|2 PRE Prefacturas sucursal 1");
  EXPECT_EQ(fields(fresh.ListarPeriodicidadesSAT()).size(), 5u);
  EXPECT_EQ(fields(fresh.ListarPeriodicidadesSAT())[3], u"04 Mensual");
  EXPECT_TRUE(fresh.ConsultarCFDIV4());
}

TEST_F(EinvoiceComponent, ThreeWrongPasswordsLockTheUserUntilItsPasswordIsSetAgain) {
  run_program({program("halvora-einvoice"), "user", server_->folder(), "recepcion"}, "clave\n");
  for (int i = 0; i < 3; ++i) EXPECT_EQ(connect("mala", "recepcion"), einvoice::kWrongCredentials);
  EXPECT_EQ(error_of([&] { connect("clave", "recepcion"); }), err::kLocked);
  run_program({program("halvora-einvoice"), "user", server_->folder(), "recepcion"}, "clave\n");
  EXPECT_EQ(connect("clave", "recepcion"), einvoice::kConnected);
}

TEST_F(EinvoiceComponent, DocumentsAreFoundByTheirReferenceAndCancelledOnce) {
  std::vector<std::u16string> r = fields(server.EmitirFactura(1, 0, sample_invoice()));
  int16_t branch = 1, series = 1;
  EXPECT_EQ(server.ObtenerUUIDComprobante(branch, series, r[2]), r[3]);
  EXPECT_NE(server.ObtenerXMLComprobante(branch, series, r[2]).find(u"cfdi:Comprobante"),
            std::u16string::npos);
  EXPECT_EQ(server.LeerCresfact06(u"R-1001", 0).substr(0, 4), u"1|1|");
  EXPECT_EQ(server.LeerCresfact06(u"no such", 0), u"");
  EXPECT_TRUE(server.CancelarComprobante(branch, series, r[2]));
  EXPECT_EQ(error_of([&] { server.CancelarComprobante(branch, series, r[2]); }), err::kConflict);
  EXPECT_EQ(fields(server.LeerCresfact06(u"R-1001", 1))[5], u"Cancelado");
  EXPECT_NE(pdf_text(server_->file("documents/A-" + utf16_to_utf8(r[2]) + ".pdf"))
                .find("Comprobante cancelado el"),
            std::string::npos);
  EXPECT_NE(read_file(server_->file("documents/A-" + utf16_to_utf8(r[2]) + "-acuse.xml"))
                .find("Motivo=\"02\""),
            std::string::npos);
  // References that name nothing: unknown folio, a folio with a leading zero, text.
  for (const char16_t* folio : {u"99999", u"01", u"uno", u""})
    EXPECT_EQ(error_of([&] { server.ObtenerUUIDComprobante(branch, series, folio); }),
              err::kNotFound);
}

TEST_F(EinvoiceComponent, APreInvoiceIsPrintedWithoutFiscalValueAndCannotBeCancelled) {
  std::vector<std::u16string> r = fields(server.EmitirPrefactura(1, 500, sample_invoice()));
  EXPECT_EQ(r[1], u"2");
  EXPECT_EQ(r[3], u"");
  EXPECT_EQ(r[5], u"Prefactura");
  EXPECT_EQ(server.ObtenerXMLComprobante(1, 2, r[2]), u"");
  EXPECT_EQ(error_of([&] { server.CancelarComprobante(1, 2, r[2]); }), err::kConflict);
  std::string text = pdf_text(server_->file("documents/PRE-" + utf16_to_utf8(r[2]) + ".pdf"));
  EXPECT_NE(text.find("PREFACTURA — DOCUMENTO SIN VALOR FISCAL"), std::string::npos) << text;
  EXPECT_EQ(text.find("Folio fiscal"), std::string::npos);
}

TEST_F(EinvoiceComponent, ShownDocumentsAreNamedInTheUnattendedLog) {
  std::string log = temp_folder("halvora-ui") + "/ui.log";
  ScopedEnv mode("HALVORA_UI", "script");
  ScopedEnv path("HALVORA_UI_LOG", log.c_str());
  auto previous = platform::set_ui(nullptr);
  std::vector<std::u16string> r = fields(server.EmitirFactura(1, 0, sample_invoice()));
  std::u16string shown = server.MostrarComprobante(1, 1, r[2]);
  platform::set_ui(std::move(previous));
  nlohmann::json line = nlohmann::json::parse(read_file(log));
  EXPECT_EQ(line["box"], "document");
  EXPECT_EQ(line["path"], utf16_to_utf8(shown));
  EXPECT_NE(pdf_text(utf16_to_utf8(shown)).find(utf16_to_utf8(r[3])), std::string::npos);
}

TEST_F(EinvoiceComponent, SignaturesAreCapturedAtTheDeskAndPrintedOnTheNextReport) {
  UiScope scope;
  auto reg = std::make_shared<einvoice::RegistroHuesped>();
  let(*reg, u"NumeroHuesped", u"1001");
  let(*reg, u"Nombre", u"José");
  let(*reg, u"ApellidoPaterno", u"Peña");
  let(*reg, u"FechaEntrada", Date{45474});  // 2024-07-01
  let(*reg, u"CVEESTDA16", u"VIP <oro> \"A|B\"");
  EXPECT_GT(server.GuardarRegistro(reg), 0);
  scope.ui().answers = {std::u16string(u"José Peña Ñúñez"), std::nullopt};
  EXPECT_TRUE(server.CapturarFirmaRegistro(u"1001"));
  EXPECT_FALSE(server.CapturarFirmaRegistro(u"1001"));  // cancelled: nothing kept
  std::string text = pdf_text(utf16_to_utf8(server.ReporteRegistro(u"1001")));
  for (const char* expected : {"José Peña Ñúñez", "Firma del huésped, capturada el", "2024-07-01",
                               "CVEESTDA16: VIP <oro> \"A|B\"", "Peña"})
    EXPECT_NE(text.find(expected), std::string::npos) << expected << "\n" << text;
  EXPECT_EQ(scope.ui().boxes.front().title, einvoice::kSignatureTitle);

  auto statement = std::make_shared<einvoice::EstadoCuenta>();
  let(*statement, u"NoControl", u"1001");
  let(*statement, u"FolioCuenta", int16_t{7});
  let(*statement, u"NombreHuesped", u"José Peña");
  for (auto [what, charge, credit] :
       {std::tuple{u"Hospedaje", 1000.0, 0.0}, {u"Pago", 0.0, 400.0}}) {
    auto m = std::make_shared<einvoice::MovimientoEdoCta>();
    let(*m, u"DescripcionMvto", what);
    let(*m, u"CargoMonto", charge);
    let(*m, u"CreditoMonto", credit);
    std::shared_ptr<einvoice::MovimientoEdoCta> ref = m;
    statement->AddDetalle(ref);
  }
  EXPECT_GT(server.GuardarEstadoCuenta(statement), 0);
  scope.ui().answers = {std::u16string(u"J. Peña")};
  EXPECT_TRUE(server.CapturarFirmaEstadoCuenta(u"1001"));
  text = pdf_text(utf16_to_utf8(server.ReporteEstadoCuenta(u"1001", 7)));
  for (const char* expected : {"ESTADO DE CUENTA", "Hospedaje", "$ 600.00", "J. Peña"})
    EXPECT_NE(text.find(expected), std::string::npos) << expected << "\n" << text;
  EXPECT_EQ(error_of([&] { server.ReporteEstadoCuenta(u"1001", 8); }), err::kNotFound);
  EXPECT_EQ(error_of([&] { server.ReporteRegistro(u"   "); }), err::kRefused);
}

TEST_F(EinvoiceComponent, GroupsCollectInvoicesBySerieAndFolioOrUuid) {
  std::vector<std::u16string> a = fields(server.EmitirFactura(1, 0, sample_invoice()));
  std::vector<std::u16string> b = fields(server.EmitirFactura(1, 0, sample_invoice()));
  std::u16string list = u"A" + a[2] + u", " + b[3];
  std::vector<std::u16string> g = fields(server.ObtenerGrupo(0, u"Congreso Médico", list));
  EXPECT_EQ(g[1], u"Congreso Médico");
  EXPECT_EQ(g[2], u"2");
  EXPECT_EQ(g[3], u"5804.00");
  EXPECT_EQ(fields(server.ObtenerGrupo(std::stoi(utf16_to_utf8(g[0])), u"", u""))[4], list);
  EXPECT_EQ(error_of([&] { server.ObtenerGrupo(0, u"x", u"Z999"); }), err::kNotFound);
  EXPECT_EQ(error_of([&] { server.ObtenerGrupo(424242, u"", u""); }), err::kNotFound);
}

TEST_F(EinvoiceComponent, WalletPaymentsAreChargedAndGivenBack) {
  WalletSimulator wallet;
  server_->config("wallet_url", wallet.url());
  auto doc = sample_invoice();
  let(*doc, u"MetodoPago", u"MONEDERO ELECTRÓNICO");
  let(*doc, u"NumCtaPago", u"5001");
  EXPECT_FALSE(server.ValidarDineroElectronico(doc));  // 1000.00 does not cover 2902.00
  EXPECT_EQ(server.ConsultarDineroElectronico(doc), u"5001|1000.00|2902.00|0");
  // An invoice of 100 + IVA paid from card 5001.
  auto small = std::make_shared<einvoice::DocumentoFactura>();
  for (const char16_t* name :
       {u"RFC", u"RazonSocial", u"DomicilioFiscalCodigoPostal", u"RegimenFiscalReceptor"})
    let(*small, name, invoke(*doc, name, CallKind::Get));
  let(*small, u"MetodoPago", u"05");
  let(*small, u"NumCtaPago", u"5001");
  small->AnexarRenglon(invoice_line(u"Desayuno", 1, 100, u"90101501"));
  let(*small, u"SubTotal", 100.0);
  let(*small, u"TotalIva", 16.0);
  let(*small, u"TotalImporte", 116.0);
  EXPECT_TRUE(server.ValidarDineroElectronico(small));
  let(*small, u"MetodoPago", u"EFECTIVO");
  EXPECT_FALSE(server.ValidarDineroElectronico(small));  // not paid from the wallet
  let(*small, u"MetodoPago", u"05");
  std::vector<std::u16string> r = fields(server.EmitirFactura(1, 0, small));
  EXPECT_EQ(fields(server.ConsultarDineroElectronico(small))[1], u"884.00");
  int32_t number = std::stoi(utf16_to_utf8(r[8]));
  EXPECT_TRUE(server.CancelarConsumoDineroElectronico(number, 16));
  EXPECT_EQ(fields(server.ConsultarDineroElectronico(small))[1], u"900.00");
  EXPECT_EQ(error_of([&] { server.CancelarConsumoDineroElectronico(number, 100.01); }),
            err::kConflict);
  EXPECT_EQ(error_of([&] { server.CancelarConsumoDineroElectronico(number, -1); }), err::kRefused);
  // Card 5003 holds nothing: the charge is refused and no invoice is kept.
  let(*small, u"NumCtaPago", u"5003");
  std::string before = server_->tool({"list"});
  EXPECT_EQ(error_of([&] { server.EmitirFactura(1, 0, small); }), err::kRefused);
  EXPECT_EQ(server_->tool({"list"}), before);
  server_->config("wallet_url", "");
}

TEST_F(EinvoiceComponent, RequestsTheServerCannotReadAreRefusedWithoutASessionToo) {
  httplib::Client client(server_->url());
  auto post = [&](const std::string& path, const std::string& body, const std::string& token) {
    httplib::Headers headers;
    if (!token.empty()) headers.emplace("Authorization", "Bearer " + token);
    return client.Post(path.c_str(), headers, body, "application/json");
  };
  auto login = post("/api/session", R"({"user":"cajero","password":"secreto"})", "");
  ASSERT_TRUE(login);
  std::string token = nlohmann::json::parse(login->body)["token"];
  struct Case {
    const char* path;
    const char* body;
    bool with_token;
    int status;
  };
  const Case cases[] = {
      {"/api/lists/branches", "{}", false, 401},
      {"/api/invoices", "{}", false, 401},
      {"/api/invoices", "not json", true, 400},
      {"/api/invoices", "[1,2]", true, 400},
      {"/api/invoices", R"({"branch":1,"folio":0})", true, 400},
      {"/api/invoices", R"({"branch":1.5,"folio":0,"document":{}})", true, 400},
      {"/api/invoices", R"({"branch":1,"folio":0,"document":{"fields":{},"lines":[]}})", true, 400},
      {"/api/documents/xml", R"({"ref":[1,1]})", true, 400},
      {"/api/documents/xml", R"({"ref":[1,40000,"1"]})", true, 400},
      {"/api/session", R"({"user":"cajero"})", false, 400},
      {"/api/signatures", R"({"kind":"otro","guest":"1","name":"x"})", true, 400},
  };
  for (const Case& c : cases) {
    auto res = post(c.path, c.body, c.with_token ? token : "");
    ASSERT_TRUE(res) << c.path;
    EXPECT_EQ(res->status, c.status) << c.path << " " << c.body;
    EXPECT_TRUE(nlohmann::json::parse(res->body).contains("error")) << res->body;
  }
}

TEST_F(EinvoiceComponent, AServerThatIsGoneIsAClearErrorAndReconnectingResumes) {
  server_->kill(SIGKILL);
  EXPECT_EQ(error_of([&] { server.ListarSucursales(); }), err::kUnreachable);
  EXPECT_EQ(connect(), einvoice::kNoServer);
  server_->start();
  // Sessions are kept by the server: the workstation carries on without connecting again.
  EXPECT_EQ(server.ListarSucursales(), u"1 Matriz");
}

// A peer that is not an e-invoicing server, or one that breaks off: every reply that is not the
// server's own is a clear error of the component, never a crash or a wrong answer.
TEST_F(EinvoiceComponent, RepliesThatAreNotTheServersAreClearErrors) {
  HttpServer peer;
  peer.respond({.status = 200, .content_type = "text/html", .body = "<html>hola</html>"});
  EXPECT_EQ(server.Conectar(utf8_to_utf16(peer.url("")), u"cajero", u"secreto"),
            einvoice::kNoServer);
  peer.respond({.status = 200, .content_type = "application/json", .body = R"({"token":""})"});
  EXPECT_EQ(server.Conectar(utf8_to_utf16(peer.url("")), u"cajero", u"secreto"),
            einvoice::kNoServer);
  // A failed Conectar leaves the session as it was.
  EXPECT_EQ(server.ListarSucursales(), u"1 Matriz");

  peer.respond({.status = 200, .content_type = "application/json", .body = R"({"token":"t"})"});
  ASSERT_EQ(server.Conectar(utf8_to_utf16(peer.url("")), u"cajero", u"secreto"),
            einvoice::kConnected);
  EXPECT_EQ(peer.last_request().target, "/api/session");
  struct Case {
    const char* what;
    CannedResponse reply;
    int32_t number;
  };
  const Case cases[] = {
      {"closed before answering", {.close_without_answer = true}, err::kUnreachable},
      {"stopped in the middle of the body",
       {.content_type = "application/json",
        .body = R"({"text":"1 Matriz"})",
        .truncate_body_at = 5},
       err::kUnreachable},
      {"not JSON", {.content_type = "text/plain", .body = "1 Matriz"}, err::kServerFailed},
      {"JSON of another shape",
       {.content_type = "application/json", .body = R"({"text":5})"},
       err::kServerFailed},
      {"trailing bytes",
       {.content_type = "application/json", .body = R"({"text":"a"} x)"},
       err::kServerFailed},
      {"a failure without words", {.status = 500, .body = ""}, err::kServerFailed},
      {"a status of no meaning here", {.status = 418, .body = "{}"}, err::kServerFailed},
      {"the session refused",
       {.status = 401, .body = R"({"error":"caducada"})"},
       err::kNotConnected},
  };
  for (const Case& c : cases) {
    peer.respond(c.reply);
    EXPECT_EQ(error_of([&] { server.ListarSucursales(); }), c.number) << c.what;
  }
  EXPECT_EQ(peer.last_request().header("Authorization"), "Bearer t");
  ASSERT_EQ(einvoice::kConnected, connect());
}

}  // namespace
}  // namespace halvora::test
