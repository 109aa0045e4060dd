// Mail from the e-invoicing server, read back from a real SMTP server's mailbox: an invoice sent
// to its receiver with the XML and the PDF, and a message as the host wrote it. Without a relay
// the message waits in the outbox and the answer is false.
#include <gtest/gtest.h>

#include <filesystem>

#include "automation/text.h"
#include "einvoice/errors.h"
#include "support/calls.h"
#include "support/einvoice_documents.h"
#include "support/einvoice_env.h"

namespace halvora::test {
namespace {

namespace fs = std::filesystem;
using einvoice::ServidorFacturacion;

class EinvoiceMail : public ::testing::Test {
 protected:
  void SetUp() override {
    server_.config("smtp_url", smtp_.url());
    server_.config("mail_from", "facturas@hotel.example");
    ASSERT_EQ(server.Conectar(utf8_to_utf16(server_.url()), u"cajero", u"secreto"),
              einvoice::kConnected);
  }
  std::size_t outbox() const {
    std::size_t n = 0;
    for (const auto& e : fs::directory_iterator(server_.file("outbox")))
      n += e.path().extension() == ".eml";
    return n;
  }
  SmtpSink smtp_;
  EinvoiceServer server_;
  ServidorFacturacion server;
};

TEST_F(EinvoiceMail, AnInvoiceGoesToItsReceiverWithItsXmlAndPdf) {
  std::vector<std::u16string> r = fields(server.EmitirFactura(1, 0, sample_invoice()));
  EXPECT_TRUE(server.EnviarComprobante(1, 1, r[2]));
  nlohmann::json mails = smtp_.messages();
  ASSERT_EQ(mails.size(), 1u);
  const nlohmann::json& m = mails[0];
  EXPECT_EQ(m["to"], "<daniel@example.com>");
  EXPECT_EQ(m["from"], "\"HOTEL DE PRUEBA\" <facturas@hotel.example>");
  EXPECT_EQ(m["subject"], "Factura A " + utf16_to_utf8(r[2]) + " de HOTEL DE PRUEBA");
  EXPECT_NE(m["body"].get<std::string>().find(utf16_to_utf8(r[3])), std::string::npos);
  EXPECT_NE(m["body"].get<std::string>().find("ÑÚÑEZ"), std::string::npos);
  ASSERT_EQ(m["attachments"].size(), 2u);
  EXPECT_EQ(m["attachments"][0]["type"], "application/xml");
  EXPECT_EQ(m["attachments"][0]["head"], "<?xml ve");
  EXPECT_EQ(m["attachments"][1]["type"], "application/pdf");
  EXPECT_EQ(m["attachments"][1]["head"].get<std::string>().substr(0, 5), "%PDF-");
  EXPECT_EQ(outbox(), 1u);
}

TEST_F(EinvoiceMail, AMessageIsSentAsWrittenWithUtf8NamesAndSubject) {
  auto message = std::make_shared<einvoice::MensajeCorreo>();
  let(*message, u"Nombre", u"Recepción Hotel Peñasco");
  let(*message, u"Para", u"ana@example.com; luis@example.com");
  let(*message, u"Asunto", u"Confirmación de reservación — añadimos \"desayuno\" <incluido>");
  let(*message, u"Cuerpo", u"Línea 1\r\n.\r\nLínea 3 con | y <etiquetas>");
  let(*message, u"De", u"reservas@hotel.example");
  EXPECT_TRUE(server.EnviarCorreo(message));
  EXPECT_TRUE(server.EnviarCorreo(message));  // the same message twice
  nlohmann::json mails = smtp_.messages();
  ASSERT_EQ(mails.size(), 2u);
  EXPECT_EQ(mails[0]["from"], "Recepción Hotel Peñasco <reservas@hotel.example>");
  EXPECT_EQ(mails[0]["to"], "<ana@example.com>, <luis@example.com>");
  EXPECT_EQ(mails[0]["subject"], "Confirmación de reservación — añadimos \"desayuno\" <incluido>");
  EXPECT_EQ(mails[0]["body"], "Línea 1\r\n.\r\nLínea 3 con | y <etiquetas>");
  EXPECT_TRUE(mails[0]["attachments"].empty());
}

TEST_F(EinvoiceMail, MessagesThatCannotBeSentAreRefusedOrWaitInTheOutbox) {
  struct Case {
    const char16_t* member;
    const char16_t* value;
  };
  for (Case c : {Case{u"Para", u""}, Case{u"Para", u"no es correo"},
                 Case{u"Asunto", u"dos\r\nBcc: x@y.z"}, Case{u"De", u"a@b.c, d@e.f"}}) {
    auto message = std::make_shared<einvoice::MensajeCorreo>();
    let(*message, u"Para", u"ana@example.com");
    let(*message, c.member, c.value);
    EXPECT_EQ(error_of([&] { server.EnviarCorreo(message); }), einvoice::err::kRefused)
        << utf16_to_utf8(c.value);
  }
  EXPECT_EQ(error_of([&] { server.EnviarCorreo(nullptr); }), 91);
  EXPECT_EQ(outbox(), 0u);
  // No relay: kept in the outbox, not sent.
  server_.config("smtp_url", "");
  auto message = std::make_shared<einvoice::MensajeCorreo>();
  let(*message, u"Para", u"ana@example.com");
  EXPECT_FALSE(server.EnviarCorreo(message));
  EXPECT_EQ(outbox(), 1u);
  // A relay that is not there: not accepted.
  server_.config("smtp_url", "smtp://127.0.0.1:" + std::to_string(free_port()));
  EXPECT_FALSE(server.EnviarCorreo(message));
  EXPECT_TRUE(smtp_.messages().empty());
}

}  // namespace
}  // namespace halvora::test
