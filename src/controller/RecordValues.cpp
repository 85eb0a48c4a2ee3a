#include "controller/RecordValues.h"

namespace lumivane {

bool TruthValue(const Variant& value) {
  try {
    return value.ToBool();
  } catch (const AssocError&) {
    return false;
  }
}

bool RecordFlag(const TAssoc& record, const Variant& key) {
  const TAssocTable* all = record.All();
  if (!all) return false;
  auto it = all->find(key);
  return it != all->end() && TruthValue(it->second->Val());
}

int64_t RecordInt(const TAssoc& record, const Variant& key, int64_t fallback) {
  const TAssocTable* all = record.All();
  if (!all) return fallback;
  auto it = all->find(key);
  if (it == all->end()) return fallback;
  return it->second->Val().ToInt64();
}

} // namespace lumivane
