#pragma once
// TController: the tray program's main form. Everything here runs on the main thread except
// the log, which accepts lines from any thread.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "assoc/AssocArrays.h"
#include "controller/ControllerLog.h"
#include "controller/RediscoveryBackOff.h"
#include "devices/DeviceEnv.h"
#include "platform/Platform.h"
#include "settings/Controls.h"

namespace lumivane {

// value / step rounded up (Ceil) or down (Floor) to an integer, times step. A step below 1
// counts as 1, so the value comes back unchanged instead of dividing by zero.
int CeilToStep(int value, int step);
int FloorToStep(int value, int step);

// Milliseconds from 1970-01-01 00:00 to the given local wall time, taken as it is.
uint64_t UnixMsFromLocalTime(const LocalTime& t);

class TController {
 public:
  static constexpr int kFontResourceId = 1;
  static constexpr int kRtRcdata = 10;

  explicit TController(const Platform& platform);
  ~TController();
  TController(const TController&) = delete;
  TController& operator=(const TController&) = delete;

  // The application's run state: 1 running, 0 exit requested, -1 restart requested.
  int RunState = 1;

  bool RescanRequested = false;
  bool MenuRebuildRequested = false;
  bool ProgramsChanged = false;
  bool RangeChanged = false;
  bool WorkerBusy = false;
  uintptr_t FontResource = IProcessServices::kInvalidFont;
  int StepPercent = 5;
  int RangeMin = 0;
  int RangeMax = 100;
  int TickPhase = 1;
  int PredBrightness = 0;
  int ShownBrightness = -1;
  std::u16string PendingDevice;
  int BrightnessBeforeProgram = -1;
  uintptr_t MouseHook = 0;
  std::u16string ActiveDevice;
  int IconFontHeight = 16;
  std::u16string SingleInstanceMessage = u"Only a single instance of this application can run!";
  uint32_t FTaskMsg = 0;
  int OtherActiveCount = 0;
  int FontHeight100 = 0;
  int FontHeight2Digits = 0;

  // Flags that live for one timer pass; cleared at its start.
  bool ProgramMatched = false;
  bool DeviceDisabled = false;
  bool SendNeeded = false;
  // The largest key of the command map as the last pass left it.
  uint64_t CommandStamp = 0;

  CheckBox SyncBox;
  CheckBox TrackBox;
  CheckBox DetectModelBox;
  CheckBox HideBox;
  CheckBox DetectResBox;

  // "cmd", "programs", "devices" (and "lang"); absent before Startup and after FormClose.
  std::unique_ptr<TAssoc> Root;

  void Startup();
  // Nothing escapes a pass, and the timer is enabled again at its end however the pass ended
  // (except in the pass that closes the form).
  void Timer1Timer() noexcept;
  void Exiter();
  void Restart();
  void FormClose();

  void ValueChange(int i, bool init);
  void UpdateTrayIconText(const std::u16string& text);

  uint64_t NowUnixMs() const;
  void LogLine(const std::u16string& text) noexcept { log_.LogLine(text); }
  void LogError(const std::u16string& message) noexcept { log_.LogError(message); }
  ILog& Log() { return log_; }
  const Platform& Ports() const { return platform_; }

  uintptr_t FontLoadFromResourceByID(int resourceId, int resType);
  bool CheckSingleInstance(const std::u16string& name, bool keep);
  void ShowErrorBox(const std::u16string& text);

  // Filled in by the settings, devices, language and menu work.
  void LoadEarlySettings() {}
  void LoadSettings() {}
  void DiscoverInternalDisplays();
  void DiscoverExternalMonitors();
  void ApplyLanguage() {}
  void BuildMenu() {}
  void SavePred() {}
  void SaveActMon() {}
  void ProgramRules() {}
  void ErrorSweep();
  void ActiveDeviceSteps();
  void ProgramStep() {}

  // Timer pass steps.
  void RangeRefresh();
  void Rescan();
  void CommandPass();
  void NewestEntry();
  void AntiGlareToggle();
  void DeviceSteps();
  void PruneCommands();

  // The device table, or null when the root or the table is absent.
  TAssoc* DeviceTable() const;
  // The active device's record when it exists and is active; null otherwise. Creates nothing.
  TAssoc* ActiveRecord() const;
  // Devices held back after failing again soon after their return.
  const RediscoveryBackOff& BackOff() const { return backOff_; }

 private:
  void SingleInstanceProbes();
  // The device ports, or nothing when the platform lacks one of them.
  std::optional<DevicePorts> MakeDevicePorts();
  std::optional<DeviceEnv> MakeDeviceEnv();
  void ReleaseDeviceHandles();
  void TrackingRead(TAssoc& active);
  void HandOff(TAssoc& active);
  void ResetShown();
  // Runs one step; an exception is logged and the caller goes on.
  template <class Fn> void Guarded(Fn&& fn) noexcept {
    try {
      fn();
    } catch (...) {
      LogCurrentException();
    }
  }
  // Logs the exception being handled; a log that fails as well is given up on.
  void LogCurrentException() noexcept;
  void TimerPass();
  // Wheel and click of one command entry.
  void CarryOut(TAssoc& cmd, const Variant& key, int step);

  Platform platform_;
  ControllerLog log_;
  bool comInitialized_ = false;
  // Keys the command pass walked, and which of them it found not yet done.
  std::vector<Variant> passKeys_;
  std::vector<Variant> passNew_;
  // The entry whose stamp the pass took as the command stamp.
  std::optional<Variant> newest_;
  RediscoveryBackOff backOff_;
};

} // namespace lumivane
