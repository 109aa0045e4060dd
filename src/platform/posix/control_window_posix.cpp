// No window system here: a control gets an off-screen window over a raster surface.
#include "platform/control_window.h"
#include "platform/raster_surface.h"

namespace halvora::platform {

std::unique_ptr<ControlWindow> create_control_window(intptr_t, const Rect& bounds) {
  return std::make_unique<OffscreenWindow>(
      std::make_unique<RasterSurface>(bounds.width(), bounds.height()), bounds.width(),
      bounds.height());
}

}  // namespace halvora::platform
