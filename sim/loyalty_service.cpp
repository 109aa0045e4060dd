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

int LoyaltyService::start(int port) {
  server_ = std::make_unique<httplib::Server>();
  server_->Post("/server1/service.asmx",
                [this](const httplib::Request& req, httplib::Response& res) {
                  std::string body = answer(req.body);
                  res.status = body.find("soap:Fault") == std::string::npos ? 200 : 500;
                  res.set_content(body, "application/soap+xml; charset=utf-8");
                });
  if (port == 0)
    port_ = server_->bind_to_any_port("127.0.0.1");
  else
    port_ = server_->bind_to_port("127.0.0.1", port) ? port : -1;
  if (port_ < 0) return -1;
  // Already listening: connections made before the thread runs wait in the backlog.
  thread_ = std::thread([this] { server_->listen_after_bind(); });
  return port_;
}

void LoyaltyService::stop() {
  if (!server_) return;
  server_->stop();
  if (thread_.joinable()) thread_.join();
  server_.reset();
}

std::string LoyaltyService::authority() const {
  return "127.0.0.1:" + std::to_string(port_);
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
