// What survives when things go wrong at the server: workstations emitting at once, a server that
// dies at each step of an emission or is killed while emissions run. Every document is whole or
// absent, and no folio is issued twice.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <set>
#include <sstream>

#include "automation/text.h"
#include "einvoice/errors.h"
#include "support/calls.h"
#include "support/einvoice_documents.h"
#include "support/einvoice_env.h"

namespace halvora::test {
namespace {

namespace fs = std::filesystem;
using einvoice::ServidorFacturacion;

struct Listed {
  std::string folio, kind;
};

// The documents `list` shows: folio and kind by line.
std::vector<Listed> listed(EinvoiceServer& server) {
  std::vector<Listed> out;
  std::istringstream lines(server.tool({"list"}));
  std::string line;
  while (std::getline(lines, line)) {
    std::vector<std::string> cells;
    std::istringstream fields(line);
    std::string cell;
    while (std::getline(fields, cell, '\t')) cells.push_back(cell);
    out.push_back({cells.at(1), cells.at(2)});
  }
  return out;
}

// Every stored invoice has its XML and PDF, and no file is left that no document names.
void expect_whole(EinvoiceServer& server) {
  std::set<std::string> named;
  for (const Listed& d : listed(server)) {
    std::string folio = d.folio.substr(d.folio.rfind('|') + 1);
    std::string base =
        server.file(std::string("documents/") + (d.kind == "factura" ? "A-" : "PRE-") + folio);
    EXPECT_TRUE(read_file(base + ".pdf").starts_with("%PDF")) << base;
    named.insert(base + ".pdf");
    if (d.kind == "factura") {
      EXPECT_NE(read_file(base + ".xml").find("tfd:TimbreFiscalDigital"), std::string::npos)
          << base;
      named.insert(base + ".xml");
    }
  }
  for (const auto& entry : fs::directory_iterator(server.file("documents")))
    EXPECT_TRUE(named.count(entry.path().string())) << "left behind: " << entry.path();
}

// Workstations are processes of their own: each connects and emits `count` invoices, and exits
// with the number that succeeded.
std::vector<pid_t> workstations(const std::string& url, int stations, int count) {
  std::vector<pid_t> pids;
  for (int s = 0; s < stations; ++s) {
    pid_t pid = ::fork();
    if (pid == 0) {
      int done = 0;
      try {
        ServidorFacturacion server;
        if (server.Conectar(utf8_to_utf16(url), u"cajero", u"secreto") == einvoice::kConnected)
          for (int i = 0; i < count; ++i) {
            try {
              server.EmitirFactura(1, 0, sample_invoice());
              ++done;
            } catch (const Error&) {
            }
          }
      } catch (...) {
      }
      ::_exit(done);
    }
    pids.push_back(pid);
  }
  return pids;
}

int total_done(const std::vector<pid_t>& pids) {
  int total = 0;
  for (pid_t pid : pids) {
    int status = 0;
    ::waitpid(pid, &status, 0);
    total += WIFEXITED(status) ? WEXITSTATUS(status) : 0;
  }
  return total;
}

TEST(EinvoiceFaults, WorkstationsEmittingAtOnceNeverShareAFolio) {
  EinvoiceServer server;
  int done = total_done(workstations(server.url(), 3, 8));
  EXPECT_EQ(done, 24);
  std::vector<Listed> docs = listed(server);
  std::set<std::string> folios;
  for (const Listed& d : docs) folios.insert(d.folio);
  EXPECT_EQ(docs.size(), 24u);
  EXPECT_EQ(folios.size(), 24u);
  EXPECT_TRUE(folios.count("1|1|24"));
  expect_whole(server);
}

TEST(EinvoiceFaults, AServerThatDiesDuringAnEmissionKeepsTheDocumentWholeOrNotAtAll) {
  struct Case {
    const char* point;
    bool kept;
  };
  for (Case c :
       {Case{"after-files", false}, Case{"before-commit", false}, Case{"after-commit", true}}) {
    EinvoiceServer server;
    ServidorFacturacion station;
    ASSERT_EQ(station.Conectar(utf8_to_utf16(server.url()), u"cajero", u"secreto"),
              einvoice::kConnected);
    server.start({std::string("HALVORA_EINVOICE_FAULT=") + c.point});
    EXPECT_EQ(error_of([&] { station.EmitirFactura(1, 0, sample_invoice()); }),
              einvoice::err::kUnreachable)
        << c.point;
    EXPECT_EQ(server.child().wait(), 86);
    server.start();
    EXPECT_EQ(listed(server).size(), c.kept ? 1u : 0u) << c.point;
    expect_whole(server);
    // The folio of a document that was not kept is issued again.
    std::vector<std::u16string> next = fields(station.EmitirFactura(1, 0, sample_invoice()));
    EXPECT_EQ(next[2], c.kept ? u"2" : u"1") << c.point;
  }
}

TEST(EinvoiceFaults, AServerKilledWhileWorkstationsEmitLosesNothingItConfirmed) {
  EinvoiceServer server;
  std::vector<pid_t> pids = workstations(server.url(), 2, 15);
  // Killed once some documents are in, whichever step each emission is at.
  for (int i = 0; i < 200 && listed(server).size() < 3; ++i) ::usleep(20000);
  server.kill(SIGKILL);
  int confirmed = total_done(pids);
  server.start();
  std::vector<Listed> docs = listed(server);
  EXPECT_GE(docs.size(), static_cast<std::size_t>(confirmed));
  EXPECT_LE(docs.size(), static_cast<std::size_t>(confirmed) + 2);  // at most one in flight each
  expect_whole(server);
}

}  // namespace
}  // namespace halvora::test
