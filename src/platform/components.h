// Outside components (the hotel database SDK, the e-invoicing server) and their records,
// created by name. Each build answers with the registered component when the machine has one,
// else with the substitute bundled with the library.
#pragma once

#include <memory>
#include <string_view>

#include "frame/object.h"

namespace halvora::platform {

// A new object of the named class ("ConexionSdk", "RegistroDatosHuesped", …); 429 when neither
// a registered component nor a bundled substitute provides it.
ObjectRef create_component(std::u16string_view class_name);

// Tests put a factory in front of the machine's answer; null removes it.
using ComponentFactory = ObjectRef (*)(std::u16string_view class_name);
ComponentFactory set_component_factory(ComponentFactory factory);

}  // namespace halvora::platform
