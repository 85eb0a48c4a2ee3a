#include <string_view>
#include <vector>

#include "assoc/AssocArrays.h"
#include "assoc/Sha1.h"
#include "assoc/StrUtilsEx.h"
#include "devices/Devices.h"

namespace lumivane {

namespace {
// Pieces between separators; an empty text gives no pieces at all.
std::vector<std::u16string_view> SplitAll(std::u16string_view s, std::u16string_view sep) {
  std::vector<std::u16string_view> pieces;
  if (s.empty()) return pieces;
  size_t start = 0;
  for (;;) {
    const size_t at = s.find(sep, start);
    if (at == std::u16string_view::npos) break;
    pieces.push_back(s.substr(start, at - start));
    start = at + sep.size();
  }
  pieces.push_back(s.substr(start));
  return pieces;
}
} // namespace

std::u16string DeviceUid(const std::u16string& name) {
  std::u16string key = name;
  // WMI names the panel "...UID4352_0", the desktop "...UID4352": drop the instance suffix.
  const auto uidPieces = SplitAll(name, u"UID");
  if (uidPieces.size() >= 2) {
    const auto parts = SplitAll(uidPieces[1], u"_");
    if (parts.size() == 2) {
      const std::u16string a(parts[0]), b(parts[1]);
      key = StrReplaceEx(name, u"UID" + a + u"_" + b, u"UID" + a, ReplaceAll | IgnoreCase);
    }
  }
  const std::string hex = Sha1Hex(ToUtf8(key));
  return std::u16string(hex.begin(), hex.end());
}

} // namespace lumivane
