// The SOAP 1.2 replies of the simulated ASMX services: the result element inside the response
// element, under the "soap" prefix the library's reader expects, or a fault.
#pragma once

#include <pugixml.hpp>
#include <sstream>
#include <string>

namespace halvora::sim {

inline std::string soap12_reply(const std::string& operation, const std::string& result) {
  pugi::xml_document doc;
  auto decl = doc.append_child(pugi::node_declaration);
  decl.append_attribute("version") = "1.0";
  decl.append_attribute("encoding") = "utf-8";
  auto env = doc.append_child("soap:Envelope");
  env.append_attribute("xmlns:soap") = "http://www.w3.org/2003/05/soap-envelope";
  auto response = env.append_child("soap:Body").append_child((operation + "Response").c_str());
  response.append_child((operation + "Result").c_str()).text() = result.c_str();
  std::ostringstream out;
  doc.save(out, "", pugi::format_raw);
  return out.str();
}

// The text is written as it is: callers pass fixed texts.
inline std::string soap12_fault(const std::string& text) {
  return "<?xml version=\"1.0\" encoding=\"utf-8\"?><soap:Envelope "
         "xmlns:soap=\"http://www.w3.org/2003/05/soap-envelope\"><soap:Body><soap:Fault>"
         "<soap:Reason><soap:Text xml:lang=\"es\">" +
         text + "</soap:Text></soap:Reason></soap:Fault></soap:Body></soap:Envelope>";
}

}  // namespace halvora::sim
