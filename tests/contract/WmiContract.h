#pragma once
// What the program relies on from WMI in root\WMI, run against every adapter of IWmi. A backend B
// is a fixture trait that provides:
//
//   IWmi& Wmi();                       // ready to connect (COM initialised where it needs it)
//   bool RefusesUnknownClasses();      // Windows: WBEM_E_INVALID_CLASS; Wine: an empty set
//   std::u16string ObjectQuery();      // finds an object in root\WMI
//   std::vector<std::pair<std::u16string, WmiValue::Kind>> Properties(); // of that object
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "platform/Wmi.h"

namespace lumivane::contract {

// A description the log can carry as it is: some text, no trailing blank or line break.
inline ::testing::AssertionResult IsDescription(const std::u16string& text) {
  if (text.empty()) return ::testing::AssertionFailure() << "empty description";
  const char16_t last = text.back();
  if (last == u' ' || last == u'\r' || last == u'\n')
    return ::testing::AssertionFailure()
           << "trailing blank in \"" << std::string(text.begin(), text.end()) << "\"";
  return ::testing::AssertionSuccess();
}

inline std::u16string ActiveQuery(const std::u16string& className) {
  return u"SELECT * FROM " + className + u" WHERE Active=True";
}

template <typename Backend> class WmiContract : public ::testing::Test {
 protected:
  std::unique_ptr<IWmiServices> Connect() { return backend_.Wmi().Connect(u"root\\WMI"); }

  // Runs call, which must throw WmiError, and checks the error's description.
  template <typename Call> void ExpectWmiError(const char* what, Call&& call) {
    try {
      call();
      ADD_FAILURE() << what << ": no WmiError";
    } catch (const WmiError& e) {
      EXPECT_TRUE(IsDescription(e.Description())) << what;
    }
  }

  Backend backend_;
};

TYPED_TEST_SUITE_P(WmiContract);

TYPED_TEST_P(WmiContract, ConnectsToRootWmiAndRefusesAnUnknownNamespace) {
  EXPECT_NE(this->Connect(), nullptr);
  this->ExpectWmiError("unknown namespace", [&] { this->backend_.Wmi().Connect(u"root\\NoSuchNamespace"); });
}

// A desktop computer has no panel: the brightness classes answer an empty set, walked once.
// Wine has no monitor classes at all and answers the same.
TYPED_TEST_P(WmiContract, AClassWithoutInstancesGivesAnEmptySet) {
  auto services = this->Connect();
  for (const char16_t* className : {u"WmiMonitorBrightness", u"WmiMonitorBrightnessMethods"}) {
    auto objects = services->ExecQuery(ActiveQuery(className));
    ASSERT_NE(objects, nullptr);
    EXPECT_EQ(objects->Next(), nullptr);
    EXPECT_EQ(objects->Next(), nullptr) << "the end stays the end";
  }
}

// Windows refuses an unknown class as WBEM_E_INVALID_CLASS, with a forward-only query when the
// query runs or at its first object; Wine answers an empty set instead.
TYPED_TEST_P(WmiContract, AnUnknownClassIsRefusedWhereTheSystemKnowsItsClasses) {
  auto services = this->Connect();
  std::unique_ptr<IWmiObject> first;
  bool refused = false;
  try {
    first = services->ExecQuery(ActiveQuery(u"NoSuchClass"))->Next();
  } catch (const WmiError& e) {
    refused = true;
    EXPECT_TRUE(IsDescription(e.Description()));
  }
  EXPECT_EQ(refused, this->backend_.RefusesUnknownClasses());
  EXPECT_EQ(first, nullptr);
}

// Integers (booleans as 1 or 0), texts, and arrays of integers with their one dimension.
TYPED_TEST_P(WmiContract, ObjectsCarryTheirPropertiesAsTheirKinds) {
  auto services = this->Connect();
  auto objects = services->ExecQuery(this->backend_.ObjectQuery());
  auto object = objects->Next();
  ASSERT_NE(object, nullptr);
  for (const auto& [name, kind] : this->backend_.Properties()) {
    const std::string what(name.begin(), name.end());
    const WmiValue value = object->Get(name);
    ASSERT_EQ(value.kind, kind) << what;
    if (kind == WmiValue::Kind::Array) {
      EXPECT_EQ(value.dims, std::vector<size_t>{value.items.size()}) << what;
      EXPECT_FALSE(value.items.empty()) << what;
      for (const WmiValue& item : value.items)
        EXPECT_EQ(item.kind, WmiValue::Kind::Integer) << what;
    }
    if (name == u"Active") {
      EXPECT_EQ(value.integer, 1);
    }
    if (kind == WmiValue::Kind::Text) {
      EXPECT_FALSE(value.text.empty()) << what;
    }
  }
  this->ExpectWmiError("unknown property", [&] { object->Get(u"NoSuchProperty"); });
}

// WmiSetBrightness reaches only the methods objects of a panel; on any other object the call
// fails rather than answering a result.
TYPED_TEST_P(WmiContract, AMethodTheObjectDoesNotHaveFails) {
  auto services = this->Connect();
  auto object = services->ExecQuery(this->backend_.ObjectQuery())->Next();
  ASSERT_NE(object, nullptr);
  this->ExpectWmiError("WmiSetBrightness", [&] {
    object->CallMethod(u"WmiSetBrightness", {{u"Timeout", 1}, {u"Brightness", 50}});
  });
}

REGISTER_TYPED_TEST_SUITE_P(WmiContract, ConnectsToRootWmiAndRefusesAnUnknownNamespace,
                            AClassWithoutInstancesGivesAnEmptySet,
                            AnUnknownClassIsRefusedWhereTheSystemKnowsItsClasses,
                            ObjectsCarryTheirPropertiesAsTheirKinds, AMethodTheObjectDoesNotHaveFails);

} // namespace lumivane::contract
