// An automation client of HALVORA.dll, compiled against the generated header as a host would be:
// it sees the server only through COM (creation, the vtable, IDispatch, the registered type
// library and the registry), so what it checks is what every real client depends on.
//
//   com_client.exe check EXPECTED_TYPELIB_TXT HOTEL_DIR
//                                               the registered server against the listing; the
//                                               data classes' list members against the hotel
//                                               database in HOTEL_DIR (user CAJERO, secreto)
//   com_client.exe unregistered                 after regsvr32 /u: nothing of it is left
//   com_client.exe internet HOST:PORT           DatosInternet against a gateway runs none of
//                                               the host's own messages
//   com_client.exe outside HOTEL_DIR            the client's own collection and record in the
//                                               library's properties, and the errors of a
//                                               separately registered SDK
//                                               (com_client_outside.cpp)
//   com_client.exe bench                        late-bound property reads per second (prints)
//
// Prints one line per failed check, then "N failure(s)", and exits with N.
#include <ole2.h>
#include <oleauto.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cwctype>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "HALVORA_h.h"
#include "client_support.h"

namespace {

using namespace client;

std::string guid_text(REFGUID guid) {
  wchar_t buffer[64];
  StringFromGUID2(guid, buffer, 64);
  return utf8(buffer);
}

// GUIDs compare without braces and case, whichever way the listing writes them.
std::string guid_key(std::string text) {
  std::erase(text, '{');
  std::erase(text, '}');
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

std::wstring lower(std::wstring text) {
  for (wchar_t& c : text) c = static_cast<wchar_t>(std::towlower(c));
  return text;
}

std::wstring upper(std::wstring text) {
  for (wchar_t& c : text) c = static_cast<wchar_t>(std::towupper(c));
  return text;
}

std::vector<std::string> words(const std::string& line) {
  std::vector<std::string> out;
  size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && line[i] == ' ') ++i;
    size_t start = i;
    while (i < line.size() && line[i] != ' ') ++i;
    if (i > start) out.push_back(line.substr(start, i - start));
  }
  return out;
}

// ---- The listing the generator wrote ------------------------------------------------------

struct Listing {
  std::map<std::string, std::vector<std::string>> members;  // interface -> its lines in order
  std::map<std::string, std::string> coclasses;             // class -> its line
  std::map<std::string, std::string> enums;                 // enum -> its line
  bool read = false;
};

// Both sides are brought to one form so that only real differences show.
std::string normal_coclass(const std::vector<std::string>& w) {
  if (w.size() != 5) return "malformed:";
  return "coclass " + w[1] + " " + guid_key(w[2]) + " " + guid_key(w[3]) + " " + w[4];
}

Listing read_listing(const wchar_t* path) {
  Listing listing;
  FILE* file = _wfopen(path, L"rb");
  if (!file) {
    fail("cannot open " + utf8(path));
    return listing;
  }
  std::string text;
  char buffer[4096];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, n);
  std::fclose(file);
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(pos, end - pos);
    pos = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::vector<std::string> w = words(line);
    if (w.empty()) continue;
    if (w[0] == "coclass") {
      listing.coclasses[w.size() > 1 ? w[1] : ""] = normal_coclass(w);
    } else if (w[0] == "enum") {
      listing.enums[w.size() > 1 ? w[1] : ""] = line;
    } else if (w.size() == 6) {
      listing.members[w[0]].push_back(line);
    } else {
      fail("unreadable line in the listing: " + line);
    }
  }
  listing.read = true;
  if (listing.members.empty() || listing.coclasses.empty())
    fail("the listing names no members or no coclasses");
  return listing;
}

// The dispatch ids the listing gives one interface, by member name.
std::map<std::wstring, DISPID> listed_dispids(const Listing& listing, const std::string& iface) {
  std::map<std::wstring, DISPID> out;
  auto it = listing.members.find(iface);
  if (it == listing.members.end()) return out;
  for (const std::string& line : it->second) {
    std::vector<std::string> w = words(line);
    out[wide(w[1])] = static_cast<DISPID>(std::stoul(w[2], nullptr, 16));
  }
  return out;
}

// ---- Registry -------------------------------------------------------------------------------

bool key_exists(const std::wstring& path) {
  HKEY key;
  if (RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
    return false;
  RegCloseKey(key);
  return true;
}

// A string value under HKCR; nullopt-like empty pair.first == false when absent.
std::pair<bool, std::wstring> reg_string(const std::wstring& path, const wchar_t* value) {
  wchar_t buffer[1024];
  DWORD size = sizeof buffer;
  LONG rc =
      RegGetValueW(HKEY_CLASSES_ROOT, path.c_str(), value, RRF_RT_REG_SZ, nullptr, buffer, &size);
  if (rc != ERROR_SUCCESS) return {false, {}};
  return {true, buffer};
}

void expect_reg(const std::wstring& path, const wchar_t* value, const std::wstring& want,
                bool whole = true) {
  auto [found, got] = reg_string(path, value);
  std::string where = "HKCR\\" + utf8(path.c_str()) + (value ? " " + utf8(value) : " (default)");
  if (!found) {
    fail(where + " is missing");
    return;
  }
  bool ok = whole ? lower(got) == lower(want)
                  : got.size() >= want.size() &&
                        lower(got.substr(got.size() - want.size())) == lower(want);
  check(ok, where + " is '" + utf8(got.c_str()) + "', expected " + (whole ? "" : "... ") + "'" +
                utf8(want.c_str()) + "'");
}

void check_registry(const Listing& listing) {
  std::wstring clsid = wide(guid_text(CLSID_Document));
  std::wstring libid = wide(guid_text(LIBID_HALVORA));
  expect_reg(L"HALVORA.Document\\CLSID", nullptr, clsid);
  std::wstring base = L"CLSID\\" + clsid;
  expect_reg(base + L"\\InprocServer32", nullptr, L"HALVORA.dll", false);
  expect_reg(base + L"\\InprocServer32", L"ThreadingModel", L"Apartment");
  expect_reg(base + L"\\ProgID", nullptr, L"HALVORA.Document");
  expect_reg(base + L"\\TypeLib", nullptr, libid);
  check(key_exists(L"TypeLib\\" + libid + L"\\1.0"), "the type library is not registered");

  // Every other class the listing publishes is registered the same way.
  for (const auto& [name, line] : listing.coclasses) {
    std::vector<std::string> w = words(line);
    if (w.size() != 5 || name == "Document") continue;
    std::wstring progid = L"HALVORA." + wide(name);
    auto [found, got] = reg_string(progid + L"\\CLSID", nullptr);
    if (!found) {
      fail("HKCR\\" + utf8(progid.c_str()) + "\\CLSID is missing");
      continue;
    }
    check(guid_key(utf8(got.c_str())) == w[2],
          "HKCR\\" + utf8(progid.c_str()) + "\\CLSID is " + utf8(got.c_str()));
  }
}

// ---- Early binding ----------------------------------------------------------------------------

void check_early_bound(_Document* doc) {
  const wchar_t* card = L"ñandú-1001";
  Bstr value(card);
  HRESULT hr = doc->put_TarjetaVIP(value.get());
  check(hr == S_OK, "put_TarjetaVIP: " + hex(hr));
  Bstr back;
  hr = doc->get_TarjetaVIP(back.out());
  check(hr == S_OK && back.text() == card,
        "get_TarjetaVIP: " + hex(hr) + " '" + utf8(back.text().c_str()) + "'");

  for (long reason = 0; reason <= 3; ++reason) {
    long inst = 0x1234, why = reason, reserved = -7;
    VARIANT_BOOL result = 42;
    hr = doc->DllMain(&inst, &why, &reserved, &result);
    std::string what = "DllMain(reason " + std::to_string(reason) + ")";
    check(hr == S_OK, what + ": " + hex(hr));
    check(result == (reason == 1 ? VARIANT_TRUE : VARIANT_FALSE),
          what + " returned " + std::to_string(result));
    check(inst == 0x1234 && why == reason && reserved == -7,
          what + " changed its by-reference arguments");
  }

  // HALVORA_NETSTATE is "online,lan" for this run.
  struct Probe {
    const char* name;
    HRESULT (STDMETHODCALLTYPE _Document::*call)(VARIANT_BOOL*);
    VARIANT_BOOL want;
  };
  const Probe probes[] = {
      {"Lan", &_Document::Lan, VARIANT_TRUE},
      {"Modem", &_Document::Modem, VARIANT_FALSE},
      {"Proxy", &_Document::Proxy, VARIANT_FALSE},
      {"Online", &_Document::Online, VARIANT_TRUE},
  };
  for (const Probe& p : probes) {
    VARIANT_BOOL result = 42;
    hr = (doc->*p.call)(&result);
    check(hr == S_OK && result == p.want,
          std::string(p.name) + ": " + hex(hr) + " returned " + std::to_string(result));
  }
}

// A failing vtable call leaves its error where GetErrorInfo finds it, as scripts and compiled
// hosts read errors from there rather than from the HRESULT alone.
void expect_error_info(IUnknown* object, REFIID iid, HRESULT hr, const std::string& call,
                       HRESULT want_hr, const wchar_t* want_description,
                       const wchar_t* want_source) {
  Ref<ISupportErrorInfo> support;
  HRESULT qi = object->QueryInterface(IID_ISupportErrorInfo, support.out_void());
  if (FAILED(qi))
    fail(call + ": the object has no ISupportErrorInfo: " + hex(qi));
  else
    check(support->InterfaceSupportsErrorInfo(iid) == S_OK,
          call + ": InterfaceSupportsErrorInfo says no for " + guid_text(iid));
  check(hr == want_hr, call + " returned " + hex(hr) + ", expected " + hex(want_hr));
  Ref<IErrorInfo> info;
  if (GetErrorInfo(0, info.out()) != S_OK || !info) {
    fail(call + ": no IErrorInfo after it failed with " + hex(hr));
    return;
  }
  Bstr description, source;
  info->GetDescription(description.out());
  info->GetSource(source.out());
  check(description.text() == want_description, call + ": IErrorInfo description '" +
                                                    utf8(description.text().c_str()) +
                                                    "', expected '" + utf8(want_description) + "'");
  check(source.text() == want_source, call + ": IErrorInfo source '" + utf8(source.text().c_str()) +
                                          "', expected '" + utf8(want_source) + "'");
}

void check_error_info(_Document* doc) {
  Ref<ISupportErrorInfo> support;
  HRESULT hr = doc->QueryInterface(IID_ISupportErrorInfo, support.out_void());
  if (FAILED(hr))
    fail("Document has no ISupportErrorInfo: " + hex(hr));
  else
    check(support->InterfaceSupportsErrorInfo(IID__Document) == S_OK,
          "InterfaceSupportsErrorInfo(_Document) says no");
  hr = doc->get_TarjetaVIP(nullptr);
  check(hr == E_POINTER, "get_TarjetaVIP(nullptr): " + hex(hr) + ", expected E_POINTER");

#ifdef ___ActualizaInventario_INTERFACE_DEFINED__
  // Document reports its own failures in boxes; InvokeWebService is the published member whose
  // failure reaches the caller, with the HTTP layer's code, text and source.
  Ref<_ActualizaInventario> channel;
  hr = CoCreateInstance(CLSID_ActualizaInventario, nullptr, CLSCTX_INPROC_SERVER,
                        IID__ActualizaInventario, channel.out_void());
  if (FAILED(hr)) {
    fail("CoCreateInstance(CLSID_ActualizaInventario): " + hex(hr));
    return;
  }
  SetErrorInfo(0, nullptr);
  Bstr soap(L"<x/>"), action(L"urn:a"), url(L"http://127.0.0.1:1/channel");
  Var response;
  response.vt = VT_BSTR;
  response.bstrVal = SysAllocString(L"before");
  VARIANT_BOOL ok = 42;
  hr = channel->InvokeWebService(soap.get(), action.get(), url.get(), &response, &ok);
  expect_error_info(channel.get(), IID__ActualizaInventario, hr,
                    "InvokeWebService to a closed port", static_cast<HRESULT>(0x800C0005),
                    L"The system cannot locate the resource specified.", L"msxml6.dll");
  check(response.vt == VT_BSTR && std::wstring(response.bstrVal) == L"before",
        "InvokeWebService changed its by-reference argument although it failed");
  SetErrorInfo(0, nullptr);
#else
  fail("the header has no _ActualizaInventario: no early-bound failing call to check");
#endif
}

// ---- Late binding -----------------------------------------------------------------------------

HRESULT invoke(IDispatch* d, DISPID id, WORD flags, std::vector<VARIANT>& args_reversed,
               VARIANT* result, EXCEPINFO* excep) {
  DISPID put = DISPID_PROPERTYPUT;
  DISPPARAMS params{};
  params.rgvarg = args_reversed.empty() ? nullptr : args_reversed.data();
  params.cArgs = static_cast<UINT>(args_reversed.size());
  if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
    params.rgdispidNamedArgs = &put;
    params.cNamedArgs = 1;
  }
  UINT bad = 0;
  return d->Invoke(id, IID_NULL, 0x409, flags, &params, result, excep, &bad);
}

void check_names(IDispatch* d, const std::map<std::wstring, DISPID>& listed) {
  for (const auto& [name, want] : listed) {
    for (const std::wstring& spelling : {name, lower(name), upper(name)}) {
      LPOLESTR names[] = {const_cast<LPOLESTR>(spelling.c_str())};
      DISPID got = 0;
      HRESULT hr = d->GetIDsOfNames(IID_NULL, names, 1, 0x409, &got);
      check(hr == S_OK && got == want, "GetIDsOfNames(" + utf8(spelling.c_str()) + "): " + hex(hr) +
                                           " id " + hex(got) + ", expected " + hex(want));
    }
  }
  LPOLESTR unknown[] = {const_cast<LPOLESTR>(L"NoSuchMember")};
  DISPID got = 0;
  HRESULT hr = d->GetIDsOfNames(IID_NULL, unknown, 1, 0x409, &got);
  check(hr == DISP_E_UNKNOWNNAME, "GetIDsOfNames(NoSuchMember): " + hex(hr));
  check(got == DISPID_UNKNOWN, "GetIDsOfNames(NoSuchMember) gave id " + hex(got));
}

DISPID id_of(const std::map<std::wstring, DISPID>& listed, const wchar_t* name) {
  auto it = listed.find(name);
  if (it != listed.end()) return it->second;
  fail("the listing has no " + utf8(name));
  return DISPID_UNKNOWN;
}

void check_late_bound(IDispatch* d, const std::map<std::wstring, DISPID>& listed) {
  DISPID card = id_of(listed, L"TarjetaVIP");
  DISPID dll_main = id_of(listed, L"DllMain");
  DISPID lan = id_of(listed, L"Lan");

  {
    std::vector<VARIANT> args(1);
    VariantInit(&args[0]);
    args[0].vt = VT_BSTR;
    args[0].bstrVal = SysAllocString(L"Ñ-2002");
    HRESULT hr = invoke(d, card, DISPATCH_PROPERTYPUT, args, nullptr, nullptr);
    VariantClear(&args[0]);
    check(hr == S_OK, "Invoke TarjetaVIP put: " + hex(hr));
    std::vector<VARIANT> none;
    Var result;
    hr = invoke(d, card, DISPATCH_PROPERTYGET, none, &result, nullptr);
    check(hr == S_OK && result.vt == VT_BSTR && result.bstrVal &&
              std::wstring(result.bstrVal) == L"Ñ-2002",
          "Invoke TarjetaVIP get: " + hex(hr) + " vt " + std::to_string(result.vt));
  }

  // How scripts pass variables to by-reference parameters: VT_VARIANT|VT_BYREF, and typed
  // references from compiled hosts.
  for (long reason : {1L, 2L}) {
    Var inst, reserved;
    inst.vt = VT_I2;
    inst.iVal = 77;
    reserved.vt = VT_BSTR;
    reserved.bstrVal = SysAllocString(L"5");
    long why = reason;
    std::vector<VARIANT> args(3);  // reversed: lpvReserved, fdwReason, hInst
    args[0].vt = VT_VARIANT | VT_BYREF;
    args[0].pvarVal = &reserved;
    args[1].vt = VT_I4 | VT_BYREF;
    args[1].plVal = &why;
    args[2].vt = VT_VARIANT | VT_BYREF;
    args[2].pvarVal = &inst;
    Var result;
    HRESULT hr = invoke(d, dll_main, DISPATCH_METHOD, args, &result, nullptr);
    std::string what = "Invoke DllMain(reason " + std::to_string(reason) + ")";
    check(hr == S_OK, what + ": " + hex(hr));
    check(result.vt == VT_BOOL && result.boolVal == (reason == 1 ? VARIANT_TRUE : VARIANT_FALSE),
          what + " result vt " + std::to_string(result.vt));
    check(why == reason, what + " changed fdwReason to " + std::to_string(why));
    Var number;
    check(VariantChangeType(&number, &inst, 0, VT_I4) == S_OK && number.lVal == 77,
          what + " did not write hInst back as 77 (vt " + std::to_string(inst.vt) + ")");
    check(VariantChangeType(&number, &reserved, 0, VT_I4) == S_OK && number.lVal == 5,
          what + " did not write lpvReserved back as 5 (vt " + std::to_string(reserved.vt) + ")");
  }

  {
    SetErrorInfo(0, nullptr);
    std::vector<VARIANT> args(1);
    VariantInit(&args[0]);
    args[0].vt = VT_I4;
    args[0].lVal = 1;
    Var result;
    Excep excep;
    HRESULT hr = invoke(d, lan, DISPATCH_METHOD, args, &result, &excep);
    check(hr == DISP_E_EXCEPTION, "Invoke Lan(1): " + hex(hr) + ", expected DISP_E_EXCEPTION");
    if (excep.pfnDeferredFillIn) excep.pfnDeferredFillIn(&excep);
    check(excep.scode == static_cast<SCODE>(0x800A01C2),
          "Invoke Lan(1): scode " + hex(excep.scode) + " wCode " + std::to_string(excep.wCode));
    std::string description = utf8(excep.bstrDescription);
    check(description == "Wrong number of arguments or invalid property assignment",
          "Invoke Lan(1): description '" + description + "'");
    check(utf8(excep.bstrSource) == "HALVORA",
          "Invoke Lan(1): source '" + utf8(excep.bstrSource) + "'");
  }
}

// ---- Typed results ------------------------------------------------------------------------------

// What a compiled host gets from a list member: a SAFEARRAY of the declared element type, empty,
// lower bound 0 and upper bound -1. Takes ownership of the array.
void check_empty_array(HRESULT hr, SAFEARRAY* array, VARTYPE want, const std::string& call) {
  if (hr != S_OK || !array) {
    fail(call + ": " + hex(hr) + (array ? "" : ", no SAFEARRAY"));
    return;
  }
  VARTYPE vt = VT_EMPTY;
  LONG low = 99, high = 99;
  SafeArrayGetVartype(array, &vt);
  SafeArrayGetLBound(array, 1, &low);
  SafeArrayGetUBound(array, 1, &high);
  check(vt == want && SafeArrayGetDim(array) == 1 && low == 0 && high == -1,
        call + ": vt " + std::to_string(vt) + ", " + std::to_string(SafeArrayGetDim(array)) +
            " dimension(s), bounds " + std::to_string(low) + " to " + std::to_string(high));
  SafeArrayDestroy(array);
}

// The same member called late-bound, as scripts call it: the result VARIANT holds the SAFEARRAY of
// the declared element type (VT_ARRAY|VT_BSTR), not an array of Variants.
void check_invoked_array(IDispatch* object, const wchar_t* member, VARTYPE want) {
  std::string call = "Invoke " + utf8(member);
  LPOLESTR names[] = {const_cast<LPOLESTR>(member)};
  DISPID id = DISPID_UNKNOWN;
  HRESULT hr = object->GetIDsOfNames(IID_NULL, names, 1, 0x409, &id);
  std::vector<VARIANT> none;
  Var result;
  if (SUCCEEDED(hr)) hr = invoke(object, id, DISPATCH_METHOD, none, &result, nullptr);
  if (hr != S_OK || result.vt != (VT_ARRAY | want)) {
    fail(call + ": " + hex(hr) + " vt " + std::to_string(result.vt));
    return;
  }
  check_empty_array(S_OK, result.parray, want, call);
  result.vt = VT_EMPTY;  // the array is destroyed above
}

// A data class, created and connected to the hotel database as a compiled host does it.
template <class I>
bool connect(Ref<I>& object, REFCLSID clsid, REFIID iid, const wchar_t* hotel,
             const std::string& name) {
  HRESULT hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, iid, object.out_void());
  if (FAILED(hr)) {
    fail("CoCreateInstance(" + name + "): " + hex(hr));
    return false;
  }
  // The user and password are by reference, as the member table declares them.
  Bstr dir(hotel);
  BSTR user = SysAllocString(L"CAJERO"), password = SysAllocString(L"secreto");
  VARIANT_BOOL connected = VARIANT_FALSE;
  hr = object->TelvarConectarLobix(dir.get(), &user, &password, &connected);
  SysFreeString(user);
  SysFreeString(password);
  check(hr == S_OK && connected == VARIANT_TRUE,
        name + ".TelvarConectarLobix: " + hex(hr) + " answered " + std::to_string(connected));
  return hr == S_OK && connected == VARIANT_TRUE;
}

void check_array_results(const wchar_t* hotel) {
  SAFEARRAY* array = nullptr;
  Ref<_Db_Datos> guests;
  if (connect(guests, CLSID_Db_Datos, IID__Db_Datos, hotel, "Db_Datos")) {
    HRESULT hr = guests->GetList_HuespedesEnCasa(&array);
    check_empty_array(hr, array, VT_BSTR, "GetList_HuespedesEnCasa");
  }
  Ref<_CUPONES> coupons;
  if (connect(coupons, CLSID_CUPONES, IID__CUPONES, hotel, "CUPONES")) {
    array = nullptr;
    HRESULT hr = coupons->GetCuponesAll(&array);
    check_empty_array(hr, array, VT_BSTR, "GetCuponesAll");
    array = nullptr;
    hr = coupons->GetTipoCuponAll(&array);
    check_empty_array(hr, array, VT_BSTR, "GetTipoCuponAll");
    check_invoked_array(coupons.get(), L"GetCuponesAll", VT_BSTR);
  }
  Ref<_TABCONF> tables;
  if (connect(tables, CLSID_TABCONF, IID__TABCONF, hotel, "TABCONF")) {
    array = nullptr;
    HRESULT hr = tables->GetListTabConf(&array);
    check_empty_array(hr, array, VT_BSTR, "GetListTabConf");
  }
  Ref<_DB_CAPCT> charges;
  if (connect(charges, CLSID_DB_CAPCT, IID__DB_CAPCT, hotel, "DB_CAPCT")) {
    array = nullptr;
    Bstr omit(L"N");
    HRESULT hr = charges->GetListCargos(202, 0, 0, 0, omit.get(), &array);
    check_empty_array(hr, array, VT_DISPATCH, "GetListCargos");
  }
}

// The command is declared as the published enumeration and crosses as its 32-bit value, through
// the vtable and through IDispatch alike.
void check_command_enumeration() {
  Ref<_Internet> internet;
  HRESULT hr = CoCreateInstance(CLSID_Internet, nullptr, CLSCTX_INPROC_SERVER, IID__Internet,
                                internet.out_void());
  if (FAILED(hr)) {
    fail("CoCreateInstance(CLSID_Internet): " + hex(hr));
    return;
  }
  hr = internet->put_comando(Consulta);
  TipoComando command = Alta;
  HRESULT got = internet->get_comando(&command);
  check(hr == S_OK && got == S_OK && command == Consulta,
        "comando through the vtable: put " + hex(hr) + ", get " + hex(got) + " gave " +
            std::to_string(static_cast<int>(command)));

  LPOLESTR names[] = {const_cast<LPOLESTR>(L"comando")};
  DISPID id = DISPID_UNKNOWN;
  internet->GetIDsOfNames(IID_NULL, names, 1, 0x409, &id);
  std::vector<VARIANT> args(1);
  VariantInit(&args[0]);
  args[0].vt = VT_I4;
  args[0].lVal = Baja;
  hr = invoke(internet.get(), id, DISPATCH_PROPERTYPUT, args, nullptr, nullptr);
  std::vector<VARIANT> none;
  Var result;
  got = invoke(internet.get(), id, DISPATCH_PROPERTYGET, none, &result, nullptr);
  check(hr == S_OK && got == S_OK && result.vt == VT_I4 && result.lVal == Baja,
        "comando through IDispatch: put " + hex(hr) + ", get " + hex(got) + " vt " +
            std::to_string(result.vt));
}

// ---- The registered type library -----------------------------------------------------------

std::string member_name(ITypeInfo* info, MEMBERID id) {
  Bstr name;
  info->GetDocumentation(id, name.out(), nullptr, nullptr, nullptr);
  return utf8(name.text().c_str());
}

const char* invoke_kind(INVOKEKIND kind) {
  switch (kind) {
    case INVOKE_FUNC:
      return "func";
    case INVOKE_PROPERTYGET:
      return "get";
    case INVOKE_PROPERTYPUT:
      return "put";
    case INVOKE_PROPERTYPUTREF:
      return "putref";
  }
  return "?";
}

// A parameter's type as the IDL writes it ("BSTR", "long*", "SAFEARRAY(BSTR)*", "TipoComando"),
// which is how the listing names it.
std::string type_text(ITypeInfo* info, const TYPEDESC& type) {
  switch (type.vt) {
    case VT_PTR:
      return type.lptdesc ? type_text(info, *type.lptdesc) + "*" : "?*";
    case VT_SAFEARRAY:
      return "SAFEARRAY(" + (type.lptdesc ? type_text(info, *type.lptdesc) : "?") + ")";
    case VT_USERDEFINED: {
      Ref<ITypeInfo> named;
      if (FAILED(info->GetRefTypeInfo(type.hreftype, named.out()))) return "?";
      return member_name(named.get(), MEMBERID_NIL);
    }
    case VT_BOOL:
      return "VARIANT_BOOL";
    case VT_I2:
      return "short";
    case VT_I4:
      return "long";
    case VT_R8:
      return "double";
    case VT_DATE:
      return "DATE";
    case VT_BSTR:
      return "BSTR";
    case VT_DISPATCH:
      return "IDispatch*";
    case VT_VARIANT:
      return "VARIANT";
    default:
      return "vt" + std::to_string(type.vt);
  }
}

// The interface's own entries; a dual interface is read through its vtable half so that the
// inherited IUnknown and IDispatch entries never appear.
std::vector<std::string> interface_lines(ITypeInfo* info, const std::string& name) {
  static const std::set<std::string> kInherited = {
      "QueryInterface", "AddRef",        "Release", "GetTypeInfoCount",
      "GetTypeInfo",    "GetIDsOfNames", "Invoke"};
  std::vector<std::string> lines;
  TYPEATTR* attr = nullptr;
  if (FAILED(info->GetTypeAttr(&attr))) return lines;
  Ref<ITypeInfo> vtable_half;
  ITypeInfo* walk = info;
  if (attr->typekind == TKIND_DISPATCH && (attr->wTypeFlags & TYPEFLAG_FDUAL)) {
    HREFTYPE ref;
    if (SUCCEEDED(info->GetRefTypeOfImplType(-1, &ref)) &&
        SUCCEEDED(info->GetRefTypeInfo(ref, vtable_half.out())))
      walk = vtable_half.get();
  }
  info->ReleaseTypeAttr(attr);
  TYPEATTR* walk_attr = nullptr;
  if (FAILED(walk->GetTypeAttr(&walk_attr))) return lines;
  for (UINT i = 0; i < walk_attr->cFuncs; ++i) {
    FUNCDESC* f = nullptr;
    if (FAILED(walk->GetFuncDesc(i, &f))) continue;
    std::string fname = member_name(walk, f->memid);
    if (!kInherited.count(fname)) {
      int params = 0;
      std::string types;
      for (SHORT p = 0; p < f->cParams; ++p) {
        const ELEMDESC& param = f->lprgelemdescParam[p];
        if (!(param.paramdesc.wParamFlags & PARAMFLAG_FRETVAL)) ++params;
        types += (types.empty() ? "" : ",") + type_text(walk, param.tdesc);
      }
      lines.push_back(name + " " + fname + " " + hex(f->memid) + " " + invoke_kind(f->invkind) +
                      " " + std::to_string(params) + " " + (types.empty() ? "-" : types));
    }
    walk->ReleaseFuncDesc(f);
  }
  walk->ReleaseTypeAttr(walk_attr);
  return lines;
}

std::string coclass_line(ITypeInfo* info, const std::string& name, const TYPEATTR* attr) {
  std::string default_iid = "none";
  for (UINT j = 0; j < attr->cImplTypes; ++j) {
    INT flags = 0;
    info->GetImplTypeFlags(j, &flags);
    if (!(flags & IMPLTYPEFLAG_FDEFAULT) || (flags & IMPLTYPEFLAG_FSOURCE)) continue;
    HREFTYPE ref;
    Ref<ITypeInfo> iface;
    TYPEATTR* iattr = nullptr;
    if (SUCCEEDED(info->GetRefTypeOfImplType(j, &ref)) &&
        SUCCEEDED(info->GetRefTypeInfo(ref, iface.out())) &&
        SUCCEEDED(iface->GetTypeAttr(&iattr))) {
      default_iid = guid_text(iattr->guid);
      iface->ReleaseTypeAttr(iattr);
    }
  }
  return normal_coclass({"coclass", name, guid_text(attr->guid), default_iid,
                         (attr->wTypeFlags & TYPEFLAG_FAPPOBJECT) ? "appobject" : "-"});
}

std::string enum_line(ITypeInfo* info, const std::string& name, const TYPEATTR* attr) {
  std::string line = "enum " + name;
  for (UINT v = 0; v < attr->cVars; ++v) {
    VARDESC* var = nullptr;
    if (FAILED(info->GetVarDesc(v, &var))) continue;
    Var value;
    if (var->varkind == VAR_CONST && var->lpvarValue)
      VariantChangeType(&value, var->lpvarValue, 0, VT_I4);
    line += " " + member_name(info, var->memid) + "=" + std::to_string(value.lVal);
    info->ReleaseVarDesc(var);
  }
  return line;
}

void compare_lines(const std::string& what, const std::vector<std::string>& want,
                   const std::vector<std::string>& got) {
  if (want == got) return;
  std::set<std::string> want_set(want.begin(), want.end()), got_set(got.begin(), got.end());
  bool reported = false;
  for (const std::string& line : want)
    if (!got_set.count(line)) {
      fail(what + ": missing '" + line + "'");
      reported = true;
    }
  for (const std::string& line : got)
    if (!want_set.count(line)) {
      fail(what + ": unexpected '" + line + "'");
      reported = true;
    }
  if (!reported) fail(what + ": the entries are in another order");
}

void check_type_library(const Listing& listing) {
  Ref<ITypeLib> lib;
  HRESULT hr = LoadRegTypeLib(LIBID_HALVORA, 1, 0, 0x409, lib.out());
  if (FAILED(hr)) {
    fail("LoadRegTypeLib(LIBID_HALVORA, 1.0): " + hex(hr));
    return;
  }
  std::map<std::string, std::vector<std::string>> members;
  std::map<std::string, std::string> coclasses, enums;
  for (UINT i = 0; i < lib->GetTypeInfoCount(); ++i) {
    Ref<ITypeInfo> info;
    if (FAILED(lib->GetTypeInfo(i, info.out()))) continue;
    std::string name = member_name(info.get(), MEMBERID_NIL);
    TYPEATTR* attr = nullptr;
    if (FAILED(info->GetTypeAttr(&attr))) continue;
    switch (attr->typekind) {
      case TKIND_DISPATCH:
      case TKIND_INTERFACE:
        if (!members.count(name)) members[name] = interface_lines(info.get(), name);
        break;
      case TKIND_COCLASS:
        coclasses[name] = coclass_line(info.get(), name, attr);
        break;
      case TKIND_ENUM:
        enums[name] = enum_line(info.get(), name, attr);
        break;
      default:
        break;
    }
    info->ReleaseTypeAttr(attr);
  }

  auto compare_maps = [](const std::string& what, const auto& want, const auto& got) {
    for (const auto& [name, lines] : want) {
      auto it = got.find(name);
      if (it == got.end()) {
        fail("the type library lacks " + what + " " + name);
        continue;
      }
      if constexpr (std::is_same_v<std::decay_t<decltype(lines)>, std::string>)
        compare_lines(what + " " + name, {lines}, {it->second});
      else
        compare_lines(what + " " + name, lines, it->second);
    }
    for (const auto& [name, lines] : got) {
      bool empty = false;
      if constexpr (!std::is_same_v<std::decay_t<decltype(lines)>, std::string>)
        empty = lines.empty();
      if (!want.count(name) && !empty)
        fail("the type library has an unlisted " + what + " " + name);
    }
  };
  compare_maps("interface", listing.members, members);
  compare_maps("coclass", listing.coclasses, coclasses);
  compare_maps("enum", listing.enums, enums);
}

// ---- Server lifetime ----------------------------------------------------------------------

// Run after every other object is gone: COM unloads an in-process server only when its
// DllCanUnloadNow says so, and a server that says so too early is unloaded under live objects.
void check_unload() {
  HMODULE module = GetModuleHandleW(L"HALVORA.dll");
  if (!module) {
    fail("HALVORA.dll is not loaded after creating an object");
    return;
  }
  using CanUnload = HRESULT(STDAPICALLTYPE*)();
  auto can_unload = reinterpret_cast<CanUnload>(
      reinterpret_cast<void (*)()>(GetProcAddress(module, "DllCanUnloadNow")));
  if (!can_unload) {
    fail("HALVORA.dll does not export DllCanUnloadNow");
    return;
  }
  SetErrorInfo(0, nullptr);
  HRESULT hr = can_unload();
  check(hr == S_OK, "DllCanUnloadNow with no object alive: " + hex(hr));

  Ref<IClassFactory> factory;
  hr = CoGetClassObject(CLSID_Document, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                        factory.out_void());
  if (FAILED(hr)) {
    fail("CoGetClassObject(CLSID_Document): " + hex(hr));
    return;
  }
  Ref<_Document> doc;
  hr = factory->CreateInstance(nullptr, IID__Document, doc.out_void());
  check(SUCCEEDED(hr), "IClassFactory::CreateInstance: " + hex(hr));
  Ref<IUnknown> aggregated;
  hr = factory->CreateInstance(reinterpret_cast<IUnknown*>(doc.get()), IID_IUnknown,
                               aggregated.out_void());
  check(hr == CLASS_E_NOAGGREGATION, "CreateInstance with an outer object: " + hex(hr));
  hr = can_unload();
  check(hr == S_FALSE, "DllCanUnloadNow while an object is held: " + hex(hr));
  doc.reset();
  hr = factory->LockServer(TRUE);
  check(hr == S_OK, "LockServer(TRUE): " + hex(hr));
  hr = can_unload();
  check(hr == S_FALSE, "DllCanUnloadNow while the server is locked: " + hex(hr));
  factory->LockServer(FALSE);
  factory.reset();
  hr = can_unload();
  check(hr == S_OK, "DllCanUnloadNow after every object was released: " + hex(hr));
}

// ---- Room internet inside a host with a message loop ----------------------------------------

// DatosInternet lets the library's own socket and timer events run, so that a host without a
// message loop sees the gateway's reply; a host with one must not find its own window and thread
// messages run inside that call, re-entrantly in the middle of its own code.
constexpr UINT kHostMessage = WM_APP + 0x31;
int host_messages_run = 0;

LRESULT CALLBACK host_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == kHostMessage) {
    ++host_messages_run;
    return 0;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

// Late bound by name, as a host's script would call it.
HRESULT call_by_name(IDispatch* d, const wchar_t* name, WORD flags, VARIANT* value,
                     VARIANT* result) {
  LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
  DISPID id = DISPID_UNKNOWN;
  HRESULT hr = d->GetIDsOfNames(IID_NULL, names, 1, 0x409, &id);
  if (FAILED(hr)) return hr;
  std::vector<VARIANT> args;
  if (value) args.push_back(*value);
  return invoke(d, id, flags, args, result, nullptr);
}

void put(IDispatch* d, const wchar_t* name, VARIANT& value, const std::string& shown) {
  HRESULT hr = call_by_name(d, name, DISPATCH_PROPERTYPUT, &value, nullptr);
  check(hr == S_OK, "Internet." + utf8(name) + " = " + shown + ": " + hex(hr));
}

void put_text(IDispatch* d, const wchar_t* name, const std::wstring& text) {
  Var value;
  value.vt = VT_BSTR;
  value.bstrVal = SysAllocString(text.c_str());
  put(d, name, value, "'" + utf8(text.c_str()) + "'");
}

void put_long(IDispatch* d, const wchar_t* name, long number) {
  Var value;
  value.vt = VT_I4;
  value.lVal = number;
  put(d, name, value, std::to_string(number));
}

std::wstring call_text(IDispatch* d, const wchar_t* name) {
  Var result;
  HRESULT hr = call_by_name(d, name, DISPATCH_METHOD, nullptr, &result);
  if (hr != S_OK || result.vt != VT_BSTR || !result.bstrVal) {
    fail("Internet." + utf8(name) + ": " + hex(hr) + " vt " + std::to_string(result.vt));
    return {};
  }
  return result.bstrVal;
}

// The log once it holds `text`, or as it is after about five seconds of reading it.
std::wstring log_with(IDispatch* net, const std::wstring& text) {
  ULONGLONG deadline = GetTickCount64() + 5000;
  std::wstring log = call_text(net, L"DatosInternet");
  while (log.find(text) == std::wstring::npos && GetTickCount64() < deadline)
    log = call_text(net, L"DatosInternet");
  return log;
}

void run_internet(const std::wstring& gateway) {
  CLSID clsid;
  Ref<IDispatch> net;
  HRESULT hr = CLSIDFromProgID(L"HALVORA.Internet", &clsid);
  if (SUCCEEDED(hr))
    hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, net.out_void());
  if (FAILED(hr)) {
    fail("CoCreateInstance(HALVORA.Internet): " + hex(hr));
    return;
  }
  size_t colon = gateway.rfind(L':');
  put_text(net.get(), L"Host", gateway.substr(0, colon));
  put_text(net.get(), L"Port", colon == std::wstring::npos ? L"" : gateway.substr(colon + 1));
  put_text(net.get(), L"Habitacion", L"305");
  put_text(net.get(), L"Perfil", L"P1");
  put_text(net.get(), L"Tiempo", L"24");

  // Open the room first: its reply shows a box, and a box rightly runs every message.
  put_long(net.get(), L"comando", 0);
  call_text(net.get(), L"CargarInternet");
  std::wstring log = log_with(net.get(), L"Recibiendo datos: OK-ABD");
  check(log.find(L"Recibiendo datos: OK-ABD") != std::wstring::npos, "the room was not opened");

  // A window of the host's (message-only, which needs no display) and its thread's queue.
  WNDCLASSW wc{};
  wc.lpfnWndProc = host_window_proc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"HostWindow";
  RegisterClassW(&wc);
  HWND window = CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                wc.hInstance, nullptr);
  if (!window) {
    fail("CreateWindowExW: " + std::to_string(GetLastError()));
    return;
  }

  // The query's answer shows no box: only DatosInternet runs events while the host waits for it.
  put_long(net.get(), L"comando", 2);
  call_text(net.get(), L"CargarInternet");
  PostMessageW(window, kHostMessage, 1, 0);
  PostThreadMessageW(GetCurrentThreadId(), kHostMessage, 2, 0);
  log = log_with(net.get(), L"Recibiendo datos: 305,P1,24");
  check(log.find(L"Recibiendo datos: 305,P1,24") != std::wstring::npos,
        "DatosInternet did not let the gateway's reply arrive");
  check(host_messages_run == 0, "DatosInternet ran the host window's message");
  // Taken off the queue here without running them: both must still be there.
  std::set<WPARAM> queued;
  MSG msg;
  while (PeekMessageW(&msg, nullptr, kHostMessage, kHostMessage, PM_REMOVE))
    queued.insert(msg.wParam);
  check(queued.count(1), "the host window's message is no longer queued after DatosInternet");
  check(queued.count(2), "the host's thread message is no longer queued after DatosInternet");
  DestroyWindow(window);
}

// ---- Modes ------------------------------------------------------------------------------------

void run_check(const wchar_t* listing_path, const wchar_t* hotel) {
  Listing listing = read_listing(listing_path);
  {
    Ref<_Document> doc;
    HRESULT hr = CoCreateInstance(CLSID_Document, nullptr, CLSCTX_INPROC_SERVER, IID__Document,
                                  doc.out_void());
    if (FAILED(hr)) {
      fail("CoCreateInstance(CLSID_Document, IID__Document): " + hex(hr));
    } else {
      check_early_bound(doc.get());
      check_error_info(doc.get());
      Ref<IDispatch> dispatch;
      hr = doc->QueryInterface(IID_IDispatch, dispatch.out_void());
      if (FAILED(hr)) {
        fail("QueryInterface(IID_IDispatch): " + hex(hr));
      } else {
        auto listed = listed_dispids(listing, "_Document");
        if (listed.empty()) fail("the listing has no _Document members");
        check_names(dispatch.get(), listed);
        check_late_bound(dispatch.get(), listed);
      }
    }
    SetErrorInfo(0, nullptr);
  }
  check_type_library(listing);
  check_array_results(hotel);
  check_command_enumeration();
  check_registry(listing);
  check_unload();
}

void run_unregistered() {
  std::wstring clsid = wide(guid_text(CLSID_Document));
  std::wstring libid = wide(guid_text(LIBID_HALVORA));
  for (const std::wstring& key :
       {std::wstring(L"HALVORA.Document"), L"CLSID\\" + clsid, L"TypeLib\\" + libid + L"\\1.0"})
    check(!key_exists(key), "HKCR\\" + utf8(key.c_str()) + " is still there");
  Ref<IUnknown> object;
  HRESULT hr = CoCreateInstance(CLSID_Document, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                                object.out_void());
  check(hr == REGDB_E_CLASSNOTREG, "CoCreateInstance after unregistering: " + hex(hr));
}

void run_bench() {
  Ref<IDispatch> d;
  HRESULT hr =
      CoCreateInstance(CLSID_Document, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, d.out_void());
  if (FAILED(hr)) {
    fail("CoCreateInstance(CLSID_Document): " + hex(hr));
    return;
  }
  LPOLESTR names[] = {const_cast<LPOLESTR>(L"TarjetaVIP")};
  DISPID id = 0;
  hr = d->GetIDsOfNames(IID_NULL, names, 1, 0x409, &id);
  if (FAILED(hr)) {
    fail("GetIDsOfNames(TarjetaVIP): " + hex(hr));
    return;
  }
  LARGE_INTEGER frequency, start, now;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&start);
  DISPPARAMS none{};
  long long calls = 0;
  double elapsed = 0;
  do {
    for (int i = 0; i < 1000; ++i) {
      Var result;
      hr = d->Invoke(id, IID_NULL, 0x409, DISPATCH_PROPERTYGET, &none, &result, nullptr, nullptr);
      if (FAILED(hr)) {
        fail("Invoke TarjetaVIP get: " + hex(hr));
        return;
      }
    }
    calls += 1000;
    QueryPerformanceCounter(&now);
    elapsed = static_cast<double>(now.QuadPart - start.QuadPart) / frequency.QuadPart;
  } while (elapsed < 1.0);
  std::printf("late-bound property get: %.0f calls/s\n", calls / elapsed);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  std::wstring mode = argc > 1 ? argv[1] : L"";
  bool usage_ok = (mode == L"check" && argc == 4) || (mode == L"internet" && argc == 3) ||
                  (mode == L"outside" && argc == 3) || mode == L"unregistered" || mode == L"bench";
  if (!usage_ok) {
    std::fprintf(stderr,
                 "usage: com_client check EXPECTED_TYPELIB_TXT HOTEL_DIR | internet HOST:PORT | "
                 "outside HOTEL_DIR | unregistered | bench\n");
    return 2;
  }
  HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  if (FAILED(hr)) {
    fail("CoInitializeEx: " + hex(hr));
  } else {
    if (mode == L"check")
      run_check(argv[2], argv[3]);
    else if (mode == L"internet")
      run_internet(argv[2]);
    else if (mode == L"outside")
      run_outside(argv[2]);
    else if (mode == L"unregistered")
      run_unregistered();
    else
      run_bench();
    CoUninitialize();
  }
  std::printf("%d failure(s)\n", failures);
  return failures;
}
