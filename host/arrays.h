// Arrays of one or more dimensions as scripts index them.
#pragma once

#include <cstddef>
#include <span>

#include "automation/variant.h"

namespace halvora::host {

// Where the item at these indices (one per dimension, each from 0) is stored; 9 "Subscript out of
// range" for a wrong count of indices or an index outside its dimension.
std::size_t element_index(const Array& array, std::span<const Variant> indices);

// UBound's answer for a dimension from 1; 9 when the array has no such dimension.
int32_t upper_bound(const Array& array, int32_t dimension);

}  // namespace halvora::host
