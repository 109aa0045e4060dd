// A server DLL's entry points: class objects for the creatable classes, unloading, and
// self-registration from the server's description (server_library()).
#include <objbase.h>
#include <oleauto.h>
#include <olectl.h>
#include <windows.h>

#include <new>
#include <string>

#include "dispatch.h"

namespace halvora::com {

namespace {

HMODULE g_module = nullptr;

class ClassFactory final : public SingleInterface<IClassFactory> {
 public:
  explicit ClassFactory(const ClassEntry& entry) : entry_(entry) {}

  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    try {
      const ClassInfo* info = server_library().find(entry_.name);
      if (!info || !info->creatable()) return CLASS_E_CLASSNOTAVAILABLE;
      IDispatch* wrapper = entry_.wrap(info->create());
      HRESULT hr = wrapper->QueryInterface(riid, out);
      wrapper->Release();
      return hr;
    } catch (...) {
      return report_current_exception(IID_IClassFactory);
    }
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
    lock_server(lock != FALSE);
    return S_OK;
  }

 private:
  const ClassEntry& entry_;
};

std::wstring wide(std::u16string_view text) {
  return std::wstring(text.begin(), text.end());
}

std::wstring module_path() {
  wchar_t path[MAX_PATH];
  DWORD n = GetModuleFileNameW(g_module, path, MAX_PATH);
  return n == 0 || n >= MAX_PATH ? std::wstring() : std::wstring(path, n);
}

// HKCR\<key>, value <name> (null: the default value) = <value>.
LONG set_value(const std::wstring& key, const wchar_t* name, const std::wstring& value) {
  HKEY handle = nullptr;
  LONG rc = RegCreateKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                            &handle, nullptr);
  if (rc != ERROR_SUCCESS) return rc;
  rc = RegSetValueExW(handle, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                      static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(handle);
  return rc;
}

struct ClassKeys {
  std::wstring progid;  // <type library>.<Name>
  std::wstring clsid;   // CLSID\{...}
};

ClassKeys keys_of(const ClassInfo& info) {
  return {wide(server_library().progid(info)), L"CLSID\\" + wide(info.clsid)};
}

HRESULT register_class(const ClassInfo& info, const std::wstring& path) {
  ClassKeys k = keys_of(info);
  const TypeLibraryInfo& lib = server_library().library;
  std::wstring version = std::to_wstring(lib.major) + L"." + std::to_wstring(lib.minor);
  struct Row {
    std::wstring key;
    const wchar_t* name;
    std::wstring value;
  };
  const Row rows[] = {
      {k.progid, nullptr, wide(info.name)},
      {k.progid + L"\\CLSID", nullptr, wide(info.clsid)},
      {k.clsid, nullptr, k.progid},
      {k.clsid + L"\\InprocServer32", nullptr, path},
      {k.clsid + L"\\InprocServer32", L"ThreadingModel", L"Apartment"},
      {k.clsid + L"\\ProgID", nullptr, k.progid},
      {k.clsid + L"\\TypeLib", nullptr, wide(lib.guid)},
      {k.clsid + L"\\VERSION", nullptr, version},
  };
  for (const Row& r : rows)
    if (set_value(r.key, r.name, r.value) != ERROR_SUCCESS) return SELFREG_E_CLASS;
  return S_OK;
}

void unregister_class(const ClassInfo& info) {
  ClassKeys k = keys_of(info);
  RegDeleteTreeW(HKEY_CLASSES_ROOT, k.progid.c_str());
  RegDeleteTreeW(HKEY_CLASSES_ROOT, k.clsid.c_str());
}

HRESULT unregister_all() {
  for (const ClassEntry& e : class_entries())
    if (const ClassInfo* info = server_library().find(e.name)) unregister_class(*info);
  const TypeLibraryInfo& lib = server_library().library;
  GUID libid;
  std::wstring text = wide(lib.guid);
  if (FAILED(IIDFromString(const_cast<LPOLESTR>(text.c_str()), &libid))) return SELFREG_E_TYPELIB;
  HRESULT hr = UnRegisterTypeLib(libid, lib.major, lib.minor, lib.lcid, SYS_WIN64);
  // Not registered is what we wanted.
  return SUCCEEDED(hr) || hr == TYPE_E_REGISTRYACCESS || hr == TYPE_E_LIBNOTREGISTERED ? S_OK : hr;
}

}  // namespace

HMODULE module_handle() {
  return g_module;
}

}  // namespace halvora::com

using namespace halvora::com;

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    g_module = instance;
    DisableThreadLibraryCalls(instance);
    server_attached();
  }
  return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID riid, LPVOID* out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  for (const ClassEntry& e : class_entries()) {
    if (*e.clsid != clsid) continue;
    auto* factory = new (std::nothrow) ClassFactory(e);
    if (!factory) return E_OUTOFMEMORY;
    HRESULT hr = factory->QueryInterface(riid, out);
    factory->Release();
    return hr;
  }
  return CLASS_E_CLASSNOTAVAILABLE;
}

STDAPI DllCanUnloadNow() {
  return can_unload() ? S_OK : S_FALSE;
}

STDAPI DllRegisterServer() {
  std::wstring path = module_path();
  if (path.empty()) return SELFREG_E_CLASS;
  try {
    for (const ClassEntry& e : class_entries()) {
      const halvora::ClassInfo* info = server_library().find(e.name);
      if (!info) return SELFREG_E_CLASS;
      HRESULT hr = register_class(*info, path);
      if (FAILED(hr)) return hr;
    }
  } catch (...) {
    return E_OUTOFMEMORY;
  }
  ITypeLib* library = nullptr;
  HRESULT hr = LoadTypeLibEx(path.c_str(), REGKIND_NONE, &library);
  if (FAILED(hr)) return SELFREG_E_TYPELIB;
  hr = RegisterTypeLib(library, path.data(), nullptr);
  library->Release();
  return FAILED(hr) ? SELFREG_E_TYPELIB : S_OK;
}

STDAPI DllUnregisterServer() {
  try {
    return unregister_all();
  } catch (...) {
    return E_OUTOFMEMORY;
  }
}
