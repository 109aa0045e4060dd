// Invoices issued through the component by the real server: the CFDI's structure and catalogue
// codes, its seal checked against its certificate over the original string rebuilt here by the
// published sequence, the stamp's seal checked with the stamping certificate, the printed PDF,
// and the documents the server must refuse without keeping anything.
#include <gtest/gtest.h>
#include <openssl/evp.h>
#include <openssl/x509.h>

#include <map>
#include <pugixml.hpp>

#include "automation/text.h"
#include "einvoice/errors.h"
#include "support/calls.h"
#include "support/einvoice_documents.h"
#include "support/einvoice_env.h"

namespace halvora::test {
namespace {

using einvoice::DocumentoFactura;
using einvoice::ServidorFacturacion;

// The original string by the published sequence: per element, its attributes ("@Name" required,
// "@Name?" optional) and its children (every one of that name, in order), as they stand.
const std::map<std::string, std::vector<std::string>> kSequence{
    {"cfdi:Comprobante",
     {"@Version",
      "@Serie?",
      "@Folio?",
      "@Fecha",
      "@FormaPago?",
      "@NoCertificado",
      "@CondicionesDePago?",
      "@SubTotal",
      "@Descuento?",
      "@Moneda",
      "@TipoCambio?",
      "@Total",
      "@TipoDeComprobante",
      "@Exportacion",
      "@MetodoPago?",
      "@LugarExpedicion",
      "@Confirmacion?",
      "cfdi:InformacionGlobal",
      "cfdi:Emisor",
      "cfdi:Receptor",
      "cfdi:Conceptos",
      "cfdi:Impuestos",
      "cfdi:Complemento"}},
    {"cfdi:InformacionGlobal", {"@Periodicidad", "@Meses", "@A\xC3\xB1o"}},
    {"cfdi:Emisor", {"@Rfc", "@Nombre", "@RegimenFiscal", "@FacAtrAdquirente?"}},
    {"cfdi:Receptor",
     {"@Rfc", "@Nombre", "@DomicilioFiscalReceptor", "@ResidenciaFiscal?", "@NumRegIdTrib?",
      "@RegimenFiscalReceptor", "@UsoCFDI"}},
    {"cfdi:Conceptos", {"cfdi:Concepto"}},
    {"cfdi:Concepto",
     {"@ClaveProdServ", "@NoIdentificacion?", "@Cantidad", "@ClaveUnidad", "@Unidad?",
      "@Descripcion", "@ValorUnitario", "@Importe", "@Descuento?", "@ObjetoImp", "cfdi:Impuestos"}},
    {"cfdi:Impuestos",
     {"@TotalImpuestosRetenidos?", "cfdi:Traslados", "@TotalImpuestosTrasladados?"}},
    {"cfdi:Traslados", {"cfdi:Traslado"}},
    {"cfdi:Traslado", {"@Base", "@Impuesto", "@TipoFactor", "@TasaOCuota?", "@Importe?"}},
    {"cfdi:Complemento", {"implocal:ImpuestosLocales"}},
    {"implocal:ImpuestosLocales",
     {"@version", "@TotaldeRetenciones", "@TotaldeTraslados", "implocal:TrasladosLocales"}},
    {"implocal:TrasladosLocales", {"@ImpLocTrasladado", "@TasadeTraslado", "@Importe"}},
};

std::string collapsed(const std::string& s) {
  std::string out;
  for (char c : s) {
    bool space = c == ' ' || c == '\t' || c == '\r' || c == '\n';
    if (space && (out.empty() || out.back() == ' ')) continue;
    out += space ? ' ' : c;
  }
  if (!out.empty() && out.back() == ' ') out.pop_back();
  return out;
}

void walk(const pugi::xml_node& node, std::string& out) {
  for (const std::string& step : kSequence.at(node.name())) {
    if (step[0] == '@') {
      bool optional = step.back() == '?';
      std::string name = step.substr(1, step.size() - 1 - optional);
      pugi::xml_attribute a = node.attribute(name.c_str());
      if (!a && optional) continue;
      out += "|" + collapsed(a.value());
    } else {
      for (pugi::xml_node child : node.children(step.c_str())) walk(child, out);
    }
  }
}

std::string original_of(const pugi::xml_node& comprobante) {
  std::string out;
  walk(comprobante, out);
  return "|" + out + "||";
}

std::string decode64(const std::string& text) {
  std::string out(text.size(), '\0');
  int n = EVP_DecodeBlock(reinterpret_cast<unsigned char*>(out.data()),
                          reinterpret_cast<const unsigned char*>(text.data()),
                          static_cast<int>(text.size()));
  out.resize(static_cast<std::size_t>(n) - (text.ends_with("==")  ? 2
                                            : text.ends_with("=") ? 1
                                                                  : 0));
  return out;
}

// RSA-SHA256 of `text` checked with the certificate (DER).
bool verifies(const std::string& der, const std::string& text, const std::string& seal64) {
  const auto* p = reinterpret_cast<const unsigned char*>(der.data());
  X509* cert = d2i_X509(nullptr, &p, static_cast<long>(der.size()));
  if (!cert) return false;
  EVP_PKEY* key = X509_get_pubkey(cert);
  std::string seal = decode64(seal64);
  EVP_MD_CTX* ctx = EVP_MD_CTX_new();
  bool ok = EVP_DigestVerifyInit(ctx, nullptr, EVP_sha256(), nullptr, key) == 1 &&
            EVP_DigestVerify(ctx, reinterpret_cast<const unsigned char*>(seal.data()), seal.size(),
                             reinterpret_cast<const unsigned char*>(text.data()), text.size()) == 1;
  EVP_MD_CTX_free(ctx);
  EVP_PKEY_free(key);
  X509_free(cert);
  return ok;
}

std::vector<std::string> attribute_names(const pugi::xml_node& node) {
  std::vector<std::string> out;
  for (pugi::xml_attribute a : node.attributes())
    if (!std::string(a.name()).starts_with("xmlns") &&
        std::string(a.name()) != "xsi:schemaLocation")
      out.push_back(a.name());
  return out;
}

class EinvoiceCfdi : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { server_ = new EinvoiceServer(); }
  static void TearDownTestSuite() { delete server_; }
  void SetUp() override {
    ASSERT_EQ(einvoice::kConnected,
              server.Conectar(utf8_to_utf16(server_->url()), u"cajero", u"secreto"));
  }
  std::vector<std::u16string> issue(const std::shared_ptr<DocumentoFactura>& doc) {
    return fields(server.EmitirFactura(1, 0, doc));
  }
  pugi::xml_document xml_of(const std::vector<std::u16string>& result) {
    pugi::xml_document doc;
    std::string text = utf16_to_utf8(server.ObtenerXMLComprobante(
        static_cast<int16_t>(std::stoi(utf16_to_utf8(result[0]))),
        static_cast<int16_t>(std::stoi(utf16_to_utf8(result[1]))), result[2]));
    EXPECT_TRUE(doc.load_string(text.c_str()));
    return doc;
  }
  static EinvoiceServer* server_;
  ServidorFacturacion server;
};
EinvoiceServer* EinvoiceCfdi::server_ = nullptr;

TEST_F(EinvoiceCfdi, AnInvoiceIsACfdiWhoseSealAndStampVerify) {
  std::vector<std::u16string> result = issue(sample_invoice());
  ASSERT_EQ(result.size(), 9u);
  EXPECT_EQ(result[3].size(), 36u);  // the UUID
  EXPECT_EQ(result[4], u"2902.00");
  EXPECT_EQ(result[5], u"Vigente");
  pugi::xml_document doc = xml_of(result);
  pugi::xml_node c = doc.child("cfdi:Comprobante");
  ASSERT_TRUE(c);

  // Attributes in the schema's order, with the catalogue codes of a cash invoice.
  EXPECT_EQ(attribute_names(c),
            (std::vector<std::string>{"Version", "Serie", "Folio", "Fecha", "Sello", "FormaPago",
                                      "NoCertificado", "Certificado", "SubTotal", "Moneda", "Total",
                                      "TipoDeComprobante", "Exportacion", "MetodoPago",
                                      "LugarExpedicion"}));
  std::map<std::string, std::string> expected{
      {"Version", "4.0"},           {"FormaPago", "01"},
      {"SubTotal", "2450.00"},      {"Moneda", "MXN"},
      {"Total", "2902.00"},         {"TipoDeComprobante", "I"},
      {"Exportacion", "01"},        {"MetodoPago", "PUE"},
      {"LugarExpedicion", "77500"}, {"Folio", utf16_to_utf8(result[2])}};
  for (const auto& [name, value] : expected)
    EXPECT_EQ(c.attribute(name.c_str()).value(), value) << name;
  EXPECT_EQ(attribute_names(c.child("cfdi:Receptor")),
            (std::vector<std::string>{"Rfc", "Nombre", "DomicilioFiscalReceptor",
                                      "RegimenFiscalReceptor", "UsoCFDI"}));
  EXPECT_STREQ(c.child("cfdi:Receptor").attribute("Nombre").value(),
               "DANIEL \"EL GÜERO\" ÑÚÑEZ <ACME> & CÍA");
  EXPECT_STREQ(c.child("cfdi:Receptor").attribute("UsoCFDI").value(), "G03");
  int concepts = 0;
  for (pugi::xml_node k : c.child("cfdi:Conceptos").children("cfdi:Concepto")) {
    ++concepts;
    EXPECT_EQ(attribute_names(k),
              (std::vector<std::string>{"ClaveProdServ", "Cantidad", "ClaveUnidad", "Unidad",
                                        "Descripcion", "ValorUnitario", "Importe", "ObjetoImp"}));
    EXPECT_STREQ(k.attribute("ClaveUnidad").value(), "E48");
    EXPECT_STREQ(k.attribute("ObjetoImp").value(), "02");
    pugi::xml_node t = k.child("cfdi:Impuestos").child("cfdi:Traslados").child("cfdi:Traslado");
    EXPECT_EQ(attribute_names(t), (std::vector<std::string>{"Base", "Impuesto", "TipoFactor",
                                                            "TasaOCuota", "Importe"}));
    EXPECT_STREQ(t.attribute("Impuesto").value(), "002");
    EXPECT_STREQ(t.attribute("TasaOCuota").value(), "0.160000");
  }
  EXPECT_EQ(concepts, 2);
  pugi::xml_node taxes = c.child("cfdi:Impuestos");
  EXPECT_STREQ(taxes.attribute("TotalImpuestosTrasladados").value(), "392.00");
  EXPECT_STREQ(taxes.child("cfdi:Traslados").child("cfdi:Traslado").attribute("Base").value(),
               "2450.00");
  pugi::xml_node local = c.child("cfdi:Complemento").child("implocal:ImpuestosLocales");
  EXPECT_STREQ(local.attribute("TotaldeTraslados").value(), "60.00");
  EXPECT_STREQ(local.child("implocal:TrasladosLocales").attribute("ImpLocTrasladado").value(),
               "ISH");
  EXPECT_STREQ(local.child("implocal:TrasladosLocales").attribute("TasadeTraslado").value(),
               "3.00");

  // The seal, over the original string rebuilt here, with the certificate the document carries.
  std::string certificate = decode64(c.attribute("Certificado").value());
  std::string original = original_of(c);
  EXPECT_TRUE(original.starts_with("||4.0|A|")) << original;
  EXPECT_TRUE(verifies(certificate, original, c.attribute("Sello").value()));
  EXPECT_FALSE(verifies(certificate, original + " ", c.attribute("Sello").value()));

  // The stamp: its own original string, sealed with the stamping certificate.
  pugi::xml_node t = c.child("cfdi:Complemento").child("tfd:TimbreFiscalDigital");
  EXPECT_EQ(attribute_names(t),
            (std::vector<std::string>{"Version", "UUID", "FechaTimbrado", "RfcProvCertif",
                                      "SelloCFD", "NoCertificadoSAT", "SelloSAT"}));
  EXPECT_EQ(utf8_to_utf16(t.attribute("UUID").value()), result[3]);
  EXPECT_STREQ(t.attribute("SelloCFD").value(), c.attribute("Sello").value());
  std::string stamp_original =
      std::string("||1.1|") + t.attribute("UUID").value() + "|" +
      t.attribute("FechaTimbrado").value() + "|" + t.attribute("RfcProvCertif").value() + "|" +
      t.attribute("SelloCFD").value() + "|" + t.attribute("NoCertificadoSAT").value() + "||";
  EXPECT_TRUE(verifies(read_file(server_->file("keys/stamp.cer")), stamp_original,
                       t.attribute("SelloSAT").value()));
  EXPECT_EQ(utf8_to_utf16(t.attribute("UUID").value()),
            server.ObtenerUUIDComprobante(1, 1, result[2]));
}

TEST_F(EinvoiceCfdi, ThePrintedInvoiceCarriesTheFiscalDataAndSpanishText) {
  std::vector<std::u16string> result = issue(sample_invoice());
  std::string text = pdf_text(server_->file("documents/A-" + utf16_to_utf8(result[2]) + ".pdf"));
  for (const std::string& expected :
       {std::string("FACTURA"), "Folio fiscal: " + utf16_to_utf8(result[3]),
        std::string("DANIEL \"EL GÜERO\" ÑÚÑEZ <ACME> & CÍA"),
        std::string("Hospedaje habitación doble"), std::string("G03 Gastos en general"),
        std::string("01 Efectivo"), std::string("ISH 3%"), std::string("$ 2902.00"),
        std::string("Sello digital del CFDI:"), std::string("representación impresa de un CFDI")})
    EXPECT_NE(text.find(expected), std::string::npos) << expected << "\n" << text;
}

TEST_F(EinvoiceCfdi, AGeneralPublicInvoiceCarriesItsGlobalInformation) {
  auto doc = sample_invoice();
  let(*doc, u"RFC", u"XAXX010101000");
  let(*doc, u"RazonSocial", u"PUBLICO EN GENERAL");
  let(*doc, u"RegimenFiscalReceptor", u"616");
  let(*doc, u"DomicilioFiscalCodigoPostal", u"");
  let(*doc, u"PeriodicidadSAT", u"04");
  pugi::xml_document xml = xml_of(issue(doc));
  pugi::xml_node c = xml.child("cfdi:Comprobante");
  EXPECT_STREQ(c.child("cfdi:InformacionGlobal").attribute("Periodicidad").value(), "04");
  EXPECT_STREQ(c.child("cfdi:Receptor").attribute("UsoCFDI").value(), "S01");
  EXPECT_STREQ(c.child("cfdi:Receptor").attribute("DomicilioFiscalReceptor").value(), "77500");
  EXPECT_TRUE(verifies(decode64(c.attribute("Certificado").value()), original_of(c),
                       c.attribute("Sello").value()));
}

TEST_F(EinvoiceCfdi, DocumentsThatCannotBeCfdisAreRefusedAndNothingIsKept) {
  struct Case {
    const char* what;
    std::function<void(DocumentoFactura&)> change;
    const char* message;
  };
  const Case cases[] = {
      {"a tax id of the wrong shape", [](auto& d) { let(d, u"RFC", u"XOCD72031"); }, "RFC"},
      {"a postcode of four digits",
       [](auto& d) { let(d, u"DomicilioFiscalCodigoPostal", u"7750"); },
       "DomicilioFiscalCodigoPostal"},
      {"a regime outside the catalogue", [](auto& d) { let(d, u"RegimenFiscalReceptor", u"999"); },
       "RegimenFiscalReceptor"},
      {"a company's regime for a person", [](auto& d) { let(d, u"RegimenFiscalReceptor", u"601"); },
       "does not apply to persons"},
      {"no name", [](auto& d) { let(d, u"RazonSocial", u"   "); }, "RazonSocial is required"},
      {"a bar in the name", [](auto& d) { let(d, u"RazonSocial", u"A|B"); }, "may not hold \"|\""},
      {"a subtotal a cent and a half off", [](auto& d) { let(d, u"SubTotal", 2450.015); },
       "SubTotal"},
      {"IVA that the lines do not add up to", [](auto& d) { let(d, u"TotalIva", 391.0); },
       "TotalIva"},
      {"a total off by two cents", [](auto& d) { let(d, u"TotalImporte", 2902.02); },
       "TotalImporte"},
      {"lodging tax above its rate", [](auto& d) { let(d, u"TotalISH", 80.0); }, "TotalISH"},
      {"instalments paid in cash", [](auto& d) { let(d, u"FormaPago", u"PARCIALIDADES"); }, "PPD"},
      {"a payment word of no catalogue", [](auto& d) { let(d, u"MetodoPago", u"TRUEQUE"); },
       "MetodoPago"},
      {"the wallet without a card", [](auto& d) { let(d, u"MetodoPago", u"05"); }, "NumCtaPago"},
      {"a malformed e-mail", [](auto& d) { let(d, u"Email", u"daniel@"); }, "e-mail"},
  };
  std::string before = server_->tool({"list"});
  for (const Case& c : cases) {
    auto doc = sample_invoice();
    c.change(*doc);
    try {
      server.EmitirFactura(1, 0, doc);
      ADD_FAILURE() << c.what << ": issued";
    } catch (const Error& e) {
      EXPECT_EQ(e.number(), einvoice::err::kRefused) << c.what;
      EXPECT_NE(utf16_to_utf8(e.description()).find(c.message), std::string::npos)
          << c.what << ": " << utf16_to_utf8(e.description());
      EXPECT_EQ(e.source(), u"ServidorFacturacion");
    }
  }
  EXPECT_EQ(server_->tool({"list"}), before);
  // No lines at all, an unknown branch, a folio taken already.
  EXPECT_EQ(error_of([&] { server.EmitirFactura(1, 0, std::make_shared<DocumentoFactura>()); }),
            einvoice::err::kRefused);
  EXPECT_EQ(error_of([&] { server.EmitirFactura(9, 0, sample_invoice()); }),
            einvoice::err::kRefused);
  std::vector<std::u16string> issued = issue(sample_invoice());
  EXPECT_EQ(error_of([&] {
              server.EmitirFactura(1, std::stoi(utf16_to_utf8(issued[2])), sample_invoice());
            }),
            einvoice::err::kConflict);
  EXPECT_EQ(error_of([&] { server.EmitirFactura(1, 0, nullptr); }), 91);
}

}  // namespace
}  // namespace halvora::test
