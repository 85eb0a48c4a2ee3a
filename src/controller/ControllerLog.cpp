#include "controller/ControllerLog.h"

#include "platform/Locale.h"

namespace lumivane {

ControllerLog::ControllerLog(IHost* host, IMainThread* mainThread, IClock* clock)
    : host_(host), mainThread_(mainThread), clock_(clock) {}

void ControllerLog::LogLine(const std::u16string& text) {
  // The memo is a C-string control: whatever follows a NUL would be lost or garbled there.
  std::u16string line = text.substr(0, text.find(u'\0'));
  if (!host_) return;
  if (!mainThread_ || mainThread_->IsMainThread()) {
    host_->AppendLogLine(line);
    return;
  }
  IHost* host = host_;
  mainThread_->Queue([host, line = std::move(line)] { host->AppendLogLine(line); });
}

void ControllerLog::LogError(const std::u16string& message) {
  LogLine(u"[" + TimeText() + u"] ERROR! " + message);
}

std::u16string ControllerLog::TimeText() {
  return CurrentLocale().FormatLongTime(clock_ ? clock_->Now() : LocalTime{});
}

} // namespace lumivane
