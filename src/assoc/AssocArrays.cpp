// TAssoc: the children table, strict rules and the sorted key views.
#include "assoc/AssocArrays.h"

#include <algorithm>
#include <limits>

#include "platform/Locale.h"

namespace lumivane {

namespace {

[[noreturn]] void ThrowKeyError(const Variant& key, const char16_t* tail) {
  throw AssocError(u"The key \"" + key.Text() + u"\"" + tail);
}

// The text a key sorts by; a Null key has none.
std::u16string SortText(const Variant& key) {
  if (key.IsNull()) throw ConvertError(u"Could not convert variant of type (Null) into type (UString)");
  return key.Text();
}

struct TextKey {
  std::u16string text;
  Variant key;
};
struct IntKey {
  int64_t value;
  Variant key;
};

std::vector<Variant> ByText(const TAssocTable* dict, bool descending) {
  std::vector<TextKey> items;
  if (!dict) return {};
  items.reserve(dict->size());
  for (const auto& entry : *dict)
    items.push_back({SortText(entry.first), entry.first});
  const ILocale& locale = CurrentLocale();
  std::sort(items.begin(), items.end(), [&](const TextKey& a, const TextKey& b) {
    return descending ? locale.Compare(b.text, a.text) < 0 : locale.Compare(a.text, b.text) < 0;
  });
  std::vector<Variant> keys;
  keys.reserve(items.size());
  for (auto& item : items)
    keys.push_back(std::move(item.key));
  return keys;
}

std::vector<Variant> ByInteger(const TAssocTable* dict, bool descending) {
  std::vector<IntKey> items;
  if (!dict) return {};
  items.reserve(dict->size());
  for (const auto& entry : *dict)
    items.push_back({entry.first.ToInt64(), entry.first});
  if (items.empty()) return {};
  // Keys are ordered by the sign of their checked difference. Checking the extremes once makes
  // the overflow error independent of which pairs the sort happens to compare.
  auto [lo, hi] = std::minmax_element(items.begin(), items.end(),
                                      [](const IntKey& a, const IntKey& b) { return a.value < b.value; });
  if (lo->value < 0 && hi->value > std::numeric_limits<int64_t>::max() + lo->value)
    throw IntOverflowError(u"Integer overflow");
  std::sort(items.begin(), items.end(), [&](const IntKey& a, const IntKey& b) {
    return descending ? b.value < a.value : a.value < b.value;
  });
  std::vector<Variant> keys;
  keys.reserve(items.size());
  for (auto& item : items)
    keys.push_back(std::move(item.key));
  return keys;
}

} // namespace

std::atomic<uint64_t> TAssoc::changes_{0};

// Out of line: every value assignment calls it, and a 64-bit atomic add is long on 32-bit x86.
void TAssoc::Changed() noexcept {
  changes_.fetch_add(1, std::memory_order_relaxed);
}

TAssoc::TAssoc(bool strictRules) : fStrict(strictRules) {}

TAssoc::~TAssoc() = default;

TAssoc& TAssoc::Items(const Variant& index) {
  if (fDict) {
    auto it = fDict->find(index);
    if (it != fDict->end()) return *it->second;
  }
  if (fStrict) ThrowKeyError(index, u" does not exist!");
  if (!fDict) fDict = std::make_unique<TAssocTable>(1);
  auto child = std::make_unique<TAssoc>(fStrict);
  TAssoc& result = *child;
  fDict->emplace(index, std::move(child));
  Changed();
  return result;
}

TAssoc* TAssoc::Add(const Variant& index) {
  if (fDict && fDict->find(index) != fDict->end()) {
    if (fStrict) ThrowKeyError(index, u" already exists!");
    return nullptr;
  }
  if (!fDict) fDict = std::make_unique<TAssocTable>(1);
  auto child = std::make_unique<TAssoc>(fStrict);
  TAssoc* result = child.get();
  fDict->emplace(index, std::move(child));
  Changed();
  return result;
}

TAssoc* TAssoc::Add(const Variant& index, const Variant& value) {
  // An existing key in a non-strict node yields no child, and the node stays as it was.
  TAssoc* child = Add(index);
  if (child) child->SetVal(value);
  return child;
}

bool TAssoc::IsSet(const Variant& index) const {
  return fDict && fDict->find(index) != fDict->end();
}

void TAssoc::Remove(const Variant& index) {
  if (!fDict) return;
  auto it = fDict->find(index);
  if (it == fDict->end()) return;
  // Unlink first so that the table never holds a child that is being destroyed.
  std::unique_ptr<TAssoc> doomed = std::move(it->second);
  fDict->erase(it);
  Changed();
}

void TAssoc::Clear() {
  if (!fDict) return;
  TAssocTable doomed;
  doomed.swap(*fDict);
  Changed();
}

int32_t TAssoc::Count() const {
  return fDict ? static_cast<int32_t>(fDict->size()) : 0;
}

std::vector<Variant> TAssoc::Keys() const {
  std::vector<Variant> keys;
  if (!fDict) return keys;
  keys.reserve(fDict->size());
  for (const auto& entry : *fDict)
    keys.push_back(entry.first);
  return keys;
}

std::vector<Variant> TAssoc::AscKeys() const {
  return ByText(fDict.get(), false);
}
std::vector<Variant> TAssoc::DescKeys() const {
  return ByText(fDict.get(), true);
}
std::vector<Variant> TAssoc::IntAscKeys() const {
  return ByInteger(fDict.get(), false);
}
std::vector<Variant> TAssoc::IntDescKeys() const {
  return ByInteger(fDict.get(), true);
}

} // namespace lumivane
