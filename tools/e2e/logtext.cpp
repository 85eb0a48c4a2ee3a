// Prints the debug log of the running program as UTF-8.
//   logtext                      print the log; exit 1 when the program's window is not there
//   logtext --wait TEXT [MS]     wait up to MS (default 10000) until the log holds TEXT; exit 2 if not
//   logtext --count              print how many main windows of the program exist
//   logtext --visible            print how many of them are visible
#include <windows.h>

#include <string>

#include "../../src/platform/win32/Messages.h"

namespace {

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

bool ReadLog(std::wstring& text) {
  HWND main = ::FindWindowW(lumivane::win32::kMainWindowClass, nullptr);
  if (!main) return false;
  HWND edit = ::GetDlgItem(main, lumivane::win32::kLogEditId);
  if (!edit) return false;
  DWORD_PTR length = 0;
  if (!::SendMessageTimeoutW(edit, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &length)) return false;
  text.assign(length + 1, L'\0');
  DWORD_PTR copied = 0;
  if (!::SendMessageTimeoutW(edit, WM_GETTEXT, length + 1, reinterpret_cast<LPARAM>(text.data()),
                             SMTO_ABORTIFHUNG, 5000, &copied))
    return false;
  text.resize(copied);
  return true;
}

struct Count {
  bool visibleOnly = false;
  int windows = 0;
};

BOOL CALLBACK CountMain(HWND window, LPARAM param) {
  auto* count = reinterpret_cast<Count*>(param);
  wchar_t name[64] = {};
  ::GetClassNameW(window, name, 64);
  if (std::wstring(name) != lumivane::win32::kMainWindowClass) return TRUE;
  if (!count->visibleOnly || ::IsWindowVisible(window)) ++count->windows;
  return TRUE;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
  std::wstring mode = argc > 1 ? argv[1] : L"";
  if (mode == L"--count" || mode == L"--visible") {
    Count count;
    count.visibleOnly = mode == L"--visible";
    ::EnumWindows(CountMain, reinterpret_cast<LPARAM>(&count));
    WriteUtf8(std::to_wstring(count.windows) + L"\n");
    return 0;
  }
  std::wstring text;
  if (mode == L"--wait" && argc > 2) {
    DWORD timeout = argc > 3 ? static_cast<DWORD>(_wtoi(argv[3])) : 10000;
    ULONGLONG end = ::GetTickCount64() + timeout;
    for (;;) {
      bool read = ReadLog(text);
      if (read && text.find(argv[2]) != std::wstring::npos) break;
      if (::GetTickCount64() > end) {
        if (read) WriteUtf8(text);
        return read ? 2 : 1;
      }
      ::Sleep(100);
    }
    WriteUtf8(text);
    return 0;
  }
  if (!ReadLog(text)) return 1;
  WriteUtf8(text);
  return 0;
}
