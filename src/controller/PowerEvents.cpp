// Monitors often forget their brightness over sleep, or refuse DDC/CI for a few seconds after
// waking. The program rediscovers them twice and writes the brightness of before sleep back.
#include <algorithm>

#include "controller/MainForm.h"

namespace lumivane {

void TController::PowerSuspend() {
  if (ShownBrightness >= 0) BrightnessBeforeSleep = ShownBrightness;
}

void TController::PowerResume() {
  // Windows reports one wake twice (automatic, then by the user); both lead to the same plan.
  if (RunState <= 0) return;
  RescanRequested = true;
  ResumeRescanAtMs = NowUnixMs() + kResumeRescanDelayMs;
  restoresLeft_ = BrightnessBeforeSleep >= 0 ? 2 : 0;
}

void TController::ResumeRescanDue() {
  if (ResumeRescanAtMs == 0) return;
  const uint64_t now = NowUnixMs();
  // A clock set back by more than the delay must not postpone the rescan for an hour.
  if (now < ResumeRescanAtMs && now + kResumeRescanDelayMs >= ResumeRescanAtMs) return;
  ResumeRescanAtMs = 0;
  RescanRequested = true;
}

void TController::RestoreAfterResume() {
  if (restoresLeft_ <= 0 || BrightnessBeforeSleep < 0 || !Root) return;
  TAssoc& cmd = Root->Items(u"cmd");
  // Newer than every entry, the menu build's "u" of this rescan included, so that it is the
  // newest entry and is carried out.
  uint64_t stamp = NowUnixMs();
  if (const TAssocTable* all = cmd.All())
    for (const auto& [key, child] : *all)
      if (key.IsInteger() && key.ToInt64() >= 0)
        stamp = std::max(stamp, static_cast<uint64_t>(key.ToInt64()) + 1);
  cmd.Items(Variant(stamp)).Items(u"i") = Variant::Narrow(BrightnessBeforeSleep);
  if (restoresLeft_ == 2)
    LogLine(u"[" + log_.TimeText() + u"] Resumed from sleep: brightness " +
            Variant::Narrow(BrightnessBeforeSleep).Text() + u" is written to the displays again");
  if (--restoresLeft_ == 0) BrightnessBeforeSleep = -1;
}

} // namespace lumivane
