#include "controls/button_model.h"

#include <algorithm>
#include <array>

#include "automation/text.h"

namespace halvora::controls {

Color shift(Color color, int delta, bool proportional) {
  int red = platform::red_of(color) + delta;
  int green = platform::green_of(color) + delta;
  int blue = platform::blue_of(color);
  blue += proportional ? blue * delta / 192 : delta;
  auto clamp = [](int v) { return std::clamp(v, 0, 255); };
  return platform::rgb(clamp(red), clamp(green), clamp(blue));
}

Palette make_palette(int32_t scheme, const PaletteSources& s) {
  Palette p;
  auto derive = [&p] {
    p.shadow = shift(p.face, -64);
    p.light = shift(p.face, +31);
    p.highlight = shift(p.face, +47);
    p.dark_shadow = shift(p.face, -192);
  };
  switch (scheme) {
    case 3:
      p = {0xC0C0C0, 0xDFDFDF, 0xFFFFFF, 0x808080, 0x000000, 0x000000, 0x000000};
      break;
    case 2:
      p.face = s.back_color;
      p.text = s.fore_color;
      p.hot_text = s.fore_over;
      derive();
      break;
    case 4:
      p.face = s.container_back;
      p.text = s.container_text;
      p.hot_text = p.text;
      derive();
      break;
    default:
      p.face = s.system_face;
      p.shadow = s.system_shadow;
      p.light = s.system_light;
      p.dark_shadow = s.system_dark_shadow;
      p.highlight = s.system_highlight;
      p.text = p.hot_text = s.system_text;
      break;
  }
  return p;
}

AccessKey access_key(std::u16string_view caption) {
  if (caption.size() < 2) return {};
  size_t first = caption.find(u'&');
  if (first == std::u16string_view::npos || first + 1 >= caption.size()) return {};
  size_t at = first + 1;
  if (caption[at] == u'&') {
    // "&&" shows one ampersand: the key, if any, follows a later "&".
    size_t next = caption.find(u'&', first + 2);
    if (next == std::u16string_view::npos || next + 1 >= caption.size()) return {};
    at = next + 1;
    if (caption[at] == u'&') return {};
  }
  return {std::u16string(1, lower_case(caption[at])), static_cast<int>(at)};
}

uint32_t text_flags(int32_t alignment) {
  namespace tf = platform::text_format;
  // By alignment 0 to 8; any other value draws as 2 does.
  static constexpr std::array<uint32_t, 9> kFlags = {
      tf::kCenter | tf::kWordBreak,       // 0: 17
      tf::kEditControl | tf::kWordBreak,  // 1: 8208
      0,                                  // 2: left
      tf::kRight,                         // 3: 2
      0,                                  // 4: left
      tf::kBottom,                        // 5: 8
      tf::kVerticalCenter,                // 6: 4
      tf::kSingleLine,                    // 7: 32
      tf::kRightToLeft,                   // 8: 0x20000
  };
  return alignment >= 0 && alignment < static_cast<int32_t>(kFlags.size()) ? kFlags[alignment] : 0;
}

Rect measuring_rect(int width, int height) {
  return {1, 0, width - 2, height - 2};
}

TextLayout centre_text(const Rect& measured, int width, int height) {
  TextLayout layout;
  layout.text = measured.offset((width - measured.right) / 2, (height - measured.bottom) / 2);
  layout.pressed = layout.text.offset(1, 1);
  layout.inset = {3, 3, width - 3, height - 3};
  return layout;
}

namespace {

// Corner cuts of a type: blocks given from the corner inwards (dx, dy, w, h) and mirrored into
// the corners the type cuts.
struct Block {
  int dx, dy, w, h;
};
enum Corner : uint8_t { kTopLeft = 1, kTopRight = 2, kBottomLeft = 4, kBottomRight = 8 };
struct Shape {
  int32_t type;
  uint8_t corners;
  std::array<Block, 2> blocks;
  int block_count;
};

constexpr uint8_t kAllCorners = kTopLeft | kTopRight | kBottomLeft | kBottomRight;
// Types missing here (2, 6 to 10) keep the plain rectangle.
constexpr std::array<Shape, 4> kShapes = {{
    {1, kAllCorners, {{{0, 0, 1, 1}, {}}}, 1},
    {3, kAllCorners, {{{0, 0, 2, 1}, {0, 1, 1, 1}}}, 2},  // a two-pixel rounding
    {4, kAllCorners, {{{0, 0, 2, 1}, {0, 1, 1, 1}}}, 2},
    {5, kTopRight | kBottomLeft, {{{0, 0, 1, 1}, {}}}, 1},
}};

}  // namespace

platform::Region window_shape(int32_t button_type, int width, int height) {
  platform::Region region{{0, 0, width, height}, {}};
  auto shape = std::find_if(kShapes.begin(), kShapes.end(),
                            [&](const Shape& s) { return s.type == button_type; });
  if (shape == kShapes.end()) return region;
  for (uint8_t corner : {kTopLeft, kTopRight, kBottomLeft, kBottomRight}) {
    if (!(shape->corners & corner)) continue;
    bool right = corner == kTopRight || corner == kBottomRight;
    bool bottom = corner == kBottomLeft || corner == kBottomRight;
    for (int i = 0; i < shape->block_count; ++i) {
      const Block& b = shape->blocks[i];
      int left = right ? width - b.dx - b.w : b.dx;
      int top = bottom ? height - b.dy - b.h : b.dy;
      region.cuts.push_back({left, top, left + b.w, top + b.h});
    }
  }
  return region;
}

}  // namespace halvora::controls
