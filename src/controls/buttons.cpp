#include "controls/buttons.h"

#include <array>
#include <utility>

#include "automation/conversions.h"
#include "automation/error.h"

namespace halvora::controls {

using platform::SystemColor;

// ---- Persistence -------------------------------------------------------------------------------

// One persisted property: its key, the default a load gives it when the key is missing, how a
// loaded value is taken and how the value is written. The table's order is the order of loading
// and saving.
struct PersistedProperty {
  const char16_t* key;
  Variant (*load_default)(Buttons&);
  void (*take)(Buttons&, const Variant&);
  Variant (*value)(const Buttons&);

  static std::span<const PersistedProperty> table();
};

namespace {

Variant color_value(Color c) {
  return Variant(static_cast<int32_t>(c));
}
Color to_color(const Variant& v) {
  return static_cast<Color>(to_long(v));
}

}  // namespace

std::span<const PersistedProperty> PersistedProperty::table() {
  static const std::array<PersistedProperty, 12> kPersisted = {{
      {u"BTYPE", [](Buttons&) { return Variant(int32_t{2}); },
       [](Buttons& b, const Variant& v) { b.button_type_ = to_long(v); },
       [](const Buttons& b) { return Variant(b.button_type_); }},
      {u"BALIGN", [](Buttons&) { return Variant(int32_t{2}); },
       [](Buttons& b, const Variant& v) { b.alignment_ = to_long(v); },
       [](const Buttons& b) { return Variant(b.alignment_); }},
      {u"TX", [](Buttons&) { return Variant(u""); },
       [](Buttons& b, const Variant& v) { b.caption_ = to_string(v); },
       [](const Buttons& b) { return Variant(b.caption_); }},
      {u"ENAB", [](Buttons&) { return Variant(true); },
       [](Buttons& b, const Variant& v) { b.enabled_ = to_boolean(v); },
       [](const Buttons& b) { return Variant(b.enabled_); }},
      {u"FONT",
       // The surface's current font, which is the kept font's.
       [](Buttons& b) { return Variant(ObjectRef(b.font_->clone())); },
       [](Buttons& b, const Variant& v) {
         auto font = v.is_object() ? std::dynamic_pointer_cast<Font>(v.object()) : nullptr;
         b.font_ = font ? font->clone() : std::make_shared<Font>(b.font_->traits());
       },
       [](const Buttons& b) { return Variant(ObjectRef(b.font_->clone())); }},
      {u"COLTYPE", [](Buttons&) { return Variant(int32_t{1}); },
       [](Buttons& b, const Variant& v) { b.color_scheme_ = to_long(v); },
       [](const Buttons& b) { return Variant(b.color_scheme_); }},
      {u"FOCUSR", [](Buttons&) { return Variant(true); },
       [](Buttons& b, const Variant& v) { b.show_focus_rect_ = to_boolean(v); },
       [](const Buttons& b) { return Variant(b.show_focus_rect_); }},
      {u"BCOL",
       [](Buttons& b) { return color_value(b.window_.system_color(SystemColor::ButtonFace)); },
       [](Buttons& b, const Variant& v) { b.back_color_ = to_color(v); },
       [](const Buttons& b) { return color_value(b.back_color_); }},
      {u"FCOL",
       [](Buttons& b) { return color_value(b.window_.system_color(SystemColor::ButtonText)); },
       [](Buttons& b, const Variant& v) { b.fore_color_ = to_color(v); },
       [](const Buttons& b) { return color_value(b.fore_color_); }},
      {u"FCOLO",
       [](Buttons& b) { return color_value(b.window_.system_color(SystemColor::ButtonText)); },
       [](Buttons& b, const Variant& v) { b.fore_over_ = to_color(v); },
       [](const Buttons& b) { return color_value(b.fore_over_); }},
      {u"MPTR", [](Buttons&) { return Variant(int32_t{0}); },
       [](Buttons& b, const Variant& v) {
         b.window_.set_mouse_pointer(static_cast<int16_t>(to_long(v)));
       },
       [](const Buttons& b) { return Variant(static_cast<int32_t>(b.window_.mouse_pointer())); }},
      {u"MICON", [](Buttons&) { return Variant(ObjectRef()); },
       [](Buttons& b, const Variant& v) { b.mouse_icon_ = v.is_object() ? v.object() : nullptr; },
       [](const Buttons& b) { return Variant(b.mouse_icon_); }},
  }};
  return kPersisted;
}

std::span<const char16_t* const> Buttons::persisted_keys() {
  static const auto keys = [] {
    std::array<const char16_t*, 12> out{};
    auto table = PersistedProperty::table();
    for (size_t i = 0; i < table.size(); ++i) out[i] = table[i].key;
    return out;
  }();
  return keys;
}

// ---- Lifecycle ---------------------------------------------------------------------------------

Buttons::Buttons(platform::ControlWindow& window, ButtonEvents* events)
    : window_(window), events_(events), font_(std::make_shared<controls::Font>()) {
  window_.set_input(this);
  back_color_ = window_.system_color(SystemColor::ButtonFace);
  fore_color_ = fore_over_ = window_.system_color(SystemColor::ButtonText);
  watch_font();
  compute_palette();
}

Buttons::~Buttons() {
  if (font_) font_->stop_listening(font_listener_);
  window_.set_input(nullptr);
}

void Buttons::init_new() {
  button_type_ = 2;
  alignment_ = 0;
  caption_ = ambient_.display_name;
  enabled_ = true;
  set_Font(std::make_shared<controls::Font>(ambient_.font));
  color_scheme_ = 1;
  show_focus_rect_ = true;
  back_color_ = window_.system_color(SystemColor::ButtonFace);
  fore_color_ = window_.system_color(SystemColor::ButtonText);
  fore_over_ = 0;
  window_.set_mouse_pointer(0);
  mouse_icon_ = nullptr;
}

void Buttons::load(PropertyBag& bag) {
  if (font_) font_->stop_listening(font_listener_);
  for (const auto& p : PersistedProperty::table())
    p.take(*this, bag.read(p.key, p.load_default(*this)));
  watch_font();
  window_.set_enabled(enabled_);
  window_.set_font(font_->traits());
  compute_palette();
  compute_access_key();
  // The caption and the font may both be new: lay the caption out before drawing it.
  compute_layout();
  draw_button(kNormal, true);
}

void Buttons::save(PropertyBag& bag) const {
  for (const auto& p : PersistedProperty::table()) bag.write(p.key, p.value(*this));
}

void Buttons::watch_font() {
  font_listener_ = font_->listen([this] {
    window_.set_font(font_->traits());
    compute_layout();
    draw_button(kNormal, true);
  });
}

// ---- Properties --------------------------------------------------------------------------------

void Buttons::set_BackColor(Color c) {
  back_color_ = c;
  compute_palette();
  draw_button(state_, true);
  changed(u"BCOL");
}

void Buttons::set_ForeColor(Color c) {
  fore_color_ = c;
  // While the form is designed the hover colour follows the text colour.
  if (!ambient_.user_mode) fore_over_ = c;
  compute_palette();
  draw_button(state_, true);
  changed(u"FCOL");
}

void Buttons::set_ForeOver(Color c) {
  fore_over_ = c;
  compute_palette();
  draw_button(state_, true);
  changed(u"FCOLO");
}

void Buttons::set_ButtonType(int32_t type) {
  button_type_ = type;
  if (type == 5) window_.set_keeps_picture(true);
  on_resize();
  changed(u"BTYPE");
}

void Buttons::set_AlignmentType(int32_t alignment) {
  alignment_ = alignment;
  draw_button(state_, true);
  changed(u"BALIGN");
}

void Buttons::set_ShowFocusRect(bool show) {
  show_focus_rect_ = show;
  draw_button(state_, true);
  changed(u"FOCUSR");
}

void Buttons::set_ColorScheme(int32_t scheme) {
  color_scheme_ = scheme;
  compute_palette();
  draw_button(kNormal, true);
  changed(u"COLTYPE");
}

void Buttons::set_caption(std::u16string caption) {
  caption_ = std::move(caption);
  compute_access_key();
  compute_layout();
  draw_button(kNormal, true);
  changed(u"TX");
}

void Buttons::set_Enabled(bool enabled) {
  enabled_ = enabled;
  draw_button(kNormal, true);
  window_.set_enabled(enabled);
  changed(u"ENAB");
}

void Buttons::set_Font(FontRef font) {
  if (!font) throw Error::standard(err::kInvalidUseOfNull);
  if (font_) font_->stop_listening(font_listener_);
  font_ = std::move(font);
  watch_font();
  window_.set_font(font_->traits());
  compute_layout();
  draw_button(kNormal, true);
  changed(u"FONT");
}

void Buttons::set_MousePointer(int32_t pointer) {
  window_.set_mouse_pointer(static_cast<int16_t>(pointer));
  changed(u"MPTR");
}

void Buttons::set_MouseIcon(ObjectRef icon) {
  mouse_icon_ = std::move(icon);
  changed(u"MICON");
}

void Buttons::changed(std::u16string_view key) {
  if (property_changed_) property_changed_(key);
}

void Buttons::raise(ButtonEvent event, std::span<Variant> args) {
  if (events_) events_->raise(event, args);
}

void Buttons::compute_palette() {
  PaletteSources s;
  s.back_color = back_color_;
  s.fore_color = fore_color_;
  s.fore_over = fore_over_;
  s.container_back = ambient_.container_back;
  s.container_text = ambient_.container_text;
  s.system_face = window_.system_color(SystemColor::ButtonFace);
  s.system_shadow = window_.system_color(SystemColor::ButtonShadow);
  s.system_light = window_.system_color(SystemColor::Light3D);
  s.system_dark_shadow = window_.system_color(SystemColor::DarkShadow3D);
  s.system_highlight = window_.system_color(SystemColor::ButtonHighlight);
  s.system_text = window_.system_color(SystemColor::ButtonText);
  palette_ = make_palette(color_scheme_, s);
}

void Buttons::compute_layout() {
  namespace tf = platform::text_format;
  Rect measured = window_.surface().draw_text(caption_, measuring_rect(width_, height_),
                                              tf::kCalculateRect | tf::kWordBreak);
  layout_ = centre_text(measured, width_, height_);
}

void Buttons::compute_access_key() {
  access_key_ = access_key(caption_);
  window_.set_access_keys(access_key_.keys);
}

// ---- Input -------------------------------------------------------------------------------------

namespace {

constexpr int16_t kLeft = 1;
constexpr int16_t kRight = 2;
constexpr int16_t kSpace = 32;

// The four arguments of a mouse event, by reference: the handler's changes come back.
struct MouseArgs {
  std::array<Variant, 4> v;
  MouseArgs(int16_t button, int16_t shift, float x, float y) : v{button, shift, x, y} {}
  int16_t button() const { return to_integer(v[0]); }
  int16_t shift() const { return to_integer(v[1]); }
  float x() const { return to_single(v[2]); }
  float y() const { return to_single(v[3]); }
};

}  // namespace

void Buttons::on_mouse_down(int16_t button, int16_t shift, float x, float y) {
  MouseArgs args(button, shift, x, y);
  raise(ButtonEvent::MouseDown, args.v);
  button = args.button();
  last_button_ = static_cast<uint8_t>(button);
  if (button != kRight) draw_button(kPressed, false);
  if (button == kLeft) window_.capture_mouse();
}

void Buttons::on_mouse_move(int16_t button, int16_t shift, float x, float y) {
  MouseArgs args(button, shift, x, y);
  raise(ButtonEvent::MouseMove, args.v);
  button = args.button();
  x = args.x();
  y = args.y();
  bool inside =
      x >= 0 && y >= 0 && x < static_cast<float>(width_) && y < static_cast<float>(height_);
  bool no_left = button == 0 || button == kRight;
  if (inside) {
    if (no_left && !hot_) {
      hot_ = true;
      raise(ButtonEvent::MouseOver);
      draw_button(kNormal, true);
      // Held so that the move that leaves the button still arrives here.
      window_.capture_mouse();
      return;
    }
    if (button == kLeft) {
      window_.capture_mouse();
      draw_button(kPressed, false);
    }
  } else {
    draw_button(kNormal, false);
    hot_ = false;
    draw_button(kNormal, true);
    if (no_left) {
      raise(ButtonEvent::MouseOut);
      window_.release_mouse();
    }
  }
}

void Buttons::on_mouse_up(int16_t button, int16_t shift, float x, float y) {
  window_.release_mouse();
  MouseArgs args(button, shift, x, y);
  raise(ButtonEvent::MouseUp, args.v);
  if (args.button() != kRight) draw_button(kNormal, false);
  hot_ = false;
}

void Buttons::on_click() {
  if (last_button_ != kLeft || !enabled_) return;
  draw_button(kNormal, false);
  window_.refresh();
  raise(ButtonEvent::Click);
}

void Buttons::on_double_click() {
  if (last_button_ == kLeft) on_mouse_down(1, 1, 1.0f, 1.0f);
}

void Buttons::on_key_down(int16_t key_code, int16_t shift) {
  std::array<Variant, 2> args{key_code, shift};
  raise(ButtonEvent::KeyDown, args);
  key_code = to_integer(args[0]);
  last_key_ = static_cast<uint8_t>(key_code);
  switch (key_code) {
    case kSpace:
      on_mouse_down(1, 1, 1.0f, 1.0f);
      break;
    case 39:  // right
    case 40:  // down
      window_.move_focus(true);
      break;
    case 37:  // left
    case 38:  // up
      window_.move_focus(false);
      break;
    default:
      break;
  }
}

void Buttons::on_key_press(int16_t key_ascii) {
  std::array<Variant, 1> args{key_ascii};
  raise(ButtonEvent::KeyPress, args);
}

void Buttons::on_key_up(int16_t key_code, int16_t shift) {
  std::array<Variant, 2> args{key_code, shift};
  raise(ButtonEvent::KeyUp, args);
  key_code = to_integer(args[0]);
  if (last_key_ == kSpace && key_code == kSpace) {
    on_mouse_up(1, 1, 1.0f, 1.0f);
    last_button_ = kLeft;
    on_click();
  }
}

void Buttons::on_focus(bool has_focus) {
  has_focus_ = has_focus;
  draw_button(state_, true);
}

void Buttons::on_resize() {
  width_ = window_.width();
  height_ = window_.height();
  inner_ = {4, 4, width_ - 4, height_ - 4};
  compute_layout();
  window_.set_region(window_shape(button_type_, width_, height_));
  if (height_ > 0) draw_button(kNormal, true);
}

void Buttons::on_ambient_changed() {
  if (color_scheme_ != 4) return;
  compute_palette();
  draw_button(state_, true);
}

}  // namespace halvora::controls
