// Arbitrary bytes, read as UTF-16 and as UTF-8, into JSONParse on an empty node and on a node that
// already has children; whatever was built must dump, write and read again.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "assoc/AssocArrays.h"

namespace {

using lumivane::TAssoc;

void Check(bool condition) {
  if (!condition) std::abort();
}

void Exercise(const std::u16string& text) {
  TAssoc fresh;
  TAssoc* last = fresh.JSONParse(text);
  Check(last == nullptr || fresh.Count() > 0);
  fresh.Dump(false, u"", false);
  fresh.Dump(true, u"", false);
  const std::u16string json = fresh.JSONDump();

  // One pass drops what cannot survive (empty keys, U+0000, names that collide afterwards); from
  // then on writing and reading agree exactly.
  TAssoc copy;
  copy.JSONParse(json);
  const std::u16string settled = copy.JSONDump();
  TAssoc again;
  again.JSONParse(settled);
  Check(again.JSONDump() == settled);
  Check(again.Dump(true, u"", false) == copy.Dump(true, u"", false));

  TAssoc busy;
  busy[u"a"] = u"1";
  busy[u"a"][u"b"] = u"2";
  busy[lumivane::Variant::Narrow(5)][u"x"];
  busy.JSONParse(text);
  busy.JSONDump();
  busy.Dump(false, u"", false);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::u16string wide;
  wide.reserve(size / 2);
  for (size_t i = 0; i + 1 < size; i += 2)
    wide += static_cast<char16_t>(data[i] | (data[i + 1] << 8));
  Exercise(wide);
  Exercise(lumivane::FromUtf8(std::string(reinterpret_cast<const char*>(data), size)));
  return 0;
}
