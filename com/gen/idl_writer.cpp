#include "idl_writer.h"

#include <charconv>
#include <cstdio>
#include <span>
#include <stdexcept>
#include <string_view>

#include "automation/conversions.h"
#include "automation/text.h"

namespace halvora::comgen {

namespace {

std::string utf8(std::u16string_view text) {
  return utf16_to_utf8(text);
}

// Descriptions write identifiers with braces; IDL and the expected listing want the bare form.
std::string bare_guid(std::u16string_view guid) {
  std::string s = utf8(guid);
  if (s.size() >= 2 && s.front() == '{' && s.back() == '}') s = s.substr(1, s.size() - 2);
  return s;
}

std::string hex_id(int32_t dispid) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%08X", static_cast<uint32_t>(dispid));
  return buf;
}

std::string lcid_literal(uint32_t lcid) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%X", lcid);
  return buf;
}

std::string number_literal(double value) {
  char buf[32];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value);
  return std::string(buf, ec == std::errc() ? end : buf);
}

std::string string_literal(std::u16string_view text) {
  std::string out = "\"";
  for (char c : utf8(text)) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return out + "\"";
}

// The defaultvalue() of an optional typed parameter, as the early-bound caller passes it when it
// omits the argument. The core applies the same default on the late-bound path.
std::string default_literal(const ParamInfo& p) {
  switch (p.type) {
    case VarType::String:
      return string_literal(to_string(p.default_value));
    case VarType::Boolean:
      return to_boolean(p.default_value) ? "-1" : "0";
    case VarType::Object:
      return "0";
    default:
      return number_literal(to_double(p.default_value));
  }
}

// A parameter with no typed default: omitted Variants arrive as DISP_E_PARAMNOTFOUND.
bool typed_optional(const ParamInfo& p) {
  return p.optional && p.type != VarType::Variant && !p.by_ref;
}

std::string idl_param(const ParamInfo& p) {
  std::string attrs = p.by_ref ? "in, out" : "in";
  if (typed_optional(p))
    attrs += ", optional, defaultvalue(" + default_literal(p) + ")";
  else if (p.optional && p.type == VarType::Variant)
    attrs += ", optional";
  return "[" + attrs + "] " + idl_type(p.type) + (p.by_ref ? "* " : " ") + utf8(p.name);
}

const char* entry_attribute(EntryKind kind) {
  switch (kind) {
    case EntryKind::Get:
      return ", propget";
    case EntryKind::Put:
      return ", propput";
    case EntryKind::PutRef:
      return ", propputref";
    case EntryKind::Func:
      return "";
  }
  return "";
}

const char* entry_word(EntryKind kind) {
  switch (kind) {
    case EntryKind::Get:
      return "get";
    case EntryKind::Put:
      return "put";
    case EntryKind::PutRef:
      return "putref";
    case EntryKind::Func:
      return "func";
  }
  return "";
}

std::size_t entry_param_count(const VtableEntry& e) {
  switch (e.kind) {
    case EntryKind::Get:
      return 0;
    case EntryKind::Put:
    case EntryKind::PutRef:
      return 1;
    case EntryKind::Func:
      return e.member->params.size();
  }
  return 0;
}

// ---- Glue ----------------------------------------------------------------------------------

// The C type and the helper suffix (variant_com.h: in_*, ret_*, ref_*) of a type.
struct GlueType {
  std::string c_type;
  std::string suffix;
};

// The element type of an array as the platform's VARTYPE constant, which the array helpers take.
const char* vt_constant(VarType element) {
  switch (element) {
    case VarType::Boolean:
      return "VT_BOOL";
    case VarType::Integer:
      return "VT_I2";
    case VarType::Long:
      return "VT_I4";
    case VarType::Double:
      return "VT_R8";
    case VarType::Date:
      return "VT_DATE";
    case VarType::String:
      return "VT_BSTR";
    case VarType::Object:
      return "VT_DISPATCH";
    default:
      return "VT_VARIANT";
  }
}

GlueType glue_type(VarType type) {
  if (is_array_type(type)) return {"SAFEARRAY*", "array"};
  switch (type) {
    case VarType::Boolean:
      return {"VARIANT_BOOL", "bool"};
    case VarType::Integer:
      return {"short", "short"};
    case VarType::Long:
      return {"long", "long"};
    case VarType::Double:
      return {"double", "double"};
    case VarType::Date:
      return {"DATE", "date"};
    case VarType::String:
      return {"BSTR", "bstr"};
    case VarType::Object:
      return {"IDispatch*", "dispatch"};
    default:
      return {"VARIANT", "variant"};
  }
}

// A published enumeration by its name; the type library declares only the library's own.
const EnumInfo& enumeration_named(const LibraryDescription& lib, std::u16string_view name) {
  for (const EnumInfo& e : lib.enumerations)
    if (e.name == name) return e;
  throw std::logic_error("member table: the type library publishes no enumeration " + utf8(name));
}

// The type of a property's value or a method's result: a published enumeration where the member
// table names one (a Long underneath), else the member's own type.
std::string value_idl_type(const LibraryDescription& lib, const Member& m) {
  if (!m.enumeration.empty()) return utf8(enumeration_named(lib, m.enumeration).name);
  return idl_type(m.result);
}

GlueType value_glue_type(const LibraryDescription& lib, const Member& m) {
  if (!m.enumeration.empty()) return {value_idl_type(lib, m), "enum"};
  return glue_type(m.result);
}

// The helper call that writes a result into pRetVal; arrays also name their element type.
std::string ret_call(const LibraryDescription& lib, const Member& m) {
  std::string element =
      is_array_type(m.result) ? std::string(vt_constant(element_of(m.result))) + ", " : "";
  return "ret_" + value_glue_type(lib, m).suffix + "(result, " + element + "pRetVal);";
}

std::string glue_name(const VtableEntry& e) {
  std::string name = utf8(e.member->name);
  switch (e.kind) {
    case EntryKind::Get:
      return "get_" + name;
    case EntryKind::Put:
      return "put_" + name;
    case EntryKind::PutRef:
      return "putref_" + name;
    case EntryKind::Func:
      return name;
  }
  return name;
}

const char* call_kind(EntryKind kind, const Member& m) {
  switch (kind) {
    case EntryKind::Get:
      return "halvora::CallKind::Get";
    case EntryKind::Put:
      return "halvora::CallKind::Let";
    case EntryKind::PutRef:
      return "halvora::CallKind::Set";
    case EntryKind::Func:
      break;
  }
  return m.kind == MemberKind::Method ? "halvora::CallKind::Method" : "halvora::CallKind::Get";
}

std::string glue_method(const LibraryDescription& lib, const VtableEntry& e) {
  const Member& m = *e.member;
  struct Arg {
    std::string name;
    GlueType type;
    bool by_ref;
  };
  std::vector<Arg> args;
  if (e.kind == EntryKind::Func) {
    for (const ParamInfo& p : m.params) args.push_back({utf8(p.name), glue_type(p.type), p.by_ref});
  } else if (e.kind != EntryKind::Get) {
    args.push_back({"RHS", value_glue_type(lib, m), false});
  }
  bool has_result =
      (e.kind == EntryKind::Get) || (e.kind == EntryKind::Func && m.result != VarType::Empty);

  std::string signature;
  std::vector<std::string> pointers;
  for (const Arg& a : args) {
    if (!signature.empty()) signature += ", ";
    signature += a.type.c_type + (a.by_ref ? "* " : " ") + a.name;
    if (a.by_ref) pointers.push_back(a.name);
  }
  if (has_result) {
    if (!signature.empty()) signature += ", ";
    signature += value_glue_type(lib, m).c_type + "* pRetVal";
    pointers.push_back("pRetVal");
  }

  std::string out =
      "  HRESULT STDMETHODCALLTYPE " + glue_name(e) + "(" + signature + ") override {\n";
  if (!pointers.empty()) {
    out += "    if (";
    for (std::size_t i = 0; i < pointers.size(); ++i) out += (i ? " || !" : "!") + pointers[i];
    out += ") return E_POINTER;\n";
  }
  out += "    return guard([&] {\n";
  std::string span = "{}";
  if (!args.empty()) {
    out += "      halvora::Variant args[] = {";
    for (std::size_t i = 0; i < args.size(); ++i) {
      const Arg& a = args[i];
      out += (i ? ", " : "") + std::string("in_") + a.type.suffix + "(" + (a.by_ref ? "*" : "") +
             a.name + ")";
    }
    out += "};\n";
    span = "args";
  }
  out += std::string("      ") + (has_result ? "halvora::Variant result = " : "") + "call(" +
         hex_id(m.dispid) + ", " + call_kind(e.kind, m) + ", " + span + ");\n";
  for (std::size_t i = 0; i < args.size(); ++i)
    if (args[i].by_ref)
      out += "      ref_" + args[i].type.suffix + "(args[" + std::to_string(i) + "], " +
             args[i].name + ");\n";
  if (has_result) out += "      " + ret_call(lib, m) + "\n";
  out += "    });\n  }\n";
  return out;
}

std::vector<const ClassInfo*> creatable_classes(const LibraryDescription& lib) {
  std::vector<const ClassInfo*> out;
  for (const ClassInfo& c : lib.classes)
    if (c.creatable() && c.members) out.push_back(&c);
  return out;
}

}  // namespace

std::vector<VtableEntry> vtable_entries(const MemberTable& table) {
  std::vector<VtableEntry> out;
  for (const Member& m : table.members()) {
    if (m.kind == MemberKind::Method) {
      out.push_back({&m, EntryKind::Func});
      continue;
    }
    if (m.access & kGet) out.push_back({&m, EntryKind::Get});
    if (m.access & kLet) out.push_back({&m, EntryKind::Put});
    if (m.access & kSet) out.push_back({&m, EntryKind::PutRef});
  }
  return out;
}

std::string idl_type(VarType type) {
  if (is_array_type(type)) {
    // widl takes no pointer declarator inside SAFEARRAY(): objects go by oaidl.idl's name for
    // IDispatch*, which the type library records as the pointer itself.
    VarType element = element_of(type);
    return "SAFEARRAY(" + (element == VarType::Object ? "LPDISPATCH" : idl_type(element)) + ")";
  }
  return glue_type(type).c_type;
}

std::string idl_entry(const LibraryDescription& lib, const VtableEntry& e) {
  const Member& m = *e.member;
  std::string params;
  auto add = [&](const std::string& p) { params += (params.empty() ? "" : ", ") + p; };
  switch (e.kind) {
    case EntryKind::Get:
      add("[out, retval] " + value_idl_type(lib, m) + "* pRetVal");
      break;
    case EntryKind::Put:
    case EntryKind::PutRef:
      add("[in] " + value_idl_type(lib, m) + " RHS");
      break;
    case EntryKind::Func:
      for (const ParamInfo& p : m.params) add(idl_param(p));
      if (m.result != VarType::Empty) add("[out, retval] " + value_idl_type(lib, m) + "* pRetVal");
      break;
  }
  return "[id(" + hex_id(m.dispid) + ")" + entry_attribute(e.kind) + "] HRESULT " + utf8(m.name) +
         "(" + params + ");";
}

std::string idl_text(const LibraryDescription& description) {
  const TypeLibraryInfo& lib = description.library;
  std::string out =
      "// Generated by halvora-comgen from the member tables; do not edit.\n\n"
      "import \"oaidl.idl\";\n\n"
      "[\n  uuid(" +
      bare_guid(lib.guid) + "),\n  version(" + std::to_string(lib.major) + "." +
      std::to_string(lib.minor) + "),\n  lcid(" + lcid_literal(lib.lcid) + ")\n]\nlibrary " +
      utf8(lib.name) + "\n{\n  importlib(\"stdole2.tlb\");\n\n";

  for (const EnumInfo& e : description.enumerations) {
    // Named, so that the type library lists the enumeration under its own name rather than
    // widl's generated one.
    out += "  typedef [uuid(" + bare_guid(e.guid) + ")] enum " + utf8(e.name) + " {\n";
    for (std::size_t i = 0; i < e.values.size(); ++i)
      out += "    " + utf8(e.values[i].first) + " = " + std::to_string(e.values[i].second) +
             (i + 1 < e.values.size() ? ",\n" : "\n");
    out += "  } " + utf8(e.name) + ";\n\n";
  }

  for (const ClassInfo* c : creatable_classes(description)) {
    out += "  [\n    odl,\n    uuid(" + bare_guid(c->iid) +
           "),\n    dual,\n    oleautomation,\n    nonextensible\n  ]\n  interface " +
           utf8(c->interface_name) + " : IDispatch {\n";
    for (const VtableEntry& e : vtable_entries(*c->members()))
      out += "    " + idl_entry(description, e) + "\n";
    out += "  };\n\n  [\n    uuid(" + bare_guid(c->clsid) + ")" +
           (c->application_object ? ",\n    appobject" : "") + "\n  ]\n  coclass " + utf8(c->name) +
           " {\n    [default] interface " + utf8(c->interface_name) + ";\n  };\n\n";
  }
  out += "};\n";
  return out;
}

std::string entry_types(const LibraryDescription& lib, const VtableEntry& e) {
  const Member& m = *e.member;
  // As the type library records a type: the IDL's spelling, save the array of objects, whose
  // element is the IDispatch pointer whatever name the IDL gave it.
  auto listed = [](VarType type) {
    return is_array_type(type) ? "SAFEARRAY(" + idl_type(element_of(type)) + ")" : idl_type(type);
  };
  auto listed_value = [&] {
    return m.enumeration.empty() ? listed(m.result) : value_idl_type(lib, m);
  };
  std::vector<std::string> types;
  switch (e.kind) {
    case EntryKind::Get:
      types.push_back(listed_value() + "*");
      break;
    case EntryKind::Put:
    case EntryKind::PutRef:
      types.push_back(listed_value());
      break;
    case EntryKind::Func:
      for (const ParamInfo& p : m.params) types.push_back(listed(p.type) + (p.by_ref ? "*" : ""));
      if (m.result != VarType::Empty) types.push_back(listed_value() + "*");
      break;
  }
  if (types.empty()) return "-";
  std::string out;
  for (const std::string& t : types) out += (out.empty() ? "" : ",") + t;
  return out;
}

std::string expected_typelib_text(const LibraryDescription& lib) {
  std::string out;
  std::vector<const ClassInfo*> classes = creatable_classes(lib);
  for (const ClassInfo* c : classes)
    for (const VtableEntry& e : vtable_entries(*c->members()))
      out += utf8(c->interface_name) + " " + utf8(e.member->name) + " " + hex_id(e.member->dispid) +
             " " + entry_word(e.kind) + " " + std::to_string(entry_param_count(e)) + " " +
             entry_types(lib, e) + "\n";
  for (const ClassInfo* c : classes)
    out += "coclass " + utf8(c->name) + " " + utf8(c->clsid) + " " + utf8(c->iid) + " " +
           (c->application_object ? "appobject" : "-") + "\n";
  for (const EnumInfo& e : lib.enumerations) {
    out += "enum " + utf8(e.name);
    for (const auto& [name, value] : e.values)
      out += " " + utf8(name) + "=" + std::to_string(value);
    out += "\n";
  }
  return out;
}

std::string glue_text(const LibraryDescription& lib) {
  std::string out =
      "// Generated by halvora-comgen from the member tables; do not edit.\n"
      "#include <utility>\n\n"
      "#include \"dispatch.h\"\n"
      "#include \"variant_com.h\"\n"
      "#include \"" +
      utf8(lib.library.name) +
      "_h.h\"\n\n"
      "namespace halvora::com {\n\nnamespace {\n\n";
  std::string table;
  for (const ClassInfo* c : creatable_classes(lib)) {
    std::string name = utf8(c->name);
    std::string iface = utf8(c->interface_name);
    out += "class Com_" + name + " final : public ComObject<::" + iface + "> {\n public:\n" +
           "  explicit Com_" + name + "(halvora::ObjectRef object)\n" +
           "      : ComObject(std::move(object), IID_" + iface + ", u\"" + name + "\") {}\n\n";
    for (const VtableEntry& e : vtable_entries(*c->members())) out += glue_method(lib, e);
    out += "};\n\nIDispatch* make_" + name + "(halvora::ObjectRef object) {\n  return new Com_" +
           name + "(std::move(object));\n}\n\n";
    table +=
        "    {u\"" + name + "\", &CLSID_" + name + ", &IID_" + iface + ", &make_" + name + "},\n";
  }
  out +=
      "}  // namespace\n\nstd::span<const ClassEntry> class_entries() {\n"
      "  static const ClassEntry entries[] = {\n" +
      table + "  };\n  return entries;\n}\n\n}  // namespace halvora::com\n";
  return out;
}

}  // namespace halvora::comgen
