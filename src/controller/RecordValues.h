#pragma once
// Reading device records, whose numbers and truth values may be text ("50", "true") or
// Variants of their own kind. Nothing here creates a key.
#include <cstdint>

#include "assoc/AssocArrays.h"

namespace lumivane {

// "true"/"false" in any letter case, a Boolean, or a number (0 is false). Anything else,
// an absent key included, is false.
bool TruthValue(const Variant& value);
bool RecordFlag(const TAssoc& record, const Variant& key);

// The key's value as a number; fallback when the key is absent. A value that is not a
// number raises ConvertError.
int64_t RecordInt(const TAssoc& record, const Variant& key, int64_t fallback);

} // namespace lumivane
