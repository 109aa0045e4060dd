// What ActualizaInventario and eRevMax share: the three updates and the posting of an envelope.
// The two classes differ only in the headers their InvokeWebService sends, which the
// transport names.
#pragma once

#include <string>
#include <string_view>

#include "automation/variant.h"

namespace halvora::channel {

enum class Transport {
  kPlain,       // ActualizaInventario: "Man: POST <url> HTTP/1.1", no compression
  kCompressed,  // eRevMax: asks for gzip/deflate replies and states the body length
};

// InvokeWebService: off line it shows its own box and answers false; otherwise it posts the
// envelope, stores the reply parsed (empty when it does not parse) in xmlResponse and answers
// whether the status was 200. Failures to send or receive propagate.
bool invoke_web_service(Transport transport, std::u16string_view strSoap,
                        std::u16string_view strSOAPAction, std::u16string_view strURL,
                        Variant& xmlResponse);

// The updates report their own failures and answer false or an empty text.
bool update_inventory(Transport transport, double H_code, std::u16string_view fha_ini,
                      std::u16string_view fha_fin, std::u16string_view tipohab,
                      std::u16string_view Wsdl);
bool update_restriction(Transport transport, double H_code, std::u16string_view fha_ini,
                        std::u16string_view fha_fin, std::u16string_view tipohab,
                        std::u16string_view Wsdl, std::u16string_view Estatus);
std::u16string enhancements(Transport transport, std::u16string_view Wsdl, double numregda_CRS);

}  // namespace halvora::channel
