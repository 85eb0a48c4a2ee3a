#pragma once
// The nested, Variant-keyed tree that holds all run-time state.
#include <atomic>
#include <concepts>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <unordered_map>
#include <vector>

#include "text/ErrorText.h"
#include "text/Utf.h"

namespace lumivane {

// Errors carry their message text; what() gives it in UTF-8.
class AssocError : public TextError {
 public:
  explicit AssocError(const std::u16string& message) : TextError(message) {}
  const std::u16string& Message() const { return Text(); }
};
// A value that does not convert to the kind asked for.
class ConvertError : public AssocError {
 public:
  using AssocError::AssocError;
};
// Checked integer arithmetic that left its range.
class IntOverflowError : public AssocError {
 public:
  using AssocError::AssocError;
};

// Kind codes (type code AND 0x0FFF).
enum VariantKind : uint16_t {
  vkEmpty = 0,
  vkNull = 1,
  vkSmallInt = 2,
  vkInteger = 3,
  vkBoolean = 11,
  vkShortInt = 16,
  vkByte = 17,
  vkWord = 18,
  vkLongWord = 19,
  vkInt64 = 20,
  vkUInt64 = 21,
  vkUString = 258,
};

// The kind name shown by Dump with showTypes; empty for codes without a name.
std::u16string VariantTypeName(uint16_t kindCode);

namespace detail {
template <class T>
concept PlainInteger =
    std::integral<T> && !std::same_as<T, bool> && !std::same_as<T, char> && !std::same_as<T, wchar_t> &&
    !std::same_as<T, char8_t> && !std::same_as<T, char16_t> && !std::same_as<T, char32_t>;
template <class T>
using FixedWidth = std::conditional_t<
    std::is_signed_v<T>,
    std::conditional_t<
        sizeof(T) <= 1, int8_t,
        std::conditional_t<sizeof(T) <= 2, int16_t, std::conditional_t<sizeof(T) <= 4, int32_t, int64_t>>>,
    std::conditional_t<sizeof(T) <= 1, uint8_t,
                       std::conditional_t<sizeof(T) <= 2, uint16_t,
                                          std::conditional_t<sizeof(T) <= 4, uint32_t, uint64_t>>>>;
} // namespace detail

class Variant {
 public:
  // The typed constructors keep their kind (an int32_t is an Integer); Narrow picks the
  // narrowest kind for integers the program stores.
  Variant() = default; // Empty
  static Variant Null();
  Variant(bool v);
  Variant(int8_t v);
  Variant(uint8_t v);
  Variant(int16_t v);
  Variant(uint16_t v);
  Variant(int32_t v);
  Variant(uint32_t v);
  Variant(int64_t v);
  Variant(uint64_t v);
  Variant(const std::u16string& v);
  Variant(std::u16string&& v);
  Variant(const char16_t* v);
  // A narrow string literal would otherwise silently become a Boolean.
  Variant(const char* v) = delete;
  // Other integer types (long, long long, unsigned long, ...) take the fixed-width kind of
  // their size, so that platform typedefs such as DWORD are not ambiguous.
  template <detail::PlainInteger T> Variant(T v) : Variant(static_cast<detail::FixedWidth<T>>(v)) {}
  // An integer in the narrowest kind that holds it (1 is a Byte, -1 a ShortInt).
  static Variant Narrow(int64_t v);
  static Variant Narrow(uint64_t v);
  template <detail::PlainInteger T> static Variant Narrow(T v) {
    if constexpr (std::is_signed_v<T>)
      return Narrow(static_cast<int64_t>(v));
    else
      return Narrow(static_cast<uint64_t>(v));
  }

  uint16_t Kind() const { return kind_; }
  bool IsEmpty() const { return kind_ == vkEmpty; }
  bool IsNull() const { return kind_ == vkNull; }
  bool IsInteger() const;
  bool IsText() const { return kind_ == vkUString; }

  // Text form: "" for Empty and Null, "True"/"False", decimal digits, the text itself.
  std::u16string Text() const;
  // Conversions used by readers of a tree; ConvertError when impossible (Null, a text that is not
  // a decimal integer in range), IntOverflowError when an integer does not fit. Empty gives
  // 0/false; True gives -1 as a number (the COM convention the "-1" text of truth values follows).
  int64_t ToInt64() const;
  uint64_t ToUInt64() const;
  int32_t ToInt32() const; // ToInt64 range-checked to 32 bits (IntOverflowError)
  bool ToBool() const;

  // Key identity: same text form (Empty only matches Empty, Null only Null).
  bool SameKey(const Variant& other) const;

 private:
  friend struct VariantKeyHash;
  bool IsSigned() const;
  // Integer kinds: sign and magnitude; false for other kinds.
  bool IntParts(bool& negative, uint64_t& magnitude) const;

  uint16_t kind_ = vkEmpty;
  uint64_t bits_ = 0; // Boolean (0/1) and integers; signed kinds hold the two's complement
  std::u16string s_;
};

class TAssoc;

// Hash and equality of the children table: by text form, Empty/Null apart.
struct VariantKeyHash {
  size_t operator()(const Variant& v) const;
};
struct VariantKeyEq {
  bool operator()(const Variant& a, const Variant& b) const { return a.SameKey(b); }
};
using TAssocTable = std::unordered_map<Variant, std::unique_ptr<TAssoc>, VariantKeyHash, VariantKeyEq>;

class TAssoc {
 public:
  explicit TAssoc(bool strictRules = false);
  ~TAssoc();
  TAssoc(const TAssoc&) = delete;
  TAssoc& operator=(const TAssoc&) = delete;

  TAssoc& Items(const Variant& index);
  TAssoc& operator[](const Variant& index) { return Items(index); }
  TAssoc* Add(const Variant& index);
  TAssoc* Add(const Variant& index, const Variant& value);
  bool IsSet(const Variant& index) const;
  void Remove(const Variant& index);
  void Clear();
  // Exchanges the children of the two nodes in one step; their values stay.
  void SwapChildren(TAssoc& other) noexcept {
    fDict.swap(other.fDict);
    Changed();
  }

  Variant Val() const { return fVal; }
  void SetVal(const Variant& value) {
    fVal = value;
    Changed();
  }
  TAssoc& operator=(const Variant& value) {
    fVal = value;
    Changed();
    return *this;
  }

  // Counts the changes to every tree of the process, whichever thread makes them: whoever sees
  // the same count twice knows that no tree changed in between.
  static uint64_t Changes() noexcept { return changes_.load(std::memory_order_relaxed); }

  int32_t Count() const;
  bool Strict() const { return fStrict; }
  const TAssocTable* All() const { return fDict.get(); }

  std::vector<Variant> Keys() const;
  std::vector<Variant> AscKeys() const;
  std::vector<Variant> DescKeys() const;
  std::vector<Variant> IntAscKeys() const;
  std::vector<Variant> IntDescKeys() const;

  std::u16string Dump(bool showTypes, const std::u16string& level, bool last) const;
  std::u16string JSONDump() const;
  TAssoc* JSONParse(const std::u16string& s);

 private:
  static void Changed() noexcept;
  static std::atomic<uint64_t> changes_;

  Variant fVal;
  bool fStrict;
  std::unique_ptr<TAssocTable> fDict;
};

} // namespace lumivane
