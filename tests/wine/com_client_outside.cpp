// com_client.exe outside HOTEL_DIR: the library with objects that are not its own, as a compiled
// host meets it on a hotel's machine where the database SDK is registered apart from the library
// (the run sets HALVORA_COMPONENTS=registered, so every SDK object comes from LobixSdkCore.dll).
//   - A collection and a charge record of the client's own (plain IDispatch objects, reference
//     counted) go into the library's properties: the library reads the collection through its Count
//     and Item, hands the record to the SDK unchanged, and the SDK reads it and writes the number
//     it assigns back into it. Both come back out as the same pointers, and once the library lets
//     go of them their reference counts are the client's own again.
//   - An error raised inside the SDK reaches the client with the SDK's number, text and source.
// HOTEL_DIR holds the demo database (user CAJERO, secreto).
#include <ole2.h>
#include <oleauto.h>
#include <windows.h>

#include <cwctype>
#include <map>
#include <string>
#include <vector>

#include "HALVORA_h.h"
#include "client_support.h"

namespace {

using namespace client;

std::wstring lower(std::wstring text) {
  for (wchar_t& c : text) c = static_cast<wchar_t>(std::towlower(c));
  return text;
}

// ---- The client's own objects ----------------------------------------------------------------

// IDispatch by a fixed list of names, reference counted; the count is what the checks read.
class HostObject : public IDispatch {
 public:
  HostObject() = default;
  HostObject(const HostObject&) = delete;
  HostObject& operator=(const HostObject&) = delete;
  virtual ~HostObject() = default;

  ULONG refs() const { return refs_; }
  int calls = 0;  // Invoke calls

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (!out) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IDispatch) {
      *out = static_cast<IDispatch*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  // Never deleted by a release: the checks own the object and read its count to the end.
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override { return --refs_; }

  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (!count) return E_POINTER;
    *count = type_info_ ? 1 : 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID, ITypeInfo** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (index != 0 || !type_info_) return DISP_E_BADINDEX;
    type_info_->AddRef();
    *out = type_info_;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                                          DISPID* ids) override {
    if (!names || !ids || count != 1) return E_INVALIDARG;
    auto it = ids_.find(lower(names[0]));
    if (it == ids_.end()) {
      ids[0] = DISPID_UNKNOWN;
      return DISP_E_UNKNOWNNAME;
    }
    ids[0] = it->second;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO*, UINT*) override {
    ++calls;
    return invoke(id, flags, params, result);
  }

  void set_type_info(ITypeInfo* info) {
    if (type_info_) type_info_->Release();
    type_info_ = info;
  }
  void release_type_info() { set_type_info(nullptr); }

 protected:
  void name(const std::wstring& member, DISPID id) { ids_[lower(member)] = id; }
  virtual HRESULT invoke(DISPID id, WORD flags, DISPPARAMS* params, VARIANT* result) = 0;

 private:
  ULONG refs_ = 1;
  std::map<std::wstring, DISPID> ids_;
  ITypeInfo* type_info_ = nullptr;
};

// A collection of texts: Add, Count, Item, Remove.
class HostList final : public HostObject {
 public:
  HostList() {
    name(L"Add", 1);
    name(L"Count", 2);
    name(L"Item", 3);
    name(L"Remove", 4);
  }
  std::vector<std::wstring> items;
  std::vector<std::wstring> asked;  // the members called, in order

 protected:
  HRESULT invoke(DISPID id, WORD, DISPPARAMS* params, VARIANT* result) override {
    static const wchar_t* kNames[] = {L"", L"Add", L"Count", L"Item", L"Remove"};
    if (id < 1 || id > 4) return DISP_E_MEMBERNOTFOUND;
    asked.push_back(kNames[id]);
    auto index = [&](long& out) {
      if (params->cArgs != 1) return false;
      Var i;
      if (FAILED(VariantChangeType(&i, &params->rgvarg[0], 0, VT_I4))) return false;
      out = V_I4(&i);
      return out >= 1 && out <= static_cast<long>(items.size());
    };
    long at = 0;
    switch (id) {
      case 1: {
        Var text;
        if (params->cArgs != 1 || FAILED(VariantChangeType(&text, &params->rgvarg[0], 0, VT_BSTR)))
          return DISP_E_TYPEMISMATCH;
        items.emplace_back(V_BSTR(&text), SysStringLen(V_BSTR(&text)));
        return S_OK;
      }
      case 2:
        if (result) {
          V_VT(result) = VT_I4;
          V_I4(result) = static_cast<long>(items.size());
        }
        return S_OK;
      case 3:
        if (!index(at)) return DISP_E_BADINDEX;
        if (result) {
          const std::wstring& item = items[static_cast<size_t>(at - 1)];
          V_VT(result) = VT_BSTR;
          V_BSTR(result) = SysAllocStringLen(item.data(), static_cast<UINT>(item.size()));
        }
        return S_OK;
      default:
        if (!index(at)) return DISP_E_BADINDEX;
        items.erase(items.begin() + (at - 1));
        return S_OK;
    }
  }
};

// A charge record: the 29 properties of the SDK's RegistroCargo, "Campo000" to "Campo028", held as
// VARIANTs; the SDK's reads and writes are counted.
class HostCharge final : public HostObject {
 public:
  static constexpr int kFields = 29;
  HostCharge() {
    for (int i = 0; i < kFields; ++i) {
      wchar_t field[16];
      swprintf(field, 16, L"Campo%03d", i);
      name(field, i + 1);
      VariantInit(&values[i]);
    }
  }
  ~HostCharge() override {
    for (VARIANT& v : values) VariantClear(&v);
  }
  VARIANT values[kFields];
  int reads = 0, writes = 0;

  void set_double(int field, double value) {
    VariantClear(&values[field]);
    V_VT(&values[field]) = VT_R8;
    V_R8(&values[field]) = value;
  }

 protected:
  HRESULT invoke(DISPID id, WORD flags, DISPPARAMS* params, VARIANT* result) override {
    if (id < 1 || id > kFields) return DISP_E_MEMBERNOTFOUND;
    VARIANT& value = values[id - 1];
    if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
      if (params->cArgs != 1) return DISP_E_BADPARAMCOUNT;
      ++writes;
      return VariantCopyInd(&value, &params->rgvarg[0]);
    }
    ++reads;
    return result ? VariantCopy(result, &value) : S_OK;
  }
};

// Type information that names a class and describes nothing else: what the library's class check
// reads (TypeName), as a host's own record would offer it.
ITypeInfo* type_info_named(const wchar_t* name) {
  Ref<ICreateTypeLib2> library;
  if (FAILED(CreateTypeLib2(SYS_WIN64, L"host_records.tlb", library.out()))) return nullptr;
  Ref<ICreateTypeInfo> created;
  if (FAILED(library->CreateTypeInfo(const_cast<LPOLESTR>(name), TKIND_DISPATCH, created.out())))
    return nullptr;
  ITypeInfo* info = nullptr;
  if (FAILED(created->QueryInterface(IID_ITypeInfo, reinterpret_cast<void**>(&info))))
    return nullptr;
  return info;
}

// ---- Late-bound calls, as a host's code makes them -------------------------------------------

// Arguments last to first, as Invoke takes them; the call owns them and clears them after it.
HRESULT call(IDispatch* d, const wchar_t* member, WORD flags, std::vector<VARIANT> args_reversed,
             VARIANT* result, Excep* excep = nullptr) {
  struct Clear {
    std::vector<VARIANT>& args;
    ~Clear() {
      for (VARIANT& v : args) VariantClear(&v);
    }
  } clear{args_reversed};
  LPOLESTR names[] = {const_cast<LPOLESTR>(member)};
  DISPID id = DISPID_UNKNOWN;
  HRESULT hr = d->GetIDsOfNames(IID_NULL, names, 1, 0x409, &id);
  if (FAILED(hr)) return hr;
  DISPID put = DISPID_PROPERTYPUT;
  DISPPARAMS params{args_reversed.empty() ? nullptr : args_reversed.data(), nullptr,
                    static_cast<UINT>(args_reversed.size()), 0};
  if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
    params.rgdispidNamedArgs = &put;
    params.cNamedArgs = 1;
  }
  Excep ignored;
  UINT bad = 0;
  return d->Invoke(id, IID_NULL, 0x409, flags, &params, result, excep ? excep : &ignored, &bad);
}

VARIANT text(const wchar_t* s) {
  VARIANT v;
  V_VT(&v) = VT_BSTR;
  V_BSTR(&v) = SysAllocString(s);
  return v;
}

VARIANT object(IDispatch* d) {
  VARIANT v;
  V_VT(&v) = VT_DISPATCH;
  V_DISPATCH(&v) = d;
  d->AddRef();
  return v;
}

bool method(IDispatch* d, const wchar_t* member, std::vector<VARIANT> args_reversed,
            VARIANT* result = nullptr) {
  Var ignored;
  HRESULT hr =
      call(d, member, DISPATCH_METHOD, std::move(args_reversed), result ? result : &ignored);
  check(SUCCEEDED(hr), utf8(member) + ": " + hex(hr));
  return SUCCEEDED(hr);
}

bool put_object(IDispatch* d, const wchar_t* property, IDispatch* value) {
  Var ignored;
  HRESULT hr = call(d, property, DISPATCH_PROPERTYPUTREF, {object(value)}, nullptr);
  check(SUCCEEDED(hr), "Set " + utf8(property) + ": " + hex(hr));
  return SUCCEEDED(hr);
}

// The object a property holds, with a reference for the caller; null on failure.
IDispatch* get_object(IDispatch* d, const wchar_t* property) {
  Var value;
  HRESULT hr = call(d, property, DISPATCH_PROPERTYGET, {}, &value);
  if (FAILED(hr) || V_VT(&value) != VT_DISPATCH || !V_DISPATCH(&value)) {
    fail(utf8(property) + " holds no object: " + hex(hr));
    return nullptr;
  }
  IDispatch* out = V_DISPATCH(&value);
  out->AddRef();
  return out;
}

Ref<IDispatch> create(REFCLSID clsid, const char* what) {
  Ref<IDispatch> d;
  HRESULT hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, d.out_void());
  check(SUCCEEDED(hr), std::string("CoCreateInstance ") + what + ": " + hex(hr));
  return d;
}

bool connect(IDispatch* d, const wchar_t* location, bool must_connect = true) {
  Var answer;
  if (!method(d, L"TelvarConectarLobix", {text(L"secreto"), text(L"CAJERO"), text(location)},
              &answer))
    return false;
  bool connected = V_VT(&answer) == VT_BOOL && V_BOOL(&answer) == VARIANT_TRUE;
  if (must_connect) check(connected, "TelvarConectarLobix did not connect");
  return connected;
}

long count_of(IDispatch* list) {
  Var n;
  if (FAILED(call(list, L"Count", DISPATCH_METHOD | DISPATCH_PROPERTYGET, {}, &n)) ||
      FAILED(VariantChangeType(&n, &n, 0, VT_I4)))
    return -1;
  return V_I4(&n);
}

// ---- The checks ----------------------------------------------------------------------------

// The client's collection in Db_Datos.ListaResultados: the record fill reads it by name.
void check_host_collection(const wchar_t* hotel) {
  HostList list;
  {
    Ref<IDispatch> guests = create(CLSID_Db_Datos, "Db_Datos");
    if (!guests || !connect(guests.get(), hotel)) return;
    // 45 fields of a guest as the SDK writes them: item 2 is the name.
    for (int i = 1; i <= 45; ++i) list.items.push_back(i == 2 ? L"CLIENTE PROPIO" : L"1");
    for (int i : {33, 34, 35, 36}) list.items[i - 1] = L"1/2/2025";
    if (!put_object(guests.get(), L"ListaResultados", &list)) return;
    const ULONG held = list.refs();
    check(held > 1, "the library holds no reference to the client's collection");
    // The same collection in a second property is the same object to the library (by its
    // IUnknown): no second stand-in, no second reference; and a list query replaces it there.
    if (put_object(guests.get(), L"GetList_ListaResultados", &list)) {
      check(list.refs() == held, "the client's collection got a second stand-in in the library");
      method(guests.get(), L"GetList_HuespedesEnCasa", {});
      check(list.refs() == held, "replacing one of two properties let go of the collection");
    }
    {
      Ref<IDispatch> back;
      *back.out() = get_object(guests.get(), L"ListaResultados");
      check(back.get() == static_cast<IDispatch*>(&list),
            "ListaResultados does not give back the client's own collection");
    }
    if (!method(guests.get(), L"GetEntityObject", {})) return;
    check(!list.asked.empty() && list.asked.front() == L"Count",
          "the record fill did not ask the client's collection for its Count");
    check(list.asked.size() == 46, "the record fill called the client's collection " +
                                       std::to_string(list.asked.size()) + " times, not 46");
    Ref<IDispatch> record;
    *record.out() = get_object(guests.get(), L"Db_Datos_Sdk_Info");
    if (record) {
      Var name;
      HRESULT hr = call(record.get(), L"NOMBREDA", DISPATCH_PROPERTYGET, {}, &name);
      check(SUCCEEDED(hr) && V_VT(&name) == VT_BSTR &&
                std::wstring(V_BSTR(&name)) == L"CLIENTE PROPIO",
            "the SDK's guest record did not get the name from the client's collection");
    }
    // A look-up replaces the property with the library's own collection: the client's is let go.
    method(guests.get(), L"GetHuespedByNumHab", {text(L"A"), text(L"101")});
    Ref<IDispatch> fields;
    *fields.out() = get_object(guests.get(), L"ListaResultados");
    check(fields && fields.get() != static_cast<IDispatch*>(&list),
          "a look-up kept the client's collection");
    check(count_of(fields.get()) == 45, "the look-up of room 101 did not give 45 fields");
    check(list.refs() == 1, "the library still holds the client's collection after a look-up");
  }
  check(list.refs() == 1, "the client's collection has " + std::to_string(list.refs()) +
                              " references after the library let go, not 1");
}

// The client's charge record in DB_CAPCT.Db_CapCt_Sdk_Info: a search by example and a posting, each
// handed to the SDK as it is.
void check_host_record(const wchar_t* hotel) {
  HostCharge example, charge, nameless;
  example.set_type_info(type_info_named(L"RegistroCargo"));
  charge.set_type_info(type_info_named(L"RegistroCargo"));
  UINT described = 0;
  example.GetTypeInfoCount(&described);
  if (described != 1) {
    fail("no type information could be made for the client's record");
    return;
  }
  {
    Ref<IDispatch> charges = create(CLSID_DB_CAPCT, "DB_CAPCT");
    if (!charges || !connect(charges.get(), hotel)) return;
    example.set_double(1, 101);  // the room: the demo database has two charges there
    if (!put_object(charges.get(), L"Db_CapCt_Sdk_Info", &example)) return;
    if (method(charges.get(), L"CapCt_Findby", {})) {
      check(example.reads > 0, "the SDK never read the client's example record");
      check(example.writes == 0, "searching wrote into the client's example record");
      Ref<IDispatch> found;
      *found.out() = get_object(charges.get(), L"ListaResultados");
      check(count_of(found.get()) == 2, "the search by the client's record found " +
                                            std::to_string(count_of(found.get())) +
                                            " charges of room 101, not 2");
    }

    charge.set_double(1, 202);
    charge.set_double(5, 99.5);
    if (put_object(charges.get(), L"Db_CapCt_Sdk_Info", &charge)) {
      Var number;
      if (method(charges.get(), L"GenerarCargo", {}, &number)) {
        check(V_VT(&number) == VT_R8 && V_R8(&number) > 0, "GenerarCargo gave no number");
        check(V_VT(&charge.values[0]) == VT_R8 && V_R8(&charge.values[0]) == V_R8(&number),
              "the SDK did not write the number it assigned into the client's record");
      }
    }

    // Without type information the record's TypeName is "Object": refused before the SDK.
    if (put_object(charges.get(), L"Db_CapCt_Sdk_Info", &nameless)) {
      Var ignored;
      Excep excep;
      HRESULT hr = call(charges.get(), L"CapCt_Findby", DISPATCH_METHOD, {}, &ignored, &excep);
      check(hr == DISP_E_EXCEPTION && excep.scode == static_cast<SCODE>(0x800A000D),
            "CapCt_Findby with a record of no class: " + hex(hr) + " " + hex(excep.scode));
      check(nameless.calls == 0, "the SDK was handed a record of no class");
    }
    check(example.refs() == 1, "the library still holds the client's example record");
  }
  for (HostCharge* record : {&example, &charge, &nameless})
    check(record->refs() == 1, "a client record has " + std::to_string(record->refs()) +
                                   " references after the library let go, not 1");
  example.release_type_info();
  charge.release_type_info();
}

// A failure inside the SDK: a query after a connection to a folder that holds no database.
void check_component_error(const wchar_t* hotel) {
  Ref<IDispatch> guests = create(CLSID_Db_Datos, "Db_Datos");
  if (!guests) return;
  std::wstring nowhere = std::wstring(hotel) + L"\\no-such-folder";
  check(!connect(guests.get(), nowhere.c_str(), false), "a folder without a database connected");
  Var ignored;
  Excep excep;
  HRESULT hr =
      call(guests.get(), L"GetList_HuespedesEnCasa", DISPATCH_METHOD, {}, &ignored, &excep);
  check(hr == DISP_E_EXCEPTION, "a query without a database: " + hex(hr));
  check(excep.scode == static_cast<SCODE>(0x800A0C4A),
        "the SDK's error number 3146 arrived as " + hex(excep.scode));
  check(excep.bstrSource && std::wstring(excep.bstrSource) == L"LobixSdkCore",
        "the SDK's error source arrived as '" + utf8(excep.bstrSource) + "'");
  check(excep.bstrDescription && SysStringLen(excep.bstrDescription) > 0,
        "the SDK's error arrived without its text");
  SetErrorInfo(0, nullptr);
}

}  // namespace

namespace client {

void run_outside(const wchar_t* hotel) {
  check_host_collection(hotel);
  check_host_record(hotel);
  check_component_error(hotel);
}

}  // namespace client
