#pragma once
// What the settings store relies on from the current user's registry, run against every adapter
// of IRegistry. A backend B is a fixture trait that provides:
//
//   IRegistry& Registry();
//   std::u16string ScratchKey();  // a key of its own, missing at first, gone when B goes
//   void PutExpandString(const std::u16string& key, const std::u16string& name,
//                        const std::u16string& text);                        // REG_EXPAND_SZ
//   void PutBinary(const std::u16string& key, const std::u16string& name);   // REG_BINARY
//   bool KeyExists(const std::u16string& key);
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

#include "platform/Registry.h"

namespace lumivane::contract {

template <typename Backend> class RegistryContract : public ::testing::Test {
 protected:
  using Code = RegStatus::Code;
  static constexpr uint32_t kFileNotFound = 2;
  static constexpr uint32_t kAccessDenied = 5;

  IRegistry& Reg() { return backend_.Registry(); }
  // The text of a string read, or a mark of the status when the read failed.
  std::u16string TextOf(const std::u16string& key, const std::u16string& name) {
    std::u16string text = u"<untouched>";
    RegStatus s = Reg().ReadString(key, name, text);
    if (s.Ok()) return text;
    switch (s.code) {
    case Code::OpenFailed:
      return u"<OpenFailed>";
    case Code::NotFound:
      return u"<NotFound>";
    case Code::WrongType:
      return u"<WrongType>";
    case Code::TooLarge:
      return u"<TooLarge>";
    default:
      return u"<Failed>";
    }
  }

  Backend backend_;
  const std::u16string key_ = backend_.ScratchKey();
};

TYPED_TEST_SUITE_P(RegistryContract);

TYPED_TEST_P(RegistryContract, StringsAndDwordsReadBackAsWritten) {
  IRegistry& reg = this->Reg();
  const std::u16string strings[] = {u"",
                                    u"1",
                                    u"FF8000",
                                    u"game.exe=100\r\nplayer.exe=35%\r\n",
                                    u"\u0420\u0443\u0441\u0441\u043a\u0438\u0439 \u00e9",
                                    std::u16string(100000, u'x')};
  for (RegAccess access : {RegAccess::ReadWrite, RegAccess::Write}) {
    for (const auto& s : strings) {
      ASSERT_TRUE(reg.WriteString(this->key_, u"text", s, access).Ok()) << s.size();
      std::u16string back = u"<untouched>";
      ASSERT_TRUE(reg.ReadString(this->key_, u"text", back).Ok());
      EXPECT_EQ(back, s) << "a string of " << s.size() << " units";
    }
    for (int32_t n :
         {0, 1, -5, 100, std::numeric_limits<int32_t>::max(), std::numeric_limits<int32_t>::min()}) {
      ASSERT_TRUE(reg.WriteDword(this->key_, u"number", n, access).Ok()) << n;
      int32_t back = 12345;
      ASSERT_TRUE(reg.ReadDword(this->key_, u"number", back).Ok());
      EXPECT_EQ(back, n);
    }
  }
  // Writing under a name replaces the value, type and all.
  ASSERT_TRUE(reg.WriteDword(this->key_, u"text", 7, RegAccess::ReadWrite).Ok());
  EXPECT_EQ(this->TextOf(this->key_, u"text"), u"<WrongType>");
}

// The check box writer stores "hidebox", the loader asks for "HideBox".
TYPED_TEST_P(RegistryContract, NamesAndKeyPathsIgnoreCase) {
  IRegistry& reg = this->Reg();
  ASSERT_TRUE(reg.WriteString(this->key_, u"hidebox", u"1", RegAccess::ReadWrite).Ok());
  EXPECT_EQ(this->TextOf(this->key_, u"HideBox"), u"1");
  ASSERT_TRUE(reg.WriteString(this->key_, u"HIDEBOX", u"2", RegAccess::ReadWrite).Ok());
  EXPECT_EQ(this->TextOf(this->key_, u"hidebox"), u"2") << "one value, replaced";

  std::u16string lower = this->key_;
  for (char16_t& c : lower)
    if (c >= u'A' && c <= u'Z') c = char16_t(c - u'A' + u'a');
  EXPECT_EQ(this->TextOf(lower, u"HideBox"), u"2");
  EXPECT_EQ(this->TextOf(this->key_.substr(1), u"HideBox"), u"2") << "the leading \\ is optional";
  ASSERT_TRUE(reg.DeleteValue(lower, u"hIDEbOX", RegAccess::ReadWrite).Ok());
  EXPECT_EQ(this->TextOf(this->key_, u"HideBox"), u"<NotFound>");
}

TYPED_TEST_P(RegistryContract, AValueOfAnotherTypeReadsAsWrongTypeAndLeavesTheResult) {
  IRegistry& reg = this->Reg();
  ASSERT_TRUE(reg.WriteString(this->key_, u"vmin", u"30", RegAccess::ReadWrite).Ok());
  ASSERT_TRUE(reg.WriteDword(this->key_, u"color", 0xFF8000, RegAccess::ReadWrite).Ok());
  this->backend_.PutBinary(this->key_, u"config");
  // A string that may hold environment references is still a string, read as stored.
  this->backend_.PutExpandString(this->key_, u"font", u"%SystemRoot%\\Tahoma");

  int32_t number = 4711;
  EXPECT_EQ(reg.ReadDword(this->key_, u"vmin", number).code, RegStatus::Code::WrongType);
  EXPECT_EQ(reg.ReadDword(this->key_, u"config", number).code, RegStatus::Code::WrongType);
  EXPECT_EQ(reg.ReadDword(this->key_, u"font", number).code, RegStatus::Code::WrongType);
  EXPECT_EQ(number, 4711);
  std::u16string text = u"<untouched>";
  EXPECT_EQ(reg.ReadString(this->key_, u"color", text).code, RegStatus::Code::WrongType);
  EXPECT_EQ(reg.ReadString(this->key_, u"config", text).code, RegStatus::Code::WrongType);
  EXPECT_EQ(text, u"<untouched>");
  EXPECT_EQ(this->TextOf(this->key_, u"font"), u"%SystemRoot%\\Tahoma");
}

TYPED_TEST_P(RegistryContract, AMissingKeyIsToldApartFromAMissingValue) {
  IRegistry& reg = this->Reg();
  std::u16string text = u"<untouched>";
  int32_t number = 4711;
  RegStatus s = reg.ReadString(this->key_, u"step", text);
  EXPECT_EQ(s.code, RegStatus::Code::OpenFailed);
  EXPECT_EQ(s.error, this->kFileNotFound);
  EXPECT_EQ(reg.ReadDword(this->key_, u"step", number).code, RegStatus::Code::OpenFailed);
  EXPECT_FALSE(this->backend_.KeyExists(this->key_)) << "reading creates nothing";

  ASSERT_TRUE(reg.WriteString(this->key_, u"lang", u"English", RegAccess::ReadWrite).Ok());
  s = reg.ReadString(this->key_, u"step", text);
  EXPECT_EQ(s.code, RegStatus::Code::NotFound);
  EXPECT_EQ(s.error, this->kFileNotFound);
  EXPECT_EQ(reg.ReadDword(this->key_, u"step", number).code, RegStatus::Code::NotFound);
  EXPECT_EQ(text, u"<untouched>");
  EXPECT_EQ(number, 4711);
}

TYPED_TEST_P(RegistryContract, WritesCreateTheKeyAndTheKeysAboveIt) {
  IRegistry& reg = this->Reg();
  const std::u16string deep = this->key_ + u"\\Deeper\\Still";
  ASSERT_FALSE(this->backend_.KeyExists(this->key_));
  ASSERT_TRUE(reg.WriteDword(deep, u"pred", 40, RegAccess::Write).Ok());
  EXPECT_TRUE(this->backend_.KeyExists(deep));
  EXPECT_TRUE(this->backend_.KeyExists(this->key_ + u"\\Deeper"));
  std::u16string text;
  EXPECT_EQ(reg.ReadString(this->key_, u"pred", text).code, RegStatus::Code::NotFound)
      << "the key above exists and is empty";
}

// Deleting is how an empty text is stored; a value that is not there is already deleted.
TYPED_TEST_P(RegistryContract, DeletingAMissingValueSucceeds) {
  IRegistry& reg = this->Reg();
  ASSERT_TRUE(reg.WriteString(this->key_, u"color", u"FF8000", RegAccess::ReadWrite).Ok());
  ASSERT_TRUE(reg.DeleteValue(this->key_, u"color", RegAccess::ReadWrite).Ok());
  EXPECT_EQ(this->TextOf(this->key_, u"color"), u"<NotFound>");
  EXPECT_TRUE(reg.DeleteValue(this->key_, u"color", RegAccess::ReadWrite).Ok());
  EXPECT_TRUE(reg.DeleteValue(this->key_, u"color", RegAccess::Write).Ok());

  const std::u16string other = this->key_ + u"\\Other";
  EXPECT_TRUE(reg.DeleteValue(other, u"color", RegAccess::ReadWrite).Ok());
  EXPECT_TRUE(this->backend_.KeyExists(other)) << "the key is opened as for a write";
}

// A key opened for reading opens (and is created), but the change itself is refused.
TYPED_TEST_P(RegistryContract, AKeyOpenedForReadingRefusesChanges) {
  IRegistry& reg = this->Reg();
  ASSERT_TRUE(reg.WriteString(this->key_, u"font", u"Tahoma", RegAccess::ReadWrite).Ok());
  RegStatus s = reg.WriteString(this->key_, u"font", u"Arial", RegAccess::Read);
  EXPECT_EQ(s.code, RegStatus::Code::Failed);
  EXPECT_EQ(s.error, this->kAccessDenied);
  EXPECT_EQ(reg.WriteDword(this->key_, u"step", 10, RegAccess::Read).code, RegStatus::Code::Failed);
  EXPECT_EQ(reg.DeleteValue(this->key_, u"font", RegAccess::Read).code, RegStatus::Code::Failed);
  EXPECT_EQ(this->TextOf(this->key_, u"font"), u"Tahoma");
  EXPECT_EQ(this->TextOf(this->key_, u"step"), u"<NotFound>");
}

TYPED_TEST_P(RegistryContract, AStringEndsAtItsFirstZero) {
  IRegistry& reg = this->Reg();
  const std::u16string withZero(u"ab\0cd", 5);
  ASSERT_TRUE(reg.WriteString(this->key_, u"config", withZero, RegAccess::ReadWrite).Ok());
  EXPECT_EQ(this->TextOf(this->key_, u"config"), u"ab");
}

// No setting comes near a megabyte: a larger value is not read, whatever its type, and stays.
TYPED_TEST_P(RegistryContract, AValueLargerThanAnySettingIsNotRead) {
  IRegistry& reg = this->Reg();
  const size_t limitUnits = RegStatus::kMaxValueBytes / sizeof(char16_t);
  const std::u16string over(limitUnits, u'x');       // with its terminator two bytes over
  const std::u16string inside(limitUnits - 1, u'x'); // with its terminator exactly at the limit
  ASSERT_TRUE(reg.WriteString(this->key_, u"config", over, RegAccess::ReadWrite).Ok());
  ASSERT_TRUE(reg.WriteString(this->key_, u"color", inside, RegAccess::ReadWrite).Ok());
  std::u16string text = u"<untouched>";
  int32_t number = 4711;
  EXPECT_EQ(reg.ReadString(this->key_, u"config", text).code, RegStatus::Code::TooLarge);
  EXPECT_EQ(reg.ReadDword(this->key_, u"config", number).code, RegStatus::Code::TooLarge);
  EXPECT_EQ(text, u"<untouched>");
  EXPECT_EQ(number, 4711);
  EXPECT_EQ(this->TextOf(this->key_, u"color"), inside);
  // Still there: replacing it is the writer's choice.
  ASSERT_TRUE(reg.WriteString(this->key_, u"config", u"a=1", RegAccess::ReadWrite).Ok());
  EXPECT_EQ(this->TextOf(this->key_, u"config"), u"a=1");
}

REGISTER_TYPED_TEST_SUITE_P(RegistryContract, StringsAndDwordsReadBackAsWritten, NamesAndKeyPathsIgnoreCase,
                            AValueOfAnotherTypeReadsAsWrongTypeAndLeavesTheResult,
                            AMissingKeyIsToldApartFromAMissingValue, WritesCreateTheKeyAndTheKeysAboveIt,
                            DeletingAMissingValueSucceeds, AKeyOpenedForReadingRefusesChanges,
                            AStringEndsAtItsFirstZero, AValueLargerThanAnySettingIsNotRead);

} // namespace lumivane::contract
