// What an automation component publishes: its type library's identity, its enumerations and its
// classes with their identifiers and member tables. The library's registry is one such description
// and the database SDK substitute's COM server another; object creation by name, the type library
// generator and the COM glue read either the same way.
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
  std::u16string_view name;  // also the first half of every class's programmatic identifier
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

  bool creatable() const { return create != nullptr; }
};

struct LibraryDescription {
  TypeLibraryInfo library;
  std::span<const EnumInfo> enumerations;
  std::span<const ClassInfo> classes;  // in the type library's order

  // The type library's name, a dot and the class's: "HALVORA.Document".
  std::u16string progid(const ClassInfo& c) const;
  // By registered name or programmatic identifier, letter case aside; null when unknown.
  const ClassInfo* find(std::u16string_view name_or_progid) const;
};

}  // namespace halvora
