// Variant: kinds, text forms, conversions and key identity.
#include <limits>

#include "assoc/AssocArrays.h"

namespace lumivane {

std::u16string VariantTypeName(uint16_t kindCode) {
  switch (kindCode) {
  case 0:
    return u"Empty";
  case 1:
    return u"Null";
  case 2:
    return u"SmallInt";
  case 3:
    return u"Integer";
  case 4:
    return u"Single";
  case 5:
    return u"Double";
  case 6:
    return u"Currency";
  case 7:
    return u"Date";
  case 8:
    return u"OleStr";
  case 9:
    return u"Dispatch";
  case 10:
    return u"Error";
  case 11:
    return u"Boolean";
  case 12:
    return u"Variant";
  case 13:
    return u"Unknown";
  case 16:
    return u"ShortInt";
  case 17:
    return u"Byte";
  case 18:
    return u"Word";
  case 19:
    return u"LongWord";
  case 20:
    return u"Int64";
  case 21:
    return u"UInt64";
  case 36:
    return u"Record";
  case 72:
    return u"StrArg";
  case 73:
    return u"Object";
  case 74:
    return u"UStrArg";
  case 256:
    return u"String";
  case 257:
    return u"Any";
  case 258:
    return u"UString";
  case 4095:
    return u"TypeMask";
  default:
    return u"";
  }
}

namespace {

// Decimal digits of an integer, written backwards from the end of buf; returns the start.
char16_t* FormatDecimal(bool negative, uint64_t magnitude, char16_t* end) {
  char16_t* p = end;
  do {
    *--p = static_cast<char16_t>(u'0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  if (negative) *--p = u'-';
  return p;
}
constexpr size_t kDecimalBuffer = 24;

bool IsBlank(char16_t c) {
  return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
}

// A decimal integer with optional sign and surrounding blanks.
bool ParseDecimal(const std::u16string& s, bool& negative, uint64_t& magnitude) {
  size_t i = 0, n = s.size();
  while (i < n && IsBlank(s[i]))
    ++i;
  while (n > i && IsBlank(s[n - 1]))
    --n;
  negative = false;
  if (i < n && (s[i] == u'+' || s[i] == u'-')) negative = s[i++] == u'-';
  if (i == n) return false;
  uint64_t value = 0;
  for (; i < n; ++i) {
    if (s[i] < u'0' || s[i] > u'9') return false;
    unsigned digit = s[i] - u'0';
    if (value > (std::numeric_limits<uint64_t>::max() - digit) / 10) return false;
    value = value * 10 + digit;
  }
  magnitude = value;
  if (value == 0) negative = false;
  return true;
}

[[noreturn]] void ThrowConvert(const Variant& v, const char16_t* target) {
  std::u16string text = v.IsNull() ? u"Null" : v.Text();
  throw ConvertError(u"Could not convert variant \"" + text + u"\" of type (" + VariantTypeName(v.Kind()) +
                     u") into type (" + target + u")");
}

[[noreturn]] void ThrowOverflow() {
  throw IntOverflowError(u"Integer overflow");
}

bool EqualsIgnoringAsciiCase(const std::u16string& s, size_t from, size_t to, const char16_t* word) {
  size_t k = 0;
  for (size_t i = from; i < to; ++i, ++k) {
    char16_t c = s[i];
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + 32);
    if (word[k] == 0 || word[k] != c) return false;
  }
  return word[k] == 0;
}

} // namespace

Variant Variant::Null() {
  Variant v;
  v.kind_ = vkNull;
  return v;
}
Variant::Variant(bool v) : kind_(vkBoolean), bits_(v ? 1 : 0) {}
Variant::Variant(int8_t v) : kind_(vkShortInt), bits_(static_cast<uint64_t>(static_cast<int64_t>(v))) {}
Variant::Variant(uint8_t v) : kind_(vkByte), bits_(v) {}
Variant::Variant(int16_t v) : kind_(vkSmallInt), bits_(static_cast<uint64_t>(static_cast<int64_t>(v))) {}
Variant::Variant(uint16_t v) : kind_(vkWord), bits_(v) {}
Variant::Variant(int32_t v) : kind_(vkInteger), bits_(static_cast<uint64_t>(static_cast<int64_t>(v))) {}
Variant::Variant(uint32_t v) : kind_(vkLongWord), bits_(v) {}
Variant::Variant(int64_t v) : kind_(vkInt64), bits_(static_cast<uint64_t>(v)) {}
Variant::Variant(uint64_t v) : kind_(vkUInt64), bits_(v) {}
Variant::Variant(const std::u16string& v) : kind_(vkUString), s_(v) {}
Variant::Variant(std::u16string&& v) : kind_(vkUString), s_(std::move(v)) {}
Variant::Variant(const char16_t* v) : kind_(vkUString), s_(v ? v : u"") {}

Variant Variant::Narrow(int64_t v) {
  if (v >= 0) return Narrow(static_cast<uint64_t>(v));
  if (v >= std::numeric_limits<int8_t>::min()) return Variant(static_cast<int8_t>(v));
  if (v >= std::numeric_limits<int16_t>::min()) return Variant(static_cast<int16_t>(v));
  if (v >= std::numeric_limits<int32_t>::min()) return Variant(static_cast<int32_t>(v));
  return Variant(v);
}

Variant Variant::Narrow(uint64_t v) {
  if (v <= std::numeric_limits<uint8_t>::max()) return Variant(static_cast<uint8_t>(v));
  if (v <= std::numeric_limits<uint16_t>::max()) return Variant(static_cast<uint16_t>(v));
  if (v <= std::numeric_limits<uint32_t>::max()) return Variant(static_cast<uint32_t>(v));
  if (v <= static_cast<uint64_t>(std::numeric_limits<int64_t>::max()))
    return Variant(static_cast<int64_t>(v));
  return Variant(v);
}

bool Variant::IsInteger() const {
  switch (kind_) {
  case vkShortInt:
  case vkSmallInt:
  case vkInteger:
  case vkInt64:
  case vkByte:
  case vkWord:
  case vkLongWord:
  case vkUInt64:
    return true;
  default:
    return false;
  }
}

bool Variant::IsSigned() const {
  return kind_ == vkShortInt || kind_ == vkSmallInt || kind_ == vkInteger || kind_ == vkInt64;
}

bool Variant::IntParts(bool& negative, uint64_t& magnitude) const {
  if (!IsInteger()) return false;
  if (IsSigned()) {
    int64_t v = static_cast<int64_t>(bits_);
    negative = v < 0;
    // Negate in unsigned arithmetic so that INT64_MIN has a magnitude too.
    magnitude = negative ? ~bits_ + 1 : bits_;
  } else {
    negative = false;
    magnitude = bits_;
  }
  return true;
}

std::u16string Variant::Text() const {
  switch (kind_) {
  case vkEmpty:
  case vkNull:
    return std::u16string();
  case vkBoolean:
    return bits_ ? u"True" : u"False";
  case vkUString:
    return s_;
  default:
    break;
  }
  bool negative = false;
  uint64_t magnitude = 0;
  if (!IntParts(negative, magnitude)) return std::u16string();
  char16_t buf[kDecimalBuffer];
  char16_t* end = buf + kDecimalBuffer;
  return std::u16string(FormatDecimal(negative, magnitude, end), end);
}

int64_t Variant::ToInt64() const {
  bool negative = false;
  uint64_t magnitude = 0;
  switch (kind_) {
  case vkEmpty:
    return 0;
  case vkBoolean:
    return bits_ ? -1 : 0;
  case vkUString:
    if (!ParseDecimal(s_, negative, magnitude)) ThrowConvert(*this, u"Int64");
    if (magnitude > (negative ? uint64_t{1} << 63 : (uint64_t{1} << 63) - 1)) ThrowConvert(*this, u"Int64");
    break;
  default:
    if (!IntParts(negative, magnitude)) ThrowConvert(*this, u"Int64");
    if (!negative && magnitude > static_cast<uint64_t>(std::numeric_limits<int64_t>::max())) ThrowOverflow();
    break;
  }
  return negative ? static_cast<int64_t>(~magnitude + 1) : static_cast<int64_t>(magnitude);
}

uint64_t Variant::ToUInt64() const {
  bool negative = false;
  uint64_t magnitude = 0;
  switch (kind_) {
  case vkEmpty:
    return 0;
  case vkBoolean:
    return bits_ ? std::numeric_limits<uint64_t>::max() : 0;
  case vkUString:
    if (!ParseDecimal(s_, negative, magnitude) || negative) ThrowConvert(*this, u"UInt64");
    return magnitude;
  default:
    if (!IntParts(negative, magnitude)) ThrowConvert(*this, u"UInt64");
    if (negative) ThrowOverflow();
    return magnitude;
  }
}

int32_t Variant::ToInt32() const {
  int64_t v = ToInt64();
  if (v < std::numeric_limits<int32_t>::min() || v > std::numeric_limits<int32_t>::max()) ThrowOverflow();
  return static_cast<int32_t>(v);
}

bool Variant::ToBool() const {
  bool negative = false;
  uint64_t magnitude = 0;
  switch (kind_) {
  case vkEmpty:
    return false;
  case vkBoolean:
    return bits_ != 0;
  case vkUString: {
    if (ParseDecimal(s_, negative, magnitude)) return magnitude != 0;
    size_t i = 0, n = s_.size();
    while (i < n && IsBlank(s_[i]))
      ++i;
    while (n > i && IsBlank(s_[n - 1]))
      --n;
    if (EqualsIgnoringAsciiCase(s_, i, n, u"true")) return true;
    if (EqualsIgnoringAsciiCase(s_, i, n, u"false")) return false;
    ThrowConvert(*this, u"Boolean");
  }
  default:
    if (!IntParts(negative, magnitude)) ThrowConvert(*this, u"Boolean");
    return magnitude != 0;
  }
}

bool Variant::SameKey(const Variant& other) const {
  if (kind_ == vkEmpty || other.kind_ == vkEmpty || kind_ == vkNull || other.kind_ == vkNull)
    return kind_ == other.kind_;
  if (kind_ == vkUString && other.kind_ == vkUString) return s_ == other.s_;
  bool na = false, nb = false;
  uint64_t ma = 0, mb = 0;
  if (IntParts(na, ma) && other.IntParts(nb, mb)) return na == nb && ma == mb;
  return Text() == other.Text();
}

size_t VariantKeyHash::operator()(const Variant& v) const {
  // FNV-1a over the code units of the text form; integers are formatted on the stack.
  uint64_t h = 14695981039346656037ull;
  auto mix = [&h](const char16_t* p, const char16_t* end) {
    for (; p != end; ++p) {
      h ^= static_cast<uint64_t>(*p);
      h *= 1099511628211ull;
    }
  };
  bool negative = false;
  uint64_t magnitude = 0;
  if (v.IntParts(negative, magnitude)) {
    char16_t buf[kDecimalBuffer];
    char16_t* end = buf + kDecimalBuffer;
    mix(FormatDecimal(negative, magnitude, end), end);
  } else if (v.IsText()) {
    mix(v.s_.data(), v.s_.data() + v.s_.size());
  } else if (v.Kind() == vkBoolean) {
    const char16_t* t = v.bits_ ? u"True" : u"False";
    mix(t, t + (v.bits_ ? 4 : 5));
  }
  // Empty and Null hash like the empty text; equality keeps them apart.
  return static_cast<size_t>(h);
}

} // namespace lumivane
