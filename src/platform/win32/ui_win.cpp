// The Windows UIs: native boxes (the default), the console and the unattended script.
#include <windows.h>

#include <iostream>
#include <string>
#include <vector>

#include "automation/text.h"
#include "platform/config.h"
#include "platform/ui.h"
#include "platform/win32/com_support.h"

namespace halvora::platform {

namespace {

using win32::wide_string;

// --- Native boxes ---------------------------------------------------------------------------

constexpr WORD kPromptId = 101;
constexpr WORD kEditId = 102;

struct InputState {
  std::wstring prompt, title, default_text;
  std::u16string answer;
};

// An in-memory dialog template, so that the library needs no resource of its own (the COM
// server's resources hold only the type library). Items start on DWORD boundaries.
class DialogTemplate {
 public:
  DialogTemplate(DWORD style, short cx, short cy, WORD items) {
    add_dword(style);
    add_dword(0);  // extended style
    words_.push_back(items);
    add_rect(0, 0, cx, cy);
    words_.push_back(0);  // no menu
    words_.push_back(0);  // the standard dialog class
    words_.push_back(0);  // title: set when the dialog starts
    words_.push_back(8);  // DS_SETFONT: point size, then the face
    add_text(L"MS Shell Dlg");
  }

  // kind: the predefined class atom (0x80 button, 0x81 edit, 0x82 static).
  void add_item(DWORD style, short x, short y, short cx, short cy, WORD id, WORD kind) {
    if (words_.size() % 2) words_.push_back(0);
    add_dword(style | WS_CHILD | WS_VISIBLE);
    add_dword(0);
    add_rect(x, y, cx, cy);
    words_.push_back(id);
    words_.push_back(0xFFFF);
    words_.push_back(kind);
    words_.push_back(0);  // text: set when the dialog starts
    words_.push_back(0);  // no creation data
  }

  const DLGTEMPLATE* get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

 private:
  void add_dword(DWORD d) {
    words_.push_back(LOWORD(d));
    words_.push_back(HIWORD(d));
  }
  void add_rect(short x, short y, short cx, short cy) {
    for (short s : {x, y, cx, cy}) words_.push_back(static_cast<WORD>(s));
  }
  void add_text(const wchar_t* s) {
    do words_.push_back(static_cast<WORD>(*s));
    while (*s++);
  }

  std::vector<WORD> words_;  // operator new aligns far beyond the DWORD the template needs
};

INT_PTR CALLBACK input_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_INITDIALOG: {
      auto* state = reinterpret_cast<InputState*>(lparam);
      SetWindowLongPtrW(dialog, DWLP_USER, lparam);
      SetWindowTextW(dialog, state->title.c_str());
      SetDlgItemTextW(dialog, kPromptId, state->prompt.c_str());
      SetDlgItemTextW(dialog, kEditId, state->default_text.c_str());
      // The default selected, so that typing replaces it as in the host's own input boxes.
      SendDlgItemMessageW(dialog, kEditId, EM_SETSEL, 0, -1);
      SetFocus(GetDlgItem(dialog, kEditId));
      return FALSE;  // focus set here
    }
    case WM_COMMAND:
      if (LOWORD(wparam) == IDOK) {
        auto* state = reinterpret_cast<InputState*>(GetWindowLongPtrW(dialog, DWLP_USER));
        HWND edit = GetDlgItem(dialog, kEditId);
        std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(edit)) + 1, L'\0');
        text.resize(static_cast<std::size_t>(
            GetWindowTextW(edit, text.data(), static_cast<int>(text.size()))));
        state->answer = win32::from_wide(text.data(), text.size());
        EndDialog(dialog, IDOK);
        return TRUE;
      }
      if (LOWORD(wparam) == IDCANCEL) {
        EndDialog(dialog, IDCANCEL);
        return TRUE;
      }
      return FALSE;
    default:
      return FALSE;
  }
}

// The modal loops of both boxes dispatch the thread's messages, so socket and timer events keep
// running while a box is open.
class NativeUi final : public Ui {
 public:
  int32_t msg_box(std::u16string_view text, int32_t style, std::u16string_view title) override {
    return MessageBoxW(GetActiveWindow(), wide_string(text).c_str(), wide_string(title).c_str(),
                       static_cast<UINT>(style) | MB_SETFOREGROUND);
  }

  std::optional<std::u16string> input_box(std::u16string_view prompt, std::u16string_view title,
                                          std::u16string_view default_text) override {
    DialogTemplate dialog(DS_MODALFRAME | DS_CENTER | DS_SETFONT | DS_SETFOREGROUND | WS_POPUP |
                              WS_CAPTION | WS_SYSMENU,
                          260, 92, 4);
    dialog.add_item(SS_LEFT | SS_NOPREFIX, 7, 7, 246, 44, kPromptId, 0x82);
    dialog.add_item(WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, 7, 54, 246, 13, kEditId, 0x81);
    dialog.add_item(BS_DEFPUSHBUTTON | WS_TABSTOP, 149, 72, 50, 14, IDOK, 0x80);
    dialog.add_item(BS_PUSHBUTTON | WS_TABSTOP, 203, 72, 50, 14, IDCANCEL, 0x80);

    InputState state{wide_string(prompt), wide_string(title), wide_string(default_text), {}};
    INT_PTR answer =
        DialogBoxIndirectParamW(GetModuleHandleW(nullptr), dialog.get(), GetActiveWindow(),
                                input_proc, reinterpret_cast<LPARAM>(&state));
    // -1 (the box could not be made) reads as Cancel: the caller sees an empty text either way.
    if (answer != IDOK) return std::nullopt;
    return std::move(state.answer);
  }

  // The file's own program opens it, as a double click would. Shell32 is loaded here rather than
  // linked: nothing else of the library needs it.
  void show_document(std::u16string_view path, std::u16string_view title) override {
    using ShellExecuteFn = HINSTANCE(WINAPI*)(HWND, LPCWSTR, LPCWSTR, LPCWSTR, LPCWSTR, INT);
    HMODULE shell = LoadLibraryW(L"shell32.dll");
    auto open = shell ? reinterpret_cast<ShellExecuteFn>(
                            reinterpret_cast<void*>(GetProcAddress(shell, "ShellExecuteW")))
                      : nullptr;
    std::wstring file = wide_string(path);
    bool opened = open && reinterpret_cast<INT_PTR>(open(GetActiveWindow(), L"open", file.c_str(),
                                                         nullptr, nullptr, SW_SHOWNORMAL)) > 32;
    if (shell) FreeLibrary(shell);
    if (!opened) msg_box(path, kStyleInformation, title);
  }
};

// --- Console --------------------------------------------------------------------------------

// A real console gets wide text (its code page is rarely UTF-8); a pipe gets UTF-8.
void write_err(std::u16string_view text) {
  HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
  DWORD mode = 0, written = 0;
  if (GetConsoleMode(err, &mode)) {
    WriteConsoleW(err, win32::wide(text.data()), static_cast<DWORD>(text.size()), &written,
                  nullptr);
    return;
  }
  std::cerr << utf16_to_utf8(text) << std::flush;
}

bool stdin_is_console() {
  DWORD mode = 0;
  return GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode) != FALSE;
}

// One line without its end; nothing at the end of input.
std::optional<std::u16string> read_line() {
  std::u16string line;
  if (stdin_is_console()) {
    HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
    wchar_t c = 0;
    DWORD n = 0;
    bool any = false;
    while (ReadConsoleW(in, &c, 1, &n, nullptr) && n == 1) {
      any = true;
      if (c == L'\n') break;
      line.push_back(static_cast<char16_t>(c));
    }
    if (!any) return std::nullopt;
  } else {
    std::string bytes;
    if (!std::getline(std::cin, bytes)) return std::nullopt;
    line = utf8_to_utf16(bytes);
  }
  if (!line.empty() && line.back() == u'\r') line.pop_back();
  return line;
}

class ConsoleUi final : public Ui {
 public:
  int32_t msg_box(std::u16string_view text, int32_t, std::u16string_view title) override {
    write_err(u"[" + std::u16string(title) + u"] " + std::u16string(text) + u" (OK)\r\n");
    // Only a person at a console can press OK; a pipe or a service must not block here.
    if (stdin_is_console()) read_line();
    return kAnswerOk;
  }

  // An empty line takes the default, as pressing OK on the pre-filled box would.
  std::optional<std::u16string> input_box(std::u16string_view prompt, std::u16string_view title,
                                          std::u16string_view default_text) override {
    std::u16string shown = u"[" + std::u16string(title) + u"] " + std::u16string(prompt);
    if (!default_text.empty()) shown += u" [" + std::u16string(default_text) + u"]";
    write_err(shown + u": ");
    std::optional<std::u16string> line = read_line();
    if (line && line->empty()) return std::u16string(default_text);
    return line;
  }

  void show_document(std::u16string_view path, std::u16string_view title) override {
    write_err(u"[" + std::u16string(title) + u"] " + std::u16string(path) + u"\r\n");
  }
};

}  // namespace

std::unique_ptr<Ui> create_configured_ui() {
  std::string mode = config::ui_mode();
  if (mode == "script") return create_script_ui(config::ui_answers_path(), config::ui_log_path());
  if (mode == "console") return create_console_ui();
  return std::make_unique<NativeUi>();
}

std::unique_ptr<Ui> create_console_ui() {
  return std::make_unique<ConsoleUi>();
}

}  // namespace halvora::platform
