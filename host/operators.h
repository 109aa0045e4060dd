// The language's operators over automation values, with its promotion rules: Integer results
// widen to Long and then Double on overflow, Null propagates, Boolean is -1/0.
#pragma once

#include "ast.h"
#include "automation/variant.h"

namespace halvora::host {

// Throws ScriptError (type mismatch, division by zero, object required).
Variant apply_binary(Op op, const Variant& a, const Variant& b);
Variant apply_unary(Op op, const Variant& a);

// A condition's value: Null counts as false, as in If and loop tests.
bool truthy(const Variant& v);

// "&" onto an accumulator in place, so a long chain of concatenations stays linear.
void concat_into(Variant& acc, const Variant& rhs);

}  // namespace halvora::host
