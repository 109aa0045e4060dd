#include "dispatch.h"

#include <cstring>
#include <mutex>
#include <new>
#include <string>
#include <unordered_map>
#include <vector>

#include "automation/collection.h"
#include "automation/text.h"
#include "foreign.h"
#include "variant_com.h"

namespace halvora::com {

// {D54FB2B8-785A-406A-9A83-DE765ACD3191}, as in the MIDL_INTERFACE declaration.
const IID IID_IHalvoraObject = {
    0xd54fb2b8, 0x785a, 0x406a, {0x9a, 0x83, 0xde, 0x76, 0x5a, 0xcd, 0x31, 0x91}};

namespace {

std::atomic<long> g_objects{0};
std::atomic<long> g_locks{0};

// One wrapper per live object, so that a host's `a Is b` holds for the same object. Entries are
// removed by the wrapper's destructor.
std::mutex g_wrappers_mutex;
std::unordered_map<const Object*, ComCore*> g_wrappers;

std::u16string_view view(const OLECHAR* text) {
  return text ? std::u16string_view(reinterpret_cast<const char16_t*>(text)) : u"";
}

// The type library embedded as resource 1 of this module; loaded once, kept for the process.
ITypeLib* type_library_of_module() {
  static std::mutex m;
  static ITypeLib* library = nullptr;
  std::lock_guard lock(m);
  if (!library) {
    wchar_t path[MAX_PATH];
    DWORD n = GetModuleFileNameW(module_handle(), path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return nullptr;
    if (FAILED(LoadTypeLibEx(path, REGKIND_NONE, &library))) library = nullptr;
  }
  return library;
}

// The interface's type information under the class's name. Scripts ask an object's TypeName
// through GetTypeInfo and the name it documents, and expect the class ("Document"), as the script
// host answers; the dual interface's own name is "_Document". Everything else is the interface's.
class NamedTypeInfo final : public SingleInterface<ITypeInfo> {
 public:
  NamedTypeInfo(ITypeInfo* inner, std::u16string_view name) : inner_(inner), name_(name) {
    inner_->AddRef();
  }
  ~NamedTypeInfo() { inner_->Release(); }

  HRESULT STDMETHODCALLTYPE GetDocumentation(MEMBERID id, BSTR* name, BSTR* doc, DWORD* context,
                                             BSTR* help_file) override {
    HRESULT hr = inner_->GetDocumentation(id, name, doc, context, help_file);
    if (SUCCEEDED(hr) && id == MEMBERID_NIL && name) {
      BSTR ours = SysAllocStringLen(reinterpret_cast<const OLECHAR*>(name_.data()),
                                    static_cast<UINT>(name_.size()));
      if (ours) {
        SysFreeString(*name);
        *name = ours;
      }
    }
    return hr;
  }

  HRESULT STDMETHODCALLTYPE GetTypeAttr(TYPEATTR** a) override { return inner_->GetTypeAttr(a); }
  HRESULT STDMETHODCALLTYPE GetTypeComp(ITypeComp** c) override { return inner_->GetTypeComp(c); }
  HRESULT STDMETHODCALLTYPE GetFuncDesc(UINT i, FUNCDESC** f) override {
    return inner_->GetFuncDesc(i, f);
  }
  HRESULT STDMETHODCALLTYPE GetVarDesc(UINT i, VARDESC** v) override {
    return inner_->GetVarDesc(i, v);
  }
  HRESULT STDMETHODCALLTYPE GetNames(MEMBERID id, BSTR* names, UINT max, UINT* count) override {
    return inner_->GetNames(id, names, max, count);
  }
  HRESULT STDMETHODCALLTYPE GetRefTypeOfImplType(UINT i, HREFTYPE* r) override {
    return inner_->GetRefTypeOfImplType(i, r);
  }
  HRESULT STDMETHODCALLTYPE GetImplTypeFlags(UINT i, INT* f) override {
    return inner_->GetImplTypeFlags(i, f);
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(LPOLESTR* names, UINT count, MEMBERID* ids) override {
    return inner_->GetIDsOfNames(names, count, ids);
  }
  HRESULT STDMETHODCALLTYPE Invoke(PVOID instance, MEMBERID id, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO* excep, UINT* arg_err) override {
    return inner_->Invoke(instance, id, flags, params, result, excep, arg_err);
  }
  HRESULT STDMETHODCALLTYPE GetDllEntry(MEMBERID id, INVOKEKIND kind, BSTR* dll, BSTR* name,
                                        WORD* ordinal) override {
    return inner_->GetDllEntry(id, kind, dll, name, ordinal);
  }
  HRESULT STDMETHODCALLTYPE GetRefTypeInfo(HREFTYPE r, ITypeInfo** out) override {
    return inner_->GetRefTypeInfo(r, out);
  }
  HRESULT STDMETHODCALLTYPE AddressOfMember(MEMBERID id, INVOKEKIND kind, PVOID* out) override {
    return inner_->AddressOfMember(id, kind, out);
  }
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, PVOID* out) override {
    return inner_->CreateInstance(outer, riid, out);
  }
  HRESULT STDMETHODCALLTYPE GetMops(MEMBERID id, BSTR* mops) override {
    return inner_->GetMops(id, mops);
  }
  HRESULT STDMETHODCALLTYPE GetContainingTypeLib(ITypeLib** lib, UINT* index) override {
    return inner_->GetContainingTypeLib(lib, index);
  }
  void STDMETHODCALLTYPE ReleaseTypeAttr(TYPEATTR* a) override { inner_->ReleaseTypeAttr(a); }
  void STDMETHODCALLTYPE ReleaseFuncDesc(FUNCDESC* f) override { inner_->ReleaseFuncDesc(f); }
  void STDMETHODCALLTYPE ReleaseVarDesc(VARDESC* v) override { inner_->ReleaseVarDesc(v); }

 private:
  ITypeInfo* inner_;
  std::u16string name_;
};

const ClassEntry* entry_for(const Object& object) {
  for (const ClassEntry& e : class_entries()) {
    const ClassInfo* info = server_library().find(e.name);
    if (info && info->members && info->members() == &object.members()) return &e;
  }
  return nullptr;
}

// ---- Enumeration of a collection -----------------------------------------------------------

// Walks the collection as it is at each step, so that items added or removed during a
// For Each are seen the way the script host sees them.
class EnumVariant final : public SingleInterface<IEnumVARIANT> {
 public:
  EnumVariant(CollectionRef items, std::size_t position)
      : items_(std::move(items)), position_(position) {}

  HRESULT STDMETHODCALLTYPE Next(ULONG count, VARIANT* out, ULONG* fetched) override {
    if (!out) return E_POINTER;
    ULONG done = 0;
    try {
      const auto& items = items_->items();
      for (; done < count && position_ < items.size(); ++done, ++position_) {
        VariantInit(&out[done]);
        to_com(items[position_], &out[done]);
      }
    } catch (...) {
      for (ULONG i = 0; i < done; ++i) VariantClear(&out[i]);
      if (fetched) *fetched = 0;
      return report_current_exception(IID_IEnumVARIANT);
    }
    if (fetched) *fetched = done;
    return done == count ? S_OK : S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE Skip(ULONG count) override {
    std::size_t size = items_->items().size();
    position_ = std::min(size, position_ + count);
    return position_ < size || count == 0 ? S_OK : S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE Reset() override {
    position_ = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Clone(IEnumVARIANT** out) override {
    if (!out) return E_POINTER;
    *out = new (std::nothrow) EnumVariant(items_, position_);
    return *out ? S_OK : E_OUTOFMEMORY;
  }

 private:
  CollectionRef items_;
  std::size_t position_;
};

class GenericObject final : public ComObject<IDispatch> {
 public:
  explicit GenericObject(ObjectRef object) : ComObject(std::move(object), IID_IDispatch, u"") {}
};

}  // namespace

// ---- Server state --------------------------------------------------------------------------

void object_created() {
  ++g_objects;
}
void object_destroyed() {
  --g_objects;
}
void lock_server(bool lock) {
  if (lock)
    ++g_locks;
  else
    --g_locks;
}
bool can_unload() {
  return g_objects.load() == 0 && g_locks.load() == 0 && Object::live_count() == 0;
}

// ---- Errors --------------------------------------------------------------------------------

HRESULT hresult_of(const Error& error) {
  int32_t n = error.number();
  if (n < 0) return static_cast<HRESULT>(n);
  if (n >= 1 && n <= 0xFFFF) return static_cast<HRESULT>(0x800A0000u | static_cast<uint32_t>(n));
  return E_FAIL;
}

HRESULT report_current_exception(const IID& iid, EXCEPINFO* info) {
  try {
    Error error = as_error(std::current_exception());
    HRESULT hr = hresult_of(error);
    const auto* source = reinterpret_cast<const OLECHAR*>(error.source().c_str());
    const auto* description = reinterpret_cast<const OLECHAR*>(error.description().c_str());
    ICreateErrorInfo* create = nullptr;
    if (SUCCEEDED(CreateErrorInfo(&create))) {
      create->SetGUID(iid);
      create->SetSource(const_cast<OLECHAR*>(source));
      create->SetDescription(const_cast<OLECHAR*>(description));
      IErrorInfo* error_info = nullptr;
      if (SUCCEEDED(
              create->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(&error_info)))) {
        SetErrorInfo(0, error_info);
        error_info->Release();
      }
      create->Release();
    }
    if (!info) return hr;
    std::memset(info, 0, sizeof *info);
    info->bstrSource = SysAllocString(source);
    info->bstrDescription = SysAllocString(description);
    info->scode = hr;
    return DISP_E_EXCEPTION;
  } catch (...) {
    return E_OUTOFMEMORY;
  }
}

// ---- ComCore -------------------------------------------------------------------------------

ComCore::ComCore(ObjectRef object, const IID& iid, std::u16string_view published)
    : iid_(iid),
      published_(!published.empty()),
      class_name_(published),
      object_(std::move(object)) {
  object_created();
  std::lock_guard lock(g_wrappers_mutex);
  g_wrappers[object_.get()] = this;
}

ComCore::~ComCore() {
  {
    std::lock_guard lock(g_wrappers_mutex);
    auto it = g_wrappers.find(object_.get());
    if (it != g_wrappers.end() && it->second == this) g_wrappers.erase(it);
  }
  object_destroyed();
}

bool ComCore::try_add_ref() {
  ULONG n = refs_.load();
  while (n != 0)
    if (refs_.compare_exchange_weak(n, n + 1)) return true;
  return false;
}

ULONG ComCore::release() {
  ULONG n = --refs_;
  if (n == 0) delete this;
  return n;
}

HRESULT ComCore::type_info(UINT index, ITypeInfo** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (!published_ || index != 0) return DISP_E_BADINDEX;
  ITypeLib* library = type_library_of_module();
  if (!library) return TYPE_E_CANTLOADLIBRARY;
  ITypeInfo* inner = nullptr;
  HRESULT hr = library->GetTypeInfoOfGuid(iid_, &inner);
  if (FAILED(hr)) return hr;
  *out = new (std::nothrow) NamedTypeInfo(inner, class_name_);
  inner->Release();
  return *out ? S_OK : E_OUTOFMEMORY;
}

HRESULT ComCore::ids_of_names(REFIID riid, LPOLESTR* names, UINT count, DISPID* ids) {
  if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
  if (!names || !ids) return E_POINTER;
  if (count == 0) return S_OK;
  for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
  std::u16string_view name = view(names[0]);
  const Member* m = object_->members().find(name);
  if (m) {
    ids[0] = m->dispid;
  } else if (dynamic_cast<const Collection*>(object_.get()) && iequals(name, u"_NewEnum")) {
    ids[0] = DISPID_NEWENUM;
    return count == 1 ? S_OK : DISP_E_UNKNOWNNAME;
  } else {
    return DISP_E_UNKNOWNNAME;
  }
  // Named arguments: the parameter's position, which is what Invoke would need to place it.
  HRESULT hr = S_OK;
  for (UINT i = 1; i < count; ++i) {
    for (std::size_t p = 0; p < m->params.size(); ++p)
      if (iequals(m->params[p].name, view(names[i]))) ids[i] = static_cast<DISPID>(p);
    if (ids[i] == DISPID_UNKNOWN) hr = DISP_E_UNKNOWNNAME;
  }
  return hr;
}

Variant ComCore::call(int32_t dispid, CallKind kind, std::span<Variant> args) {
  const Member* m = object_->members().find(dispid);
  if (!m) throw Error::standard(err::kNoSuchMember);
  return halvora::invoke(*object_, *m, kind, args);
}

HRESULT ComCore::invoke(DISPID id, REFIID riid, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* excep, UINT* arg_err) {
  if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
  if (!params || (params->cArgs && !params->rgvarg)) return E_INVALIDARG;
  const bool put = flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF);
  const UINT named = params->cNamedArgs;
  if (named > params->cArgs) return E_INVALIDARG;
  if (put) {
    if (named > 1 || (named == 1 && params->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT))
      return DISP_E_NONAMEDARGS;
    if (params->cArgs == 0) return DISP_E_PARAMNOTOPTIONAL;
  } else if (named != 0) {
    return DISP_E_NONAMEDARGS;
  }
  if (arg_err) *arg_err = 0;

  try {
    if (id == DISPID_NEWENUM) {
      auto collection = std::dynamic_pointer_cast<Collection>(object_);
      if (!collection || put) return DISP_E_MEMBERNOTFOUND;
      if (params->cArgs) throw Error::standard(err::kWrongArguments);
      if (result) {
        V_UNKNOWN(result) = new EnumVariant(std::move(collection), 0);
        V_VT(result) = VT_UNKNOWN;
      }
      return S_OK;
    }

    // `object = value` without Set: a value assigned to the object itself. The e-invoicing
    // component's objects take the Null their clients let go of them with; for every other object
    // the default member is missing, as it always was.
    if (id == DISPID_VALUE && (flags & DISPATCH_PROPERTYPUT) && params->cArgs == 1) {
      try {
        object_->assign_default(from_com(params->rgvarg[0]));
        return S_OK;
      } catch (const Error& e) {
        if (e.number() == err::kNoSuchMember) return DISP_E_MEMBERNOTFOUND;
        throw;
      }
    }

    const Member* m = nullptr;
    if (id == DISPID_VALUE)
      m = published_ ? nullptr : object_->members().find(u"Item");
    else
      m = object_->members().find(static_cast<int32_t>(id));
    if (!m) return DISP_E_MEMBERNOTFOUND;

    // Positional arguments arrive last to first; with a property assignment the value is the
    // named DISPID_PROPERTYPUT argument at the front.
    const UINT value_slots = put ? 1 : 0;
    const UINT positional = params->cArgs - value_slots;
    std::vector<Variant> args;
    args.reserve(params->cArgs);
    for (UINT j = 0; j < positional; ++j) {
      if (arg_err) *arg_err = params->cArgs - 1 - j;
      args.push_back(from_com(params->rgvarg[params->cArgs - 1 - j]));
    }
    if (put) {
      if (arg_err) *arg_err = 0;
      args.push_back(from_com(params->rgvarg[0]));
    }

    CallKind kind;
    if (put) {
      bool by_ref = flags & DISPATCH_PROPERTYPUTREF;
      bool by_value = flags & DISPATCH_PROPERTYPUT;
      if (by_ref && by_value)  // the caller leaves it to us: an object goes by reference
        by_value = !(args.back().is_object() && (m->access & kSet));
      kind = by_value ? CallKind::Let : CallKind::Set;
    } else {
      kind = m->kind == MemberKind::Method ? CallKind::Method : CallKind::Get;
    }

    Variant value = halvora::invoke(*object_, *m, kind, args);

    // By-reference parameters: the caller's storage takes the value the member left, in the
    // storage's own type. This is what lets a script pass its variables to DllMain.
    if (m->kind == MemberKind::Method) {
      for (UINT j = 0; j < positional && j < m->params.size(); ++j) {
        const VARIANT& slot = params->rgvarg[params->cArgs - 1 - j];
        if (m->params[j].by_ref && (V_VT(&slot) & VT_BYREF)) {
          if (arg_err) *arg_err = params->cArgs - 1 - j;
          write_back(args[j], slot);
        }
      }
    }
    if (result) to_com(value, result);
    return S_OK;
  } catch (...) {
    return report_current_exception(iid_, excep);
  }
}

// ---- Wrapping ------------------------------------------------------------------------------

IDispatch* new_generic_wrapper(ObjectRef object) {
  return new GenericObject(std::move(object));
}

IDispatch* wrap(const ObjectRef& object) {
  if (!object) return nullptr;
  // An object that stands for one of the platform's own (the reply document of the channel
  // calls: MSXML's DOM document) goes out as that object itself, so that the host talks to the
  // platform directly and gets all of it, not the part the library re-implements.
  if (void* foreign = object->foreign_dispatch()) {
    auto* dispatch = static_cast<IDispatch*>(foreign);
    dispatch->AddRef();
    return dispatch;
  }
  {
    std::lock_guard lock(g_wrappers_mutex);
    auto it = g_wrappers.find(object.get());
    if (it != g_wrappers.end() && it->second->try_add_ref()) return it->second->dispatch();
  }
  if (const ClassEntry* e = entry_for(*object)) return e->wrap(object);
  return new_generic_wrapper(object);
}

ObjectRef unwrap(IUnknown* unknown) {
  if (!unknown) return nullptr;
  IHalvoraObject* ours = nullptr;
  if (SUCCEEDED(unknown->QueryInterface(IID_IHalvoraObject, reinterpret_cast<void**>(&ours))) &&
      ours) {
    ObjectRef object = ours->module() == module_handle() ? ours->target() : nullptr;
    ours->Release();
    if (object) return object;
  }
  IDispatch* theirs = nullptr;
  if (FAILED(unknown->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&theirs))) || !theirs)
    throw Error::standard(err::kTypeMismatch);
  ObjectRef object;
  try {
    object = foreign_object(theirs);
  } catch (...) {
    theirs->Release();
    throw;
  }
  theirs->Release();
  return object;
}

}  // namespace halvora::com
