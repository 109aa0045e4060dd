// The COM build's type library source, typed glue and expected type-library listing, all
// written from a library description (the class registry, or the SDK substitute's) and the member
// tables, so that a DLL cannot drift from the classes the script host calls.
#pragma once

#include <string>
#include <vector>

#include "automation/library_description.h"
#include "automation/members.h"

namespace halvora::comgen {

// One vtable entry of a dual interface: a member seen from the type library. A data member or
// property gives up to three (get, put, putref); a method gives one.
enum class EntryKind { Get, Put, PutRef, Func };

struct VtableEntry {
  const Member* member;
  EntryKind kind;
};

// The entries of a class's interface in vtable order.
std::vector<VtableEntry> vtable_entries(const MemberTable& table);

// The IDL type of a parameter, result or property value ("BSTR", "long", "VARIANT_BOOL",
// "SAFEARRAY(BSTR)", "SAFEARRAY(LPDISPATCH)", ...). In idl_entry, a member whose table names a
// published enumeration declares that enumeration instead of long; a name the library does not
// publish is a std::logic_error.
std::string idl_type(VarType type);

// The declaration of one entry as it appears inside the interface body, without indentation,
// e.g. `[id(0x40030000), propget] HRESULT TarjetaVIP([out, retval] BSTR* pRetVal);`.
std::string idl_entry(const LibraryDescription& lib, const VtableEntry& entry);

// The whole <library>.idl: library, enumerations, one dual interface and coclass per creatable
// class.
std::string idl_text(const LibraryDescription& lib);

// The types of one entry's parameters as the type library describes them, [out, retval] included,
// comma-separated ("long*,long*,long*,VARIANT_BOOL*"), or "-" for none.
std::string entry_types(const LibraryDescription& lib, const VtableEntry& entry);

// expected_typelib.txt: one line per vtable entry (interface, member, dispatch identifier, kind,
// parameter count without the [out, retval] one, entry_types), the coclasses and the
// enumerations, which the Windows test client compares against the registered type library.
std::string expected_typelib_text(const LibraryDescription& lib);

// com_glue.cpp: the typed vtable of each creatable class delegating to the shared bridge, and
// the factory table the server reads. It includes the widl header <library>_h.h.
std::string glue_text(const LibraryDescription& lib);

}  // namespace halvora::comgen
