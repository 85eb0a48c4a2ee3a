// Text replace and case-insensitive search; upper-casing goes through the current locale.
#include "assoc/StrUtilsEx.h"

#include <limits>
#include <memory>

#include "assoc/AssocArrays.h"
#include "platform/Locale.h"

namespace lumivane {

namespace {

constexpr int64_t kMaxLength = std::numeric_limits<int32_t>::max();

[[noreturn]] void ThrowOverflow() {
  throw IntOverflowError(u"Integer overflow");
}

// Match positions (0-based): room for 32 at first, doubled whenever full.
class Positions {
 public:
  void Push(size_t pos) {
    if (size_ == capacity_) {
      size_t grown = capacity_ == 0 ? 32 : capacity_ * 2;
      auto next = std::make_unique<size_t[]>(grown);
      for (size_t i = 0; i < size_; ++i)
        next[i] = data_[i];
      data_ = std::move(next);
      capacity_ = grown;
    }
    data_[size_++] = pos;
  }
  size_t Size() const { return size_; }
  size_t operator[](size_t i) const { return data_[i]; }

 private:
  std::unique_ptr<size_t[]> data_;
  size_t size_ = 0, capacity_ = 0;
};

} // namespace

std::u16string StrReplaceEx(const std::u16string& s, const std::u16string& pattern,
                            const std::u16string& replacement, int flags) {
  if (s.empty()) return std::u16string();
  if (pattern.empty()) return s;
  if (static_cast<uint64_t>(s.size()) > static_cast<uint64_t>(kMaxLength)) ThrowOverflow();

  std::u16string upperText, upperPattern;
  const std::u16string* text = &s;
  const std::u16string* search = &pattern;
  if (flags & IgnoreCase) {
    const ILocale& locale = CurrentLocale();
    upperPattern = locale.Upper(pattern);
    search = &upperPattern;
    // A pattern without cased letters matches the same code units in any case.
    if (upperPattern != locale.Lower(pattern)) {
      upperText = locale.Upper(s);
      text = &upperText;
    }
  }

  Positions matches;
  for (size_t at = text->find(*search); at != std::u16string::npos;
       at = text->find(*search, at + pattern.size())) {
    matches.Push(at);
    if (!(flags & ReplaceAll)) break;
  }
  if (matches.Size() == 0) return s;

  if (replacement.size() == pattern.size()) {
    std::u16string result(s);
    for (size_t i = 0; i < matches.Size(); ++i)
      result.replace(matches[i], pattern.size(), replacement);
    return result;
  }

  int64_t delta = static_cast<int64_t>(replacement.size()) - static_cast<int64_t>(pattern.size());
  int64_t count = static_cast<int64_t>(matches.Size());
  // Each factor is below 2^31 here, so the product and the sum fit in 64 bits before the check.
  if (replacement.size() > static_cast<uint64_t>(kMaxLength)) ThrowOverflow();
  int64_t length = static_cast<int64_t>(s.size()) + count * delta;
  if (length > kMaxLength) ThrowOverflow();

  std::u16string result;
  result.reserve(static_cast<size_t>(length));
  size_t from = 0;
  for (size_t i = 0; i < matches.Size(); ++i) {
    result.append(s, from, matches[i] - from);
    result.append(replacement);
    from = matches[i] + pattern.size();
  }
  result.append(s, from, std::u16string::npos);
  return result;
}

std::u16string UpperFirst(const std::u16string& s) {
  if (s.empty()) return s;
  std::u16string result(s);
  result[0] = CurrentLocale().Upper(s.substr(0, 1))[0];
  return result;
}

int32_t PosNoCase(const std::u16string& needle, const std::u16string& s) {
  if (needle.empty() || needle.size() > s.size()) return 0;
  const ILocale& locale = CurrentLocale();
  size_t at = locale.Upper(s).find(locale.Upper(needle));
  if (at == std::u16string::npos || at >= static_cast<size_t>(kMaxLength)) return 0;
  return static_cast<int32_t>(at + 1);
}

bool HasTextNoCase(const std::u16string& needle, const std::u16string& s) {
  return PosNoCase(needle, s) > 0;
}

std::u16string TrimBlanks(const std::u16string& s) {
  size_t begin = 0, end = s.size();
  while (begin < end && s[begin] <= u' ')
    ++begin;
  while (end > begin && s[end - 1] <= u' ')
    --end;
  return s.substr(begin, end - begin);
}

} // namespace lumivane
