#include <unistd.h>

#include <iostream>
#include <string>

#include "automation/text.h"
#include "platform/config.h"
#include "platform/ui.h"

namespace halvora::platform {

namespace {

class ConsoleUi final : public Ui {
 public:
  int32_t msg_box(std::u16string_view text, int32_t, std::u16string_view title) override {
    std::cerr << '[' << utf16_to_utf8(title) << "] " << utf16_to_utf8(text) << " (OK)" << std::endl;
    // Only a person at a terminal can press OK; a pipe or a service must not block here.
    if (::isatty(STDIN_FILENO)) {
      std::string ignored;
      std::getline(std::cin, ignored);
    }
    return kAnswerOk;
  }

  // An empty line takes the default, as pressing OK on the pre-filled box would.
  std::optional<std::u16string> input_box(std::u16string_view prompt, std::u16string_view title,
                                          std::u16string_view default_text) override {
    std::cerr << '[' << utf16_to_utf8(title) << "] " << utf16_to_utf8(prompt);
    if (!default_text.empty()) std::cerr << " [" << utf16_to_utf8(default_text) << ']';
    std::cerr << ": " << std::flush;
    std::string line;
    if (!std::getline(std::cin, line)) return std::nullopt;
    if (line.ends_with('\r')) line.pop_back();
    if (line.empty()) return std::u16string(default_text);
    return utf8_to_utf16(line);
  }
};

}  // namespace

std::unique_ptr<Ui> create_configured_ui() {
  if (config::ui_mode() == "script")
    return create_script_ui(config::ui_answers_path(), config::ui_log_path());
  return create_console_ui();
}

std::unique_ptr<Ui> create_console_ui() {
  return std::make_unique<ConsoleUi>();
}

}  // namespace halvora::platform
