#include "devices/BrightnessWorker.h"

#include <exception>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "assoc/AssocArrays.h"
#include "devices/BufferedLog.h"
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

// A device a job handles: its key and number, for the lines and counts of a failure.
struct Device {
  Variant key;
  std::u16string number;
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
  // What a write to one device gave, gathered by the task that made it.
  struct Write {
    explicit Write(ILog& sink) : log(sink) {}
    bool ok = true;
    std::exception_ptr failure;
    BufferedLog log; // the writer's lines, handed on when the device's turn to report comes
  };

  // A synchronisation target as the snapshot decides it, before anything is written.
  struct Target : Write {
    Target(ILog& sink, Variant key, std::u16string number)
        : Write(sink), key(std::move(key)), number(std::move(number)) {}
    Variant key;
    std::u16string number;
    bool internal = false;
    bool write = false; // the recorded brightness differs from t
    int64_t t = 0;
    uint32_t monid = 0;
  };

  struct Plan {
    std::vector<Target> targets;
    // Where deciding failed: the targets before it stand, the failure is reported after them.
    std::exception_ptr failure;
    Device failing;
  };

  // The job device is written first: the others follow only a value it holds. Then every
  // target's write runs at the same time as the others'; reports run in the order a job that
  // writes one target after the other gives.
  void Body() {
    b_.Res = true;
    if (!job_.IsActive) {
      b_.Res = false;
      return;
    }
    if (job_.CurrCounter != job_.MyCounter) {
      Write active(env_.ports.log);
      std::vector<Target> none;
      RunWrites(job_.Brightness != job_.CurrBrightness, active, none);
      active.log.Flush();
      if (active.failure) {
        FailWith(active.failure);
        return;
      }
      b_.Res = active.ok;
      OnMainThread([&] { ReportActiveResult(); });
    }
    if (!b_.Res || !job_.SyncFlag) return;
    Plan plan = PlanTargets(job_.CurrBrightness);
    Write unused(env_.ports.log);
    RunWrites(false, unused, plan.targets);
    ReportTargets(plan);
  }

  // The decisions of a synchronisation pass, target by target in the snapshot's key order.
  Plan PlanTargets(int64_t lead) {
    Plan plan;
    Device failing = failing_;
    try {
      if (job_.dvs.empty()) return plan;
      TAssoc snapshot;
      snapshot.JSONParse(job_.dvs); // fills snapshot; the result is only its last new child
      TAssoc& devices = snapshot;
      if (devices.Count() == 0) return plan;
      for (const Variant& key : devices.Keys()) {
        const TAssoc& target = devices[key];
        failing = {key, RecordText(target, u"number")};
        if (key.Text() == job_.MonitorHash || !RecordBool(target, u"active")) continue;
        if (RecordUInt(target, u"counter") == job_.MyCounter) continue;
        const int64_t min = RecordInt(target, u"min"), max = RecordInt(target, u"max");
        int64_t t = lead;
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
        Target x(env_.ports.log, key, failing.number);
        x.internal = internal;
        x.t = t;
        x.write = RecordInt(target, u"brightness") != t;
        if (x.write && !internal) x.monid = static_cast<uint32_t>(RecordUInt(target, u"monid") & 0xFFFFFFFFu);
        plan.targets.push_back(std::move(x));
      }
    } catch (...) {
      plan.failure = std::current_exception();
      plan.failing = failing;
    }
    return plan;
  }

  // The given writes (the job device's, or the targets'), each as a task of its own, all at once.
  // WMI writes run on the task's thread, which has its own COM apartment.
  void RunWrites(bool writeActive, Write& active, std::vector<Target>& targets) {
    std::vector<std::function<void()>> tasks;
    if (writeActive)
      tasks.push_back([this, &active] {
        Guarded(active, [&](const DevicePorts& ports) {
          if (job_.IsInternal) {
            active.ok = WriteDisplayBrightness(ports, job_.MonitorHash, job_.number, job_.Brightness);
            if (active.ok) ports.clock.SleepMs(kWmiSettleMs);
          } else {
            active.ok = WriteMonitorBrightness(ports, job_.Brightness, job_.monid, job_.number);
          }
        });
      });
    for (Target& x : targets)
      if (x.write)
        tasks.push_back([this, &x] {
          Guarded(x, [&](const DevicePorts& ports) {
            if (x.internal) {
              x.ok = WriteDisplayBrightness(ports, x.key.Text(), x.number, static_cast<int32_t>(x.t));
              if (x.ok) ports.clock.SleepMs(kWmiSettleMs);
            } else {
              x.ok = WriteMonitorBrightness(ports, x.t, x.monid, x.number);
            }
          });
        });
    env_.ports.pool.RunAll(std::move(tasks));
  }

  template <class F> void Guarded(Write& w, F&& write) noexcept {
    try {
      write(PortsLoggingTo(env_.ports, w.log));
    } catch (...) {
      w.failure = std::current_exception();
    }
  }

  // The job device holds its new value: every target's result is reported. A target whose write
  // or report failed unexpectedly ends as a failed job would for it; the others still report.
  void ReportTargets(Plan& plan) {
    for (Target& x : plan.targets) {
      failing_ = {x.key, x.number};
      x.log.Flush();
      if (x.failure) {
        FailWith(x.failure);
        continue;
      }
      b_.Key = x.key;
      b_.tBrightness = x.t;
      b_.Res2 = x.ok;
      try {
        OnMainThread([&] { ReportTargetResult(); });
      } catch (...) {
        FailWith(std::current_exception());
      }
    }
    if (plan.failure) {
      failing_ = plan.failing;
      FailWith(plan.failure);
    }
  }

  void FailWith(const std::exception_ptr& error) noexcept {
    try {
      std::rethrow_exception(error);
    } catch (const std::exception& e) {
      Fail(ExceptionText(e));
    } catch (...) {
      Fail(u"unknown error");
    }
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
  Device failing_; // the device being handled
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
