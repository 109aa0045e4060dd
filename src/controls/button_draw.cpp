// The one drawing operation of Buttons and the looks of its ten types. Every look is made of four
// primitives (rectangle, line, pixel, frame), the caption and the focus rectangle; the tables at
// the end say which look each type has in each state. docs/controls.md lists the geometry chosen
// where a look is only named by its colours.
#include <array>
#include <cmath>

#include "automation/conversions.h"
#include "controls/buttons.h"

namespace halvora::controls {

class ButtonPainter {
 public:
  ButtonPainter(Buttons& b, uint32_t flags)
      : b(b), s(b.window_.surface()), w(b.width_), h(b.height_), p(b.palette_), flags_(flags) {}

  // ---- Primitives ------------------------------------------------------------------------------
  // Fills (x, y, x + cx, y + cy), or outlines it inside.
  void rectangle(int x, int y, int cx, int cy, Color c, bool outline_only = false) {
    Rect r{x, y, x + cx, y + cy};
    if (outline_only)
      s.outline(r, c);
    else
      s.fill(r, c);
  }
  void line(int x1, int y1, int x2, int y2, Color c) { s.line(x1, y1, x2, y2, c); }
  void pixel(int x, int y, Color c) { s.pixel(x, y, c); }
  // Two (single) or four edges: a from the bottom left up and across the top, b down the right
  // and back along the bottom, then c and d one pixel further in. An inset of -1 draws one pixel
  // inside the control's edge, 0 on it.
  void frame(Color a, Color bb, Color c, Color d, int inset, bool single = false) {
    int i = std::abs(inset), r = w - 1 + inset, bt = h - 1 + inset;
    line(i, bt, i, i, a);
    line(i, i, r, i, a);
    line(r, i, r, bt, bb);
    line(r, bt, i - 1, bt, bb);
    if (single) return;
    line(i + 1, bt - 1, i + 1, i + 1, c);
    line(i + 1, i + 1, r - 1, i + 1, c);
    line(r - 1, i + 1, r - 1, bt - 1, d);
    line(r - 1, bt - 1, i, bt - 1, d);
  }
  void single_frame(Color a, Color bb, int inset) { frame(a, bb, 0, 0, inset, true); }
  void focus_rect() {
    if (!b.show_focus_rect_) return;
    s.set_text_color(p.text);
    s.focus_rect(b.inner_);
  }

  // ---- Pieces the looks share -----------------------------------------------------------------
  // "Focus": the focus rectangle when the button has the focus.
  void focus() {
    if (b.has_focus_) focus_rect();
  }
  void caption() { s.draw_text(b.caption_, b.layout_.text, flags_); }
  void pressed_caption() { s.draw_text(b.caption_, b.layout_.pressed, flags_); }
  void caption_in(Color c) {
    s.set_text_color(c);
    caption();
  }
  // Raised lettering: highlight one pixel down and right, shadow on top.
  void embossed_caption() {
    s.set_text_color(p.highlight);
    pressed_caption();
    caption_in(p.shadow);
  }
  void outline_all(Color c) { rectangle(0, 0, w, h, c, true); }
  void inner_corners(Color c) {
    pixel(1, 1, c);
    pixel(1, h - 2, c);
    pixel(w - 2, 1, c);
    pixel(w - 2, h - 2, c);
  }
  bool hot() const { return b.hot_; }
  bool focused() const { return b.has_focus_; }
  bool shows_default() const { return b.ambient_.display_as_default; }
  bool shows_focus() const { return b.show_focus_rect_; }
  int32_t type() const { return b.button_type_; }

  Buttons& b;
  platform::Surface& s;
  const int w;
  const int h;
  const Palette& p;

 private:
  uint32_t flags_;
};

namespace {

using Painter = ButtonPainter;

// ---- Type 1: flat with a one-pixel-inset bevel --------------------------------------------------
void type1_normal(Painter& d) {
  d.caption();
  d.frame(d.p.highlight, d.p.shadow, d.p.highlight, d.p.shadow, -1);
  d.outline_all(d.p.dark_shadow);
  d.focus();
}
void type1_pressed(Painter& d) {
  d.pressed_caption();
  d.frame(d.p.shadow, d.p.highlight, d.p.shadow, d.p.highlight, -1);
  d.outline_all(d.p.dark_shadow);
  d.focus();
}
void type1_disabled(Painter& d) {
  d.embossed_caption();
  d.frame(d.p.highlight, d.p.shadow, d.p.highlight, d.p.shadow, -1);
  d.outline_all(d.p.dark_shadow);
}

// ---- Type 2: the classic push button ------------------------------------------------------------
void type2_normal(Painter& d) {
  d.caption();
  if (d.shows_focus() && d.shows_default()) {
    d.frame(d.p.highlight, d.p.dark_shadow, d.p.light, d.p.shadow, -1);
    d.focus();
    d.outline_all(d.p.dark_shadow);
  } else {
    d.frame(d.p.highlight, d.p.dark_shadow, d.p.light, d.p.shadow, 0);
  }
}
void type2_pressed(Painter& d) {
  d.pressed_caption();
  if (!d.shows_focus()) {
    d.frame(d.p.dark_shadow, d.p.highlight, d.p.shadow, d.p.light, 0);
  } else {
    d.outline_all(d.p.dark_shadow);
    d.rectangle(1, 1, d.w - 2, d.h - 2, d.p.shadow, true);
    d.focus();
  }
}
void type2_disabled(Painter& d) {
  d.embossed_caption();
  d.frame(d.p.highlight, d.p.dark_shadow, d.p.light, d.p.shadow, 0);
}

// ---- Type 3: gradient ---------------------------------------------------------------------------
// Row y of rows 1 to h darkens red and green by y * 25 / h (rounded half to even), blue in
// proportion: 25 levels from top to bottom at any height. Drawn upward, the last row comes first.
void gradient(Painter& d, Color start, bool upward) {
  for (int y = 1; y <= d.h; ++y) {
    int r = static_cast<int>(round_half_even(y * 25.0 / d.h));
    int row = upward ? d.h - y : y;
    d.line(0, row, d.w, row, shift(start, -r, true));
  }
}
void type3_border(Painter& d) {
  d.outline_all(0x733C00);
  d.inner_corners(0x7B4D10);
}
struct Bevel {
  Color outline, bottom, top, below_top, sides;
};
constexpr Bevel kFocusBevel{0xE7AE8C, 0xEF826B, 0xFFE7CE, 0xF7D7BD, 0xF0D1B5};
constexpr Bevel kHotBevel{0x31B2FF, 0x0096E7, 0xCEF3FF, 0x8CDBFF, 0x6BCBFF};
void bevel(Painter& d, const Bevel& c) {
  d.rectangle(1, 2, d.w - 2, d.h - 4, c.outline, true);
  d.line(2, d.h - 2, d.w - 2, d.h - 2, c.bottom);
  d.line(2, 1, d.w - 2, 1, c.top);
  d.line(1, 2, d.w - 1, 2, c.below_top);
  d.line(2, 3, 2, d.h - 3, c.sides);
  d.line(d.w - 3, 3, d.w - 3, d.h - 3, c.sides);
}
void type3_normal(Painter& d) {
  Color start = shift(d.p.face, 48, true);
  gradient(d, start, false);
  d.caption();
  type3_border(d);
  if (d.hot()) {
    bevel(d, kHotBevel);
  } else if ((d.focused() || d.shows_default()) && d.shows_focus()) {
    bevel(d, kFocusBevel);
  } else {
    // The plain bevel: the bottom and right inner edges 36 levels under the start, the top and
    // left inner edges 16 over it.
    Color dark = shift(start, -36, true), light = shift(start, 16, true);
    d.line(1, d.h - 3, d.w - 2, d.h - 3, dark);
    d.line(d.w - 3, 2, d.w - 3, d.h - 3, dark);
    d.line(2, 1, d.w - 2, 1, light);
    d.line(1, 2, 1, d.h - 3, light);
  }
}
void type3_pressed(Painter& d) {
  Color start = shift(shift(d.p.face, 48, true), -32, true);
  gradient(d, start, true);
  d.s.set_text_color(d.p.text);
  d.pressed_caption();
  type3_border(d);
  d.line(2, d.h - 2, d.w - 2, d.h - 2, shift(start, 16, true));
  d.line(1, d.h - 3, d.w - 2, d.h - 3, shift(start, 10, true));
  d.line(d.w - 2, 2, d.w - 2, d.h - 2, shift(start, 5, true));
  d.line(d.w - 3, 3, d.w - 3, d.h - 3, start);
  // The sunken top and left inner edges.
  Color dark = shift(start, -32, true);
  d.line(2, 1, d.w - 2, 1, dark);
  d.line(1, 2, 1, d.h - 2, dark);
}
void type3_disabled(Painter& d) {
  Color start = shift(d.p.face, 48, true);
  d.rectangle(0, 0, d.w, d.h, shift(start, -24, true));
  d.caption_in(shift(start, -104, true));
  d.outline_all(shift(start, -84, true));
  d.inner_corners(shift(start, -72, true));
}

// ---- Type 4: light face with a rounded edge -----------------------------------------------------
void type4_body(Painter& d, bool embossed) {
  int w = d.w, h = d.h;
  const Palette& p = d.p;
  d.rectangle(1, 1, w - 2, h - 2, p.light);
  if (embossed)
    d.embossed_caption();
  else
    d.caption();
  d.outline_all(p.dark_shadow);
  d.inner_corners(p.dark_shadow);
  d.pixel(1, 2, p.face);
  d.pixel(2, 1, p.face);
  d.line(3, 2, w - 3, 2, p.highlight);
  d.line(2, 2, 2, h - 3, p.highlight);
  d.pixel(3, 3, p.highlight);
  // The inner shading.
  d.line(w - 3, 1, w - 3, h - 3, p.face);
  d.line(1, h - 3, w - 3, h - 3, p.face);
  d.pixel(w - 4, h - 4, p.face);
  d.line(w - 2, 3, w - 2, h - 2, p.shadow);
  d.line(3, h - 2, w - 2, h - 2, p.shadow);
  d.pixel(w - 3, h - 3, p.shadow);
  d.pixel(2, h - 2, p.face);
  d.pixel(2, h - 3, p.light);
  d.pixel(w - 2, 2, p.face);
  d.pixel(w - 3, 2, p.light);
}
void type4_normal(Painter& d) {
  type4_body(d, false);
}
void type4_pressed(Painter& d) {
  Color fill = shift(d.p.shadow, -16);
  d.rectangle(1, 1, d.w - 2, d.h - 2, fill);
  d.s.set_text_color(d.p.light);
  d.pressed_caption();
  d.outline_all(d.p.dark_shadow);
  // A sunken edge along the top and the left: the deepest shade outside, a lighter one within.
  Color deep = shift(d.p.shadow, -64), mid = shift(fill, -32);
  d.rectangle(1, 1, d.w - 2, 1, deep);
  d.rectangle(1, 1, 1, d.h - 2, deep);
  d.rectangle(2, 2, d.w - 3, 1, mid);
  d.rectangle(2, 2, 1, d.h - 3, mid);
}
void type4_disabled(Painter& d) {
  type4_body(d, true);
}

// ---- Type 5: soft face, the focus drawn around the caption --------------------------------------
void type5_focus(Painter& d) {
  if (!d.focused() || !d.shows_focus()) return;
  platform::TextExtent e = d.s.text_extent(d.b.caption());
  auto whole = [](double v) { return static_cast<int>(round_half_even(v)); };
  int left = whole(d.w - e.width) / 2 - 3;
  int top = whole(d.h - e.height) / 2 - 1;
  d.rectangle(left, top, whole(e.width + 6), whole(e.height + 2), 0xCC9999, true);
}
void type5_edges(Painter& d, Color inner, Color outer) {
  d.rectangle(1, 1, d.w - 1, d.h - 1, inner, true);
  d.rectangle(0, 0, d.w - 1, d.h - 1, outer, true);
  Color corner = shift(d.p.shadow, 26);
  d.pixel(1, d.h - 2, corner);
  d.pixel(d.w - 2, 1, corner);
}
void type5_normal(Painter& d) {
  d.rectangle(1, 1, d.w - 1, d.h - 1, shift(d.p.face, 12));
  d.caption();
  type5_edges(d, d.p.highlight, shift(d.p.shadow, -26));
  type5_focus(d);
}
void type5_pressed(Painter& d) {
  // The normal look with its two outlines swapped: sunken.
  d.rectangle(1, 1, d.w - 1, d.h - 1, shift(d.p.face, 12));
  d.pressed_caption();
  type5_edges(d, shift(d.p.shadow, -26), d.p.highlight);
  type5_focus(d);
}
void type5_disabled(Painter& d) {
  d.caption_in(d.p.shadow);
  d.outline_all(d.p.shadow);
}

// ---- Type 6: a soft bevel -----------------------------------------------------------------------
void type6_normal(Painter& d) {
  Color light = shift(d.p.light, 8);
  d.caption();
  d.frame(light, d.p.shadow, light, d.p.shadow, 0);
  d.focus();
}
void type6_pressed(Painter& d) {
  Color light = shift(d.p.light, 8);
  d.pressed_caption();
  d.frame(d.p.shadow, light, d.p.shadow, light, 0);
  d.focus();
}
void type6_disabled(Painter& d) {
  Color light = shift(d.p.light, 8);
  d.caption_in(d.p.shadow);
  d.frame(light, d.p.shadow, light, d.p.shadow, 0);
}

// ---- Types 7 and 8: a thin edge; type 8 shows it only under the mouse ---------------------------
void type78_normal(Painter& d) {
  d.caption();
  if (d.type() != 8 || d.hot()) d.single_frame(d.p.highlight, d.p.shadow, 0);
  d.focus();
}
void type78_pressed(Painter& d) {
  d.pressed_caption();
  d.single_frame(d.p.shadow, d.p.highlight, 0);
  d.focus();
}
void type789_disabled(Painter& d) {
  d.embossed_caption();
  d.outline_all(d.p.shadow);
  d.single_frame(d.p.highlight, d.p.shadow, 0);
}

// ---- Type 9: the classic edge, raised under the mouse -------------------------------------------
void type9_normal(Painter& d) {
  int w = d.w, h = d.h;
  d.caption();
  if (d.hot()) {
    // Inside the default button's outline when there is one.
    int o = 0;
    if (d.shows_default()) {
      d.outline_all(d.p.dark_shadow);
      o = 1;
    }
    d.line(o, o, w - o, o, d.p.highlight);
    d.line(o, o, o, h - o, d.p.highlight);
    d.line(o, h - 1 - o, w - o, h - 1 - o, 0x000000);
    d.line(w - 1 - o, o, w - 1 - o, h - o, 0x000000);
    d.line(o + 1, h - 2 - o, w - 1 - o, h - 2 - o, d.p.shadow);
    d.line(w - 2 - o, o + 1, w - 2 - o, h - 1 - o, d.p.shadow);
  } else if (d.shows_default()) {
    d.outline_all(d.p.dark_shadow);
    d.single_frame(d.p.highlight, d.p.shadow, -1);
  } else {
    d.single_frame(d.p.highlight, d.p.shadow, 0);
  }
  if (d.focused()) {
    d.outline_all(d.p.dark_shadow);
    d.single_frame(d.p.highlight, d.p.shadow, -1);
    d.focus_rect();
  }
}
void type9_pressed(Painter& d) {
  d.pressed_caption();
  d.focus();
}

// ---- Type 10: flat, lighter under the mouse -----------------------------------------------------
void type10_normal(Painter& d) {
  if (d.hot()) {
    d.rectangle(0, 0, d.w, d.h, shift(d.p.face, 35));
    d.outline_all(d.p.shadow);
  } else {
    d.rectangle(0, 0, d.w, d.h, shift(d.p.face, 15));
  }
  d.caption();
  if (d.focused()) d.outline_all(d.p.shadow);
}
void type10_pressed(Painter& d) {
  // The face itself, darker than both fills, inside the hot outline.
  d.outline_all(d.p.shadow);
  d.pressed_caption();
}
void type10_disabled(Painter& d) {
  d.s.set_text_color(d.p.shadow);
  d.rectangle(0, 0, d.w, d.h, shift(d.p.face, 15));
  d.caption();
}

// Each type's look in the normal and pressed states and when disabled.
using Look = void (*)(Painter&);
struct TypeLooks {
  int32_t type;
  Look normal;
  Look pressed;
  Look disabled;
};
constexpr std::array<TypeLooks, 10> kTypeLooks = {{
    {1, type1_normal, type1_pressed, type1_disabled},
    {2, type2_normal, type2_pressed, type2_disabled},
    {3, type3_normal, type3_pressed, type3_disabled},
    {4, type4_normal, type4_pressed, type4_disabled},
    {5, type5_normal, type5_pressed, type5_disabled},
    {6, type6_normal, type6_pressed, type6_disabled},
    {7, type78_normal, type78_pressed, type789_disabled},
    {8, type78_normal, type78_pressed, type789_disabled},
    {9, type9_normal, type9_pressed, type789_disabled},
    {10, type10_normal, type10_pressed, type10_disabled},
}};

}  // namespace

void Buttons::draw_button(uint8_t state, bool force) {
  uint32_t flags = text_flags(alignment_);
  if (!force && caption_ == drawn_caption_ && state == state_) return;
  if (height_ == 0) return;
  state_ = state;
  drawn_caption_ = caption_;
  ++draw_count_;
  draw_look(state, flags);
}

void Buttons::draw_look(uint8_t state, uint32_t flags) {
  platform::Surface& s = window_.surface();
  s.clear(palette_.face);
  ButtonPainter d(*this, flags);
  d.rectangle(0, 0, width_, height_, palette_.face);
  const TypeLooks* looks = nullptr;
  for (const auto& t : kTypeLooks)
    if (t.type == button_type_) looks = &t;
  if (!enabled_) {
    if (looks) looks->disabled(d);
    return;
  }
  s.set_text_color(hot_ ? palette_.hot_text : palette_.text);
  if (!looks) return;
  if (state == kNormal)
    looks->normal(d);
  else if (state == kPressed)
    looks->pressed(d);
}

}  // namespace halvora::controls
