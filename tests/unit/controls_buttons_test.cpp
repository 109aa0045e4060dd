// Buttons as a form drives it: input sequences and the events they raise, property setters and
// persistence.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "automation/conversions.h"
#include "controls/buttons.h"
#include "platform/raster_surface.h"

namespace halvora::controls {
namespace {

const char* event_name(ButtonEvent e) {
  static const char* names[] = {"",         "Click",   "MouseDown", "MouseMove", "MouseUp",
                                "KeyPress", "KeyDown", "KeyUp",     "MouseOver", "MouseOut"};
  return names[static_cast<int>(e)];
}

// Logs every event as Name(arg,arg,...); an optional handler may rewrite the arguments.
struct Recorder : ButtonEvents {
  std::string log;
  std::function<void(ButtonEvent, std::span<Variant>)> handler;
  void raise(ButtonEvent e, std::span<Variant> args) override {
    if (!log.empty() && log.back() != '|') log += ' ';
    log += event_name(e);
    if (!args.empty()) {
      log += '(';
      for (size_t i = 0; i < args.size(); ++i) {
        if (i) log += ',';
        // Types are part of the contract: Integers for buttons and keys, Singles for X and Y.
        log += args[i].type() == VarType::Single    ? "f"
               : args[i].type() == VarType::Integer ? ""
                                                    : "?";
        std::u16string text = to_string(args[i]);
        log += std::string(text.begin(), text.end());
      }
      log += ')';
    }
    if (handler) handler(e, args);
  }
};

class ButtonsTest : public ::testing::Test {
 protected:
  ButtonsTest() { reset(); }

  void reset() {
    button.reset();
    window = std::make_unique<platform::OffscreenWindow>(
        std::make_unique<platform::RasterSurface>(60, 20), 60, 20);
    events = Recorder{};
    button = std::make_unique<Buttons>(*window, &events);
    button->on_property_changed([this](std::u16string_view key) {
      changed.push_back(std::string(key.begin(), key.end()));
    });
    button->on_resize();
    changed.clear();
  }

  // Runs steps such as "down 1 0 5 5", "move 0 0 -3 5", "up 1 0 5 5", "click", "dbl",
  // "keydown 32", "keyup 32", "press 13", "access", and logs after each one "|" and the state
  // drawn, with "h" while hot.
  std::string run(const std::vector<std::string>& steps) {
    events.log.clear();
    for (const auto& step : steps) {
      std::istringstream in(step);
      std::string verb;
      int a = 0, b = 0;
      float x = 0, y = 0;
      in >> verb >> a >> b >> x >> y;
      auto i16 = [](int v) { return static_cast<int16_t>(v); };
      if (verb == "down") button->on_mouse_down(i16(a), i16(b), x, y);
      if (verb == "move") button->on_mouse_move(i16(a), i16(b), x, y);
      if (verb == "up") button->on_mouse_up(i16(a), i16(b), x, y);
      if (verb == "click") button->on_click();
      if (verb == "dbl") button->on_double_click();
      if (verb == "keydown") button->on_key_down(i16(a), i16(b));
      if (verb == "keyup") button->on_key_up(i16(a), i16(b));
      if (verb == "press") button->on_key_press(i16(a));
      if (verb == "access") button->on_access_key();
      events.log += "|" + std::to_string(button->current_state()) + (button->hot() ? "h" : "");
    }
    return events.log;
  }

  std::unique_ptr<platform::OffscreenWindow> window;
  Recorder events;
  std::unique_ptr<Buttons> button;
  std::vector<std::string> changed;
};

TEST_F(ButtonsTest, InputSequencesRaiseTheirEventsAndDrawTheirStates) {
  struct Case {
    const char* name;
    std::vector<std::string> steps;
    std::string events;
    bool captured;  // the mouse is held at the end
  } cases[] = {
      {"left click",
       {"down 1 0 5 5", "up 1 0 5 5", "click"},
       "MouseDown(1,0,f5,f5)|2 MouseUp(1,0,f5,f5)|0 Click|0",
       false},
      {"space: one click through the left-click path",
       {"keydown 32 0", "keyup 32 0"},
       "KeyDown(32,0) MouseDown(1,1,f1,f1)|2 KeyUp(32,0) MouseUp(1,1,f1,f1) Click|0",
       false},
      {"space released after another key went down: no click",
       {"keydown 32 0", "keydown 65 0", "keyup 32 0"},
       "KeyDown(32,0) MouseDown(1,1,f1,f1)|2 KeyDown(65,0)|2 KeyUp(32,0)|2",
       true},
      {"right button: events but never pressed, and no click",
       {"down 2 0 5 5", "up 2 0 5 5", "click"},
       "MouseDown(2,0,f5,f5)|0 MouseUp(2,0,f5,f5)|0|0",
       false},
      {"leaving with the left button held draws normal, coming back pressed",
       {"down 1 0 5 5", "move 1 0 -3 5", "move 1 0 60 5", "move 1 0 5 19", "up 1 0 5 5"},
       "MouseDown(1,0,f5,f5)|2 MouseMove(1,0,f-3,f5)|0 MouseMove(1,0,f60,f5)|0 "
       "MouseMove(1,0,f5,f19)|2 MouseUp(1,0,f5,f5)|0",
       false},
      {"hover: MouseOver and MouseOut once each",
       {"move 0 0 5 5", "move 0 0 6 5", "move 0 0 5 20"},
       "MouseMove(0,0,f5,f5) MouseOver|0h MouseMove(0,0,f6,f5)|0h MouseMove(0,0,f5,f20) "
       "MouseOut|0",
       false},
      {"hovering with the right button held counts as no button",
       {"move 2 0 5 5", "move 2 0 -1 5"},
       "MouseMove(2,0,f5,f5) MouseOver|0h MouseMove(2,0,f-1,f5) MouseOut|0",
       false},
      {"hovering holds the mouse so that the leaving move arrives",
       {"move 0 0 5 5"},
       "MouseMove(0,0,f5,f5) MouseOver|0h",
       true},
      {"a press while hot, and the release ends the hot look",
       {"move 0 0 5 5", "down 1 0 5 5", "up 1 0 5 5"},
       "MouseMove(0,0,f5,f5) MouseOver|0h MouseDown(1,0,f5,f5)|2h MouseUp(1,0,f5,f5)|0",
       false},
      {"double click after a left click presses again",
       {"down 1 0 5 5", "up 1 0 5 5", "dbl"},
       "MouseDown(1,0,f5,f5)|2 MouseUp(1,0,f5,f5)|0 MouseDown(1,1,f1,f1)|2",
       true},
      {"double click after a right click does nothing",
       {"down 2 0 5 5", "up 2 0 5 5", "dbl"},
       "MouseDown(2,0,f5,f5)|0 MouseUp(2,0,f5,f5)|0|0",
       false},
      {"key press and an arrow",
       {"press 13", "keydown 39 0", "keyup 39 0"},
       "KeyPress(13)|0 KeyDown(39,0)|0 KeyUp(39,0)|0",
       false},
      {"the access key clicks", {"access"}, "Click|0", false},
  };
  for (const auto& c : cases) {
    reset();
    EXPECT_EQ(run(c.steps), c.events) << c.name;
    EXPECT_EQ(window->captured(), c.captured) << c.name;
  }
}

TEST_F(ButtonsTest, ClickNeedsTheLeftButtonLastAndTheControlEnabled) {
  button->set_Enabled(false);
  EXPECT_EQ(run({"down 1 0 5 5", "up 1 0 5 5", "click", "keydown 32 0", "keyup 32 0"}),
            "MouseDown(1,0,f5,f5)|2 MouseUp(1,0,f5,f5)|0|0 KeyDown(32,0) MouseDown(1,1,f1,f1)|2 "
            "KeyUp(32,0) MouseUp(1,1,f1,f1)|0");
  EXPECT_FALSE(window->enabled());
  int refreshes = window->refreshes();
  button->set_Enabled(true);
  EXPECT_EQ(run({"click"}), "Click|0");
  EXPECT_EQ(window->refreshes(), refreshes + 1);  // shown before the host hears of it
}

TEST_F(ButtonsTest, HandlersMayRewriteByReferenceArguments) {
  // A KeyDown handler that swallows the space: the button is not pressed and no click follows.
  events.handler = [](ButtonEvent e, std::span<Variant> args) {
    if (e == ButtonEvent::KeyDown || e == ButtonEvent::KeyUp) args[0] = int16_t{0};
  };
  EXPECT_EQ(run({"keydown 32 0", "keyup 32 0"}), "KeyDown(32,0)|0 KeyUp(32,0)|0");
  // A MouseDown handler that turns a left press into a right one: nothing drawn pressed.
  events.handler = [](ButtonEvent e, std::span<Variant> args) {
    if (e == ButtonEvent::MouseDown) args[0] = int16_t{2};
  };
  EXPECT_EQ(run({"down 1 0 5 5", "click"}), "MouseDown(1,0,f5,f5)|0|0");
  EXPECT_FALSE(window->captured());
}

TEST_F(ButtonsTest, ArrowsMoveTheFocusThroughTheForm) {
  const std::pair<int16_t, int> cases[] = {{39, 1}, {40, 1}, {37, -1}, {38, -1}, {9, 0}, {13, 0}};
  for (auto [key, moves] : cases) {
    reset();
    button->on_key_down(key, 0);
    EXPECT_EQ(window->focus_moves(), moves) << key;
  }
}

TEST_F(ButtonsTest, DrawsOnlyWhatChangedAndNothingWithoutHeight) {
  int drawn = button->draw_count();
  button->draw_button(Buttons::kNormal, false);  // same state, same caption
  EXPECT_EQ(button->draw_count(), drawn);
  button->draw_button(Buttons::kNormal, true);
  EXPECT_EQ(button->draw_count(), drawn + 1);
  button->draw_button(Buttons::kPressed, false);
  button->draw_button(Buttons::kPressed, false);
  EXPECT_EQ(button->draw_count(), drawn + 2);
  button->on_focus(true);  // the focus always redraws the current state
  EXPECT_EQ(button->draw_count(), drawn + 3);
  EXPECT_EQ(button->current_state(), Buttons::kPressed);
  EXPECT_TRUE(button->has_focus());

  EXPECT_EQ(button->inner_rect(), (Rect{4, 4, 56, 16}));  // the focus rectangle's place
  EXPECT_EQ(button->layout().inset, (Rect{3, 3, 57, 17}));

  window->resize(60, 0);
  button->on_resize();
  button->draw_button(Buttons::kNormal, true);
  button->set_caption(u"otro");
  EXPECT_EQ(button->draw_count(), drawn + 3);
}

TEST_F(ButtonsTest, SettersMarkTheirKeyAndRedraw) {
  auto font = std::make_shared<Font>();
  struct Case {
    const char* key;
    std::function<void(Buttons&)> set;
  } cases[] = {
      {"BCOL", [](Buttons& b) { b.set_BackColor(0x123456); }},
      {"FCOL", [](Buttons& b) { b.set_ForeColor(0x123456); }},
      {"FCOLO", [](Buttons& b) { b.set_ForeOver(0x123456); }},
      {"BTYPE", [](Buttons& b) { b.set_ButtonType(3); }},
      {"BALIGN", [](Buttons& b) { b.set_AlignmentType(3); }},
      {"FOCUSR", [](Buttons& b) { b.set_ShowFocusRect(false); }},
      {"COLTYPE", [](Buttons& b) { b.set_ColorScheme(3); }},
      {"TX", [](Buttons& b) { b.set_caption(u"&Salir"); }},
      {"ENAB", [](Buttons& b) { b.set_Enabled(false); }},
      {"FONT", [&](Buttons& b) { b.set_Font(font); }},
  };
  for (const auto& c : cases) {
    reset();
    int drawn = button->draw_count();
    c.set(*button);
    EXPECT_EQ(changed, std::vector<std::string>{c.key});
    EXPECT_EQ(button->draw_count(), drawn + 1) << c.key;
  }
  // Pointer and icon mark their keys and draw nothing.
  reset();
  int drawn = button->draw_count();
  button->set_MousePointer(99);
  button->set_MouseIcon(std::make_shared<Font>());
  EXPECT_EQ(changed, (std::vector<std::string>{"MPTR", "MICON"}));
  EXPECT_EQ(window->mouse_pointer(), 99);
  EXPECT_EQ(button->draw_count(), drawn);
}

TEST_F(ButtonsTest, PropertiesReachPaletteAccessKeysShapeAndSurface) {
  button->set_ColorScheme(2);
  button->set_BackColor(0x808080);
  EXPECT_EQ(button->palette().shadow, 0x404040u);
  EXPECT_EQ(button->palette().light, 0x9F9F9Fu);
  EXPECT_EQ(button->palette().highlight, 0xAFAFAFu);
  EXPECT_EQ(button->palette().dark_shadow, 0u);

  button->set_caption(u"&&Pagar &ya");
  EXPECT_EQ(window->access_keys(), u"y");
  EXPECT_EQ(button->access_key_index(), 9);
  button->set_caption(u"&");
  EXPECT_EQ(window->access_keys(), u"");

  button->set_ButtonType(5);
  EXPECT_TRUE(window->keeps_picture());
  EXPECT_EQ(window->region().cuts.size(), 2u);
  button->set_ButtonType(3);
  EXPECT_EQ(window->region().cuts.size(), 8u);

  // Design mode: the hover colour follows the text colour; at run time it stays.
  button->ambient().user_mode = false;
  button->set_ForeColor(0x0000FF);
  EXPECT_EQ(button->ForeOver(), 0x0000FFu);
  button->ambient().user_mode = true;
  button->set_ForeColor(0x00FF00);
  EXPECT_EQ(button->ForeOver(), 0x0000FFu);
  EXPECT_EQ(button->palette().hot_text, 0x0000FFu);
}

TEST_F(ButtonsTest, TheKeptFontRelaysTheCaptionOutWhenItChanges) {
  button->set_caption(u"Aceptar");
  changed.clear();
  Rect before = button->layout().text;
  int drawn = button->draw_count();
  button->set_FontSize(24);
  button->set_FontBold(true);
  EXPECT_GT(button->layout().text.height(), before.height());
  EXPECT_EQ(button->draw_count(), drawn + 2);
  EXPECT_TRUE(changed.empty());  // the font's own change marks nothing
  // A replaced font is no longer listened to.
  auto old = button->Font();
  button->set_Font(std::make_shared<Font>());
  drawn = button->draw_count();
  old->set_Italic(true);
  EXPECT_EQ(button->draw_count(), drawn);
  EXPECT_EQ(button->FontItalic(), false);
}

TEST_F(ButtonsTest, SchemeFourFollowsTheContainer) {
  button->set_ColorScheme(4);
  button->ambient().container_back = 0x808080;
  button->ambient().container_text = 0x0000FF;
  button->on_ambient_changed();
  EXPECT_EQ(button->palette().face, 0x808080u);
  EXPECT_EQ(button->palette().hot_text, 0x0000FFu);
  EXPECT_EQ(button->palette().shadow, 0x404040u);
}

// ---- Persistence -------------------------------------------------------------------------------

std::vector<std::u16string> keys_logged(const std::string& verb) {
  std::vector<std::u16string> out;
  for (const char16_t* key : Buttons::persisted_keys())
    out.push_back(std::u16string(verb.begin(), verb.end()) + u" " + key);
  return out;
}

TEST_F(ButtonsTest, LoadReadsTheTwelveKeysInOrderWithTheirDefaults) {
  MemoryPropertyBag bag;
  int drawn = button->draw_count();
  button->load(bag);
  EXPECT_EQ(bag.log(), keys_logged("read"));
  EXPECT_EQ(bag.log().front(), u"read BTYPE");
  EXPECT_EQ(bag.log().back(), u"read MICON");
  EXPECT_EQ(button->ButtonType(), 2);
  EXPECT_EQ(button->AlignmentType(), 2);
  EXPECT_EQ(button->caption(), u"");
  EXPECT_TRUE(button->Enabled());
  EXPECT_EQ(button->ColorScheme(), 1);
  EXPECT_TRUE(button->ShowFocusRect());
  EXPECT_EQ(button->BackColor(), window->system_color(platform::SystemColor::ButtonFace));
  EXPECT_EQ(button->ForeColor(), window->system_color(platform::SystemColor::ButtonText));
  EXPECT_EQ(button->ForeOver(), window->system_color(platform::SystemColor::ButtonText));
  EXPECT_EQ(button->MousePointer(), 0);
  EXPECT_EQ(button->MouseIcon(), nullptr);
  EXPECT_EQ(button->draw_count(), drawn + 1);  // state 0, forced
}

TEST_F(ButtonsTest, LoadTakesStoredValuesThenSetsUpSurfacePaletteAndAccessKey) {
  MemoryPropertyBag bag;
  bag.write(u"BTYPE", int32_t{7});
  bag.write(u"tx", u"Co&brar");  // keys are found whatever their case
  bag.write(u"ENAB", false);
  bag.write(u"COLTYPE", int32_t{2});
  bag.write(u"BCOL", int32_t{0x808080});
  bag.write(u"MPTR", int32_t{11});
  bag.write(u"FONT", ObjectRef(std::make_shared<Font>(platform::FontTraits{u"Arial", 12})));
  button->load(bag);
  EXPECT_EQ(button->ButtonType(), 7);
  EXPECT_EQ(button->caption(), u"Co&brar");
  EXPECT_FALSE(window->enabled());
  EXPECT_EQ(button->palette().shadow, 0x404040u);
  EXPECT_EQ(window->access_keys(), u"b");
  EXPECT_EQ(window->mouse_pointer(), 11);
  EXPECT_EQ(button->FontName(), u"Arial");
  EXPECT_EQ(button->FontSize(), 12);
}

TEST_F(ButtonsTest, SaveWritesEveryKeyInOrderAndLoadGivesThemBack) {
  MemoryPropertyBag bag;
  button->save(bag);  // defaults too: nothing is left out
  EXPECT_EQ(bag.log(), keys_logged("write"));
  ASSERT_EQ(bag.values().size(), 12u);
  const VarType types[] = {VarType::Long,   VarType::Long, VarType::String,  VarType::Boolean,
                           VarType::Object, VarType::Long, VarType::Boolean, VarType::Long,
                           VarType::Long,   VarType::Long, VarType::Long,    VarType::Object};
  for (size_t i = 0; i < 12; ++i) EXPECT_EQ(bag.values()[i].second.type(), types[i]) << i;

  button->set_ButtonType(9);
  button->set_AlignmentType(7);
  button->set_caption(u"&Nuevo");
  button->set_ShowFocusRect(false);
  button->set_ColorScheme(3);
  button->set_ForeOver(0x00FFFF);
  button->set_FontUnderline(true);
  MemoryPropertyBag saved;
  button->save(saved);

  platform::OffscreenWindow other_window(std::make_unique<platform::RasterSurface>(1, 1), 30, 10);
  Buttons other(other_window);
  other.load(saved);
  EXPECT_EQ(other.ButtonType(), 9);
  EXPECT_EQ(other.AlignmentType(), 7);
  EXPECT_EQ(other.caption(), u"&Nuevo");
  EXPECT_FALSE(other.ShowFocusRect());
  EXPECT_EQ(other.ColorScheme(), 3);
  EXPECT_EQ(other.ForeOver(), 0x00FFFFu);
  EXPECT_TRUE(other.FontUnderline());
  // The saved font is a copy: changing the button's font afterwards leaves it as it was.
  button->set_FontUnderline(false);
  EXPECT_TRUE(std::dynamic_pointer_cast<Font>(saved.values()[4].second.object())->Underline());
}

TEST_F(ButtonsTest, ANewControlTakesTheContainersCaptionAndFont) {
  button->ambient().display_name = u"Buttons3";
  button->ambient().font = platform::FontTraits{u"Tahoma", 10};
  button->init_new();
  EXPECT_EQ(button->ButtonType(), 2);
  EXPECT_EQ(button->AlignmentType(), 0);
  EXPECT_EQ(button->caption(), u"Buttons3");
  EXPECT_EQ(button->FontName(), u"Tahoma");
  EXPECT_EQ(button->ForeOver(), 0u);
  EXPECT_EQ(button->ColorScheme(), 1);
  // The container's font object is not shared: the control keeps its own.
  button->set_FontSize(14);
  EXPECT_EQ(button->ambient().font.size, 10);
}

}  // namespace
}  // namespace halvora::controls
