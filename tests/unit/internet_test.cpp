// Room internet provisioning against a loopback gateway. Time passes through a test clock: every
// wait for a tick gets one at once, so six connection waits take no six seconds, while socket
// events still come from the real pump.
#include "internet/internet.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>

#include "automation/code_page.h"
#include "automation/conversions.h"
#include "automation/error.h"
#include "automation/text.h"
#include "library/registry.h"
#include "support/line_server.h"
#include "support/test_env.h"

namespace halvora {
namespace {

using test::LineAction;
using test::LineServer;
using test::UiScope;

constexpr char16_t kTitle[] = u"Conexión a Internet";
constexpr char kOpened[] = "OK-ABD, OK-ART, OK-PRT, OK-UBD, OK-TICKET";
const Date kNow{46085.5};  // a fixed moment for every log line

class TestClock : public FormClock {
 public:
  // The real pump, long enough for a loopback event to arrive; a wait for a tick gets it now.
  void pump(int max_wait_ms) override {
    platform::pump(100);
    if (max_wait_ms >= 1000 && tick_) tick_();
  }
  // Natively every event the pump runs is the form's own; it waits here too, so that reading the
  // log in a loop gives a loopback reply time to arrive.
  void run_own_events() override { platform::pump(100); }
  std::unique_ptr<platform::Timer> start_ticks(std::function<void()> on_tick) override {
    tick_ = std::move(on_tick);
    return nullptr;
  }
  Date now() override { return kNow; }

  std::function<void()> tick_;
};

// The messages of the log, without their stamps.
std::vector<std::u16string> messages(std::u16string_view log) {
  std::u16string stamp = date_to_text(kNow, regional()) + u" ";
  std::vector<std::u16string> out;
  std::size_t at = 0;
  while (at < log.size()) {
    EXPECT_EQ(log.substr(at, stamp.size()), stamp);
    // A command logs with its own CR LF: the line ends at the CR LF that ends the log write.
    std::size_t start = at + stamp.size();
    std::size_t end = log.find(u"\r\n", start);
    while (end != std::u16string::npos && end + 2 < log.size() &&
           log.substr(end + 2, stamp.size()) != stamp)
      end = log.find(u"\r\n", end + 2);
    if (end == std::u16string::npos) end = log.size();
    out.emplace_back(log.substr(start, end - start));
    at = end + 2;
  }
  return out;
}

std::u16string port_text(int port) {
  return utf8_to_utf16(std::to_string(port));
}

struct Fixture {
  explicit Fixture(std::function<LineAction(const std::string&)> handler =
                       [](const std::string&) { return LineAction{{kOpened}}; })
      : server(std::move(handler)), net(std::make_unique<TestClock>()) {
    net.let_Host(u"127.0.0.1");
    net.let_Port(port_text(server.port()));
  }
  void order(int32_t command, std::u16string room, std::u16string profile = u"P1",
             std::u16string time = u"24") {
    net.let_comando(command);
    net.let_Habitacion(room);
    net.let_Perfil(profile);
    net.let_Tiempo(time);
  }
  // The log once the gateway's answer (or its close) has been handled.
  std::u16string log_after_reply(std::u16string_view marker = u"Recibiendo datos: ") {
    for (int i = 0; i < 50; ++i) {
      std::u16string log = net.DatosInternet();
      if (log.find(marker) != std::u16string::npos) return log;
    }
    return net.DatosInternet();
  }

  UiScope ui;
  LineServer server;
  Internet net;
};

std::size_t count(const std::vector<std::u16string>& lines, std::u16string_view what) {
  return std::count(lines.begin(), lines.end(), what);
}

TEST(Internet, CommandsGoOutAsBytesOfTheCodePage) {
  struct Case {
    int32_t command;
    std::u16string room, profile, time;
    std::string bytes;
  } cases[] = {
      {0, u"305", u"P1", u"24", "=alta=,305,P1,24\r\n"},
      {1, u"305", u"P1", u"24", "=elimina=,305\r\n"},
      {2, u"305", u"P1", u"24", "=consulta=,305\r\n"},
      {2, u"0305", u"", u"", "=consulta=,0305\r\n"},  // the text as typed, not the number
      {0, u"12", u"Niño €", u"1 día",
       "=alta=,12,Ni\xF1o \x80,1 d\xED"
       "a\r\n"},
      {0, u"12", u"Ωmega", u"\U0001F600", "=alta=,12,?mega,?\r\n"},
  };
  for (const Case& c : cases) {
    Fixture f;
    f.order(c.command, c.room, c.profile, c.time);
    f.net.CargarInternet();
    f.log_after_reply();
    EXPECT_EQ(f.server.received(), c.bytes) << c.bytes;
  }
}

TEST(Internet, EachReplyShowsItsBox) {
  struct Case {
    std::string reply;
    std::optional<std::u16string> box;
  } cases[] = {
      {kOpened, u"Se cargo a la habitación 305 el internet de P1 - 24"},
      {"++++", u"Se cancelo el internet de la habitación 305"},
      {"Usuario No Existe!", u"La habitación 305 no tiene internet."},
      {"error", u"Ocurrió un error al intentar aplicar el internet en la habitación 305"},
      {std::string(kOpened) + "\r\n", std::nullopt},  // compared whole, line end included
      {"Error", std::nullopt},
      {"305,P1,24", std::nullopt},  // a query's answer is only logged
  };
  for (const Case& c : cases) {
    Fixture f([&](const std::string&) { return LineAction{{c.reply}}; });
    f.order(0, u"305");
    f.net.CargarInternet();
    std::vector<std::u16string> lines = messages(f.log_after_reply());
    EXPECT_EQ(lines.back(), u"Recibiendo datos: " + utf8_to_utf16(c.reply)) << c.reply;
    ASSERT_EQ(f.ui.ui().boxes.size(), c.box ? 1u : 0u) << c.reply;
    if (c.box) {
      EXPECT_EQ(f.ui.ui().boxes[0].text, *c.box);
      EXPECT_EQ(f.ui.ui().boxes[0].title, kTitle);
      EXPECT_EQ(f.ui.ui().boxes[0].style, 64);
    }
  }
}

TEST(Internet, ConnectSendAndReplyLogInOrder) {
  Fixture f;
  f.order(0, u"305");
  std::vector<std::u16string> sent = messages(f.net.CargarInternet());
  EXPECT_EQ(sent, (std::vector<std::u16string>{
                      u"ENVIO DE INFORMACION..",
                      u"Winsock1_Connect",
                      u"INTENTANDO CONEXION..",
                      u"CONECTADO..",
                      u"cadena..Alta",
                      u"cadena1..",
                      u"=alta=,305,P1,24\r\n",
                      u"INT_SEND",
                      u"Send: =alta=,305,P1,24\r\n",
                  }));
  std::vector<std::u16string> all = messages(f.log_after_reply());
  EXPECT_EQ(std::vector<std::u16string>(all.begin() + sent.size(), all.end()),
            (std::vector<std::u16string>{u"Winsock1_DataArrival",
                                         u"Recibiendo datos: " + utf8_to_utf16(kOpened)}));

  // The connection is kept: the next command goes out on it.
  f.order(2, u"305");
  std::vector<std::u16string> again = messages(f.net.CargarInternet());
  EXPECT_EQ(count(again, u"Winsock1_Connect"), 1u);
  EXPECT_EQ(f.server.connections(), 1);
}

TEST(Internet, RefusedConnectionWaitsSixTicksEveryTime) {
  Fixture f;
  f.net.let_Port(port_text(LineServer::refused_port()));
  f.order(0, u"305");
  for (int round = 0; round < 2; ++round) {
    f.ui.ui().boxes.clear();
    std::size_t before = messages(f.net.DatosInternet()).size();
    std::vector<std::u16string> all = messages(f.net.CargarInternet());
    std::vector<std::u16string> lines(all.begin() + before, all.end());
    EXPECT_EQ(count(lines, u"tiempo de espera ini.."), 6u) << "round " << round;
    EXPECT_EQ(count(lines, u"INTENTANDO CONEXION2..5"), 1u);
    EXPECT_EQ(count(lines, u"Winsock1_Error"), 1u);
    EXPECT_EQ(lines.back(), u"Problemas al conectarse..");
    auto error = std::find(lines.begin(), lines.end(), u"Winsock1_Error");
    auto first_wait_end = std::find(lines.begin(), lines.end(), u"tiempo de espera fin..");
    EXPECT_LT(error, first_wait_end);
    ASSERT_EQ(f.ui.ui().boxes.size(), 2u);
    EXPECT_EQ(f.ui.ui().boxes[0].text, u"Error al Conectarse");
    EXPECT_EQ(f.ui.ui().boxes[1].text, u"Problemas al conectarse al servidor de internet");
  }
  EXPECT_EQ(f.server.received(), "");
}

TEST(Internet, ClosedConnectionIsNoticedAndTheNextCommandReconnects) {
  Fixture f([](const std::string&) { return LineAction{{kOpened}, true}; });
  f.order(0, u"305");
  f.net.CargarInternet();
  std::vector<std::u16string> first = messages(f.log_after_reply(u"Winsock1_Close"));
  EXPECT_EQ(count(first, u"Winsock1_Close"), 1u);
  f.order(1, u"305");
  std::vector<std::u16string> all = messages(f.net.CargarInternet());
  EXPECT_EQ(count(all, u"Winsock1_Connect"), 2u);
  EXPECT_EQ(count(all, u"Error en INT_SEND"), 0u);
  for (int i = 0; i < 50 && count(messages(f.net.DatosInternet()), u"Winsock1_Close") < 2; ++i) {
  }
  EXPECT_EQ(f.server.received(), "=alta=,305,P1,24\r\n=elimina=,305\r\n");
  EXPECT_EQ(f.server.connections(), 2);
}

TEST(Internet, ReplySplitAcrossReadsStillShowsItsBox) {
  Fixture f([](const std::string&) {
    return LineAction{{"OK-ABD, OK-A", "RT, OK-PRT, OK-UBD, OK-TICKET"}};
  });
  f.order(0, u"305");
  f.net.CargarInternet();
  f.log_after_reply(u"OK-TICKET");
  ASSERT_EQ(f.ui.ui().boxes.size(), 1u);
  EXPECT_EQ(f.ui.ui().boxes[0].text, u"Se cargo a la habitación 305 el internet de P1 - 24");
}

// What the gateway said so far, the pieces of every "Recibiendo datos: " line in order.
std::u16string received_text(std::u16string_view log) {
  constexpr std::u16string_view kReceived = u"Recibiendo datos: ";
  std::u16string out;
  for (const std::u16string& line : messages(log))
    if (line.starts_with(kReceived)) out += line.substr(kReceived.size());
  return out;
}

TEST(Internet, PiecesOfAReplyAreJoinedWithinOneCommandOnly) {
  struct Case {
    int32_t command;
    std::vector<std::string> first, second;  // the writes answering room 401, then room 402
    std::vector<std::u16string> boxes;
  } cases[] = {
      // The beginning of a removal twice is no removal of 402.
      {1, {"++"}, {"++"}, {}},
      {0, {"OK-ABD, OK-ART"}, {", OK-PRT, OK-UBD, OK-TICKET"}, {}},
      // A piece kept from 401 leaves 402's own split reply whole.
      {1, {"++"}, {"++", "++"}, {u"Se cancelo el internet de la habitación 402"}},
      {0,
       {"OK-ABD"},
       {"OK-ABD, OK-A", "RT, OK-PRT, OK-UBD, OK-TICKET"},
       {u"Se cargo a la habitación 402 el internet de P1 - 24"}},
  };
  for (const Case& c : cases) {
    Fixture f([&](const std::string& line) {
      return LineAction{line.find(",401") != std::string::npos ? c.first : c.second};
    });
    std::u16string said;
    for (const std::u16string room : {u"401", u"402"}) {
      f.order(c.command, room);
      f.net.CargarInternet();
      for (const std::string& w : room == u"401" ? c.first : c.second) said += utf8_to_utf16(w);
      for (int i = 0; i < 50 && received_text(f.net.DatosInternet()) != said; ++i) {
      }
    }
    ASSERT_EQ(received_text(f.net.DatosInternet()), said);
    std::vector<std::u16string> shown;
    for (const auto& box : f.ui.ui().boxes) shown.push_back(box.text);
    EXPECT_EQ(shown, c.boxes) << utf16_to_utf8(said);
  }
}

TEST(Internet, RepliesAreDecodedFromTheCodePage) {
  Fixture f([](const std::string&) { return LineAction{{"Habitaci\xF3n \x80\x81"}}; });
  f.order(2, u"305");
  f.net.CargarInternet();
  EXPECT_EQ(messages(f.log_after_reply()).back(), u"Recibiendo datos: Habitación €\u0081");
}

TEST(Internet, SilentGatewayLeavesTheWaitBoxAlone) {
  Fixture f([](const std::string&) { return LineAction{}; });
  f.order(0, u"777");
  f.net.EsperarRespuesta = true;
  std::vector<std::u16string> lines = messages(f.net.CargarInternet());
  EXPECT_EQ(lines.back(), u"Send: =alta=,777,P1,24\r\n");
  ASSERT_EQ(f.ui.ui().boxes.size(), 1u);
  EXPECT_EQ(f.ui.ui().boxes[0].text, u"Por favor espere la respuesta del sistema");
}

TEST(Internet, UnknownCommandSendsNothing) {
  Fixture f;
  f.order(7, u"305");  // the form keeps its empty command
  std::vector<std::u16string> lines = messages(f.net.CargarInternet());
  EXPECT_EQ(f.net.get_comando(), 7);
  ASSERT_GE(lines.size(), 4u);
  EXPECT_EQ(lines[lines.size() - 4], u"cadena..");
  EXPECT_EQ(lines[lines.size() - 3], u"");
  EXPECT_EQ(lines.back(), u"Send: ");
  EXPECT_EQ(f.server.received(), "");
}

TEST(Internet, PropertiesReadBackWhatTheObjectStores) {
  test::ScopedEnv gateway("HALVORA_GATEWAY_HOST", "10.1.2.3:4455");
  Internet net(std::make_unique<TestClock>());
  EXPECT_EQ(net.get_Host(), u"");
  EXPECT_EQ(net.get_Port(), u"");
  EXPECT_EQ(net.form().host, u"10.1.2.3");
  EXPECT_EQ(net.form().port, u"4455");
  EXPECT_EQ(net.get_Habitacion(), u"0");

  net.let_Habitacion(u"0305");
  EXPECT_EQ(net.get_Habitacion(), u"305");
  EXPECT_EQ(net.form().room, u"0305");
  Variant room(u"abc"_u);
  try {
    invoke(net, u"Habitacion", CallKind::Let, {&room, 1});
    ADD_FAILURE() << "a room that is not a number";
  } catch (const Error& e) {
    EXPECT_EQ(e.number(), 13);
  }
  EXPECT_EQ(net.form().room, u"0305");

  Variant command(u"2"_u);
  invoke(net, u"comando", CallKind::Let, {&command, 1});
  EXPECT_EQ(net.form().command, u"Consulta");
  EXPECT_EQ(invoke(net, u"COMANDO", CallKind::Get).get<int32_t>(), 2);
}

TEST(Internet, UnsetHostAndPortConnectToTheDeploymentsGateway) {
  UiScope ui;
  LineServer server([](const std::string&) { return LineAction{}; });
  std::string address = "127.0.0.1:" + std::to_string(server.port());
  test::ScopedEnv gateway("HALVORA_GATEWAY_HOST", address.c_str());
  Internet net(std::make_unique<TestClock>());
  net.let_comando(2);
  net.let_Habitacion(u"305");
  net.CargarInternet();
  for (int i = 0; i < 50 && server.received().empty(); ++i) net.DatosInternet();
  EXPECT_EQ(server.received(), "=consulta=,305\r\n");
  EXPECT_EQ(net.get_Host(), u"");
  EXPECT_EQ(net.get_Port(), u"");
}

TEST(Internet, DefaultGatewayWithoutPortUsesTheUsualOne) {
  test::ScopedEnv gateway("HALVORA_GATEWAY_HOST", "gw.example");
  FrmInternet form(std::make_unique<TestClock>());
  EXPECT_EQ(form.host, u"gw.example");
  EXPECT_EQ(form.port, u"9990");
}

TEST(Internet, PortThatIsNotAPortFailsToTheHost) {
  struct Case {
    std::u16string port;
    int32_t number;
  } cases[] = {{u"abc", 13}, {u"", 13}, {u"70000", 380}, {u"0", 380}, {u"99999999999", 6}};
  for (const Case& c : cases) {
    UiScope ui;
    Internet net(std::make_unique<TestClock>());
    net.let_Host(u"127.0.0.1");
    net.let_Port(c.port);
    try {
      invoke(net, u"CargarInternet", CallKind::Method);
      ADD_FAILURE() << utf16_to_utf8(c.port);
    } catch (const Error& e) {
      EXPECT_EQ(e.number(), c.number) << utf16_to_utf8(c.port);
    }
    EXPECT_TRUE(ui.ui().boxes.empty());
  }
}

// The reply reader alone, fed pieces as the socket hands them over: what each shows, what it
// keeps for the next piece, and what it logs. A piece that is empty stands for a new command.
TEST(InternetReplies, PiecesShowABoxOnlyWhenTheyMakeAWholeReply) {
  const std::u16string opened = u"Se cargo a la habitación 305 el internet de P1 - 24";
  const std::u16string removed = u"Se cancelo el internet de la habitación 305";
  struct Case {
    std::vector<std::string> pieces;
    std::vector<std::optional<std::u16string>> boxes;  // one a piece
    std::u16string kept;                               // after the last piece
  } cases[] = {
      {{kOpened}, {opened}, u""},
      {{"OK-ABD, OK-A", "RT, OK-PRT, OK-UBD, OK-TICKET"}, {std::nullopt, opened}, u""},
      {{"++", "++"}, {std::nullopt, removed}, u""},
      {{"++"}, {std::nullopt}, u"++"},
      // A piece that is a whole reply stands alone, whatever was kept before it.
      {{"++", "++++"}, {std::nullopt, removed}, u""},
      {{"err", "or"},
       {std::nullopt, u"Ocurrió un error al intentar aplicar el internet en la habitación 305"},
       u""},
      // A beginning that can no longer grow is dropped; the piece that broke it may start anew.
      {{"++", "+x"}, {std::nullopt, std::nullopt}, u""},
      {{"OK-ABD", "Usuario"}, {std::nullopt, std::nullopt}, u"Usuario"},
      {{"Usuario", " No Existe!"}, {std::nullopt, u"La habitación 305 no tiene internet."}, u""},
      // Pieces join within one command only.
      {{"++", "", "++"}, {std::nullopt, std::nullopt, std::nullopt}, u"++"},
      {{"++++", "++"}, {removed, std::nullopt}, u"++"},
      {{"error\r\n"}, {std::nullopt}, u""},
  };
  for (const Case& c : cases) {
    GatewayReplies replies;
    std::vector<std::u16string> logged;
    std::vector<std::optional<std::u16string>> boxes;
    for (const std::string& piece : c.pieces) {
      if (piece.empty()) {
        replies.clear();
        boxes.push_back(std::nullopt);
        continue;
      }
      boxes.push_back(replies.read(piece, {u"305", u"P1", u"24"},
                                   [&](std::u16string_view m) { logged.emplace_back(m); }));
      EXPECT_EQ(logged.back(), u"Recibiendo datos: " + utf8_to_utf16(piece));
    }
    std::string said = c.pieces.empty() ? "" : c.pieces.front();
    EXPECT_EQ(boxes, c.boxes) << said;
    EXPECT_EQ(replies.unmatched(), c.kept) << said;
  }
}

TEST(InternetReplies, PiecesAreDecodedFromTheCodePageBeforeTheyAreCompared) {
  GatewayReplies replies;
  std::u16string logged;
  auto log = [&](std::u16string_view m) { logged = m; };
  EXPECT_EQ(replies.read("Usuario No Existe\xA1", {u"3", u"P", u"1"}, log), std::nullopt);
  EXPECT_EQ(logged, u"Recibiendo datos: Usuario No Existe¡");
  EXPECT_EQ(replies.read(std::string("++\0++", 5), {u"3", u"P", u"1"}, log), std::nullopt);
  EXPECT_EQ(replies.unmatched(), u"");
}

TEST(InternetLog, The150thWriteStartsTheLogAfresh) {
  FrmInternet form(std::make_unique<TestClock>());
  for (int i = 1; i < 150; ++i) form.log(u"line " + utf8_to_utf16(std::to_string(i)));
  EXPECT_EQ(messages(form.log_text()).size(), 149u);
  form.log(u"line 150");
  EXPECT_EQ(messages(form.log_text()), std::vector<std::u16string>{u"line 150"});
  for (int i = 1; i < 150; ++i) form.log(u"more");
  EXPECT_EQ(messages(form.log_text()).size(), 150u);  // the one kept, then 149 more
}

TEST(InternetLog, AWriteThatDoesNotFitRestartsTheScreen) {
  FrmInternet form(std::make_unique<TestClock>());
  form.log(u"before");
  form.log(std::u16string(FrmInternet::kMaxLogChars, u'x'));
  EXPECT_EQ(messages(form.log_text()), std::vector<std::u16string>{u"Reinicio de pantalla"});
  form.log(u"after");
  EXPECT_EQ(messages(form.log_text()),
            (std::vector<std::u16string>{u"Reinicio de pantalla", u"after"}));
}

TEST(InternetLog, TicksKeepCountingPastSixteenBits) {
  auto clock = std::make_unique<TestClock>();
  TestClock& ticks = *clock;
  FrmInternet form(std::move(clock));
  for (int i = 0; i < 70000; ++i) ticks.tick_();
  EXPECT_EQ(form.ticks(), 70000);
  form.wait_ticks(1);
  EXPECT_EQ(form.ticks(), 1);
}

TEST(CodePage, Windows1252BothWays) {
  struct Case {
    std::u16string text;
    std::string bytes;
  } cases[] = {
      {u"abc", "abc"},
      {u"ñÁü€", "\xF1\xC1\xFC\x80"},
      {u"\u0081\u008D\u008F\u0090\u009D", "\x81\x8D\x8F\x90\x9D"},  // undefined bytes round-trip
      {u"Ÿžœ", "\x9F\x9E\x9C"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(to_windows_1252(c.text), c.bytes);
    EXPECT_EQ(from_windows_1252(c.bytes), c.text);
  }
  EXPECT_EQ(to_windows_1252(u"Ω\U0001F600\xD800x"), "???x");  // a pair is one character
  EXPECT_EQ(to_windows_1252(u"\u0080"), "?");  // not the byte 0x80, which is the euro sign
}

TEST(InternetRegistry, PublishedWithItsMembersInOrder) {
  ObjectRef obj = create_object(u"HALVORA.Internet");
  const auto& members = obj->members().members();
  std::vector<std::pair<std::u16string, int32_t>> got;
  for (const Member& m : members) got.emplace_back(m.name, m.dispid);
  EXPECT_EQ(got, (std::vector<std::pair<std::u16string, int32_t>>{
                     {u"EsperarRespuesta", 0x40030000},
                     {u"Host", 0x68030001},
                     {u"Port", 0x68030002},
                     {u"comando", 0x68030003},
                     {u"Habitacion", 0x68030004},
                     {u"Perfil", 0x68030005},
                     {u"Tiempo", 0x68030006},
                     {u"CargarInternet", 0x60030007},
                     {u"DatosInternet", 0x60030008},
                 }));
}

}  // namespace
}  // namespace halvora
