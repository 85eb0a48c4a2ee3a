#pragma once
#include <string>

namespace lumivane {

// The debug log as the subsystems below the controller see it. Callable from any thread:
// lines logged off the main thread are handed to it and appended there in order.
class ILog {
 public:
  virtual ~ILog() = default;
  virtual void LogLine(const std::u16string& text) = 0;
  virtual void LogError(const std::u16string& message) = 0; // "[" T "] ERROR! " message
  virtual std::u16string TimeText() = 0;                    // T, the user's long time format
};

} // namespace lumivane
