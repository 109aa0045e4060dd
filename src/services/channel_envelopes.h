// The channel-manager envelopes (SOAP 1.1): CR LF between lines, none after the last. Only the
// channel-manager classes send them.
#pragma once

#include <string>
#include <string_view>

namespace halvora {

std::u16string ArmarSaveInventario(double hotelCode, std::u16string_view start,
                                   std::u16string_view end, std::u16string_view invTypeCode);
std::u16string ArmarSaveRestriccion(double hotelCode, std::u16string_view start,
                                    std::u16string_view end, std::u16string_view invTypeCode,
                                    std::u16string_view status);
std::u16string ArmarGetList(double uniqueId);

}  // namespace halvora
