// The published classes and the type library's identity: the one list that object creation by
// name, the script host and the COM build's type library and registration all read.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <utility>

#include "automation/members.h"
#include "automation/object.h"

namespace halvora {

struct TypeLibraryInfo {
  std::u16string_view name;
  std::u16string_view guid;
  uint16_t major;
  uint16_t minor;
  uint32_t lcid;
};

struct EnumInfo {
  std::u16string_view name;
  std::u16string_view guid;
  std::span<const std::pair<std::u16string_view, int32_t>> values;
};

struct ClassInfo {
  std::u16string_view name;            // registered name: the programmatic identifier's second half
  std::u16string_view interface_name;  // the default dual interface
  std::u16string_view clsid;
  std::u16string_view iid;
  std::u16string_view role;
  bool application_object = false;  // the host may call it without creating an object
  ObjectRef (*create)() = nullptr;  // null until the class is built
  const MemberTable* (*members)() = nullptr;

  std::u16string progid() const { return u"HALVORA." + std::u16string(name); }
  bool creatable() const { return create != nullptr; }
};

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
