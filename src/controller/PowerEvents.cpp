// Monitors often wake at another brightness, or refuse DDC/CI for a few seconds after waking.
// Each device in use before sleep gets its own value back once it answers again: the active
// device through a command, as the wheel would, the others through jobs of their own. Rescans
// look for the devices still missing; a minute after the wake, or once the user changes a
// device, its wait ends.
#include <algorithm>
#include <exception>
#include <map>
#include <vector>

#include "controller/MainForm.h"
#include "devices/DeviceTable.h"
#include "devices/RestoreJob.h"

namespace lumivane {

namespace {
// The value a device can take of wanted, as the worker brings a synchronised device there: within
// its range, and for a panel with fixed levels the nearest level at or above, else below.
int64_t TargetFor(const TAssoc& record, int64_t wanted) {
  const int64_t min = RecordInt(record, u"min"), max = RecordInt(record, u"max", 100);
  int64_t t = std::min(wanted, max);
  t = std::max(t, min);
  const TAssoc* levels = FindChild(record, Variant(u"level"));
  if (RecordFlag(record, u"internal") && levels && !levels->IsSet(Variant::Narrow(t))) {
    // Hostile stored limits can span the whole 32-bit range: search the levels, not the range.
    const NearLevels near = NearestLevels(*levels, t, min, max);
    t = near.up ? *near.up : near.down ? *near.down : min;
  }
  return t;
}
} // namespace

void TController::PowerSuspend() {
  TAssoc* devices = DeviceTable();
  if (!devices || !devices->All()) return;
  std::map<std::u16string, int> values;
  for (const auto& [key, child] : *devices->All()) {
    Guarded([&, &key = key, &child = child] {
      if (!RecordFlag(*child, u"active")) return;
      // The active device's value is the one the user last chose, which its write may not have
      // reached yet.
      const int64_t v = key.Text() == ActiveDevice && ShownBrightness >= 0
                            ? ShownBrightness
                            : RecordInt(*child, u"brightness", -1);
      if (v >= 0 && v <= 100) values[key.Text()] = static_cast<int>(v);
    });
  }
  resume_.Suspend(values);
}

void TController::PowerResume() {
  if (RunState <= 0) return;
  ++wakes_;
  RescanRequested = true;
  if (resume_.Resume(NowUnixMs())) {
    resumeStamp_ = 0;
    LogLine(u"[" + log_.TimeText() + u"] Resumed from sleep: " +
            Variant::Narrow(static_cast<int64_t>(resume_.Waiting().size())).Text() +
            u" device(s) get their brightness back once they answer");
  }
}

void TController::ResumeRescanDue() {
  if (!resume_.Running()) return;
  resume_.Tick(NowUnixMs());
  if (resume_.OverTime()) {
    LogLine(u"[" + log_.TimeText() + u"] Resumed from sleep: " +
            Variant::Narrow(static_cast<int64_t>(resume_.Waiting().size())).Text() +
            u" device(s) did not get their brightness back within a minute");
    resume_.Clear();
    return;
  }
  TAssoc* devices = DeviceTable();
  const bool missing = std::any_of(resume_.Waiting().begin(), resume_.Waiting().end(), [&](const auto& w) {
    return !devices || !devices->IsSet(Variant(w.first));
  });
  if (missing && resume_.RescanDue()) RescanRequested = true;
}

// Runs before the command pass, so that the command it writes is carried out in the same pass and
// a command of the user's still to be carried out is seen first.
void TController::ResumeStep() {
  // Until a rescan since the wake, the records still hold what the devices had before sleep.
  if (!resume_.Running() || !resume_.RescannedSinceWake() || !Root) return;
  TAssoc* record = ActiveRecord();
  const std::optional<int> wanted = resume_.Wanted(ActiveDevice);
  if (!record || !wanted) return;
  if (ShowsNearestTo(*wanted)) {
    // Given back once the device holds it; a failed write leaves the record at the old value, and
    // supervision writes again.
    if (RecordInt(*record, u"brightness", -1) == ShownBrightness) {
      resume_.Done(ActiveDevice);
      LogLine(u"[" + log_.TimeText() + u"] Resumed from sleep: device #" + RecordText(*record, u"number") +
              u" has brightness " + Variant::Narrow(ShownBrightness).Text() + u" again");
    }
    return;
  }
  // A command not yet carried out is newer than the wake: the user's (or a program rule's). It
  // runs in this pass and ends the wait.
  TAssoc& cmd = Root->Items(u"cmd");
  if (const TAssocTable* all = cmd.All())
    for (const auto& [key, entry] : *all)
      if (!entry->IsSet(u"z")) return;
  // The value the check above accepts, so that a panel between two levels is not sent to one
  // level and then to the other. Its stamp tells it from the user's commands.
  resumeStamp_ = WriteFreshCommand(u"i", NearestShownTo(*wanted));
}

// The devices other than the active one, one job per pass while the worker is free. With
// synchronisation on they follow the active device instead, as before sleep.
void TController::ResumeJobs() {
  if (!resume_.Running() || !resume_.RescannedSinceWake() || WorkerBusy) return;
  TAssoc* devices = DeviceTable();
  if (!devices) return;
  const std::map<std::u16string, int> waiting = resume_.Waiting();
  for (const auto& [uid, wanted] : waiting) {
    if (uid == ActiveDevice) continue;
    const TAssoc* found = FindChild(*devices, Variant(uid));
    if (!found || !RecordFlag(*found, u"active") || backOff_.Held(uid) || !resume_.JobDue(uid)) continue;
    const TAssoc& record = *found;
    if (Form.SyncBox.Checked()) {
      resume_.Done(uid);
      continue;
    }
    const int64_t target = TargetFor(record, wanted);
    if (RecordInt(record, u"brightness", -1) == target) {
      resume_.Done(uid);
      LogLine(u"[" + log_.TimeText() + u"] Resumed from sleep: device #" + RecordText(record, u"number") +
              u" has brightness " + Variant::Narrow(target).Text() + u" again");
      continue;
    }
    RestoreJob job;
    job.uid = uid;
    job.number = RecordText(record, u"number");
    job.monid = static_cast<uint32_t>(RecordUInt(record, u"monid") & 0xFFFFFFFFu);
    job.internal = RecordFlag(record, u"internal");
    job.value = static_cast<int32_t>(target);
    WorkerEnv env{MakeDevicePorts(), *platform_.mainThread, [this] { return DeviceTable(); },
                  [this] { WorkerBusy = false; }};
    WorkerBusy = true;
    resume_.JobStarted(uid);
    try {
      platform_.pool->Run(RestoreBrightness(env, std::move(job)));
    } catch (...) {
      WorkerBusy = false;
      throw;
    }
    return;
  }
}

// A wheel step, a click, a program rule or a tracked panel change reached the active device: its
// value of before sleep no longer counts. Synchronised devices follow it anyway, and the rescans
// still look for those that are missing.
void TController::NoteUserChange() {
  if (resume_.Running() && ActiveRecord()) resume_.Done(ActiveDevice);
}

} // namespace lumivane
