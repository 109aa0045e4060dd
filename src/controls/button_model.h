// The button control's arithmetic, apart from any window: its colour palette and the colour
// shift the palette and the gradients use, the caption's access key, the text flags of each
// alignment, the caption's layout and the window shape of each button type.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/surface.h"

namespace halvora::controls {

using platform::Color;
using platform::Rect;

// Adds delta to red and green, and to blue either delta or, proportionally, blue * delta / 192
// (truncated); each channel clamped to 0..255.
Color shift(Color color, int delta, bool proportional = false);

// The seven colours a button draws with, in this order.
struct Palette {
  Color face = 0;
  Color light = 0;
  Color highlight = 0;
  Color shadow = 0;
  Color dark_shadow = 0;
  Color text = 0;
  Color hot_text = 0;
  friend bool operator==(const Palette&, const Palette&) = default;
};

// What a palette is made from besides the scheme: the control's own colours, the container's
// drawing colours and the system's.
struct PaletteSources {
  Color back_color = 0;
  Color fore_color = 0;
  Color fore_over = 0;
  Color container_back = 0;  // the container's device context: background
  Color container_text = 0;  // and text colour
  Color system_face = 0;
  Color system_shadow = 0;
  Color system_light = 0;
  Color system_dark_shadow = 0;
  Color system_highlight = 0;
  Color system_text = 0;
};

// Scheme 3 is fixed, 2 follows the control's colours, 4 the container's, any other the system's.
Palette make_palette(int32_t scheme, const PaletteSources& sources);

// The access key of a caption, lower case, and where its character stands in the caption; empty
// and -1 when there is none.
struct AccessKey {
  std::u16string keys;
  int index = -1;
  friend bool operator==(const AccessKey&, const AccessKey&) = default;
};
AccessKey access_key(std::u16string_view caption);

// The text format bits of an alignment, from the table in button_model.cpp.
uint32_t text_flags(int32_t alignment);

// Where the caption goes, measured once per size, caption and font.
struct TextLayout {
  Rect text;
  Rect pressed;  // the text moved by (1, 1)
  Rect inset;
};
// The rectangle first offered to the measuring call: (1, 0, width - 2, height - 2).
Rect measuring_rect(int width, int height);
// Centres the measured rectangle with integer division and derives the other two.
TextLayout centre_text(const Rect& measured, int width, int height);

// The window shape of a button type: the control's rectangle less its cut corner pixels.
platform::Region window_shape(int32_t button_type, int width, int height);

}  // namespace halvora::controls
