#pragma once
#include <atomic>
#include <cstdint>
#include <string>

#include "platform/Clock.h"
#include "platform/Host.h"
#include "platform/Locale.h"
#include "platform/Log.h"
#include "platform/Threads.h"

namespace lumivane {

// The debug log memo. Lines are appended on the main thread; a line logged on another thread
// is queued to the main thread, so lines from one thread keep their order. Logging never
// throws: a line that cannot be appended is lost, and the caller goes on.
class ControllerLog final : public ILog {
 public:
  ControllerLog(IHost& host, IMainThread& mainThread, IClock& clock, const ILocale& locale);

  void LogLine(const std::u16string& text) noexcept override;
  void LogError(const std::u16string& message) noexcept override;
  std::u16string TimeText() noexcept override;
  // How many lines were logged so far, from any thread.
  uint64_t Lines() const noexcept { return lines_.load(std::memory_order_relaxed); }

 private:
  std::atomic<uint64_t> lines_{0};
  IHost& host_;
  IMainThread& mainThread_;
  IClock& clock_;
  const ILocale& locale_;
};

} // namespace lumivane
