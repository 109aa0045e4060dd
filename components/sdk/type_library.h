// The substitute as an automation component of its own: the LobixSdkCore type library, its fixed
// identifiers and its eleven classes with their member tables. The COM server LobixSdkCore.dll is
// generated from it as HALVORA.dll is from the library's registry, so that the Windows build can
// run the library against a separately registered SDK, as on a hotel's machine.
#pragma once

#include "automation/library_description.h"

namespace halvora::sdk {

// Every identifier of the SDK's server stands here and nowhere else.
const LibraryDescription& published_library();

}  // namespace halvora::sdk
