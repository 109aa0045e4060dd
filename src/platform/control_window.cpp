#include "platform/control_window.h"

#include <utility>

namespace halvora::platform {

Color default_system_color(SystemColor which) {
  // The platform's standard scheme of recent versions.
  switch (which) {
    case SystemColor::ButtonFace:
      return 0xF0F0F0;
    case SystemColor::ButtonShadow:
      return 0xA0A0A0;
    case SystemColor::Light3D:
      return 0xE3E3E3;
    case SystemColor::DarkShadow3D:
      return 0x696969;
    case SystemColor::ButtonHighlight:
      return 0xFFFFFF;
    case SystemColor::ButtonText:
    case SystemColor::WindowText:
      return 0x000000;
  }
  return 0;
}

OffscreenWindow::OffscreenWindow(std::unique_ptr<Surface> surface, int width, int height)
    : surface_(std::move(surface)), width_(width), height_(height) {
  surface_->resize(width, height);
}

OffscreenWindow::~OffscreenWindow() = default;

Color OffscreenWindow::system_color(SystemColor which) const {
  return colors_ ? colors_(which) : default_system_color(which);
}

void OffscreenWindow::set_font(const FontTraits& font) {
  surface_->set_font(font);
}

}  // namespace halvora::platform
