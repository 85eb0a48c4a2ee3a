#include "devices/Devices.h"

namespace lumivane {

namespace {
bool IsModelKey(const std::u16string& key) {
  static constexpr char16_t model[] = u"model";
  if (key.size() != 5) return false;
  for (size_t i = 0; i < 5; ++i) {
    char16_t c = key[i];
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
    if (c != model[i]) return false;
  }
  return true;
}
} // namespace

std::u16string ModelFromCapabilities(const std::u16string& caps) {
  if (caps.size() <= 10) return {};
  // Only the "model" entry matters, so instead of a map of every entry keep the last model
  // value seen (a repeated key replaces the earlier one).
  int64_t depth = 0;
  std::u16string key, value, model;
  bool found = false;
  for (char16_t c : caps) {
    if (c == u'(') {
      ++depth;
    } else if (c == u')') {
      --depth;
      if (depth <= 1) {
        if (!key.empty() && IsModelKey(key)) {
          model = value;
          found = true;
        }
        key.clear();
        value.clear();
      }
    } else if (depth == 1) {
      key.push_back(c);
    } else if (depth == 2) {
      value.push_back(c);
    }
  }
  if (!found) return {};
  for (char16_t& c : model)
    if (c == 0) c = u' ';
  return model;
}

} // namespace lumivane
