// The CFDI 4.0 document: the XML of an invoice, its original string by the published sequence,
// the issuer's seal and the stamp (TimbreFiscalDigital 1.1) as an authorised provider adds it.
#pragma once

#include <string>

#include "einvoice/crypto.h"
#include "einvoice/invoice.h"

namespace pugi {
class xml_node;
}

namespace halvora::einvoice {

struct Issuer {
  std::string rfc, name, regime;
};

// Where and under which number a document is issued.
struct Numbering {
  std::string serie;
  int64_t folio = 0;
  std::string postcode;  // LugarExpedicion
  std::string date;      // Fecha: local time, "YYYY-MM-DDThh:mm:ss"
};

struct Stamp {
  std::string uuid, stamped_at, provider_rfc, seal_cfd, certificate_number, seal;
};

struct Cfdi {
  std::string xml;       // the stamped document, UTF-8 with its declaration
  std::string original;  // the original string of the comprobante
  std::string seal;      // Sello
  std::string certificate_number;
  Stamp stamp;
  std::string stamp_original;  // the original string of the stamp
};

// Builds, seals and stamps. The invoice has passed check_invoice.
Cfdi issue_cfdi(const Invoice& invoice, const Issuer& issuer, const Numbering& numbering,
                const Signer& seal_signer, const Signer& stamp_signer,
                const std::string& provider_rfc, const std::string& stamped_at);

// The original string of a cfdi:Comprobante element, and of a tfd:TimbreFiscalDigital element:
// "||" + values by the published order, each with its white space collapsed, "|" between + "||".
std::string original_string(const pugi::xml_node& comprobante);
std::string stamp_original_string(const pugi::xml_node& stamp);

// The verification address that the printed document's QR code carries.
std::string verification_url(const std::string& uuid, const std::string& issuer_rfc,
                             const std::string& receiver_rfc, Cents total, const std::string& seal);

// A quantity or a price with up to six decimals and no trailing zeros beyond two ("2", "1.5" for
// quantities; "100.00", "33.333333" for prices).
std::string quantity_text(double value);
std::string price_text(double value);
// A rate as the CFDI writes it: 16 -> "0.160000".
std::string rate_text(double percent);

}  // namespace halvora::einvoice
