// The SOAP 1.2 request templates of the loyalty and wallet services: a fixed envelope around
// one operation element whose parameter elements are filled before sending.
#pragma once

#include <initializer_list>
#include <span>
#include <string>
#include <string_view>

namespace halvora {

// One parameter element of an operation: its name, the placeholder text the template carries
// ("string", "double") and the value it receives.
struct SoapParameter {
  std::u16string_view element;
  std::u16string_view placeholder;
  std::u16string_view value;
};

// The one-line template for the operation (XML declaration, soap12:Envelope declaring xsi, xsd
// and soap12, soap12:Body, the operation element with the service's default namespace), filled
// element by element through an XML document so that the serializer escapes every value.
// Raises 91 when the template has no element for a parameter, which only a broken template
// can cause.
std::u16string build_soap12_request(std::u16string_view operation,
                                    std::u16string_view namespace_uri,
                                    std::span<const SoapParameter> parameters);
inline std::u16string build_soap12_request(std::u16string_view operation,
                                           std::u16string_view namespace_uri,
                                           std::initializer_list<SoapParameter> parameters) {
  return build_soap12_request(
      operation, namespace_uri,
      std::span<const SoapParameter>(parameters.begin(), parameters.size()));
}

}  // namespace halvora
