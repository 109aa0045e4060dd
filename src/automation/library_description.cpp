#include "automation/library_description.h"

#include "automation/text.h"

namespace halvora {

std::u16string LibraryDescription::progid(const ClassInfo& c) const {
  return std::u16string(library.name) + u"." + std::u16string(c.name);
}

const ClassInfo* LibraryDescription::find(std::u16string_view name) const {
  if (name.size() > library.name.size() && name[library.name.size()] == u'.' &&
      iequals(name.substr(0, library.name.size()), library.name))
    name.remove_prefix(library.name.size() + 1);
  for (const ClassInfo& c : classes)
    if (iequals(c.name, name)) return &c;
  return nullptr;
}

}  // namespace halvora
