// The raster surface against the platform's pixel rules. The line and focus-rectangle pictures
// below were drawn by GDI into a DIB section under Wine and copied here.
#include <gtest/gtest.h>

#include <string>

#include "platform/raster_surface.h"

namespace halvora::platform {
namespace {

// '#' where the colour is not the background.
std::string picture(const RasterSurface& s, Color background = 0) {
  std::string out;
  for (int y = 0; y < s.height(); ++y) {
    for (int x = 0; x < s.width(); ++x) out += s.at(x, y) == background ? '.' : '#';
    out += '\n';
  }
  return out;
}

TEST(RasterSurface, LinesLeaveOutTheirLastPixelAndTakeTheSmallerCoordinateOnTies) {
  struct Case {
    std::vector<std::array<int, 4>> lines;
    std::string expected;
  } cases[] = {
      {{{0, 0, 9, 4}, {11, 9, 2, 6}},
       "##..........\n"
       "..##........\n"
       "....##......\n"
       "......##....\n"
       "........#...\n"
       "............\n"
       "...#........\n"
       "....###.....\n"
       ".......###..\n"
       "..........##\n"},
      // Every half-way point, in all four directions and along y.
      {{{0, 0, 4, 2}, {11, 0, 7, 2}, {0, 9, 4, 7}, {11, 9, 7, 7}, {5, 3, 7, 7}},
       "##........##\n"
       "..##....##..\n"
       "............\n"
       ".....#......\n"
       ".....#......\n"
       "......#.....\n"
       "......#.....\n"
       "...#....#...\n"
       ".##......##.\n"
       "#..........#\n"},
      // Axis lines, a point line (nothing) and lines leaving the surface.
      {{{1, 1, 5, 1}, {6, 4, 6, 1}, {3, 3, 3, 3}, {-5, 5, 3, 5}, {11, 8, 11, 20}},
       "............\n"
       ".####.......\n"
       "......#.....\n"
       "......#.....\n"
       "......#.....\n"
       "###.........\n"
       "............\n"
       "............\n"
       "...........#\n"
       "...........#\n"},
  };
  for (const auto& c : cases) {
    RasterSurface s(12, 10, 0);
    for (auto [x1, y1, x2, y2] : c.lines) s.line(x1, y1, x2, y2, 0xFFFFFF);
    EXPECT_EQ(picture(s), c.expected);
  }
}

TEST(RasterSurface, FocusRectangleInvertsEveryOtherPixelOfItsPath) {
  struct Case {
    Rect r;
    std::string expected;
  } cases[] = {
      {{2, 1, 11, 9},
       "............\n"
       "..#.#.#.#.#.\n"
       "............\n"
       "..#.......#.\n"
       "............\n"
       "..#.......#.\n"
       "............\n"
       "..#.......#.\n"
       "...#.#.#.#..\n"
       "............\n"},
      {{0, 0, 12, 10},
       ".#.#.#.#.#.#\n"
       "#...........\n"
       "...........#\n"
       "#...........\n"
       "...........#\n"
       "#...........\n"
       "...........#\n"
       "#...........\n"
       "...........#\n"
       "#.#.#.#.#.#.\n"},
      // One pixel wide or high: the sides overlap and cancel but for the path's turns.
      {{3, 3, 4, 8},
       "............\n"
       "............\n"
       "............\n"
       "...#........\n"
       "............\n"
       "............\n"
       "............\n"
       "...#........\n"
       "............\n"
       "............\n"},
      {{2, 2, 7, 3},
       "............\n"
       "............\n"
       "..#...#.....\n"
       "............\n"
       "............\n"
       "............\n"
       "............\n"
       "............\n"
       "............\n"
       "............\n"},
      {{3, 3, 3, 8}, ""},  // empty: nothing
  };
  for (const auto& c : cases) {
    RasterSurface s(12, 10, 0xC0C0C0);
    s.focus_rect(c.r);
    std::string expected = c.expected.empty() ? picture(RasterSurface(12, 10, 0)) : c.expected;
    EXPECT_EQ(picture(s, 0xC0C0C0), expected);
    // Inverted, whatever the text colour: 0xC0C0C0 becomes 0x3F3F3F.
    for (Color px : s.pixels()) EXPECT_TRUE(px == 0xC0C0C0 || px == 0x3F3F3F);
  }
}

TEST(RasterSurface, RectanglesFillHalfOpenAndOutlineInside) {
  RasterSurface s(8, 6, 0);
  s.fill({1, 1, 4, 3}, 0x0000FF);
  s.outline({4, 1, 8, 6}, 0x00FF00);
  s.outline({0, 5, 0, 6}, 0xFF0000);  // empty: nothing
  s.fill({-3, -3, 1, 1}, 0xFFFFFF);   // clipped to the surface
  s.fill({9, 0, 12, 6}, 0xFFFFFF);    // wholly outside: nothing
  s.fill({-5, 0, -1, 6}, 0xFFFFFF);
  s.outline({-20, -20, -10, 30}, 0xFFFFFF);
  EXPECT_EQ(picture(s),
            "#.......\n"
            ".#######\n"
            ".####..#\n"
            "....#..#\n"
            "....#..#\n"
            "....####\n");
  EXPECT_EQ(s.at(3, 2), 0x0000FFu);
  EXPECT_EQ(s.at(7, 5), 0x00FF00u);
}

TEST(RasterSurface, DegenerateRectanglesDrawAsThePlatformDraws) {
  // Drawn by GDI's Rectangle under Wine: a single pixel draws nothing, one pixel wide draws a
  // line, corners in reverse are swapped; fills and outlines alike.
  struct Case {
    Rect r;
    std::string expected;
  } cases[] = {
      {{1, 1, 2, 2}, ".....\n.....\n.....\n.....\n"},
      {{1, 1, 2, 4}, ".....\n.#...\n.#...\n.#...\n"},
      {{1, 1, 5, 2}, ".....\n.####\n.....\n.....\n"},
      {{4, 4, 2, 2}, ".....\n.....\n..##.\n..##.\n"},
      {{1, 1, 1, 4}, ".....\n.....\n.....\n.....\n"},
  };
  for (const auto& c : cases)
    for (bool outline : {false, true}) {
      RasterSurface s(5, 4, 0);
      outline ? s.outline(c.r, 0xFFFFFF) : s.fill(c.r, 0xFFFFFF);
      EXPECT_EQ(picture(s), c.expected) << c.r.left << "," << c.r.top << " " << outline;
    }
}

TEST(RasterSurface, TextMeasuresWrapsAndAligns) {
  namespace tf = text_format;
  RasterSurface s(200, 100, 0xFFFFFF);
  s.set_font(FontTraits{u"MS Sans Serif", 9.75});
  TextExtent one = s.text_extent(u"tres");
  ASSERT_GT(one.width, 0) << "no font in " << font_directory();
  int line = static_cast<int>(one.height);
  EXPECT_EQ(s.text_extent(u"").width, 0);
  EXPECT_EQ(s.text_extent(u"").height, line);

  // An empty text measures one line high and no width.
  EXPECT_EQ(s.draw_text(u"", {5, 7, 50, 60}, tf::kCalculateRect | tf::kWordBreak),
            (Rect{5, 7, 5, 7 + line}));
  // Prefixes: "&&" is one "&", "&x" shows x; measured as shown.
  EXPECT_EQ(s.draw_text(u"A&&B", {0, 0, 100, 50}, tf::kCalculateRect).right,
            static_cast<int>(s.text_extent(u"A&B").width));
  EXPECT_EQ(s.draw_text(u"&Salir", {0, 0, 100, 50}, tf::kCalculateRect).right,
            static_cast<int>(s.text_extent(u"Salir").width));
  EXPECT_EQ(s.draw_text(u"A&B", {0, 0, 100, 50}, tf::kCalculateRect | tf::kNoPrefix).right,
            static_cast<int>(s.text_extent(u"A&B").width));

  // Word break: three words that fit one a line; the width is the widest line's.
  int widest = static_cast<int>(
      std::max({s.text_extent(u"uno").width, s.text_extent(u"dos").width, one.width}));
  Rect narrow{10, 0, 10 + widest + 2, 50};
  EXPECT_EQ(s.draw_text(u"uno dos tres", narrow, tf::kCalculateRect | tf::kWordBreak),
            (Rect{10, 0, 10 + widest, 3 * line}));
  // Without word break, or on a single line, the text stays on one line past the width.
  Rect one_line = s.draw_text(u"uno dos tres", narrow, tf::kCalculateRect);
  EXPECT_EQ(one_line.height(), line);
  EXPECT_GT(one_line.width(), widest);
  // Line feeds break lines unless single line.
  EXPECT_EQ(s.draw_text(u"a\r\nb", narrow, tf::kCalculateRect).height(), 2 * line);
  EXPECT_EQ(s.draw_text(u"a\r\nb", narrow, tf::kCalculateRect | tf::kSingleLine).height(), line);
}

// The columns and rows where text was drawn.
Rect inked(const RasterSurface& s, Color background) {
  Rect r{s.width(), s.height(), 0, 0};
  for (int y = 0; y < s.height(); ++y)
    for (int x = 0; x < s.width(); ++x)
      if (s.at(x, y) != background) {
        r.left = std::min(r.left, x), r.top = std::min(r.top, y);
        r.right = std::max(r.right, x + 1), r.bottom = std::max(r.bottom, y + 1);
      }
  return r;
}

TEST(RasterSurface, TextLandsWhereTheFormatPutsItAndStaysInItsRectangle) {
  namespace tf = text_format;
  struct Case {
    uint32_t format;
    bool right_half, bottom_half;
  } cases[] = {
      {0, false, false},
      {tf::kRight, true, false},
      {tf::kSingleLine | tf::kBottom | tf::kRight, true, true},
      {tf::kBottom, false, false},  // bottom and vertical centre need a single line
      {tf::kSingleLine | tf::kVerticalCenter | tf::kCenter, false, false},
  };
  for (const auto& c : cases) {
    RasterSurface s(120, 60, 0xFFFFFF);
    s.set_text_color(0x000000);
    Rect box{10, 10, 110, 50};
    s.draw_text(u"Ok", box, c.format);
    Rect ink = inked(s, 0xFFFFFF);
    ASSERT_LT(ink.left, ink.right) << c.format;
    EXPECT_GE(ink.left, box.left);
    EXPECT_LE(ink.right, box.right);
    EXPECT_GE(ink.top, box.top);
    EXPECT_LE(ink.bottom, box.bottom);
    EXPECT_EQ(ink.left >= 60, c.right_half) << c.format;
    EXPECT_EQ(ink.top >= 30, c.bottom_half) << c.format;
  }
  // Centred on both axes: the ink's middle is within a few pixels of the box's.
  RasterSurface s(120, 60, 0xFFFFFF);
  s.draw_text(u"Ok", {10, 10, 110, 50}, tf::kSingleLine | tf::kVerticalCenter | tf::kCenter);
  Rect ink = inked(s, 0xFFFFFF);
  EXPECT_NEAR((ink.left + ink.right) / 2.0, 60, 3);
  EXPECT_NEAR((ink.top + ink.bottom) / 2.0, 30, 4);
  // Clipped to the rectangle.
  RasterSurface clipped(120, 60, 0xFFFFFF);
  clipped.draw_text(u"Ok", {10, 10, 14, 50}, 0);
  EXPECT_LE(inked(clipped, 0xFFFFFF).right, 14);
}

}  // namespace
}  // namespace halvora::platform
