#include "platform/raster_surface.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <unordered_map>
#include <utility>

#define STB_TRUETYPE_IMPLEMENTATION
#define STBTT_STATIC
#include <stb_truetype.h>
#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STB_IMAGE_WRITE_STATIC
#include <stb_image_write.h>

namespace halvora::platform {

int font_pixel_height(double points) {
  return static_cast<int>(std::lround(points * 96.0 / 72.0));
}

bool Region::contains(int x, int y) const {
  auto inside = [&](const Rect& r) {
    return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
  };
  if (!inside(bounds)) return false;
  return std::none_of(cuts.begin(), cuts.end(), inside);
}

namespace {

std::string& font_directory_override() {
  static std::string directory;
  return directory;
}

// The font file for a face's weight and slant; DejaVu Sans stands in for every face name.
std::string font_file(const FontTraits& font) {
  const char* file = font.bold
                         ? (font.italic ? "DejaVuSans-BoldOblique.ttf" : "DejaVuSans-Bold.ttf")
                         : (font.italic ? "DejaVuSans-Oblique.ttf" : "DejaVuSans.ttf");
  return font_directory() + "/" + file;
}

// Floor division, for pixel positions that may lie left of or above the origin.
int floor_div(long long a, long long b) {
  long long q = a / b;
  if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
  return static_cast<int>(q);
}

// The display text of a caption and which of its characters are underlined: "&x" underlines x,
// "&&" is one "&", a last lone "&" is dropped.
struct PrefixedText {
  std::u16string text;
  std::vector<bool> underline;
};

PrefixedText strip_prefixes(std::u16string_view text, bool no_prefix) {
  PrefixedText out;
  for (size_t i = 0; i < text.size(); ++i) {
    char16_t c = text[i];
    bool underlined = false;
    if (!no_prefix && c == u'&') {
      if (i + 1 >= text.size()) break;
      c = text[++i];
      underlined = c != u'&';
    }
    out.text.push_back(c);
    out.underline.push_back(underlined);
  }
  return out;
}

}  // namespace

std::string font_directory() {
  if (!font_directory_override().empty()) return font_directory_override();
  if (const char* dir = std::getenv("HALVORA_FONT_DIR"); dir && *dir) return dir;
  return "/usr/share/fonts/truetype/dejavu";
}

void set_font_directory(std::string directory) {
  font_directory_override() = std::move(directory);
}

namespace detail {

// One font file at one pixel size, with the glyphs drawn so far. Advances are whole pixels, as
// the platform's text functions give them, so that measuring and drawing agree.
class FontFace {
 public:
  struct Glyph {
    int advance = 0;
    int x0 = 0, y0 = 0, w = 0, h = 0;  // bitmap box relative to the pen on the baseline
    std::vector<uint8_t> coverage;
  };

  static std::shared_ptr<FontFace> get(const FontTraits& traits) {
    static std::map<std::pair<std::string, int>, std::shared_ptr<FontFace>> faces;
    int px = std::max(1, font_pixel_height(traits.size));
    auto key = std::make_pair(font_file(traits), px);
    auto& face = faces[key];
    if (!face) face = std::make_shared<FontFace>(key.first, px);
    return face;
  }

  FontFace(const std::string& path, int pixel_height) {
    static std::map<std::string, std::vector<unsigned char>> files;
    auto& data = files[path];
    if (data.empty()) {
      std::ifstream in(path, std::ios::binary);
      data.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    if (!data.empty() &&
        stbtt_InitFont(&info_, data.data(), stbtt_GetFontOffsetForIndex(data.data(), 0))) {
      loaded_ = true;
      scale_ = stbtt_ScaleForMappingEmToPixels(&info_, static_cast<float>(pixel_height));
      int ascent = 0, descent = 0, gap = 0;
      stbtt_GetFontVMetrics(&info_, &ascent, &descent, &gap);
      ascent_ = static_cast<int>(std::lround(ascent * scale_));
      descent_ = static_cast<int>(std::lround(-descent * scale_));
    } else {
      // No font file: text takes its place in the layout and draws nothing.
      ascent_ = pixel_height;
      descent_ = pixel_height / 4;
    }
  }

  int ascent() const { return ascent_; }
  int line_height() const { return ascent_ + descent_; }

  const Glyph& glyph(char32_t code) {
    auto found = glyphs_.find(code);
    if (found != glyphs_.end()) return found->second;
    Glyph g;
    if (loaded_) {
      int advance = 0, bearing = 0;
      int index = stbtt_FindGlyphIndex(&info_, static_cast<int>(code));
      stbtt_GetGlyphHMetrics(&info_, index, &advance, &bearing);
      g.advance = static_cast<int>(std::lround(advance * scale_));
      unsigned char* bitmap =
          stbtt_GetGlyphBitmap(&info_, 0, scale_, index, &g.w, &g.h, &g.x0, &g.y0);
      if (bitmap) {
        g.coverage.assign(bitmap, bitmap + static_cast<size_t>(g.w) * g.h);
        stbtt_FreeBitmap(bitmap, nullptr);
      }
    }
    return glyphs_.emplace(code, std::move(g)).first->second;
  }

  int width(std::u16string_view text) {
    int w = 0;
    for (size_t i = 0; i < text.size(); ++i) w += glyph(next_code(text, i)).advance;
    return w;
  }

  // The code point at i, stepping i over a surrogate pair.
  static char32_t next_code(std::u16string_view text, size_t& i) {
    char32_t c = text[i];
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] < 0xE000) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    }
    return c;
  }

 private:
  stbtt_fontinfo info_{};
  bool loaded_ = false;
  float scale_ = 1;
  int ascent_ = 0;
  int descent_ = 0;
  std::unordered_map<char32_t, Glyph> glyphs_;
};

}  // namespace detail

namespace {

struct TextLine {
  std::u16string text;
  std::vector<bool> underline;
  int width = 0;
};

// Splits text into the lines the format asks for: at line feeds unless single line, and with
// word break between words wherever the next word would pass the width. A word wider than the
// width keeps a line of its own; spaces where a line breaks are dropped.
std::vector<TextLine> lay_out(detail::FontFace& face, const PrefixedText& text, int width,
                              uint32_t format) {
  namespace tf = text_format;
  std::vector<TextLine> lines(1);
  auto push = [&](size_t i) {
    lines.back().text.push_back(text.text[i]);
    lines.back().underline.push_back(text.underline[i]);
  };
  bool single = (format & tf::kSingleLine) != 0;
  bool wrap = !single && (format & tf::kWordBreak) != 0;
  for (size_t i = 0; i < text.text.size(); ++i) {
    char16_t c = text.text[i];
    if (c == u'\r') continue;
    if (c == u'\n') {
      if (!single) lines.emplace_back();
      continue;
    }
    push(i);
  }
  if (wrap) {
    std::vector<TextLine> wrapped;
    for (auto& line : lines) {
      TextLine current;
      size_t i = 0;
      const auto& s = line.text;
      while (i < s.size()) {
        size_t word_end = i;
        while (word_end < s.size() && s[word_end] != u' ') ++word_end;
        size_t next = word_end;
        while (next < s.size() && s[next] == u' ') ++next;
        std::u16string_view word(s.data() + i, word_end - i);
        int joined = face.width(current.text) + face.width(word);
        if (!current.text.empty() && joined > width) {
          // Break before the word: the spaces that ended the line go with the break.
          while (!current.text.empty() && current.text.back() == u' ') {
            current.text.pop_back();
            current.underline.pop_back();
          }
          wrapped.push_back(std::move(current));
          current = TextLine{};
        }
        current.text.append(s, i, next - i);
        current.underline.insert(current.underline.end(), line.underline.begin() + i,
                                 line.underline.begin() + next);
        i = next;
      }
      wrapped.push_back(std::move(current));
    }
    lines = std::move(wrapped);
  }
  for (auto& line : lines) line.width = face.width(line.text);
  return lines;
}

}  // namespace

RasterSurface::RasterSurface(int width, int height, Color background)
    : width_(std::max(0, width)),
      height_(std::max(0, height)),
      pixels_(static_cast<size_t>(width_) * height_, background),
      face_(detail::FontFace::get(font_)) {}

RasterSurface::~RasterSurface() = default;

void RasterSurface::resize(int width, int height) {
  width = std::max(0, width);
  height = std::max(0, height);
  std::vector<Color> next(static_cast<size_t>(width) * height, 0xFFFFFF);
  for (int y = 0; y < std::min(height, height_); ++y)
    for (int x = 0; x < std::min(width, width_); ++x)
      next[static_cast<size_t>(y) * width + x] = at(x, y);
  pixels_ = std::move(next);
  width_ = width;
  height_ = height;
}

void RasterSurface::clear(Color background) {
  std::fill(pixels_.begin(), pixels_.end(), background);
}

namespace {

// The rectangle GDI draws for the corners given: swapped into order, and nothing for a single
// pixel (checked under Wine, for fills and outlines alike).
bool drawable(const Rect& r, Rect& out) {
  out = {std::min(r.left, r.right), std::min(r.top, r.bottom), std::max(r.left, r.right),
         std::max(r.top, r.bottom)};
  return out.width() > 0 && out.height() > 0 && !(out.width() == 1 && out.height() == 1);
}

}  // namespace

void RasterSurface::fill(const Rect& r, Color c) {
  Rect n;
  if (!drawable(r, n)) return;
  int left = std::max(0, n.left), right = std::min(width_, n.right);
  int top = std::max(0, n.top), bottom = std::min(height_, n.bottom);
  if (left >= right) return;
  for (int y = top; y < bottom; ++y) {
    auto row = pixels_.begin() + static_cast<ptrdiff_t>(y) * width_;
    std::fill(row + left, row + right, c);
  }
}

void RasterSurface::outline(const Rect& r, Color c) {
  Rect n;
  if (!drawable(r, n)) return;
  fill({n.left, n.top, n.right, n.top + 1}, c);
  fill({n.left, n.bottom - 1, n.right, n.bottom}, c);
  fill({n.left, n.top, n.left + 1, n.bottom}, c);
  fill({n.right - 1, n.top, n.right, n.bottom}, c);
}

void RasterSurface::line(int x1, int y1, int x2, int y2, Color c) {
  int dx = x2 - x1, dy = y2 - y1;
  int steps = std::max(std::abs(dx), std::abs(dy));
  bool x_major = std::abs(dx) >= std::abs(dy);
  for (int k = 0; k < steps; ++k) {
    // The minor coordinate is the exact one rounded to the nearest, the smaller on a tie:
    // ceil(q - 1/2) for q = minor_delta * k / steps.
    long long num = static_cast<long long>(x_major ? dy : dx) * k;
    int minor = floor_div(2 * num + steps - 1, 2LL * steps);
    int major = (x_major ? dx : dy) > 0 ? k : -k;
    if (x_major)
      put(x1 + major, y1 + minor, c);
    else
      put(x1 + minor, y1 + major, c);
  }
}

void RasterSurface::pixel(int x, int y, Color c) {
  put(x, y, c);
}

void RasterSurface::set_font(const FontTraits& font) {
  font_ = font;
  face_ = detail::FontFace::get(font_);
}

void RasterSurface::blend(int x, int y, Color c, int coverage, const Rect& clip) {
  if (coverage <= 0 || x < clip.left || x >= clip.right || y < clip.top || y >= clip.bottom) return;
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
  Color& dst = pixels_[static_cast<size_t>(y) * width_ + x];
  if (coverage >= 255) {
    dst = c;
    return;
  }
  auto mix = [&](int a, int b) { return a + ((b - a) * coverage + (b > a ? 127 : -127)) / 255; };
  dst = rgb(mix(red_of(dst), red_of(c)), mix(green_of(dst), green_of(c)),
            mix(blue_of(dst), blue_of(c)));
}

void RasterSurface::draw_line_of_text(std::u16string_view line, const std::vector<bool>& underline,
                                      int x, int y, const Rect& clip) {
  int baseline = y + face_->ascent();
  for (size_t i = 0; i < line.size(); ++i) {
    size_t first = i;
    const auto& g = face_->glyph(detail::FontFace::next_code(line, i));
    for (int gy = 0; gy < g.h; ++gy)
      for (int gx = 0; gx < g.w; ++gx)
        blend(x + g.x0 + gx, baseline + g.y0 + gy, text_color_,
              g.coverage[static_cast<size_t>(gy) * g.w + gx], clip);
    bool underlined = font_.underline || underline[first];
    for (int ux = 0; underlined && ux < g.advance; ++ux)
      blend(x + ux, baseline + 1, text_color_, 255, clip);
    for (int sx = 0; font_.strikethrough && sx < g.advance; ++sx)
      blend(x + sx, baseline - face_->ascent() / 3, text_color_, 255, clip);
    x += g.advance;
  }
}

Rect RasterSurface::draw_text(std::u16string_view text, const Rect& r, uint32_t format) {
  namespace tf = text_format;
  PrefixedText shown = strip_prefixes(text, (format & tf::kNoPrefix) != 0);
  auto lines = lay_out(*face_, shown, r.width(), format);
  int line_height = face_->line_height();
  if (format & tf::kCalculateRect) {
    int widest = 0;
    for (const auto& l : lines) widest = std::max(widest, l.width);
    return {r.left, r.top, r.left + widest, r.top + line_height * static_cast<int>(lines.size())};
  }
  int y = r.top;
  if (format & tf::kSingleLine) {
    if (format & tf::kVerticalCenter)
      y = r.top + (r.height() - line_height) / 2;
    else if (format & tf::kBottom)
      y = r.bottom - line_height;
  }
  for (const auto& l : lines) {
    // The edit control's rule: a last line that would show only in part is left out.
    if ((format & tf::kEditControl) && y + line_height > r.bottom && y > r.top) break;
    int x = r.left;
    if (format & tf::kCenter)
      x = (r.left + r.right - l.width) / 2;
    else if (format & tf::kRight)
      x = r.right - l.width;
    draw_line_of_text(l.text, l.underline, x, y, r);
    y += line_height;
  }
  return r;
}

TextExtent RasterSurface::text_extent(std::u16string_view text) {
  return {static_cast<double>(face_->width(text)), static_cast<double>(face_->line_height())};
}

void RasterSurface::focus_rect(const Rect& given) {
  Rect r;
  if (!drawable(given, r)) return;
  // The platform's dotted rectangle is one closed path from the top right corner, anticlockwise,
  // each side leaving out its last pixel, inverting every other pixel from the first. Where sides
  // overlap (a rectangle one pixel wide or high) pixels are inverted twice, as there.
  int right = r.right - 1, bottom = r.bottom - 1;
  const int corners[5][2] = {
      {right, r.top}, {r.left, r.top}, {r.left, bottom}, {right, bottom}, {right, r.top}};
  int index = 0;
  for (int side = 0; side < 4; ++side) {
    int x = corners[side][0], y = corners[side][1];
    int to_x = corners[side + 1][0], to_y = corners[side + 1][1];
    int step_x = (to_x > x) - (to_x < x), step_y = (to_y > y) - (to_y < y);
    while (x != to_x || y != to_y) {
      if (index++ % 2 == 0 && x >= 0 && y >= 0 && x < width_ && y < height_) {
        Color& dst = pixels_[static_cast<size_t>(y) * width_ + x];
        dst ^= 0xFFFFFF;
      }
      x += step_x;
      y += step_y;
    }
  }
}

void RasterSurface::paste(const RasterSurface& source, int x, int y, const Region* region) {
  for (int sy = 0; sy < source.height(); ++sy)
    for (int sx = 0; sx < source.width(); ++sx)
      if (!region || region->contains(sx, sy)) put(x + sx, y + sy, source.at(sx, sy));
}

bool RasterSurface::write_png(const std::string& path) const {
  std::vector<unsigned char> rgb_bytes;
  rgb_bytes.reserve(pixels_.size() * 3);
  for (Color c : pixels_) {
    rgb_bytes.push_back(static_cast<unsigned char>(red_of(c)));
    rgb_bytes.push_back(static_cast<unsigned char>(green_of(c)));
    rgb_bytes.push_back(static_cast<unsigned char>(blue_of(c)));
  }
  return width_ > 0 && height_ > 0 &&
         stbi_write_png(path.c_str(), width_, height_, 3, rgb_bytes.data(), width_ * 3) != 0;
}

}  // namespace halvora::platform
