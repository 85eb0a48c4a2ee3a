#include "controller/MainForm.h"

#include <exception>
#include <stdexcept>

#include "controller/RecordValues.h"

namespace lumivane {

TController::TController(const Platform& platform)
    : platform_(platform), log_(platform.host, platform.mainThread, platform.clock) {}

TController::~TController() = default;

uint64_t TController::NowUnixMs() const {
  return UnixMsFromLocalTime(platform_.clock->Now());
}

uintptr_t TController::FontLoadFromResourceByID(int resourceId, int resType) {
  if (!platform_.process) return IProcessServices::kInvalidFont;
  return platform_.process->FontLoadFromResourceByID(resourceId, resType);
}

bool TController::CheckSingleInstance(const std::u16string& name, bool keep) {
  return platform_.process && platform_.process->CheckSingleInstance(name, keep);
}

void TController::ShowErrorBox(const std::u16string& text) {
  platform_.host->ShowErrorBox(text);
}

TAssoc* TController::DeviceTable() const {
  if (!Root || !Root->IsSet(u"devices")) return nullptr;
  return &Root->Items(u"devices");
}

TAssoc* TController::ActiveRecord() const {
  TAssoc* devices = DeviceTable();
  if (!devices || ActiveDevice.empty() || !devices->IsSet(ActiveDevice)) return nullptr;
  TAssoc& record = devices->Items(ActiveDevice);
  return RecordFlag(record, u"active") ? &record : nullptr;
}

void TController::LogCurrentException() noexcept {
  try {
    try {
      throw;
    } catch (const AssocError& e) {
      LogError(e.Message());
    } catch (const WmiError& e) {
      LogError(e.Description());
    } catch (const std::exception& e) {
      LogError(FromUtf8(e.what()));
    } catch (...) {
      LogError(u"Unknown exception");
    }
  } catch (...) {
    // Taking the message apart failed (no memory): nothing is left to log it with.
  }
}

} // namespace lumivane
