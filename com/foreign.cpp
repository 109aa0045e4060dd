#include "foreign.h"

#include <objbase.h>
#include <oleauto.h>

#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "automation/members.h"
#include "automation/text.h"
#include "variant_com.h"

namespace halvora::com {

namespace {

std::u16string text_of(BSTR b) {
  return b ? std::u16string(reinterpret_cast<const char16_t*>(b), SysStringLen(b))
           : std::u16string();
}

// VARIANTs for one Invoke, cleared on every path out.
class VariantList {
 public:
  explicit VariantList(std::size_t n) : items_(n) {
    for (VARIANT& v : items_) VariantInit(&v);
  }
  ~VariantList() {
    for (VARIANT& v : items_) VariantClear(&v);
  }
  VariantList(const VariantList&) = delete;
  VariantList& operator=(const VariantList&) = delete;
  VARIANT& operator[](std::size_t i) { return items_[i]; }
  VARIANT* data() { return items_.data(); }

 private:
  std::vector<VARIANT> items_;
};

// The platform's numbers for the dispatch failures that a late-bound caller turns into runtime
// errors, as the script engines report them.
int32_t number_of(HRESULT hr) {
  switch (hr) {
    case DISP_E_UNKNOWNNAME:
    case DISP_E_MEMBERNOTFOUND:
      return err::kNoSuchMember;
    case DISP_E_TYPEMISMATCH:
      return err::kTypeMismatch;
    case DISP_E_BADPARAMCOUNT:
      return err::kWrongArguments;
    case DISP_E_PARAMNOTOPTIONAL:
      return err::kArgumentNotOptional;
    case DISP_E_OVERFLOW:
      return err::kOverflow;
    case DISP_E_BADINDEX:
      return err::kSubscript;
    case E_OUTOFMEMORY:
      return err::kOutOfMemory;
    default:
      break;
  }
  // Numbers raised by a component's own code travel in the control facility (0x800A0000 + n).
  if (HRESULT_FACILITY(hr) == FACILITY_CONTROL && FAILED(hr)) return HRESULT_CODE(hr);
  return static_cast<int32_t>(hr);
}

std::u16string system_text(HRESULT hr) {
  wchar_t* buffer = nullptr;
  DWORD n = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, static_cast<DWORD>(hr), 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::u16string text(reinterpret_cast<const char16_t*>(buffer), n);
  LocalFree(buffer);
  while (!text.empty() && (text.back() == u'\n' || text.back() == u'\r' || text.back() == u' '))
    text.pop_back();
  return text;
}

class ForeignObject;

// One core object per foreign object while the core holds it, by the object's IUnknown (COM's
// identity). Entries are removed by the object's destructor.
std::mutex g_foreign_mutex;
std::unordered_map<IUnknown*, std::pair<ForeignObject*, std::weak_ptr<Object>>> g_foreign;

class ForeignObject final : public Object {
 public:
  // Takes over the reference held on `identity`, adds one of its own on `dispatch`.
  ForeignObject(IDispatch* dispatch, IUnknown* identity)
      : dispatch_(dispatch), identity_(identity) {
    dispatch_->AddRef();
  }
  ~ForeignObject() override {
    {
      std::lock_guard lock(g_foreign_mutex);
      auto it = g_foreign.find(identity_);
      if (it != g_foreign.end() && it->second.first == this) g_foreign.erase(it);
    }
    dispatch_->Release();
    identity_->Release();
  }

  const MemberTable& members() const override {
    static const MemberTable none{};
    return none;
  }

  // The name its type information gives, as the platform's script host shows it; "Object" for an
  // object without any.
  std::u16string type_name() const override {
    UINT count = 0;
    ITypeInfo* info = nullptr;
    if (FAILED(dispatch_->GetTypeInfoCount(&count)) || count == 0 ||
        FAILED(dispatch_->GetTypeInfo(0, LOCALE_USER_DEFAULT, &info)) || !info)
      return u"Object";
    BSTR name = nullptr;
    HRESULT hr = info->GetDocumentation(MEMBERID_NIL, &name, nullptr, nullptr, nullptr);
    info->Release();
    std::u16string text = SUCCEEDED(hr) ? text_of(name) : std::u16string();
    SysFreeString(name);
    return text.empty() ? u"Object" : text;
  }

  Variant invoke_by_name(std::u16string_view name, CallKind kind, std::span<Variant> args) override;
  void assign_default(const Variant& value) override;

  bool outside() const override { return true; }
  void* foreign_dispatch() const override { return static_cast<IDispatch*>(dispatch_); }

 private:
  DISPID dispid_of(std::u16string_view name);
  const std::vector<bool>& by_reference(DISPID id);

  IDispatch* dispatch_;
  IUnknown* identity_;
  std::unordered_map<std::u16string, DISPID> ids_;                 // by name in lower case
  std::unordered_map<DISPID, std::vector<bool>> by_reference_of_;  // a method's [in, out] params
};

DISPID ForeignObject::dispid_of(std::u16string_view name) {
  std::u16string key = lower_case(name);
  if (auto it = ids_.find(key); it != ids_.end()) return it->second;
  std::u16string copy(name);
  LPOLESTR names[] = {reinterpret_cast<LPOLESTR>(copy.data())};
  DISPID id = DISPID_UNKNOWN;
  HRESULT hr = dispatch_->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
  if (FAILED(hr)) throw Error::standard(err::kNoSuchMember);
  ids_.emplace(std::move(key), id);
  return id;
}

// Which of a method's parameters its type information declares [in, out]: those are passed by
// reference and written back, as a host's variables are. Without type information every
// argument goes by value, which every server takes.
const std::vector<bool>& ForeignObject::by_reference(DISPID id) {
  if (auto it = by_reference_of_.find(id); it != by_reference_of_.end()) return it->second;
  std::vector<bool> flags;
  UINT count = 0;
  ITypeInfo* info = nullptr;
  if (SUCCEEDED(dispatch_->GetTypeInfoCount(&count)) && count > 0 &&
      SUCCEEDED(dispatch_->GetTypeInfo(0, LOCALE_USER_DEFAULT, &info)) && info) {
    TYPEATTR* attr = nullptr;
    if (SUCCEEDED(info->GetTypeAttr(&attr)) && attr) {
      for (UINT f = 0; f < attr->cFuncs && flags.empty(); ++f) {
        FUNCDESC* func = nullptr;
        if (FAILED(info->GetFuncDesc(f, &func)) || !func) continue;
        if (func->memid == id && func->invkind == INVOKE_FUNC) {
          flags.resize(static_cast<std::size_t>(func->cParams));
          for (SHORT p = 0; p < func->cParams; ++p) {
            USHORT io = func->lprgelemdescParam[p].paramdesc.wParamFlags;
            flags[static_cast<std::size_t>(p)] = (io & PARAMFLAG_FOUT) && !(io & PARAMFLAG_FRETVAL);
          }
        }
        info->ReleaseFuncDesc(func);
      }
      info->ReleaseTypeAttr(attr);
    }
    info->Release();
  }
  return by_reference_of_.emplace(id, std::move(flags)).first->second;
}

Variant ForeignObject::invoke_by_name(std::u16string_view name, CallKind kind,
                                      std::span<Variant> args) {
  DISPID id = dispid_of(name);
  const bool put = kind == CallKind::Let || kind == CallKind::Set;
  if (put && args.size() != 1) throw Error::standard(err::kWrongArguments);
  WORD flags = DISPATCH_METHOD | DISPATCH_PROPERTYGET;
  if (kind == CallKind::Let) flags = DISPATCH_PROPERTYPUT;
  // An object assigned with Set goes by reference; anything else is a value, whatever the call.
  if (kind == CallKind::Set)
    flags = args[0].is_object() ? DISPATCH_PROPERTYPUTREF : DISPATCH_PROPERTYPUT;
  static const std::vector<bool> kNone;
  const std::vector<bool>& by_ref = kind == CallKind::Method ? by_reference(id) : kNone;

  // Positional arguments go last to first. A by-reference one is a VT_BYREF|VT_VARIANT that
  // points at its value, which the component may change.
  const std::size_t n = args.size();
  VariantList values(n);
  std::vector<VARIANT> slots(n);
  for (std::size_t i = 0; i < n; ++i) {
    std::size_t at = n - 1 - i;
    to_com(args[i], &values[at]);
    VariantInit(&slots[at]);
    if (i < by_ref.size() && by_ref[i] && !args[i].is_missing()) {
      V_VT(&slots[at]) = VT_VARIANT | VT_BYREF;
      V_VARIANTREF(&slots[at]) = &values[at];
    } else {
      slots[at] = values[at];  // a shallow copy: `values` still owns what it points to
    }
  }
  DISPID named = DISPID_PROPERTYPUT;
  DISPPARAMS params{slots.data(), put ? &named : nullptr, static_cast<UINT>(n), put ? 1u : 0u};
  VariantList result(1);
  EXCEPINFO excep{};
  UINT arg_err = 0;
  HRESULT hr = dispatch_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params,
                                 put ? nullptr : &result[0], &excep, &arg_err);
  if (FAILED(hr)) throw error_of(hr, &excep);
  for (std::size_t i = 0; i < n && i < by_ref.size(); ++i)
    if (by_ref[i] && !args[i].is_missing()) args[i] = from_com(values[n - 1 - i]);
  return from_com(result[0]);
}

// `object = value` without Set: a property put on the default member, which the component's
// own Invoke answers or refuses (DISP_E_MEMBERNOTFOUND, 438, when it has none).
void ForeignObject::assign_default(const Variant& value) {
  VariantList values(1);
  to_com(value, &values[0]);
  DISPID named = DISPID_PROPERTYPUT;
  DISPPARAMS params{&values[0], &named, 1, 1};
  EXCEPINFO excep{};
  UINT arg_err = 0;
  HRESULT hr = dispatch_->Invoke(DISPID_VALUE, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT,
                                 &params, nullptr, &excep, &arg_err);
  if (FAILED(hr)) throw error_of(hr, &excep);
}

}  // namespace

ObjectRef foreign_object(IDispatch* dispatch) {
  if (!dispatch) return nullptr;
  IUnknown* identity = nullptr;
  if (FAILED(dispatch->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity))) ||
      !identity)
    throw Error::standard(err::kTypeMismatch);
  std::lock_guard lock(g_foreign_mutex);
  if (auto it = g_foreign.find(identity); it != g_foreign.end())
    if (ObjectRef alive = it->second.second.lock()) {
      identity->Release();
      return alive;
    }
  std::shared_ptr<ForeignObject> made;
  try {
    made = std::make_shared<ForeignObject>(dispatch, identity);
  } catch (...) {
    identity->Release();
    throw;
  }
  g_foreign[identity] = {made.get(), made};
  return made;
}

ObjectRef create_registered(std::u16string_view identifier) {
  std::wstring name(identifier.begin(), identifier.end());
  CLSID clsid;
  if (FAILED(CLSIDFromProgID(name.c_str(), &clsid))) return nullptr;
  IDispatch* dispatch = nullptr;
  HRESULT hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER,
                                IID_IDispatch, reinterpret_cast<void**>(&dispatch));
  // An identifier left behind by a class since removed is no registration either.
  if (hr == REGDB_E_CLASSNOTREG) return nullptr;
  if (FAILED(hr) || !dispatch) throw Error::standard(err::kCannotCreate);
  ObjectRef object;
  try {
    object = foreign_object(dispatch);
  } catch (...) {
    dispatch->Release();
    throw;
  }
  dispatch->Release();
  return object;
}

Error error_of(HRESULT hr, EXCEPINFO* info) {
  if (hr == DISP_E_EXCEPTION && info) {
    if (info->pfnDeferredFillIn) info->pfnDeferredFillIn(info);
    std::u16string description = text_of(info->bstrDescription);
    std::u16string source = text_of(info->bstrSource);
    SysFreeString(info->bstrDescription);
    SysFreeString(info->bstrSource);
    SysFreeString(info->bstrHelpFile);
    info->bstrDescription = info->bstrSource = info->bstrHelpFile = nullptr;
    // A component that fills wCode leaves scode zero.
    int32_t number = info->wCode ? info->wCode : number_of(info->scode ? info->scode : E_FAIL);
    if (description.empty()) description = standard_error_text(number);
    if (description.empty()) description = system_text(info->scode);
    if (source.empty()) return Error(number, std::move(description));
    return Error(number, std::move(description), std::move(source));
  }
  int32_t number = number_of(hr);
  std::u16string description = standard_error_text(number);
  if (description.empty()) description = system_text(hr);
  return Error(number, std::move(description));
}

}  // namespace halvora::com
