// The built-in functions and constants a script can name without creating anything.
#pragma once

#include <optional>
#include <span>
#include <string_view>

#include "automation/variant.h"

namespace halvora::host {

// By folded name; nothing when the name is not a constant.
std::optional<Variant> builtin_constant(std::u16string_view key);

bool is_builtin_function(std::u16string_view key);
// Omitted arguments arrive as Missing. Throws ScriptError or the core's Error.
Variant call_builtin(std::u16string_view key, std::span<Variant> args);

// Rnd starts again from the platform's first number, as in a new process: each script run does.
void reset_random_numbers();

// TypeName's answer, shared with the host's own objects.
std::u16string type_name_of(const Variant& v);

}  // namespace halvora::host
