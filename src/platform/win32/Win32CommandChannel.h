#pragma once
#include <windows.h>

#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/CommandChannel.h"
#include "platform/Threads.h"
#include "platform/win32/UniqueHandles.h"

namespace lumivane::win32 {

// The pipe name the program serves in the caller's session.
std::wstring ControlPipeName();

// A named pipe that only this user, in this session, on this machine can open. One thread serves
// it, one client at a time: it reads one line, refuses a bad or too frequent one itself, and
// hands a request to the main thread, whose reply it writes back before it closes the connection.
class Win32CommandChannel final : public ICommandChannel {
 public:
  explicit Win32CommandChannel(IMainThread& mainThread) : mainThread_(mainThread) {}
  ~Win32CommandChannel() override { Close(); }
  Win32CommandChannel(const Win32CommandChannel&) = delete;
  Win32CommandChannel& operator=(const Win32CommandChannel&) = delete;

  bool Open(Handler handler) override;
  void Reply(Client client, const std::string& reply) override;
  void Close() override;

  // Requests faster than this many a second are refused.
  static constexpr int kMaxRequestsPerSecond = 20;
  // A client gets this long to send its line, and the program this long to answer it.
  static constexpr DWORD kReadTimeoutMs = 2000;
  static constexpr DWORD kAnswerTimeoutMs = 20000;

 private:
  // What the queued calls share with the serving thread; they may outlive a Close.
  struct State {
    std::mutex mutex;
    std::condition_variable replied;
    bool closed = false;
    Handler handler;
    std::map<Client, std::string> replies;
  };
  void Serve(UniqueHandle first) noexcept;
  void ServeClient(HANDLE pipe, Client client);
  bool ReadLine(HANDLE pipe, std::string& line, bool& overlong);
  bool WriteAll(HANDLE pipe, const std::string& text);
  UniqueHandle CreateInstance(bool first);

  IMainThread& mainThread_;
  std::shared_ptr<State> state_;
  UniqueHandle stop_;
  std::thread thread_;
  std::wstring name_;
  std::vector<BYTE> security_; // the descriptor with its DACL and SID
};

} // namespace lumivane::win32
