// The generated type library source and listing: what early-bound callers and the registered
// type library see must follow the member tables exactly.
#include <gtest/gtest.h>

#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "com/gen/idl_writer.h"
#include "library/registry.h"
#include "services/document.h"

namespace halvora::comgen {
namespace {

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    std::size_t start = line.find_first_not_of(' ');
    out.push_back(start == std::string::npos ? "" : line.substr(start));
  }
  return out;
}

bool has_line(const std::vector<std::string>& lines, const std::string& wanted) {
  for (const std::string& l : lines)
    if (l == wanted) return true;
  return false;
}

TEST(ComGenIdl, DocumentEntries) {
  const std::vector<std::string> idl = lines_of(idl_text(published_library()));
  const char* expected[] = {
      "[id(0x40030000), propget] HRESULT TarjetaVIP([out, retval] BSTR* pRetVal);",
      "[id(0x40030000), propput] HRESULT TarjetaVIP([in] BSTR RHS);",
      "[id(0x40030001), propget] HRESULT SocioVIP([out, retval] BSTR* pRetVal);",
      "[id(0x60030002)] HRESULT DllMain([in, out] long* hInst, [in, out] long* fdwReason, "
      "[in, out] long* lpvReserved, [out, retval] VARIANT_BOOL* pRetVal);",
      "[id(0x60030003)] HRESULT PedirTarjeta([in] BSTR cHost, [in] BSTR cDataBase, [in] BSTR "
      "cUserName, [in] BSTR cPassword, [in, optional, defaultvalue(\"\")] BSTR cSocio, [out, "
      "retval] BSTR* pRetVal);",
      "[id(0x60030007)] HRESULT PedirSaldo([out, retval] double* pRetVal);",
      "[id(0x6003000B)] HRESULT Online([out, retval] VARIANT_BOOL* pRetVal);",
  };
  for (const char* line : expected) EXPECT_TRUE(has_line(idl, line)) << line;
}

TEST(ComGenIdl, LibraryInterfaceAndCoclass) {
  const std::vector<std::string> idl = lines_of(idl_text(published_library()));
  for (const char* line : {
           "uuid(ECC7BFD6-7E88-49B6-8A6E-140E0DBA7D12),",
           "version(1.0),",
           "lcid(0x409)",
           "library HALVORA",
           "importlib(\"stdole2.tlb\");",
           "uuid(A0E6744B-7371-4D4D-92E3-C29CFA9795FB),",
           "interface _Document : IDispatch {",
           "coclass Document {",
           "[default] interface _Document;",
           "appobject",
           "typedef [uuid(755157DC-6233-41BF-839B-4FB320AACEBD)] enum TipoComando {",
           "} TipoComando;",
       })
    EXPECT_TRUE(has_line(idl, line)) << line;
}

// A class without a factory is published but has no coclass yet: the type library would
// promise an object the DLL cannot create.
TEST(ComGenIdl, OnlyCreatableClassesGetCoclasses) {
  const std::string idl = idl_text(published_library());
  for (const ClassInfo& c : published_classes()) {
    std::string coclass = "coclass " + std::string(c.name.begin(), c.name.end()) + " {";
    EXPECT_EQ(idl.find(coclass) != std::string::npos, c.creatable()) << coclass;
  }
}

TEST(ComGenIdl, TypesAndOptionalParameters) {
  struct Case {
    VarType type;
    const char* idl;
  };
  const Case cases[] = {
      {VarType::Boolean, "VARIANT_BOOL"},
      {VarType::Integer, "short"},
      {VarType::Long, "long"},
      {VarType::Double, "double"},
      {VarType::Date, "DATE"},
      {VarType::String, "BSTR"},
      {VarType::Object, "IDispatch*"},
      {VarType::Variant, "VARIANT"},
      {array_of(VarType::String), "SAFEARRAY(BSTR)"},
      {array_of(VarType::Object), "SAFEARRAY(LPDISPATCH)"},
      {VarType::Array, "SAFEARRAY(VARIANT)"},
  };
  for (const Case& c : cases) EXPECT_EQ(idl_type(c.type), c.idl);

  // Table members built by hand: the defaults a caller omitting them gets, and Variant
  // parameters that arrive as "missing" rather than with a typed default.
  static const MemberTable table{[] {
    Member m;
    m.name = u"Probe";
    m.kind = MemberKind::Method;
    m.params = {{u"a", VarType::Long, false, true, Variant(int32_t{7})},
                {u"b", VarType::Boolean, false, true, Variant(true)},
                {u"c", VarType::Variant, false, true, Variant()},
                {u"d", VarType::Double, false, true, Variant(2.5)},
                {u"e", VarType::Variant, true, false, Variant()}};
    return m;
  }()};
  std::vector<VtableEntry> entries = vtable_entries(table);
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(idl_entry(published_library(), entries[0]),
            "[id(0x60030000)] HRESULT Probe([in, optional, defaultvalue(7)] long a, [in, "
            "optional, defaultvalue(-1)] VARIANT_BOOL b, [in, optional] VARIANT c, [in, "
            "optional, defaultvalue(2.5)] double d, [in, out] VARIANT* e);");
}

// Array results and the published enumeration, as the member tables declare them. widl wants a
// result as the last, [out, retval] pointer parameter.
TEST(ComGenIdl, ArrayResultsAndTheEnumeratedCommand) {
  const std::vector<std::string> idl = lines_of(idl_text(published_library()));
  for (const char* line : {
           "[id(0x68030003), propget] HRESULT comando([out, retval] TipoComando* pRetVal);",
           "[id(0x68030003), propput] HRESULT comando([in] TipoComando RHS);",
           "[id(0x60030006)] HRESULT GetList_HuespedesEnCasa([out, retval] SAFEARRAY(BSTR)* "
           "pRetVal);",
           "[id(0x60030006)] HRESULT GetCuponesAll([out, retval] SAFEARRAY(BSTR)* pRetVal);",
           "[id(0x6003000A)] HRESULT GetTipoCuponAll([out, retval] SAFEARRAY(BSTR)* pRetVal);",
           "[id(0x60030004)] HRESULT GetListTabConf([out, retval] SAFEARRAY(BSTR)* pRetVal);",
           "[id(0x60030008)] HRESULT GetListCargos([in] double nHabitacion, [in] double nHuesped, "
           "[in] double nCheque, [in] double Cuenta, [in] BSTR OmitirGrupos, [out, retval] "
           "SAFEARRAY(LPDISPATCH)* pRetVal);",
       })
    EXPECT_TRUE(has_line(idl, line)) << line;
}

// The type library can declare only the enumerations it publishes: a table naming another one
// stops the generator rather than writing an IDL that widl would reject.
TEST(ComGenIdl, AnUnpublishedEnumerationIsRefused) {
  Member m;
  m.name = u"Mode";
  m.kind = MemberKind::Property;
  m.access = kGet | kLet;
  m.result = VarType::Long;
  m.enumeration = u"NoSuchEnumeration";
  MemberTable table{m};
  for (const VtableEntry& e : vtable_entries(table))
    EXPECT_THROW(idl_entry(published_library(), e), std::logic_error);
}

TEST(ComGenIdl, AccessGivesPropertyEntries) {
  struct Case {
    uint8_t access;
    VarType type;
    std::vector<EntryKind> kinds;
  };
  const Case cases[] = {
      {kGet | kLet, VarType::String, {EntryKind::Get, EntryKind::Put}},
      {kGet | kSet, VarType::Object, {EntryKind::Get, EntryKind::PutRef}},
      {kGet | kLet | kSet, VarType::Variant, {EntryKind::Get, EntryKind::Put, EntryKind::PutRef}},
      {kGet, VarType::Long, {EntryKind::Get}},
  };
  for (const Case& c : cases) {
    Member m;
    m.name = u"P";
    m.kind = MemberKind::Data;
    m.access = c.access;
    m.result = c.type;
    MemberTable table{m};
    std::vector<EntryKind> kinds;
    for (const VtableEntry& e : vtable_entries(table)) kinds.push_back(e.kind);
    EXPECT_EQ(kinds, c.kinds) << static_cast<int>(c.access);
  }
}

TEST(ComGenListing, DocumentLines) {
  const std::vector<std::string> listing = lines_of(expected_typelib_text(published_library()));
  for (const char* line : {
           "_Document TarjetaVIP 0x40030000 get 0 BSTR*",
           "_Document TarjetaVIP 0x40030000 put 1 BSTR",
           "_Document SocioVIP 0x40030001 put 1 BSTR",
           "_Document DllMain 0x60030002 func 3 long*,long*,long*,VARIANT_BOOL*",
           "_Document PedirTarjeta 0x60030003 func 5 BSTR,BSTR,BSTR,BSTR,BSTR,BSTR*",
           "_Document AplicarSaldo 0x60030006 func 10 "
           "BSTR,BSTR,BSTR,BSTR,BSTR,BSTR,BSTR,BSTR,BSTR,BSTR,double*",
           "_Document Online 0x6003000B func 0 VARIANT_BOOL*",
           "coclass Document {79261CCC-12B1-49B7-89B2-CD12CC3EB84F} "
           "{A0E6744B-7371-4D4D-92E3-C29CFA9795FB} appobject",
           "enum TipoComando Alta=0 Baja=1 Consulta=2",
       })
    EXPECT_TRUE(has_line(listing, line)) << line;
}

// The listing has one line per vtable entry, in the member table's order, before the coclasses.
TEST(ComGenListing, FollowsTheMemberTable) {
  const std::vector<std::string> listing = lines_of(expected_typelib_text(published_library()));
  std::vector<std::string> document;
  for (const std::string& l : listing)
    if (l.rfind("_Document ", 0) == 0) document.push_back(l);
  std::vector<VtableEntry> entries = vtable_entries(Document::member_table());
  ASSERT_EQ(document.size(), entries.size());
  for (std::size_t i = 0; i < entries.size(); ++i) {
    std::string name(entries[i].member->name.begin(), entries[i].member->name.end());
    EXPECT_EQ(document[i].substr(0, 11 + name.size()), "_Document " + name + " ") << i;
  }
}

// The types the registered type library must show for the typed members.
TEST(ComGenListing, TypedLines) {
  const std::vector<std::string> listing = lines_of(expected_typelib_text(published_library()));
  for (const char* line : {
           "_Internet comando 0x68030003 get 0 TipoComando*",
           "_Internet comando 0x68030003 put 1 TipoComando",
           "_Db_Datos GetList_HuespedesEnCasa 0x60030006 func 0 SAFEARRAY(BSTR)*",
           "_CUPONES GetCuponesAll 0x60030006 func 0 SAFEARRAY(BSTR)*",
           "_CUPONES GetTipoCuponAll 0x6003000A func 0 SAFEARRAY(BSTR)*",
           "_TABCONF GetListTabConf 0x60030004 func 0 SAFEARRAY(BSTR)*",
           "_DB_CAPCT GetListCargos 0x60030008 func 5 "
           "double,double,double,double,BSTR,SAFEARRAY(IDispatch*)*",
           "_DB_CAPCT Db_CapCt_Sdk_Info 0x40030002 putref 1 IDispatch*",
       })
    EXPECT_TRUE(has_line(listing, line)) << line;
}

TEST(ComGenGlue, DocumentVtableMethods) {
  const std::string glue = glue_text(published_library());
  for (const char* piece : {
           "class Com_Document final : public ComObject<::_Document> {",
           "HRESULT STDMETHODCALLTYPE get_TarjetaVIP(BSTR* pRetVal) override {",
           "HRESULT STDMETHODCALLTYPE put_TarjetaVIP(BSTR RHS) override {",
           "HRESULT STDMETHODCALLTYPE DllMain(long* hInst, long* fdwReason, long* lpvReserved, "
           "VARIANT_BOOL* pRetVal) override {",
           "ref_long(args[1], fdwReason);",
           "call(0x60030002, halvora::CallKind::Method, args);",
           "{u\"Document\", &CLSID_Document, &IID__Document, &make_Document},",
       })
    EXPECT_NE(glue.find(piece), std::string::npos) << piece;
}

// The typed glue: the enumeration crosses as its 32-bit value, arrays as SAFEARRAYs of the
// declared element type.
TEST(ComGenGlue, EnumeratedAndArrayResults) {
  const std::string glue = glue_text(published_library());
  for (const char* piece : {
           "HRESULT STDMETHODCALLTYPE get_comando(TipoComando* pRetVal) override {",
           "ret_enum(result, pRetVal);",
           "HRESULT STDMETHODCALLTYPE put_comando(TipoComando RHS) override {",
           "halvora::Variant args[] = {in_enum(RHS)};",
           "HRESULT STDMETHODCALLTYPE GetCuponesAll(SAFEARRAY** pRetVal) override {",
           "ret_array(result, VT_BSTR, pRetVal);",
           "HRESULT STDMETHODCALLTYPE GetListCargos(double nHabitacion, double nHuesped, double "
           "nCheque, double Cuenta, BSTR OmitirGrupos, SAFEARRAY** pRetVal) override {",
           "ret_array(result, VT_DISPATCH, pRetVal);",
       })
    EXPECT_NE(glue.find(piece), std::string::npos) << piece;
}

}  // namespace
}  // namespace halvora::comgen
