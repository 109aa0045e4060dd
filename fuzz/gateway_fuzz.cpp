// The room-internet gateway's replies, fed as the socket would hand them over, through the form's
// reply reading and its status log.
//
// Input: NUL-separated fields. The first three are the command's room, profile and time as the
// clerk typed them; every later one is a piece the network delivered, cut into reads of at most
// 16 KiB as the form reads them, and an empty one stands for the next command being sent.
// Bytes are the system code page's, as on the wire.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "internet/frm_internet.h"
#include "library/wiring.h"
#include "platform/events.h"

namespace {

using halvora::FrmInternet;
using halvora::GatewayReplies;

constexpr std::size_t kMaxReadBytes = 16u << 10;

// Time stands still and nothing is ever pending: the form only logs.
class StillClock final : public halvora::FormClock {
 public:
  void pump(int) override {}
  void run_own_events() override {}
  std::unique_ptr<halvora::platform::Timer> start_ticks(std::function<void()>) override {
    return nullptr;
  }
  halvora::Date now() override { return halvora::Date{46085.5}; }
};

[[noreturn]] void fail(const char* what) {
  std::fprintf(stderr, "gateway fuzz: %s\n", what);
  std::abort();
}

bool is_known(std::u16string_view text) {
  for (std::u16string_view known : GatewayReplies::known())
    if (text == known) return true;
  return false;
}

bool may_grow(std::u16string_view text) {
  for (std::u16string_view known : GatewayReplies::known())
    if (text.size() < known.size() && known.starts_with(text)) return true;
  return false;
}

std::vector<std::string_view> fields(std::string_view input) {
  std::vector<std::string_view> out;
  for (;;) {
    std::size_t nul = input.find('\0');
    out.push_back(input.substr(0, nul));
    if (nul == std::string_view::npos) return out;
    input.remove_prefix(nul + 1);
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  halvora::wire_library();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  std::vector<std::string_view> parts =
      fields(std::string_view(reinterpret_cast<const char*>(data), size));
  if (parts.size() < 3) return 0;
  std::u16string room = halvora::platform::from_system_code_page(parts[0]);
  std::u16string profile = halvora::platform::from_system_code_page(parts[1]);
  std::u16string duration = halvora::platform::from_system_code_page(parts[2]);

  FrmInternet form(std::make_unique<StillClock>());
  GatewayReplies replies;
  auto log = [&form](std::u16string_view message) { form.log(message); };
  for (std::size_t i = 3; i < parts.size(); ++i) {
    std::string_view piece = parts[i];
    if (piece.empty()) {
      replies.clear();
      continue;
    }
    while (!piece.empty()) {
      std::string_view read = piece.substr(0, kMaxReadBytes);
      piece.remove_prefix(read.size());
      std::u16string before = replies.unmatched();
      std::u16string text = halvora::platform::from_system_code_page(read);
      std::optional<std::u16string> box = replies.read(read, {room, profile, duration}, log);

      bool completes = is_known(text) || is_known(before + text);
      if (box.has_value() != completes) fail("a box without a whole reply, or none for one");
      if (box && !replies.unmatched().empty()) fail("a shown reply was kept");
      const std::u16string& kept = replies.unmatched();
      if (!kept.empty() && !may_grow(kept)) fail("kept text that can no longer become a reply");
      if (!kept.empty() && kept != before + text && kept != text)
        fail("kept text that is neither the piece nor the joined reply");
      if (form.log_text().size() > FrmInternet::kMaxLogChars) fail("the log outgrew its box");
    }
  }
  return 0;
}
