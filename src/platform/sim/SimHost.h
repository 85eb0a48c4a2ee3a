#pragma once
// The hidden main window and its process: the timer, the close, registered messages, the error
// box, the log memo and COM on the main thread.
#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/Host.h"

namespace lumivane {

class SimHost final : public IHost {
 public:
  SimHost(); // the constructing thread is the window's thread

  void SetTimerEnabled(bool enabled) override;
  bool TimerEnabled() const override;
  void RequestPass() override;
  void CloseMainForm() override;
  void HideMainForm() override;
  uint32_t TaskbarCreatedMessage() override;
  uint32_t RegisterWindowMessage(const std::u16string& name); // ids compare names without case
  void ShowErrorBox(const std::u16string& text) override;
  void AppendLogLine(const std::u16string& line) override;
  void InitializeCom() override;
  void UninitializeCom() override;
  void ShowMainWindow() override { ++shows_; }

  // What the window runs: the timer's handler and the destroy handler (FormClose).
  void SetOnTimer(std::function<void()> fn) { onTimer_ = std::move(fn); }
  void SetOnClose(std::function<void()> fn) { onClose_ = std::move(fn); }
  // One timer tick: runs the handler when the timer is enabled and the window is open.
  bool FireTimer();
  // What the window runs for a requested pass (IHost::RequestPass).
  void SetOnPass(std::function<void()> fn) { onPass_ = std::move(fn); }
  // The message loop reaches the pending request: runs the pass handler when one is pending, the
  // timer is enabled and the window is open. The request is used up either way.
  bool DeliverPass();
  bool PassPending() const { return passPending_; }
  int PassRequests() const { return passRequests_; } // calls of RequestPass

  int TimerEnableCount() const { return enables_; }
  int TimerDisableCount() const { return disables_; }
  bool Closed() const { return closed_; }
  int CloseCount() const { return closeCount_; }
  int HideCount() const { return hides_; }
  const std::vector<std::u16string>& ErrorBoxes() const { return errorBoxes_; }
  std::vector<std::u16string> LogLines() const;
  std::vector<std::u16string> LogLinesFrom(size_t first) const; // lines from index first on
  size_t OffThreadAppends() const; // log lines appended from a thread other than the window's
  // While set, appending a log line throws (a control that cannot take more text).
  void FailLogAppends(bool fail) { failAppends_ = fail; }
  const std::map<std::u16string, uint32_t>& RegisteredMessages() const { return messages_; }
  int ComInitCount() const { return comInits_; }
  int ComUninitCount() const { return comUninits_; }
  int MainWindowShows() const { return shows_; }

 private:
  std::thread::id windowThread_;
  bool timerEnabled_ = false;
  int enables_ = 0, disables_ = 0;
  bool closed_ = false;
  int closeCount_ = 0;
  int hides_ = 0;
  std::function<void()> onTimer_, onClose_, onPass_;
  bool passPending_ = false;
  int passRequests_ = 0;
  std::map<std::u16string, uint32_t> messages_;
  uint32_t nextMessage_ = 0xC000;
  std::vector<std::u16string> errorBoxes_;
  mutable std::mutex logMutex_;
  std::vector<std::u16string> log_;
  size_t offThread_ = 0;
  std::atomic<bool> failAppends_{false};
  int comInits_ = 0, comUninits_ = 0;
  int shows_ = 0;
};

} // namespace lumivane
