// Outside components (the hotel database SDK, the e-invoicing server) and their records,
// created by name. Each build answers with the registered component when the machine has one,
// else with the substitute bundled with the library, which the library layer hands over.
#pragma once

#include <array>
#include <memory>
#include <string_view>

#include "automation/object.h"

namespace halvora::platform {

// A new object of the named class ("ConexionSdk", "RegistroDatosHuesped", …); 429 when neither
// a registered component nor a bundled substitute provides it.
ObjectRef create_component(std::u16string_view class_name);

// Makes objects of the classes it knows by name, null for any other.
using ComponentFactory = ObjectRef (*)(std::u16string_view class_name);

// The substitutes bundled with the library, asked after the machine's registered components.
void set_bundled_components(ComponentFactory factory);

// Tests put a factory in front of everything else; null removes it. Answers the previous one.
ComponentFactory set_component_factory(ComponentFactory factory);

// A record property without a column name of its own is "Campo" and its position in at least
// three digits ("Campo007", "Campo185"): the SDK publishes its records so, and the record fills
// name what they set so. Written into `buffer`, which the answer points into.
using NumberedNameBuffer = std::array<char16_t, 16>;
std::u16string_view numbered_field_name(int position, NumberedNameBuffer& buffer);

}  // namespace halvora::platform
