// Both builds answer with the bundled substitutes. On Windows a registered outside component
// should come first, but the core cannot wrap a foreign COM object as one of its Objects yet (that
// needs an IDispatch-backed Object in the COM layer), so the substitute answers there too.
#include "platform/components.h"

#include <algorithm>

#include "automation/error.h"

namespace halvora::platform {

namespace {
ComponentFactory g_factory = nullptr;
ComponentFactory g_bundled = nullptr;
}  // namespace

ObjectRef create_component(std::u16string_view class_name) {
  for (ComponentFactory factory : {g_factory, g_bundled}) {
    if (!factory) continue;
    if (ObjectRef made = factory(class_name)) return made;
  }
  throw Error::standard(err::kCannotCreate);
}

void set_bundled_components(ComponentFactory factory) {
  g_bundled = factory;
}

ComponentFactory set_component_factory(ComponentFactory factory) {
  ComponentFactory previous = g_factory;
  g_factory = factory;
  return previous;
}

std::u16string_view numbered_field_name(int position, NumberedNameBuffer& buffer) {
  constexpr std::u16string_view kPrefix = u"Campo";
  std::copy(kPrefix.begin(), kPrefix.end(), buffer.begin());
  char16_t digits[10];
  int count = 0;
  unsigned rest = static_cast<unsigned>(position < 0 ? 0 : position);
  do {
    digits[count++] = static_cast<char16_t>(u'0' + rest % 10);
    rest /= 10;
  } while (rest);
  while (count < 3) digits[count++] = u'0';
  std::size_t size = kPrefix.size();
  while (count) buffer[size++] = digits[--count];
  return {buffer.data(), size};
}

}  // namespace halvora::platform
