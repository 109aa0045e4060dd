// The unattended UI. Plain C++ so that every platform build runs scripts the same way.
#include <deque>
#include <fstream>
#include <string>

#include "automation/json.h"
#include "automation/text.h"
#include "platform/config.h"
#include "platform/events.h"
#include "platform/ui.h"

namespace halvora::platform {

namespace {

constexpr std::string_view kCancel = "<Cancel>";

std::deque<std::string> read_answers(const std::string& path) {
  std::deque<std::string> answers;
  if (path.empty()) return answers;
  std::ifstream in(path, std::ios::binary);
  std::string line;
  for (bool first = true; std::getline(in, line); first = false) {
    if (first && line.starts_with("\xEF\xBB\xBF")) line.erase(0, 3);
    if (line.ends_with('\r')) line.pop_back();
    answers.push_back(std::move(line));
  }
  return answers;
}

class ScriptUi final : public Ui {
 public:
  ScriptUi(const std::string& answers_path, std::string log_path)
      : answers_(read_answers(answers_path)), log_path_(std::move(log_path)) {}

  int32_t msg_box(std::u16string_view text, int32_t style, std::u16string_view title) override {
    // A box on screen keeps socket and timer events running; an unattended one lets them run
    // once before it answers. An event's own box is logged before this one.
    pump(0);
    show(title, text, {});
    log("{\"box\":\"msg\",\"style\":" + std::to_string(style) + ",\"title\":" + json_string(title) +
        ",\"text\":" + json_string(text) + "}");
    return kAnswerOk;
  }

  std::optional<std::u16string> input_box(std::u16string_view prompt, std::u16string_view title,
                                          std::u16string_view default_text) override {
    pump(0);
    std::optional<std::u16string> answer;
    if (!answers_.empty()) {
      if (answers_.front() != kCancel) answer = utf8_to_utf16(answers_.front());
      answers_.pop_front();
    }
    show(title, prompt, answer ? *answer : u"(Cancel)");
    log("{\"box\":\"input\",\"title\":" + json_string(title) +
        ",\"prompt\":" + json_string(prompt) + ",\"default\":" + json_string(default_text) +
        ",\"answer\":" + json_string(answer.value_or(u"")) +
        ",\"cancelled\":" + (answer ? "false" : "true") + "}");
    return answer;
  }

  // Nothing opens unattended; the log names the file so that a run can check what was shown.
  void show_document(std::u16string_view path, std::u16string_view title) override {
    pump(0);
    show(title, path, {});
    log("{\"box\":\"document\",\"title\":" + json_string(title) + ",\"path\":" + json_string(path) +
        "}");
  }

 private:
  // The readable line of HALVORA_UI_TRANSCRIPT, on standard output so that it falls between the
  // script's own lines.
  void show(std::u16string_view title, std::u16string_view text,
            std::optional<std::u16string_view> answer) const {
    if (!config::ui_transcript()) return;
    std::string line = "  [" + utf16_to_utf8(title) + "] " + utf16_to_utf8(text);
    for (std::size_t at = 0; (at = line.find("\r\n", at)) != std::string::npos;)
      line.replace(at, 2, " / ");
    if (answer) line += " > " + utf16_to_utf8(*answer);
    std::fprintf(stdout, "%s\n", line.c_str());
    std::fflush(stdout);
  }

  // Opened per box so that a log read while the script runs is complete up to the last box.
  void log(const std::string& line) const {
    if (log_path_.empty()) return;
    std::ofstream out(log_path_, std::ios::binary | std::ios::app);
    out << line << '\n';
  }

  std::deque<std::string> answers_;
  std::string log_path_;
};

}  // namespace

std::unique_ptr<Ui> create_script_ui(const std::string& answers_path, const std::string& log_path) {
  return std::make_unique<ScriptUi>(answers_path, log_path);
}

}  // namespace halvora::platform
