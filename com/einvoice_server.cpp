// HalvoraFacturacion.dll: the e-invoicing component as a COM server of its own, so that the library
// can be run against a separately registered e-invoicing component, as on a hotel's machine that
// has the maker's. It carries the component and the runtime, never the library's classes.
#include "automation/conversions.h"
#include "dispatch.h"
#include "einvoice/type_library.h"
#include "platform/regional.h"

namespace halvora::com {

const LibraryDescription& server_library() {
  return einvoice::published_library();
}

// Record values read as text (a date written as "25/12/2024") follow the machine's settings.
void server_attached() {
  set_regional_source(&platform::regional_settings);
}

}  // namespace halvora::com
