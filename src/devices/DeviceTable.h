#pragma once
// Reading and writing device records. Discovery stores numbers and truth values as text; the
// worker and supervision store integers and booleans; readers accept both.
#include <cstdint>
#include <optional>
#include <string>

namespace lumivane {

class TAssoc;
class Variant;

// The child under key, or null; never creates it.
const TAssoc* FindChild(const TAssoc& node, const Variant& key);

// A record value as a number, truth value or text; a missing key reads as missing (0), false, "".
// A value that does not convert throws ConvertError. Nothing here creates a key.
int64_t RecordInt(const TAssoc& record, const std::u16string& key, int64_t missing = 0);
uint64_t RecordUInt(const TAssoc& record, const std::u16string& key);
bool RecordBool(const TAssoc& record, const std::u16string& key);
std::u16string RecordText(const TAssoc& record, const std::u16string& key);

// The lenient reading of truth values: "true"/"false" in any letter case, a Boolean, or a
// number (0 is false); anything else, an absent key included, is false.
bool TruthValue(const Variant& value);
bool RecordFlag(const TAssoc& record, const std::u16string& key);

// Creates the record for uid and gives it its "number": the count of records right after.
TAssoc& AddDeviceRecord(TAssoc& devices, const std::u16string& uid);

// After "min" and "max" are known: keep them as "min_orig"/"max_orig", then narrow them to the
// configured limits. The two tests are independent, so "min" may end above "max".
void ClampRange(TAssoc& record, int64_t rangeMin, int64_t rangeMax);

// The supported levels of a panel (the keys of its "level" node) nearest to i within min..max:
// the smallest at or above i and the largest at or below i; nothing on a side without one. A
// key counts only in its canonical decimal form, as a lookup by integer would find it. One walk
// over the keys, whatever the range.
struct NearLevels {
  std::optional<int64_t> up, down;
};
NearLevels NearestLevels(const TAssoc& levels, int64_t i, int64_t min, int64_t max);

// "errors" := its numeric value + 1.
void CountError(TAssoc& record);

std::u16string DecimalText(int64_t v);
std::u16string UnsignedText(uint64_t v);

} // namespace lumivane
