#include <algorithm>
#include <cstdint>
#include <limits>
#include <optional>

#include "controller/MainForm.h"
#include "devices/DeviceTable.h"

namespace lumivane {

int Saturate(int64_t v) {
  return static_cast<int>(
      std::clamp<int64_t>(v, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

namespace {
int64_t FloorDiv(int64_t a, int64_t b) {
  int64_t q = a / b;
  if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
  return q;
}

// NearestLevels with the edges ValueChange works with: max + 1 above when there is no level up
// to max, min - 1 below when there is none down to min; 0 for a side that i lies beyond.
void LevelsAround(const TAssoc& levels, int64_t i, int64_t min, int64_t max, int64_t& up, int64_t& down) {
  const NearLevels near = NearestLevels(levels, i, min, max);
  // A limit at the end of the 64-bit range has no neighbour; the value is clamped to 0..100 later,
  // so the extreme itself stands in for it.
  const int64_t aboveMax = max == std::numeric_limits<int64_t>::max() ? max : max + 1;
  const int64_t belowMin = min == std::numeric_limits<int64_t>::min() ? min : min - 1;
  up = i <= max ? near.up.value_or(aboveMax) : 0;
  down = i >= min ? near.down.value_or(belowMin) : 0;
}
} // namespace

int CeilToStep(int value, int step) {
  if (step < 1) return value;
  return Saturate(-FloorDiv(-int64_t{value}, step) * step);
}

int FloorToStep(int value, int step) {
  if (step < 1) return value;
  return Saturate(FloorDiv(value, step) * step);
}

void TController::ResetShown() {
  ShownBrightness = -1;
  platform_.tray->ShowApplicationIcon();
}

void TController::ValueChange(int i, bool init) {
  if (RunState <= 0 && init) {
    ResetShown();
    return;
  }
  TAssoc* devices = DeviceTable();
  if (!devices || devices->Count() == 0 || ActiveDevice.empty()) {
    ResetShown();
    return;
  }
  TAssoc* record = ActiveRecord();
  if (!record) {
    ResetShown();
    return;
  }

  int64_t value = i;
  if (init) {
    const int64_t max = RecordInt(*record, u"max", 100);
    const int64_t min = RecordInt(*record, u"min", 0);
    if (value > max) value = max;
    if (value < min) value = min;
    if (RecordFlag(*record, u"internal") && record->IsSet(u"level") &&
        !record->Items(u"level").IsSet(Variant::Narrow(value))) {
      int64_t up = 0, down = 0;
      LevelsAround(record->Items(u"level"), value, min, max, up, down);
      if (value < ShownBrightness) value = down;
      if (value >= ShownBrightness) value = up;
    }
    if (value == ShownBrightness) return;
  }

  value = std::clamp<int64_t>(value, 0, 100);
  IconFontHeight = value == 100 ? FontHeight100 : FontHeight2Digits;
  ShownBrightness = static_cast<int>(value);
  // The value stands even when the icon could not be replaced: the devices follow it, and the
  // next redraw shows it.
  UpdateTrayIconText(Variant::Narrow(value).Text());
}

int TController::NearestShownTo(int requested) const {
  TAssoc* record = ActiveRecord();
  if (!record) return requested;
  const int64_t max = RecordInt(*record, u"max", 100);
  const int64_t min = RecordInt(*record, u"min", 0);
  // In ValueChange's order: the lower limit wins over an upper one below it.
  int64_t value = requested;
  if (value > max) value = max;
  if (value < min) value = min;
  if (RecordFlag(*record, u"internal") && record->IsSet(u"level") &&
      !record->Items(u"level").IsSet(Variant::Narrow(value))) {
    int64_t up = 0, down = 0;
    LevelsAround(record->Items(u"level"), value, min, max, up, down);
    value = down >= min ? down : up;
  }
  return static_cast<int>(std::clamp<int64_t>(value, 0, 100));
}

bool TController::ShowsNearestTo(int requested) const {
  return ShownBrightness == requested || ShownBrightness == NearestShownTo(requested);
}

} // namespace lumivane
