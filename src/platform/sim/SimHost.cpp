#include "platform/sim/SimHost.h"

#include <stdexcept>

namespace lumivane {

namespace {
// Window message names compare without regard to case.
std::u16string FoldCase(std::u16string s) {
  for (char16_t& c : s)
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
  return s;
}
} // namespace

SimHost::SimHost() : windowThread_(std::this_thread::get_id()) {}

void SimHost::SetTimerEnabled(bool enabled) {
  timerEnabled_ = enabled;
  ++(enabled ? enables_ : disables_);
}

bool SimHost::TimerEnabled() const {
  return timerEnabled_;
}

void SimHost::HideMainForm() {
  ++hides_;
}

void SimHost::CloseMainForm() {
  ++closeCount_;
  if (closed_) return;
  closed_ = true;
  timerEnabled_ = false; // a destroyed window has no timer
  if (onClose_) onClose_();
}

bool SimHost::FireTimer() {
  if (!timerEnabled_ || closed_ || !onTimer_) return false;
  onTimer_();
  return true;
}

void SimHost::RequestPass() {
  ++passRequests_;
  passPending_ = true;
}

bool SimHost::DeliverPass() {
  if (!passPending_) return false;
  passPending_ = false;
  if (!timerEnabled_ || closed_ || !onPass_) return false;
  onPass_();
  return true;
}

uint32_t SimHost::RegisterWindowMessage(const std::u16string& name) {
  auto [it, added] = messages_.emplace(FoldCase(name), nextMessage_);
  if (added) ++nextMessage_;
  return it->second;
}

uint32_t SimHost::TaskbarCreatedMessage() {
  return RegisterWindowMessage(u"TaskbarCreated");
}

void SimHost::ShowErrorBox(const std::u16string& text) {
  errorBoxes_.push_back(text);
}

void SimHost::AppendLogLine(const std::u16string& line) {
  if (failAppends_) throw std::runtime_error("log memo is full");
  std::lock_guard lock(logMutex_);
  if (std::this_thread::get_id() != windowThread_) ++offThread_;
  log_.push_back(line);
  if (log_.size() > kLogLineLimit)
    log_.erase(log_.begin(), log_.end() - static_cast<std::ptrdiff_t>(kLogLineLimit));
}

std::vector<std::u16string> SimHost::LogLines() const {
  std::lock_guard lock(logMutex_);
  return log_;
}

std::vector<std::u16string> SimHost::LogLinesFrom(size_t first) const {
  std::lock_guard lock(logMutex_);
  if (first >= log_.size()) return {};
  return std::vector<std::u16string>(log_.begin() + static_cast<std::ptrdiff_t>(first), log_.end());
}

size_t SimHost::OffThreadAppends() const {
  std::lock_guard lock(logMutex_);
  return offThread_;
}

void SimHost::InitializeCom() {
  ++comInits_;
}

void SimHost::UninitializeCom() {
  ++comUninits_;
}

} // namespace lumivane
