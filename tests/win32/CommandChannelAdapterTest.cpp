// The command pipe as a client on this machine meets it.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <vector>

#include "platform/win32/Win32CommandChannel.h"

namespace lumivane::win32 {
namespace {

// Runs queued calls at once, on the serving thread, and counts them.
class ImmediateMainThread final : public IMainThread {
 public:
  bool IsMainThread() const override { return true; }
  void Synchronize(const std::function<void()>& fn) override { fn(); }
  void Queue(std::function<void()> fn) override {
    ++queued;
    fn();
  }
  std::atomic<int> queued{0};
};

// One connection: sends bytes, returns everything that came back; "" when the pipe is missing.
std::string Exchange(const std::string& bytes, DWORD* openError = nullptr) {
  const std::wstring name = ControlPipeName();
  HANDLE pipe = INVALID_HANDLE_VALUE;
  for (int attempt = 0; attempt < 20 && pipe == INVALID_HANDLE_VALUE; ++attempt) {
    pipe = ::CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (pipe == INVALID_HANDLE_VALUE && ::GetLastError() != ERROR_PIPE_BUSY) break;
    if (pipe == INVALID_HANDLE_VALUE) ::WaitNamedPipeW(name.c_str(), 500);
  }
  if (openError) *openError = pipe == INVALID_HANDLE_VALUE ? ::GetLastError() : 0;
  if (pipe == INVALID_HANDLE_VALUE) return {};
  DWORD done = 0;
  for (size_t sent = 0; sent < bytes.size(); sent += 4096) {
    const DWORD chunk = static_cast<DWORD>(bytes.size() - sent < 4096 ? bytes.size() - sent : 4096);
    if (!::WriteFile(pipe, bytes.data() + sent, chunk, &done, nullptr)) break;
  }
  std::string reply;
  char buffer[512];
  while (::ReadFile(pipe, buffer, sizeof buffer, &done, nullptr) && done > 0)
    reply.append(buffer, done);
  ::CloseHandle(pipe);
  return reply;
}

class Win32CommandChannelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(channel.Open([this](ICommandChannel::Client client, const ControlRequest& r) {
      requests.push_back(r);
      channel.Reply(client, ControlReply(ControlStatus::Done, ControlRequestLine(r)));
    }));
  }
  ImmediateMainThread main;
  Win32CommandChannel channel{main};
  std::vector<ControlRequest> requests;
};

TEST_F(Win32CommandChannelTest, ARequestReachesTheMainThreadAndItsReplyTheClient) {
  EXPECT_EQ(Exchange("set +5 2 --wait\n"), "0\nset +5 2 --wait\n");
  EXPECT_EQ(Exchange("list\n"), "0\nlist\n"); // the next client is served as well
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].value, 5);
}

TEST_F(Win32CommandChannelTest, RefusedLinesNeverReachTheMainThread) {
  const std::string lines[] = {std::string(100000, 'A'), std::string("list\0\n", 6), "set 500\n",
                               std::string(300, ' ') + "list\n"};
  for (const std::string& line : lines)
    EXPECT_EQ(Exchange(line).substr(0, 2), "2\n") << line.size();
  EXPECT_EQ(main.queued.load(), 0);
  EXPECT_EQ(Exchange("get\n"), "0\nget\n");
}

TEST_F(Win32CommandChannelTest, ASecondChannelCannotTakeTheName) {
  ImmediateMainThread other;
  Win32CommandChannel second{other};
  EXPECT_FALSE(second.Open([](ICommandChannel::Client, const ControlRequest&) {}));
  EXPECT_EQ(Exchange("list\n"), "0\nlist\n");
}

TEST_F(Win32CommandChannelTest, CloseEndsTheThreadWhileAClientSaysNothing) {
  HANDLE idle = ::CreateFileW(ControlPipeName().c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              0, nullptr);
  ASSERT_NE(idle, INVALID_HANDLE_VALUE);
  const auto start = std::chrono::steady_clock::now();
  channel.Close();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
  ::CloseHandle(idle);
  DWORD error = 0;
  EXPECT_EQ(Exchange("list\n", &error), "");
  EXPECT_NE(error, 0u);
}

} // namespace
} // namespace lumivane::win32
