#include "web/failure_report.h"

#include "automation/text.h"
#include "platform/ui.h"

namespace halvora {

void show_failure_report(const Error& failure, std::u16string_view title) {
  std::u16string text = u"ERROR: " + utf8_to_utf16(std::to_string(failure.number())) + u" " +
                        failure.description() + u"\r\n" + failure.source();
  platform::ui().msg_box(text, platform::kStyleCritical, title);
}

}  // namespace halvora
