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

void Array::reshape(std::vector<std::size_t> extents) {
  unallocated_ = extents.empty();
  std::size_t count = unallocated_ ? 0 : 1;
  for (std::size_t e : extents) count *= e;
  if (extents.size() <= 1) extents.clear();
  extents_ = std::move(extents);
  resize(count);
}

Array& Variant::mutable_array() {
  auto& ref = std::get<ArrayRef>(v_);
  if (ref.use_count() > 1) ref = std::make_shared<Array>(*ref);
  return *ref;
}

}  // namespace halvora
