#include "support/test_env.h"

#include <cstdlib>

namespace halvora::test {

ScopedEnv::ScopedEnv(const char* name, const char* value) : name_(name) {
  if (const char* old = std::getenv(name)) old_ = old;
  if (value)
    setenv(name, value, 1);
  else
    unsetenv(name);
}

ScopedEnv::~ScopedEnv() {
  if (old_)
    setenv(name_.c_str(), old_->c_str(), 1);
  else
    unsetenv(name_.c_str());
}

int32_t RecordingUi::msg_box(std::u16string_view text, int32_t style, std::u16string_view title) {
  boxes.push_back({"msg", style, std::u16string(title), std::u16string(text)});
  return platform::kAnswerOk;
}

std::optional<std::u16string> RecordingUi::input_box(std::u16string_view prompt,
                                                     std::u16string_view title,
                                                     std::u16string_view) {
  boxes.push_back({"input", 0, std::u16string(title), std::u16string(prompt)});
  if (answers.empty()) return std::nullopt;
  auto answer = answers.front();
  answers.pop_front();
  return answer;
}

UiScope::UiScope() {
  auto ui = std::make_unique<RecordingUi>();
  ui_ = ui.get();
  previous_ = platform::set_ui(std::move(ui));
}

UiScope::~UiScope() {
  platform::set_ui(std::move(previous_));
}

}  // namespace halvora::test
