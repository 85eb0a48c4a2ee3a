#include <thread>

#include "controller/ControllerFixture.h"

namespace lumivane {
namespace {

class ControllerLogTest : public ControllerTest {
 protected:
  std::vector<std::u16string> LinesSinceStart() {
    auto lines = app.host.LogLines();
    lines.erase(lines.begin(), lines.begin() + static_cast<long>(startLines));
    return lines;
  }
  size_t startLines = app.host.LogLines().size();
};

TEST_F(ControllerLogTest, ErrorLineCarriesTheTimeAndEndsAtTheFirstNul) {
  clock.SetLocalTime({2026, 3, 1, 14, 5, 9, 640});
  c().LogError(u"Writing failed");
  c().LogLine(std::u16string(u"kept\0dropped", 12));
  c().LogError(std::u16string(u"cut\0here", 8));
  EXPECT_EQ(LinesSinceStart(), (std::vector<std::u16string>{u"[14:05:09] ERROR! Writing failed", u"kept",
                                                            u"[14:05:09] ERROR! cut"}));
}

TEST_F(ControllerLogTest, LinesFromAnotherThreadArriveWhenTheMainThreadPumpsInOrder) {
  ILog& log = c().Log();
  std::thread worker([&] {
    for (int n = 0; n < 50; ++n)
      log.LogLine(u"worker " + Variant::Narrow(n).Text());
    log.LogError(u"last");
  });
  worker.join();
  EXPECT_TRUE(LinesSinceStart().empty());

  app.mainThread.Pump();
  const auto lines = LinesSinceStart();
  ASSERT_EQ(lines.size(), 51u);
  for (int n = 0; n < 50; ++n)
    EXPECT_EQ(lines[n], u"worker " + Variant::Narrow(n).Text());
  EXPECT_EQ(lines.back(), u"[12:00:00] ERROR! last");
  EXPECT_EQ(app.host.OffThreadAppends(), 0u);
}

TEST_F(ControllerLogTest, NowUnixMsFollowsTheLocalWallClock) {
  clock.SetLocalTime({2024, 2, 29, 23, 59, 59, 999});
  const uint64_t t = c().NowUnixMs();
  EXPECT_EQ(t, 1709251199999u);
  EXPECT_EQ(c().NowUnixMs(), t); // same millisecond
  clock.AdvanceMs(1);
  EXPECT_EQ(c().NowUnixMs(), t + 1);
  clock.SetLocalTime({2024, 2, 29, 23, 0, 0, 0});
  EXPECT_LT(c().NowUnixMs(), t);
  EXPECT_EQ(UnixMsFromLocalTime(LocalTime{}), 0u);
}

// A program that runs for weeks with a device that keeps failing logs a line every few passes:
// the memo keeps the newest lines and lets the oldest go, whichever thread logged them.
TEST_F(ControllerLogTest, TheLogKeepsItsNewestLines) {
  constexpr size_t kLimit = IHost::kLogLineLimit;
  static_assert(kLimit == 5000);
  ILog& log = c().Log();
  for (size_t n = 0; n < kLimit + 7; ++n)
    log.LogLine(u"line " + Variant(static_cast<uint64_t>(n)).Text());
  std::thread worker([&] { log.LogLine(u"from the worker"); });
  worker.join();
  app.mainThread.Pump();

  const auto lines = app.host.LogLines();
  ASSERT_EQ(lines.size(), kLimit);
  EXPECT_EQ(lines.front(), u"line 8"); // start-up's own lines and lines 0..7 went first
  EXPECT_EQ(lines[kLimit - 2], u"line " + Variant(static_cast<uint64_t>(kLimit + 6)).Text());
  EXPECT_EQ(lines.back(), u"from the worker");
}

} // namespace
} // namespace lumivane
