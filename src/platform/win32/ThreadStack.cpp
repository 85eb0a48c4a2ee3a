#include "platform/win32/ThreadStack.h"

namespace lumivane::win32 {

bool OnThisStack(LPARAM p, size_t size) {
  ULONG_PTR low = 0, high = 0;
  ::GetCurrentThreadStackLimits(&low, &high);
  const auto here = reinterpret_cast<ULONG_PTR>(&low);
  const auto at = static_cast<ULONG_PTR>(p);
  return at >= here && at < high && high - at >= size;
}

} // namespace lumivane::win32
