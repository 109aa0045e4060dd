// LobixSdkCore.dll: the database SDK substitute as a COM server of its own, so that the library
// can be run against a separately registered SDK, as on a hotel's machine. It carries the
// substitute and the runtime, never the library's classes.
#include "automation/conversions.h"
#include "dispatch.h"
#include "platform/regional.h"
#include "sdk/type_library.h"

namespace halvora::com {

const LibraryDescription& server_library() {
  return sdk::published_library();
}

// Answers carry numbers and dates in the machine's regional settings.
void server_attached() {
  set_regional_source(&platform::regional_settings);
}

}  // namespace halvora::com
