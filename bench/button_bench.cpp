// Drawing one 120 x 32 button of each type on the raster surface, forced, as a property change or
// a mouse move draws it: without a caption (the primitives alone) and with one (text laid out by
// the surface, glyphs from its cache after the first draw). Repeated so that the median shows.
#include <benchmark/benchmark.h>

#include <memory>

#include "controls/buttons.h"
#include "platform/raster_surface.h"

namespace halvora::controls {
namespace {

void draw_type(benchmark::State& state, bool with_caption) {
  platform::OffscreenWindow window(std::make_unique<platform::RasterSurface>(120, 32), 120, 32);
  Buttons button(window);
  button.on_resize();
  button.set_ButtonType(static_cast<int32_t>(state.range(0)));
  button.set_caption(with_caption ? u"&Aceptar" : u"");
  button.on_focus(true);
  for (auto _ : state) {
    button.draw_button(Buttons::kNormal, true);
    benchmark::DoNotOptimize(window.surface());
  }
}

void BM_ButtonDraw(benchmark::State& state) {
  draw_type(state, false);
}
void BM_ButtonDrawCaption(benchmark::State& state) {
  draw_type(state, true);
}

BENCHMARK(BM_ButtonDraw)
    ->DenseRange(1, 10)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ButtonDrawCaption)
    ->DenseRange(1, 10)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace halvora::controls
