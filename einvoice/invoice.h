// An invoice as a front desk hands it over (the header, its totals and its lines), read from the
// request and checked before anything is numbered: what the tax authority's rules need and what
// the totals must agree with. Amounts are kept in cents once checked.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include <nlohmann/json_fwd.hpp>

namespace halvora::einvoice {

using Cents = int64_t;

// Cents of an amount, rounded half away from zero at the cent.
Cents to_cents(double amount);
// "1234.50": two decimals, a period, no grouping.
std::string money(Cents cents);

struct InvoiceLine {
  std::string product_key;  // ClaveProducto: c_ClaveProdServ, eight digits
  double quantity = 0;
  std::string description;
  double unit_price = 0;
  Cents amount = 0;     // ImporteTotal: quantity × unit price, before discount and taxes
  double vat_rate = 0;  // IvaPorciento, percent
  Cents vat = 0;
  double discount_rate = 0;
  Cents discount = 0;
  bool exclude_from_cfdi = false;
  bool exclude_from_print = false;
  std::string unit;  // Unidad as written; unit_key is its c_ClaveUnidad
  std::string unit_key;
  std::array<std::string, 5> notes;
};

struct Invoice {
  // The header as handed over (UTF-8), by the component's member names.
  std::string customer_key, rfc, name, trade_name, email;
  std::string street, exterior, interior, reference, neighbourhood, locality, municipality, state,
      country, postcode;
  std::string payment_terms, payment_form_text, payment_method_text, payment_account,
      control_number;
  std::array<std::string, 5> notes;
  std::string account_key, periodicity, receiver_regime;
  double subtotal = 0, discount = 0, vat_rate = 0, vat_total = 0, total = 0;
  double lodging_rate = 0, other_local_rate = 0, lodging_total = 0, other_local_total = 0;
  std::vector<InvoiceLine> lines;

  // Resolved by check_invoice.
  std::string payment_form;    // c_FormaPago
  std::string payment_method;  // c_MetodoPago
  std::string use;             // UsoCFDI
  bool global = false;         // a global invoice to the general public
  Cents sum_amount = 0, sum_discount = 0, sum_vat = 0, lodging_tax = 0, other_local_tax = 0,
        grand_total = 0;

  // The lines that go into the CFDI.
  std::vector<const InvoiceLine*> fiscal_lines() const;
};

// Reads the document of a request: {"fields": {...}, "lines": [{...}, ...]}. Throws ApiError
// (400) naming the member that is missing or of the wrong type.
Invoice read_invoice(const nlohmann::json& document);

// Checks a document before it is numbered and resolves its catalogue codes and sums. Throws
// ApiError (422) listing every problem found, each naming the member to correct.
// `issuer_postcode` is where the branch issues: a general-public receiver takes it as its own.
void check_invoice(Invoice& invoice, const std::string& issuer_postcode);

// The receiver's e-mail addresses: split at "," and ";", each trimmed; throws ApiError (422) for
// one that is not an address.
std::vector<std::string> mail_addresses(const std::string& text);

// Throws ApiError (422) when the text holds "|", which the original string uses as separator.
void check_no_bar(const std::string& text, const char* member);

}  // namespace halvora::einvoice
