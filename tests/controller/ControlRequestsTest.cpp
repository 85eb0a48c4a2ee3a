// The command-line client's requests through the simulated channel: what the monitors receive,
// what the program answers, and the replies of sets that wait.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "controller/SupervisionFixture.h"

namespace lumivane {
namespace {

// Monitor 1 at 50 (the one the wheel turns), monitor 2 at 30.
class ControlRequestsTest : public SupervisionTest {
 protected:
  ControlRequestsTest() {
    first = AddMonitor(u"SIM0001", u"1&UID1", 50);
    second = AddMonitor(u"SIM0002", u"1&UID2", 30);
    Start();
    Pass();
  }

  // Sends line, runs the passes it asked for, and returns the reply.
  std::string Send(const std::string& line) {
    const ICommandChannel::Client client = commands.Inject(line);
    Settle();
    return commands.ReplyTo(client);
  }
  void Settle() {
    while (host.DeliverPass()) {
      EXPECT_TRUE(mainThread.PumpUntil([&] { return !controller->WorkerBusy; }));
      pool.Join();
    }
    Pass();
  }

  // Writes to monitor since the mark.
  std::vector<uint32_t> WritesSince(size_t mark, size_t monitor) const {
    std::vector<uint32_t> values;
    const auto all = monitors.Writes();
    for (size_t i = mark; i < all.size(); ++i)
      if (all[i].monitor == monitor) values.push_back(all[i].value);
    return values;
  }

  size_t first = 0, second = 0;
};

TEST_F(ControlRequestsTest, ListShowsEveryDeviceInMenuOrder) {
  EXPECT_EQ(Send("list"), "0\n1\t50\tactive\t*\tMonitor SIM0001\n2\t30\tactive\t-\tMonitor SIM0002\n");
  EXPECT_EQ(
      Send("list --json"),
      "0\n{\"number\":1,\"brightness\":50,\"active\":true,\"wheel\":true,\"caption\":\"Monitor SIM0001\"}\n"
      "{\"number\":2,\"brightness\":30,\"active\":true,\"wheel\":false,\"caption\":\"Monitor SIM0002\"}\n");
  // The caption is the menu's, without its number.
  EXPECT_EQ(controller->PopupMenu1.at(1).item.caption, u"2. Monitor SIM0002");
  Record(Pnp(u"SIM0002", u"1&UID2")).Items(u"active") = Variant(u"false");
  EXPECT_EQ(Send("list"), "0\n1\t50\tactive\t*\tMonitor SIM0001\n2\t-\tinactive\t-\tMonitor SIM0002\n");
}

TEST_F(ControlRequestsTest, GetReportsADisplay) {
  const struct {
    std::string line, reply;
  } cases[] = {{"get", "0\n50\n"},
               {"get 1", "0\n50\n"},
               {"get 2", "0\n30\n"},
               {"get 2 --json", "0\n{\"number\":2,\"brightness\":30}\n"},
               {"get 3", "4\nno such display, or it is not active"},
               {"get 0", "4\nno such display, or it is not active"}};
  for (const auto& c : cases)
    EXPECT_EQ(Send(c.line), c.reply) << c.line;
  EXPECT_TRUE(monitors.Writes().empty());
}

TEST_F(ControlRequestsTest, SetWritesTheWheelDisplayAsTheSettingsDo) {
  const struct {
    std::string line;
    std::string status;
    std::vector<uint32_t> writes; // to the first monitor, from 50
  } cases[] = {
      {"set 70", "0", {70}},  {"set 70 1", "0", {70}},    {"set +10", "0", {60}},
      {"set -100", "0", {0}}, {"set 50", "0", {}}, // holds it already
      {"set 40 7", "4", {}},  {"set 40 --json", "2", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    const size_t mark = monitors.Writes().size();
    const std::string reply = Send(c.line);
    EXPECT_EQ(reply.substr(0, 1), c.status) << reply;
    EXPECT_EQ(WritesSince(mark, first), c.writes);
    EXPECT_TRUE(WritesTo(second).empty());
    if (!c.writes.empty()) EXPECT_EQ(Send("get"), "0\n" + std::to_string(c.writes.back()) + "\n");
    Send("set 50");
  }
}

TEST_F(ControlRequestsTest, SetOfAnotherDisplayWritesItAndMakesItTheWheels) {
  EXPECT_EQ(Send("set +15 2"), "0\n"); // relative to what the second one holds
  EXPECT_EQ(WritesTo(second), std::vector<uint32_t>{45});
  EXPECT_TRUE(WritesTo(first).empty());
  EXPECT_EQ(Send("list"), "0\n1\t50\tactive\t-\tMonitor SIM0001\n2\t45\tactive\t*\tMonitor SIM0002\n");
}

TEST_F(ControlRequestsTest, PanelOpensThePanel) {
  ASSERT_FALSE(controller->PanelOpen());
  EXPECT_EQ(Send("panel"), "0\n");
  EXPECT_TRUE(controller->PanelOpen());
  EXPECT_TRUE(monitors.Writes().empty());
}

TEST_F(ControlRequestsTest, SetKeepsTheLimits) {
  Record(Pnp(u"SIM0001", u"1&UID1")).Items(u"min") = Variant::Narrow(20);
  Record(Pnp(u"SIM0001", u"1&UID1")).Items(u"max") = Variant::Narrow(90);
  EXPECT_EQ(Send("set 5"), "0\n");
  EXPECT_EQ(Send("set 95"), "0\n");
  EXPECT_EQ(Send("set -100"), "0\n");
  EXPECT_EQ(WritesTo(first), (std::vector<uint32_t>{20, 90, 20}));
}

TEST_F(ControlRequestsTest, SelectMovesTheWheelAndGlareTogglesIt) {
  EXPECT_EQ(Send("select 2"), "0\n");
  EXPECT_EQ(Send("list"), "0\n1\t50\tactive\t-\tMonitor SIM0001\n2\t30\tactive\t*\tMonitor SIM0002\n");
  EXPECT_EQ(Send("set 80"), "0\n");
  EXPECT_EQ(WritesTo(second), std::vector<uint32_t>{80});
  EXPECT_EQ(Send("glare"), "0\n");
  EXPECT_EQ(Send("glare"), "0\n");
  EXPECT_EQ(WritesTo(second), (std::vector<uint32_t>{80, 0, 80}));
  EXPECT_TRUE(WritesTo(first).empty());
  EXPECT_EQ(Send("select 5").substr(0, 2), "4\n");
  EXPECT_EQ(Send("get"), "0\n80\n");
}

TEST_F(ControlRequestsTest, SetWaitAnswersOnceTheMonitorHoldsTheValue) {
  const ICommandChannel::Client client = commands.Inject("set 65 --wait");
  EXPECT_FALSE(commands.HasReply(client)); // nothing written yet
  Settle();
  EXPECT_EQ(commands.ReplyTo(client), "0\n");
  EXPECT_EQ(WritesTo(first), std::vector<uint32_t>{65});

  // A value the monitor holds already is answered at once too.
  const ICommandChannel::Client again = commands.Inject("set 65 --wait");
  Settle();
  EXPECT_EQ(commands.ReplyTo(again), "0\n");

  SetLocked(first, true);
  const ICommandChannel::Client refused = commands.Inject("set 20 --wait");
  Settle();
  EXPECT_EQ(commands.ReplyTo(refused).substr(0, 2), "1\n");
  EXPECT_EQ(commands.StrayReplies(), 0);
}

TEST_F(ControlRequestsTest, RefusedLinesChangeNothing) {
  const std::string lines[] = {"set 50 1 1", "set 101", std::string(300, 'x'), std::string("glare\0", 6)};
  for (const std::string& line : lines) {
    EXPECT_EQ(Send(line).substr(0, 2), "2\n");
  }
  EXPECT_TRUE(monitors.Writes().empty());
}

TEST_F(ControlRequestsTest, ClosingAnswersWaitingSetsAndStopsTheChannel) {
  SetLocked(first, true);
  const ICommandChannel::Client waiting = commands.Inject("set 10 --wait");
  EXPECT_FALSE(commands.HasReply(waiting));
  controller->Exiter();
  // A request that arrives while the program leaves is answered, not carried out.
  EXPECT_EQ(commands.ReplyTo(commands.Inject("set 90")).substr(0, 2), "3\n");
  ASSERT_TRUE(mainThread.PumpUntil([&] { return !controller->WorkerBusy; }));
  pool.Join();
  ASSERT_TRUE(controller->FormClose());
  EXPECT_EQ(commands.ReplyTo(waiting).substr(0, 2), "3\n");
  EXPECT_FALSE(commands.IsOpen());
  EXPECT_EQ(commands.ReplyTo(commands.Inject("list")).substr(0, 2), "3\n");
  EXPECT_TRUE(WritesTo(first).empty());
  EXPECT_EQ(commands.StrayReplies(), 0);
}

} // namespace
} // namespace lumivane
