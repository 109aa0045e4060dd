#include "library/wiring.h"

#include "automation/conversions.h"
#include "platform/components.h"
#include "platform/regional.h"
#include "sdk/conexion_sdk.h"

namespace halvora {

void wire_library() {
  static const bool wired = [] {
    platform::set_bundled_components(&sdk::create_substitute);
    set_regional_source(&platform::regional_settings);
    return true;
  }();
  (void)wired;
}

}  // namespace halvora
