#include "controller/RecordValues.h"

#include "devices/DeviceTable.h"

namespace lumivane {

bool TruthValue(const Variant& value) {
  try {
    return value.ToBool();
  } catch (const AssocError&) {
    return false;
  }
}

bool RecordFlag(const TAssoc& record, const Variant& key) {
  const TAssoc* child = FindChild(record, key);
  return child && TruthValue(child->Val());
}

int64_t RecordInt(const TAssoc& record, const Variant& key, int64_t fallback) {
  const TAssoc* child = FindChild(record, key);
  return child ? child->Val().ToInt64() : fallback;
}

} // namespace lumivane
