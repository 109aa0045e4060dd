// The GDI surface: a 32-bit DIB section selected into a memory device context, drawn with GDI's
// own calls (Rectangle, MoveToEx/LineTo, SetPixelV, DrawTextW, DrawFocusRect). A control's window
// keeps one as its picture and shows it on paint; the Wine comparison reads its bits.
#pragma once

#include <windows.h>

#include "platform/surface.h"

namespace halvora::platform::win32 {

class GdiSurface : public Surface {
 public:
  GdiSurface(int width, int height);
  ~GdiSurface() override;
  GdiSurface(const GdiSurface&) = delete;
  GdiSurface& operator=(const GdiSurface&) = delete;

  int width() const override { return width_; }
  int height() const override { return height_; }
  void resize(int width, int height) override;
  void clear(Color background) override;
  void fill(const Rect& r, Color c) override;
  void outline(const Rect& r, Color c) override;
  void line(int x1, int y1, int x2, int y2, Color c) override;
  void pixel(int x, int y, Color c) override;
  void set_font(const FontTraits& font) override;
  void set_text_color(Color c) override;
  Rect draw_text(std::u16string_view text, const Rect& r, uint32_t format) override;
  TextExtent text_extent(std::u16string_view text) override;
  void focus_rect(const Rect& r) override;

  HDC dc() const { return dc_; }
  // The pixel at (x, y) as 0x00BBGGRR.
  Color at(int x, int y) const;

 protected:
  // After every drawing call: a window shows the change.
  virtual void drawn() {}

 private:
  void make_bitmap(int width, int height);
  // A one-pixel pen and, unless outline, a solid brush of the colour, selected for one call.
  void rectangle(const Rect& r, Color c, bool outline_only);

  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ old_bitmap_ = nullptr;
  HFONT font_ = nullptr;
  HGDIOBJ old_font_ = nullptr;
  const uint32_t* bits_ = nullptr;
  int width_ = 0;
  int height_ = 0;
};

}  // namespace halvora::platform::win32
