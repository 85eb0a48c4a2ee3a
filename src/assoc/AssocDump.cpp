// TAssoc::Dump: the indented tree text written to the debug log.
#include "assoc/AssocArrays.h"
#include "assoc/StrUtilsEx.h"

namespace lumivane {

namespace {

void DumpInto(const TAssoc& node, bool showTypes, const std::u16string& level, bool last,
              std::u16string& out) {
  if (!node.All()) return;
  std::vector<Variant> keys = node.AscKeys();
  std::vector<std::u16string> texts;
  texts.reserve(keys.size());
  size_t width = 1;
  for (const auto& key : keys) {
    texts.push_back(key.Text());
    if (texts.back().size() > width) width = texts.back().size();
  }
  const size_t count = keys.size();
  for (size_t i = 0; i < count; ++i) {
    const TAssoc& child = *node.All()->find(keys[i])->second;
    const char16_t* branch = u"";
    if (!level.empty()) {
      last = i + 1 == count;
      branch = last ? u"\u2514\u2574" : u"\u251C\u2574";
    }
    std::u16string key = texts[i];
    key.resize(width, u' ');
    Variant value = child.Val();
    std::u16string valueText = value.Text();

    out += u"\r\n";
    out += level;
    out += branch;
    if (showTypes) {
      if (child.Count() == 0)
        out += u"(";
      else
        out += u"[" + Variant(child.Count()).Text() + u"](";
      out += VariantTypeName(keys[i].Kind());
      out += u") ";
    }
    out += key;
    if (!valueText.empty()) {
      out += showTypes ? u" = (" + VariantTypeName(value.Kind()) + u") " : std::u16string(u" = ");
      out += valueText;
    }
    DumpInto(child, showTypes, last || level.empty() ? level + u"   " : level + u"\u2502  ", last, out);
  }
}

} // namespace

std::u16string TAssoc::Dump(bool showTypes, const std::u16string& level, bool last) const {
  std::u16string out;
  DumpInto(*this, showTypes, level, last, out);
  return StrReplaceEx(out, std::u16string(1, u'\0'), u"", ReplaceAll | IgnoreCase);
}

} // namespace lumivane
