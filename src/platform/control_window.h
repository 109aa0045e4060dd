// The window of a control that a host form places: what the control asks of it (its surface,
// size, mouse capture, focus moves, shape, access keys) and what it tells the control (mouse,
// keyboard, focus, size). The control itself is platform-free; on Windows the window is a real
// child window (win32/control_window_win.cpp), elsewhere an off-screen one over a raster surface.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/surface.h"

namespace halvora::platform {

// The platform's system colours the controls use, by the platform's own indices.
enum class SystemColor : int {
  WindowText = 8,
  ButtonFace = 15,
  ButtonShadow = 16,
  ButtonText = 18,
  ButtonHighlight = 20,
  DarkShadow3D = 21,
  Light3D = 22,
};

// The colours of the platform's default scheme; a Windows machine answers with its own.
Color default_system_color(SystemColor which);

// What the window tells its control. Mouse buttons and shift states are the platform's bit
// values (1 left, 2 right, 4 middle; 1 shift, 2 control, 4 alt); X and Y are in pixels.
class ControlInput {
 public:
  virtual ~ControlInput() = default;
  virtual void on_mouse_down(int16_t button, int16_t shift, float x, float y) = 0;
  virtual void on_mouse_move(int16_t button, int16_t shift, float x, float y) = 0;
  virtual void on_mouse_up(int16_t button, int16_t shift, float x, float y) = 0;
  // A button release over the control after a press on it: the platform's click.
  virtual void on_click() = 0;
  virtual void on_double_click() = 0;
  virtual void on_key_down(int16_t key_code, int16_t shift) = 0;
  virtual void on_key_press(int16_t key_ascii) = 0;
  virtual void on_key_up(int16_t key_code, int16_t shift) = 0;
  virtual void on_access_key() = 0;
  virtual void on_focus(bool has_focus) = 0;
  virtual void on_resize() = 0;
  // The container's colours or font changed.
  virtual void on_ambient_changed() = 0;
};

class ControlWindow {
 public:
  virtual ~ControlWindow() = default;

  // The control that hears of the window's input; the window tells nobody until it is set.
  virtual void set_input(ControlInput* input) = 0;
  virtual Surface& surface() = 0;
  // The platform's window handle; 0 for a window with no screen.
  virtual intptr_t handle() const { return 0; }
  // The client area in pixels (the scale width and height).
  virtual int width() const = 0;
  virtual int height() const = 0;

  virtual void capture_mouse() = 0;
  virtual void release_mouse() = 0;
  // Shows what was drawn on the surface now.
  virtual void refresh() = 0;
  // Moves the keyboard focus to the next (or previous) control of the form.
  virtual void move_focus(bool forward) = 0;
  virtual void set_enabled(bool enabled) = 0;
  virtual bool enabled() const = 0;
  // The characters that activate the control from the keyboard, in lower case; empty for none.
  virtual void set_access_keys(const std::u16string& keys) = 0;
  virtual std::u16string access_keys() const = 0;
  // The window's shape; the platform redraws what it uncovers.
  virtual void set_region(const Region& region) = 0;
  virtual Color system_color(SystemColor which) const = 0;
  virtual void set_font(const FontTraits& font) = 0;
  // The mouse pointer shown over the control: the platform's pointer number (0 default,
  // 99 custom) and, for 99, the picture object given as the icon.
  virtual void set_mouse_pointer(int16_t pointer) = 0;
  virtual int16_t mouse_pointer() const = 0;
  // Whether the surface keeps its picture between paints; surfaces here always do, and the flag
  // is only remembered.
  virtual void set_keeps_picture(bool keep) = 0;
  virtual bool keeps_picture() const = 0;
};

// A window with no screen: its own raster surface of the given size and every request
// remembered, for tests, the gallery and machines without a window system.
class OffscreenWindow : public ControlWindow {
 public:
  OffscreenWindow(std::unique_ptr<Surface> surface, int width, int height);
  ~OffscreenWindow() override;

  void set_input(ControlInput*) override {}
  Surface& surface() override { return *surface_; }
  int width() const override { return width_; }
  int height() const override { return height_; }
  void capture_mouse() override { captured_ = true; }
  void release_mouse() override { captured_ = false; }
  void refresh() override { ++refreshes_; }
  void move_focus(bool forward) override { focus_moves_ += forward ? 1 : -1; }
  void set_enabled(bool enabled) override { enabled_ = enabled; }
  bool enabled() const override { return enabled_; }
  void set_access_keys(const std::u16string& keys) override { access_keys_ = keys; }
  std::u16string access_keys() const override { return access_keys_; }
  void set_region(const Region& region) override { region_ = region; }
  Color system_color(SystemColor which) const override;
  void set_font(const FontTraits& font) override;
  void set_mouse_pointer(int16_t pointer) override { mouse_pointer_ = pointer; }
  int16_t mouse_pointer() const override { return mouse_pointer_; }
  void set_keeps_picture(bool keep) override { keeps_picture_ = keep; }
  bool keeps_picture() const override { return keeps_picture_; }

  // The size changes as a container resizes the control; its owner then tells the control.
  void resize(int width, int height) {
    width_ = width, height_ = height;
    surface_->resize(width, height);
  }
  // System colours other than the platform's defaults (the Wine comparison uses the machine's).
  using ColorSource = Color (*)(SystemColor);
  void set_color_source(ColorSource source) { colors_ = source; }

  bool captured() const { return captured_; }
  int refreshes() const { return refreshes_; }
  int focus_moves() const { return focus_moves_; }
  const Region& region() const { return region_; }

 private:
  std::unique_ptr<Surface> surface_;
  int width_;
  int height_;
  bool captured_ = false;
  bool enabled_ = true;
  bool keeps_picture_ = false;
  int refreshes_ = 0;
  int focus_moves_ = 0;
  int16_t mouse_pointer_ = 0;
  std::u16string access_keys_;
  Region region_;
  ColorSource colors_ = nullptr;
};

// The window a control gets on a form: on Windows a child window of `parent` (an HWND) at the
// given place, of a window class the library registers; elsewhere an off-screen window of that
// size over a raster surface.
std::unique_ptr<ControlWindow> create_control_window(intptr_t parent, const Rect& bounds);

}  // namespace halvora::platform
