// Works the running program's settings window from outside, as a user would, with the controls
// named as the program names them; prints answers as UTF-8.
//   settingsctl click NAME          clicks a check box or a button
//   settingsctl select NAME INDEX   picks item INDEX of a combo box, which tells its window
//   settingsctl type NAME TEXT      replaces an edit's text keystroke by keystroke ("\n" types
//                                   Enter); an empty TEXT deletes the text with Backspace
//   settingsctl text NAME           prints the control's text (a combo box: its selected item)
//   settingsctl checked NAME        prints 1 or 0
//   settingsctl centre NAME         prints the screen position of the control's centre: X Y
//   settingsctl page N              selects page N (0 to 3) with the arrow keys on the tabs
//   settingsctl visible             prints 1 when the settings window is shown, else 0
// Exit 0 on success, 1 when the window or the control is not there, 2 when it does not answer,
// 64 for a wrong command line.
#include <windows.h>

#include <commctrl.h>

#include <cstdio>
#include <string>

#include "../../src/platform/win32/Messages.h"

namespace {

// The settings window's controls in the program's order: the id is 1000 + the position.
const wchar_t* const kNames[] = {
    L"AutoRunBox", L"SyncBox", L"TrackBox", L"DetectModelBox", L"DetectResBox", L"HideBox", L"FontLabel",
    L"fontval", L"StepLabel", L"stepval", L"StepMinLabel", L"stepMin", L"FntColor", L"color", L"ColorButton",
    L"LangLabel", L"Lang", L"StepMaxLabel", L"stepMax", L"Promo", L"TabSheet1", L"TabSheet2", L"TabSheet3",
    L"configinfo", L"Config", L"HtmlViewer1", L"TabSheet4",
    // The hotkeys page, row by row.
    L"HotkeyCaption1", L"HotkeyBox1", L"HotkeyClear1", L"HotkeyState1", L"HotkeyCaption2", L"HotkeyBox2",
    L"HotkeyClear2", L"HotkeyState2", L"HotkeyCaption3", L"HotkeyBox3", L"HotkeyClear3", L"HotkeyState3",
    L"HotkeyCaption4", L"HotkeyBox4", L"HotkeyClear4", L"HotkeyState4"};

void WriteUtf8(const std::wstring& text) {
  int n = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                nullptr);
  std::string bytes(static_cast<size_t>(n > 0 ? n : 0), '\0');
  if (n > 0)
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), n, nullptr,
                          nullptr);
  DWORD written = 0;
  ::WriteFile(::GetStdHandle(STD_OUTPUT_HANDLE), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
              nullptr);
}

bool Send(HWND window, UINT msg, WPARAM wParam, LPARAM lParam, DWORD_PTR* answer = nullptr) {
  DWORD_PTR result = 0;
  bool ok = ::SendMessageTimeoutW(window, msg, wParam, lParam, SMTO_NORMAL, 15000, &result) != 0;
  if (answer) *answer = result;
  return ok;
}

HWND Control(HWND main, const std::wstring& name) {
  for (int i = 0; i < static_cast<int>(sizeof kNames / sizeof kNames[0]); ++i)
    if (name == kNames[i]) return ::GetDlgItem(main, lumivane::win32::kSettingsControlIdBase + i);
  return nullptr;
}

std::wstring TextOf(HWND window) {
  DWORD_PTR length = 0;
  if (!Send(window, WM_GETTEXTLENGTH, 0, 0, &length)) return {};
  std::wstring text(length + 1, L'\0');
  DWORD_PTR copied = 0;
  if (!Send(window, WM_GETTEXT, length + 1, reinterpret_cast<LPARAM>(text.data()), &copied)) return {};
  text.resize(copied);
  return text;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) {
    std::fwprintf(stderr, L"usage: settingsctl click|select|type|text|checked|page|visible ...\n");
    return 64;
  }
  std::wstring what = argv[1];
  HWND main = ::FindWindowW(lumivane::win32::kMainWindowClass, nullptr);
  if (!main) {
    std::fwprintf(stderr, L"settingsctl: the program's window is not there\n");
    return 1;
  }
  if (what == L"visible") {
    WriteUtf8(::IsWindowVisible(main) ? L"1\n" : L"0\n");
    return 0;
  }
  if (what == L"page") {
    if (argc < 3) return 64;
    HWND tab = ::GetDlgItem(main, lumivane::win32::kPageControlId);
    if (!tab) return 1;
    // The arrow keys, as a user moves between tabs: the tab control takes its own messages
    // (TCM_*) from the program only. Left to the first tab, then right to page N; each step
    // selects a tab and notifies the window.
    for (int i = 0; i < 4; ++i)
      if (!Send(tab, WM_KEYDOWN, VK_LEFT, 0)) return 2;
    for (int i = 0; i < _wtoi(argv[2]); ++i)
      if (!Send(tab, WM_KEYDOWN, VK_RIGHT, 0)) return 2;
    return 0;
  }
  if (argc < 3) return 64;
  HWND control = Control(main, argv[2]);
  if (!control) {
    std::fwprintf(stderr, L"settingsctl: no control %ls\n", argv[2]);
    return 1;
  }
  if (what == L"click") return Send(control, BM_CLICK, 0, 0) ? 0 : 2;
  if (what == L"checked") {
    DWORD_PTR state = 0;
    if (!Send(control, BM_GETCHECK, 0, 0, &state)) return 2;
    WriteUtf8(state == BST_CHECKED ? L"1\n" : L"0\n");
    return 0;
  }
  if (what == L"centre") {
    RECT rect{};
    if (!::GetWindowRect(control, &rect)) return 2;
    WriteUtf8(std::to_wstring((rect.left + rect.right) / 2) + L" " +
              std::to_wstring((rect.top + rect.bottom) / 2) + L"\n");
    return 0;
  }
  if (what == L"text") {
    WriteUtf8(TextOf(control) + L"\n");
    return 0;
  }
  if (what == L"select" && argc > 3) {
    int index = _wtoi(argv[3]);
    int id = ::GetDlgCtrlID(control);
    if (!Send(control, CB_SETCURSEL, static_cast<WPARAM>(index), 0)) return 2;
    // The combo box tells its window of a choice the user made; CB_SETCURSEL alone does not.
    return Send(main, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(control)) ? 0 : 2;
  }
  if (what == L"type" && argc > 3) {
    std::wstring text = argv[3];
    if (!Send(control, EM_SETSEL, 0, -1)) return 2;
    if (text.empty()) return Send(control, WM_CHAR, VK_BACK, 0) ? 0 : 2;
    for (size_t i = 0; i < text.size(); ++i) {
      wchar_t c = text[i];
      if (c == L'\\' && i + 1 < text.size() && text[i + 1] == L'n') {
        c = L'\r';
        ++i;
      }
      if (!Send(control, WM_CHAR, c, 0)) return 2;
    }
    return 0;
  }
  std::fwprintf(stderr, L"settingsctl: unknown command %ls\n", what.c_str());
  return 64;
}
