// The SOAP 1.2 routine the loyalty and wallet clients share.
#pragma once

#include <string>
#include <string_view>

namespace halvora {

// Posts a SOAP 1.2 envelope and returns the text of
// /soap:Envelope/soap:Body/<responseElement>/<resultElement> in the reply. Failures to send or
// receive propagate (the caller reports them); anything wrong with the reply itself (an error
// status, a fault, a body that is not XML, a missing element) gives an empty text.
std::u16string EnviarSoap(std::u16string_view url, std::u16string_view envelope,
                          std::u16string_view soapAction, std::u16string_view responseElement,
                          std::u16string_view resultElement);

// The host part of an absolute URL, with its port when the URL names one.
std::u16string url_authority(std::u16string_view url);

// Escapes &, <, >, " and ' for text or attribute content.
std::u16string xml_escape(std::u16string_view text);

}  // namespace halvora
