// halvora-gallery: draws every button type in every look on the raster surface and writes two
// labelled sheets, for a person to judge.
//   buttons.png  the ten types in rows; normal, hot, pressed, focused, default and disabled
//   schemes.png  the four colour schemes in rows, normal and hot; the ten types across
// usage: halvora-gallery OUTPUT_DIR
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "controls/buttons.h"
#include "platform/control_window.h"
#include "platform/raster_surface.h"

namespace {

using halvora::controls::Buttons;
using halvora::platform::Color;
using halvora::platform::OffscreenWindow;
using halvora::platform::RasterSurface;
namespace tf = halvora::platform::text_format;

constexpr int kButtonWidth = 120;
constexpr int kButtonHeight = 32;
constexpr int kCellWidth = kButtonWidth + 16;
constexpr int kCellHeight = kButtonHeight + 14;
constexpr int kLabelWidth = 130;
constexpr int kHeaderHeight = 30;
constexpr Color kSheet = 0xF0F0F0;  // a form in the system colours

using Setup = std::function<void(Buttons&, int row, int column)>;

std::u16string utf16(const std::string& ascii) {
  return {ascii.begin(), ascii.end()};
}

void label(RasterSurface& sheet, const std::u16string& text, halvora::platform::Rect r,
           uint32_t format) {
  sheet.draw_text(text, r, format | tf::kSingleLine | tf::kVerticalCenter | tf::kNoPrefix);
}

// A grid of buttons, each made by `setup` and pasted with its window shape, so that cut corners
// show the sheet behind them.
RasterSurface sheet_of(const std::vector<std::u16string>& columns,
                       const std::vector<std::u16string>& rows, const Setup& setup) {
  int width = kLabelWidth + static_cast<int>(columns.size()) * kCellWidth + 8;
  int height = kHeaderHeight + static_cast<int>(rows.size()) * kCellHeight + 8;
  RasterSurface sheet(width, height, kSheet);
  sheet.set_font({u"MS Sans Serif", 9, true});
  sheet.set_text_color(0x333333);
  for (size_t c = 0; c < columns.size(); ++c) {
    int x = kLabelWidth + static_cast<int>(c) * kCellWidth;
    label(sheet, columns[c], {x, 4, x + kButtonWidth, kHeaderHeight}, tf::kCenter);
  }
  for (size_t r = 0; r < rows.size(); ++r) {
    int y = kHeaderHeight + static_cast<int>(r) * kCellHeight;
    label(sheet, rows[r], {8, y, kLabelWidth - 8, y + kButtonHeight}, 0);
    for (size_t c = 0; c < columns.size(); ++c) {
      int x = kLabelWidth + static_cast<int>(c) * kCellWidth;
      OffscreenWindow window(std::make_unique<RasterSurface>(kButtonWidth, kButtonHeight),
                             kButtonWidth, kButtonHeight);
      Buttons button(window);
      button.on_resize();
      button.set_caption(u"&Aceptar");
      setup(button, static_cast<int>(r), static_cast<int>(c));
      sheet.paste(static_cast<RasterSurface&>(window.surface()), x, y, &window.region());
    }
  }
  return sheet;
}

void hover(Buttons& b) {
  b.on_mouse_move(0, 0, 10, 10);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: halvora-gallery OUTPUT_DIR\n");
    return 2;
  }
  std::filesystem::path out = argv[1];
  std::filesystem::create_directories(out);

  std::vector<std::u16string> types;
  for (int t = 1; t <= 10; ++t) types.push_back(utf16("Type " + std::to_string(t)));

  // Every look of every type, in the system colours.
  const std::vector<std::function<void(Buttons&)>> looks = {
      [](Buttons&) {},
      hover,
      [](Buttons& b) {
        hover(b);
        b.on_mouse_down(1, 0, 10, 10);
      },
      [](Buttons& b) { b.on_focus(true); },
      [](Buttons& b) {
        b.ambient().display_as_default = true;
        b.Refresh();
      },
      [](Buttons& b) { b.set_Enabled(false); },
  };
  RasterSurface buttons =
      sheet_of({u"normal", u"hot", u"pressed", u"focused", u"default", u"disabled"}, types,
               [&](Buttons& b, int row, int column) {
                 b.set_ButtonType(row + 1);
                 looks[column](b);
               });

  // The four schemes: 2 with a green face, white text and yellow under the mouse; 4 with the
  // container's dark blue and light text.
  RasterSurface schemes =
      sheet_of(types,
               {u"1 system", u"1 system, hot", u"2 own colours", u"2 own, hot", u"3 fixed",
                u"3 fixed, hot", u"4 container", u"4 container, hot"},
               [](Buttons& b, int row, int column) {
                 b.ambient().container_back = 0x5A3A1E;
                 b.ambient().container_text = 0xF0F0F0;
                 b.set_BackColor(0x2E7D32);
                 b.set_ForeColor(0xFFFFFF);
                 b.set_ForeOver(0x00FFFF);
                 b.set_ColorScheme(row / 2 + 1);
                 b.set_ButtonType(column + 1);
                 if (row % 2 == 1) hover(b);
               });

  bool ok = buttons.write_png((out / "buttons.png").string()) &&
            schemes.write_png((out / "schemes.png").string());
  if (!ok) {
    std::fprintf(stderr, "halvora-gallery: cannot write into %s\n", out.string().c_str());
    return 1;
  }
  std::printf("%s\n%s\n", (out / "buttons.png").string().c_str(),
              (out / "schemes.png").string().c_str());
  return 0;
}
