#include "controller/MainForm.h"

namespace lumivane {

namespace {
constexpr int kProbeWaitMs = 250;
constexpr int kMaxProbes = 4;
} // namespace

void TController::Startup() {
  RescanRequested = false;
  MenuRebuildRequested = false;
  ProgramsChanged = false;
  RangeChanged = false;
  FontResource = FontLoadFromResourceByID(kFontResourceId, kRtRcdata);
  WorkerBusy = false;
  startupTablePending_ = false;

  Root = std::make_unique<TAssoc>(false);
  Root->Add(u"cmd");
  Root->Add(u"programs");
  Root->Add(u"devices");
  Root->Items(u"cmd").Items(Variant::Narrow(1)).Items(u"z") = Variant::Narrow(-1);
  CommandStamp = 1;

  StepPercent = 5;
  RangeMin = 0;
  RangeMax = 100;
  TickPhase = 1;
  PredBrightness = 0;
  ShownBrightness = -1;
  PendingDevice.clear();
  BrightnessBeforeProgram = -1;
  MouseHook = 0;
  ActiveDevice.clear();
  IconFontHeight = 16;

  FTaskMsg = platform_.host->TaskbarCreatedMessage();
  SingleInstanceMessage = u"Only a single instance of this application can run!";
  platform_.host->InitializeCom();
  comInitialized_ = true;

  // Loading writes values back (the controls run their handlers); those writes wait until this
  // copy knows it is the only one, and a second copy leaves the first one's settings alone.
  struct HeldWrites {
    RegistryStore& store;
    ~HeldWrites() {
      if (store.Holding()) store.DropWrites();
    }
  } held{store_};
  store_.HoldWrites();

  // A failing loader must not keep the program from starting: it logs and the rest goes on.
  Guarded([&] { LoadEarlySettings(); });
  Guarded([&] { LoadSettings(); });
  Guarded([&] { ApplyLanguage(); });

  SingleInstanceProbes();
  if (!CheckSingleInstance(u"Lumivane", true)) {
    store_.DropWrites();
    ShowErrorBox(SingleInstanceMessage);
    Exiter();
    platform_.host->SetTimerEnabled(true);
    return;
  }
  store_.CommitWrites();
  Guarded([&] { OpenCommandChannel(); });
  // Only the copy that stays takes keys from the desktop.
  Guarded([&] { RegisterHotkeys(); });

  Guarded([&] { BuildMenu(); });
  // The devices are looked for on the worker: the icon is up at once, its digits come with
  // the table. A job that cannot start is retried by the timer.
  startupTablePending_ = true;
  Guarded([&] {
    try {
      Rescan();
    } catch (...) {
      RescanRequested = true;
      throw;
    }
  });
  platform_.host->SetTimerEnabled(true);
}

// A restarted copy starts while the old process may still hold the mutex for a moment: four
// probes, each failure followed by a 250 ms wait, about a second in all.
void TController::SingleInstanceProbes() {
  for (int probe = 0; probe < kMaxProbes; ++probe) {
    if (CheckSingleInstance(u"Lumivane", false)) return;
    platform_.clock->SleepMs(kProbeWaitMs);
  }
}

} // namespace lumivane
