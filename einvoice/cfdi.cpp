#include "einvoice/cfdi.h"

#include <cmath>
#include <cstdio>
#include <map>
#include <pugixml.hpp>
#include <sstream>

namespace halvora::einvoice {

namespace {

constexpr char kCfdiNs[] = "http://www.sat.gob.mx/cfd/4";
constexpr char kCfdiSchema[] =
    "http://www.sat.gob.mx/cfd/4 http://www.sat.gob.mx/sitio_internet/cfd/4/cfdv40.xsd";
constexpr char kXsiNs[] = "http://www.w3.org/2001/XMLSchema-instance";
constexpr char kLocalNs[] = "http://www.sat.gob.mx/implocal";
constexpr char kLocalSchema[] =
    " http://www.sat.gob.mx/implocal "
    "http://www.sat.gob.mx/sitio_internet/cfd/implocal/implocal.xsd";
constexpr char kStampNs[] = "http://www.sat.gob.mx/TimbreFiscalDigital";
constexpr char kStampSchema[] =
    "http://www.sat.gob.mx/TimbreFiscalDigital "
    "http://www.sat.gob.mx/sitio_internet/cfd/TimbreFiscalDigital/TimbreFiscalDigitalv11.xsd";

std::string trim_decimals(std::string text, std::size_t keep) {
  std::size_t dot = text.find('.');
  if (dot == std::string::npos) return text;
  while (text.size() > dot + 1 + keep && text.back() == '0') text.pop_back();
  if (text.back() == '.') text.pop_back();
  return text;
}

std::string fixed(double value, int decimals) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
  return buffer;
}

// normalize-space(): no white space at either end, one space for every inner run.
std::string collapse(const char* text) {
  std::string out;
  bool space = false;
  for (const char* p = text; *p; ++p) {
    char c = *p;
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
      space = !out.empty();
      continue;
    }
    if (space) out += ' ';
    space = false;
    out += c;
  }
  return out;
}

// The published templates: a required value always writes "|" and its text; an optional one only
// when the attribute is there.
class OriginalString {
 public:
  void required(const pugi::xml_node& node, const char* name) {
    out_ += '|';
    out_ += collapse(node.attribute(name).value());
  }
  void optional(const pugi::xml_node& node, const char* name) {
    pugi::xml_attribute a = node.attribute(name);
    if (!a) return;
    out_ += '|';
    out_ += collapse(a.value());
  }
  std::string finish() { return "|" + out_ + "||"; }

 private:
  std::string out_;
};

void transfers(OriginalString& s, const pugi::xml_node& taxes) {
  for (pugi::xml_node t : taxes.child("cfdi:Traslados").children("cfdi:Traslado")) {
    s.required(t, "Base");
    s.required(t, "Impuesto");
    s.required(t, "TipoFactor");
    s.optional(t, "TasaOCuota");
    s.optional(t, "Importe");
  }
}

void local_taxes(OriginalString& s, const pugi::xml_node& local) {
  s.required(local, "version");
  s.required(local, "TotaldeRetenciones");
  s.required(local, "TotaldeTraslados");
  for (pugi::xml_node r : local.children("implocal:RetencionesLocales")) {
    s.required(r, "ImpLocRetenido");
    s.required(r, "TasadeRetencion");
    s.required(r, "Importe");
  }
  for (pugi::xml_node t : local.children("implocal:TrasladosLocales")) {
    s.required(t, "ImpLocTrasladado");
    s.required(t, "TasadeTraslado");
    s.required(t, "Importe");
  }
}

struct TaxGroup {
  Cents base = 0;
  Cents amount = 0;
};

}  // namespace

std::string quantity_text(double value) {
  return trim_decimals(fixed(value, 6), 0);
}

std::string price_text(double value) {
  return trim_decimals(fixed(value, 6), 2);
}

std::string rate_text(double percent) {
  return fixed(percent / 100.0, 6);
}

std::string original_string(const pugi::xml_node& c) {
  OriginalString s;
  s.required(c, "Version");
  s.optional(c, "Serie");
  s.optional(c, "Folio");
  s.required(c, "Fecha");
  s.optional(c, "FormaPago");
  s.required(c, "NoCertificado");
  s.optional(c, "CondicionesDePago");
  s.required(c, "SubTotal");
  s.optional(c, "Descuento");
  s.required(c, "Moneda");
  s.optional(c, "TipoCambio");
  s.required(c, "Total");
  s.required(c, "TipoDeComprobante");
  s.required(c, "Exportacion");
  s.optional(c, "MetodoPago");
  s.required(c, "LugarExpedicion");
  s.optional(c, "Confirmacion");
  if (pugi::xml_node g = c.child("cfdi:InformacionGlobal")) {
    s.required(g, "Periodicidad");
    s.required(g, "Meses");
    s.required(g, "A\xC3\xB1o");
  }
  pugi::xml_node e = c.child("cfdi:Emisor");
  s.required(e, "Rfc");
  s.required(e, "Nombre");
  s.required(e, "RegimenFiscal");
  s.optional(e, "FacAtrAdquirente");
  pugi::xml_node r = c.child("cfdi:Receptor");
  s.required(r, "Rfc");
  s.required(r, "Nombre");
  s.required(r, "DomicilioFiscalReceptor");
  s.optional(r, "ResidenciaFiscal");
  s.optional(r, "NumRegIdTrib");
  s.required(r, "RegimenFiscalReceptor");
  s.required(r, "UsoCFDI");
  for (pugi::xml_node k : c.child("cfdi:Conceptos").children("cfdi:Concepto")) {
    s.required(k, "ClaveProdServ");
    s.optional(k, "NoIdentificacion");
    s.required(k, "Cantidad");
    s.required(k, "ClaveUnidad");
    s.optional(k, "Unidad");
    s.required(k, "Descripcion");
    s.required(k, "ValorUnitario");
    s.required(k, "Importe");
    s.optional(k, "Descuento");
    s.required(k, "ObjetoImp");
    transfers(s, k.child("cfdi:Impuestos"));
  }
  if (pugi::xml_node t = c.child("cfdi:Impuestos")) {
    s.optional(t, "TotalImpuestosRetenidos");
    transfers(s, t);
    s.optional(t, "TotalImpuestosTrasladados");
  }
  for (pugi::xml_node local : c.child("cfdi:Complemento").children("implocal:ImpuestosLocales"))
    local_taxes(s, local);
  return s.finish();
}

std::string stamp_original_string(const pugi::xml_node& t) {
  OriginalString s;
  s.required(t, "Version");
  s.required(t, "UUID");
  s.required(t, "FechaTimbrado");
  s.required(t, "RfcProvCertif");
  s.optional(t, "Leyenda");
  s.required(t, "SelloCFD");
  s.required(t, "NoCertificadoSAT");
  return s.finish();
}

std::string verification_url(const std::string& uuid, const std::string& issuer_rfc,
                             const std::string& receiver_rfc, Cents total,
                             const std::string& seal) {
  // The RFCs may hold "&" (and "Ñ"), which a query must escape.
  auto escape = [](const std::string& text) {
    std::string out;
    for (unsigned char c : text) {
      if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
          c == '.') {
        out += static_cast<char>(c);
      } else {
        char buffer[4];
        std::snprintf(buffer, sizeof buffer, "%%%02X", c);
        out += buffer;
      }
    }
    return out;
  };
  std::string tail = seal.size() >= 8 ? seal.substr(seal.size() - 8) : seal;
  return "https://verificacfdi.facturaelectronica.sat.gob.mx/default.aspx?id=" + uuid +
         "&re=" + escape(issuer_rfc) + "&rr=" + escape(receiver_rfc) + "&tt=" + money(total) +
         "&fe=" + escape(tail);
}

Cfdi issue_cfdi(const Invoice& inv, const Issuer& issuer, const Numbering& numbering,
                const Signer& seal_signer, const Signer& stamp_signer,
                const std::string& provider_rfc, const std::string& stamped_at) {
  pugi::xml_document doc;
  pugi::xml_node decl = doc.append_child(pugi::node_declaration);
  decl.append_attribute("version") = "1.0";
  decl.append_attribute("encoding") = "UTF-8";

  bool local = inv.lodging_tax > 0 || inv.other_local_tax > 0;
  pugi::xml_node c = doc.append_child("cfdi:Comprobante");
  c.append_attribute("xmlns:cfdi") = kCfdiNs;
  c.append_attribute("xmlns:xsi") = kXsiNs;
  if (local) c.append_attribute("xmlns:implocal") = kLocalNs;
  c.append_attribute("xsi:schemaLocation") =
      (std::string(kCfdiSchema) + (local ? kLocalSchema : "")).c_str();
  c.append_attribute("Version") = "4.0";
  c.append_attribute("Serie") = numbering.serie.c_str();
  c.append_attribute("Folio") = std::to_string(numbering.folio).c_str();
  c.append_attribute("Fecha") = numbering.date.c_str();
  pugi::xml_attribute seal_attr = c.append_attribute("Sello");
  c.append_attribute("FormaPago") = inv.payment_form.c_str();
  c.append_attribute("NoCertificado") = seal_signer.certificate_number.c_str();
  c.append_attribute("Certificado") = base64(seal_signer.certificate_der).c_str();
  if (!inv.payment_terms.empty())
    c.append_attribute("CondicionesDePago") = inv.payment_terms.c_str();
  c.append_attribute("SubTotal") = money(inv.sum_amount).c_str();
  if (inv.sum_discount > 0) c.append_attribute("Descuento") = money(inv.sum_discount).c_str();
  c.append_attribute("Moneda") = "MXN";
  c.append_attribute("Total") = money(inv.grand_total).c_str();
  c.append_attribute("TipoDeComprobante") = "I";
  c.append_attribute("Exportacion") = "01";
  c.append_attribute("MetodoPago") = inv.payment_method.c_str();
  c.append_attribute("LugarExpedicion") = numbering.postcode.c_str();

  if (inv.global) {
    pugi::xml_node g = c.append_child("cfdi:InformacionGlobal");
    int month = std::stoi(numbering.date.substr(5, 2));
    // A two-month period is numbered 13 (January and February) to 18.
    int months = inv.periodicity == "05" ? 12 + (month + 1) / 2 : month;
    char text[8];
    std::snprintf(text, sizeof text, "%02d", months);
    g.append_attribute("Periodicidad") = inv.periodicity.c_str();
    g.append_attribute("Meses") = text;
    g.append_attribute("A\xC3\xB1o") = numbering.date.substr(0, 4).c_str();
  }
  pugi::xml_node e = c.append_child("cfdi:Emisor");
  e.append_attribute("Rfc") = issuer.rfc.c_str();
  e.append_attribute("Nombre") = issuer.name.c_str();
  e.append_attribute("RegimenFiscal") = issuer.regime.c_str();
  pugi::xml_node r = c.append_child("cfdi:Receptor");
  r.append_attribute("Rfc") = inv.rfc.c_str();
  r.append_attribute("Nombre") = inv.name.c_str();
  r.append_attribute("DomicilioFiscalReceptor") = inv.postcode.c_str();
  r.append_attribute("RegimenFiscalReceptor") = inv.receiver_regime.c_str();
  r.append_attribute("UsoCFDI") = inv.use.c_str();

  std::map<std::string, TaxGroup> groups;  // by rate text, in the rates' order
  pugi::xml_node list = c.append_child("cfdi:Conceptos");
  for (const InvoiceLine* l : inv.fiscal_lines()) {
    pugi::xml_node k = list.append_child("cfdi:Concepto");
    k.append_attribute("ClaveProdServ") = l->product_key.c_str();
    k.append_attribute("Cantidad") = quantity_text(l->quantity).c_str();
    k.append_attribute("ClaveUnidad") = l->unit_key.c_str();
    if (!l->unit.empty()) k.append_attribute("Unidad") = l->unit.c_str();
    k.append_attribute("Descripcion") = l->description.c_str();
    k.append_attribute("ValorUnitario") = price_text(l->unit_price).c_str();
    k.append_attribute("Importe") = money(l->amount).c_str();
    if (l->discount > 0) k.append_attribute("Descuento") = money(l->discount).c_str();
    k.append_attribute("ObjetoImp") = "02";
    pugi::xml_node t = k.append_child("cfdi:Impuestos")
                           .append_child("cfdi:Traslados")
                           .append_child("cfdi:Traslado");
    Cents base = l->amount - l->discount;
    std::string rate = rate_text(l->vat_rate);
    t.append_attribute("Base") = money(base).c_str();
    t.append_attribute("Impuesto") = "002";
    t.append_attribute("TipoFactor") = "Tasa";
    t.append_attribute("TasaOCuota") = rate.c_str();
    t.append_attribute("Importe") = money(l->vat).c_str();
    groups[rate].base += base;
    groups[rate].amount += l->vat;
  }
  pugi::xml_node taxes = c.append_child("cfdi:Impuestos");
  taxes.append_attribute("TotalImpuestosTrasladados") = money(inv.sum_vat).c_str();
  pugi::xml_node transfers_node = taxes.append_child("cfdi:Traslados");
  for (const auto& [rate, group] : groups) {
    pugi::xml_node t = transfers_node.append_child("cfdi:Traslado");
    t.append_attribute("Base") = money(group.base).c_str();
    t.append_attribute("Impuesto") = "002";
    t.append_attribute("TipoFactor") = "Tasa";
    t.append_attribute("TasaOCuota") = rate.c_str();
    t.append_attribute("Importe") = money(group.amount).c_str();
  }
  pugi::xml_node complement = c.append_child("cfdi:Complemento");
  if (local) {
    pugi::xml_node l = complement.append_child("implocal:ImpuestosLocales");
    l.append_attribute("version") = "1.0";
    l.append_attribute("TotaldeRetenciones") = "0.00";
    l.append_attribute("TotaldeTraslados") = money(inv.lodging_tax + inv.other_local_tax).c_str();
    auto add = [&](const char* name, double rate, Cents amount) {
      if (amount <= 0) return;
      pugi::xml_node t = l.append_child("implocal:TrasladosLocales");
      t.append_attribute("ImpLocTrasladado") = name;
      t.append_attribute("TasadeTraslado") = fixed(rate, 2).c_str();
      t.append_attribute("Importe") = money(amount).c_str();
    };
    add("ISH", inv.lodging_rate, inv.lodging_tax);
    add("ISA", inv.other_local_rate, inv.other_local_tax);
  }

  Cfdi out;
  out.original = original_string(c);
  out.seal = seal(seal_signer, out.original);
  out.certificate_number = seal_signer.certificate_number;
  seal_attr.set_value(out.seal.c_str());

  // The stamp: what a provider adds once the document passes its checks.
  Stamp& st = out.stamp;
  st.uuid = random_uuid();
  st.stamped_at = stamped_at;
  st.provider_rfc = provider_rfc;
  st.seal_cfd = out.seal;
  st.certificate_number = stamp_signer.certificate_number;
  pugi::xml_node t = complement.append_child("tfd:TimbreFiscalDigital");
  t.append_attribute("xmlns:tfd") = kStampNs;
  t.append_attribute("xsi:schemaLocation") = kStampSchema;
  t.append_attribute("Version") = "1.1";
  t.append_attribute("UUID") = st.uuid.c_str();
  t.append_attribute("FechaTimbrado") = st.stamped_at.c_str();
  t.append_attribute("RfcProvCertif") = st.provider_rfc.c_str();
  t.append_attribute("SelloCFD") = st.seal_cfd.c_str();
  t.append_attribute("NoCertificadoSAT") = st.certificate_number.c_str();
  pugi::xml_attribute stamp_seal = t.append_attribute("SelloSAT");
  out.stamp_original = stamp_original_string(t);
  st.seal = seal(stamp_signer, out.stamp_original);
  stamp_seal.set_value(st.seal.c_str());

  std::ostringstream xml;
  doc.save(xml, "", pugi::format_raw, pugi::encoding_utf8);
  out.xml = xml.str();
  return out;
}

}  // namespace halvora::einvoice
