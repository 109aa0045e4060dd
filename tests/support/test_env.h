// Test helpers at the platform seam: environment variables and regional settings set for one
// test, and a UI that records every box and answers input boxes from a queue.
#pragma once

#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "automation/conversions.h"
#include "platform/ui.h"

namespace halvora::test {

// Sets (or, with nullptr, unsets) a variable and restores the old value on destruction.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value);
  ~ScopedEnv();
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  std::string name_;
  std::optional<std::string> old_;
};

// Sets the regional settings for as long as it lives and then puts back the ones it found, so
// no test reads numbers and dates by the machine's locale or by what the test before it set.
class RegionalScope {
 public:
  explicit RegionalScope(const RegionalSettings& settings = {}) : saved_(regional()) {
    set_regional(settings);
  }
  ~RegionalScope() { set_regional(saved_); }

 private:
  RegionalSettings saved_;
};

struct Box {
  std::string kind;  // "msg" or "input"
  int style = 0;
  std::u16string title;
  std::u16string text;  // the message, or the input box's prompt
};

class RecordingUi : public platform::Ui {
 public:
  int32_t msg_box(std::u16string_view text, int32_t style, std::u16string_view title) override;
  std::optional<std::u16string> input_box(std::u16string_view prompt, std::u16string_view title,
                                          std::u16string_view default_text) override;

  std::deque<std::optional<std::u16string>> answers;  // nullopt cancels; none left cancels
  std::vector<Box> boxes;
};

// Installs a RecordingUi for the scope of a test and puts the previous UI back after it.
class UiScope {
 public:
  UiScope();
  ~UiScope();
  RecordingUi& ui() { return *ui_; }

 private:
  RecordingUi* ui_;
  std::unique_ptr<platform::Ui> previous_;
};

}  // namespace halvora::test
