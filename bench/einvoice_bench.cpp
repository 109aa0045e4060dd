// Issuing an invoice of ten lines through the e-invoicing component to the real server: checked,
// numbered, sealed, stamped, printed to PDF and stored. One workstation's latency, and the
// throughput of four workstations (processes of their own) emitting at once.
#include <benchmark/benchmark.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <vector>

#include "automation/text.h"
#include "einvoice/servidor_facturacion.h"
#include "support/einvoice_documents.h"
#include "support/einvoice_env.h"

namespace halvora {
namespace {

using Clock = std::chrono::steady_clock;

test::EinvoiceServer& server() {
  static test::EinvoiceServer instance;
  return instance;
}

std::shared_ptr<einvoice::DocumentoFactura> ten_lines() {
  auto doc = test::sample_invoice();
  auto fresh = std::make_shared<einvoice::DocumentoFactura>();
  for (const char16_t* name : {u"RFC", u"RazonSocial", u"Email", u"DomicilioFiscalCodigoPostal",
                               u"RegimenFiscalReceptor", u"NumeroControl"})
    test::let(*fresh, name, invoke(*doc, name, CallKind::Get));
  for (int i = 0; i < 10; ++i)
    fresh->AnexarRenglon(
        test::invoice_line(u"Consumo en restaurante, cargo a la habitación", 1, 100 + i));
  test::let(*fresh, u"SubTotal", 1045.0);
  test::let(*fresh, u"TasaIva", 16.0);
  test::let(*fresh, u"TotalIva", 167.2);
  test::let(*fresh, u"TotalImporte", 1212.2);
  return fresh;
}

void BM_EmitTenLineInvoice(benchmark::State& state) {
  einvoice::ServidorFacturacion station;
  if (station.Conectar(utf8_to_utf16(server().url()), u"cajero", u"secreto") !=
      einvoice::kConnected) {
    state.SkipWithError("cannot connect");
    return;
  }
  auto doc = ten_lines();
  std::vector<double> ms;
  for (auto _ : state) {
    auto start = Clock::now();
    benchmark::DoNotOptimize(station.EmitirFactura(1, 0, doc));
    ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
  }
  std::sort(ms.begin(), ms.end());
  state.counters["median_ms"] = ms[ms.size() / 2];
  state.counters["p90_ms"] = ms[ms.size() * 9 / 10];
}
BENCHMARK(BM_EmitTenLineInvoice)->Unit(benchmark::kMillisecond)->Iterations(200);

// Four workstations, each a process that connects and issues 50 invoices.
void BM_FourWorkstations(benchmark::State& state) {
  constexpr int kStations = 4, kEach = 50;
  std::string url = server().url();
  double seconds = 0;
  int issued = 0;
  for (auto _ : state) {
    auto start = Clock::now();
    std::vector<pid_t> pids;
    for (int s = 0; s < kStations; ++s) {
      pid_t pid = ::fork();
      if (pid == 0) {
        einvoice::ServidorFacturacion station;
        int done = 0;
        if (station.Conectar(utf8_to_utf16(url), u"cajero", u"secreto") == einvoice::kConnected) {
          auto doc = ten_lines();
          for (int i = 0; i < kEach; ++i) {
            try {
              station.EmitirFactura(1, 0, doc);
              ++done;
            } catch (...) {
            }
          }
        }
        ::_exit(done);
      }
      pids.push_back(pid);
    }
    for (pid_t pid : pids) {
      int status = 0;
      ::waitpid(pid, &status, 0);
      issued += WIFEXITED(status) ? WEXITSTATUS(status) : 0;
    }
    seconds += std::chrono::duration<double>(Clock::now() - start).count();
  }
  state.counters["documents"] = issued;
  state.counters["documents_per_s"] = issued / seconds;
}
BENCHMARK(BM_FourWorkstations)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

}  // namespace
}  // namespace halvora
