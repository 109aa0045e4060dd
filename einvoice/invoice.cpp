#include "einvoice/invoice.h"

#include <cmath>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <regex>

#include "einvoice/api_error.h"
#include "einvoice/catalogs.h"

namespace halvora::einvoice {

namespace {

using nlohmann::json;

// The header members as the component names them, and where each lands.
struct TextField {
  const char* name;
  std::string Invoice::*member;
};
struct AmountField {
  const char* name;
  double Invoice::*member;
};

const TextField kTextFields[] = {
    {"ClaveCliente", &Invoice::customer_key},
    {"RFC", &Invoice::rfc},
    {"RazonSocial", &Invoice::name},
    {"NombreComercial", &Invoice::trade_name},
    {"Email", &Invoice::email},
    {"DomicilioFiscalCalle", &Invoice::street},
    {"DomicilioFiscalnoExterior", &Invoice::exterior},
    {"DomicilioFiscalnoInterior", &Invoice::interior},
    {"DomicilioFiscalReferencia", &Invoice::reference},
    {"DomicilioFiscalColonia", &Invoice::neighbourhood},
    {"DomicilioFiscalLocalidad", &Invoice::locality},
    {"DomicilioFiscalMunicipio", &Invoice::municipality},
    {"DomicilioFiscalEstado", &Invoice::state},
    {"DomicilioFiscalPais", &Invoice::country},
    {"DomicilioFiscalCodigoPostal", &Invoice::postcode},
    {"CondicionesPago", &Invoice::payment_terms},
    {"FormaPago", &Invoice::payment_form_text},
    {"MetodoPago", &Invoice::payment_method_text},
    {"NumCtaPago", &Invoice::payment_account},
    {"NumeroControl", &Invoice::control_number},
    {"CveCtaContable", &Invoice::account_key},
    {"PeriodicidadSAT", &Invoice::periodicity},
    {"RegimenFiscalReceptor", &Invoice::receiver_regime},
};

const AmountField kAmountFields[] = {
    {"SubTotal", &Invoice::subtotal},          {"Descuento", &Invoice::discount},
    {"TasaIva", &Invoice::vat_rate},           {"TotalIva", &Invoice::vat_total},
    {"TotalImporte", &Invoice::total},         {"TasaISH", &Invoice::lodging_rate},
    {"TasaISA", &Invoice::other_local_rate},   {"TotalISH", &Invoice::lodging_total},
    {"TotalISA", &Invoice::other_local_total},
};

[[noreturn]] void bad(const std::string& message) {
  throw ApiError(status::kBadRequest, message);
}

const json& member(const json& object, const char* name, const std::string& where) {
  auto it = object.find(name);
  if (it == object.end()) bad(where + ": " + name + " is missing");
  return *it;
}

std::string text_of(const json& object, const char* name, const std::string& where) {
  const json& v = member(object, name, where);
  if (!v.is_string()) bad(where + ": " + name + " must be a text");
  return v.get<std::string>();
}

double number_of(const json& object, const char* name, const std::string& where) {
  const json& v = member(object, name, where);
  if (!v.is_number()) bad(where + ": " + name + " must be a number");
  double d = v.get<double>();
  if (!std::isfinite(d)) bad(where + ": " + name + " must be a finite number");
  return d;
}

bool flag_of(const json& object, const char* name, const std::string& where) {
  const json& v = member(object, name, where);
  if (!v.is_boolean()) bad(where + ": " + name + " must be true or false");
  return v.get<bool>();
}

std::string trimmed(const std::string& s) {
  std::size_t a = s.find_first_not_of(" \t\r\n");
  if (a == std::string::npos) return {};
  std::size_t b = s.find_last_not_of(" \t\r\n");
  return s.substr(a, b - a + 1);
}

std::string upper_ascii(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  return s;
}

// Characters, not bytes, as the schema counts lengths.
std::size_t length(const std::string& utf8) {
  std::size_t n = 0;
  for (unsigned char c : utf8)
    if ((c & 0xC0) != 0x80) ++n;
  return n;
}

InvoiceLine read_line(const json& line, std::size_t index) {
  std::string where = "line " + std::to_string(index + 1);
  if (!line.is_object()) bad(where + " must be an object");
  InvoiceLine l;
  l.product_key = text_of(line, "ClaveProducto", where);
  l.quantity = number_of(line, "Cantidad", where);
  l.description = text_of(line, "Descripcion", where);
  l.unit_price = number_of(line, "ValorUnitario", where);
  l.amount = to_cents(number_of(line, "ImporteTotal", where));
  l.vat_rate = number_of(line, "IvaPorciento", where);
  l.vat = to_cents(number_of(line, "IvaImporte", where));
  l.discount_rate = number_of(line, "DescuentoPorciendo", where);
  l.discount = to_cents(number_of(line, "DescuentoImporte", where));
  l.exclude_from_cfdi = flag_of(line, "ExcluirDelCFD", where);
  l.exclude_from_print = flag_of(line, "ExcluirDeImpresion", where);
  l.unit = text_of(line, "Unidad", where);
  for (int i = 0; i < 5; ++i) {
    std::string name = "DetalleObservacion" + std::to_string(i + 1);
    l.notes[i] = text_of(line, name.c_str(), where);
  }
  return l;
}

bool within_a_cent(double expected, Cents actual) {
  return std::fabs(expected * 100.0 - static_cast<double>(actual)) <= 1.0 + 1e-6;
}

// The unit key: a catalogue code written as the unit, else "unit of service", the hotel's usual.
std::string unit_key(const std::string& unit) {
  std::string code = upper_ascii(trimmed(unit));
  for (const CatalogEntry& e : units())
    if (code == e.code) return std::string(e.code);
  return "E48";
}

}  // namespace

Cents to_cents(double amount) {
  // Rounded at the millionth first, so that 0.145 held as 0.14499999… still counts as 14.5 cents.
  return static_cast<Cents>(std::llround(std::round(amount * 1e6) / 1e4));
}

std::string money(Cents cents) {
  char buffer[32];
  Cents whole = cents / 100, part = cents % 100;
  if (cents < 0)
    std::snprintf(buffer, sizeof buffer, "-%lld.%02lld", static_cast<long long>(-whole),
                  static_cast<long long>(-part));
  else
    std::snprintf(buffer, sizeof buffer, "%lld.%02lld", static_cast<long long>(whole),
                  static_cast<long long>(part));
  return buffer;
}

std::vector<const InvoiceLine*> Invoice::fiscal_lines() const {
  std::vector<const InvoiceLine*> out;
  for (const InvoiceLine& l : lines)
    if (!l.exclude_from_cfdi) out.push_back(&l);
  return out;
}

Invoice read_invoice(const json& document) {
  if (!document.is_object()) bad("the document must be an object");
  const json& fields = member(document, "fields", "document");
  const json& lines = member(document, "lines", "document");
  if (!fields.is_object()) bad("document: fields must be an object");
  if (!lines.is_array()) bad("document: lines must be a list");
  Invoice invoice;
  for (const TextField& f : kTextFields) invoice.*f.member = text_of(fields, f.name, "document");
  for (int i = 0; i < 5; ++i) {
    std::string name = "Observaciones" + std::to_string(i + 1);
    invoice.notes[i] = text_of(fields, name.c_str(), "document");
  }
  for (const AmountField& f : kAmountFields)
    invoice.*f.member = number_of(fields, f.name, "document");
  for (std::size_t i = 0; i < lines.size(); ++i) invoice.lines.push_back(read_line(lines[i], i));
  return invoice;
}

void check_no_bar(const std::string& text, const char* member) {
  if (text.find('|') != std::string::npos)
    throw ApiError(status::kRefused, std::string(member) +
                                         " may not hold \"|\": the CFDI's original string uses it "
                                         "as separator");
}

std::vector<std::string> mail_addresses(const std::string& text) {
  static const std::regex address(R"([^\s@<>(),;:"\[\]\\]+@[A-Za-z0-9-]+(\.[A-Za-z0-9-]+)+)");
  std::vector<std::string> out;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find_first_of(",;", start);
    if (end == std::string::npos) end = text.size();
    std::string one = trimmed(text.substr(start, end - start));
    if (!one.empty()) {
      if (!std::regex_match(one, address))
        throw ApiError(status::kRefused, "\"" + one + "\" is not an e-mail address");
      out.push_back(one);
    }
    start = end + 1;
  }
  return out;
}

void check_invoice(Invoice& invoice, const std::string& issuer_postcode) {
  std::vector<std::string> problems;
  auto problem = [&problems](std::string text) { problems.push_back(std::move(text)); };
  auto text_rule = [&](const std::string& value, const char* member, std::size_t max,
                       bool required) {
    if (required && trimmed(value).empty()) problem(std::string(member) + " is required");
    if (length(value) > max)
      problem(std::string(member) + " is longer than " + std::to_string(max) + " characters");
    if (value.find('|') != std::string::npos) problem(std::string(member) + " may not hold \"|\"");
  };

  // The receiver.
  invoice.rfc = upper_ascii(trimmed(invoice.rfc));
  static const std::regex rfc_full(
      "([A-Z&]|\xC3\x91){3,4}[0-9]{2}(0[1-9]|1[012])(0[1-9]|[12][0-9]|3[01])[A-Z0-9]{2}[0-9A]");
  if (invoice.rfc.empty())
    problem("RFC is required");
  else if (!std::regex_match(invoice.rfc, rfc_full))
    problem("RFC \"" + invoice.rfc +
            "\" is not a tax id (3 or 4 letters, a date YYMMDD, 3 characters)");
  text_rule(invoice.name, "RazonSocial", 254, true);
  invoice.postcode = trimmed(invoice.postcode);
  invoice.global = invoice.rfc == kGeneralPublicRfc;
  if (invoice.global && invoice.postcode.empty()) invoice.postcode = issuer_postcode;
  static const std::regex five_digits("[0-9]{5}");
  if (!std::regex_match(invoice.postcode, five_digits))
    problem("DomicilioFiscalCodigoPostal \"" + invoice.postcode +
            "\" is not a postcode of five digits");
  invoice.receiver_regime = trimmed(invoice.receiver_regime);
  const Regime* regime = find_regime(invoice.receiver_regime);
  // Companies have three letters before the date, persons four ("Ñ" is two bytes).
  bool legal = length(invoice.rfc) == 12;
  if (!regime) {
    problem("RegimenFiscalReceptor \"" + invoice.receiver_regime +
            "\" is not a fiscal regime of the catalogue (601, 603, 605, ..., 626)");
  } else if (!invoice.rfc.empty() && invoice.rfc != kForeignRfc) {
    if (legal && !regime->legal)
      problem("RegimenFiscalReceptor " + invoice.receiver_regime + " does not apply to companies");
    if (!legal && !regime->natural)
      problem("RegimenFiscalReceptor " + invoice.receiver_regime + " does not apply to persons");
  }
  if (invoice.global) {
    if (invoice.receiver_regime != "616")
      problem("a general-public invoice (RFC XAXX010101000) takes RegimenFiscalReceptor 616");
    if (invoice.postcode != issuer_postcode)
      problem("a general-public invoice takes the issuing place's postcode " + issuer_postcode);
  }
  invoice.use = regime && regime->general_use && !invoice.global ? "G03" : "S01";
  text_rule(invoice.payment_terms, "CondicionesPago", 1000, false);
  if (!trimmed(invoice.email).empty()) {
    try {
      mail_addresses(invoice.email);
    } catch (const ApiError& e) {
      problem(std::string("Email: ") + e.what());
    }
  }

  // Payment: each of the two texts names a form or a method, in either field.
  std::string form, method;
  for (auto [text, member] : {std::pair{&invoice.payment_form_text, "FormaPago"},
                              std::pair{&invoice.payment_method_text, "MetodoPago"}}) {
    if (trimmed(*text).empty()) continue;
    std::optional<PaymentReading> reading = read_payment_text(*text);
    if (!reading) {
      problem(std::string(member) + " \"" + *text +
              "\" is neither a payment form (01 to 99) nor a payment method (PUE, PPD)");
      continue;
    }
    if (!reading->form.empty()) {
      if (!form.empty() && form != reading->form)
        problem("FormaPago and MetodoPago name two payment forms");
      form = reading->form;
    }
    if (!reading->method.empty()) {
      if (!method.empty() && method != reading->method)
        problem("FormaPago and MetodoPago name two payment methods");
      method = reading->method;
    }
  }
  if (method.empty()) method = "PUE";
  if (form.empty()) form = method == "PPD" ? "99" : "01";
  if (method == "PPD" && form != "99")
    problem("a payment in instalments (PPD) takes the payment form 99 (Por definir)");
  if (method == "PUE" && form == "99")
    problem("a payment in one instalment (PUE) needs a payment form other than 99");
  invoice.payment_form = form;
  invoice.payment_method = method;
  if (form == "05" && trimmed(invoice.payment_account).empty())
    problem("a payment with the electronic wallet (05) needs the card in NumCtaPago");

  if (invoice.global) {
    invoice.periodicity = trimmed(invoice.periodicity);
    if (invoice.periodicity.empty()) invoice.periodicity = "01";
    if (name_of(periodicities(), invoice.periodicity).empty())
      problem("PeriodicidadSAT \"" + invoice.periodicity + "\" is not 01 to 05");
  }

  // The lines and their sums.
  std::vector<const InvoiceLine*> fiscal = invoice.fiscal_lines();
  if (fiscal.empty()) problem("the document has no line for the CFDI (a CFDI needs at least one)");
  Cents amount = 0, discount = 0, vat = 0;
  static const std::regex product_key("[0-9]{8}");
  for (std::size_t i = 0; i < invoice.lines.size(); ++i) {
    InvoiceLine& l = invoice.lines[i];
    l.unit_key = unit_key(l.unit);
    if (l.exclude_from_cfdi) continue;
    std::string at = "line " + std::to_string(i + 1) + ": ";
    if (!std::regex_match(l.product_key, product_key))
      problem(at + "ClaveProducto \"" + l.product_key + "\" is not a product key of eight digits");
    if (trimmed(l.description).empty()) problem(at + "Descripcion is required");
    if (length(l.description) > 1000) problem(at + "Descripcion is longer than 1000 characters");
    if (l.description.find('|') != std::string::npos)
      problem(at + "Descripcion may not hold \"|\"");
    if (length(l.unit) > 20) problem(at + "Unidad is longer than 20 characters");
    if (l.unit.find('|') != std::string::npos) problem(at + "Unidad may not hold \"|\"");
    if (!(l.quantity > 0)) problem(at + "Cantidad must be more than 0");
    if (l.unit_price < 0) problem(at + "ValorUnitario may not be negative");
    if (!within_a_cent(l.quantity * l.unit_price, l.amount))
      problem(at + "ImporteTotal " + money(l.amount) + " is not Cantidad x ValorUnitario");
    if (l.discount < 0 || l.discount > l.amount)
      problem(at + "DescuentoImporte must be from 0 to ImporteTotal");
    if (l.discount_rate != 0 &&
        !within_a_cent(static_cast<double>(l.amount) / 100.0 * l.discount_rate / 100.0, l.discount))
      problem(at + "DescuentoImporte is not DescuentoPorciendo of ImporteTotal");
    if (l.vat_rate != 0 && l.vat_rate != 8 && l.vat_rate != 16)
      problem(at + "IvaPorciento must be 0, 8 or 16");
    if (!within_a_cent(static_cast<double>(l.amount - l.discount) / 100.0 * l.vat_rate / 100.0,
                       l.vat))
      problem(at + "IvaImporte " + money(l.vat) +
              " is not IvaPorciento of the amount less discount");
    amount += l.amount;
    discount += l.discount;
    vat += l.vat;
  }
  Cents base = amount - discount;
  auto total_rule = [&](double given, Cents computed, const char* member) {
    if (!within_a_cent(given, computed))
      problem(std::string(member) + " " + money(to_cents(given)) +
              " does not agree with the lines (" + money(computed) + ")");
  };
  total_rule(invoice.subtotal, amount, "SubTotal");
  total_rule(invoice.discount, discount, "Descuento");
  total_rule(invoice.vat_total, vat, "TotalIva");
  // The lodging tax applies to the rooms only, which the lines do not mark: it may be any amount
  // up to its rate over the whole base.
  auto local_rule = [&](double rate, double given, const char* rate_member, const char* member) {
    Cents tax = to_cents(given);
    if (rate < 0 || rate > 100)
      problem(std::string(rate_member) + " must be a percentage from 0 to 100");
    if (tax < 0) problem(std::string(member) + " may not be negative");
    if (rate == 0 && tax != 0) problem(std::string(member) + " needs its rate " + rate_member);
    if (static_cast<double>(tax) > static_cast<double>(base) * rate / 100.0 + 1.0 + 1e-6)
      problem(std::string(member) + " " + money(tax) + " is more than " + rate_member +
              " of the amount less discount");
    return tax;
  };
  invoice.lodging_tax =
      local_rule(invoice.lodging_rate, invoice.lodging_total, "TasaISH", "TotalISH");
  invoice.other_local_tax =
      local_rule(invoice.other_local_rate, invoice.other_local_total, "TasaISA", "TotalISA");
  invoice.sum_amount = amount;
  invoice.sum_discount = discount;
  invoice.sum_vat = vat;
  invoice.grand_total = base + vat + invoice.lodging_tax + invoice.other_local_tax;
  total_rule(invoice.total, invoice.grand_total, "TotalImporte");

  if (!problems.empty()) {
    std::string message = "the document cannot be issued: ";
    for (std::size_t i = 0; i < problems.size(); ++i) message += (i ? "; " : "") + problems[i];
    throw ApiError(status::kRefused, message);
  }
}

}  // namespace halvora::einvoice
