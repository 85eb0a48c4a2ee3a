// The WMI adapter against Wine's WMI, and its VARIANT conversion on values made here.
#include <windows.h>

#include <gtest/gtest.h>
#include <wbemcli.h>

#include <iostream>
#include <thread>

#include "Win32TestSupport.h"
#include "platform/win32/UniqueHandles.h"
#include "platform/win32/Win32Wmi.h"
#include "text/Utf.h"

namespace lumivane::win32 {
namespace {

class WmiAdapterTest : public ::testing::Test {
 protected:
  ScopedCoInitialize com_;
  Win32Wmi wmi_;
};

// A class the system has, walked to its end: the processors WMI lists have the logical
// processors the system reports.
TEST_F(WmiAdapterTest, WalksTheProcessorsTheSystemReports) {
  auto services = wmi_.Connect(u"root\\cimv2");
  auto processors = services->ExecQuery(u"SELECT * FROM Win32_Processor");
  int packages = 0;
  int64_t logical = 0;
  while (auto processor = processors->Next()) {
    ++packages;
    const WmiValue name = processor->Get(u"Name");
    ASSERT_EQ(name.kind, WmiValue::Kind::Text);
    EXPECT_FALSE(name.text.empty());
    const WmiValue count = processor->Get(u"NumberOfLogicalProcessors"); // uint32
    ASSERT_EQ(count.kind, WmiValue::Kind::Integer);
    EXPECT_GT(count.integer, 0);
    logical += count.integer;
    std::cout << ToUtf8(name.text) << ": " << count.integer << " logical processors\n";
  }
  EXPECT_GE(packages, 1);
  SYSTEM_INFO info{};
  ::GetSystemInfo(&info);
  EXPECT_EQ(logical, static_cast<int64_t>(info.dwNumberOfProcessors));
  EXPECT_EQ(processors->Next(), nullptr) << "the end stays the end";
}

// Wine has none of the monitor classes in root\WMI: each query answers an empty set without an
// error, which discovery reads as "no panel". Windows lists a laptop's panel by its instance
// name, and may refuse the classes on a machine without one (a WMI error with a description).
TEST_F(WmiAdapterTest, MonitorQueriesInRootWmiFindNoPanelUnderWine) {
  auto services = wmi_.Connect(u"root\\WMI");
  for (const char16_t* query : {u"SELECT * FROM WmiMonitorID WHERE Active=True",
                                u"SELECT * FROM WmiMonitorBrightness WHERE Active=True",
                                u"SELECT * FROM WmiMonitorBrightnessMethods WHERE Active=True"}) {
    SCOPED_TRACE(ToUtf8(query));
    int count = 0;
    try {
      auto objects = services->ExecQuery(query);
      while (auto object = objects->Next()) {
        const WmiValue instance = object->Get(u"InstanceName");
        ASSERT_EQ(instance.kind, WmiValue::Kind::Text);
        EXPECT_FALSE(instance.text.empty());
        ++count;
      }
      EXPECT_EQ(objects->Next(), nullptr) << "the end stays the end";
    } catch (const WmiError& e) {
      EXPECT_FALSE(UnderWine()) << ToUtf8(e.Description());
      EXPECT_FALSE(e.Description().empty());
    }
    if (UnderWine()) {
      EXPECT_EQ(count, 0);
    }
  }
}

TEST_F(WmiAdapterTest, ReadsTextIntegerAndArrayPropertiesOfAnOrdinaryClass) {
  auto services = wmi_.Connect(u"root\\cimv2");
  auto objects = services->ExecQuery(u"SELECT * FROM Win32_OperatingSystem");
  auto object = objects->Next();
  ASSERT_NE(object, nullptr);
  const WmiValue caption = object->Get(u"Caption");
  ASSERT_EQ(caption.kind, WmiValue::Kind::Text);
  EXPECT_FALSE(caption.text.empty());
  const WmiValue osType = object->Get(u"OSType"); // uint16
  ASSERT_EQ(osType.kind, WmiValue::Kind::Integer);
  EXPECT_EQ(osType.integer, 18) << "WINNT";
  EXPECT_EQ(objects->Next(), nullptr) << "one operating system";
  EXPECT_EQ(objects->Next(), nullptr) << "walked once; the end stays the end";

  auto enclosures = services->ExecQuery(u"SELECT * FROM Win32_SystemEnclosure");
  auto enclosure = enclosures->Next();
  ASSERT_NE(enclosure, nullptr);
  const WmiValue chassis = enclosure->Get(u"ChassisTypes"); // uint16[]
  ASSERT_EQ(chassis.kind, WmiValue::Kind::Array);
  ASSERT_EQ(chassis.dims.size(), 1u);
  EXPECT_EQ(chassis.dims[0], chassis.items.size());
  ASSERT_FALSE(chassis.items.empty());
  EXPECT_EQ(chassis.items[0].kind, WmiValue::Kind::Integer);
}

TEST_F(WmiAdapterTest, FailuresAreWmiErrorsWithTheirDescription) {
  auto services = wmi_.Connect(u"root\\cimv2");
  const auto expectWmiError = [](const char* what, auto&& call) {
    try {
      call();
      ADD_FAILURE() << what << ": no WmiError";
    } catch (const WmiError& e) {
      std::cout << what << ": " << ToUtf8(e.Description()) << "\n";
      EXPECT_FALSE(e.Description().empty()) << what;
    }
  };
  expectWmiError("unknown namespace", [&] { wmi_.Connect(u"root\\NoSuchNamespace"); });
  expectWmiError("bad query", [&] {
    auto objects = services->ExecQuery(u"this is not WQL");
    while (objects->Next()) {
    }
  });
  auto object = services->ExecQuery(u"SELECT * FROM Win32_OperatingSystem")->Next();
  ASSERT_NE(object, nullptr);
  expectWmiError("unknown property", [&] { object->Get(u"NoSuchProperty"); });
  expectWmiError("unknown method", [&] { object->CallMethod(u"NoSuchMethod", {{u"Timeout", 1}}); });
}

// Wine implements methods of Win32_Service; asking a stopped service to stop is harmless and
// answers a ReturnValue other than 0.
TEST_F(WmiAdapterTest, CallsAMethodOfAnInstanceAndReturnsItsReturnValue) {
  auto services = wmi_.Connect(u"root\\cimv2");
  auto objects = services->ExecQuery(u"SELECT * FROM Win32_Service WHERE State='Stopped'");
  auto service = objects->Next();
  if (!service) GTEST_SKIP() << "no stopped service";
  std::cout << "service " << ToUtf8(service->Get(u"Name").text) << "\n";
  const int64_t result = service->CallMethod(u"StopService", {});
  std::cout << "StopService ReturnValue " << result << "\n";
  EXPECT_NE(result, 0);
}

// StdRegProv.EnumKey takes hDefKey as an integer: a real hive answers 0, a made-up one does
// not, which shows the in-parameter reached the method.
TEST_F(WmiAdapterTest, PassesIntegerInParametersToTheMethod) {
  auto services = wmi_.Connect(u"root\\default");
  auto objects = services->ExecQuery(u"SELECT * FROM StdRegProv");
  std::unique_ptr<IWmiObject> provider;
  try {
    provider = objects->Next();
  } catch (const WmiError& e) {
    GTEST_SKIP() << ToUtf8(e.Description());
  }
  if (!provider) GTEST_SKIP() << "no StdRegProv instance";
  const int64_t user = provider->CallMethod(u"EnumKey", {{u"hDefKey", static_cast<int32_t>(0x80000001u)}});
  const int64_t bogus = provider->CallMethod(u"EnumKey", {{u"hDefKey", 0x1234}});
  std::cout << "EnumKey HKCU " << user << ", bogus hive " << bogus << "\n";
  EXPECT_EQ(user, 0);
  EXPECT_NE(bogus, 0);
}

TEST_F(WmiAdapterTest, DescribesWmiCodesAndFallsBackToTheCode) {
  const std::u16string invalidClass = DescribeHresult(WBEM_E_INVALID_CLASS);
  const std::u16string accessDenied = DescribeHresult(E_ACCESSDENIED);
  const std::u16string unknown = DescribeHresult(static_cast<HRESULT>(0xA0FFFFFF));
  std::cout << "WBEM_E_INVALID_CLASS: " << ToUtf8(invalidClass)
            << "\nE_ACCESSDENIED: " << ToUtf8(accessDenied) << "\n0xA0FFFFFF: " << ToUtf8(unknown) << "\n";
  EXPECT_FALSE(invalidClass.empty());
  EXPECT_FALSE(accessDenied.empty());
  EXPECT_NE(accessDenied.back(), u'\n');
  EXPECT_FALSE(unknown.empty());
}

TEST(WmiWithoutComTest, ALocatorThatCannotBeMadeIsNotAWmiError) {
  // A thread that never initialised COM.
  bool runtimeError = false, wmiError = false;
  std::thread([&] {
    try {
      Win32Wmi().Connect(u"root\\WMI");
    } catch (const WmiError&) {
      wmiError = true;
    } catch (const std::runtime_error&) {
      runtimeError = true;
    }
  }).join();
  EXPECT_TRUE(runtimeError);
  EXPECT_FALSE(wmiError);
}

// VARIANTs as WMI hands them out, converted to the port's values.
class OwnedVariant {
 public:
  OwnedVariant() { ::VariantInit(&v); }
  ~OwnedVariant() { ::VariantClear(&v); }
  VARIANT v;
};

SAFEARRAY* MakeArray(VARTYPE type, std::initializer_list<SAFEARRAYBOUND> bounds) {
  std::vector<SAFEARRAYBOUND> b(bounds);
  return ::SafeArrayCreate(type, static_cast<UINT>(b.size()), b.data());
}

TEST(WmiValueConversionTest, ScalarsBecomeNullIntegerOrText) {
  struct Case {
    const char* name;
    void (*make)(VARIANT&);
    WmiValue expected;
  };
  const Case cases[] = {
      {"empty", [](VARIANT& v) { V_VT(&v) = VT_EMPTY; }, WmiValue::Null()},
      {"null", [](VARIANT& v) { V_VT(&v) = VT_NULL; }, WmiValue::Null()},
      {"uint8", [](VARIANT& v) { V_VT(&v) = VT_UI1, V_UI1(&v) = 200; }, WmiValue::Int(200)},
      {"sint32", [](VARIANT& v) { V_VT(&v) = VT_I4, V_I4(&v) = -7; }, WmiValue::Int(-7)},
      {"uint32", [](VARIANT& v) { V_VT(&v) = VT_UI4, V_UI4(&v) = 0xFFFFFFFFu; }, WmiValue::Int(0xFFFFFFFFll)},
      {"sint16", [](VARIANT& v) { V_VT(&v) = VT_I2, V_I2(&v) = -300; }, WmiValue::Int(-300)},
      {"boolean", [](VARIANT& v) { V_VT(&v) = VT_BOOL, V_BOOL(&v) = VARIANT_TRUE; }, WmiValue::Int(1)},
      {"text",
       [](VARIANT& v) { V_VT(&v) = VT_BSTR, V_BSTR(&v) = ::SysAllocString(L"DISPLAY\\ABC1234\\5&1_0"); },
       WmiValue::Str(u"DISPLAY\\ABC1234\\5&1_0")},
  };
  for (const Case& c : cases) {
    OwnedVariant owned;
    c.make(owned.v);
    const WmiValue value = ToWmiValue(owned.v);
    EXPECT_EQ(value.kind, c.expected.kind) << c.name;
    EXPECT_EQ(value.integer, c.expected.integer) << c.name;
    EXPECT_EQ(value.text, c.expected.text) << c.name;
  }
  // Kinds the port has no room for (real32/real64) come as their text.
  OwnedVariant real;
  V_VT(&real.v) = VT_R8;
  V_R8(&real.v) = 2.5;
  const WmiValue text = ToWmiValue(real.v);
  EXPECT_EQ(text.kind, WmiValue::Kind::Text);
  EXPECT_NE(text.text.find(u'2'), std::u16string::npos);
}

TEST(WmiValueConversionTest, IntegerArraysKeepOrderAndDimensions) {
  // Level of a panel: uint8[] 0, 10, ..., 100.
  OwnedVariant levels;
  V_VT(&levels.v) = VT_ARRAY | VT_UI1;
  V_ARRAY(&levels.v) = MakeArray(VT_UI1, {{11, 0}});
  for (LONG i = 0; i < 11; ++i) {
    BYTE b = static_cast<BYTE>(i * 10);
    ASSERT_EQ(::SafeArrayPutElement(V_ARRAY(&levels.v), &i, &b), S_OK);
  }
  const WmiValue value = ToWmiValue(levels.v);
  ASSERT_EQ(value.kind, WmiValue::Kind::Array);
  EXPECT_EQ(value.dims, std::vector<size_t>{11});
  ASSERT_EQ(value.items.size(), 11u);
  for (size_t i = 0; i < 11; ++i)
    EXPECT_EQ(value.items[i].integer, static_cast<int64_t>(i * 10));

  // UserFriendlyName: uint16[] delivered as VT_I4 elements, padded with zeros, non-zero base.
  OwnedVariant name;
  V_VT(&name.v) = VT_ARRAY | VT_I4;
  V_ARRAY(&name.v) = MakeArray(VT_I4, {{4, 1}});
  const LONG codes[] = {'S', 'I', 'M', 0};
  for (LONG i = 1; i <= 4; ++i)
    ASSERT_EQ(::SafeArrayPutElement(V_ARRAY(&name.v), &i, const_cast<LONG*>(&codes[i - 1])), S_OK);
  const WmiValue text = ToWmiValue(name.v);
  ASSERT_EQ(text.items.size(), 4u);
  EXPECT_EQ(text.items[0].integer, 'S');
  EXPECT_EQ(text.items[3].integer, 0);

  // Two dimensions 2x3, row by row: element (r, c) = 10 * r + c.
  OwnedVariant grid;
  V_VT(&grid.v) = VT_ARRAY | VT_I4;
  V_ARRAY(&grid.v) = MakeArray(VT_I4, {{2, 0}, {3, 0}});
  for (LONG r = 0; r < 2; ++r)
    for (LONG c = 0; c < 3; ++c) {
      LONG indices[2] = {r, c}; // left-most dimension first
      LONG element = 10 * r + c;
      ASSERT_EQ(::SafeArrayPutElement(V_ARRAY(&grid.v), indices, &element), S_OK);
    }
  const WmiValue rows = ToWmiValue(grid.v);
  EXPECT_EQ(rows.dims, (std::vector<size_t>{2, 3}));
  std::vector<int64_t> flat;
  for (const auto& item : rows.items)
    flat.push_back(item.integer);
  EXPECT_EQ(flat, (std::vector<int64_t>{0, 1, 2, 10, 11, 12}));

  // An empty array and a null array pointer.
  OwnedVariant empty;
  V_VT(&empty.v) = VT_ARRAY | VT_I4;
  V_ARRAY(&empty.v) = MakeArray(VT_I4, {{0, 0}});
  const WmiValue none = ToWmiValue(empty.v);
  EXPECT_EQ(none.kind, WmiValue::Kind::Array);
  EXPECT_TRUE(none.items.empty());
  VARIANT nullArray;
  V_VT(&nullArray) = VT_ARRAY | VT_I4;
  V_ARRAY(&nullArray) = nullptr;
  EXPECT_EQ(ToWmiValue(nullArray).kind, WmiValue::Kind::Array);
}

TEST(WmiValueConversionTest, TextArraysBecomeArraysOfText) {
  OwnedVariant list;
  V_VT(&list.v) = VT_ARRAY | VT_BSTR;
  V_ARRAY(&list.v) = MakeArray(VT_BSTR, {{2, 0}});
  const wchar_t* texts[] = {L"one", L"two"};
  for (LONG i = 0; i < 2; ++i) {
    BSTR b = ::SysAllocString(texts[i]);
    ASSERT_EQ(::SafeArrayPutElement(V_ARRAY(&list.v), &i, b), S_OK);
    ::SysFreeString(b); // the array holds its own copy
  }
  const WmiValue value = ToWmiValue(list.v);
  ASSERT_EQ(value.items.size(), 2u);
  EXPECT_EQ(value.items[0].text, u"one");
  EXPECT_EQ(value.items[1].text, u"two");
}

} // namespace
} // namespace lumivane::win32
