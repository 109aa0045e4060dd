// Documents for the e-invoicing tests, filled by name as a host fills the component's records.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "automation/members.h"
#include "einvoice/records.h"
#include "einvoice/servidor_facturacion.h"

namespace halvora::test {

inline void let(Object& o, std::u16string_view name, Variant value) {
  std::vector<Variant> args{std::move(value)};
  invoke(o, name, CallKind::Let, args);
}

// One line of a hotel bill, with its IVA at 16%: `amount` is quantity × price.
inline std::shared_ptr<einvoice::RenglonFactura> invoice_line(const char16_t* description,
                                                              double quantity, double price,
                                                              const char16_t* key = u"90111800") {
  auto line = std::make_shared<einvoice::RenglonFactura>();
  let(*line, u"ClaveProducto", key);
  let(*line, u"Cantidad", quantity);
  let(*line, u"Descripcion", description);
  let(*line, u"ValorUnitario", price);
  let(*line, u"ImporteTotal", quantity * price);
  let(*line, u"IvaPorciento", 16.0);
  let(*line, u"IvaImporte", quantity * price * 0.16);
  let(*line, u"Unidad", u"N/A");
  return line;
}

// A guest's invoice: two nights and a dinner, 16% IVA, 3% lodging tax on the nights, paid cash
// in one instalment (the library's own default words).
inline std::shared_ptr<einvoice::DocumentoFactura> sample_invoice() {
  auto doc = std::make_shared<einvoice::DocumentoFactura>();
  let(*doc, u"ClaveCliente", u"C-204");
  let(*doc, u"RFC", u"XOCD720319T86");
  let(*doc, u"RazonSocial", u"DANIEL \"EL GÜERO\" ÑÚÑEZ <ACME> & CÍA");
  let(*doc, u"Email", u"daniel@example.com");
  let(*doc, u"DomicilioFiscalCalle", u"Av. Tulum");
  let(*doc, u"DomicilioFiscalnoExterior", u"12");
  let(*doc, u"DomicilioFiscalLocalidad", u"Cancún");
  let(*doc, u"DomicilioFiscalEstado", u"Quintana Roo");
  let(*doc, u"DomicilioFiscalPais", u"México");
  let(*doc, u"DomicilioFiscalCodigoPostal", u"77500");
  let(*doc, u"FormaPago", u"UNA SOLA EXHIBICIÓN");
  let(*doc, u"MetodoPago", u"EFECTIVO");
  let(*doc, u"NumeroControl", u"R-1001");
  let(*doc, u"RegimenFiscalReceptor", u"612");
  let(*doc, u"Observaciones1", u"Estancia del 1 al 3 de julio");
  std::vector<Variant> args{Variant(invoice_line(u"Hospedaje habitación doble", 2, 1000))};
  invoke(*doc, u"AnexarRenglon", CallKind::Method, args);
  args = {Variant(invoice_line(u"Cena \"Mar y tierra\"", 1, 450, u"90101501"))};
  invoke(*doc, u"AnexarRenglon", CallKind::Method, args);
  let(*doc, u"SubTotal", 2450.0);
  let(*doc, u"TasaIva", 16.0);
  let(*doc, u"TotalIva", 392.0);
  let(*doc, u"TasaISH", 3.0);
  let(*doc, u"TotalISH", 60.0);
  let(*doc, u"TotalImporte", 2902.0);
  return doc;
}

// The fields of a "|" result.
inline std::vector<std::u16string> fields(const std::u16string& text) {
  std::vector<std::u16string> out;
  std::size_t start = 0;
  while (true) {
    std::size_t bar = text.find(u'|', start);
    out.push_back(
        text.substr(start, bar == std::u16string::npos ? std::u16string::npos : bar - start));
    if (bar == std::u16string::npos) return out;
    start = bar + 1;
  }
}

}  // namespace halvora::test
