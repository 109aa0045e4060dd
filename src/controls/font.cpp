#include "controls/font.h"

#include <algorithm>

#include "automation/members.h"

namespace halvora::controls {

const MemberTable& Font::members() const {
  static const MemberTable table{
      property<&Font::Name, &Font::set_Name>(u"Name"),
      property<&Font::Size, &Font::set_Size>(u"Size"),
      property<&Font::Bold, &Font::set_Bold>(u"Bold"),
      property<&Font::Italic, &Font::set_Italic>(u"Italic"),
      property<&Font::Underline, &Font::set_Underline>(u"Underline"),
      property<&Font::Strikethrough, &Font::set_Strikethrough>(u"Strikethrough"),
  };
  return table;
}

int Font::listen(std::function<void()> listener) {
  listeners_.emplace_back(next_id_, std::move(listener));
  return next_id_++;
}

void Font::stop_listening(int id) {
  std::erase_if(listeners_, [id](const auto& entry) { return entry.first == id; });
}

}  // namespace halvora::controls
