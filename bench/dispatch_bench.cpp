// A late-bound property read through the member table, the path every script and IDispatch
// call takes: the native counterpart of `com_client.exe bench` under Wine.
#include <benchmark/benchmark.h>

#include <memory>

#include "automation/members.h"
#include "services/document.h"

namespace {

void BM_LateBoundPropertyGet(benchmark::State& state) {
  auto doc = std::make_shared<halvora::Document>();
  doc->TarjetaVIP = u"1001";
  for (auto _ : state) {
    halvora::Variant value = halvora::invoke(*doc, u"TarjetaVIP", halvora::CallKind::Get);
    benchmark::DoNotOptimize(value);
  }
  state.SetItemsProcessed(state.iterations());
}

BENCHMARK(BM_LateBoundPropertyGet);

}  // namespace
