// The button's arithmetic: colour shift, palettes, access keys, text flags, layout and shapes.
#include <gtest/gtest.h>

#include <algorithm>

#include "controls/button_model.h"
#include "platform/raster_surface.h"

namespace halvora::controls {
namespace {

TEST(ButtonShift, ChannelsMoveClampAndBlueMayFollowItsOwnValue) {
  struct Case {
    Color in;
    int delta;
    bool proportional;
    Color out;
  } cases[] = {
      {0x808080, -64, false, 0x404040},
      {0x808080, +31, false, 0x9F9F9F},
      {0x808080, +47, false, 0xAFAFAF},
      {0x808080, -192, false, 0x000000},  // every channel clamps at 0
      {0xF0F0F0, +48, false, 0xFFFFFF},   // and at 255
      {0x102030, -20, false, 0x000C1C},   // red 0x30 - 20, green 0x20 - 20, blue 0x10 - 20 < 0
      // Proportional: blue + trunc(blue * delta / 192); red and green as before.
      {0xC00000, -25, true, 0xA70000},  // blue 192 - 25
      {0x600000, -25, true, 0x540000},  // blue 96 + trunc(-12.5) = 84
      {0x010000, -25, true, 0x010000},  // trunc(-0.13) = 0
      {0xFF0000, +48, true, 0xFF3030},  // blue 255 + 63 clamps; red, green 0 + 48
      {0x80C0FF, -10, true, 0x7AB6F5},  // blue 128 + trunc(-6.67) = 122
  };
  for (const auto& c : cases)
    EXPECT_EQ(shift(c.in, c.delta, c.proportional), c.out)
        << std::hex << c.in << " " << std::dec << c.delta << " " << c.proportional;
}

TEST(ButtonPalette, SchemesTakeTheirColoursFromTheirSources) {
  PaletteSources s;
  s.back_color = 0x808080;
  s.fore_color = 0x0000FF;
  s.fore_over = 0x00FF00;
  s.container_back = 0x204060;
  s.container_text = 0x112233;
  s.system_face = 0xF0F0F0;
  s.system_shadow = 0xA0A0A0;
  s.system_light = 0xE3E3E3;
  s.system_dark_shadow = 0x696969;
  s.system_highlight = 0xFFFFFF;
  s.system_text = 0x010203;
  struct Case {
    int32_t scheme;
    Palette expected;  // face, light, highlight, shadow, dark shadow, text, hot text
  } cases[] = {
      {3, {0xC0C0C0, 0xDFDFDF, 0xFFFFFF, 0x808080, 0x000000, 0x000000, 0x000000}},
      {2, {0x808080, 0x9F9F9F, 0xAFAFAF, 0x404040, 0x000000, 0x0000FF, 0x00FF00}},
      {4, {0x204060, 0x3F5F7F, 0x4F6F8F, 0x000020, 0x000000, 0x112233, 0x112233}},
      {1, {0xF0F0F0, 0xE3E3E3, 0xFFFFFF, 0xA0A0A0, 0x696969, 0x010203, 0x010203}},
      {0, {0xF0F0F0, 0xE3E3E3, 0xFFFFFF, 0xA0A0A0, 0x696969, 0x010203, 0x010203}},
      {99, {0xF0F0F0, 0xE3E3E3, 0xFFFFFF, 0xA0A0A0, 0x696969, 0x010203, 0x010203}},
  };
  for (const auto& c : cases) EXPECT_EQ(make_palette(c.scheme, s), c.expected) << c.scheme;
}

TEST(ButtonAccessKey, FirstAmpersandOrTheOneAfterAnEscapedPair) {
  struct Case {
    std::u16string caption;
    std::u16string keys;
    int index;
  } cases[] = {
      {u"A&b", u"b", 2},
      {u"&Guardar", u"g", 1},
      {u"Sal&ir", u"i", 4},
      {u"&&Bien", u"", -1},     // an escaped pair and no further "&"
      {u"&&B&ien", u"i", 4},    // the next "&" from two after the first
      {u"&&&x", u"x", 3},       // the third "&" is the next one
      {u"a&&&&b", u"", -1},     // the next "&" is followed by another: no key
      {u"a&&b&&c&d", u"", -1},  // only the pair after the escaped one counts
      {u"&", u"", -1},          // one character clears the keys
      {u"x", u"", -1},
      {u"", u"", -1},
      {u"ab&", u"", -1},              // "&" is the last character
      {u"&&", u"", -1},               // nothing after the escaped pair
      {u"&&x&", u"", -1},             // the next "&" is last
      {u"Pe&\u00D1a", u"\u00F1", 3},  // Latin-1 letters lower case too
      {u"no key", u"", -1},
  };
  for (const auto& c : cases) {
    AccessKey got = access_key(c.caption);
    EXPECT_EQ(got.keys, c.keys) << std::string(c.caption.begin(), c.caption.end());
    EXPECT_EQ(got.index, c.index) << std::string(c.caption.begin(), c.caption.end());
  }
}

TEST(ButtonTextFlags, EachAlignmentHasItsFormat) {
  const std::pair<int32_t, uint32_t> cases[] = {
      {0, 17}, {1, 8208}, {2, 0},       {3, 2}, {4, 0},  {5, 8},
      {6, 4},  {7, 32},   {8, 0x20000}, {9, 0}, {-1, 0},
  };
  for (auto [alignment, flags] : cases) EXPECT_EQ(text_flags(alignment), flags) << alignment;
}

TEST(ButtonLayout, MeasuredTextIsCentredWithIntegerDivision) {
  EXPECT_EQ(measuring_rect(120, 32), (Rect{1, 0, 118, 30}));
  struct Case {
    Rect measured;
    int width, height;
    Rect text;
  } cases[] = {
      // (120 - 41) / 2 = 39, (32 - 13) / 2 = 9
      {{1, 0, 41, 13}, 120, 32, {40, 9, 80, 22}},
      // odd remainders truncate: (121 - 40) / 2 = 40, (33 - 14) / 2 = 9
      {{1, 0, 40, 14}, 121, 33, {41, 9, 80, 23}},
      // an empty caption is one line high and no width
      {{1, 0, 1, 13}, 10, 20, {5, 3, 5, 16}},
      // text wider than the control moves left: (20 - 31) / 2 = -5 (toward zero)
      {{1, 0, 31, 13}, 20, 10, {-4, -1, 26, 12}},
  };
  for (const auto& c : cases) {
    TextLayout l = centre_text(c.measured, c.width, c.height);
    EXPECT_EQ(l.text, c.text);
    EXPECT_EQ(l.pressed, c.text.offset(1, 1));
    EXPECT_EQ(l.inset, (Rect{3, 3, c.width - 3, c.height - 3}));
  }
}

// The cut pixels of a shape, as a picture: '.' cut, '#' kept.
std::string shape_picture(int32_t type, int w, int h) {
  platform::Region region = window_shape(type, w, h);
  std::string out;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) out += region.contains(x, y) ? '#' : '.';
    out += '\n';
  }
  return out;
}

TEST(ButtonShape, CornersCutByType) {
  const std::string plain =
      "######\n"
      "######\n"
      "######\n"
      "######\n";
  const std::string corners =
      ".####.\n"
      "######\n"
      "######\n"
      ".####.\n";
  const std::string rounded =
      "..##..\n"
      ".####.\n"
      ".####.\n"
      "..##..\n";
  const std::string two_corners =
      "#####.\n"
      "######\n"
      "######\n"
      ".#####\n";
  const std::pair<int32_t, const std::string*> cases[] = {
      {1, &corners}, {2, &plain}, {3, &rounded}, {4, &rounded}, {5, &two_corners}, {6, &plain},
      {7, &plain},   {8, &plain}, {9, &plain},   {10, &plain},  {0, &plain},       {11, &plain},
  };
  for (auto [type, picture] : cases) EXPECT_EQ(shape_picture(type, 6, 4), *picture) << type;
  EXPECT_EQ(window_shape(2, 6, 4).bounds, (Rect{0, 0, 6, 4}));
}

}  // namespace
}  // namespace halvora::controls
