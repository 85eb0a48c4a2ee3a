// Plays a hostile program on the desktop: sends and posts the program's top-level windows (found
// by the main window's process) private and user messages with bogus parameters, plus system
// messages whose parameters the system would normally fill, and broadcasts a few of them.
//   hostile attack   exit 0 when at least one window of the program was found and attacked
//   hostile ping     exit 0 when every top-level window of the program answers WM_NULL
// Prints one summary line.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "../../src/platform/win32/Messages.h"

namespace {

struct Windows {
  DWORD pid = 0;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectOfProcess(HWND window, LPARAM param) {
  auto* w = reinterpret_cast<Windows*>(param);
  DWORD pid = 0;
  ::GetWindowThreadProcessId(window, &pid);
  if (pid == w->pid) w->found.push_back(window);
  return TRUE;
}

std::vector<HWND> ProgramWindows() {
  Windows w;
  HWND main = ::FindWindowW(lumivane::win32::kMainWindowClass, nullptr);
  if (!main) return {};
  ::GetWindowThreadProcessId(main, &w.pid);
  ::EnumWindows(CollectOfProcess, reinterpret_cast<LPARAM>(&w));
  return w.found;
}

const LPARAM kBogus[] = {0, 1, static_cast<LPARAM>(0x4141414141LL), static_cast<LPARAM>(-1)};

int Attack() {
  std::vector<HWND> windows = ProgramWindows();
  if (windows.empty()) {
    std::printf("hostile: no window of the program\n");
    return 1;
  }
  std::vector<UINT> messages;
  for (UINT i = 0; i < 32; ++i) {
    messages.push_back(WM_APP + i);
    messages.push_back(WM_USER + i);
  }
  // Messages a forger can send as well, with parameters the system would normally fill.
  const UINT system[] = {WM_DPICHANGED, WM_TIMER, WM_SIZE, WM_DESTROY, WM_NCDESTROY};
  int posted = 0, sent = 0, answered = 0, missed = 0;
  // A window that stopped answering makes every further send wait for its time-out.
  auto send = [&](HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (missed >= 3) return;
    DWORD_PTR answer = 0;
    ++sent;
    if (::SendMessageTimeoutW(window, msg, wParam, lParam, SMTO_ABORTIFHUNG, 2000, &answer)) {
      ++answered;
      missed = 0;
    } else {
      ++missed;
    }
  };
  for (HWND window : windows) {
    for (UINT msg : messages) {
      for (LPARAM bogus : kBogus) {
        const WPARAM wParams[] = {0, static_cast<WPARAM>(bogus)};
        for (WPARAM wParam : wParams) {
          posted += ::PostMessageW(window, msg, wParam, bogus) ? 1 : 0;
          send(window, msg, wParam, bogus);
        }
      }
    }
    for (UINT msg : system) {
      for (LPARAM bogus : kBogus) {
        WPARAM wParam = msg == WM_TIMER ? lumivane::win32::kTimer1Id : static_cast<WPARAM>(bogus);
        // Posting some of these is refused for pointer-carrying messages; the send is the test.
        posted += ::PostMessageW(window, msg, wParam, bogus) ? 1 : 0;
        send(window, msg, wParam, bogus);
      }
    }
  }
  const UINT broadcast[] = {WM_APP + 1, WM_APP + 2, WM_APP + 3, WM_APP + 4};
  for (UINT msg : broadcast) {
    ::PostMessageW(HWND_BROADCAST, msg, 0, static_cast<LPARAM>(0x4141414141LL));
    DWORD_PTR answer = 0;
    ::SendMessageTimeoutW(HWND_BROADCAST, msg, 1, 1, SMTO_ABORTIFHUNG, 2000, &answer);
  }
  std::printf("hostile: %zu windows, %d posted, %d of %d sent answered\n", windows.size(), posted, answered,
              sent);
  return 0;
}

int Ping() {
  std::vector<HWND> windows = ProgramWindows();
  if (windows.empty()) {
    std::printf("hostile: no window of the program\n");
    return 1;
  }
  int answered = 0;
  for (HWND window : windows) {
    DWORD_PTR answer = 0;
    answered += ::SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &answer) ? 1 : 0;
  }
  std::printf("hostile: %d of %zu windows answer\n", answered, windows.size());
  return answered == static_cast<int>(windows.size()) ? 0 : 1;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
  std::wstring mode = argc > 1 ? argv[1] : L"";
  if (mode == L"attack") return Attack();
  if (mode == L"ping") return Ping();
  std::fwprintf(stderr, L"usage: hostile attack|ping\n");
  return 64;
}
