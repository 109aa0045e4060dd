// What Buttons draws. Small captionless buttons are compared pixel by pixel with pictures worked
// out by hand from the looks' primitives; the rest checks the properties of a look that matter
// (the gradient's steps, where the focus goes, which colours a disabled button never shows).
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>

#include "automation/conversions.h"
#include "controls/buttons.h"
#include "platform/raster_surface.h"
#include "support/button_pictures.h"

namespace halvora::controls {
namespace {

class ButtonLook : public ::testing::Test {
 protected:
  void make(int width, int height, int32_t type, std::u16string caption = u"") {
    button.reset();  // a control goes before its window
    auto raster = std::make_unique<platform::RasterSurface>(width, height);
    surface = raster.get();
    window = std::make_unique<platform::OffscreenWindow>(std::move(raster), width, height);
    button = std::make_unique<Buttons>(*window);
    button->set_ColorScheme(3);
    button->set_ButtonType(type);
    button->set_caption(std::move(caption));
  }

  // The picture in the letters of scheme 3's colours: F face, L light, H highlight, S shadow,
  // D dark shadow; other colours by the map given.
  std::string picture(std::map<Color, char> more = {}) const {
    std::map<Color, char> letters = {
        {0xC0C0C0, 'F'}, {0xDFDFDF, 'L'}, {0xFFFFFF, 'H'}, {0x808080, 'S'}, {0x000000, 'D'}};
    letters.insert(more.begin(), more.end());
    std::string out;
    for (int y = 0; y < surface->height(); ++y) {
      for (int x = 0; x < surface->width(); ++x) {
        auto found = letters.find(surface->at(x, y));
        out += found == letters.end() ? '?' : found->second;
      }
      out += '\n';
    }
    return out;
  }

  int count(Color c) const {
    int n = 0;
    for (Color px : surface->pixels()) n += px == c;
    return n;
  }

  platform::RasterSurface* surface = nullptr;
  std::unique_ptr<platform::OffscreenWindow> window;
  std::unique_ptr<Buttons> button;
};

// A 10 x 8 picture of one letter.
std::string uniform(char letter) {
  std::string out;
  for (int y = 0; y < 8; ++y) out += std::string(10, letter) + "\n";
  return out;
}

TEST_F(ButtonLook, CaptionlessLooksPixelByPixel) {
  struct Case {
    int32_t type;
    uint8_t state;
    std::string expected;
    std::map<Color, char> more;
  } cases[] = {
      // Frame (H, S, H, S) one pixel in, then the dark outline.
      {1,
       0,
       "DDDDDDDDDD\n"
       "DHHHHHHHSD\n"
       "DHHHHHHSSD\n"
       "DHHFFFFSSD\n"
       "DHHFFFFSSD\n"
       "DHSSSSSSSD\n"
       "DSSSSSSSSD\n"
       "DDDDDDDDDD\n",
       {}},
      // Frame (H, D, L, S) on the edge.
      {2,
       0,
       "HHHHHHHHHD\n"
       "HLLLLLLLSD\n"
       "HLFFFFFFSD\n"
       "HLFFFFFFSD\n"
       "HLFFFFFFSD\n"
       "HLFFFFFFSD\n"
       "HSSSSSSSSD\n"
       "DDDDDDDDDD\n",
       {}},
      // Pressed with the focus rectangle shown (no focus): dark outline, shadow outline inside.
      {2,
       2,
       "DDDDDDDDDD\n"
       "DSSSSSSSSD\n"
       "DSFFFFFFSD\n"
       "DSFFFFFFSD\n"
       "DSFFFFFFSD\n"
       "DSFFFFFFSD\n"
       "DSSSSSSSSD\n"
       "DDDDDDDDDD\n",
       {}},
      // Light face, dark outline and inner corners, highlight and shading as listed.
      {4,
       0,
       "DDDDDDDDDD\n"
       "DDFLLLLFDD\n"
       "DFHHHHHLFD\n"
       "DLHHLLLFSD\n"
       "DLHLLLFFSD\n"
       "DFLFFFFSSD\n"
       "DDFSSSSSDD\n"
       "DDDDDDDDDD\n",
       {}},
      // f = face + 12, d = shadow - 26, c = shadow + 26.
      {5,
       0,
       "dddddddddF\n"
       "dHHHHHHHcH\n"
       "dHffffffdH\n"
       "dHffffffdH\n"
       "dHffffffdH\n"
       "dHffffffdH\n"
       "dcdddddddH\n"
       "FHHHHHHHHH\n",
       {{0xCCCCCC, 'f'}, {0x666666, 'd'}, {0x9A9A9A, 'c'}}},
      {7,
       0,
       "HHHHHHHHHS\n"
       "HFFFFFFFFS\n"
       "HFFFFFFFFS\n"
       "HFFFFFFFFS\n"
       "HFFFFFFFFS\n"
       "HFFFFFFFFS\n"
       "HFFFFFFFFS\n"
       "SSSSSSSSSS\n",
       {}},
      {7,
       2,
       "SSSSSSSSSH\n"
       "SFFFFFFFFH\n"
       "SFFFFFFFFH\n"
       "SFFFFFFFFH\n"
       "SFFFFFFFFH\n"
       "SFFFFFFFFH\n"
       "SFFFFFFFFH\n"
       "HHHHHHHHHH\n",
       {}},
      // Type 8 shows no edge until the mouse is over it.
      {8, 0, uniform('F'), {}},
      // Type 10 away from the mouse: face + 15 all over.
      {10, 0, uniform('g'), {{0xCFCFCF, 'g'}}},
  };
  for (const auto& c : cases) {
    make(10, 8, c.type);
    button->draw_button(c.state, true);
    EXPECT_EQ(picture(c.more), c.expected) << "type " << c.type << " state " << int(c.state);
  }
}

// Every look of every type, captionless at 16 x 10 in scheme 3, by the FNV-1a hash of its
// pixels. The pictures these hashes were taken from are the ones the Wine run finds identical to
// GDI's (tests/wine/button_compare.cpp) and the gallery shows: a changed hash is a changed look,
// to be checked there again before the table is updated.
TEST_F(ButtonLook, EveryLookKeepsItsPixels) {
  using Setup = void (*)(Buttons&);
  const std::pair<const char*, Setup> looks[] = {
      {"normal", [](Buttons&) {}},
      {"hot", [](Buttons& b) { b.on_mouse_move(0, 0, 3, 3); }},
      {"pressed", [](Buttons& b) { b.on_mouse_down(1, 0, 3, 3); }},
      {"focused", [](Buttons& b) { b.on_focus(true); }},
      {"default",
       [](Buttons& b) {
         b.ambient().display_as_default = true;
         b.Refresh();
       }},
      {"disabled", [](Buttons& b) { b.set_Enabled(false); }},
  };
  const uint64_t expected[10][6] = {
      {0x8c74ffcefbc22e9b, 0x8c74ffcefbc22e9b, 0xaf190289b5b09483, 0x13584ab75cddcc5b,
       0x8c74ffcefbc22e9b, 0x8c74ffcefbc22e9b},  // type 1
      {0x606b6f679da1f0df, 0x606b6f679da1f0df, 0xadacf4ed09abc603, 0x606b6f679da1f0df,
       0x17b4a5f0886ad53b, 0x606b6f679da1f0df},  // type 2
      {0x61f866de9431bcc0, 0x2f4e1d6a6bf01991, 0x7123f069ec955276, 0x230a2ffd8655e311,
       0x230a2ffd8655e311, 0x4bc6aa3a483d8f9b},  // type 3
      {0xc43e04eaea4832f5, 0xc43e04eaea4832f5, 0x4bcddcfde5538573, 0xc43e04eaea4832f5,
       0xc43e04eaea4832f5, 0xc43e04eaea4832f5},  // type 4
      {0xb3350f41f5f61541, 0xb3350f41f5f61541, 0x133791cce978b581, 0x1415a226c1723a31,
       0xb3350f41f5f61541, 0x53dc376a1bc15a03},  // type 5
      {0x4f4b943d04dc225f, 0x4f4b943d04dc225f, 0x81d21ee220b332fb, 0x9968536a5fe867df,
       0x4f4b943d04dc225f, 0x4f4b943d04dc225f},  // type 6
      {0x80574c5306bc95b8, 0x80574c5306bc95b8, 0x7acbfb2bf36eb658, 0xfa837477f2b2f658,
       0x80574c5306bc95b8, 0x80574c5306bc95b8},  // type 7
      {0x19f25528c4cf8a03, 0x80574c5306bc95b8, 0x7acbfb2bf36eb658, 0x8ffa79b342307243,
       0x19f25528c4cf8a03, 0x80574c5306bc95b8},  // type 8
      {0x80574c5306bc95b8, 0xa5aadc9aab9056f8, 0x19f25528c4cf8a03, 0xc4b966812460dc,
       0x2d473689548db7fc, 0x80574c5306bc95b8},  // type 9
      {0xa86fae62fc9c4763, 0x95ae80be64b01833, 0x53dc376a1bc15a03, 0xba16d3b67888fb3,
       0xa86fae62fc9c4763, 0xa86fae62fc9c4763},  // type 10
  };
  for (int32_t type = 1; type <= 10; ++type)
    for (size_t look = 0; look < std::size(looks); ++look) {
      make(16, 10, type);
      looks[look].second(*button);
      uint64_t hash = 1469598103934665603ull;
      for (Color px : surface->pixels()) {
        for (int shift = 0; shift < 24; shift += 8) {
          hash ^= (px >> shift) & 0xFF;
          hash *= 1099511628211ull;
        }
      }
      EXPECT_EQ(hash, expected[type - 1][look])
          << "type " << type << " " << looks[look].first << ": 0x" << std::hex << hash;
    }
}

// Captions, alignments and faces by the hash of their pixels; the Windows build checks the same
// table under Wine, so both builds draw these pictures alike.
TEST(ButtonCaptions, CaptionedPicturesKeepTheirPixels) {
  for (const auto& p : test::kCaptionedPictures) {
    uint64_t hash = test::draw_captioned(p);
    EXPECT_EQ(hash, p.hash) << "type " << p.type << " " << p.look << " alignment " << p.alignment
                            << " font '" << p.font << "': 0x" << std::hex << hash;
  }
}

TEST_F(ButtonLook, HotLooksChangeWithTheMouse) {
  // Type 8: the edge appears while the mouse is over the button and goes when it leaves.
  make(10, 8, 8);
  int edge_pixels = 2 * 10 + 2 * 8 - 4;
  EXPECT_EQ(count(0xFFFFFF) + count(0x808080), 0);
  button->on_mouse_move(0, 0, 3, 3);
  EXPECT_EQ(count(0xFFFFFF) + count(0x808080), edge_pixels);
  button->on_mouse_move(0, 0, 30, 3);
  EXPECT_EQ(count(0xFFFFFF) + count(0x808080), 0);

  // Type 10: face + 15 away, face + 35 with a shadow outline under the mouse.
  make(10, 8, 10);
  EXPECT_EQ(count(0xCFCFCF), 80);
  button->on_mouse_move(0, 0, 3, 3);
  EXPECT_EQ(count(0xE3E3E3), 8 * 6);  // inside the outline
  EXPECT_EQ(count(0x808080), edge_pixels);
  button->on_mouse_move(0, 0, 3, -1);
  EXPECT_EQ(count(0xCFCFCF), 80);
}

TEST_F(ButtonLook, GradientDarkensTwentyFiveLevelsWhateverTheHeight) {
  for (int height : {8, 13, 32, 50, 199}) {
    make(40, height, 3);
    // Scheme 3's face 0xC0C0C0 + 48 (blue in proportion) starts at 0xF0F0F0.
    for (int y = 3; y < height - 3; ++y) {
      int r = static_cast<int>(round_half_even(y * 25.0 / height));
      Color c = surface->at(20, y);
      EXPECT_EQ(platform::red_of(c), 240 - r) << height << " row " << y;
      EXPECT_EQ(platform::green_of(c), 240 - r);
      EXPECT_EQ(platform::blue_of(c), 240 + 240 * -r / 192);
    }
    // The last row the loop reaches, the height itself, is 25 levels down.
    EXPECT_EQ(static_cast<int>(round_half_even(height * 25.0 / height)), 25);
    // The border and its inner corners.
    EXPECT_EQ(surface->at(0, 0), 0x733C00u);
    EXPECT_EQ(surface->at(1, height - 2), 0x7B4D10u);
  }
}

TEST_F(ButtonLook, TypeThreeBevelFollowsMouseFocusAndDefault) {
  make(40, 20, 3);
  Color plain = surface->at(10, 2);
  EXPECT_NE(plain, 0xF7D7BDu);
  button->on_focus(true);
  EXPECT_EQ(surface->at(10, 2), 0xF7D7BDu);  // the line under the top, focus colours
  EXPECT_EQ(surface->at(2, 10), 0xF0D1B5u);
  button->on_mouse_move(0, 0, 5, 5);
  EXPECT_EQ(surface->at(10, 2), 0x8CDBFFu);  // under the mouse
  EXPECT_EQ(surface->at(2, 10), 0x6BCBFFu);
  button->on_mouse_move(0, 0, 50, 5);
  button->set_ShowFocusRect(false);
  EXPECT_EQ(surface->at(10, 2), plain);
  button->on_focus(false);
  button->ambient().display_as_default = true;
  button->set_ShowFocusRect(true);
  EXPECT_EQ(surface->at(10, 2), 0xF7D7BDu);
}

TEST_F(ButtonLook, FocusRectangleGoesAroundTheInnerRectangleWhenShown) {
  make(30, 16, 1);
  int before = count(0x3F3F3F);
  button->on_focus(true);
  // 0xC0C0C0 inverted is 0x3F3F3F: the inner rectangle (4, 4, 26, 12)'s path, every other pixel.
  EXPECT_EQ(count(0x3F3F3F) - before, (2 * 22 + 2 * 8 - 4) / 2);
  EXPECT_EQ(surface->at(25, 4), 0x3F3F3Fu);  // the path starts at the top right corner
  button->set_ShowFocusRect(false);
  EXPECT_EQ(count(0x3F3F3F), before);
}

TEST_F(ButtonLook, TypeFiveOutlinesTheCaptionWhenFocused) {
  make(80, 24, 5, u"Ok");
  EXPECT_EQ(count(0xCC9999), 0);
  button->on_focus(true);
  platform::TextExtent e = surface->text_extent(u"Ok");
  int w = static_cast<int>(round_half_even(e.width + 6));
  int h = static_cast<int>(round_half_even(e.height + 2));
  int left = static_cast<int>(round_half_even(80 - e.width)) / 2 - 3;
  int top = static_cast<int>(round_half_even(24 - e.height)) / 2 - 1;
  EXPECT_EQ(surface->at(left, top), 0xCC9999u);
  EXPECT_EQ(surface->at(left + w - 1, top + h - 1), 0xCC9999u);
  EXPECT_EQ(count(0xCC9999), 2 * w + 2 * h - 4);
}

TEST_F(ButtonLook, DisabledShowsNeitherHotColoursNorFocus) {
  for (int32_t type = 1; type <= 10; ++type) {
    make(60, 20, type, u"Cobrar");
    button->set_ColorScheme(2);
    button->set_BackColor(0x808080);
    button->set_ForeColor(0x0000FF);
    button->set_ForeOver(0x00FF00);
    button->set_Enabled(false);
    std::vector<Color> plain = surface->pixels();
    // Neither the focus nor the mouse changes a disabled button.
    button->on_focus(true);
    button->ambient().display_as_default = true;
    button->on_mouse_move(0, 0, 5, 5);
    EXPECT_EQ(surface->pixels(), plain) << type;
    EXPECT_EQ(count(0x0000FF), 0) << type;  // neither text colour
    EXPECT_EQ(count(0x00FF00), 0) << type;
  }
}

TEST_F(ButtonLook, DisabledTypeFiveShowsItsCaptionOnceInShadow) {
  make(60, 20, 5, u"Ok");
  button->set_Enabled(false);
  // Every caption pixel lies between face and shadow: no highlight copy one pixel away.
  int inked = 0;
  for (int y = 1; y < 19; ++y)
    for (int x = 1; x < 59; ++x) {
      Color c = surface->at(x, y);
      if (c == 0xC0C0C0) continue;
      ++inked;
      EXPECT_LE(platform::red_of(c), 0xC0) << x << "," << y;
    }
  EXPECT_GT(inked, 0);
  EXPECT_EQ(count(0xFFFFFF), 0);
}

TEST_F(ButtonLook, OtherStatesDrawOnlyTheBackground) {
  make(10, 8, 1, u"Ok");
  button->draw_button(1, true);
  EXPECT_EQ(count(0xC0C0C0), 80);
}

}  // namespace
}  // namespace halvora::controls
