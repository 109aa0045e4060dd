// HALVORA.dll: the library's published classes, and the pieces the core needs on Windows that
// only the COM layer can give it.
#include "dispatch.h"
#include "foreign.h"
#include "library/registry.h"
#include "library/wiring.h"
#include "platform/components.h"

namespace halvora::com {

const LibraryDescription& server_library() {
  return published_library();
}

// Pointers set, nothing loaded. The registered outside components come first where the machine
// has them; only this layer can turn their objects into core objects.
void server_attached() {
  wire_library();
  platform::set_registered_components(&create_registered);
}

}  // namespace halvora::com
