#include "controller/MainForm.h"

namespace lumivane {

void TController::Exiter() {
  if (RunState > 0) RunState = 0;
}

void TController::Restart() {
  if (RunState > 0) RunState = -1;
}

bool TController::FormClose() {
  if (RunState > 0) {
    platform_.host->HideMainForm();
    return false;
  }
  // A job still writes the monitors and reports into the device table freed below.
  if (WorkerBusy) return false;
  if (released_) return true;
  released_ = true;

  UnHook();
  Guarded([&] { ClosePanel(); });
  Guarded([&] { CloseCommandChannel(); });
  Guarded([&] { UnregisterHotkeys(); });
  // No job runs here, so the monitor handles in the records are free to go with the root.
  Guarded([&] { ReleaseDeviceHandles(); });
  Root.reset();
  if (FontResource != IProcessServices::kInvalidFont) {
    platform_.process->RemoveFont(FontResource);
    FontResource = IProcessServices::kInvalidFont;
  }
  Guarded([&] { platform_.tray->SetVisible(false); });
  if (comInitialized_) {
    platform_.host->UninitializeCom();
    comInitialized_ = false;
  }
  if (RunState == -1) {
    // The new copy waits for our single-instance mutex, which goes with this process.
    Guarded([&] {
      const std::u16string path = platform_.process->ExecutablePath();
      platform_.process->LaunchInstance(path, FolderOf(path));
    });
  }
  return true;
}

bool TController::WMQueryEndSession() {
  // Every option is already in the registry, so there is nothing to save here; ending now would
  // leave the user without the program when the end is cancelled.
  return true;
}

void TController::WMEndSession(bool ending) {
  // Also turns a pending restart into a plain exit: no new copy starts as the session ends. A
  // cancelled end (another program refused) leaves the program running.
  if (ending) RunState = 0;
}

void TController::WMDisplayChange() {
  if (RunState > 0) RescanRequested = true;
}

void TController::TaskbarCreated() {
  // A new notification area knows nothing of the icon; then send it the current image.
  platform_.tray->OnTaskbarCreated();
  platform_.tray->Refresh();
}

} // namespace lumivane
