// Dim, ReDim and Erase, and the indexing of arrays of several dimensions.
#include "arrays.h"

#include "automation/conversions.h"
#include "classes.h"
#include "runtime.h"
#include "script_error.h"

namespace halvora::host {

std::size_t element_index(const Array& array, std::span<const Variant> indices) {
  if (indices.size() != array.dimensions()) throw runtime_error(err::kSubscript);
  // The first index varies fastest, as the items are laid out.
  std::size_t at = 0, stride = 1;
  for (std::size_t d = 0; d < indices.size(); ++d) {
    if (indices[d].is_missing()) throw runtime_error(err::kSubscript);
    int32_t i = to_long(indices[d]);
    std::size_t extent = array.extent(d);
    if (i < 0 || static_cast<std::size_t>(i) >= extent) throw runtime_error(err::kSubscript);
    at += static_cast<std::size_t>(i) * stride;
    stride *= extent;
  }
  return at;
}

int32_t upper_bound(const Array& array, int32_t dimension) {
  if (dimension < 1 || static_cast<std::size_t>(dimension) > array.dimensions())
    throw runtime_error(err::kSubscript);
  return static_cast<int32_t>(array.extent(static_cast<std::size_t>(dimension - 1))) - 1;
}

std::vector<std::size_t> Runtime::extents_of(const DimItem& item) {
  std::vector<std::size_t> extents;
  for (const ExprPtr& bound : item.bounds) {
    int32_t length = to_long(eval(*bound)) + 1;
    if (length < 0) throw runtime_error(err::kSubscript);
    extents.push_back(static_cast<std::size_t>(length));
  }
  return extents;
}

bool Runtime::is_fixed_array(const std::u16string& key, const Variant* v) {
  if (!frames.empty()) {
    Scope& local = *frames.back();
    if (local.find(key) == v) return local.fixed_arrays.count(key) > 0;
    if (local.self) {
      Scope& fields = local.self->fields;
      if (fields.find(key) == v) return fields.fixed_arrays.count(key) > 0;
    }
  }
  return global.find(key) == v && global.fixed_arrays.count(key) > 0;
}

void Runtime::dim(const DimItem& item, bool redim, bool preserve) {
  Scope& sc = scope();
  Variant* v = redim ? lookup(item.key) : nullptr;
  if (!v) v = sc.declare(item.key);
  if (!item.is_array) return;
  // "Dim a(3)" makes an array of fixed size; only "Dim a()" or ReDim make one ReDim may resize.
  if (redim && is_fixed_array(item.key, v)) throw runtime_error(herr::kFixedArray);
  std::vector<std::size_t> extents = extents_of(item);
  if (!redim && !extents.empty()) sc.fixed_arrays.insert(item.key);
  if (preserve && v->is_array()) {
    const Array& old = *v->array();
    // Preserve may change the last dimension only: the items keep their places.
    if (old.dimensions() != 0) {
      if (old.dimensions() != extents.size()) throw runtime_error(err::kSubscript);
      for (std::size_t d = 0; d + 1 < extents.size(); ++d)
        if (old.extent(d) != extents[d]) throw runtime_error(err::kSubscript);
    }
    auto copy = std::make_shared<Array>(old);
    copy->reshape(std::move(extents));
    *v = Variant(copy);
    return;
  }
  auto fresh = std::make_shared<Array>();
  fresh->reshape(std::move(extents));
  *v = Variant(fresh);
}

// A fixed array keeps its shape and loses its items; any other loses its dimensions too.
void Runtime::erase(const DimItem& item) {
  Variant* v = lookup(item.key);
  if (!v) {
    if (option_explicit) throw runtime_error(herr::kUndefinedVariable);
    throw runtime_error(err::kTypeMismatch);
  }
  if (!v->is_array()) throw runtime_error(err::kTypeMismatch);
  if (is_fixed_array(item.key, v)) {
    for (Variant& element : v->mutable_array()) element = Variant();
    return;
  }
  auto none = std::make_shared<Array>(v->array()->element());
  none->reshape({});
  *v = Variant(none);
}

}  // namespace halvora::host
