// What only the Windows registry can hold: values whose stored bytes do not fit their type.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/win32/UniqueHandles.h"
#include "platform/win32/Win32Registry.h"

namespace lumivane::win32 {
namespace {

TEST(Win32Registry, AccessMasksAddThe64BitViewOnX64) {
  struct Case {
    RegAccess access;
    bool view64;
    uint32_t mask;
  };
  const Case cases[] = {
      {RegAccess::Read, false, 0x20019},     {RegAccess::ReadWrite, false, 0x2001F},
      {RegAccess::Write, false, 0x20006},    {RegAccess::Read, true, 0x20119},
      {RegAccess::ReadWrite, true, 0x2011F}, {RegAccess::Write, true, 0x20106},
  };
  for (const auto& c : cases)
    EXPECT_EQ(Win32Registry::AccessMask(c.access, c.view64), c.mask) << int(c.access) << " " << c.view64;
#if defined(__x86_64__) || defined(_M_X64)
  EXPECT_TRUE(Win32Registry::NativeX64()) << "a 64-bit x86 process runs on x64";
#endif
}

// A scratch key of the current user, removed with its values.
class Win32RegistryRawValues : public ::testing::Test {
 protected:
  ~Win32RegistryRawValues() override { ::RegDeleteTreeW(HKEY_CURRENT_USER, path_.c_str()); }

  void Put(const wchar_t* name, DWORD type, const std::vector<unsigned char>& data) {
    UniqueHkey key;
    ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, path_.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                                key.put(), nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(::RegSetValueExW(key.get(), name, 0, type, data.empty() ? nullptr : data.data(),
                               static_cast<DWORD>(data.size())),
              ERROR_SUCCESS);
  }
  static std::vector<unsigned char> Bytes(const std::u16string& text, size_t extra = 0) {
    std::vector<unsigned char> bytes(text.size() * 2 + extra, 0x41);
    std::memcpy(bytes.data(), text.data(), text.size() * 2);
    return bytes;
  }

  const std::wstring path_ = L"SOFTWARE\\LumivaneTest-raw-" + std::to_wstring(::GetCurrentProcessId());
  const std::u16string key_ = u"\\" + std::u16string(path_.begin(), path_.end());
  Win32Registry registry_;
};

TEST_F(Win32RegistryRawValues, StringsWithoutTheirZeroOrWithAnOddByteReadSafely) {
  struct Case {
    const wchar_t* name;
    DWORD type;
    std::vector<unsigned char> data;
    std::u16string text; // read back
  };
  const Case cases[] = {
      {L"noZero", REG_SZ, Bytes(u"abc"), u"abc"},
      {L"oddByte", REG_SZ, Bytes(u"abc", 1), u"abc"},
      {L"zeroThenOdd", REG_SZ, Bytes(std::u16string(u"ab\0", 3), 1), u"ab"},
      {L"empty", REG_SZ, {}, u""},
      {L"oneByte", REG_SZ, {0x41}, u""},
      {L"expandNoZero", REG_EXPAND_SZ, Bytes(u"%TEMP%"), u"%TEMP%"},
      // Nearly as large as a value is read (a megabyte; Wine counts room for the missing zero).
      {L"huge", REG_SZ, Bytes(std::u16string((1 << 19) - 1, u'7')), std::u16string((1 << 19) - 1, u'7')},
  };
  for (const auto& c : cases)
    Put(c.name, c.type, c.data);
  for (const auto& c : cases) {
    std::u16string text = u"<untouched>";
    RegStatus s = registry_.ReadString(key_, std::u16string(c.name, c.name + wcslen(c.name)), text);
    ASSERT_TRUE(s.Ok()) << c.name << " " << int(s.code);
    EXPECT_EQ(text, c.text) << c.name;
  }
  // One byte more is no setting: not read, of either type.
  Put(L"over", REG_SZ, Bytes(std::u16string(1 << 19, u'7'), 1));
  std::u16string text = u"<untouched>";
  int32_t number = 4711;
  EXPECT_EQ(registry_.ReadString(key_, u"over", text).code, RegStatus::Code::TooLarge);
  EXPECT_EQ(registry_.ReadDword(key_, u"over", number).code, RegStatus::Code::TooLarge);
  EXPECT_EQ(text, u"<untouched>");
  EXPECT_EQ(number, 4711);
}

TEST_F(Win32RegistryRawValues, OnlyAFourByteDwordIsANumber) {
  struct Case {
    const wchar_t* name;
    DWORD type;
    std::vector<unsigned char> data;
    bool readsAsNumber;
  };
  const Case cases[] = {
      {L"dword", REG_DWORD, {0xFB, 0xFF, 0xFF, 0xFF}, true}, // -5
      {L"short", REG_DWORD, {0x0A, 0x00}, false},
      {L"none", REG_DWORD, {}, false},
      {L"long", REG_DWORD, {0x0A, 0, 0, 0, 0}, false},
      {L"bigEndian", REG_DWORD_BIG_ENDIAN, {0, 0, 0, 0x0A}, false},
      {L"qword", REG_QWORD, {0x0A, 0, 0, 0, 0, 0, 0, 0}, false},
      {L"multi", REG_MULTI_SZ, Bytes(std::u16string(u"10\0\0", 4)), false},
      {L"typeless", REG_NONE, {0x0A, 0, 0, 0}, false},
  };
  for (const auto& c : cases)
    Put(c.name, c.type, c.data);
  for (const auto& c : cases) {
    const std::u16string name(c.name, c.name + wcslen(c.name));
    int32_t number = 4711;
    RegStatus s = registry_.ReadDword(key_, name, number);
    if (c.readsAsNumber) {
      ASSERT_TRUE(s.Ok()) << c.name;
      EXPECT_EQ(number, -5);
    } else {
      EXPECT_EQ(s.code, RegStatus::Code::WrongType) << c.name;
      EXPECT_EQ(number, 4711) << c.name;
    }
    std::u16string text;
    EXPECT_EQ(registry_.ReadString(key_, name, text).code, RegStatus::Code::WrongType) << c.name;
  }
}

} // namespace
} // namespace lumivane::win32
