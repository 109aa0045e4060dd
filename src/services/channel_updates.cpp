#include "services/channel_updates.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "automation/text.h"
#include "platform/config.h"
#include "platform/http.h"
#include "platform/ui.h"
#include "services/channel_envelopes.h"
#include "web/dom_document.h"
#include "web/failure_report.h"
#include "web/probes.h"

namespace halvora::channel {

namespace {

constexpr char16_t kReportInventory[] = u"Actualiza Inventario";
constexpr char16_t kReportRestriction[] = u"Abrir y cerrar fechas";
constexpr char16_t kReportEnhancements[] = u"Enhancements";

constexpr char16_t kOffline[] = u"No hay conexión a internet.";
// The off-line box of InvokeWebService has no title of its own, so it shows the library's
// application title, as any box without one does on the platform.
constexpr char16_t kApplicationTitle[] = u"HALVORA";

constexpr char16_t kInventoryAction[] = u"IInventoryUpdTC/Save";
constexpr char16_t kRestrictionAction[] = u"IRestrictionUpdTC/Save";
constexpr char16_t kEnhancementsAction[] = u"IEnhancementsTC/GetList";

using Headers = std::vector<std::pair<std::u16string_view, std::u16string>>;

// The headers of each transport, in the order they go on the wire.
Headers headers_for(Transport transport, std::u16string_view url, std::u16string_view action,
                    std::size_t body_bytes) {
  std::u16string target = std::u16string(url) + u" HTTP/1.1";
  if (transport == Transport::kPlain)
    return {{u"Man", u"POST " + target},
            {u"Content-Type", u"text/xml; charset=utf-8"},
            {u"SOAPAction", std::u16string(action)}};
  return {{u"Man", target},
          {u"Accept-encoding", u"gzip , deflate"},
          {u"Content-Type", u"text/xml;charset=UTF-8"},
          {u"SOAPAction", std::u16string(action)},
          {u"Content-Length", utf8_to_utf16(std::to_string(body_bytes))}};
}

std::u16string action(std::u16string_view operation) {
  return config::channel_namespace() + std::u16string(operation);
}

}  // namespace

bool invoke_web_service(Transport transport, std::u16string_view strSoap,
                        std::u16string_view strSOAPAction, std::u16string_view strURL,
                        Variant& xmlResponse) {
  if (!probe_online()) {
    platform::ui().msg_box(kOffline, platform::kStyleOkOnly, kApplicationTitle);
    return false;
  }
  // Decoding is left to the HTTP layer, whose size cap applies to the decoded bytes: a small
  // compressed reply cannot grow past it.
  auto request = platform::create_http_request(
      platform::HttpOptions{.accept_compressed = transport == Transport::kCompressed});
  std::string body = utf16_to_utf8(strSoap);
  request->open(u"POST", strURL);
  for (const auto& [name, value] : headers_for(transport, strURL, strSOAPAction, body.size()))
    request->set_request_header(name, value);
  request->send(body);

  bool ok = request->status() == 200;
  auto document = std::make_shared<DomDocument>();
  document->loadXML(request->response_text());
  xmlResponse = Variant(std::move(document));
  return ok;
}

bool update_inventory(Transport transport, double H_code, std::u16string_view fha_ini,
                      std::u16string_view fha_fin, std::u16string_view tipohab,
                      std::u16string_view Wsdl) {
  bool result = false;
  reporting_failures(kReportInventory, [&] {
    if (!probe_online() || H_code == 0) return;
    Variant response;
    result = invoke_web_service(transport, ArmarSaveInventario(H_code, fha_ini, fha_fin, tipohab),
                                action(kInventoryAction), Wsdl, response);
  });
  return result;
}

bool update_restriction(Transport transport, double H_code, std::u16string_view fha_ini,
                        std::u16string_view fha_fin, std::u16string_view tipohab,
                        std::u16string_view Wsdl, std::u16string_view Estatus) {
  bool result = false;
  reporting_failures(kReportRestriction, [&] {
    if (!probe_online() || H_code == 0) return;
    Variant response;
    result = invoke_web_service(transport,
                                ArmarSaveRestriccion(H_code, fha_ini, fha_fin, tipohab, Estatus),
                                action(kRestrictionAction), Wsdl, response);
  });
  return result;
}

std::u16string enhancements(Transport transport, std::u16string_view Wsdl, double numregda_CRS) {
  std::u16string result;
  reporting_failures(kReportEnhancements, [&] {
    if (!probe_online() || numregda_CRS == 0) return;
    Variant response;
    if (invoke_web_service(transport, ArmarGetList(numregda_CRS), action(kEnhancementsAction), Wsdl,
                           response))
      result = static_cast<DomDocument&>(*response.object()).xml();
  });
  return result;
}

}  // namespace halvora::channel
