#include <algorithm>
#include <cstdint>
#include <limits>
#include <utility>

#include "controller/MainForm.h"
#include "devices/DeviceTable.h"

namespace lumivane {

namespace {
constexpr int kPageStep = 10;

int Percent(int64_t v) {
  return static_cast<int>(std::clamp<int64_t>(v, 0, 100));
}
} // namespace

PanelContent TController::PanelNow(std::vector<std::u16string>& keys) const {
  PanelContent content;
  keys.clear();
  content.emptyText = MenuText(u"panel_empty");
  const TAssoc* devices = DeviceTable();
  if (!devices) return content;
  for (const auto& [n, key] : DevicesInMenuOrder(*devices)) {
    const TAssoc* record = FindChild(*devices, Variant(key));
    if (!record || !RecordFlag(*record, u"active")) continue;
    PanelRow row;
    row.caption = DecimalText(n) + u". " + DeviceCaption(*record);
    // The display the wheel turns shows where it is going; the others what they last took.
    if (key == ActiveDevice && ShownBrightness >= 0)
      row.value = ShownBrightness;
    else
      row.value = Percent(RecordInt(*record, u"brightness", 0));
    content.rows.push_back(std::move(row));
    keys.push_back(key);
  }
  return content;
}

void TController::OpenPanel() {
  if (!HandlersLive()) return;
  if (panel_) {
    RefreshPanel();
    return;
  }
  PanelState state;
  state.shown = PanelNow(state.keys);
  const auto at = std::find(state.keys.begin(), state.keys.end(), ActiveDevice);
  state.shown.focus = at == state.keys.end() ? 0 : static_cast<int>(at - state.keys.begin());
  PanelEvents events;
  events.onSlide = [this](int row, int value) { Guarded([&] { PanelSet(row, value); }); };
  events.onWheel = [this](int row, int notches) {
    Guarded([&] {
      if (notches != 0) PanelStep(row, notches < 0 ? -1 : 1, true);
    });
  };
  events.onKey = [this](PanelKey key) { Guarded([&] { PanelKeyDown(key); }); };
  events.onClosed = [this] { panel_.reset(); };
  panel_ = std::move(state);
  if (!platform_.panel->Open(panel_->shown, std::move(events))) {
    panel_.reset();
    LogLine(u"The brightness panel could not be opened.");
  }
}

void TController::ClosePanel() {
  if (!panel_) return;
  panel_.reset();
  platform_.panel->Close();
}

void TController::RefreshPanel() {
  if (!panel_) return;
  if (!HandlersLive()) {
    ClosePanel();
    return;
  }
  std::vector<std::u16string> keys;
  PanelContent now = PanelNow(keys);
  // The focus stays with its display while rows come and go.
  const int focus = panel_->shown.focus;
  const std::u16string focused =
      focus >= 0 && static_cast<size_t>(focus) < panel_->keys.size() ? panel_->keys[focus] : u"";
  const auto at = std::find(keys.begin(), keys.end(), focused);
  if (at != keys.end())
    now.focus = static_cast<int>(at - keys.begin());
  else
    now.focus = keys.empty() ? 0 : std::min(focus, static_cast<int>(keys.size()) - 1);
  panel_->keys = std::move(keys);
  if (now == panel_->shown) return;
  panel_->shown = std::move(now);
  platform_.panel->Show(panel_->shown);
}

void TController::MakeActiveNow(const std::u16string& key) {
  // As choosing it in the menu, without waiting for the pass: the menu's checks, the icon and
  // the stored choice follow.
  PendingDevice.clear();
  ActiveDevice = key;
  SaveActMon();
  BuildMenu();
}

bool TController::PanelTarget(int row) {
  if (!panel_ || row < 0 || static_cast<size_t>(row) >= panel_->keys.size()) return false;
  const std::u16string key = panel_->keys[row];
  TAssoc* devices = DeviceTable();
  const TAssoc* record = devices ? FindChild(*devices, Variant(key)) : nullptr;
  if (!record || !RecordFlag(*record, u"active")) return false;
  panel_->shown.focus = row;
  if (key != ActiveDevice) {
    // A value still waiting for the display before it would land on this one: it is dropped.
    MakeActiveNow(key);
    panel_->pendingStamp.reset();
  }
  return ActiveRecord() != nullptr && ShownBrightness >= 0;
}

int TController::PanelBase() const {
  if (panel_ && panel_->pendingStamp && Root && Root->IsSet(u"cmd")) {
    const TAssoc& cmd = *FindChild(*Root, Variant(u"cmd"));
    const TAssoc* entry = FindChild(cmd, Variant(*panel_->pendingStamp));
    if (entry && !entry->IsSet(u"z"))
      if (const TAssoc* value = FindChild(*entry, Variant(u"i")))
        return NearestShownTo(Saturate(value->Val().ToInt64()));
  }
  return ShownBrightness;
}

void TController::PanelSet(int row, int value) {
  if (!PanelTarget(row)) return;
  value = Percent(value);
  TAssoc& cmd = Root->Items(u"cmd");
  const std::optional<uint64_t> pending = panel_->pendingStamp;
  if (pending && cmd.IsSet(Variant(*pending)) && !cmd.Items(Variant(*pending)).IsSet(u"z") &&
      cmd.Items(Variant(*pending)).IsSet(u"i")) {
    // No pass since the last value: the newest one takes its place.
    cmd.Items(Variant(*pending)).Items(u"i") = Variant::Narrow(value);
    return;
  }
  panel_->pendingStamp = WriteFreshCommand(u"i", value);
  platform_.host->RequestPass();
}

void TController::PanelStep(int row, int delta, bool toStep) {
  if (!PanelTarget(row)) return;
  const int step = StepPercent < 1 ? 1 : StepPercent;
  const int base = PanelBase();
  int value = 0;
  if (toStep)
    value = delta < 0 ? CeilToStep(Saturate(int64_t{base} - step), step)
                      : FloorToStep(Saturate(int64_t{base} + step), step);
  else
    value = Saturate(int64_t{base} + delta);
  PanelSet(row, value);
}

void TController::PanelKeyDown(PanelKey key) {
  if (!panel_) return;
  const int rows = static_cast<int>(panel_->keys.size());
  const int row = panel_->shown.focus;
  switch (key) {
  case PanelKey::Escape:
    ClosePanel();
    return;
  case PanelKey::Tab:
  case PanelKey::ShiftTab:
    if (rows == 0) return;
    panel_->shown.focus = (row + (key == PanelKey::Tab ? 1 : rows - 1)) % rows;
    platform_.panel->Show(panel_->shown);
    return;
  case PanelKey::Left:
  case PanelKey::Down:
    PanelStep(row, -1, true);
    break;
  case PanelKey::Right:
  case PanelKey::Up:
    PanelStep(row, 1, true);
    break;
  case PanelKey::PageDown:
    PanelStep(row, -kPageStep, false);
    break;
  case PanelKey::PageUp:
    PanelStep(row, kPageStep, false);
    break;
  case PanelKey::Home:
    if (PanelTarget(row)) PanelSet(row, NearestShownTo(0));
    break;
  case PanelKey::End:
    if (PanelTarget(row)) PanelSet(row, NearestShownTo(100));
    break;
  }
}

} // namespace lumivane
