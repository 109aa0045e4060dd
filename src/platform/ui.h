// Message and input boxes. The classes show every box through here, so a console, a native
// dialog or an unattended script can answer them.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace halvora::platform {

// Message box styles and answers the classes use.
inline constexpr int32_t kStyleOkOnly = 0;
inline constexpr int32_t kStyleCritical = 16;
inline constexpr int32_t kStyleInformation = 64;
inline constexpr int32_t kAnswerOk = 1;

class Ui {
 public:
  virtual ~Ui() = default;
  // Returns the button pressed (kAnswerOk for OK-only boxes).
  virtual int32_t msg_box(std::u16string_view text, int32_t style, std::u16string_view title) = 0;
  // Nothing when the user cancels; the classes read that as an empty text.
  virtual std::optional<std::u16string> input_box(std::u16string_view prompt,
                                                  std::u16string_view title,
                                                  std::u16string_view default_text) = 0;
  // Shows a document file (a PDF the e-invoicing server made) in the system's viewer. A UI that
  // cannot open files says where the file is.
  virtual void show_document(std::u16string_view path, std::u16string_view title) {
    msg_box(path, kStyleInformation, title);
  }
};

// The UI in force: chosen from HALVORA_UI on first use unless one was installed.
Ui& ui();
// Installs a UI (the host, tests); returns the previous one. Null restores the configured UI.
std::unique_ptr<Ui> set_ui(std::unique_ptr<Ui> replacement);
// The UI that HALVORA_UI names, made anew; each build supplies its own. ui() calls it.
std::unique_ptr<Ui> create_configured_ui();

// The console UI: boxes written to the terminal, input read from standard input (end of input
// is Cancel).
std::unique_ptr<Ui> create_console_ui();
// The unattended UI: answers from a file (one a line, "<Cancel>" cancels, none left cancels),
// every box appended to a log as one JSON line. Either path may be empty.
std::unique_ptr<Ui> create_script_ui(const std::string& answers_path, const std::string& log_path);

}  // namespace halvora::platform
