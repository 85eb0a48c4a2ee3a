// The request parser on arbitrary bytes: it never reads past the line, never accepts what the
// limits refuse, and what it accepts is written back as a line it reads the same way.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/ControlRequest.h"

namespace {
void Check(bool ok) {
  if (!ok) std::abort();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace lumivane;
  const std::string_view line(reinterpret_cast<const char*>(data), size);
  const ParsedRequest parsed = ParseControlRequest(line);
  Check(parsed.request.has_value() == parsed.error.empty());
  if (!parsed.request) return 0;
  Check(size <= kMaxRequestBytes + 2);
  for (unsigned char b : line)
    Check(b == '\n' || b == '\r' || (b >= 0x20 && b < 0x7F));
  const ControlRequest& r = *parsed.request;
  Check(r.relative ? (r.value >= -100 && r.value <= 100) : (r.value >= 0 && r.value <= 100));
  Check(!r.display || (*r.display >= 0 && *r.display <= kMaxDisplayNumber));
  const std::string written = ControlRequestLine(r);
  Check(written.size() <= kMaxRequestBytes + 1);
  const ParsedRequest again = ParseControlRequest(written);
  Check(again.request && *again.request == r);
  return 0;
}
