// A control's window on Windows: a child window of a class the library registers, whose picture
// is a GDI surface (a DIB section) shown on every paint. Mouse, keyboard, focus and size messages
// go to the control; the dialog manager finds its access key in the window text and sends
// BM_CLICK; arrows move the focus through the dialog manager's tab order.
#include <windows.h>
#include <windowsx.h>

#include <array>
#include <memory>
#include <utility>

#include "platform/control_window.h"
#include "platform/win32/gdi_surface.h"

namespace halvora::platform {

namespace {

constexpr wchar_t kClassName[] = L"HALVORA.Buttons";

// The module that holds this code: the DLL when the library is one, else the program.
HINSTANCE this_module() {
  HMODULE module = nullptr;
  GetModuleHandleExW(
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
      reinterpret_cast<LPCWSTR>(&this_module), &module);
  return module;
}

// The picture of a window: every drawing call asks for a paint.
class WindowSurface : public win32::GdiSurface {
 public:
  WindowSurface(HWND window, int width, int height) : GdiSurface(width, height), window_(window) {}

 protected:
  void drawn() override { InvalidateRect(window_, nullptr, FALSE); }

 private:
  HWND window_;
};

// The platform's mouse pointers by the control's pointer numbers; 0 leaves the class's own and
// 99 (a picture of the host's) shows the arrow.
LPCWSTR cursor_of(int16_t pointer) {
  static const std::array<LPCWSTR, 16> kCursors = {
      nullptr,      IDC_ARROW,       IDC_CROSS,    IDC_IBEAM,  IDC_ARROW,   IDC_SIZEALL,
      IDC_SIZENESW, IDC_SIZENS,      IDC_SIZENWSE, IDC_SIZEWE, IDC_UPARROW, IDC_WAIT,
      IDC_NO,       IDC_APPSTARTING, IDC_HELP,     IDC_SIZEALL};
  if (pointer >= 0 && pointer < static_cast<int16_t>(kCursors.size())) return kCursors[pointer];
  return IDC_ARROW;
}

int16_t shift_state() {
  return static_cast<int16_t>((GetKeyState(VK_SHIFT) < 0 ? 1 : 0) |
                              (GetKeyState(VK_CONTROL) < 0 ? 2 : 0) |
                              (GetKeyState(VK_MENU) < 0 ? 4 : 0));
}

// The mouse buttons held, as the control numbers them (1 left, 2 right, 4 middle).
int16_t buttons_held(WPARAM keys) {
  return static_cast<int16_t>(((keys & MK_LBUTTON) ? 1 : 0) | ((keys & MK_RBUTTON) ? 2 : 0) |
                              ((keys & MK_MBUTTON) ? 4 : 0));
}

class ChildWindow : public ControlWindow {
 public:
  ChildWindow(HWND parent, const Rect& bounds) {
    static const ATOM registered = [] {
      WNDCLASSW wc{};
      wc.style = CS_DBLCLKS;
      wc.lpfnWndProc = &ChildWindow::procedure;
      wc.hInstance = this_module();
      wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
      wc.lpszClassName = kClassName;
      return RegisterClassW(&wc);
    }();
    (void)registered;
    width_ = bounds.width();
    height_ = bounds.height();
    window_ = CreateWindowExW(0, kClassName, L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP, bounds.left,
                              bounds.top, width_, height_, parent, nullptr, this_module(), this);
    surface_ = std::make_unique<WindowSurface>(window_, width_, height_);
  }
  ~ChildWindow() override {
    SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
    DestroyWindow(window_);
  }

  void set_input(ControlInput* input) override { input_ = input; }
  Surface& surface() override { return *surface_; }
  intptr_t handle() const override { return reinterpret_cast<intptr_t>(window_); }
  int width() const override { return width_; }
  int height() const override { return height_; }
  void capture_mouse() override {
    if (GetCapture() != window_) SetCapture(window_);
  }
  void release_mouse() override {
    if (GetCapture() == window_) ReleaseCapture();
  }
  void refresh() override {
    InvalidateRect(window_, nullptr, FALSE);
    UpdateWindow(window_);
  }
  void move_focus(bool forward) override {
    HWND next = GetNextDlgTabItem(GetParent(window_), window_, !forward);
    if (next) SetFocus(next);
  }
  void set_enabled(bool enabled) override { EnableWindow(window_, enabled); }
  bool enabled() const override { return IsWindowEnabled(window_); }
  // The dialog manager reads a window's access key from its text: "&" and the key.
  void set_access_keys(const std::u16string& keys) override {
    access_keys_ = keys;
    std::wstring text = keys.empty() ? L"" : L"&" + std::wstring(keys.begin(), keys.end());
    SetWindowTextW(window_, text.c_str());
  }
  std::u16string access_keys() const override { return access_keys_; }
  // The system keeps the region it is given and deletes the one it replaces.
  void set_region(const Region& region) override {
    const Rect& b = region.bounds;
    HRGN shape = CreateRectRgn(b.left, b.top, b.right, b.bottom);
    for (const Rect& cut : region.cuts) {
      HRGN piece = CreateRectRgn(cut.left, cut.top, cut.right, cut.bottom);
      CombineRgn(shape, shape, piece, RGN_DIFF);
      DeleteObject(piece);
    }
    SetWindowRgn(window_, shape, TRUE);
  }
  Color system_color(SystemColor which) const override {
    return static_cast<Color>(GetSysColor(static_cast<int>(which)));
  }
  void set_font(const FontTraits& font) override { surface_->set_font(font); }
  void set_mouse_pointer(int16_t pointer) override { pointer_ = pointer; }
  int16_t mouse_pointer() const override { return pointer_; }
  void set_keeps_picture(bool keep) override { keeps_picture_ = keep; }
  bool keeps_picture() const override { return keeps_picture_; }

 private:
  static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM w, LPARAM l) {
    if (message == WM_NCCREATE) {
      auto* create = reinterpret_cast<CREATESTRUCTW*>(l);
      SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<ChildWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self && self->surface_) return self->handle_message(message, w, l);
    return DefWindowProcW(window, message, w, l);
  }

  LRESULT handle_message(UINT message, WPARAM w, LPARAM l) {
    float x = static_cast<float>(GET_X_LPARAM(l)), y = static_cast<float>(GET_Y_LPARAM(l));
    switch (message) {
      case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(window_, &ps);
        BitBlt(dc, 0, 0, width_, height_, surface_->dc(), 0, 0, SRCCOPY);
        EndPaint(window_, &ps);
        return 0;
      }
      case WM_ERASEBKGND:
        return 1;  // the picture covers the whole window
      case WM_SIZE:
        width_ = LOWORD(l);
        height_ = HIWORD(l);
        surface_->resize(width_, height_);
        if (input_) input_->on_resize();
        return 0;
      case WM_GETDLGCODE:
        return DLGC_WANTARROWS | DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON;
      case BM_CLICK:
        if (input_) input_->on_access_key();
        return 0;
      case WM_SETFOCUS:
      case WM_KILLFOCUS:
        if (input_) input_->on_focus(message == WM_SETFOCUS);
        return 0;
      case WM_SYSCOLORCHANGE:
      case WM_SETTINGCHANGE:
        if (input_) input_->on_ambient_changed();
        break;
      case WM_SETCURSOR:
        if (LOWORD(l) == HTCLIENT && pointer_ != 0) {
          SetCursor(LoadCursorW(nullptr, cursor_of(pointer_)));
          return TRUE;
        }
        break;
      case WM_LBUTTONDOWN:
      case WM_RBUTTONDOWN:
      case WM_MBUTTONDOWN:
        if (message == WM_LBUTTONDOWN) SetFocus(window_);
        pressed_ = true;
        if (input_) input_->on_mouse_down(button_of(message), shift_state(), x, y);
        return 0;
      case WM_LBUTTONDBLCLK:
        // The second press of a double click: no click follows its release.
        after_double_ = true;
        if (input_) input_->on_double_click();
        return 0;
      case WM_RBUTTONDBLCLK:
      case WM_MBUTTONDBLCLK:
        if (input_) input_->on_mouse_down(button_of(message), shift_state(), x, y);
        return 0;
      case WM_MOUSEMOVE:
        if (input_) input_->on_mouse_move(buttons_held(w), shift_state(), x, y);
        return 0;
      case WM_LBUTTONUP:
      case WM_RBUTTONUP:
      case WM_MBUTTONUP: {
        bool click = pressed_ && !after_double_ && x >= 0 && y >= 0 && x < width_ && y < height_;
        pressed_ = after_double_ = false;
        if (input_) input_->on_mouse_up(button_of(message), shift_state(), x, y);
        if (click && input_) input_->on_click();
        return 0;
      }
      case WM_KEYDOWN:
        if (input_) input_->on_key_down(static_cast<int16_t>(w), shift_state());
        return 0;
      case WM_KEYUP:
        if (input_) input_->on_key_up(static_cast<int16_t>(w), shift_state());
        return 0;
      case WM_CHAR:
        if (input_) input_->on_key_press(static_cast<int16_t>(w));
        return 0;
      default:
        break;
    }
    return DefWindowProcW(window_, message, w, l);
  }

  static int16_t button_of(UINT message) {
    switch (message) {
      case WM_RBUTTONDOWN:
      case WM_RBUTTONUP:
      case WM_RBUTTONDBLCLK:
        return 2;
      case WM_MBUTTONDOWN:
      case WM_MBUTTONUP:
      case WM_MBUTTONDBLCLK:
        return 4;
      default:
        return 1;
    }
  }

  HWND window_ = nullptr;
  std::unique_ptr<WindowSurface> surface_;
  ControlInput* input_ = nullptr;
  int width_ = 0;
  int height_ = 0;
  int16_t pointer_ = 0;
  bool keeps_picture_ = false;
  bool pressed_ = false;
  bool after_double_ = false;
  std::u16string access_keys_;
};

}  // namespace

std::unique_ptr<ControlWindow> create_control_window(intptr_t parent, const Rect& bounds) {
  return std::make_unique<ChildWindow>(reinterpret_cast<HWND>(parent), bounds);
}

}  // namespace halvora::platform
