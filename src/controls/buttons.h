// Buttons: the owner-drawn push button a host form places. It keeps its properties in the form's
// property store, raises its events to a sink, and draws itself in one of ten types through the
// surface of its window. The window (platform/control_window.h) tells it of mouse, keyboard,
// focus and size; the container's settings (ambient properties) arrive in `Ambient`.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>

#include "automation/variant.h"
#include "controls/button_model.h"
#include "controls/font.h"
#include "controls/property_bag.h"
#include "platform/control_window.h"

namespace halvora::controls {

// The events a button raises, by their numbers.
enum class ButtonEvent : int32_t {
  Click = 1,
  MouseDown = 2,  // (Button, Shift, X, Y)
  MouseMove = 3,  // (Button, Shift, X, Y)
  MouseUp = 4,    // (Button, Shift, X, Y)
  KeyPress = 5,   // (KeyAscii)
  KeyDown = 6,    // (KeyCode, Shift)
  KeyUp = 7,      // (KeyCode, Shift)
  MouseOver = 8,
  MouseOut = 9,
};

// Receives the events. Arguments are by reference: Button, Shift, KeyCode and KeyAscii are
// 16-bit integers, X and Y Singles; what a handler writes into them is what the button goes on
// with (a KeyDown handler that sets KeyCode to 0 stops a space from pressing the button).
class ButtonEvents {
 public:
  virtual ~ButtonEvents() = default;
  virtual void raise(ButtonEvent event, std::span<Variant> args) = 0;
};

// What the container tells its controls.
struct Ambient {
  bool user_mode = true;            // false while the form is being designed
  bool display_as_default = false;  // the container shows this control as its default button
  std::u16string display_name = u"Buttons1";
  platform::FontTraits font;
  Color container_back = 0xFFFFFF;  // the container's device context colours (scheme 4)
  Color container_text = 0x000000;
};

class Buttons : public platform::ControlInput {
 public:
  // Button states the drawing takes.
  static constexpr uint8_t kNormal = 0;
  static constexpr uint8_t kPressed = 2;

  // The control hears of its window's input from construction until it is destroyed; the window
  // outlives it.
  explicit Buttons(platform::ControlWindow& window, ButtonEvents* events = nullptr);
  ~Buttons() override;
  Buttons(const Buttons&) = delete;
  Buttons& operator=(const Buttons&) = delete;

  // ---- Lifecycle --------------------------------------------------------------------------
  // A control newly placed on a form: the defaults of a new control, caption and font from the
  // container.
  void init_new();
  // Reads the twelve keys in order, missing ones taking their load defaults.
  void load(PropertyBag& bag);
  // Writes the twelve keys in the same order, every one of them.
  void save(PropertyBag& bag) const;
  // The keys in the order they are kept.
  static std::span<const char16_t* const> persisted_keys();

  Ambient& ambient() { return ambient_; }
  // Called with a key whenever a persisted property changes, so that the container saves it.
  void on_property_changed(std::function<void(std::u16string_view key)> listener) {
    property_changed_ = std::move(listener);
  }
  void set_events(ButtonEvents* events) { events_ = events; }

  // ---- Properties -------------------------------------------------------------------------
  Color BackColor() const { return back_color_; }
  void set_BackColor(Color c);
  Color ForeColor() const { return fore_color_; }
  void set_ForeColor(Color c);
  Color ForeOver() const { return fore_over_; }
  void set_ForeOver(Color c);
  int32_t ButtonType() const { return button_type_; }
  void set_ButtonType(int32_t type);
  int32_t AlignmentType() const { return alignment_; }
  void set_AlignmentType(int32_t alignment);
  const std::u16string& caption() const { return caption_; }
  void set_caption(std::u16string caption);
  bool Enabled() const { return enabled_; }
  void set_Enabled(bool enabled);
  const FontRef& Font() const { return font_; }
  void set_Font(FontRef font);
  bool FontBold() const { return font_->Bold(); }
  void set_FontBold(bool on) { font_->set_Bold(on); }
  bool FontItalic() const { return font_->Italic(); }
  void set_FontItalic(bool on) { font_->set_Italic(on); }
  bool FontUnderline() const { return font_->Underline(); }
  void set_FontUnderline(bool on) { font_->set_Underline(on); }
  double FontSize() const { return font_->Size(); }
  void set_FontSize(double size) { font_->set_Size(size); }
  std::u16string FontName() const { return font_->Name(); }
  void set_FontName(std::u16string name) { font_->set_Name(std::move(name)); }
  int32_t ColorScheme() const { return color_scheme_; }
  void set_ColorScheme(int32_t scheme);
  bool ShowFocusRect() const { return show_focus_rect_; }
  void set_ShowFocusRect(bool show);
  int32_t MousePointer() const { return window_.mouse_pointer(); }
  void set_MousePointer(int32_t pointer);
  const ObjectRef& MouseIcon() const { return mouse_icon_; }
  void set_MouseIcon(ObjectRef icon);
  intptr_t hwnd() const { return window_.handle(); }
  // Redraws the current state.
  void Refresh() { draw_button(state_, true); }

  // ---- Input from the window ----------------------------------------------------------------
  void on_mouse_down(int16_t button, int16_t shift, float x, float y) override;
  void on_mouse_move(int16_t button, int16_t shift, float x, float y) override;
  void on_mouse_up(int16_t button, int16_t shift, float x, float y) override;
  void on_click() override;
  void on_double_click() override;
  void on_key_down(int16_t key_code, int16_t shift) override;
  void on_key_press(int16_t key_ascii) override;
  void on_key_up(int16_t key_code, int16_t shift) override;
  void on_access_key() override { on_click(); }
  void on_focus(bool has_focus) override;
  void on_resize() override;
  void on_ambient_changed() override;

  // ---- Drawing ----------------------------------------------------------------------------
  // Draws the button in a state (kNormal, kPressed; any other draws only the background); does
  // nothing when neither the state nor the caption changed unless forced, or when the control
  // has no height.
  void draw_button(uint8_t state, bool force);

  // ---- What the control holds, for the window layer and for tests ---------------------------
  const Palette& palette() const { return palette_; }
  const TextLayout& layout() const { return layout_; }
  const Rect& inner_rect() const { return inner_; }
  uint8_t current_state() const { return state_; }
  bool hot() const { return hot_; }
  bool has_focus() const { return has_focus_; }
  uint8_t last_button() const { return last_button_; }
  // Where the access key stands in the caption (-1 for none): the window layer marks it so that
  // the platform's dialog manager finds the same key.
  int access_key_index() const { return access_key_.index; }
  // How many times the button was drawn (skipped draws not counted).
  int draw_count() const { return draw_count_; }

 private:
  void raise(ButtonEvent event, std::span<Variant> args = {});
  void changed(std::u16string_view key);
  void compute_palette();
  void compute_layout();
  void compute_access_key();
  void watch_font();
  // The look of the current type in the current state; button_draw.cpp.
  void draw_look(uint8_t state, uint32_t flags);

  platform::ControlWindow& window_;
  ButtonEvents* events_;
  Ambient ambient_;
  std::function<void(std::u16string_view)> property_changed_;

  // Persisted.
  int32_t button_type_ = 2;
  int32_t alignment_ = 0;
  std::u16string caption_;
  bool enabled_ = true;
  FontRef font_;
  int32_t color_scheme_ = 1;
  bool show_focus_rect_ = true;
  Color back_color_ = 0;
  Color fore_color_ = 0;
  Color fore_over_ = 0;
  ObjectRef mouse_icon_;

  // Run-time state.
  uint8_t last_button_ = 1;
  uint8_t last_key_ = 0;
  bool has_focus_ = false;
  bool hot_ = false;
  uint8_t state_ = kNormal;
  std::u16string drawn_caption_;
  int width_ = 0;
  int height_ = 0;
  Rect inner_;
  TextLayout layout_;
  AccessKey access_key_;
  Palette palette_;
  int font_listener_ = 0;
  int draw_count_ = 0;

  friend struct PersistedProperty;
  friend class ButtonPainter;
};

}  // namespace halvora::controls
