#include <cstdint>
#include <limits>

#include "controller/MainForm.h"
#include "devices/DeviceTable.h"
#include "devices/Devices.h"
#include "devices/RediscoveryJob.h"

namespace lumivane {

namespace {
// Enables the timer when the pass ends, whichever way it ends, unless the pass closed the form.
class TimerRearm {
 public:
  explicit TimerRearm(IHost& host) : host_(host) {}
  ~TimerRearm() {
    if (!armed_) return;
    try {
      host_.SetTimerEnabled(true);
    } catch (...) {
    }
  }
  TimerRearm(const TimerRearm&) = delete;
  TimerRearm& operator=(const TimerRearm&) = delete;
  void Dismiss() { armed_ = false; }

 private:
  IHost& host_;
  bool armed_ = true;
};
} // namespace

bool TController::Elapsed(uint64_t since, uint64_t ms) const {
  const uint64_t now = NowUnixMs();
  return since == 0 || now < since || now - since >= ms;
}

void TController::Timer1Timer() noexcept {
  RunPass(false);
}

void TController::RequestedPass() noexcept {
  RunPass(true);
}

void TController::RunPass(bool requested) noexcept {
  try {
    // An idle program runs this ten times a second, so a pass that would only repeat one that
    // found nothing to do touches as little as it can: no clock, no timer, only the icon's check.
    if (RunState >= 1 && QuietRepeat()) {
      if (++TickPhase >= 10) TickPhase = 1;
      Guarded([&] { KeepIconVisible(); });
      return;
    }
    // Timer1 stays armed: its own next tick runs the pass.
    if (!requested && lastPassEndTick_ && platform_.clock->TickMs() - *lastPassEndTick_ < kMinPassSpacingMs)
      return;
    IHost& host = *platform_.host;
    TimerRearm rearm(host);
    // Measured from the end of the pass, whichever way it ends.
    struct PassEnd {
      TController& c;
      ~PassEnd() {
        try {
          c.lastPassEndTick_ = c.platform_.clock->TickMs();
        } catch (...) {
        }
      }
    } passEnd{*this};
    host.SetTimerEnabled(false);
    ProgramMatched = false;
    DeviceDisabled = false;
    SendNeeded = false;
    if (++TickPhase >= 10) TickPhase = 1;

    if (RunState < 1) {
      if (WorkerBusy) return;
      host.CloseMainForm();
      rearm.Dismiss();
      return;
    }
    TimerPass();
  } catch (...) {
    LogCurrentException();
  }
}

bool TController::NothingWaits() const {
  if (RangeChanged || MenuRebuildRequested || ProgramsChanged || RescanRequested || WorkerBusy) return false;
  if (!PendingDevice.empty() || !setWaits_.empty() || panel_ || resume_.Running() || !backOff_.Idle())
    return false;
  return !Form.TrackBox.Checked();
}

bool TController::PassMayBeQuiet() const {
  if (!NothingWaits()) return false;
  const TAssoc* programs = Programs();
  return !programs || programs->Count() == 0;
}

// The rules live in the trees: with no tree changed since the quiet pass, there are still none.
bool TController::QuietRepeat() const {
  return quietInputs_ && NothingWaits() && SameInputs(*quietInputs_);
}

TController::PassInputs TController::InputsNow() const {
  PassInputs now;
  now.treeChanges = TAssoc::Changes();
  now.logLines = log_.Lines();
  now.commandStamp = CommandStamp;
  now.active = ActiveDevice;
  now.runState = RunState;
  now.shown = ShownBrightness;
  now.others = OtherActiveCount;
  now.beforeProgram = BrightnessBeforeProgram;
  now.step = StepPercent;
  now.rangeMin = RangeMin;
  now.rangeMax = RangeMax;
  now.sync = Form.SyncBox.Checked();
  now.track = Form.TrackBox.Checked();
  return now;
}

bool TController::SameInputs(const PassInputs& seen) const {
  // By hand: a call to compare the key (char_traits, or memcmp) costs more than all the rest.
  bool sameActive = seen.active.size() == ActiveDevice.size();
  for (size_t i = 0; sameActive && i < ActiveDevice.size(); ++i)
    sameActive = seen.active[i] == ActiveDevice[i];
  return seen.treeChanges == TAssoc::Changes() && seen.logLines == log_.Lines() &&
         seen.commandStamp == CommandStamp && sameActive && seen.runState == RunState &&
         seen.shown == ShownBrightness && seen.others == OtherActiveCount &&
         seen.beforeProgram == BrightnessBeforeProgram && seen.step == StepPercent &&
         seen.rangeMin == RangeMin && seen.rangeMax == RangeMax && seen.sync == Form.SyncBox.Checked() &&
         seen.track == Form.TrackBox.Checked();
}

// Each step is guarded on its own: later passes rely on the timer coming back, and one
// failing step should not keep the others from running.
void TController::TimerPass() {
  quietInputs_.reset();
  std::optional<PassInputs> before;
  if (PassMayBeQuiet()) before = InputsNow();
  PassSteps();
  // The steps have run: whether the pass found something to do shows in what it changed.
  if (before && PassMayBeQuiet() && !SendNeeded && !DeviceDisabled && SameInputs(*before))
    quietInputs_ = before;
}

void TController::KeepIconVisible() {
  if (RunState > 0 && !platform_.tray->IsVisible()) platform_.tray->SetVisible(true);
}

void TController::PassSteps() {
  if (RangeChanged) {
    RangeChanged = false;
    Guarded([&] { RangeRefresh(); });
  }
  if (MenuRebuildRequested) {
    MenuRebuildRequested = false;
    Guarded([&] { BuildMenu(); });
  }
  if (ProgramsChanged) {
    ProgramsChanged = false;
    Guarded([&] { ProgramRules(); });
  }
  Guarded([&] { ResumeRescanDue(); });
  Guarded([&] {
    // An idle pass reads no wall clock: that costs a time-zone conversion.
    if (backOff_.Idle()) {
      backOff_.Rest();
      return;
    }
    backOff_.Tick(NowUnixMs());
    if (backOff_.RescanDue()) RescanRequested = true;
  });
  if (RescanRequested && !WorkerBusy && Elapsed(lastRescanEndMs_, kRescanHoldMs)) {
    RescanRequested = false;
    Guarded([&] { Rescan(); });
  }
  Guarded([&] { ResumeStep(); });
  if (!CommandsSettled()) {
    Guarded([&] { CommandPass(); });
    Guarded([&] { NewestEntry(); });
    Guarded([&] { PruneCommands(); });
  }
  Guarded([&] { DeviceSteps(); });
  Guarded([&] { RefreshPanel(); });
  Guarded([&] { SetWaitSteps(); });
  Guarded([&] { KeepIconVisible(); });
}

void TController::RangeRefresh() {
  TAssoc* devices = DeviceTable();
  if (!devices || !devices->All()) return;
  for (const auto& [key, child] : *devices->All()) {
    TAssoc& record = *child;
    Guarded([&] {
      if (record.IsSet(u"min_orig")) record.Items(u"min") = record.Items(u"min_orig").Val();
      if (record.IsSet(u"max_orig")) record.Items(u"max") = record.Items(u"max_orig").Val();
      if (RangeMin > RecordInt(record, u"min", std::numeric_limits<int64_t>::min()))
        record.Items(u"min") = Variant::Narrow(RangeMin);
      if (RangeMax < RecordInt(record, u"max", std::numeric_limits<int64_t>::max()))
        record.Items(u"max") = Variant::Narrow(RangeMax);
    });
  }
}

void TController::Rescan() {
  if (!DeviceTable()) return;
  const DiscoverySettings settings{RangeMin, RangeMax, Form.DetectModelBox.Checked()};
  WorkerEnv env{MakeDevicePorts(), *platform_.mainThread, [this] { return DeviceTable(); },
                [this] { WorkerBusy = false; }};
  WorkerBusy = true;
  rescanStamp_ = CommandStamp;
  rescanDevice_ = ActiveDevice;
  rescanRangeMin_ = RangeMin;
  rescanRangeMax_ = RangeMax;
  rescanWakes_ = wakes_;
  try {
    platform_.pool->Run(RediscoverDevicesJob(env, settings, [this](TAssoc& fresh) { TakeDevices(fresh); }));
  } catch (...) {
    // A job that never started can never clear the flag itself.
    WorkerBusy = false;
    lastRescanEndMs_ = NowUnixMs();
    throw;
  }
}

void TController::TakeDevices(TAssoc& fresh) {
  const bool first = startupTablePending_;
  // Rescans are spaced from the end of the last one; the start-up discovery does not count.
  struct RescanEnd {
    TController& c;
    bool first;
    ~RescanEnd() {
      try {
        if (!first) c.lastRescanEndMs_ = c.NowUnixMs();
      } catch (...) {
      }
    }
  } rescanEnd{*this, first};
  TAssoc* devices = DeviceTable();
  if (!devices) return;
  devices->SwapChildren(fresh);
  startupTablePending_ = false;
  // Limits changed while the devices were looked for apply to the records found.
  if (RangeMin != rescanRangeMin_ || RangeMax != rescanRangeMax_) Guarded([&] { RangeRefresh(); });
  // Input carried out while the devices were looked for runs again from the values found, as
  // it would have run after a rescan that held the thread.
  if (ActiveDevice == rescanDevice_ && CommandStamp != rescanStamp_)
    if (TAssoc* cmd = Root ? &Root->Items(u"cmd") : nullptr; cmd && cmd->All())
      for (const auto& [key, entry] : *cmd->All()) {
        int64_t stamp = 0;
        try {
          stamp = key.ToInt64();
        } catch (...) {
          continue;
        }
        if (stamp > static_cast<int64_t>(rescanStamp_) && entry->IsSet(u"z")) entry->Remove(u"z");
      }
  backOff_.Rediscovered(*devices);
  if (first) Guarded([&] { RestoreStoredDevice(); });
  BuildMenu();
  // A table read before a wake says nothing of what the devices hold after it.
  if (wakes_ == rescanWakes_) resume_.Rescanned();
  if (first) LogLine(u"[" + log_.TimeText() + u"] Dump:" + devices->Dump(false, u"", false));
}

void TController::DeviceSteps() {
  TAssoc* devices = DeviceTable();
  if (!devices || devices->Count() == 0) return;
  if (!WorkerBusy)
    Guarded([&] {
      ErrorSweep();
      // A rescan the sweep started holds the worker; the table it brings comes next pass.
      if (!WorkerBusy) ActiveDeviceSteps();
    });
  Guarded([&] { ResumeJobs(); });
  // Runs whether or not the worker is busy, and whether or not a device step failed.
  Guarded([&] { ProgramStep(); });
}

} // namespace lumivane
