#include "devices/DeviceTable.h"

#include "assoc/AssocArrays.h"

namespace lumivane {

const TAssoc* FindChild(const TAssoc& node, const Variant& key) {
  const TAssocTable* table = node.All();
  if (!table) return nullptr;
  const auto it = table->find(key);
  return it == table->end() ? nullptr : it->second.get();
}

namespace {
std::optional<int64_t> LevelValue(const Variant& key) {
  try {
    int64_t v = key.ToInt64();
    if (Variant::Narrow(v).Text() == key.Text()) return v;
  } catch (const AssocError&) {
  }
  return std::nullopt;
}

Variant ValueOf(const TAssoc& record, const std::u16string& key) {
  const TAssoc* child = FindChild(record, Variant(key));
  return child ? child->Val() : Variant();
}
} // namespace

int64_t RecordInt(const TAssoc& record, const std::u16string& key, int64_t missing) {
  const TAssoc* child = FindChild(record, Variant(key));
  return child ? child->Val().ToInt64() : missing;
}

uint64_t RecordUInt(const TAssoc& record, const std::u16string& key) {
  return ValueOf(record, key).ToUInt64();
}

bool RecordBool(const TAssoc& record, const std::u16string& key) {
  return ValueOf(record, key).ToBool();
}

std::u16string RecordText(const TAssoc& record, const std::u16string& key) {
  return ValueOf(record, key).Text();
}

bool TruthValue(const Variant& value) {
  try {
    return value.ToBool();
  } catch (const AssocError&) {
    return false;
  }
}

bool RecordFlag(const TAssoc& record, const std::u16string& key) {
  const TAssoc* child = FindChild(record, Variant(key));
  return child && TruthValue(child->Val());
}

TAssoc& AddDeviceRecord(TAssoc& devices, const std::u16string& uid) {
  TAssoc& record = devices[Variant(uid)];
  record[Variant(u"number")] = Variant(DecimalText(devices.Count()));
  return record;
}

void ClampRange(TAssoc& record, int64_t rangeMin, int64_t rangeMax) {
  record[Variant(u"min_orig")] = record[Variant(u"min")].Val();
  record[Variant(u"max_orig")] = record[Variant(u"max")].Val();
  if (RecordInt(record, u"min") < rangeMin) record[Variant(u"min")] = Variant(DecimalText(rangeMin));
  if (RecordInt(record, u"max") > rangeMax) record[Variant(u"max")] = Variant(DecimalText(rangeMax));
}

void CountError(TAssoc& record) {
  record[Variant(u"errors")] = Variant::Narrow(RecordInt(record, u"errors") + 1);
}

std::u16string DecimalText(int64_t v) {
  const bool negative = v < 0;
  uint64_t magnitude = negative ? ~static_cast<uint64_t>(v) + 1 : static_cast<uint64_t>(v);
  std::u16string digits = UnsignedText(magnitude);
  return negative ? u"-" + digits : digits;
}

std::u16string UnsignedText(uint64_t v) {
  char16_t buf[20];
  size_t n = 0;
  do {
    buf[n++] = static_cast<char16_t>(u'0' + v % 10);
    v /= 10;
  } while (v);
  std::u16string out;
  while (n)
    out.push_back(buf[--n]);
  return out;
}

NearLevels NearestLevels(const TAssoc& levels, int64_t i, int64_t min, int64_t max) {
  NearLevels found;
  const TAssocTable* all = levels.All();
  if (!all) return found;
  for (const auto& [key, child] : *all) {
    const std::optional<int64_t> level = LevelValue(key);
    if (!level) continue;
    if (*level >= i && *level <= max && (!found.up || *level < *found.up)) found.up = level;
    if (*level <= i && *level >= min && (!found.down || *level > *found.down)) found.down = level;
  }
  return found;
}

} // namespace lumivane
