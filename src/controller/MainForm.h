#pragma once
// TController: the tray program's main form. Everything here runs on the main thread except
// the log, which accepts lines from any thread.
#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "assoc/AssocArrays.h"
#include "controller/ControllerLog.h"
#include "controller/RediscoveryBackOff.h"
#include "controller/ResumeRestore.h"
#include "devices/DeviceEnv.h"
#include "platform/Platform.h"
#include "settings/RegistryStore.h"
#include "settings/SettingsForm.h"

namespace lumivane {

struct LangTable;

// value / step rounded up (Ceil) or down (Floor) to an integer, times step. A step below 1
// counts as 1, so the value comes back unchanged instead of dividing by zero.
int CeilToStep(int value, int step);
// v limited to the range of int.
int Saturate(int64_t v);
int FloorToStep(int value, int step);

// Tray icon colours. HexToColor reads "RRGGBB" (hexadecimal digits of either case and nothing
// else) into the platform's COLORREF layout, red in the low byte; any other text, or a value
// above FFFFFF, gives black. ColorToHex writes a plain RGB colour back as upper-case "RRGGBB".
uint32_t HexToColor(const std::u16string& text);
std::u16string ColorToHex(uint32_t color);

// The per-program list. TextBefore: the text before the first separator; TextAfter: the text
// after it; both give the whole text when the separator does not occur (or is empty).
std::u16string TextBefore(const std::u16string& text, const std::u16string& separator);
std::u16string TextAfter(const std::u16string& text, const std::u16string& separator);
// The decimal digits of text read together as one number, every other character dropped; 0
// without digits, INT32_MAX for a number beyond that.
int32_t DigitsToInt(const std::u16string& text);
// Only the ASCII letters have case here: the list's keys and the foreground test agree on that.
std::u16string UpperAscii(const std::u16string& text);
bool SameTextAscii(const std::u16string& a, const std::u16string& b);
// Lines as the list memo holds them: separated by CR LF, LF or CR; a final line break starts no
// further line.
std::vector<std::u16string> MemoLines(const std::u16string& text);
// The device table's keys by menu number, ascending; records without a number are left out.
std::map<int, std::u16string> DevicesInMenuOrder(const TAssoc& devices);

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

  // A tick this soon after the end of the last pass is not Timer1's (whose next tick comes about
  // 100 ms after the pass re-armed it): a forged or flooded WM_TIMER runs no pass.
  static constexpr uint64_t kMinPassSpacingMs = 50;
  // Rediscovery requests (display changes, power events, the model-detection box) wait until
  // this long after the end of the last rescan; however many arrive meanwhile, one rescan follows.
  static constexpr uint64_t kRescanHoldMs = 1000;

  // The settings window: its controls hold the current choices.
  TSettingsForm Form;

  // "cmd", "programs", "devices" (and "lang"); absent before Startup and after FormClose.
  std::unique_ptr<TAssoc> Root;

  void Startup();
  // Nothing escapes a pass, and the timer is enabled again at its end however the pass ended
  // (except in the pass that closes the form).
  void Timer1Timer() noexcept;
  // The extra pass the wheel hook asked for (IHost::RequestPass); the spacing between ticks does
  // not hold it back.
  void RequestedPass() noexcept;
  // Shutdown, restart and session events. The window only translates its messages into these.
  void Exiter();
  void Restart();
  // The main window's close. Running: the settings window only hides (false). While a job still
  // reports into the device table: false, and the timer closes the window after the job. Else
  // releases everything once, starts the new copy for a restart, and returns true.
  bool FormClose();
  // The session-end query is answered with consent and changes nothing: another program (or
  // the user) may still cancel the end. The program leaves when the session really ends.
  bool WMQueryEndSession();
  void WMEndSession(bool ending);
  void WMDisplayChange();
  void TaskbarCreated(); // the shell's "TaskbarCreated" broadcast
  // Sleep: the values of the devices in use are noted, and given back after the wake.
  void PowerSuspend();
  void PowerResume();

  void ValueChange(int i, bool init);
  // Whether the active device shows what it can take of requested: the value itself, or clamped
  // to its range, or (for a panel with fixed levels) the level just below it.
  bool ShowsNearestTo(int requested) const;
  // The value the active device can show that is nearest to requested (a panel: the level below).
  int NearestShownTo(int requested) const;

  // The tray digits: the face is the font combo's text, the colour the colour edit's.
  static constexpr const char16_t* kKeyColorText = u"9636A7";
  std::u16string IconFontName() const { return Form.fontval.Text(); }
  std::u16string ColorText() const { return Form.color.Text(); }
  // Refits FontHeight100 and FontHeight2Digits to the icon width at the settings window's DPI.
  void Rend();
  // text painted at IconFontHeight into a new icon of the system small-icon size; the caller
  // owns it. 0 on failure.
  IconHandle CreateTextIcon(const std::u16string& text);
  // Puts the icon for AText into the tray. On false the tray keeps its image and nothing leaks.
  bool UpdateTrayIconText(const std::u16string& AText);
  // The settings window moved to a monitor of another DPI: refit at the next pass.
  void WMDpiChanged();

  uint64_t NowUnixMs() const;
  void LogLine(const std::u16string& text) noexcept { log_.LogLine(text); }
  void LogError(const std::u16string& message) noexcept { log_.LogError(message); }
  ILog& Log() { return log_; }
  const Platform& Ports() const { return platform_; }

  uintptr_t FontLoadFromResourceByID(int resourceId, int resType);
  bool CheckSingleInstance(const std::u16string& name, bool keep);
  void ShowErrorBox(const std::u16string& text);

  // The registry store. The loaders set the controls as a user would (see settings/Controls.h),
  // so the handlers below write the values back and raise their flags.
  RegistryStore& Store() { return store_; }
  void LoadEarlySettings();
  void LoadSettings();
  void SavePred();
  void SaveActMon();

  // The settings window's handlers, installed on Form's controls by the constructor.
  void SaveCheckBox(CheckBox& sender);
  void SaveComboBox(ComboBox& sender);
  void SaveConfigText();
  void ApplyColorText();
  void PickColor();
  // The Run value that starts this program at logon: its executable's path, quoted.
  std::u16string AutoRunText();

  // Chooses the text table from the language box ("System (auto)": the system's language) and
  // applies it to the window, the documentation page, SingleInstanceMessage and Root's "lang".
  void ApplyLanguage();
  // The English name of the user's language, first letter upper-cased; "English" when unknown.
  std::u16string DetectSystemLanguage();
  // "major.minor.release.build" of an executable; empty when it has no version information.
  std::u16string FileVersionText(const std::u16string& FileName);
  void ErrorSweep();
  void ActiveDeviceSteps();

  // Per-program brightness: the "programs" table from the Config memo, the foreground test, and
  // the step of every pass that holds a listed program's brightness.
  void ProgramRules();
  // The foreground window's program file name; empty when there is none or it cannot be told.
  std::u16string ForegroundProgramName();
  bool IsForegroundProgram(const std::u16string& name);
  void ProgramStep();

  // Timer pass steps.
  void RangeRefresh();
  // Starts rediscovery as the worker's job; TakeDevices swaps its table in on the main thread.
  // The start-up discovery is the same job; its table also brings the stored device choice
  // back and the dump of what was found.
  void Rescan();
  void TakeDevices(TAssoc& fresh);
  void RestoreStoredDevice();
  void CommandPass();
  void NewestEntry();
  void AntiGlareToggle();
  void DeviceSteps();
  void PruneCommands();

  // Global hotkeys, one per row of the settings window's hotkeys page: the stored combinations
  // are read into the page, registered once this copy knows it is the only one, and released at
  // the close. A change in the page is stored and registered at once.
  void LoadHotkeys();
  void RegisterHotkeys();
  void UnregisterHotkeys();
  void ApplyHotkey(int row);
  void SaveHotkey(int row);
  void ClearHotkey(int row);
  void HotkeyPressed(int id);
  // The actions: a wheel step, as a notch over the icon; the next active device, as its menu item.
  void HotkeyBrightnessUp();
  void HotkeyBrightnessDown();
  void HotkeyNextDisplay();

  // Tray menu (PopupMenu1 attached to TrayIcon1), wheel hook and left click.
  struct TrayMenuItem {
    MenuItem item; // its id is its position in PopupMenu1, counted from 1
    int Tag = 0;
    std::function<void(int tag)> OnClick;
  };
  std::vector<TrayMenuItem> PopupMenu1;
  bool MenuAttached = false; // a right click opens nothing while the menu is detached
  void BuildMenu();
  void AddMenuItem(const std::u16string& langKey, std::function<void(int tag)> onClick);
  void SetActiveMonFromMenu(int tag);
  void Settinger();
  // The right button went up over the icon (handled from a posted message, outside the tray
  // callback): pops the attached menu up at the pointer and runs the chosen item's handler.
  void OpenMenu();
  void TrayIcon1MouseMove();
  IMouseHook::Verdict WheelHookProc(int code, uint32_t message, uint32_t mouseData);
  bool ifovericon();
  void UnHook();
  void TrayIcon1Click();

  // The brightness panel: one slider per active display. Opened from the menu (and by whatever
  // else asks for it); every change it makes is a command as the wheel's, for the display of
  // its row, which becomes the one the wheel turns.
  void OpenPanel();
  void ClosePanel();
  bool PanelOpen() const { return panel_.has_value(); }
  // A request of the command-line client (the command channel's handler). Answers list and get
  // from the device table; set, glare and select become commands as the wheel, a left click and
  // the menu write them, and the passes carry them out.
  void ControlRequested(uint64_t client, const ControlRequest& request);
  // A set that waits: answered once the device holds the value, or has failed, or after this.
  static constexpr uint64_t kSetWaitMs = 15000;

  // The device table, or null when the root or the table is absent.
  TAssoc* DeviceTable() const;
  // The active device's record when it exists and is active; null otherwise. Creates nothing.
  TAssoc* ActiveRecord() const;
  const TAssoc* Programs() const; // the per-program list; null before Startup
  // Devices held back after failing again soon after their return.
  const RediscoveryBackOff& BackOff() const { return backOff_; }

 private:
  void SingleInstanceProbes();
  DevicePorts MakeDevicePorts();
  void ReleaseDeviceHandles();
  // After a wake: rescans while a device that waits for its value is missing; the active
  // device's value as a command; the other devices' values as jobs of their own; a change the
  // user makes ends the wait of the devices it reaches.
  void ResumeRescanDue();
  void ResumeStep();
  void ResumeJobs();
  void NoteUserChange();
  void TrackingRead();
  void TrackingResult(const std::u16string& uid, int64_t value, std::optional<int64_t> readFrom);
  void HandOff(TAssoc& active);
  void ResetShown();
  // The icon again with the current face and colour.
  void RedrawShown();
  // The panel's state while it is open: the device keys of its rows, what it shows, and the
  // stamp of its value command that no pass has carried out yet.
  struct PanelState {
    std::vector<std::u16string> keys;
    PanelContent shown;
    std::optional<uint64_t> pendingStamp;
  };
  std::optional<PanelState> panel_;
  // The rows as the device table and the shown value have them now; keys gets their devices.
  PanelContent PanelNow(std::vector<std::u16string>& keys) const;
  void RefreshPanel();
  // The row's device made the one the wheel turns; false when the row is gone or inactive.
  bool PanelTarget(int row);
  // The value the row's device is moving to: a pending panel command, or what the icon shows.
  int PanelBase() const;
  // value as the row's command; a drag's values before the next pass share one entry.
  void PanelSet(int row, int value);
  void PanelStep(int row, int delta, bool toStep);
  void PanelKeyDown(PanelKey key);
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
  // What a pass reads besides the clock and the platform. A pass that left all of it as it found
  // it, with nothing waiting on the clock, finds nothing to do again until some of it changes.
  struct PassInputs {
    uint64_t treeChanges = 0, logLines = 0, commandStamp = 0;
    std::u16string active;
    int runState = 0, shown = 0, others = 0, beforeProgram = 0, step = 0, rangeMin = 0, rangeMax = 0;
    bool sync = false, track = false;
  };
  void PassSteps();
  void KeepIconVisible();
  // Nothing runs on the clock or asks the platform: no flag, job, rescan, wake, back-off, client,
  // panel or tracking read.
  bool NothingWaits() const;
  // NothingWaits, and no program rules.
  bool PassMayBeQuiet() const;
  bool QuietRepeat() const;
  bool SameInputs(const PassInputs& seen) const;
  PassInputs InputsNow() const;
  // The inputs of the last pass that found nothing to do; none once anything was done.
  std::optional<PassInputs> quietInputs_;
  void RunPass(bool requested) noexcept;
  // Wheel and click of one command entry.
  void CarryOut(TAssoc& cmd, const Variant& key, int step);
  // Tray menu and hook helpers.
  std::u16string MenuText(const std::u16string& langKey) const;
  void ShowActiveInIcon(TAssoc& devices);
  // The wheel's command: notches of one millisecond share its entry, but never an entry that is
  // already done (the menu's "u"), which would lose them.
  void WriteCommand(const char16_t* letter, int value);
  // Writes letter := value under NowUnixMs(), or the next stamp up that no entry holds yet, so
  // that the command never lands in an entry the pass has already done. Returns the stamp.
  // The largest stamp in the command map; none when it holds no command.
  std::optional<int64_t> NewestCommandStamp();
  bool CommandsSettled();
  uint64_t WriteFreshCommand(const char16_t* letter, int value);
  // The first millisecond from now on with no command entry; Root must exist.
  uint64_t FreshStamp();
  // Handlers run only while the program runs and holds its state.
  bool HandlersLive() const { return RunState > 0 && Root != nullptr; }
  void InstallHandlers();
  void LoadStep();
  void ShowHotkeyState(int row);
  bool NearLastTrayPoint(Point where) const;
  // Makes key the display the wheel turns at once, as the menu does at the next pass.
  void MakeActiveNow(const std::u16string& key);
  // The menu item's caption without its number.
  std::u16string DeviceCaption(const TAssoc& record) const;

  // Command-line client requests, one handler per verb.
  using Answer = std::pair<ControlStatus, std::string>;
  Answer AnswerList(const ControlRequest& r);
  Answer AnswerGet(const ControlRequest& r);
  Answer AnswerSet(uint64_t client, const ControlRequest& r);
  Answer AnswerGlare(const ControlRequest& r);
  Answer AnswerSelect(const ControlRequest& r);
  Answer AnswerPanel(const ControlRequest& r);
  // The device key for a request's display: its number, or the display the wheel turns; empty
  // when there is no such display or it is not active.
  std::u16string RequestedDevice(const ControlRequest& r) const;
  // The brightness list and get report for a device; -1 when unknown.
  int ReportedBrightness(const std::u16string& key, const TAssoc& record) const;
  void OpenCommandChannel();
  void CloseCommandChannel();
  // Sets that wait for their device, checked after every pass.
  struct SetWait {
    uint64_t client = 0;
    std::u16string device;
    uint64_t stamp = 0;
    int64_t errors = 0;
    uint64_t since = 0;
  };
  std::vector<SetWait> setWaits_;
  void SetWaitSteps();
  bool channelOpen_ = false;

  Platform platform_;
  ControllerLog log_;
  RegistryStore store_;
  bool comInitialized_ = false;
  bool released_ = false;
  ResumeRestore resume_;
  // The stamp of the last command that gave the active device its value of before sleep.
  uint64_t resumeStamp_ = 0;
  // Keys the command pass walked, and which of them it found not yet done.
  std::vector<Variant> passKeys_;
  std::vector<Variant> passNew_;
  // Where the last tray move notification saw the pointer, for shells that cannot tell the
  // icon's rectangle.
  Point lastTrayPoint_;
  bool trayPointKnown_ = false;
  // Whether the hook saw an event since the last tray move notification; a hook that saw none
  // was dropped by the system.
  bool hookSawEvent_ = false;
  bool menuOpen_ = false;
  // The entry whose stamp the pass took as the command stamp.
  std::optional<Variant> newest_;
  // The stamps of the current pass, kept so that a pass allocates nothing for them.
  std::vector<std::pair<int64_t, Variant>> passStamps_;
  // ActiveDevice as a key, rebuilt when ActiveDevice changes.
  mutable std::u16string activeKeyText_;
  mutable Variant activeKey_;
  // When the last pass ended (IClock::TickMs, which an idle pass can read without a time-zone
  // conversion); nothing before the first.
  std::optional<uint64_t> lastPassEndTick_;
  // When the last rescan ended (command-stamp clock); 0 before the first.
  uint64_t lastRescanEndMs_ = 0;
  uint64_t rescanStamp_ = 0; // CommandStamp and ActiveDevice when the rescan started
  std::u16string rescanDevice_;
  // The limits and the wake count the running rescan started with: a table found before a
  // change of either is brought up to date when it is taken.
  int32_t rescanRangeMin_ = 0, rescanRangeMax_ = 0;
  uint64_t rescanWakes_ = 0;
  uint64_t wakes_ = 0; // resumes from sleep so far
  // Until the first table is taken: it brings the stored device choice and the start-up dump.
  bool startupTablePending_ = false;
  // Whether at least ms have gone by since since (a clock set back counts as gone by).
  bool Elapsed(uint64_t since, uint64_t ms) const;
  RediscoveryBackOff backOff_;
  // The text table ApplyLanguage chose last.
  const LangTable* langTable_;
  // Each row's combination as last registered (none: no key), the outcome, and the refused
  // combination last logged.
  std::array<Hotkey, kHotkeyRows> hotkeyKey_{};
  std::array<IGlobalHotkeys::Result, kHotkeyRows> hotkeyState_{};
  std::array<std::optional<Hotkey>, kHotkeyRows> loggedRefusal_{};
};

} // namespace lumivane
