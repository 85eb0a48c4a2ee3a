#include "controller/MainForm.h"

#include <exception>
#include <stdexcept>

#include "devices/DeviceTable.h"
#include "lang/Lang.h"

namespace lumivane {

namespace {
const Platform& Complete(const Platform& platform) {
  if (const char* missing = platform.MissingPort())
    throw std::invalid_argument(std::string("TController: the platform has no ") + missing + " port");
  return platform;
}
} // namespace

TController::TController(const Platform& platform)
    : platform_(Complete(platform)),
      log_(*platform.host, *platform.mainThread, *platform.clock, *platform.locale),
      store_(*platform_.registry, *platform_.errors, log_), langTable_(&kDefaultTable) {
  InstallHandlers();
  Form.Bind(platform_.settingsView);
}

TController::~TController() {
  try {
    CloseCommandChannel();
  } catch (...) {
  }
  Form.Bind(nullptr);
  // The window's handlers point here.
  Guarded([&] { ClosePanel(); });
}

uint64_t TController::NowUnixMs() const {
  return UnixMsFromLocalTime(platform_.clock->Now());
}

uintptr_t TController::FontLoadFromResourceByID(int resourceId, int resType) {
  // The icon font is embedded as raw data; no other kind of resource holds one.
  if (resType != kRtRcdata) return IProcessServices::kInvalidFont;
  return platform_.process->InstallEmbeddedFont(resourceId);
}

bool TController::CheckSingleInstance(const std::u16string& name, bool keep) {
  return platform_.process->CheckSingleInstance(name, keep);
}

void TController::ShowErrorBox(const std::u16string& text) {
  platform_.host->ShowErrorBox(text);
}

// Both are asked for several times in every pass: one lookup each, and no key built anew.
TAssoc* TController::DeviceTable() const {
  static const Variant kDevices(u"devices");
  return Root ? const_cast<TAssoc*>(FindChild(*Root, kDevices)) : nullptr;
}

const TAssoc* TController::Programs() const {
  static const Variant kPrograms(u"programs");
  return Root ? FindChild(*Root, kPrograms) : nullptr;
}

TAssoc* TController::ActiveRecord() const {
  TAssoc* devices = DeviceTable();
  if (!devices || ActiveDevice.empty()) return nullptr;
  if (activeKeyText_ != ActiveDevice) {
    activeKey_ = Variant(ActiveDevice);
    activeKeyText_ = ActiveDevice;
  }
  auto* record = const_cast<TAssoc*>(FindChild(*devices, activeKey_));
  return record && RecordFlag(*record, u"active") ? record : nullptr;
}

void TController::LogCurrentException() noexcept {
  LogError(CurrentExceptionText(u"Unknown exception"));
}

} // namespace lumivane
