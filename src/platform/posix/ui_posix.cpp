#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

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

  // On a desktop the system's viewer opens the file; without one the path is all there is.
  void show_document(std::u16string_view path, std::u16string_view title) override {
    std::string file = utf16_to_utf8(path);
    const char* display = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    if ((display && *display) || (wayland && *wayland)) {
      // Detached twice over, so that the viewer outlives nothing of ours and leaves no zombie.
      pid_t child = ::fork();
      if (child == 0) {
        if (::fork() == 0) {
          ::execlp("xdg-open", "xdg-open", file.c_str(), static_cast<char*>(nullptr));
          ::_exit(127);
        }
        ::_exit(0);
      }
      if (child > 0) {
        ::waitpid(child, nullptr, 0);
        return;
      }
    }
    std::cerr << '[' << utf16_to_utf8(title) << "] " << file << std::endl;
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
