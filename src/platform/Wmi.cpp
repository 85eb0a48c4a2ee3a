#include "platform/Wmi.h"

#include "text/Utf.h"

namespace lumivane {

WmiValue WmiValue::IntArray(const std::vector<int64_t>& values) {
  WmiValue w;
  w.kind = Kind::Array;
  w.items.reserve(values.size());
  for (int64_t v : values)
    w.items.push_back(Int(v));
  w.dims = {values.size()};
  return w;
}

} // namespace lumivane
