// The printed documents: an invoice's printed representation (with the QR code of its
// verification address), a pre-invoice, the guest's account statement and registration card.
// PDF through libharu, text in an embedded DejaVu font so that every Spanish letter prints.
#pragma once

#include <string>
#include <vector>

#include "einvoice/cfdi.h"
#include "einvoice/invoice.h"
#include "einvoice/store.h"

namespace halvora::einvoice {

struct PrintedInvoice {
  Issuer issuer;
  Branch branch;
  const Invoice* invoice = nullptr;
  std::string serie;
  int64_t folio = 0;
  std::string date;
  bool pre_invoice = false;
  bool cancelled = false;
  std::string cancelled_at;
  // A stamped invoice's seals and stamp; empty for a pre-invoice.
  std::string seal, certificate_number;
  Stamp stamp;
  std::string stamp_original;
  std::string qr_url;
};

std::string render_invoice(const PrintedInvoice& printed);

// A field of a guest document as the report prints it: its label and its value as text.
struct PrintedField {
  std::string label, value;
};
struct PrintedMovement {
  std::string date, time, description, reference;
  Cents charge = 0, credit = 0;
};

struct PrintedStatement {
  Issuer issuer;
  std::string guest;
  std::vector<PrintedField> header;
  std::vector<PrintedMovement> movements;
  std::string signer, signed_at;  // empty when the guest has not signed
};
std::string render_statement(const PrintedStatement& statement);

struct PrintedRegistration {
  Issuer issuer;
  std::string guest;
  std::vector<PrintedField> main;   // the card's own fields
  std::vector<PrintedField> other;  // every other member that holds a value
  std::string signer, signed_at;
};
std::string render_registration(const PrintedRegistration& registration);

// Where the fonts are: HALVORA_EINVOICE_FONTS, else Debian's DejaVu folder.
std::string font_folder();

}  // namespace halvora::einvoice
