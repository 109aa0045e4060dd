// The portable surface: an RGB pixel buffer drawn by the platform's rules, so that what a control
// draws here is what GDI draws on Windows, pixel for pixel outside the text. Text comes from the
// DejaVu font files through stb_truetype (the same code on both builds); pictures are written as
// PNG through stb_image_write.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/surface.h"

namespace halvora::platform {

namespace detail {
class FontFace;
}

// Where the raster surface finds its font files: HALVORA_FONT_DIR when set, else this folder
// (the Debian package fonts-dejavu-core). The Windows comparison program points it at the same
// files through Wine's drive of the host's root.
std::string font_directory();
void set_font_directory(std::string directory);

class RasterSurface : public Surface {
 public:
  RasterSurface(int width, int height, Color background = 0xFFFFFF);
  ~RasterSurface() override;

  int width() const override { return width_; }
  int height() const override { return height_; }
  void resize(int width, int height) override;

  void clear(Color background) override;
  void fill(const Rect& r, Color c) override;
  void outline(const Rect& r, Color c) override;
  void line(int x1, int y1, int x2, int y2, Color c) override;
  void pixel(int x, int y, Color c) override;
  void set_font(const FontTraits& font) override;
  void set_text_color(Color c) override { text_color_ = c; }
  Rect draw_text(std::u16string_view text, const Rect& r, uint32_t format) override;
  TextExtent text_extent(std::u16string_view text) override;
  void focus_rect(const Rect& r) override;

  Color at(int x, int y) const { return pixels_[static_cast<size_t>(y) * width_ + x]; }
  const std::vector<Color>& pixels() const { return pixels_; }
  // Copies another surface in at (x, y); with a region, only the pixels inside it, so that a
  // shaped control shows what lies behind its cut corners.
  void paste(const RasterSurface& source, int x, int y, const Region* region = nullptr);
  // Writes the surface as an 8-bit RGB PNG; false when the file cannot be written.
  bool write_png(const std::string& path) const;

 private:
  void put(int x, int y, Color c) {
    if (x >= 0 && y >= 0 && x < width_ && y < height_)
      pixels_[static_cast<size_t>(y) * width_ + x] = c;
  }
  void blend(int x, int y, Color c, int coverage, const Rect& clip);
  void draw_line_of_text(std::u16string_view line, const std::vector<bool>& underline, int x, int y,
                         const Rect& clip);

  int width_;
  int height_;
  std::vector<Color> pixels_;
  Color text_color_ = 0;
  FontTraits font_;
  std::shared_ptr<detail::FontFace> face_;
};

}  // namespace halvora::platform
