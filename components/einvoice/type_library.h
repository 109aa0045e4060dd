// The e-invoicing component as an automation component of its own: the HalvoraFacturacion type
// library, its fixed identifiers and its seven classes with their member tables. The COM server
// HalvoraFacturacion.dll is generated from it as HALVORA.dll is from the library's registry, so
// that the Windows build runs the library against a separately registered e-invoicing component,
// as on a hotel's machine that has the maker's.
#pragma once

#include "automation/library_description.h"

namespace halvora::einvoice {

// Every identifier of the e-invoicing component's server stands here and nowhere else.
const LibraryDescription& published_library();

}  // namespace halvora::einvoice
