#include "controller/ControllerLog.h"

namespace lumivane {

ControllerLog::ControllerLog(IHost& host, IMainThread& mainThread, IClock& clock, const ILocale& locale)
    : host_(host), mainThread_(mainThread), clock_(clock), locale_(locale) {}

void ControllerLog::LogLine(const std::u16string& text) noexcept {
  lines_.fetch_add(1, std::memory_order_relaxed);
  try {
    // The memo is a C-string control: whatever follows a NUL would be lost or garbled there.
    std::u16string line = text.substr(0, text.find(u'\0'));
    if (mainThread_.IsMainThread()) {
      host_.AppendLogLine(line);
      return;
    }
    IHost* host = &host_;
    mainThread_.Queue([host, line = std::move(line)] {
      try {
        host->AppendLogLine(line);
      } catch (...) {
      }
    });
  } catch (...) {
    // The log is a diagnostic: losing a line must not stop what was being logged about.
  }
}

void ControllerLog::LogError(const std::u16string& message) noexcept {
  try {
    LogLine(u"[" + TimeText() + u"] ERROR! " + message);
  } catch (...) {
  }
}

std::u16string ControllerLog::TimeText() noexcept {
  try {
    return locale_.FormatLongTime(clock_.Now());
  } catch (...) {
    return {};
  }
}

} // namespace lumivane
