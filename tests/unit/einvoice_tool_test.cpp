// halvora-einvoice's commands as staff run them: making a folder, users, branches, settings, and
// looking at what was issued.
#include <gtest/gtest.h>

#include <filesystem>

#include "automation/text.h"
#include "support/einvoice_documents.h"
#include "support/einvoice_env.h"

namespace halvora::test {
namespace {

namespace fs = std::filesystem;

std::pair<int, std::string> tool(const std::vector<std::string>& args,
                                 const std::string& input = "") {
  std::vector<std::string> argv{program("halvora-einvoice")};
  argv.insert(argv.end(), args.begin(), args.end());
  return run_program(argv, input);
}

TEST(EinvoiceTool, CommandsRefuseWhatTheyCannotDo) {
  std::string dir = temp_folder("halvora-einvoice-tool");
  struct Case {
    std::vector<std::string> args;
    std::string input;
    int code;
  };
  const Case cases[] = {
      {{"init", dir}, "", 1},                           // no password
      {{"init", dir, "--regime", "999"}, "x\n", 1},     // no such regime
      {{"init", dir, "--postcode", "7750"}, "x\n", 1},  // not five digits
      {{"init", dir, "--bogus", "1"}, "x\n", 2},        // unknown option
      {{"list", dir + "/nothing"}, "", 1},              // not a server folder
      {{"frobnicate", dir}, "", 1},                     // unknown command on no folder
      {{"serve"}, "", 2},                               // too few arguments
  };
  for (const Case& c : cases)
    EXPECT_EQ(tool(c.args, c.input).first, c.code) << c.args[0] << " " << c.args.back();
  ASSERT_EQ(
      tool({"init", dir, "--rfc", "HAL010101AB1", "--name", "HOTEL PEÑASCO"}, "secreto\n").first,
      0);
  EXPECT_TRUE(fs::exists(dir + "/keys/csd.cer"));
  EXPECT_EQ(fs::status(dir + "/keys/csd.key.pem").permissions() & fs::perms::group_read,
            fs::perms::none);
  EXPECT_EQ(tool({"init", dir}, "secreto\n").first, 1);  // a server there already
  EXPECT_EQ(tool({"config", dir, "no_such_key"}).first, 1);
  EXPECT_EQ(tool({"config", dir, "smtp_url", "smtp://127.0.0.1:2525"}).first, 0);
  EXPECT_EQ(tool({"config", dir, "smtp_url"}).second, "smtp://127.0.0.1:2525\n");
  EXPECT_EQ(tool({"config", dir, "smtp_password", "oculta"}).first, 0);
  std::string listed = tool({"config", dir}).second;
  EXPECT_NE(listed.find("HOTEL PEÑASCO"), std::string::npos) << listed;
  EXPECT_EQ(listed.find("oculta"), std::string::npos);
  EXPECT_EQ(tool({"branch", dir, "2", "Playa", "77710", "B"}).first, 0);
  EXPECT_EQ(tool({"branch", dir, "2", "Otra", "77710", "C"}).first, 1);  // exists
  EXPECT_EQ(tool({"branch", dir, "3", "Mala", "7771", "C"}).first, 1);
  EXPECT_EQ(tool({"branch", dir, "3", "Mala", "77710", "C|D"}).first, 1);
  EXPECT_EQ(tool({"user", dir, "nadie"}, "\n").first, 1);  // an empty password
  fs::remove_all(dir);
}

TEST(EinvoiceTool, StaffSeeWhatWasIssued) {
  EinvoiceServer server;
  einvoice::ServidorFacturacion station;
  ASSERT_EQ(station.Conectar(utf8_to_utf16(server.url()), u"cajero", u"secreto"),
            einvoice::kConnected);
  std::vector<std::u16string> r = fields(station.EmitirFactura(1, 0, sample_invoice()));
  std::string list = server.tool({"list"});
  EXPECT_NE(list.find("1\t1|1|1\tfactura\tA 1\t" + utf16_to_utf8(r[3]) + "\t2902.00\tVigente"),
            std::string::npos)
      << list;
  for (const std::string& ref : {std::string("1|1|1"), utf16_to_utf8(r[3]), std::string("1")}) {
    std::string shown = server.tool({"show", ref});
    EXPECT_NE(shown.find("uuid          " + utf16_to_utf8(r[3])), std::string::npos) << ref;
    EXPECT_NE(shown.find(server.file("documents/A-1.xml")), std::string::npos) << shown;
  }
  EXPECT_EQ(server.tool({"show", "1|1|2"}), "");
}

}  // namespace
}  // namespace halvora::test
