// lumivanectl: drives the running Lumivane from the command line through its named pipe.
#include <windows.h>

#include <string>
#include <vector>

#include "platform/ControlRequest.h"

namespace {

using lumivane::ControlStatus;

constexpr char kUsage[] =
    "usage: lumivanectl COMMAND [OPTIONS]\n"
    "  list [--json]            every display: number, brightness, state, wheel, name\n"
    "  get [N] [--json]         the brightness of display N (default: the one the wheel turns)\n"
    "  set VALUE [N] [--wait]   VALUE 0-100, or +K / -K; --wait: until the display holds it\n"
    "  glare                    anti-glare, as a left click on the icon\n"
    "  select N                 makes N the display the wheel turns\n"
    "  panel                    opens the panel with one slider per display\n"
    "Exit codes: 0 done, 1 the display failed, 2 bad usage, 3 Lumivane is not running,\n"
    "4 no such display or not active.\n";

// UTF-8 text to a console as UTF-16, or as bytes to a file or pipe.
void Write(DWORD which, const std::string& text) {
  if (text.empty()) return;
  const HANDLE out = ::GetStdHandle(which);
  if (out == nullptr || out == INVALID_HANDLE_VALUE) return;
  DWORD mode = 0, done = 0;
  if (::GetConsoleMode(out, &mode)) {
    const int n = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(n), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
    ::WriteConsoleW(out, wide.data(), static_cast<DWORD>(wide.size()), &done, nullptr);
    return;
  }
  ::WriteFile(out, text.data(), static_cast<DWORD>(text.size()), &done, nullptr);
}

int Fail(ControlStatus status, const std::string& message) {
  Write(STD_ERROR_HANDLE, "lumivanectl: " + message + "\n");
  if (status == ControlStatus::BadUsage) Write(STD_ERROR_HANDLE, kUsage);
  return static_cast<int>(status);
}

struct Handle {
  HANDLE h = nullptr;
  explicit Handle(HANDLE handle) : h(handle == INVALID_HANDLE_VALUE ? nullptr : handle) {}
  ~Handle() {
    if (h) ::CloseHandle(h);
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
};

// The user SID of a token, copied.
bool TokenSid(HANDLE process, std::vector<BYTE>& sid) {
  HANDLE raw = nullptr;
  if (!::OpenProcessToken(process, TOKEN_QUERY, &raw)) return false;
  Handle token(raw);
  DWORD size = 0;
  ::GetTokenInformation(token.h, TokenUser, nullptr, 0, &size);
  if (size == 0) return false;
  std::vector<BYTE> user(size);
  if (!::GetTokenInformation(token.h, TokenUser, user.data(), size, &size)) return false;
  const PSID s = reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid;
  sid.assign(static_cast<BYTE*>(s), static_cast<BYTE*>(s) + ::GetLengthSid(s));
  return true;
}

// Whether the pipe's server is lumivane.exe running as this user.
bool ServedByLumivane(HANDLE pipe, ULONG& pid) {
  if (!::GetNamedPipeServerProcessId(pipe, &pid) || pid == 0) return false;
  Handle process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
  if (!process.h) return false;
  wchar_t path[MAX_PATH * 4];
  DWORD size = static_cast<DWORD>(sizeof path / sizeof path[0]);
  if (!::QueryFullProcessImageNameW(process.h, 0, path, &size)) return false;
  std::wstring image(path, size);
  const size_t slash = image.find_last_of(L"\\/");
  if (slash != std::wstring::npos) image.erase(0, slash + 1);
  if (::CompareStringOrdinal(image.c_str(), -1, L"lumivane.exe", -1, TRUE) != CSTR_EQUAL) return false;
  std::vector<BYTE> server, self;
  return TokenSid(process.h, server) && TokenSid(::GetCurrentProcess(), self) &&
         server.size() == self.size() && ::EqualSid(server.data(), self.data());
}

std::wstring PipeName() {
  DWORD session = 0;
  ::ProcessIdToSessionId(::GetCurrentProcessId(), &session);
  return L"\\\\.\\pipe\\Lumivane-control-" + std::to_wstring(session);
}

} // namespace

int wmain(int argc, wchar_t** argv) {
  std::string line;
  for (int i = 1; i < argc; ++i) {
    const std::wstring arg = argv[i];
    if (arg == L"--help" || arg == L"-h" || arg == L"/?") {
      Write(STD_OUTPUT_HANDLE, kUsage);
      return 0;
    }
    if (i > 1) line += ' ';
    for (wchar_t c : arg)
      line += c < 0x80 ? static_cast<char>(c) : '\x01'; // anything else is refused by the parser
    if (line.size() > lumivane::kMaxRequestBytes) break;
  }
  const lumivane::ParsedRequest parsed = lumivane::ParseControlRequest(line);
  if (!parsed.request) return Fail(ControlStatus::BadUsage, argc < 2 ? "no command" : parsed.error);

  const std::wstring name = PipeName();
  HANDLE raw = INVALID_HANDLE_VALUE;
  for (int attempt = 0; attempt < 20; ++attempt) {
    raw = ::CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                        SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION, nullptr);
    if (raw != INVALID_HANDLE_VALUE || ::GetLastError() != ERROR_PIPE_BUSY) break;
    ::WaitNamedPipeW(name.c_str(), 1000); // another client is being served
  }
  Handle pipe(raw);
  if (!pipe.h) return Fail(ControlStatus::NotRunning, "Lumivane is not running");
  ULONG server = 0;
  if (!ServedByLumivane(pipe.h, server))
    return Fail(ControlStatus::NotRunning, "the pipe is not served by Lumivane of this user");

  // The panel it may open takes the foreground from this console.
  ::AllowSetForegroundWindow(server);
  const std::string request = lumivane::ControlRequestLine(*parsed.request);
  DWORD done = 0;
  if (!::WriteFile(pipe.h, request.data(), static_cast<DWORD>(request.size()), &done, nullptr))
    return Fail(ControlStatus::NotRunning, "Lumivane did not take the request");
  std::string reply;
  char buffer[4096];
  while (reply.size() < (1u << 20) && ::ReadFile(pipe.h, buffer, sizeof buffer, &done, nullptr) && done > 0)
    reply.append(buffer, done);
  ControlStatus status = ControlStatus::DeviceFailed;
  std::string text;
  if (!lumivane::ParseControlReply(reply, status, text))
    return Fail(ControlStatus::NotRunning, "no answer from Lumivane");
  if (status != ControlStatus::Done) return Fail(status, text);
  Write(STD_OUTPUT_HANDLE, text);
  return 0;
}
