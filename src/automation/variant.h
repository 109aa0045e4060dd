// The automation value: what crosses every member call, in both builds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <variant>
#include <vector>

namespace halvora {

class Object;
using ObjectRef = std::shared_ptr<Object>;

// Type codes are the platform's own VARTYPE numbers, so VarType() in a script and the COM
// glue need no translation table.
enum class VarType : uint16_t {
  Empty = 0,
  Null = 1,
  Integer = 2,  // 16-bit
  Long = 3,     // 32-bit
  Single = 4,
  Double = 5,
  Date = 7,
  String = 8,
  Object = 9,
  Error = 10,  // only as "missing": an omitted optional argument
  Boolean = 11,
  Variant = 12,  // a declared parameter or result of any type
  // An array is this flag over the type of its elements, as the platform writes it: Array is an
  // array of Variants (what scripts build), array_of() names the others (8200 for String()).
  ArrayFlag = 0x2000,
  Array = 0x200C,
};

constexpr VarType array_of(VarType element) {
  return static_cast<VarType>(static_cast<uint16_t>(VarType::ArrayFlag) |
                              static_cast<uint16_t>(element));
}
constexpr bool is_array_type(VarType type) {
  return (static_cast<uint16_t>(type) & static_cast<uint16_t>(VarType::ArrayFlag)) != 0;
}
constexpr VarType element_of(VarType array_type) {
  return static_cast<VarType>(static_cast<uint16_t>(array_type) &
                              ~static_cast<uint16_t>(VarType::ArrayFlag));
}

// A date is the platform's day count from 1899-12-30, time of day in the fraction.
struct Date {
  double serial = 0;
  friend bool operator==(const Date&, const Date&) = default;
};

struct Null {
  friend bool operator==(const Null&, const Null&) = default;
};
struct Missing {
  friend bool operator==(const Missing&, const Missing&) = default;
};

class Variant;

// The items of an array and the type every item holds. The arrays scripts build hold Variants; an
// array that a member returns holds its declared type, and hosts see that type: TypeName
// "String()", VarType 8200, a SAFEARRAY of BSTR in the COM build. Copies of the items keep it.
class Array : public std::vector<Variant> {
 public:
  using std::vector<Variant>::vector;
  // An empty array whose items are of the given type. Defined below Variant: the vector's
  // members it needs cannot be instantiated before Variant is complete.
  explicit Array(VarType element);

  VarType element() const { return element_; }

  // A script's array may have several dimensions, or none yet ("Dim a()", or after Erase). The
  // items of several dimensions are stored with the first index varying fastest, as the platform
  // lays out its arrays, so that growing the last dimension keeps every item in place. The usual
  // array has one dimension whose length is size().
  std::size_t dimensions() const {
    return unallocated_ ? 0 : extents_.empty() ? 1 : extents_.size();
  }
  std::size_t extent(std::size_t dimension) const;  // defined below Variant, as the constructor
  // Sets the length of each dimension, first to last, and resizes the items to match; items
  // whose place stays keep their value. No lengths at all leave the array without dimensions.
  void reshape(std::vector<std::size_t> extents);

 private:
  VarType element_ = VarType::Variant;
  std::vector<std::size_t> extents_;  // empty for one dimension
  bool unallocated_ = false;
};

// Arrays are shared between copies; whoever writes an element copies first (see
// Variant::mutable_array).
using ArrayRef = std::shared_ptr<Array>;

class Variant {
 public:
  using Storage = std::variant<std::monostate, Null, bool, int16_t, int32_t, double, Date,
                               std::u16string, ObjectRef, Missing, ArrayRef, float>;

  Variant() = default;
  Variant(Null v) : v_(v) {}
  Variant(Missing v) : v_(v) {}
  Variant(bool v) : v_(v) {}
  Variant(int16_t v) : v_(v) {}
  Variant(int32_t v) : v_(v) {}
  Variant(double v) : v_(v) {}
  Variant(float v) : v_(v) {}
  Variant(Date v) : v_(v) {}
  Variant(std::u16string v) : v_(std::move(v)) {}
  Variant(const char16_t* v) : v_(std::u16string(v)) {}
  Variant(std::u16string_view v) : v_(std::u16string(v)) {}
  Variant(ObjectRef v) : v_(std::move(v)) {}
  template <class T>
  Variant(std::shared_ptr<T> v) : v_(ObjectRef(std::move(v))) {}
  Variant(ArrayRef v) : v_(std::move(v)) {}

  VarType type() const;  // for an array, array_of() its element type
  bool is_empty() const { return std::holds_alternative<std::monostate>(v_); }
  bool is_null() const { return std::holds_alternative<Null>(v_); }
  bool is_missing() const { return std::holds_alternative<Missing>(v_); }
  bool is_object() const { return std::holds_alternative<ObjectRef>(v_); }
  bool is_string() const { return std::holds_alternative<std::u16string>(v_); }
  bool is_array() const { return std::holds_alternative<ArrayRef>(v_); }
  bool is_numeric() const;  // Integer, Long, Single, Double, Boolean, Date or Empty

  // Direct access without conversion; the caller has checked type(). Conversions are in
  // conversions.h.
  template <class T>
  const T& get() const {
    return std::get<T>(v_);
  }
  template <class T>
  T& get() {
    return std::get<T>(v_);
  }
  const ObjectRef& object() const { return std::get<ObjectRef>(v_); }
  const std::u16string& string() const { return std::get<std::u16string>(v_); }
  const ArrayRef& array() const { return std::get<ArrayRef>(v_); }
  // The array for writing: copied first when another variant shares it.
  Array& mutable_array();

  const Storage& storage() const { return v_; }

  // Strict equality of type and value (for tests and tables), not the script's "=".
  friend bool operator==(const Variant& a, const Variant& b) { return a.v_ == b.v_; }

 private:
  Storage v_;
};

inline Array::Array(VarType element) : element_(element) {}

inline std::size_t Array::extent(std::size_t dimension) const {
  return extents_.empty() ? size() : extents_[dimension];
}

}  // namespace halvora
