#pragma once
// What the program relies on from the Monitor Configuration API, run against every adapter of
// IMonitorConfig. A backend B is a fixture trait that provides:
//
//   void Install(const std::vector<ContractMonitor>& monitors);
//       these physical monitors, in order, behind Desktop(); replaces whatever was there
//   IMonitorConfig& Config();
//   MonitorHandle Desktop();     // a desktop monitor of this machine
//   MonitorHandle NotADesktop(); // a value that is no desktop monitor
//   void Unplug(size_t monitor); // the monitor goes away while the program holds its handle
//   std::vector<ContractWrite> Received(); // every value a monitor took, in order
//   uint32_t LastError();        // the calling thread's last error
//   void ClearLastError();
#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "platform/MonitorConfig.h"

namespace lumivane::contract {

struct ContractMonitor {
  uint32_t minimum = 0, current = 50, maximum = 100;
  std::string capabilities; // empty: the monitor reports none
};

struct ContractWrite {
  size_t monitor; // index into what Install was given
  uint32_t value;
  bool operator==(const ContractWrite& o) const { return monitor == o.monitor && value == o.value; }
};

inline std::ostream& operator<<(std::ostream& out, const ContractWrite& w) {
  return out << "monitor " << w.monitor << " <- " << w.value;
}

// System error codes as the platform reports them.
constexpr uint32_t kErrorInvalidHandle = 6;
constexpr uint32_t kErrorInvalidParameter = 87;
constexpr uint32_t kErrorMonitorNoLongerExists = 0xC026258D;

template <typename Backend> class MonitorConfigContract : public ::testing::Test {
 protected:
  IMonitorConfig& Config() { return backend_.Config(); }

  std::vector<PhysicalMonitorHandle> List() {
    uint32_t count = 0;
    EXPECT_TRUE(Config().GetNumberOfPhysicalMonitors(backend_.Desktop(), count)) << backend_.LastError();
    std::vector<PhysicalMonitorHandle> handles;
    EXPECT_TRUE(Config().GetPhysicalMonitors(backend_.Desktop(), count, handles)) << backend_.LastError();
    EXPECT_EQ(handles.size(), count);
    return handles;
  }

  // Runs a call that must fail and returns the last error it left.
  template <typename Call> uint32_t FailureOf(Call&& call) {
    backend_.ClearLastError();
    EXPECT_FALSE(call());
    return backend_.LastError();
  }

  Backend backend_;
};

TYPED_TEST_SUITE_P(MonitorConfigContract);

TYPED_TEST_P(MonitorConfigContract, ListsFreshHandlesForThePhysicalMonitorsOfADesktopMonitor) {
  this->backend_.Install({{}, {}});
  const auto first = this->List();
  ASSERT_EQ(first.size(), 2u);
  const auto second = this->List();
  ASSERT_EQ(second.size(), 2u);
  const std::set<PhysicalMonitorHandle> all{first[0], first[1], second[0], second[1]};
  EXPECT_EQ(all.size(), 4u) << "every listing hands out new handles";
  EXPECT_EQ(all.count(0), 0u);
  BrightnessRange range;
  EXPECT_TRUE(this->Config().GetMonitorBrightness(first[1], range)) << "earlier handles stay valid";

  // The array must have exactly the size the count gave.
  std::vector<PhysicalMonitorHandle> handles;
  for (uint32_t wrong : {1u, 3u})
    EXPECT_EQ(this->FailureOf([&] {
      return this->Config().GetPhysicalMonitors(this->backend_.Desktop(), wrong, handles);
    }),
              kErrorInvalidParameter)
        << wrong;

  this->backend_.Install({});
  uint32_t count = 99;
  ASSERT_TRUE(this->Config().GetNumberOfPhysicalMonitors(this->backend_.Desktop(), count));
  EXPECT_EQ(count, 0u) << "a desktop monitor without DDC/CI monitors";
}

TYPED_TEST_P(MonitorConfigContract, BrightnessRoundTripsAnywhereInTheRange) {
  this->backend_.Install({{10, 35, 90, ""}, {}});
  const auto handles = this->List();
  ASSERT_EQ(handles.size(), 2u);
  BrightnessRange range;
  ASSERT_TRUE(this->Config().GetMonitorBrightness(handles[0], range));
  EXPECT_EQ(range.minimum, 10u);
  EXPECT_EQ(range.current, 35u);
  EXPECT_EQ(range.maximum, 90u);
  for (uint32_t value : {10u, 90u, 47u}) {
    ASSERT_TRUE(this->Config().SetMonitorBrightness(handles[0], value)) << value;
    ASSERT_TRUE(this->Config().GetMonitorBrightness(handles[0], range));
    EXPECT_EQ(range.current, value);
  }
  ASSERT_TRUE(this->Config().GetMonitorBrightness(handles[1], range));
  EXPECT_EQ(range.current, 50u) << "the other monitor is untouched";
  EXPECT_EQ(this->backend_.Received(), (std::vector<ContractWrite>{{0, 10}, {0, 90}, {0, 47}}));
}

TYPED_TEST_P(MonitorConfigContract, AValueOutsideTheRangeIsRefusedAndNeverReachesTheMonitor) {
  this->backend_.Install({{10, 35, 90, ""}});
  const auto handles = this->List();
  ASSERT_EQ(handles.size(), 1u);
  for (uint32_t value : {9u, 91u, 0xFFFFFFFFu})
    EXPECT_EQ(this->FailureOf([&] { return this->Config().SetMonitorBrightness(handles[0], value); }),
              kErrorInvalidParameter)
        << value;
  BrightnessRange range;
  ASSERT_TRUE(this->Config().GetMonitorBrightness(handles[0], range));
  EXPECT_EQ(range.current, 35u);
  EXPECT_TRUE(this->backend_.Received().empty());
}

// The length counts the terminating zero, and the reply fills exactly that many bytes.
TYPED_TEST_P(MonitorConfigContract, CapabilitiesReplyEndsAtTheZeroByteTheLengthCounts) {
  const std::string caps = "(prot(monitor)type(lcd)model(SIM 24A)cmds(01 02 03)vcp(10 12))";
  this->backend_.Install({{0, 50, 100, caps}, {}});
  const auto handles = this->List();
  ASSERT_EQ(handles.size(), 2u);
  uint32_t length = 0;
  ASSERT_TRUE(this->Config().GetCapabilitiesStringLength(handles[0], length));
  EXPECT_EQ(length, caps.size() + 1);
  std::string bytes;
  ASSERT_TRUE(this->Config().CapabilitiesRequestAndCapabilitiesReply(handles[0], bytes, length));
  EXPECT_EQ(bytes, caps + '\0');

  // A buffer without room for the whole reply gets nothing rather than a cut-off string.
  for (uint32_t tooShort : {length - 1, 0u})
    EXPECT_EQ(this->FailureOf([&] {
      return this->Config().CapabilitiesRequestAndCapabilitiesReply(handles[0], bytes, tooShort);
    }),
              kErrorInvalidParameter)
        << tooShort;

  length = 99;
  ASSERT_TRUE(this->Config().GetCapabilitiesStringLength(handles[1], length));
  EXPECT_EQ(length, 0u) << "a monitor without a capabilities string";
}

TYPED_TEST_P(MonitorConfigContract, DestroyedAndUnknownHandlesFailAsInvalidHandles) {
  this->backend_.Install({{}, {}});
  const auto handles = this->List();
  ASSERT_EQ(handles.size(), 2u);
  this->Config().DestroyPhysicalMonitor(handles[0]);
  this->Config().DestroyPhysicalMonitor(handles[0]); // twice is harmless
  constexpr PhysicalMonitorHandle kNeverHandedOut = 0x7FFF0000;
  for (PhysicalMonitorHandle dead : {handles[0], kNeverHandedOut}) {
    BrightnessRange range;
    uint32_t length = 0;
    EXPECT_EQ(this->FailureOf([&] { return this->Config().GetMonitorBrightness(dead, range); }),
              kErrorInvalidHandle);
    EXPECT_EQ(this->FailureOf([&] { return this->Config().SetMonitorBrightness(dead, 20); }),
              kErrorInvalidHandle);
    EXPECT_EQ(this->FailureOf([&] { return this->Config().GetCapabilitiesStringLength(dead, length); }),
              kErrorInvalidHandle);
  }
  BrightnessRange range;
  EXPECT_TRUE(this->Config().GetMonitorBrightness(handles[1], range)) << "the other handle lives on";
  EXPECT_TRUE(this->backend_.Received().empty());
}

TYPED_TEST_P(MonitorConfigContract, AnUnpluggedMonitorLeavesTheListAndItsHandleSaysSo) {
  this->backend_.Install({{}, {}});
  const auto handles = this->List();
  ASSERT_EQ(handles.size(), 2u);
  this->backend_.Unplug(1);
  BrightnessRange range;
  EXPECT_EQ(this->FailureOf([&] { return this->Config().GetMonitorBrightness(handles[1], range); }),
            kErrorMonitorNoLongerExists);
  EXPECT_EQ(this->FailureOf([&] { return this->Config().SetMonitorBrightness(handles[1], 20); }),
            kErrorMonitorNoLongerExists);
  EXPECT_TRUE(this->Config().GetMonitorBrightness(handles[0], range));
  EXPECT_EQ(this->List().size(), 1u);
}

TYPED_TEST_P(MonitorConfigContract, AHandleThatIsNoDesktopMonitorIsRefused) {
  this->backend_.Install({{}});
  uint32_t count = 0;
  std::vector<PhysicalMonitorHandle> handles;
  const MonitorHandle bogus = this->backend_.NotADesktop();
  EXPECT_EQ(this->FailureOf([&] { return this->Config().GetNumberOfPhysicalMonitors(bogus, count); }),
            kErrorInvalidHandle);
  EXPECT_EQ(this->FailureOf([&] { return this->Config().GetPhysicalMonitors(bogus, 1, handles); }),
            kErrorInvalidHandle);
}

REGISTER_TYPED_TEST_SUITE_P(MonitorConfigContract, ListsFreshHandlesForThePhysicalMonitorsOfADesktopMonitor,
                            BrightnessRoundTripsAnywhereInTheRange,
                            AValueOutsideTheRangeIsRefusedAndNeverReachesTheMonitor,
                            CapabilitiesReplyEndsAtTheZeroByteTheLengthCounts,
                            DestroyedAndUnknownHandlesFailAsInvalidHandles,
                            AnUnpluggedMonitorLeavesTheListAndItsHandleSaysSo,
                            AHandleThatIsNoDesktopMonitorIsRefused);

} // namespace lumivane::contract
