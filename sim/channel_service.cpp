#include "channel_service.h"

#include <httplib.h>

#include <pugixml.hpp>

namespace halvora::sim {

namespace {

constexpr const char* kEnvelopeOpen =
    "<?xml version=\"1.0\" encoding=\"utf-8\"?><s:Envelope "
    "xmlns:s=\"http://schemas.xmlsoap.org/soap/envelope/\"><s:Body>";
constexpr const char* kEnvelopeClose = "</s:Body></s:Envelope>";

std::string envelope(const std::string& body) {
  return kEnvelopeOpen + body + kEnvelopeClose;
}

std::string fault(const std::string& text) {
  return envelope("<s:Fault><faultcode>s:Client</faultcode><faultstring xml:lang=\"es\">" + text +
                  "</faultstring></s:Fault>");
}

bool ends_with(const std::string& s, const std::string& tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

bool known_hotel(const std::string& code) {
  return code == "101" || code == "102";
}

std::string enhancements_of(const std::string& registration) {
  std::string items;
  if (registration == "5001")
    items =
        "<Enhancement><Code>DESAYUNO</Code><Description>Desayuno buffet</Description>"
        "<Amount>250</Amount></Enhancement>"
        "<Enhancement><Code>SPA</Code><Description>Masaje 50 min</Description>"
        "<Amount>1200.5</Amount></Enhancement>";
  return envelope("<GetListResponse xmlns=\"http://tempuri.org/\"><GetListResult Count=\"" +
                  std::string(registration == "5001" ? "2" : "0") + "\">" + items +
                  "</GetListResult></GetListResponse>");
}

}  // namespace

ChannelService::ChannelService() = default;

ChannelService::~ChannelService() {
  stop();
}

void ChannelService::routes(httplib::Server& server) {
  server.Post("/channel", [this](const httplib::Request& req, httplib::Response& res) {
    std::string reply;
    res.status = answer(req.get_header_value("SOAPAction"), req.body, reply);
    // cpp-httplib compresses by itself when the request accepts gzip.
    res.set_content(reply, "text/xml; charset=utf-8");
  });
}

std::string ChannelService::url() const {
  return "http://" + authority() + "/channel";
}

std::vector<ChannelUpdate> ChannelService::updates() const {
  std::lock_guard lock(mutex_);
  return updates_;
}

int ChannelService::answer(const std::string& action, const std::string& body, std::string& reply) {
  if (action == kEchoAction) {
    reply = body;
    return 200;
  }
  pugi::xml_document doc;
  if (!doc.load_string(body.c_str())) {
    reply = fault("Solicitud ilegible");
    return 500;
  }
  pugi::xml_node op = doc.first_element_by_path("soapenv:Envelope/soapenv:Body").first_child();
  auto text = [&op](const char* name) {
    return std::string(op.child((std::string("tem:") + name).c_str()).text().as_string());
  };

  if (ends_with(action, "IEnhancementsTC/GetList")) {
    reply = enhancements_of(text("uniqueID"));
    return 200;
  }
  bool inventory = ends_with(action, "IInventoryUpdTC/Save");
  if (!inventory && !ends_with(action, "IRestrictionUpdTC/Save")) {
    reply = fault("Acción desconocida");
    return 500;
  }
  ChannelUpdate update{action,       text("HotelCode"),   text("Start"),
                       text("Endd"), text("InvTypeCode"), inventory ? "" : text("Status")};
  if (!known_hotel(update.hotel)) {
    reply = fault("Hotel desconocido");
    return 500;
  }
  {
    std::lock_guard lock(mutex_);
    updates_.push_back(update);
  }
  reply = envelope(std::string("<SaveResponse xmlns=\"http://tempuri.org/\"><SaveResult>") +
                   (inventory ? "Inventario" : "Restricción") +
                   " actualizado</SaveResult></SaveResponse>");
  return 200;
}

}  // namespace halvora::sim
