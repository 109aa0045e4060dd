#include "variant_com.h"

#include <oleauto.h>

#include <string>

#include "automation/conversions.h"
#include "automation/error.h"
#include "dispatch.h"

namespace halvora::com {

namespace {

// Releases a VARIANT filled by a system call on every path out.
struct ScopedVariant {
  VARIANT v;
  ScopedVariant() { VariantInit(&v); }
  ~ScopedVariant() { VariantClear(&v); }
  ScopedVariant(const ScopedVariant&) = delete;
  ScopedVariant& operator=(const ScopedVariant&) = delete;
};

[[noreturn]] void fail_conversion(HRESULT hr) {
  if (hr == DISP_E_OVERFLOW) throw Error::standard(err::kOverflow);
  if (hr == E_OUTOFMEMORY) throw Error::standard(err::kOutOfMemory);
  throw Error::standard(err::kTypeMismatch);
}

// The types the core does not carry, through the system's own conversion: whole numbers to
// Long when they fit (else Double), currency and decimals to Double.
Variant from_foreign_number(const VARIANT& v) {
  VARTYPE vt = V_VT(&v);
  bool whole = vt == VT_UI1 || vt == VT_I1 || vt == VT_UI2 || vt == VT_UI4 || vt == VT_INT ||
               vt == VT_UINT || vt == VT_I8 || vt == VT_UI8;
  ScopedVariant out;
  if (whole && SUCCEEDED(VariantChangeType(&out.v, const_cast<VARIANT*>(&v), 0,
                                           static_cast<VARTYPE>(VT_I4))))
    return Variant(static_cast<int32_t>(V_I4(&out.v)));
  HRESULT hr = VariantChangeType(&out.v, const_cast<VARIANT*>(&v), 0, VT_R8);
  if (FAILED(hr)) fail_conversion(hr);
  return Variant(V_R8(&out.v));
}

// The core's element type of a SAFEARRAY: the types it carries keep theirs, so that an array
// handed back keeps its TypeName; the items of any other type arrive as the nearest Long or
// Double, which only an array of Variants can hold.
VarType element_from_com(VARTYPE element) {
  switch (element) {
    case VT_BOOL:
      return VarType::Boolean;
    case VT_I2:
      return VarType::Integer;
    case VT_I4:
      return VarType::Long;
    case VT_R8:
      return VarType::Double;
    case VT_DATE:
      return VarType::Date;
    case VT_BSTR:
      return VarType::String;
    case VT_DISPATCH:
      return VarType::Object;
    default:
      return VarType::Variant;
  }
}

// The platform's element type of a core array; the core's type codes are VARTYPE numbers.
VARTYPE element_to_com(VarType element) {
  switch (element) {
    case VarType::Boolean:
    case VarType::Integer:
    case VarType::Long:
    case VarType::Double:
    case VarType::Date:
    case VarType::String:
    case VarType::Object:
      return static_cast<VARTYPE>(element);
    default:
      return VT_VARIANT;
  }
}

Variant from_safearray(SAFEARRAY* sa, VARTYPE element) {
  if (!sa) return Variant(std::make_shared<Array>(element_from_com(element)));
  if (SafeArrayGetDim(sa) != 1) throw Error::standard(err::kTypeMismatch);
  LONG low = 0, high = -1;
  if (FAILED(SafeArrayGetLBound(sa, 1, &low)) || FAILED(SafeArrayGetUBound(sa, 1, &high)))
    throw Error::standard(err::kTypeMismatch);
  auto out = std::make_shared<Array>(element_from_com(element));
  for (LONG i = low; i <= high; ++i) {
    ScopedVariant item;
    HRESULT hr;
    if (element == VT_VARIANT) {
      hr = SafeArrayGetElement(sa, &i, &item.v);
    } else {
      // Every scalar member of the VARIANT union starts at the same address.
      V_VT(&item.v) = element;
      hr = SafeArrayGetElement(sa, &i, &V_UI1(&item.v));
      if (FAILED(hr)) V_VT(&item.v) = VT_EMPTY;
    }
    if (FAILED(hr)) fail_conversion(hr);
    out->push_back(from_com(item.v));
  }
  return Variant(std::move(out));
}

// A 0-based SAFEARRAY of the element type; an empty array has no items and upper bound -1. Items
// are converted to the element type first.
SAFEARRAY* to_safearray(const Array& items, VARTYPE element) {
  SAFEARRAY* sa = SafeArrayCreateVector(element, 0, static_cast<ULONG>(items.size()));
  if (!sa) throw Error::standard(err::kOutOfMemory);
  for (LONG i = 0; i < static_cast<LONG>(items.size()); ++i) {
    ScopedVariant item;
    try {
      const Variant& value = items[static_cast<std::size_t>(i)];
      to_com(element == VT_VARIANT ? value : coerce(value, static_cast<VarType>(element)), &item.v);
    } catch (...) {
      SafeArrayDestroy(sa);
      throw;
    }
    // Strings and objects go in as the pointer itself (the array copies the text or adds a
    // reference); every other type as the address of its value.
    void* data = element == VT_VARIANT    ? static_cast<void*>(&item.v)
                 : element == VT_BSTR     ? static_cast<void*>(V_BSTR(&item.v))
                 : element == VT_DISPATCH ? static_cast<void*>(V_DISPATCH(&item.v))
                                          : static_cast<void*>(&V_UI1(&item.v));
    HRESULT hr = SafeArrayPutElement(sa, &i, data);
    if (FAILED(hr)) {
      SafeArrayDestroy(sa);
      fail_conversion(hr);
    }
  }
  return sa;
}

}  // namespace

BSTR make_bstr(std::u16string_view text) {
  BSTR b = SysAllocStringLen(reinterpret_cast<const OLECHAR*>(text.data()),
                             static_cast<UINT>(text.size()));
  if (!b) throw Error::standard(err::kOutOfMemory);
  return b;
}

Variant from_com(const VARIANT& v) {
  VARTYPE vt = V_VT(&v);
  if (vt == (VT_VARIANT | VT_BYREF)) {
    if (!V_VARIANTREF(&v)) throw Error::standard(err::kTypeMismatch);
    return from_com(*V_VARIANTREF(&v));
  }
  if (vt & VT_ARRAY) {
    SAFEARRAY* sa = (vt & VT_BYREF) ? (V_ARRAYREF(&v) ? *V_ARRAYREF(&v) : nullptr) : V_ARRAY(&v);
    return from_safearray(sa, vt & VT_TYPEMASK);
  }
  if (vt & VT_BYREF) {
    ScopedVariant value;
    HRESULT hr = VariantCopyInd(&value.v, const_cast<VARIANT*>(&v));
    if (FAILED(hr)) fail_conversion(hr);
    return from_com(value.v);
  }
  switch (vt) {
    case VT_EMPTY:
      return Variant();
    case VT_NULL:
      return Variant(Null{});
    case VT_BOOL:
      return Variant(V_BOOL(&v) != VARIANT_FALSE);
    case VT_I2:
      return Variant(static_cast<int16_t>(V_I2(&v)));
    case VT_I4:
      return Variant(static_cast<int32_t>(V_I4(&v)));
    case VT_R4:
      return Variant(V_R4(&v));
    case VT_R8:
      return Variant(V_R8(&v));
    case VT_DATE:
      return Variant(Date{V_DATE(&v)});
    case VT_BSTR:
      return in_bstr(V_BSTR(&v));
    case VT_DISPATCH:
      return Variant(unwrap(V_DISPATCH(&v)));
    case VT_UNKNOWN:
      return Variant(unwrap(V_UNKNOWN(&v)));
    case VT_ERROR:
      if (V_ERROR(&v) == DISP_E_PARAMNOTFOUND) return Variant(Missing{});
      throw Error::standard(err::kTypeMismatch);
    case VT_UI1:
    case VT_I1:
    case VT_UI2:
    case VT_UI4:
    case VT_INT:
    case VT_UINT:
    case VT_I8:
    case VT_UI8:
    case VT_CY:
    case VT_DECIMAL:
      return from_foreign_number(v);
    default:
      throw Error::standard(err::kTypeMismatch);
  }
}

void to_com(const Variant& v, VARIANT* out) {
  if (v.is_array()) {
    VARTYPE element = element_to_com(v.array()->element());
    V_ARRAY(out) = to_safearray(*v.array(), element);
    V_VT(out) = VT_ARRAY | element;
    return;
  }
  switch (v.type()) {
    case VarType::Empty:
      V_VT(out) = VT_EMPTY;
      return;
    case VarType::Null:
      V_VT(out) = VT_NULL;
      return;
    case VarType::Boolean:
      V_VT(out) = VT_BOOL;
      V_BOOL(out) = v.get<bool>() ? VARIANT_TRUE : VARIANT_FALSE;
      return;
    case VarType::Integer:
      V_VT(out) = VT_I2;
      V_I2(out) = v.get<int16_t>();
      return;
    case VarType::Long:
      V_VT(out) = VT_I4;
      V_I4(out) = v.get<int32_t>();
      return;
    case VarType::Single:
      V_VT(out) = VT_R4;
      V_R4(out) = v.get<float>();
      return;
    case VarType::Double:
      V_VT(out) = VT_R8;
      V_R8(out) = v.get<double>();
      return;
    case VarType::Date:
      V_VT(out) = VT_DATE;
      V_DATE(out) = v.get<Date>().serial;
      return;
    case VarType::String:
      V_BSTR(out) = make_bstr(v.string());
      V_VT(out) = VT_BSTR;
      return;
    case VarType::Object:
      V_DISPATCH(out) = wrap(v.object());
      V_VT(out) = VT_DISPATCH;
      return;
    case VarType::Error:
      V_VT(out) = VT_ERROR;
      V_ERROR(out) = DISP_E_PARAMNOTFOUND;
      return;
    default:
      break;
  }
  throw Error::standard(err::kTypeMismatch);
}

Variant in_bstr(BSTR v) {
  if (!v) return Variant(std::u16string());
  return Variant(std::u16string(reinterpret_cast<const char16_t*>(v), SysStringLen(v)));
}

Variant in_dispatch(IDispatch* v) {
  return Variant(unwrap(v));
}

void ret_bool(const Variant& v, VARIANT_BOOL* out) {
  *out = to_boolean(v) ? VARIANT_TRUE : VARIANT_FALSE;
}
void ret_short(const Variant& v, short* out) {
  *out = to_integer(v);
}
void ret_long(const Variant& v, long* out) {
  *out = to_long(v);
}
void ret_double(const Variant& v, double* out) {
  *out = to_double(v);
}
void ret_date(const Variant& v, DATE* out) {
  *out = to_date(v).serial;
}
void ret_bstr(const Variant& v, BSTR* out) {
  *out = make_bstr(to_string(v));
}
void ret_dispatch(const Variant& v, IDispatch** out) {
  Variant object = coerce(v, VarType::Object);
  *out = wrap(object.object());
}
void ret_variant(const Variant& v, VARIANT* out) {
  VariantInit(out);
  to_com(v, out);
}
void ret_array(const Variant& v, VARTYPE element, SAFEARRAY** out) {
  if (!v.is_array()) throw Error::standard(err::kTypeMismatch);
  *out = to_safearray(*v.array(), element);
}

void ref_bstr(const Variant& v, BSTR* io) {
  BSTR fresh = make_bstr(to_string(v));
  SysFreeString(*io);
  *io = fresh;
}

void ref_dispatch(const Variant& v, IDispatch** io) {
  IDispatch* fresh = wrap(coerce(v, VarType::Object).object());
  if (*io) (*io)->Release();
  *io = fresh;
}

void ref_variant(const Variant& v, VARIANT* io) {
  VARIANT fresh;
  VariantInit(&fresh);
  to_com(v, &fresh);
  VariantClear(io);
  *io = fresh;
}

void write_back(const Variant& v, const VARIANT& byref) {
  VARTYPE vt = V_VT(&byref);
  if (!(vt & VT_BYREF) || !V_BYREF(&byref)) return;
  switch (vt & ~VT_BYREF) {
    case VT_VARIANT:
      return ref_variant(v, V_VARIANTREF(&byref));
    case VT_BOOL:
      return ret_bool(v, V_BOOLREF(&byref));
    case VT_I2:
      return ret_short(v, V_I2REF(&byref));
    case VT_I4:
      return ret_long(v, V_I4REF(&byref));
    case VT_R4:
      *V_R4REF(&byref) = to_single(v);
      return;
    case VT_R8:
      return ret_double(v, V_R8REF(&byref));
    case VT_DATE:
      return ret_date(v, V_DATEREF(&byref));
    case VT_BSTR:
      return ref_bstr(v, V_BSTRREF(&byref));
    case VT_DISPATCH:
      return ref_dispatch(v, V_DISPATCHREF(&byref));
    default:
      break;
  }
  // Storage of a type the core does not carry: convert through the system and copy the value.
  VARTYPE base = vt & ~VT_BYREF;
  ScopedVariant ours, theirs;
  to_com(v, &ours.v);
  HRESULT hr = VariantChangeType(&theirs.v, &ours.v, 0, base);
  if (FAILED(hr)) fail_conversion(hr);
  switch (base) {
    case VT_UI1:
    case VT_I1:
      *V_UI1REF(&byref) = V_UI1(&theirs.v);
      return;
    case VT_UI2:
      *V_UI2REF(&byref) = V_UI2(&theirs.v);
      return;
    case VT_UI4:
    case VT_INT:
    case VT_UINT:
      *V_UI4REF(&byref) = V_UI4(&theirs.v);
      return;
    case VT_I8:
    case VT_UI8:
      *V_I8REF(&byref) = V_I8(&theirs.v);
      return;
    case VT_CY:
      *V_CYREF(&byref) = V_CY(&theirs.v);
      return;
    case VT_DECIMAL:
      *V_DECIMALREF(&byref) = V_DECIMAL(&theirs.v);
      return;
    default:
      throw Error::standard(err::kTypeMismatch);
  }
}

}  // namespace halvora::com
