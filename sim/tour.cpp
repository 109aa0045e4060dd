// A short tour of what the library does today: the published classes, then the loyalty-card
// workflow driven by name, as a host drives it, against the loopback loyalty service.
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <string>
#include <vector>

#include "frame/members.h"
#include "frame/registry.h"
#include "frame/text.h"
#include "loyalty_service.h"
#include "platform/ui.h"

using namespace halvora;

namespace {

std::string u8(std::u16string_view s) {
  return utf16_to_utf8(s);
}

// Shows every box in the transcript and types the prepared answers.
class TranscriptUi : public platform::Ui {
 public:
  std::deque<std::u16string> typed;

  int32_t msg_box(std::u16string_view text, int32_t style, std::u16string_view title) override {
    std::string body = u8(text);
    for (std::size_t at = 0; (at = body.find("\r\n", at)) != std::string::npos;)
      body.replace(at, 2, " / ");
    std::printf("      [box %s, style %d] %s\n", u8(title).c_str(), style, body.c_str());
    return platform::kAnswerOk;
  }
  std::optional<std::u16string> input_box(std::u16string_view prompt, std::u16string_view title,
                                          std::u16string_view) override {
    std::u16string answer = typed.empty() ? u"" : typed.front();
    if (!typed.empty()) typed.pop_front();
    std::printf("      [input %s] %s -> typed \"%s\"\n", u8(title).c_str(), u8(prompt).c_str(),
                u8(answer).c_str());
    return answer;
  }
};

Variant call(Object& obj, const char16_t* member, std::vector<Variant> args = {}) {
  Variant result = invoke(obj, member, CallKind::Method, args);
  std::printf("    %s -> %s\n", u8(member).c_str(), u8(to_string(result)).c_str());
  return result;
}

}  // namespace

int main() {
  std::printf("HALVORA type library %s %s, version %d.%d\n", u8(type_library().name).c_str(),
              u8(type_library().guid).c_str(), type_library().major, type_library().minor);
  for (const ClassInfo& c : published_classes())
    std::printf("  %-28s %s  %s\n", u8(c.progid()).c_str(), u8(c.clsid).c_str(),
                c.creatable() ? "ready" : "(later)");

  sim::LoyaltyService service;
  if (service.start() < 0) {
    std::fprintf(stderr, "tour: cannot listen on loopback\n");
    return 1;
  }
  setenv("HALVORA_LOYALTY_HOST", service.authority().c_str(), 1);
  setenv("HALVORA_NETSTATE", "online,lan", 1);
  auto owned = std::make_unique<TranscriptUi>();
  TranscriptUi& ui = *owned;
  platform::set_ui(std::move(owned));

  std::printf("\nLoyalty service listening on %s\n", service.authority().c_str());
  ObjectRef doc = create_object(u"HALVORA.Document");
  const std::vector<Variant> db{u"db.hotel.local", u"fidelidad", u"recepcion", u"s3cr&t<"};
  auto with = [&](std::initializer_list<Variant> more) {
    std::vector<Variant> args = db;
    args.insert(args.end(), more);
    return args;
  };

  std::printf("\n  The guest M-100 shows up at reception:\n");
  call(*doc, u"Online");
  call(*doc, u"PedirTarjeta", with({u"M-100"}));
  Variant card = invoke(*doc, u"TarjetaVIP", CallKind::Get);
  call(*doc, u"Saldo", with({card}));
  std::printf("\n  A credit of 250 for the stay, then the new balance:\n");
  call(*doc, u"AplicarSaldo", with({card, u"7", u"Estancia", u"A", u"250", u"F-1001"}));
  call(*doc, u"Saldo", with({card}));
  std::printf("\n  A guest without a card on file: the clerk types one, then cancels:\n");
  ui.typed = {u"1002"};
  call(*doc, u"Saldo", with({u""}));
  call(*doc, u"Saldo", with({u"  "}));
  std::printf("\n  A balance typed by hand, negative by mistake:\n");
  ui.typed = {u"-5"};
  call(*doc, u"PedirSaldo");
  std::printf("\n  The loyalty service goes away:\n");
  service.stop();
  call(*doc, u"Saldo", with({card}));
  std::printf("\n  Off line, nothing is sent:\n");
  setenv("HALVORA_NETSTATE", "", 1);
  call(*doc, u"Saldo", with({card}));
  return 0;
}
