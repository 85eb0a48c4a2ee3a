#include "devices/LogText.h"

#include "assoc/AssocArrays.h"
#include "platform/Wmi.h"

namespace lumivane {

std::u16string FillText(std::u16string_view pattern, std::initializer_list<std::u16string_view> args) {
  std::u16string out;
  auto next = args.begin();
  for (size_t i = 0; i < pattern.size(); ++i) {
    const char16_t c = pattern[i];
    if (c == u'%' && i + 1 < pattern.size() && (pattern[i + 1] == u's' || pattern[i + 1] == u'd') &&
        next != args.end()) {
      out += *next++;
      ++i;
    } else {
      out.push_back(c);
    }
  }
  return out;
}


} // namespace lumivane
