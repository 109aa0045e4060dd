// Captioned buttons that the raster surface must draw alike on both builds. The same font files,
// the same stb_truetype code and the same integer layout are meant to give the same pixels
// natively and in the Windows build; the native suite (controls_draw_test.cpp) and the Wine run
// (tests/wine/button_compare.cpp) check these same hashes, so a compiler or runtime that rounds
// glyph coverage or metrics differently fails on its own build. A changed hash is a changed
// picture: look at it in the gallery before the table is updated.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "controls/buttons.h"
#include "platform/raster_surface.h"

namespace halvora::test {

struct CaptionedPicture {
  int32_t type;
  const char* look;  // "normal", "pressed" or "disabled"
  int32_t alignment;
  int width;
  int height;
  const char16_t* caption;
  const char* font;  // "" the default, or "bold", "italic underline"
  uint64_t hash;
};

// FNV-1a over the red, green and blue bytes of every pixel, row by row.
inline uint64_t pixel_hash(const std::vector<platform::Color>& pixels) {
  uint64_t hash = 1469598103934665603ull;
  for (platform::Color px : pixels)
    for (int shift = 0; shift < 24; shift += 8) {
      hash ^= (px >> shift) & 0xFF;
      hash *= 1099511628211ull;
    }
  return hash;
}

// Draws the picture in scheme 3 (fixed colours, whatever the machine's) and returns its hash.
inline uint64_t draw_captioned(const CaptionedPicture& p) {
  std::string font = p.font;
  platform::OffscreenWindow window(std::make_unique<platform::RasterSurface>(p.width, p.height),
                                   p.width, p.height);
  controls::Buttons button(window);
  button.on_resize();
  button.set_ColorScheme(3);
  button.set_ButtonType(p.type);
  button.set_AlignmentType(p.alignment);
  button.set_FontBold(font.find("bold") != std::string::npos);
  button.set_FontItalic(font.find("italic") != std::string::npos);
  button.set_FontUnderline(font.find("underline") != std::string::npos);
  button.set_caption(p.caption);
  std::string look = p.look;
  if (look == "pressed") button.on_mouse_down(1, 0, 3, 3);
  if (look == "disabled") button.set_Enabled(false);
  return pixel_hash(static_cast<platform::RasterSurface&>(window.surface()).pixels());
}

// Every type in its normal, pressed and disabled (embossed) looks; a caption that the measuring
// breaks into two lines, in the alignments whose flags draw it differently (without word break,
// 2 keeps it on one line, clipped to the measured rectangle; 4 to 8 draw it as 2 does, since
// bottom and vertical centre move single lines within a rectangle already the text's height);
// bold, italic and underlined faces.
inline constexpr CaptionedPicture kCaptionedPictures[] = {
    {1, "normal", 0, 120, 32, u"&Aceptar", "", 0xe3f07d9fe49c65c4},
    {1, "pressed", 0, 120, 32, u"&Aceptar", "", 0x8fd8fb675796884e},
    {1, "disabled", 0, 120, 32, u"&Aceptar", "", 0xdcbab0a41698bce6},
    {2, "normal", 0, 120, 32, u"&Aceptar", "", 0xf23fd1bd541e1708},
    {2, "pressed", 0, 120, 32, u"&Aceptar", "", 0xc5657197bb8f9daa},
    {2, "disabled", 0, 120, 32, u"&Aceptar", "", 0xef0536e552c332ea},
    {3, "normal", 0, 120, 32, u"&Aceptar", "", 0xf6d1a17728b2882b},
    {3, "pressed", 0, 120, 32, u"&Aceptar", "", 0xd14f95f653177c6c},
    {3, "disabled", 0, 120, 32, u"&Aceptar", "", 0xcd730b420d239360},
    {4, "normal", 0, 120, 32, u"&Aceptar", "", 0x63c9b05063806b74},
    {4, "pressed", 0, 120, 32, u"&Aceptar", "", 0x9538db12afde1fc8},
    {4, "disabled", 0, 120, 32, u"&Aceptar", "", 0x5d5a4a4abc28e9d5},
    {5, "normal", 0, 120, 32, u"&Aceptar", "", 0xc3296ca1774aaf6},
    {5, "pressed", 0, 120, 32, u"&Aceptar", "", 0xbb1734a157041750},
    {5, "disabled", 0, 120, 32, u"&Aceptar", "", 0x38e929189a4fc375},
    {6, "normal", 0, 120, 32, u"&Aceptar", "", 0x73b171c1633c6e98},
    {6, "pressed", 0, 120, 32, u"&Aceptar", "", 0xd0df21184233b226},
    {6, "disabled", 0, 120, 32, u"&Aceptar", "", 0xd6e14d05bb3c5439},
    {7, "normal", 0, 120, 32, u"&Aceptar", "", 0x9cd11dedbe2938bb},
    {7, "pressed", 0, 120, 32, u"&Aceptar", "", 0xcc079e2b48e4f731},
    {7, "disabled", 0, 120, 32, u"&Aceptar", "", 0xb439bd088a4e3b5d},
    {8, "normal", 0, 120, 32, u"&Aceptar", "", 0xd8455404a0903780},
    {8, "pressed", 0, 120, 32, u"&Aceptar", "", 0xcc079e2b48e4f731},
    {8, "disabled", 0, 120, 32, u"&Aceptar", "", 0xb439bd088a4e3b5d},
    {9, "normal", 0, 120, 32, u"&Aceptar", "", 0x9cd11dedbe2938bb},
    {9, "pressed", 0, 120, 32, u"&Aceptar", "", 0xa694dae21052a12a},
    {9, "disabled", 0, 120, 32, u"&Aceptar", "", 0xb439bd088a4e3b5d},
    {10, "normal", 0, 120, 32, u"&Aceptar", "", 0x72fef1169d2e2901},
    {10, "pressed", 0, 120, 32, u"&Aceptar", "", 0xcfdd10e89ab3c2aa},
    {10, "disabled", 0, 120, 32, u"&Aceptar", "", 0x9a5e2069b721ba6},
    {2, "normal", 0, 70, 44, u"Cobrar &la cuenta", "", 0xa2d135c4087d4c7e},
    {2, "normal", 1, 70, 44, u"Cobrar &la cuenta", "", 0x8d31c2e13cbfc23e},
    {2, "normal", 2, 70, 44, u"Cobrar &la cuenta", "", 0x63c34def1bc4a998},
    {2, "normal", 3, 70, 44, u"Cobrar &la cuenta", "", 0xcfaa09fcf128fd3a},
    {2, "normal", 0, 120, 32, u"&Aceptar", "bold", 0x22237fe3acd9fe12},
    {2, "normal", 0, 120, 32, u"&Aceptar", "italic underline", 0x1b38b89ac7f98262},
    {2, "normal", 0, 120, 32, u"Se\u00F1&al && a\u00F1o", "bold italic", 0xa50160d77b285ba},
};

}  // namespace halvora::test
