// Waits for a visible top-level window with the given caption and prints its caption and the
// texts of its static controls (a message box's text), one per line, as UTF-8.
//   findwin CAPTION [MS] [--class NAME] [--ok]   wait up to MS (default 10000); --ok presses OK
//   findwin CAPTION [MS] [--class NAME] --gone   wait until no such window is left
//   --answer: the window must also answer WM_NULL within 5 s (exit 2 when it does not);
//   --rect: a last line holds its rectangle on the screen, "left top right bottom"
// Exit 0 when the condition was met, 1 on time-out.
#include <windows.h>

#include <string>
#include <vector>

namespace {

struct Search {
  std::wstring caption, className;
  HWND found = nullptr;
};

std::wstring TextOf(HWND window) {
  wchar_t buf[2048] = {};
  ::GetWindowTextW(window, buf, 2048);
  return buf;
}

std::wstring ClassOf(HWND window) {
  wchar_t buf[256] = {};
  ::GetClassNameW(window, buf, 256);
  return buf;
}

BOOL CALLBACK Match(HWND window, LPARAM param) {
  auto* s = reinterpret_cast<Search*>(param);
  if (!::IsWindowVisible(window)) return TRUE;
  if (TextOf(window) != s->caption) return TRUE;
  if (!s->className.empty() && ClassOf(window) != s->className) return TRUE;
  s->found = window;
  return FALSE;
}

BOOL CALLBACK CollectStatic(HWND child, LPARAM param) {
  if (ClassOf(child) == L"Static") {
    std::wstring text = TextOf(child);
    if (!text.empty()) reinterpret_cast<std::vector<std::wstring>*>(param)->push_back(text);
  }
  return TRUE;
}

void WriteUtf8(const std::wstring& text) {
  int n = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                nullptr);
  if (n <= 0) return;
  std::string bytes(static_cast<size_t>(n), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), n, nullptr,
                        nullptr);
  DWORD written = 0;
  ::WriteFile(::GetStdHandle(STD_OUTPUT_HANDLE), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
              nullptr);
}

HWND Find(const std::wstring& caption, const std::wstring& className) {
  Search s{caption, className};
  ::EnumWindows(Match, reinterpret_cast<LPARAM>(&s));
  return s.found;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return 64;
  std::wstring caption = argv[1], className;
  DWORD timeout = 10000;
  bool ok = false, gone = false, answer = false, rect = false;
  for (int i = 2; i < argc; ++i) {
    std::wstring a = argv[i];
    if (a == L"--ok") {
      ok = true;
    } else if (a == L"--answer") {
      answer = true;
    } else if (a == L"--rect") {
      rect = true;
    } else if (a == L"--gone") {
      gone = true;
    } else if (a == L"--class" && i + 1 < argc) {
      className = argv[++i];
    } else {
      timeout = static_cast<DWORD>(_wtoi(argv[i]));
    }
  }
  ULONGLONG end = ::GetTickCount64() + timeout;
  for (;;) {
    HWND window = Find(caption, className);
    if (gone && !window) return 0;
    if (!gone && window) {
      std::vector<std::wstring> texts;
      ::EnumChildWindows(window, CollectStatic, reinterpret_cast<LPARAM>(&texts));
      std::wstring out = TextOf(window) + L"\n";
      for (const auto& t : texts)
        out += t + L"\n";
      if (rect) {
        RECT r{};
        ::GetWindowRect(window, &r);
        out += std::to_wstring(r.left) + L" " + std::to_wstring(r.top) + L" " + std::to_wstring(r.right) + L" " +
               std::to_wstring(r.bottom) + L"\n";
      }
      DWORD_PTR reply = 0;
      if (answer && !::SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &reply)) return 2;
      WriteUtf8(out);
      if (ok) ::PostMessageW(window, WM_COMMAND, IDOK, 0);
      return 0;
    }
    if (::GetTickCount64() > end) return 1;
    ::Sleep(100);
  }
}
