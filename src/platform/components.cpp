// Both builds answer with the bundled substitutes. On Windows a registered outside component
// should come first, but the core cannot wrap a foreign COM object as one of its Objects yet (that
// needs an IDispatch-backed Object in the COM layer), so the substitute answers there too.
#include "platform/components.h"

#include "frame/error.h"
#include "sdk/conexion_sdk.h"

namespace halvora::platform {

namespace {
ComponentFactory g_factory = nullptr;
}

ObjectRef create_component(std::u16string_view class_name) {
  if (g_factory) {
    if (ObjectRef made = g_factory(class_name)) return made;
  }
  if (ObjectRef made = sdk::create_substitute(class_name)) return made;
  throw Error(429, u"ActiveX component can't create object");
}

ComponentFactory set_component_factory(ComponentFactory factory) {
  ComponentFactory previous = g_factory;
  g_factory = factory;
  return previous;
}

}  // namespace halvora::platform
