// The tax authority's catalogues that the invoices use, and the readings of the hotel's own
// payment words into them.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace halvora::einvoice {

struct CatalogEntry {
  std::string_view code;
  std::string_view name;
};

// Payment forms (c_FormaPago) and methods (c_MetodoPago).
const std::vector<CatalogEntry>& payment_forms();
const std::vector<CatalogEntry>& payment_methods();
// Periodicities of a global invoice (c_Periodicidad).
const std::vector<CatalogEntry>& periodicities();
// Units (c_ClaveUnidad) that a hotel's lines use.
const std::vector<CatalogEntry>& units();

// A fiscal regime (c_RegimenFiscal) and to whom it applies.
struct Regime {
  std::string_view code;
  std::string_view name;
  bool natural;      // persons (13-character tax ids)
  bool legal;        // companies (12-character tax ids)
  bool general_use;  // whose receivers may take "G03 Gastos en general"
};
const Regime* find_regime(std::string_view code);

// The name of a code in a catalogue, "" when it has none.
std::string_view name_of(const std::vector<CatalogEntry>& catalogue, std::string_view code);

// What a payment text designates: a payment form, a payment method, or neither. Codes are taken
// as they stand ("04", "PUE"); words the way front desks write them, letter case and accents
// aside ("Tarjeta de crédito", "UNA SOLA EXHIBICIÓN").
struct PaymentReading {
  std::string form;    // c_FormaPago code, or ""
  std::string method;  // c_MetodoPago code, or ""
};
std::optional<PaymentReading> read_payment_text(std::string_view text);

// Upper case without accents, inner runs of spaces collapsed: how catalogue words compare.
std::string fold_words(std::string_view utf8);

// The generic tax ids: the general public and foreign receivers.
inline constexpr std::string_view kGeneralPublicRfc = "XAXX010101000";
inline constexpr std::string_view kForeignRfc = "XEXX010101000";

}  // namespace halvora::einvoice
