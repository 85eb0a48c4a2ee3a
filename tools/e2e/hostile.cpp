// Plays a hostile program on the desktop: sends and posts the program's top-level windows (found
// by the main window's process) private and user messages with bogus parameters, plus system
// messages whose parameters the system would normally fill, and broadcasts a few of them. Then
// it does the same to every child window of those (the controls): the control messages of
// WM_USER and above, those of the tab control and the common controls, and the system messages
// whose pointers the system does not copy. Last it posts WM_QUIT to the program's thread and to
// each of its windows, and forged tray callbacks and menu requests.
//   hostile attack   exit 0 when at least one window of the program was found and attacked
//   hostile ping     exit 0 when every window of the program, controls included, answers WM_NULL
//   hostile pipe     sends the program's command pipe garbage, overlong and too frequent lines;
//                    exit 0 when every one of them was refused with a reply
// Prints one summary line.
#include <windows.h>

#include <commctrl.h>

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

BOOL CALLBACK CollectChild(HWND window, LPARAM param) {
  reinterpret_cast<std::vector<HWND>*>(param)->push_back(window);
  return TRUE;
}

DWORD ProgramPid(DWORD* thread = nullptr) {
  HWND main = ::FindWindowW(lumivane::win32::kMainWindowClass, nullptr);
  if (!main) return 0;
  DWORD pid = 0;
  DWORD tid = ::GetWindowThreadProcessId(main, &pid);
  if (thread) *thread = tid;
  return pid;
}

std::vector<HWND> ProgramWindows() {
  Windows w;
  w.pid = ProgramPid();
  if (!w.pid) return {};
  ::EnumWindows(CollectOfProcess, reinterpret_cast<LPARAM>(&w));
  return w.found;
}

// Every child window of the program's top-level windows, at any depth.
std::vector<HWND> ProgramChildren(const std::vector<HWND>& topLevel) {
  std::vector<HWND> children;
  for (HWND window : topLevel)
    ::EnumChildWindows(window, CollectChild, reinterpret_cast<LPARAM>(&children));
  return children;
}

const LPARAM kBogus[] = {0, 1, static_cast<LPARAM>(0x4141414141LL), static_cast<LPARAM>(-1)};

struct Counts {
  int posted = 0, sent = 0, answered = 0, missed = 0;

  // A window that stopped answering makes every further send wait for its time-out.
  void Send(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (missed >= 3) return;
    DWORD_PTR answer = 0;
    ++sent;
    if (::SendMessageTimeoutW(window, msg, wParam, lParam, SMTO_ABORTIFHUNG, 2000, &answer)) {
      ++answered;
      missed = 0;
    } else {
      ++missed;
    }
  }
  void Post(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    posted += ::PostMessageW(window, msg, wParam, lParam) ? 1 : 0;
  }
};

void AttackTopLevel(const std::vector<HWND>& windows, Counts& n) {
  std::vector<UINT> messages;
  for (UINT i = 0; i < 32; ++i) {
    messages.push_back(WM_APP + i);
    messages.push_back(WM_USER + i);
  }
  // Messages a forger can send as well, with parameters the system would normally fill.
  const UINT system[] = {WM_DPICHANGED, WM_TIMER, WM_SIZE, WM_DESTROY, WM_NCDESTROY, WM_HOTKEY};
  for (HWND window : windows) {
    for (UINT msg : messages) {
      for (LPARAM bogus : kBogus) {
        const WPARAM wParams[] = {0, static_cast<WPARAM>(bogus)};
        for (WPARAM wParam : wParams) {
          n.Post(window, msg, wParam, bogus);
          n.Send(window, msg, wParam, bogus);
        }
      }
    }
    for (UINT msg : system) {
      for (LPARAM bogus : kBogus) {
        WPARAM wParam = msg == WM_TIMER ? lumivane::win32::kTimer1Id : static_cast<WPARAM>(bogus);
        // Posting some of these is refused for pointer-carrying messages; the send is the test.
        n.Post(window, msg, wParam, bogus);
        n.Send(window, msg, wParam, bogus);
      }
    }
  }
  const UINT broadcast[] = {WM_APP + 1, WM_APP + 2, WM_APP + 3, WM_APP + 4};
  for (UINT msg : broadcast) {
    ::PostMessageW(HWND_BROADCAST, msg, 0, static_cast<LPARAM>(0x4141414141LL));
    DWORD_PTR answer = 0;
    ::SendMessageTimeoutW(HWND_BROADCAST, msg, 1, 1, SMTO_ABORTIFHUNG, 2000, &answer);
  }
}

// The controls' own messages carry pointers the control uses as they are.
void AttackChildren(const std::vector<HWND>& children, Counts& n) {
  std::vector<UINT> messages;
  for (UINT msg = WM_USER; msg <= WM_USER + 0x200; ++msg)
    messages.push_back(msg);
  for (UINT msg = TCM_FIRST; msg < TCM_FIRST + 0x40; ++msg)
    messages.push_back(msg);
  for (UINT msg = CCM_FIRST; msg < CCM_FIRST + 0x10; ++msg)
    messages.push_back(msg);
  // System messages that the system does not copy across processes, and a control's life.
  const UINT system[] = {EM_SETWORDBREAKPROC, EM_GETWORDBREAKPROC, EM_SETHANDLE, EM_GETHANDLE, WM_NOTIFY,
                         WM_IME_REQUEST,      WM_IME_CONTROL,      WM_DESTROY,   WM_NCDESTROY};
  messages.insert(messages.end(), std::begin(system), std::end(system));
  const LPARAM bogus = kBogus[2];
  for (HWND child : children) {
    n.missed = 0;
    for (UINT msg : messages) {
      n.Post(child, msg, static_cast<WPARAM>(bogus), bogus);
      n.Send(child, msg, 1, bogus);
    }
  }
}

// WM_QUIT from outside, forged tray callbacks (a click, a right click, not for our icon) and a
// forged request to open the menu.
void AttackQuitAndTray(const std::vector<HWND>& windows, Counts& n) {
  DWORD thread = 0;
  ProgramPid(&thread);
  if (thread) n.posted += ::PostThreadMessageW(thread, WM_QUIT, 0, 0) ? 1 : 0;
  for (HWND window : windows)
    n.Post(window, WM_QUIT, 0, 0);
  HWND main = ::FindWindowW(lumivane::win32::kMainWindowClass, nullptr);
  if (!main) return;
  // One click only: two would toggle the brightness there and back.
  n.Post(main, lumivane::win32::kMsgTrayCallback, 2, WM_LBUTTONUP);
  for (WPARAM id : {WPARAM(0), WPARAM(2), static_cast<WPARAM>(-1)}) {
    for (LPARAM mouse : {LPARAM(WM_RBUTTONUP), LPARAM(WM_CONTEXTMENU)}) {
      n.Post(main, lumivane::win32::kMsgTrayCallback, id, mouse);
      n.Send(main, lumivane::win32::kMsgTrayCallback, id, mouse);
    }
  }
  n.Post(main, lumivane::win32::kMsgOpenMenu, 0, 0);
  n.Send(main, lumivane::win32::kMsgOpenMenu, 0, 0);
  if (thread) n.posted += ::PostThreadMessageW(thread, WM_QUIT, 0, 0) ? 1 : 0;
}

int Attack() {
  std::vector<HWND> windows = ProgramWindows();
  if (windows.empty()) {
    std::printf("hostile: no window of the program\n");
    return 1;
  }
  Counts n;
  AttackTopLevel(windows, n);
  std::vector<HWND> children = ProgramChildren(windows);
  AttackChildren(children, n);
  AttackQuitAndTray(windows, n);
  std::printf("hostile: %zu windows and %zu controls, %d posted, %d of %d sent answered\n", windows.size(),
              children.size(), n.posted, n.answered, n.sent);
  return 0;
}

int Ping() {
  std::vector<HWND> windows = ProgramWindows();
  if (windows.empty()) {
    std::printf("hostile: no window of the program\n");
    return 1;
  }
  std::vector<HWND> children = ProgramChildren(windows);
  windows.insert(windows.end(), children.begin(), children.end());
  int answered = 0;
  for (HWND window : windows) {
    DWORD_PTR answer = 0;
    answered += ::SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &answer) ? 1 : 0;
  }
  std::printf("hostile: %d of %zu windows answer\n", answered, windows.size());
  return answered == static_cast<int>(windows.size()) ? 0 : 1;
}

// One connection to the command pipe: sends bytes (stopping where the program stops reading) and
// returns what came back.
std::string PipeExchange(const std::string& bytes) {
  DWORD session = 0;
  ::ProcessIdToSessionId(::GetCurrentProcessId(), &session);
  const std::wstring name = L"\\\\.\\pipe\\Lumivane-control-" + std::to_wstring(session);
  HANDLE pipe = INVALID_HANDLE_VALUE;
  for (int attempt = 0; attempt < 50 && pipe == INVALID_HANDLE_VALUE; ++attempt) {
    pipe = ::CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (pipe == INVALID_HANDLE_VALUE) ::WaitNamedPipeW(name.c_str(), 200);
  }
  if (pipe == INVALID_HANDLE_VALUE) return {};
  DWORD done = 0;
  for (size_t sent = 0; sent < bytes.size(); sent += 4096) {
    const DWORD chunk = static_cast<DWORD>(bytes.size() - sent < 4096 ? bytes.size() - sent : 4096);
    if (!::WriteFile(pipe, bytes.data() + sent, chunk, &done, nullptr)) break;
  }
  std::string reply;
  char buffer[512];
  while (reply.size() < 65536 && ::ReadFile(pipe, buffer, sizeof buffer, &done, nullptr) && done > 0)
    reply.append(buffer, done);
  ::CloseHandle(pipe);
  return reply;
}

int PipeAttack() {
  const std::string lines[] = {
      std::string("\0\0\0\0set 100\n", 12),
      std::string(100000, 'A'),
      std::string(300, ' ') + "set 100\n",
      "set 100 1 2 3\n",
      "\xEF\xBB\xBFset 100\n",
      "set 0 --json\n",
      "set 100\rset 0\n",
      "\x1B[2J\x1B]0;x\x07\n",
      "glare 1\n",
      "set 99999999999999999999\n",
      "select -1\n",
      "set",                          // no line end: the program stops waiting
  };
  int refused = 0, total = 0;
  for (const std::string& line : lines) {
    ++total;
    const std::string reply = PipeExchange(line);
    if (reply.size() >= 2 && reply[0] == '2' && reply[1] == '\n') ++refused;
    else std::printf("hostile: not refused (%zu bytes sent): %s\n", line.size(), reply.c_str());
  }
  // A flood: after the first few the program refuses to serve more this second.
  int throttled = 0;
  for (int i = 0; i < 60; ++i) {
    ++total;
    const std::string reply = PipeExchange("set 100 --json\n");
    if (reply.size() >= 2 && (reply[0] == '2' || reply[0] == '1') && reply[1] == '\n') ++refused;
    if (reply.rfind("1\ntoo many", 0) == 0) ++throttled;
  }
  std::printf("hostile: %d of %d pipe requests refused, %d for coming too fast\n", refused, total, throttled);
  return refused == total ? 0 : 1;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
  std::wstring mode = argc > 1 ? argv[1] : L"";
  if (mode == L"attack") return Attack();
  if (mode == L"ping") return Ping();
  if (mode == L"pipe") return PipeAttack();
  std::fwprintf(stderr, L"usage: hostile attack|ping|pipe\n");
  return 64;
}
