#include "loyalty_service.h"

#include <httplib.h>

#include <pugixml.hpp>
#include <sstream>

#include "soap_reply.h"

namespace halvora::sim {

namespace {

std::string reply(const std::string& operation, const std::string& result) {
  return soap12_reply(operation, result);
}

std::string fault(const std::string& text) {
  return soap12_fault(text);
}

std::string number(double value) {
  std::ostringstream out;
  out.precision(15);
  out << value;
  return out.str();
}

}  // namespace

LoyaltyService::LoyaltyService()
    : cards_{{"1001", {"M-100", 1520.75}}, {"1002", {"M-101", 300}}, {"1003", {"M-102", 0}}} {}

LoyaltyService::~LoyaltyService() {
  stop();
}

void LoyaltyService::routes(httplib::Server& server) {
  server.Post("/server1/service.asmx", [this](const httplib::Request& req, httplib::Response& res) {
    std::string body = answer(req.body);
    res.status = body.find("soap:Fault") == std::string::npos ? 200 : 500;
    res.set_content(body, "application/soap+xml; charset=utf-8");
  });
}

double LoyaltyService::balance(const std::string& card) const {
  std::lock_guard lock(mutex_);
  auto it = cards_.find(card);
  return it == cards_.end() ? 0 : it->second.balance;
}

std::string LoyaltyService::answer(const std::string& body) {
  pugi::xml_document doc;
  if (!doc.load_string(body.c_str())) return fault("Solicitud ilegible");
  pugi::xml_node op = doc.first_element_by_path("soap12:Envelope/soap12:Body").first_child();
  std::string name = op.name();
  std::string key = op.child("cveCliente").text().as_string();

  std::lock_guard lock(mutex_);
  if (name == "SOC_Saldo") {
    auto it = cards_.find(key);
    return it == cards_.end() ? fault("Tarjeta no encontrada")
                              : reply(name, number(it->second.balance));
  }
  if (name == "SOC_Tarjeta") {
    for (const auto& [card, info] : cards_)
      if (info.member == key) return reply(name, card);
    return reply(name, "");
  }
  if (name == "SOC_Movimiento") {
    auto it = cards_.find(key);
    if (it == cards_.end()) return fault("Tarjeta no encontrada");
    double amount = op.child("Monto").text().as_double();
    std::string kind = op.child("TipoMovimiento").text().as_string();
    // "C" charges the card; anything else credits it.
    it->second.balance += kind == "C" ? -amount : amount;
    return reply(name, std::to_string(next_movement_++));
  }
  return fault("Operación desconocida");
}

}  // namespace halvora::sim
