#include <cstdint>

#include "devices/DeviceTable.h"
#include "devices/Devices.h"

namespace lumivane {

namespace {
std::u16string Joined(const std::vector<WmiValue>& items, size_t from, size_t count, char16_t separator,
                      char16_t itemSeparator, char16_t rowSeparator) {
  std::u16string out;
  for (size_t i = 0; i < count; ++i) {
    out += VariantToText(items[from + i], itemSeparator, rowSeparator);
    out.push_back(separator);
  }
  if (!out.empty()) out.pop_back();
  return out;
}

// True when the dimensions describe exactly the elements held (no overflow).
bool DimsMatch(const WmiValue& value) {
  size_t total = 1;
  for (size_t d : value.dims) {
    if (d != 0 && total > SIZE_MAX / d) return false;
    total *= d;
  }
  return total == value.items.size();
}
} // namespace

std::u16string VariantToText(const WmiValue& value, char16_t itemSeparator, char16_t rowSeparator) {
  switch (value.kind) {
  case WmiValue::Kind::Null:
    return {};
  case WmiValue::Kind::Integer:
    return DecimalText(value.integer);
  case WmiValue::Kind::Text:
    return value.text;
  case WmiValue::Kind::Array:
    break;
  }
  const auto& items = value.items;
  if (value.dims.size() >= 3) return u"Array Dim=" + DecimalText(static_cast<int64_t>(value.dims.size()));
  // Dimensions that do not fit the elements are read as a plain list rather than past its end.
  if (value.dims.size() != 2 || !DimsMatch(value))
    return Joined(items, 0, items.size(), itemSeparator, itemSeparator, rowSeparator);
  const size_t rows = value.dims[0], columns = value.dims[1];
  std::u16string out;
  if (columns == 0) return out; // every row empty, whatever the row count claims
  for (size_t i = 0; i < rows; ++i) {
    const std::u16string row =
        Joined(items, i * columns, columns, itemSeparator, itemSeparator, rowSeparator);
    if (!out.empty()) out.push_back(rowSeparator);
    out += row;
  }
  return out;
}

} // namespace lumivane
