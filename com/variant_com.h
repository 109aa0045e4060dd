// halvora::Variant and the platform's VARIANT, both ways, and the typed helpers the generated
// vtable methods call. Every function here may throw halvora::Error; callers sit inside a guard.
#pragma once

#include <oaidl.h>
#include <windows.h>

#include "automation/conversions.h"
#include "automation/variant.h"

namespace halvora::com {

// A VARIANT as a halvora value. VT_BYREF is followed; the integer, real, currency and decimal
// types outside the core's set become Long or Double; VT_ERROR DISP_E_PARAMNOTFOUND is the
// omitted argument; a one-dimensional SAFEARRAY becomes an Array (any lower bound) of its element
// type where the core carries that type, else of Variants. Our own objects unwrap to the object
// behind them, another automation object is held as it is; anything else is 13.
Variant from_com(const VARIANT& v);

// A halvora value into an empty (VariantInit'ed or cleared) VARIANT. Objects become their
// wrappers (one per live object), or VT_DISPATCH of the platform object they stand for when they
// answer foreign_dispatch; arrays become 0-based SAFEARRAYs of their element type
// (VT_ARRAY|VT_BSTR for String(), VT_ARRAY|VT_VARIANT for the arrays scripts build).
void to_com(const Variant& v, VARIANT* out);

// The dispatch pointer a host sees for an object, with one reference for the caller; null for
// Nothing. The same object always gives the same pointer while a wrapper lives. An object that
// answers foreign_dispatch gives that pointer itself, unwrapped.
IDispatch* wrap(const ObjectRef& object);

// The object behind a dispatch pointer we handed out. Any other automation object is held as
// it is (it goes out again as the same pointer, and offers the library no members: calling
// outside objects by name comes later, through the components interface); an object without
// IDispatch is 13. Null gives Nothing.
ObjectRef unwrap(IUnknown* unknown);

// A newly allocated BSTR of the text; 7 when memory runs out.
BSTR make_bstr(std::u16string_view text);

// ---- Typed arguments of the generated vtable methods ---------------------------------------
// in_*: an argument as a Variant; ret_*: a result into an [out, retval] pointer; ref_*: a
// by-reference argument written back into its [in, out] pointer (the old value released).

inline Variant in_bool(VARIANT_BOOL v) {
  return Variant(v != VARIANT_FALSE);
}
inline Variant in_short(short v) {
  return Variant(static_cast<int16_t>(v));
}
inline Variant in_long(long v) {
  return Variant(static_cast<int32_t>(v));
}
inline Variant in_double(double v) {
  return Variant(v);
}
inline Variant in_date(DATE v) {
  return Variant(Date{v});
}
Variant in_bstr(BSTR v);
Variant in_dispatch(IDispatch* v);
inline Variant in_variant(const VARIANT& v) {
  return from_com(v);
}
// A published enumeration crosses as its 32-bit value.
template <class E>
Variant in_enum(E v) {
  return Variant(static_cast<int32_t>(v));
}

void ret_bool(const Variant& v, VARIANT_BOOL* out);
void ret_short(const Variant& v, short* out);
void ret_long(const Variant& v, long* out);
void ret_double(const Variant& v, double* out);
void ret_date(const Variant& v, DATE* out);
void ret_bstr(const Variant& v, BSTR* out);
void ret_dispatch(const Variant& v, IDispatch** out);
void ret_variant(const Variant& v, VARIANT* out);
template <class E>
void ret_enum(const Variant& v, E* out) {
  *out = static_cast<E>(to_long(v));
}
// A 0-based SAFEARRAY of the declared element type; 13 when the value is not an array.
void ret_array(const Variant& v, VARTYPE element, SAFEARRAY** out);

inline void ref_bool(const Variant& v, VARIANT_BOOL* io) {
  ret_bool(v, io);
}
inline void ref_short(const Variant& v, short* io) {
  ret_short(v, io);
}
inline void ref_long(const Variant& v, long* io) {
  ret_long(v, io);
}
inline void ref_double(const Variant& v, double* io) {
  ret_double(v, io);
}
inline void ref_date(const Variant& v, DATE* io) {
  ret_date(v, io);
}
void ref_bstr(const Variant& v, BSTR* io);
void ref_dispatch(const Variant& v, IDispatch** io);
void ref_variant(const Variant& v, VARIANT* io);

// Writes a by-reference argument back into the caller's VT_BYREF storage, converted to the
// storage's type (VT_VARIANT|VT_BYREF takes the value as it is).
void write_back(const Variant& v, const VARIANT& byref);

}  // namespace halvora::com
