#include "platform/win32/Win32CommandChannel.h"

#include <chrono>
#include <deque>
#include <utility>

namespace lumivane::win32 {

namespace {

// An absolute descriptor laid out in one buffer: the descriptor, the ACL, the SID.
bool CurrentUserOnly(std::vector<BYTE>& buffer) {
  HANDLE raw = nullptr;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &raw)) return false;
  UniqueHandle token(raw);
  DWORD size = 0;
  ::GetTokenInformation(token.get(), TokenUser, nullptr, 0, &size);
  if (size == 0) return false;
  std::vector<BYTE> user(size);
  if (!::GetTokenInformation(token.get(), TokenUser, user.data(), size, &size)) return false;
  const PSID sid = reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid;
  const DWORD sidSize = ::GetLengthSid(sid);
  const DWORD aclSize = sizeof(ACL) + sizeof(ACCESS_ALLOWED_ACE) - sizeof(DWORD) + sidSize;
  buffer.assign(sizeof(SECURITY_DESCRIPTOR) + aclSize + sidSize, 0);
  auto* sd = reinterpret_cast<SECURITY_DESCRIPTOR*>(buffer.data());
  auto* acl = reinterpret_cast<ACL*>(buffer.data() + sizeof(SECURITY_DESCRIPTOR));
  const PSID own = buffer.data() + sizeof(SECURITY_DESCRIPTOR) + aclSize;
  return ::CopySid(sidSize, own, sid) && ::InitializeAcl(acl, aclSize, ACL_REVISION) &&
         ::AddAccessAllowedAce(acl, ACL_REVISION, GENERIC_READ | GENERIC_WRITE, own) &&
         ::InitializeSecurityDescriptor(sd, SECURITY_DESCRIPTOR_REVISION) &&
         ::SetSecurityDescriptorDacl(sd, TRUE, acl, FALSE) && ::SetSecurityDescriptorOwner(sd, own, FALSE);
}

// Waits for an overlapped call on pipe; false when stop is set, the time runs out or it fails.
bool Finish(HANDLE pipe, OVERLAPPED& ov, HANDLE stop, DWORD timeoutMs, DWORD& done) {
  const HANDLE events[] = {ov.hEvent, stop};
  const DWORD wait = ::WaitForMultipleObjects(2, events, FALSE, timeoutMs);
  if (wait != WAIT_OBJECT_0) {
    ::CancelIoEx(pipe, &ov);
    ::GetOverlappedResult(pipe, &ov, &done, TRUE);
    return false;
  }
  return ::GetOverlappedResult(pipe, &ov, &done, FALSE) != FALSE;
}

} // namespace

std::wstring ControlPipeName() {
  DWORD session = 0;
  ::ProcessIdToSessionId(::GetCurrentProcessId(), &session);
  return L"\\\\.\\pipe\\Lumivane-control-" + std::to_wstring(session);
}

UniqueHandle Win32CommandChannel::CreateInstance(bool first) {
  SECURITY_ATTRIBUTES sa{sizeof sa, security_.data(), FALSE};
  const DWORD open = PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED | (first ? FILE_FLAG_FIRST_PIPE_INSTANCE : 0);
  const DWORD mode = PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS;
  // Two instances: the one being closed and the next, which listens.
  HANDLE pipe = ::CreateNamedPipeW(name_.c_str(), open, mode, 2, 4096, 4096, 0, &sa);
  return UniqueHandle(pipe == INVALID_HANDLE_VALUE ? nullptr : pipe);
}

bool Win32CommandChannel::Open(Handler handler) {
  if (thread_.joinable()) return false;
  if (!CurrentUserOnly(security_)) return false;
  name_ = ControlPipeName();
  // A name that someone else already holds is not ours to serve. FILE_FLAG_FIRST_PIPE_INSTANCE
  // says so on Windows; Wine ignores the flag, so an existing instance is looked for first.
  if (::WaitNamedPipeW(name_.c_str(), 1) || ::GetLastError() != ERROR_FILE_NOT_FOUND) return false;
  UniqueHandle first = CreateInstance(true);
  if (!first) return false;
  stop_.reset(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
  if (!stop_) return false;
  state_ = std::make_shared<State>();
  state_->handler = std::move(handler);
  try {
    thread_ = std::thread([this, pipe = first.release()]() mutable { Serve(UniqueHandle(pipe)); });
  } catch (...) {
    state_.reset();
    return false;
  }
  return true;
}

void Win32CommandChannel::Reply(Client client, const std::string& reply) {
  if (!state_) return;
  {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->replies[client] = reply;
  }
  state_->replied.notify_all();
}

void Win32CommandChannel::Close() {
  if (!thread_.joinable()) return;
  {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->closed = true;
    state_->handler = nullptr;
  }
  state_->replied.notify_all();
  ::SetEvent(stop_.get());
  thread_.join();
}

void Win32CommandChannel::Serve(UniqueHandle pipe) noexcept {
  Client next = 1;
  std::deque<ULONGLONG> recent; // when the last requests came
  while (pipe) {
    try {
      UniqueHandle connected(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
      if (!connected) return;
      OVERLAPPED ov{};
      ov.hEvent = connected.get();
      bool ok = ::ConnectNamedPipe(pipe.get(), &ov) != FALSE;
      const DWORD error = ::GetLastError();
      DWORD done = 0;
      if (!ok && error == ERROR_IO_PENDING)
        ok = Finish(pipe.get(), ov, stop_.get(), INFINITE, done);
      else if (!ok && error == ERROR_PIPE_CONNECTED)
        ok = true;
      if (::WaitForSingleObject(stop_.get(), 0) == WAIT_OBJECT_0) return;
      if (!ok) {
        // A client that came and went before it was seen: wait for the next one.
        ::DisconnectNamedPipe(pipe.get());
        ::Sleep(10);
        continue;
      }
      const ULONGLONG now = ::GetTickCount64();
      while (!recent.empty() && now - recent.front() >= 1000)
        recent.pop_front();
      if (recent.size() >= static_cast<size_t>(kMaxRequestsPerSecond)) {
        WriteAll(pipe.get(), ControlReply(ControlStatus::DeviceFailed, "too many requests; try again"));
      } else {
        recent.push_back(now);
        ServeClient(pipe.get(), next++);
      }
      // The next instance listens before this one goes, so that a client never finds the name
      // missing. This one is closed, not disconnected: the client still reads what was written,
      // and nothing here waits for it to do so.
      UniqueHandle following = CreateInstance(false);
      if (!following) return;
      pipe = std::move(following);
    } catch (...) {
      return;
    }
  }
}

bool Win32CommandChannel::ReadLine(HANDLE pipe, std::string& line, bool& overlong) {
  UniqueHandle readEvent(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
  if (!readEvent) return false;
  const ULONGLONG start = ::GetTickCount64();
  char buffer[64];
  // Never more than the longest line, its CR LF and one byte that shows it is too long.
  while (line.size() <= kMaxRequestBytes + 2) {
    const ULONGLONG spent = ::GetTickCount64() - start;
    if (spent >= kReadTimeoutMs) return false;
    const size_t room = kMaxRequestBytes + 3 - line.size();
    OVERLAPPED ov{};
    ov.hEvent = readEvent.get();
    DWORD got = 0;
    const DWORD want = static_cast<DWORD>(room < sizeof buffer ? room : sizeof buffer);
    bool ok = ::ReadFile(pipe, buffer, want, &got, &ov) != FALSE;
    if (!ok && ::GetLastError() == ERROR_IO_PENDING)
      ok = Finish(pipe, ov, stop_.get(), static_cast<DWORD>(kReadTimeoutMs - spent), got);
    if (!ok || got == 0) return !line.empty() && line.back() == '\n';
    for (DWORD i = 0; i < got; ++i) {
      line += buffer[i];
      if (buffer[i] == '\n') return true; // what follows the line is never read
    }
  }
  overlong = true;
  return false;
}

bool Win32CommandChannel::WriteAll(HANDLE pipe, const std::string& text) {
  UniqueHandle writeEvent(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
  if (!writeEvent) return false;
  size_t sent = 0;
  while (sent < text.size()) {
    OVERLAPPED ov{};
    ov.hEvent = writeEvent.get();
    DWORD done = 0;
    const DWORD chunk = static_cast<DWORD>(text.size() - sent < 4096 ? text.size() - sent : 4096);
    bool ok = ::WriteFile(pipe, text.data() + sent, chunk, &done, &ov) != FALSE;
    if (!ok && ::GetLastError() == ERROR_IO_PENDING) ok = Finish(pipe, ov, stop_.get(), kReadTimeoutMs, done);
    if (!ok || done == 0) return false;
    sent += done;
  }
  return true;
}

void Win32CommandChannel::ServeClient(HANDLE pipe, Client client) {
  std::string line;
  bool overlong = false;
  if (!ReadLine(pipe, line, overlong)) {
    if (overlong)
      WriteAll(pipe, ControlReply(ControlStatus::BadUsage, "request too long"));
    else
      WriteAll(pipe, ControlReply(ControlStatus::BadUsage, "incomplete request"));
    return;
  }
  const ParsedRequest parsed = ParseControlRequest(line);
  if (!parsed.request) {
    WriteAll(pipe, ControlReply(ControlStatus::BadUsage, parsed.error));
    return;
  }
  const std::shared_ptr<State> state = state_;
  const ControlRequest request = *parsed.request;
  mainThread_.Queue([state, client, request] {
    Handler handler;
    {
      std::lock_guard<std::mutex> lock(state->mutex);
      if (state->closed) return;
      handler = state->handler;
    }
    if (handler) handler(client, request);
  });
  std::string reply;
  {
    std::unique_lock<std::mutex> lock(state->mutex);
    const bool answered = state->replied.wait_for(lock, std::chrono::milliseconds(kAnswerTimeoutMs), [&] {
      return state->closed || state->replies.count(client) != 0;
    });
    if (answered && state->replies.count(client)) {
      reply = std::move(state->replies[client]);
      state->replies.erase(client);
    } else {
      state->replies.erase(client);
      reply = ControlReply(ControlStatus::NotRunning, answered ? "Lumivane is closing" : "no answer in time");
    }
  }
  WriteAll(pipe, reply);
}

} // namespace lumivane::win32
