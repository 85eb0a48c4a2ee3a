#include "devices/BrightnessWorker.h"

#include <exception>
#include <memory>

#include "assoc/AssocArrays.h"
#include "devices/Devices.h"
#include "devices/LogText.h"

namespace lumivane {

namespace {
constexpr uint32_t kWmiSettleMs = 500;

// Working state of one run.
struct JobBody {
  int64_t tBrightness = 0;
  Variant Key;
  bool Res2 = false;
  bool Res = false;
};

class JobRun {
 public:
  JobRun(const WorkerEnv& env, BrightnessJob& job)
      : env_(env), job_(job), failing_{Variant(job.MonitorHash), job.number} {}

  void Run() noexcept {
    try {
      Body();
    } catch (const std::exception& e) {
      Fail(ExceptionText(e));
    } catch (...) {
      Fail(u"unknown error");
    }
    Release();
  }

 private:
  void Body() {
    b_.Res = true;
    if (!job_.IsActive) {
      b_.Res = false;
    } else if (job_.CurrCounter != job_.MyCounter) {
      if (job_.Brightness != job_.CurrBrightness) {
        if (job_.IsInternal) {
          WriteActiveOverWmi();
          if (b_.Res) env_.ports.clock.SleepMs(kWmiSettleMs);
        } else {
          b_.Res = WriteMonitorBrightness(env_.ports, job_.Brightness, job_.monid, job_.number);
        }
      }
      OnMainThread([&] { ReportActiveResult(); });
    }
    if (b_.Res && job_.SyncFlag) BringOthersAlong();
  }

  void BringOthersAlong() {
    if (job_.dvs.empty()) return;
    TAssoc snapshot;
    snapshot.JSONParse(job_.dvs); // fills snapshot; the result is only its last new child
    TAssoc& devices = snapshot;
    if (devices.Count() == 0) return;
    for (const Variant& key : devices.Keys()) {
      b_.Key = key;
      const TAssoc& target = devices[key];
      failing_ = {key, RecordText(target, u"number")};
      if (key.Text() == job_.MonitorHash || !RecordBool(target, u"active")) continue;
      b_.Res2 = true;
      if (RecordUInt(target, u"counter") == job_.MyCounter) continue;
      const int64_t min = RecordInt(target, u"min"), max = RecordInt(target, u"max");
      int64_t t = job_.CurrBrightness;
      if (t > max) t = max;
      if (t < min) t = min;
      const bool internal = RecordBool(target, u"internal");
      const TAssoc* levels = FindChild(target, Variant(u"level"));
      if (internal && levels && !levels->IsSet(Variant::Narrow(t))) {
        // Nearest supported level at or above, else the nearest below, within the range; with
        // neither, the lower limit (where a walk through the range would stop). The range comes
        // from the stored limits and may be the whole 32-bit span, so the levels are searched,
        // not the range.
        const NearLevels near = NearestLevels(*levels, t, min, max);
        t = near.up ? *near.up : near.down ? *near.down : min;
      }
      b_.tBrightness = t;
      if (RecordInt(target, u"brightness") != t) {
        const std::u16string number = RecordText(target, u"number");
        if (internal) {
          WriteTargetOverWmi(number);
          if (b_.Res2) env_.ports.clock.SleepMs(kWmiSettleMs);
        } else {
          const uint32_t monid = static_cast<uint32_t>(RecordUInt(target, u"monid") & 0xFFFFFFFFu);
          b_.Res2 = WriteMonitorBrightness(env_.ports, t, monid, number);
        }
      }
      OnMainThread([&] { ReportTargetResult(); });
    }
  }

  // WMI writes run on the worker thread, which has its own COM apartment.
  void WriteActiveOverWmi() {
    b_.Res = WriteDisplayBrightness(env_.ports, job_.MonitorHash, job_.number, job_.Brightness);
  }

  void WriteTargetOverWmi(const std::u16string& number) {
    b_.Res2 = WriteDisplayBrightness(env_.ports, b_.Key.Text(), number, static_cast<int32_t>(b_.tBrightness));
  }

  // The reports run on the main thread while the worker waits.
  void ReportActiveResult() {
    if (b_.Res) job_.CurrBrightness = job_.Brightness;
    TAssoc* record = LiveRecord(Variant(job_.MonitorHash));
    if (!record) return;
    if (b_.Res) {
      (*record)[u"counter"] = Variant(job_.CurrCounter);
      (*record)[u"errors"] = Variant::Narrow(0);
      (*record)[u"brightness"] = Variant(job_.Brightness);
    } else {
      CountError(*record);
    }
  }

  void ReportTargetResult() {
    TAssoc* record = LiveRecord(b_.Key);
    if (!record) return;
    if (b_.Res2) {
      (*record)[u"counter"] = Variant(job_.MyCounter);
      (*record)[u"errors"] = Variant::Narrow(0);
      (*record)[u"brightness"] = Variant(static_cast<int32_t>(b_.tBrightness));
    } else {
      CountError(*record);
    }
  }

  // Never creates a record: a report for a device the table no longer has is dropped.
  TAssoc* LiveRecord(const Variant& key) {
    TAssoc* devices = env_.liveDevices ? env_.liveDevices() : nullptr;
    if (!devices || !devices->IsSet(key)) return nullptr;
    return &(*devices)[key];
  }

  // A step's exception is carried back to the worker whatever the main thread does with it.
  template <class F> void OnMainThread(F&& step) {
    std::exception_ptr error;
    env_.mainThread.Synchronize([&] {
      try {
        step();
      } catch (...) {
        error = std::current_exception();
      }
    });
    if (error) std::rethrow_exception(error);
  }

  // The job ends at the device it was handling when the error came: the line names that
  // device, and the failure counts among its errors, so that supervision can disable a device
  // that fails this way on every job.
  void Fail(const std::u16string& what) noexcept {
    try {
      env_.ports.log.LogError(u"Brightness job for device #" + failing_.number + u" ended early: " + what);
    } catch (...) {
    }
    try {
      OnMainThread([&] {
        if (TAssoc* record = LiveRecord(failing_.key)) CountError(*record);
      });
    } catch (...) {
      // A record whose count cannot be raised stays as it is.
    }
  }

  void ReleaseWorker() {
    if (env_.releaseWorker) env_.releaseWorker();
  }

  void Release() noexcept {
    try {
      OnMainThread([&] { ReleaseWorker(); });
    } catch (...) {
      // Nothing left to report to; WorkerBusy stays set only if the main thread itself failed.
    }
  }

  const WorkerEnv& env_;
  BrightnessJob& job_;
  JobBody b_;
  struct Device {
    Variant key;
    std::u16string number;
  } failing_; // the device being handled
};
} // namespace

std::function<void()> SetBrightness(const WorkerEnv& env, BrightnessJob job) {
  auto shared = std::make_shared<BrightnessJob>(std::move(job));
  return [env, shared] { JobRun(env, *shared).Run(); };
}

std::function<void()> SetBrightness(const WorkerEnv& env, const std::u16string& MonitorHash,
                                    const std::u16string& number, uint32_t monid, bool IsInternal,
                                    bool IsActive, int32_t Brightness, bool SyncFlag, uint64_t CurrCounter,
                                    int32_t CurrBrightness, uint64_t MyCounter, const std::u16string& dvs) {
  BrightnessJob job;
  job.MonitorHash = MonitorHash;
  job.number = number;
  job.monid = monid;
  job.IsInternal = IsInternal;
  job.IsActive = IsActive;
  job.Brightness = Brightness;
  job.SyncFlag = SyncFlag;
  job.CurrCounter = CurrCounter;
  job.CurrBrightness = CurrBrightness;
  job.MyCounter = MyCounter;
  job.dvs = dvs;
  return SetBrightness(env, std::move(job));
}

} // namespace lumivane
