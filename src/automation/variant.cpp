#include "automation/variant.h"

namespace halvora {

VarType Variant::type() const {
  static constexpr VarType kByIndex[] = {
      VarType::Empty,  VarType::Null,   VarType::Boolean, VarType::Integer,
      VarType::Long,   VarType::Double, VarType::Date,    VarType::String,
      VarType::Object, VarType::Error,  VarType::Array,   VarType::Single,
  };
  if (const ArrayRef* array = std::get_if<ArrayRef>(&v_))
    return *array ? array_of((*array)->element()) : VarType::Array;
  return kByIndex[v_.index()];
}

bool Variant::is_numeric() const {
  switch (type()) {
    case VarType::Empty:
    case VarType::Boolean:
    case VarType::Integer:
    case VarType::Long:
    case VarType::Single:
    case VarType::Double:
    case VarType::Date:
      return true;
    default:
      return false;
  }
}

Array& Variant::mutable_array() {
  auto& ref = std::get<ArrayRef>(v_);
  if (ref.use_count() > 1) ref = std::make_shared<Array>(*ref);
  return *ref;
}

}  // namespace halvora
