#include "library/wiring.h"

#include "automation/conversions.h"
#include "einvoice/servidor_facturacion.h"
#include "platform/components.h"
#include "platform/regional.h"
#include "sdk/conexion_sdk.h"

namespace halvora {

namespace {

// The bundled outside components: the database SDK's classes, then the e-invoicing server's.
ObjectRef bundled_component(std::u16string_view class_name) {
  if (ObjectRef made = sdk::create_substitute(class_name)) return made;
  return einvoice::create_component(class_name);
}

}  // namespace

void wire_library() {
  static const bool wired = [] {
    platform::set_bundled_components(&bundled_component);
    set_regional_source(&platform::regional_settings);
    return true;
  }();
  (void)wired;
}

}  // namespace halvora
