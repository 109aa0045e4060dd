#include "platform/win32/gdi_surface.h"

#include <algorithm>
#include <cstring>

namespace halvora::platform::win32 {

namespace {

COLORREF colorref(Color c) {
  return static_cast<COLORREF>(c & 0xFFFFFF);
}

}  // namespace

GdiSurface::GdiSurface(int width, int height) {
  dc_ = CreateCompatibleDC(nullptr);
  SetBkMode(dc_, TRANSPARENT);
  make_bitmap(width, height);
  set_font(FontTraits{});
}

GdiSurface::~GdiSurface() {
  SelectObject(dc_, old_font_);
  SelectObject(dc_, old_bitmap_);
  if (font_) DeleteObject(font_);
  if (bitmap_) DeleteObject(bitmap_);
  DeleteDC(dc_);
}

void GdiSurface::make_bitmap(int width, int height) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = std::max(1, width);
  info.bmiHeader.biHeight = -std::max(1, height);  // top-down, as the raster surface
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ previous = SelectObject(dc_, bitmap);
  if (!old_bitmap_) old_bitmap_ = previous;
  // What was drawn is kept where it still fits.
  if (bitmap_) {
    for (int y = 0; y < std::min(height, height_); ++y)
      std::memcpy(static_cast<uint32_t*>(bits) + static_cast<size_t>(y) * std::max(1, width),
                  bits_ + static_cast<size_t>(y) * std::max(1, width_),
                  sizeof(uint32_t) * std::min(width, width_));
    DeleteObject(bitmap_);
  }
  bitmap_ = bitmap;
  bits_ = static_cast<const uint32_t*>(bits);
  width_ = std::max(0, width);
  height_ = std::max(0, height);
}

void GdiSurface::resize(int width, int height) {
  if (width != width_ || height != height_) make_bitmap(width, height);
}

Color GdiSurface::at(int x, int y) const {
  GdiFlush();
  uint32_t bgra = bits_[static_cast<size_t>(y) * std::max(1, width_) + x];
  // The DIB holds blue in the low byte; colours are red in the low byte.
  return rgb((bgra >> 16) & 0xFF, (bgra >> 8) & 0xFF, bgra & 0xFF);
}

void GdiSurface::rectangle(const Rect& r, Color c, bool outline_only) {
  HPEN pen = CreatePen(PS_SOLID, 1, colorref(c));
  HBRUSH brush = outline_only ? nullptr : CreateSolidBrush(colorref(c));
  HGDIOBJ old_pen = SelectObject(dc_, pen);
  HGDIOBJ old_brush =
      SelectObject(dc_, brush ? static_cast<HGDIOBJ>(brush) : GetStockObject(NULL_BRUSH));
  Rectangle(dc_, r.left, r.top, r.right, r.bottom);
  SelectObject(dc_, old_brush);
  SelectObject(dc_, old_pen);
  if (brush) DeleteObject(brush);
  DeleteObject(pen);
  drawn();
}

void GdiSurface::clear(Color background) {
  rectangle({0, 0, width_, height_}, background, false);
}

void GdiSurface::fill(const Rect& r, Color c) {
  rectangle(r, c, false);
}

void GdiSurface::outline(const Rect& r, Color c) {
  rectangle(r, c, true);
}

void GdiSurface::line(int x1, int y1, int x2, int y2, Color c) {
  HPEN pen = CreatePen(PS_SOLID, 1, colorref(c));
  HGDIOBJ old_pen = SelectObject(dc_, pen);
  MoveToEx(dc_, x1, y1, nullptr);
  LineTo(dc_, x2, y2);
  SelectObject(dc_, old_pen);
  DeleteObject(pen);
  drawn();
}

void GdiSurface::pixel(int x, int y, Color c) {
  SetPixelV(dc_, x, y, colorref(c));
  drawn();
}

void GdiSurface::set_font(const FontTraits& font) {
  LOGFONTW lf{};
  lf.lfHeight = -font_pixel_height(font.size);
  lf.lfWeight = font.bold ? FW_BOLD : FW_NORMAL;
  lf.lfItalic = font.italic;
  lf.lfUnderline = font.underline;
  lf.lfStrikeOut = font.strikethrough;
  lf.lfCharSet = DEFAULT_CHARSET;
  size_t n = std::min<size_t>(font.name.size(), LF_FACESIZE - 1);
  std::memcpy(lf.lfFaceName, font.name.data(), n * sizeof(wchar_t));
  HFONT next = CreateFontIndirectW(&lf);
  HGDIOBJ previous = SelectObject(dc_, next);
  if (!old_font_) old_font_ = previous;
  if (font_) DeleteObject(font_);
  font_ = next;
}

void GdiSurface::set_text_color(Color c) {
  SetTextColor(dc_, colorref(c));
}

Rect GdiSurface::draw_text(std::u16string_view text, const Rect& r, uint32_t format) {
  RECT rc{r.left, r.top, r.right, r.bottom};
  DrawTextW(dc_, reinterpret_cast<const wchar_t*>(text.data()), static_cast<int>(text.size()), &rc,
            format);
  if (!(format & text_format::kCalculateRect)) drawn();
  return {rc.left, rc.top, rc.right, rc.bottom};
}

TextExtent GdiSurface::text_extent(std::u16string_view text) {
  SIZE size{};
  GetTextExtentPoint32W(dc_, reinterpret_cast<const wchar_t*>(text.data()),
                        static_cast<int>(text.size()), &size);
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc_, &metrics);
  return {static_cast<double>(size.cx), static_cast<double>(metrics.tmHeight)};
}

void GdiSurface::focus_rect(const Rect& r) {
  RECT rc{r.left, r.top, r.right, r.bottom};
  DrawFocusRect(dc_, &rc);
  drawn();
}

}  // namespace halvora::platform::win32
