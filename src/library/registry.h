// The published classes and the type library's identity: the one list that object creation by
// name, the script host and the COM build's type library and registration all read.
#pragma once

#include <span>
#include <string_view>

#include "automation/library_description.h"
#include "automation/object.h"

namespace halvora {

// The library's own description: the HALVORA type library and its classes.
const LibraryDescription& published_library();

const TypeLibraryInfo& type_library();
std::span<const EnumInfo> enumerations();
std::span<const ClassInfo> published_classes();

// By registered name or programmatic identifier, case-insensitive; null when unknown.
const ClassInfo* find_class(std::u16string_view name_or_progid);

// A new object of a published class; 429 when the class is unknown or cannot be created.
ObjectRef create_object(std::u16string_view progid);

// The default instance of the application object, created on first use and kept for the
// life of the process.
ObjectRef application_object();

}  // namespace halvora
