// The composition root's one step: the pieces that the lower layers use but may not reach
// themselves are handed to them here.
#pragma once

namespace halvora {

// Puts the bundled substitutes (the database SDK's) behind platform::create_component and the
// machine's regional settings behind the conversions. A program that loads the library calls it
// once, before its first conversion or object; later calls do nothing. On Windows the COM layer
// then puts the machine's registered components in front of the substitutes: only it can turn a
// foreign automation object into a core object.
void wire_library();

}  // namespace halvora
