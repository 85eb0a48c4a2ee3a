#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "controller/ControllerFixture.h"
#include "controller/SupervisionFixture.h"

namespace lumivane {
namespace {

TEST(ProgramListTextTest, HelpersSplitAtTheFirstSeparatorAndBoundTheDigits) {
  EXPECT_EQ(TextBefore(u"a=b=c", u"="), u"a");
  EXPECT_EQ(TextAfter(u"a=b=c", u"="), u"b=c");
  EXPECT_EQ(TextBefore(u"abc", u"="), u"abc"); // no separator: the whole text both ways
  EXPECT_EQ(TextAfter(u"abc", u"="), u"abc");
  EXPECT_EQ(TextBefore(u"x::y::z", u"::"), u"x");
  EXPECT_EQ(TextAfter(u"x::y::z", u"::"), u"y::z");
  EXPECT_EQ(TextAfter(u"a=", u"="), u"");
  EXPECT_EQ(TextBefore(u"=5", u"="), u"");

  constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
  const std::pair<const char16_t*, int32_t> digits[] = {
      {u"", 0},
      {u"abc", 0},
      {u"-40", 40},
      {u"1.5", 15},
      {u"0007", 7},
      {u"2147483647", kMax},
      {u"2147483648", kMax},
      {u"99999999999999999999999", kMax},
      {u"000000000000000000000012", 12}, // leading zeros are no overflow
      {u"\uFF15", 0},                    // only ASCII digits count
  };
  for (const auto& [text, value] : digits)
    EXPECT_EQ(DigitsToInt(text), value) << std::string(text, text + std::char_traits<char16_t>::length(text));
}

class ProgramRulesTest : public ControllerTest {
 protected:
  TAssoc& Programs() { return c().Root->Items(u"programs"); }
  void List(const std::u16string& text) {
    c().Form.Config.UserSetText(text);
    Pass(); // the pass rebuilds the table
  }
  // The value of the newest "i" not yet carried out; nothing when there is none.
  std::optional<int> PendingProgramValue() {
    std::optional<int> value;
    int64_t newest = -1;
    for (const Variant& key : Cmd().Keys()) {
      TAssoc& entry = Cmd()[key];
      if (entry.IsSet(u"i") && !entry.IsSet(u"z") && key.ToInt64() > newest) {
        newest = key.ToInt64();
        value = entry[u"i"].Val().ToInt32();
      }
    }
    return value;
  }
};

TEST_F(ProgramRulesTest, ListLinesGiveUpperCasedKeysAndDigitValues) {
  List(u"game.exe=100\r\nPlayer.exe=35%\r\nvideo.exe=-40\r\nmy app.exe=1.5\r\neditor.exe = 60\r\n"
       u"notepad.exe\r\n\r\nbig.exe=99999999999\r\ncaf\u00e9.exe=5\r\ntwice.exe=1\r\nTWICE.exe=2\r\n");
  const std::vector<std::pair<std::u16string, int64_t>> expected = {
      {u"GAME.EXE", 100},
      {u"PLAYER.EXE", 35},
      {u"VIDEO.EXE", 40},
      {u"MY APP.EXE", 15},
      {u"EDITOR.EXE ", 60},
      {u"NOTEPAD.EXE", 0},
      {u"", 0},
      {u"BIG.EXE", std::numeric_limits<int32_t>::max()},
      {u"CAF\u00e9.EXE", 5}, // only ASCII letters have case
      {u"TWICE.EXE", 2},     // the later line counts
  };
  EXPECT_EQ(Programs().Count(), static_cast<int32_t>(expected.size()));
  for (const auto& [key, value] : expected) {
    SCOPED_TRACE(std::string(key.begin(), key.end()));
    ASSERT_TRUE(Programs().IsSet(Variant(key)));
    EXPECT_EQ(Programs()[Variant(key)].Val().ToInt64(), value);
  }

  // Bare LF and CR separate lines too; a final break adds no empty entry; an empty list empties
  // the table.
  List(u"a.exe=1\nb.exe=2\rc.exe=3\r\n");
  EXPECT_EQ(Programs().Count(), 3);
  EXPECT_FALSE(Programs().IsSet(Variant(u"")));
  List(u"");
  EXPECT_EQ(Programs().Count(), 0);
}

TEST_F(ProgramRulesTest, ListedProgramTakesOverAndTheOldValueReturnsWhenItLeaves) {
  ActiveDevice(40);
  List(u"game.exe=100\r\nplayer.exe=70");
  app.process.SetForegroundProgram(u"game.exe");
  const int queries = app.process.ForegroundQueries();
  Pass();
  EXPECT_EQ(app.process.ForegroundQueries() - queries, 1); // one per pass, however many are listed
  EXPECT_EQ(PendingProgramValue(), 100);
  EXPECT_EQ(c().BrightnessBeforeProgram, 40);
  EXPECT_TRUE(c().ProgramMatched);
  Pass();
  EXPECT_EQ(c().ShownBrightness, 100);
  EXPECT_EQ(PendingProgramValue(), std::nullopt); // held: nothing more to write

  Wheel(-1); // a notch while the program is in front is reversed
  Pass();
  Pass();
  EXPECT_EQ(c().ShownBrightness, 100);

  app.process.SetForegroundProgram(u"player.exe"); // straight to another listed program
  Pass();
  Pass();
  EXPECT_EQ(c().ShownBrightness, 70);
  EXPECT_EQ(c().BrightnessBeforeProgram, 40);

  app.process.SetForegroundProgram(u"explorer.exe");
  Pass();
  EXPECT_EQ(PendingProgramValue(), 40);
  EXPECT_EQ(c().BrightnessBeforeProgram, -1);
  EXPECT_FALSE(c().ProgramMatched);
  Pass();
  EXPECT_EQ(c().ShownBrightness, 40);
  Pass();
  EXPECT_EQ(PendingProgramValue(), std::nullopt);
}

TEST_F(ProgramRulesTest, MatchingIgnoresAsciiCaseOnlyAndBlanksCount) {
  struct Case {
    const char16_t* line;
    std::optional<std::u16string> foreground;
    bool matches;
  };
  const Case cases[] = {
      {u"GAME.EXE=100", u"game.exe", true},
      {u"Game.exe=100", u"game.exe", true},
      {u"game.exe=100", u"GAME.EXE", true},
      {u"editor.exe = 60", u"editor.exe", false}, // the key ends in a blank
      {u"game.exe=100", u"game.exe ", false},
      {u"caf\u00e9.exe=100", u"CAF\u00c9.EXE", false},
      {u"=100", u"", true},           // a program that cannot be opened has the empty name
      {u"=100", std::nullopt, false}, // no foreground window matches nothing
      {u"game.exe=100", u"", false},
  };
  ActiveDevice(40);
  for (const Case& k : cases) {
    SCOPED_TRACE(std::string(k.line, k.line + std::char_traits<char16_t>::length(k.line)));
    app.process.SetForegroundProgram(k.foreground);
    List(k.line);
    Pass();
    Pass();
    EXPECT_EQ(c().ShownBrightness, k.matches ? 100 : 40);
    app.process.SetForegroundProgram(u"explorer.exe");
    Pass();
    Pass();
    EXPECT_EQ(c().ShownBrightness, 40);
  }
}

TEST_F(ProgramRulesTest, EmptyLineSendsTheDeviceToItsMinimumUnderAnElevatedProgram) {
  ActiveDevice(60, 10, 90);
  List(u"game.exe=100\r\n\r\nplayer.exe=50");
  app.process.SetForegroundProgram(u""); // elevated: its name cannot be told
  Pass();
  Pass();
  EXPECT_EQ(c().ShownBrightness, 10);
  EXPECT_EQ(c().BrightnessBeforeProgram, 60);
}

TEST_F(ProgramRulesTest, ValueTheDeviceCannotTakeIsHeldAtTheNearestWithoutNewCommands) {
  struct Case {
    const char* what;
    int start, min, max, rule;
    bool internalLevels;
    int held;     // what the device shows while the rule holds
    int commands; // "i" entries the rule writes in all
  };
  const Case cases[] = {
      {"above the device's max", 50, 0, 80, 100, false, 80, 1},
      {"below the device's min", 50, 20, 80, 5, false, 20, 1},
      // A lower limit above the upper one wins, as when the value is set.
      {"limits crossed", 90, 90, 80, 60, false, 90, 0},
      {"between two levels of a panel, from above", 50, 0, 80, 35, true, 30, 1},
      // Snapped up to 40 first, then once down to the level below, and no swinging after that.
      {"between two levels of a panel, from below", 20, 0, 80, 35, true, 30, 2},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    Devices().Clear();
    TAssoc& record = ActiveDevice(k.start, k.min, k.max);
    if (k.internalLevels) AddLevels(record, 0, 80, 10);
    List(u"game.exe=" + Variant::Narrow(k.rule).Text());
    app.process.SetForegroundProgram(u"game.exe");
    int writes = 0;
    int largest = 0;
    std::optional<uint64_t> lastStamp;
    for (int n = 0; n < 500; ++n) {
      Pass();
      if (PendingProgramValue() == k.rule && Cmd().Count() > 0) {
        const uint64_t stamp = static_cast<uint64_t>(Cmd().Keys().back().ToInt64());
        if (stamp != lastStamp) ++writes;
        lastStamp = stamp;
      }
      largest = std::max(largest, Cmd().Count());
    }
    EXPECT_EQ(c().ShownBrightness, k.held);
    EXPECT_EQ(writes, k.commands);
    EXPECT_LE(largest, 3);
    // A wheel notch while the program is in front is still taken back.
    Command(u"s", 1);
    Pass();
    Pass();
    EXPECT_EQ(c().ShownBrightness, k.held);
    app.process.SetForegroundProgram(u"explorer.exe");
    Pass();
    Pass();
    EXPECT_EQ(c().ShownBrightness, k.start);
  }
}

TEST_F(ProgramRulesTest, NothingHappensWithoutAUsableDeviceAndTheRuleStaysInForce) {
  List(u"game.exe=100");
  app.process.SetForegroundProgram(u"game.exe");
  Pass(); // no device at all
  EXPECT_EQ(PendingProgramValue(), std::nullopt);
  EXPECT_EQ(c().BrightnessBeforeProgram, -1);

  TAssoc& record = ActiveDevice(40);
  Pass();
  Pass();
  ASSERT_EQ(c().ShownBrightness, 100);
  record[u"active"] = Variant(u"false"); // the device stops answering while the program leaves
  c().ValueChange(0, true);
  ASSERT_EQ(c().ShownBrightness, -1);
  app.process.SetForegroundProgram(u"explorer.exe");
  Pass();
  EXPECT_EQ(PendingProgramValue(), std::nullopt);
  EXPECT_EQ(c().BrightnessBeforeProgram, 40); // restored once the device is usable again
}

TEST_F(ProgramRulesTest, RestoreWrittenInTheMillisecondOfADoneEntryIsStillCarriedOut) {
  ActiveDevice(40);
  List(u"game.exe=100");
  app.process.SetForegroundProgram(u"game.exe");
  Pass();
  Pass();
  ASSERT_EQ(c().ShownBrightness, 100);
  app.process.SetForegroundProgram(u"explorer.exe");
  // A notch in the very millisecond of the pass: the pass carries it out and marks it done
  // before the program step writes the restore.
  clock.AdvanceMs(100);
  Command(u"s", 1);
  app.host.FireTimer();
  EXPECT_EQ(c().BrightnessBeforeProgram, -1);
  Pass();
  EXPECT_EQ(c().ShownBrightness, 40);
}

// The device already shows the program's value when the program comes to the front: the value in
// force before is noted all the same, so a wheel step made while the program is in front (and
// taken back by the rule) does not become the value restored when it leaves.
class ProgramRestoreTest : public SupervisionTest {};

TEST_F(ProgramRestoreTest, ValueBeforeTakeoverReturnsWhenTheDeviceAlreadyShowedTheRule) {
  const size_t monitor = AddMonitor(u"SIM0001", u"1&UID1", 70);
  Start();
  MakeActive(Pnp(u"SIM0001", u"1&UID1"));
  controller->Form.Config.UserSetText(u"game.exe=70");
  for (int i = 0; i < 2; ++i)
    Pass();
  process.SetForegroundProgram(u"game.exe");
  Pass();
  Wheel(1);
  for (int i = 0; i < 3; ++i)
    Pass();
  EXPECT_EQ(monitors.State(monitor).current, 70u); // the rule holds its value
  process.SetForegroundProgram(u"explorer.exe");
  for (int i = 0; i < 3; ++i)
    Pass();
  EXPECT_EQ(controller->ShownBrightness, 70);
  EXPECT_EQ(monitors.State(monitor).current, 70u);
  ASSERT_FALSE(WritesTo(monitor).empty());
  EXPECT_EQ(WritesTo(monitor).back(), 70u);
}

} // namespace
} // namespace lumivane
