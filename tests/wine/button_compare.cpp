// button_compare.exe: the button control on Windows against the raster surface, under Wine.
//   1. primitives: lines (ties included), rectangles and focus rectangles drawn by GDI into a DIB
//      section and by the raster surface, compared pixel for pixel;
//   2. every type in every look (normal, hot, pressed, focused, default, disabled and their
//      combinations, with the focus rectangle shown and not), in two schemes and three sizes,
//      drawn by the same control on both surfaces: without a caption every pixel must match;
//      with one, every pixel outside the caption's box (the measured text rectangles of both
//      sides, a few pixels wider for type 5's outline), since the fonts differ, and each side's
//      caption must stay inside its own measured rectangle;
//   3. the real child window: its shape per type, a space press and release giving one Click,
//      a left press drawing the pressed look, the access key through BM_CLICK, arrows moving the
//      focus through the dialog manager;
//   4. persistence through an IPropertyBag: twelve keys written and read in order, the font as
//      the platform's font object;
//   5. the raster surface of this build against the native one: captioned pictures by the hashes
//      the native suite checks (tests/support/button_pictures.h).
// Prints a line per failure and ends with "N failure(s)"; exit code 0 when there are none.
// usage: button_compare.exe FONT_DIR
#include <ocidl.h>
#include <olectl.h>
#include <windows.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "controls/buttons.h"
#include "platform/control_window.h"
#include "platform/raster_surface.h"
#include "platform/win32/gdi_surface.h"
#include "property_bag_com.h"
#include "support/button_pictures.h"

namespace {

using halvora::Variant;
using halvora::controls::ButtonEvent;
using halvora::controls::Buttons;
using halvora::platform::Color;
using halvora::platform::OffscreenWindow;
using halvora::platform::RasterSurface;
using halvora::platform::Rect;
using halvora::platform::Surface;
using halvora::platform::SystemColor;
using halvora::platform::win32::GdiSurface;

int failures = 0;
int checks = 0;

void check(bool ok, const std::string& what) {
  ++checks;
  if (!ok) {
    ++failures;
    std::printf("FAIL %s\n", what.c_str());
  }
}

Color machine_color(SystemColor which) {
  return static_cast<Color>(GetSysColor(static_cast<int>(which)));
}

template <class S>
Color pixel_of(const S& s, int x, int y) {
  return s.at(x, y);
}

bool inside(const Rect& r, int x, int y) {
  return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}

Rect grown(const Rect& r, int by) {
  return {r.left - by, r.top - by, r.right + by, r.bottom + by};
}

// Pixels that differ outside the excluded rectangles; the first few are printed.
int differences(const GdiSurface& gdi, const RasterSurface& raster, const std::vector<Rect>& skip,
                const std::string& scene) {
  int n = 0;
  for (int y = 0; y < raster.height(); ++y)
    for (int x = 0; x < raster.width(); ++x) {
      bool skipped = false;
      for (const Rect& r : skip) skipped = skipped || inside(r, x, y);
      if (skipped || gdi.at(x, y) == raster.at(x, y)) continue;
      if (n++ < 3)
        std::printf("  %s: (%d, %d) gdi %06lx raster %06lx\n", scene.c_str(), x, y,
                    static_cast<unsigned long>(gdi.at(x, y)),
                    static_cast<unsigned long>(raster.at(x, y)));
    }
  return n;
}

// ---- 1. Primitives ---------------------------------------------------------------------------

void primitives() {
  GdiSurface gdi(40, 30);
  RasterSurface raster(40, 30);
  for (Surface* s : {static_cast<Surface*>(&gdi), static_cast<Surface*>(&raster)}) {
    s->clear(0xC0C0C0);
    // Lines in every octant, half-way points among them, and off the surface.
    const int lines[][4] = {{0, 0, 9, 4},    {11, 9, 2, 6},    {0, 0, 4, 2},     {11, 0, 7, 2},
                            {0, 9, 4, 7},    {11, 9, 7, 7},    {5, 3, 7, 7},     {20, 20, 13, 27},
                            {30, 2, 38, 12}, {39, 29, 30, 25}, {-5, 15, 45, 16}, {25, -3, 27, 40},
                            {15, 15, 15, 15}};
    Color color = 0x102030;
    for (const auto& l : lines) s->line(l[0], l[1], l[2], l[3], color += 0x0A0B0C);
    s->fill({2, 12, 9, 18}, 0x0000FF);
    s->outline({10, 12, 17, 20}, 0x00FF00);
    s->outline({18, 12, 19, 13}, 0xFF0000);
    s->fill({35, 25, 60, 40}, 0x00FFFF);
    s->fill({20, 5, 18, 2}, 0xFF00FF);     // corners in reverse
    s->outline({22, 2, 23, 3}, 0xFF00FF);  // a single pixel
    s->fill({24, 2, 25, 6}, 0xFF00FF);     // one pixel wide
    s->outline({26, 2, 30, 3}, 0xFF00FF);  // one pixel high
    s->focus_rect({39, 24, 34, 19});
    s->pixel(39, 0, 0xFFFFFF);
    s->pixel(-1, 0, 0xFFFFFF);
    for (Rect r : {Rect{2, 21, 12, 29}, Rect{13, 21, 14, 28}, Rect{15, 22, 22, 23},
                   Rect{23, 21, 30, 29}, Rect{31, 21, 31, 25}})
      s->focus_rect(r);
  }
  check(differences(gdi, raster, {}, "primitives") == 0, "primitives differ");
}

// ---- 2. Every look on both surfaces ---------------------------------------------------------

struct Scene {
  OffscreenWindow window;
  Buttons button;
  explicit Scene(std::unique_ptr<Surface> surface, int w, int h)
      : window(std::move(surface), w, h), button(window) {
    window.set_color_source(machine_color);
    button.set_ColorScheme(button.ColorScheme());  // the palette again, in the machine's colours
    button.on_resize();
  }
};

using Look = void (*)(Buttons&);
const struct {
  const char* name;
  Look apply;
} kLooks[] = {
    {"normal", [](Buttons&) {}},
    {"hot", [](Buttons& b) { b.on_mouse_move(0, 0, 3, 3); }},
    {"pressed", [](Buttons& b) { b.on_mouse_down(1, 0, 3, 3); }},
    {"pressed hot",
     [](Buttons& b) {
       b.on_mouse_move(0, 0, 3, 3);
       b.on_mouse_down(1, 0, 3, 3);
     }},
    {"focused", [](Buttons& b) { b.on_focus(true); }},
    {"default",
     [](Buttons& b) {
       b.ambient().display_as_default = true;
       b.Refresh();
     }},
    {"default hot",
     [](Buttons& b) {
       b.ambient().display_as_default = true;
       b.on_mouse_move(0, 0, 3, 3);
     }},
    {"focused hot",
     [](Buttons& b) {
       b.on_focus(true);
       b.on_mouse_move(0, 0, 3, 3);
     }},
    {"focused pressed",
     [](Buttons& b) {
       b.on_focus(true);
       b.on_mouse_down(1, 0, 3, 3);
     }},
    {"default focused",
     [](Buttons& b) {
       b.ambient().display_as_default = true;
       b.on_focus(true);
     }},
    {"no focus rectangle, focused pressed",
     [](Buttons& b) {
       b.set_ShowFocusRect(false);
       b.on_focus(true);
       b.on_mouse_down(1, 0, 3, 3);
     }},
    {"no focus rectangle, default focused hot",
     [](Buttons& b) {
       b.set_ShowFocusRect(false);
       b.ambient().display_as_default = true;
       b.on_focus(true);
       b.on_mouse_move(0, 0, 3, 3);
     }},
    {"disabled", [](Buttons& b) { b.set_Enabled(false); }},
    {"disabled focused hot",
     [](Buttons& b) {
       b.set_Enabled(false);
       b.on_focus(true);
       b.on_mouse_move(0, 0, 3, 3);
     }},
};

// Where a scene's caption may draw: its measured rectangles.
std::vector<Rect> caption_boxes(const Buttons& b) {
  return {b.layout().text, b.layout().pressed};
}

void looks() {
  const int sizes[][2] = {{120, 32}, {41, 17}, {10, 8}};
  for (int32_t scheme : {1, 3}) {
    for (const auto& size : sizes) {
      for (int32_t type = 1; type <= 10; ++type) {
        for (const auto& look : kLooks) {
          for (bool captioned : {false, true}) {
            int w = size[0], h = size[1];
            Scene gdi(std::make_unique<GdiSurface>(w, h), w, h);
            Scene raster(std::make_unique<RasterSurface>(w, h), w, h);
            std::string name = "scheme " + std::to_string(scheme) + " " + std::to_string(w) + "x" +
                               std::to_string(h) + " type " + std::to_string(type) + " " +
                               look.name + (captioned ? " captioned" : "");
            std::vector<Rect> skip;
            for (Scene* s : {&gdi, &raster}) {
              s->button.set_ColorScheme(scheme);
              s->button.set_ButtonType(type);
              s->button.set_caption(captioned ? u"&Aceptar" : u"");
              look.apply(s->button);
              if (captioned)
                for (Rect r : caption_boxes(s->button)) skip.push_back(grown(r, 4));
            }
            auto& g = static_cast<GdiSurface&>(gdi.window.surface());
            auto& r = static_cast<RasterSurface&>(raster.window.surface());
            // Without a caption type 5's focus outline still measures a line of text: leave
            // its rows to the captioned comparison.
            if (!captioned && type == 5)
              for (Scene* s : {&gdi, &raster}) skip.push_back(grown(s->button.layout().text, 4));
            int n = differences(g, r, skip, name);
            check(n == 0, name + ": " + std::to_string(n) + " pixels differ");
          }
        }
      }
    }
  }
}

// Each side's caption stays inside its measured rectangle: drawn with and without the caption,
// the two pictures differ only there.
void captions_in_their_boxes() {
  for (int32_t type : {1, 2, 4, 6, 7, 9, 10}) {
    for (int side = 0; side < 2; ++side) {
      auto make = [&](const std::u16string& caption, std::vector<Color>& out, Rect& box) {
        std::unique_ptr<Surface> surface;
        if (side == 0)
          surface = std::make_unique<GdiSurface>(120, 32);
        else
          surface = std::make_unique<RasterSurface>(120, 32);
        Scene s(std::move(surface), 120, 32);
        s.button.set_ButtonType(type);
        s.button.set_caption(caption);
        box = s.button.layout().text;
        for (int y = 0; y < 32; ++y)
          for (int x = 0; x < 120; ++x)
            out.push_back(side == 0 ? static_cast<GdiSurface&>(s.window.surface()).at(x, y)
                                    : static_cast<RasterSurface&>(s.window.surface()).at(x, y));
      };
      std::vector<Color> with, without;
      Rect box, unused;
      make(u"&Aceptar", with, box);
      make(u"", without, unused);
      int outside = 0, inked = 0;
      for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 120; ++x)
          if (with[y * 120 + x] != without[y * 120 + x]) (inside(box, x, y) ? inked : outside)++;
      std::string name =
          std::string(side == 0 ? "gdi" : "raster") + " type " + std::to_string(type);
      check(inked > 0 && outside == 0, name + " caption: " + std::to_string(inked) +
                                           " pixels inside, " + std::to_string(outside) +
                                           " outside its box");
    }
  }
}

// ---- 3. The child window ----------------------------------------------------------------------

struct Log : halvora::controls::ButtonEvents {
  std::vector<ButtonEvent> events;
  void raise(ButtonEvent e, std::span<Variant>) override { events.push_back(e); }
  int count(ButtonEvent e) const {
    int n = 0;
    for (ButtonEvent x : events) n += x == e;
    return n;
  }
};

void child_window() {
  HWND form = CreateWindowExW(0, L"STATIC", L"form", WS_OVERLAPPEDWINDOW, 0, 0, 400, 200, nullptr,
                              nullptr, nullptr, nullptr);
  ShowWindow(form, SW_SHOW);
  // Shapes as the platform holds them.
  for (int32_t type = 1; type <= 10; ++type) {
    auto window = halvora::platform::create_control_window(reinterpret_cast<intptr_t>(form),
                                                           {10, 10, 70, 30});
    Buttons b(*window);
    b.on_resize();
    b.set_ButtonType(type);
    HRGN rgn = CreateRectRgn(0, 0, 0, 0);
    bool has = GetWindowRgn(reinterpret_cast<HWND>(window->handle()), rgn) != ERROR;
    auto shape = halvora::controls::window_shape(type, 60, 20);
    int wrong = 0;
    for (int y = 0; y < 20; ++y)
      for (int x = 0; x < 60; ++x) wrong += (PtInRegion(rgn, x, y) != 0) != shape.contains(x, y);
    DeleteObject(rgn);
    check(has && wrong == 0, "type " + std::to_string(type) +
                                 " window region: " + std::to_string(wrong) + " pixels differ");
  }

  auto window =
      halvora::platform::create_control_window(reinterpret_cast<intptr_t>(form), {10, 10, 130, 42});
  auto next =
      halvora::platform::create_control_window(reinterpret_cast<intptr_t>(form), {10, 50, 130, 82});
  Log log;
  Buttons b(*window, &log);
  b.on_resize();
  b.set_caption(u"&Cobrar");
  HWND hwnd = reinterpret_cast<HWND>(window->handle());

  SendMessageW(hwnd, WM_KEYDOWN, VK_SPACE, 0);
  check(b.current_state() == Buttons::kPressed, "space draws the pressed look");
  SendMessageW(hwnd, WM_KEYUP, VK_SPACE, 0);
  check(log.count(ButtonEvent::Click) == 1 && b.current_state() == Buttons::kNormal,
        "space press and release: one Click, " + std::to_string(log.count(ButtonEvent::Click)));

  SendMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  check(GetCapture() == hwnd && b.current_state() == Buttons::kPressed,
        "a left press holds the mouse and draws pressed");
  // The window's picture is what the raster surface draws for the same state.
  GdiSurface& picture = static_cast<GdiSurface&>(window->surface());
  Scene raster(std::make_unique<RasterSurface>(120, 32), 120, 32);
  raster.button.set_caption(u"&Cobrar");
  raster.button.on_focus(true);  // the press took the focus
  raster.button.on_mouse_down(1, 0, 5, 5);
  std::vector<Rect> skip;
  for (Rect r : caption_boxes(b)) skip.push_back(grown(r, 2));
  for (Rect r : caption_boxes(raster.button)) skip.push_back(grown(r, 2));
  check(differences(picture, static_cast<RasterSurface&>(raster.window.surface()), skip,
                    "window pressed") == 0,
        "the window's pressed picture");
  SendMessageW(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  check(GetCapture() != hwnd && log.count(ButtonEvent::Click) == 2,
        "a left click releases the mouse and clicks");
  SendMessageW(hwnd, BM_CLICK, 0, 0);
  check(log.count(ButtonEvent::Click) == 3, "BM_CLICK (the access key) clicks");
  SendMessageW(hwnd, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(5, 5));
  SendMessageW(hwnd, WM_RBUTTONUP, 0, MAKELPARAM(5, 5));
  check(log.count(ButtonEvent::Click) == 3 && log.count(ButtonEvent::MouseDown) == 3 &&
            log.count(ButtonEvent::MouseUp) == 3,
        "a right click raises its mouse events and no Click");
  // The last button was the right one: the access key runs the click handling, which does not
  // click until the left button was used again.
  SendMessageW(hwnd, BM_CLICK, 0, 0);
  check(log.count(ButtonEvent::Click) == 3, "no click by access key after a right click");
  wchar_t text[16] = {};
  GetWindowTextW(hwnd, text, 16);
  check(std::wstring(text) == L"&c", "the dialog manager's access key text is &c");

  SetFocus(hwnd);
  check(b.has_focus(), "focus reaches the control");
  SendMessageW(hwnd, WM_KEYDOWN, VK_DOWN, 0);
  check(GetFocus() == reinterpret_cast<HWND>(next->handle()), "down arrow moves the focus on");
  DestroyWindow(form);
}

// ---- 4. Persistence through IPropertyBag ---------------------------------------------------

// A container's property bag in memory: values by name, and every call in order.
class MemoryBag : public IPropertyBag {
 public:
  std::vector<std::pair<std::wstring, VARIANT>> values;
  std::vector<std::wstring> calls;
  ~MemoryBag() {
    for (auto& v : values) VariantClear(&v.second);
  }
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (iid == IID_IUnknown || iid == IID_IPropertyBag) {
      *out = this;
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE Read(LPCOLESTR name, VARIANT* v, IErrorLog*) override {
    calls.push_back(std::wstring(L"read ") + name);
    for (auto& entry : values)
      if (entry.first == name) return VariantCopy(v, &entry.second);
    return E_INVALIDARG;
  }
  HRESULT STDMETHODCALLTYPE Write(LPCOLESTR name, VARIANT* v) override {
    calls.push_back(std::wstring(L"write ") + name);
    VARIANT copy;
    VariantInit(&copy);
    VariantCopy(&copy, v);
    values.emplace_back(name, copy);
    return S_OK;
  }
};

void persistence() {
  Scene a(std::make_unique<RasterSurface>(60, 20), 60, 20);
  a.button.set_ButtonType(4);
  a.button.set_caption(u"&Guardar");
  // The platform's font object answers with the face it found; a face this machine has keeps
  // its name through the round trip.
  a.button.set_FontName(u"DejaVu Sans");
  a.button.set_FontSize(12);
  a.button.set_FontBold(true);
  a.button.set_ColorScheme(2);
  a.button.set_BackColor(0x808080);
  MemoryBag bag;
  {
    halvora::com::ComPropertyBag adapter(&bag);
    a.button.save(adapter);
  }
  std::vector<std::wstring> expected;
  for (const char16_t* key : Buttons::persisted_keys())
    expected.push_back(L"write " +
                       std::wstring(key, key + std::char_traits<char16_t>::length(key)));
  check(bag.calls == expected, "save writes the twelve keys in order");
  const VARTYPE types[] = {VT_I4,   VT_I4, VT_BSTR, VT_BOOL, VT_UNKNOWN, VT_I4,
                           VT_BOOL, VT_I4, VT_I4,   VT_I4,   VT_I4,      VT_DISPATCH};
  for (size_t i = 0; i < bag.values.size() && i < 12; ++i)
    check(bag.values[i].second.vt == types[i], "type of " + std::to_string(i));
  IFont* font = nullptr;
  check(bag.values.size() > 4 && bag.values[4].second.punkVal &&
            SUCCEEDED(bag.values[4].second.punkVal->QueryInterface(
                IID_IFont, reinterpret_cast<void**>(&font))),
        "the font is the platform's font object");
  if (font) font->Release();

  bag.calls.clear();
  Scene b(std::make_unique<RasterSurface>(60, 20), 60, 20);
  {
    halvora::com::ComPropertyBag adapter(&bag);
    b.button.load(adapter);
  }
  expected.clear();
  for (const char16_t* key : Buttons::persisted_keys())
    expected.push_back(L"read " + std::wstring(key, key + std::char_traits<char16_t>::length(key)));
  check(bag.calls == expected, "load reads the twelve keys in order");
  std::u16string font_name = b.button.FontName();
  check(b.button.ButtonType() == 4 && b.button.caption() == u"&Guardar" &&
            b.button.FontName() == u"DejaVu Sans" && b.button.FontSize() == 12 &&
            b.button.FontBold() && b.button.BackColor() == 0x808080 &&
            b.button.palette().shadow == 0x404040 && b.window.access_keys() == u"g",
        "load gives back what was saved: type " + std::to_string(b.button.ButtonType()) + " size " +
            std::to_string(b.button.FontSize()) + " colour " +
            std::to_string(b.button.BackColor()) + " name " +
            std::string(font_name.begin(), font_name.end()));
}

// ---- 5. The raster surface draws here as natively ----------------------------------------------

void raster_as_natively() {
  for (const auto& p : halvora::test::kCaptionedPictures) {
    uint64_t hash = halvora::test::draw_captioned(p);
    char got[24];
    std::snprintf(got, sizeof got, "%016llx", static_cast<unsigned long long>(hash));
    check(hash == p.hash, "raster type " + std::to_string(p.type) + " " + p.look + " alignment " +
                              std::to_string(p.alignment) + " font '" + p.font +
                              "': not the native picture (0x" + got + ")");
  }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) {
    std::printf("usage: button_compare.exe FONT_DIR\n");
    return 2;
  }
  std::wstring dir = argv[1];
  halvora::platform::set_font_directory(std::string(dir.begin(), dir.end()));
  CoInitialize(nullptr);
  primitives();
  looks();
  captions_in_their_boxes();
  child_window();
  persistence();
  raster_as_natively();
  CoUninitialize();
  std::printf("%d checks\n%d failure(s)\n", checks, failures);
  return failures == 0 ? 0 : 1;
}
