// A drawing surface: what an owner-drawn control draws through. The raster surface
// (raster_surface.h) draws into a pixel buffer on every build; the Windows build also draws with
// GDI into a window or a bitmap (win32/gdi_surface.h). Both follow the platform's pixel rules, so
// one control draws the same pixels on either.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace halvora::platform {

// A colour as the platform writes it: 0x00BBGGRR.
using Color = uint32_t;

constexpr Color rgb(int red, int green, int blue) {
  return static_cast<Color>(red) | (static_cast<Color>(green) << 8) |
         (static_cast<Color>(blue) << 16);
}
constexpr int red_of(Color c) {
  return static_cast<int>(c & 0xFF);
}
constexpr int green_of(Color c) {
  return static_cast<int>((c >> 8) & 0xFF);
}
constexpr int blue_of(Color c) {
  return static_cast<int>((c >> 16) & 0xFF);
}

// Left and top inside, right and bottom outside, as the platform's rectangles are.
struct Rect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  int width() const { return right - left; }
  int height() const { return bottom - top; }
  Rect offset(int dx, int dy) const { return {left + dx, top + dy, right + dx, bottom + dy}; }
  friend bool operator==(const Rect&, const Rect&) = default;
};

// Text-drawing format bits, the platform's own values, so that a control's flag table passes
// straight through to GDI.
namespace text_format {
inline constexpr uint32_t kCenter = 0x1;
inline constexpr uint32_t kRight = 0x2;
inline constexpr uint32_t kVerticalCenter = 0x4;  // single line only
inline constexpr uint32_t kBottom = 0x8;          // single line only
inline constexpr uint32_t kWordBreak = 0x10;
inline constexpr uint32_t kSingleLine = 0x20;
inline constexpr uint32_t kCalculateRect = 0x400;  // measure into the rectangle, draw nothing
inline constexpr uint32_t kNoPrefix = 0x800;       // "&" is a plain character
inline constexpr uint32_t kEditControl = 0x2000;   // no partly visible last line
inline constexpr uint32_t kRightToLeft = 0x20000;  // reading order only; no effect on layout here
}  // namespace text_format

// A font as the standard font object describes it. Size is in points; surfaces map it to pixels
// at 96 dots per inch, as the platform does at its default scale.
struct FontTraits {
  std::u16string name = u"MS Sans Serif";
  double size = 8.25;
  bool bold = false;
  bool italic = false;
  bool underline = false;
  bool strikethrough = false;
  friend bool operator==(const FontTraits&, const FontTraits&) = default;
};

// The pixel height of a font's em square: points at 96 dpi, rounded as the platform's MulDiv is.
int font_pixel_height(double points);

struct TextExtent {
  double width = 0;
  double height = 0;
};

// A window shape: a rectangle less some pixel blocks.
struct Region {
  Rect bounds;
  std::vector<Rect> cuts;
  bool contains(int x, int y) const;
  friend bool operator==(const Region&, const Region&) = default;
};

class Surface {
 public:
  virtual ~Surface() = default;

  virtual int width() const = 0;
  virtual int height() const = 0;
  // A new size; what was drawn is kept where it still fits.
  virtual void resize(int width, int height) = 0;

  // Fills the whole surface with its background colour.
  virtual void clear(Color background) = 0;
  // Fills [left, right) x [top, bottom). As the platform's Rectangle does, corners given in
  // reverse are swapped, and a rectangle of a single pixel draws nothing.
  virtual void fill(const Rect& r, Color c) = 0;
  // A one-pixel outline inside the rectangle, by the same rules.
  virtual void outline(const Rect& r, Color c) = 0;
  // From (x1, y1) to (x2, y2), leaving out the last pixel; on a tie the smaller minor coordinate.
  virtual void line(int x1, int y1, int x2, int y2, Color c) = 0;
  virtual void pixel(int x, int y, Color c) = 0;

  virtual void set_font(const FontTraits& font) = 0;
  virtual void set_text_color(Color c) = 0;
  // Draws text into the rectangle with the format bits; with kCalculateRect draws nothing and
  // returns the rectangle shrunk or grown to the text. Returns the rectangle used otherwise.
  // Unless kNoPrefix is set, "&x" underlines x and "&&" is one "&".
  virtual Rect draw_text(std::u16string_view text, const Rect& r, uint32_t format) = 0;
  // The width and the height of the text on one line in the current font, as the text appears
  // (no prefix processing); an empty text is one line high and no width.
  virtual TextExtent text_extent(std::u16string_view text) = 0;
  // The platform's dotted focus rectangle: every other pixel of the outline inverted.
  virtual void focus_rect(const Rect& r) = 0;
};

}  // namespace halvora::platform
