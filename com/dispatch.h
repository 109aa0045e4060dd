// The COM side of every object a server DLL hands out: reference counting, IDispatch over the
// member tables, rich error information, and the identity map that gives one wrapper per live
// object. The generated typed interfaces derive from ComObject<their widl interface>. The same code
// serves every server built here (HALVORA.dll, LobixSdkCore.dll); each tells it what it publishes.
#pragma once

#include <oaidl.h>
#include <oleauto.h>
#include <windows.h>

#include <atomic>
#include <span>
#include <string>
#include <string_view>

#include "automation/error.h"
#include "automation/library_description.h"
#include "automation/members.h"
#include "automation/object.h"

// Lets our Invoke and the variant conversions recognise a dispatch pointer as one of ours and
// reach the object behind it without going through its members. In-process only: the interface
// is never described to COM, so no proxy can ever carry it. Every server built here answers it, so
// the module says whose object it is: another module's is an outside object to this one (its core
// objects live in that module's copy of the runtime).
MIDL_INTERFACE("d54fb2b8-785a-406a-9a83-de765acd3191")
IHalvoraObject : public IUnknown {
  virtual HMODULE STDMETHODCALLTYPE module() = 0;
  virtual const halvora::ObjectRef& STDMETHODCALLTYPE target() = 0;
};

namespace halvora::com {

extern const IID IID_IHalvoraObject;

// ---- Server state --------------------------------------------------------------------------

// The DLL's module handle, kept by DllMain: registration and the type library need its path.
HMODULE module_handle();
// Live COM objects (wrappers, factories, enumerators) and LockServer locks.
void object_created();
void object_destroyed();

// IUnknown for the server's small helper objects that offer one interface: reference counted,
// counted among the live COM objects, deleted on the last release.
template <class Interface>
class SingleInterface : public Interface {
 public:
  SingleInterface() { object_created(); }
  SingleInterface(const SingleInterface&) = delete;
  SingleInterface& operator=(const SingleInterface&) = delete;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (!out) return E_POINTER;
    if (riid == IID_IUnknown || riid == __uuidof(Interface)) {
      *out = static_cast<Interface*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override {
    ULONG n = --refs_;
    if (n == 0) delete this;
    return n;
  }

 protected:
  virtual ~SingleInterface() { object_destroyed(); }

 private:
  std::atomic<ULONG> refs_{1};
};
void lock_server(bool lock);
// True when nothing that COM or a host holds is alive: no object, no lock, no halvora object.
bool can_unload();

// Errors at the COM boundary: 1..65535 in the control facility (so scripts see Err.Number n), a
// negative number is already an HRESULT, anything else is E_FAIL.
HRESULT hresult_of(const Error& error);
// The exception being handled as an HRESULT, with SetErrorInfo for early-bound callers.
HRESULT report_current_exception(const IID& iid, EXCEPINFO* info = nullptr);

// ---- This server ----------------------------------------------------------------------------

struct ClassEntry {
  std::u16string_view name;  // the class's name in the server's description
  const CLSID* clsid;
  const IID* iid;
  IDispatch* (*wrap)(ObjectRef object);  // a new wrapper with one reference
};
// Defined by the generated com_glue.cpp: one entry per creatable class.
std::span<const ClassEntry> class_entries();

// Defined by each server's own file (halvora_server.cpp, sdk_server.cpp): what it publishes, and
// what it hands the core when the process loads it. That runs under the loader lock: it may set
// pointers, never load anything.
const LibraryDescription& server_library();
void server_attached();

// ---- The shared base -----------------------------------------------------------------------

// State and logic of a wrapper, independent of the interface it implements.
class ComCore {
 public:
  ComCore(const ComCore&) = delete;
  ComCore& operator=(const ComCore&) = delete;

  const ObjectRef& object() const { return object_; }
  // AddRef unless the wrapper is already being destroyed (the identity map may see it then).
  bool try_add_ref();
  virtual IDispatch* dispatch() = 0;

 protected:
  // published: the class name (in the server's description) whose type information describes the
  // object, or empty for the generic wrapper of a collection or record.
  ComCore(ObjectRef object, const IID& iid, std::u16string_view published);
  virtual ~ComCore();

  ULONG add_ref() { return ++refs_; }
  ULONG release();

  HRESULT type_info(UINT index, ITypeInfo** out);
  HRESULT ids_of_names(REFIID riid, LPOLESTR* names, UINT count, DISPID* ids);
  HRESULT invoke(DISPID id, REFIID riid, WORD flags, DISPPARAMS* params, VARIANT* result,
                 EXCEPINFO* excep, UINT* arg_err);

  // One typed vtable call: the member by dispatch identifier, with the core's rules.
  Variant call(int32_t dispid, CallKind kind, std::span<Variant> args);
  HRESULT fail() { return report_current_exception(iid_); }

  const IID& iid_;
  bool published_;

 private:
  std::u16string class_name_;
  std::atomic<ULONG> refs_{1};
  ObjectRef object_;
};

template <class I>
class ComObject : public I, public ISupportErrorInfo, public IHalvoraObject, public ComCore {
 public:
  ComObject(ObjectRef object, const IID& iid, std::u16string_view published)
      : ComCore(std::move(object), iid, published) {}

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (!out) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IDispatch || (published_ && riid == iid_)) {
      *out = static_cast<I*>(this);
    } else if (riid == IID_ISupportErrorInfo) {
      *out = static_cast<ISupportErrorInfo*>(this);
    } else if (riid == IID_IHalvoraObject) {
      *out = static_cast<IHalvoraObject*>(this);
    } else {
      *out = nullptr;
      return E_NOINTERFACE;
    }
    add_ref();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return add_ref(); }
  ULONG STDMETHODCALLTYPE Release() override { return release(); }

  // IDispatch
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (!count) return E_POINTER;
    *count = published_ ? 1 : 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID, ITypeInfo** out) override {
    return type_info(index, out);
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID,
                                          DISPID* ids) override {
    return ids_of_names(riid, names, count, ids);
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO* excep, UINT* arg_err) override {
    return invoke(id, riid, flags, params, result, excep, arg_err);
  }

  // ISupportErrorInfo
  HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID riid) override {
    return riid == IID_IDispatch || riid == iid_ ? S_OK : S_FALSE;
  }

  // IHalvoraObject
  HMODULE STDMETHODCALLTYPE module() override { return module_handle(); }
  const ObjectRef& STDMETHODCALLTYPE target() override { return object(); }

  IDispatch* dispatch() override { return static_cast<I*>(this); }

 protected:
  // Runs a typed vtable call; no C++ exception leaves it.
  template <class F>
  HRESULT guard(F&& body) noexcept {
    try {
      body();
      return S_OK;
    } catch (...) {
      return fail();
    }
  }
};

// The wrapper of any halvora object that is not a published class (collections, records).
IDispatch* new_generic_wrapper(ObjectRef object);

}  // namespace halvora::com
