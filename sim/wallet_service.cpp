#include "wallet_service.h"

#include <httplib.h>

#include <cstdlib>
#include <pugixml.hpp>
#include <sstream>

#include "soap_reply.h"

namespace halvora::sim {

namespace {

const std::map<std::string, std::string> kFixedAnswers{
    {"9001", "32767"}, {"9002", "32768"}, {"9003", "-32768"}, {"9004", "-32769"},
    {"9005", "2.7"},   {"9006", "-0.5"},  {"9007", "abc"},    {"9008", ""},
};

std::string number(double value) {
  std::ostringstream out;
  out.precision(15);
  out << value;
  return out.str();
}

// Amounts come with the sender's decimal separator, a period or a comma.
double amount(std::string text) {
  for (char& c : text)
    if (c == ',') c = '.';
  char* end = nullptr;
  double value = std::strtod(text.c_str(), &end);
  return end == text.c_str() ? 0 : value;
}

}  // namespace

WalletService::WalletService() : balances_{{"5001", 1000}, {"5002", 250.5}, {"5003", 0}} {}

WalletService::~WalletService() {
  stop();
}

void WalletService::routes(httplib::Server& server) {
  server.Post(R"(/.*\.asmx)", [this](const httplib::Request& req, httplib::Response& res) {
    std::string body = answer(req.body);
    res.status = body.find("soap:Fault") == std::string::npos ? 200 : 500;
    res.set_content(body, "application/soap+xml; charset=utf-8");
  });
}

double WalletService::balance(const std::string& card) const {
  std::lock_guard lock(mutex_);
  auto it = balances_.find(card);
  return it == balances_.end() ? 0 : it->second;
}

std::string WalletService::answer(const std::string& body) {
  pugi::xml_document doc;
  if (!doc.load_string(body.c_str())) return soap12_fault("Solicitud ilegible");
  pugi::xml_node op = doc.first_element_by_path("soap12:Envelope/soap12:Body").first_child();
  std::string name = op.name();
  std::string card = op.child("NoTarjeta").text().as_string();

  std::lock_guard lock(mutex_);
  if (name == "MonederoBalance") {
    auto it = balances_.find(card);
    return soap12_reply(name, it == balances_.end() ? "0" : number(it->second));
  }
  bool charge = name == "MonederoCargoEx" || name == "MonederoCargo";
  if (!charge && name != "MonederoAbonoEx") return soap12_fault("Operación desconocida");

  if (auto fixed = kFixedAnswers.find(card); fixed != kFixedAnswers.end())
    return soap12_reply(name, fixed->second);
  auto it = balances_.find(card);
  if (it == balances_.end()) return soap12_reply(name, "1");
  double value = amount(op.child(charge ? "ImporteCargo" : "ImporteAbono").text().as_string());
  if (!(value > 0)) return soap12_reply(name, "3");
  if (charge && value > it->second) return soap12_reply(name, "2");
  it->second += charge ? -value : value;
  return soap12_reply(name, "0");
}

}  // namespace halvora::sim
