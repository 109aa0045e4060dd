#include "einvoice/wallet.h"

#include <curl/curl.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <pugixml.hpp>
#include <sstream>
#include <utility>
#include <vector>

#include "einvoice/api_error.h"

namespace halvora::einvoice {

namespace {

std::string escaped(const std::string& text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string number_text(double value) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.15g", value);
  return buffer;
}

size_t collect(char* data, size_t size, size_t count, void* user) {
  static_cast<std::string*>(user)->append(data, size * count);
  return size * count;
}

// One operation: its parameters in order, the text of its result element.
std::string call(const WalletService& s, const std::string& operation,
                 const std::vector<std::pair<std::string, std::string>>& parameters) {
  if (s.url.empty())
    throw ApiError(status::kBadGateway, "no wallet service is configured (setting wallet_url)");
  std::string body =
      "<?xml version=\"1.0\" encoding=\"utf-8\"?><soap12:Envelope "
      "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
      "xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\" "
      "xmlns:soap12=\"http://www.w3.org/2003/05/soap-envelope\"><soap12:Body><" +
      operation + " xmlns=\"" + escaped(s.ns) + "\">";
  for (const auto& [name, value] : parameters)
    body += "<" + name + ">" + escaped(value) + "</" + name + ">";
  body += "</" + operation + "></soap12:Body></soap12:Envelope>";

  CURL* h = curl_easy_init();
  std::string reply;
  curl_slist* headers =
      curl_slist_append(nullptr, "Content-Type: application/soap+xml; charset=utf-8");
  curl_easy_setopt(h, CURLOPT_URL, s.url.c_str());
  curl_easy_setopt(h, CURLOPT_POSTFIELDS, body.c_str());
  curl_easy_setopt(h, CURLOPT_POSTFIELDSIZE, static_cast<long>(body.size()));
  curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers);
  curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &collect);
  curl_easy_setopt(h, CURLOPT_WRITEDATA, &reply);
  curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT, 10L);
  curl_easy_setopt(h, CURLOPT_TIMEOUT, 30L);
  curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
  CURLcode rc = curl_easy_perform(h);
  long code = 0;
  curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &code);
  curl_slist_free_all(headers);
  curl_easy_cleanup(h);
  if (rc != CURLE_OK)
    throw ApiError(status::kBadGateway,
                   "the wallet service at " + s.url + " did not answer: " + curl_easy_strerror(rc));
  pugi::xml_document doc;
  if (!doc.load_string(reply.c_str()))
    throw ApiError(status::kBadGateway, "the wallet service answered something that is not XML");
  // The result element by its local name, whatever prefix the service writes.
  std::string wanted = operation + "Result";
  pugi::xml_node result = doc.find_node([&](pugi::xml_node n) {
    std::string name = n.name();
    std::size_t colon = name.find(':');
    return (colon == std::string::npos ? name : name.substr(colon + 1)) == wanted;
  });
  if (!result)
    throw ApiError(status::kBadGateway, "the wallet service refused " + operation + " (HTTP " +
                                            std::to_string(code) + ")");
  return result.text().get();
}

double read_number(const std::string& text, const std::string& operation) {
  char* end = nullptr;
  double value = std::strtod(text.c_str(), &end);
  if (text.empty() || end == text.c_str() || !std::isfinite(value))
    throw ApiError(status::kBadGateway,
                   "the wallet service answered " + operation + " with \"" + text + "\"");
  return value;
}

}  // namespace

double wallet_balance(const WalletService& s, const std::string& card) {
  return read_number(
      call(s, "MonederoBalance", {{"EmpresaRfc", s.company_rfc}, {"NoTarjeta", card}}),
      "MonederoBalance");
}

int wallet_charge(const WalletService& s, const std::string& card, const std::string& centre,
                  double cheque, double amount) {
  return static_cast<int>(std::floor(read_number(call(s, "MonederoCargoEx",
                                                      {{"EmpresaRfc", s.company_rfc},
                                                       {"NoTarjeta", card},
                                                       {"ClaveCentroConsumo", centre},
                                                       {"NoCheque", number_text(cheque)},
                                                       {"ImporteCargo", number_text(amount)}}),
                                                 "MonederoCargoEx")));
}

int wallet_credit(const WalletService& s, const std::string& card, const std::string& centre,
                  double cheque, double amount) {
  return static_cast<int>(std::floor(read_number(call(s, "MonederoAbonoEx",
                                                      {{"EmpresaRfc", s.company_rfc},
                                                       {"NoTarjeta", card},
                                                       {"ClaveCentroConsumo", centre},
                                                       {"NoCheque", number_text(cheque)},
                                                       {"ImporteAbono", number_text(amount)}}),
                                                 "MonederoAbonoEx")));
}

}  // namespace halvora::einvoice
