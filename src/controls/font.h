// The standard font object a control keeps: Name, Size, Bold, Italic, Underline, Strikethrough.
// Whoever keeps one may listen for its changes, as a control re-lays its caption out when a host
// writes btn.Font.Bold = True.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "automation/object.h"
#include "platform/surface.h"

namespace halvora::controls {

class Font : public Object {
 public:
  explicit Font(platform::FontTraits traits = {}) : traits_(std::move(traits)) {}

  const MemberTable& members() const override;
  std::u16string type_name() const override { return u"StdFont"; }

  const platform::FontTraits& traits() const { return traits_; }
  std::shared_ptr<Font> clone() const { return std::make_shared<Font>(traits_); }

  std::u16string Name() const { return traits_.name; }
  void set_Name(std::u16string name) { change(traits_.name, std::move(name)); }
  double Size() const { return traits_.size; }
  void set_Size(double size) { change(traits_.size, size); }
  bool Bold() const { return traits_.bold; }
  void set_Bold(bool on) { change(traits_.bold, on); }
  bool Italic() const { return traits_.italic; }
  void set_Italic(bool on) { change(traits_.italic, on); }
  bool Underline() const { return traits_.underline; }
  void set_Underline(bool on) { change(traits_.underline, on); }
  bool Strikethrough() const { return traits_.strikethrough; }
  void set_Strikethrough(bool on) { change(traits_.strikethrough, on); }

  // Listeners run after every change that alters the font; the number returned stops one.
  int listen(std::function<void()> listener);
  void stop_listening(int id);

 private:
  template <class T, class U>
  void change(T& field, U&& value) {
    if (field == value) return;
    field = std::forward<U>(value);
    // A listener may stop listening while it runs: walk a copy.
    auto listeners = listeners_;
    for (auto& [id, listener] : listeners) listener();
  }

  platform::FontTraits traits_;
  std::vector<std::pair<int, std::function<void()>>> listeners_;
  int next_id_ = 1;
};

using FontRef = std::shared_ptr<Font>;

}  // namespace halvora::controls
