#include "lang/Lang.h"

#include "assoc/StrUtilsEx.h"

namespace lumivane {

const LangTable& LangTableFor(const std::u16string& language) {
  if (HasTextNoCase(u"русский", language) || HasTextNoCase(u"russian", language)) return kRussianTable;
  if (HasTextNoCase(u"украинский", language) || HasTextNoCase(u"українська", language) ||
      HasTextNoCase(u"ukrainian", language))
    return kUkrainianTable;
  if (HasTextNoCase(u"chinese", language)) return kChineseTable;
  return kDefaultTable;
}

} // namespace lumivane
