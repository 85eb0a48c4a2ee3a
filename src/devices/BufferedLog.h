#pragma once
// Lines held back and handed to the real log later, in the order they came. Work that runs at
// the same time as other work logs into one of these, so that the log reads as if each piece
// had run in turn.
#include <string>
#include <utility>
#include <vector>

#include "platform/Log.h"

namespace lumivane {

class BufferedLog final : public ILog {
 public:
  explicit BufferedLog(ILog& target) : target_(target) {}

  void LogLine(const std::u16string& text) override { lines_.emplace_back(false, text); }
  void LogError(const std::u16string& message) override { lines_.emplace_back(true, message); }
  std::u16string TimeText() override { return target_.TimeText(); }

  // Hands the lines on and forgets them.
  void Flush() {
    auto lines = std::move(lines_);
    lines_.clear();
    for (const auto& [error, text] : lines)
      error ? target_.LogError(text) : target_.LogLine(text);
  }

 private:
  ILog& target_;
  std::vector<std::pair<bool, std::u16string>> lines_;
};

} // namespace lumivane
