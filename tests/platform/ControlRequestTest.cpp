#include "platform/ControlRequest.h"

#include <gtest/gtest.h>

#include <string>

namespace lumivane {
namespace {

using Verb = ControlRequest::Verb;

ControlRequest Req(Verb verb, std::optional<int> display = std::nullopt, int value = 0, bool relative = false,
                   bool json = false, bool wait = false) {
  ControlRequest r;
  r.verb = verb;
  r.display = display;
  r.value = value;
  r.relative = relative;
  r.json = json;
  r.wait = wait;
  return r;
}

struct Good {
  std::string line;
  ControlRequest want;
};

TEST(ControlRequestTest, ReadsEveryCommand) {
  const Good cases[] = {
      {"list", Req(Verb::List)},
      {"list --json\n", Req(Verb::List, {}, 0, false, true)},
      {"--json list\r\n", Req(Verb::List, {}, 0, false, true)},
      {"get", Req(Verb::Get)},
      {"get 2", Req(Verb::Get, 2)},
      {"get  0007 --json", Req(Verb::Get, 7, 0, false, true)},
      {"set 0", Req(Verb::Set, {}, 0)},
      {"set 100 3", Req(Verb::Set, 3, 100)},
      {"set +5", Req(Verb::Set, {}, 5, true)},
      {"set -100 1 --wait", Req(Verb::Set, 1, -100, true, false, true)},
      {"set -0", Req(Verb::Set, {}, 0, true)},
      {"glare", Req(Verb::Glare)},
      {"panel", Req(Verb::Panel)},
      {"select 999999", Req(Verb::Select, 999999)},
      {"  select 1  ", Req(Verb::Select, 1)},
  };
  for (const Good& c : cases) {
    SCOPED_TRACE(c.line);
    const ParsedRequest parsed = ParseControlRequest(c.line);
    ASSERT_TRUE(parsed.request) << parsed.error;
    EXPECT_EQ(*parsed.request, c.want);
    EXPECT_TRUE(parsed.error.empty());
    // What the client sends for it reads back the same.
    const ParsedRequest again = ParseControlRequest(ControlRequestLine(*parsed.request));
    ASSERT_TRUE(again.request);
    EXPECT_EQ(*again.request, c.want);
  }
}

TEST(ControlRequestTest, RefusesMalformedAndHostileLines) {
  const std::string nul("get\0 1", 6);
  const std::string cases[] = {
      "",
      "\n",
      "   ",
      "LIST",
      "lis",
      "list 1",
      "list --wait",
      "get 1 2",
      "get x",
      "get -1",
      "get +1",
      "get 1000000",
      "get 99999999999999999999",
      "set",
      "set 101",
      "set 1000",
      "set +101",
      "set -",
      "set +",
      "set ++5",
      "set 5.5",
      "set 50 1 2",
      "set 50 --json",
      "set 0x10",
      "glare 1",
      "panel 1",
      "glare --json",
      "select",
      "select 1 2",
      "select --wait 1",
      "list --verbose",
      "list\tx",
      "list\n\n",
      "list\nset 100",
      "get\r1",
      nul,
      "list \xC3\xA9",
      "get \xEF\xBC\x91", // a full-width digit
      "\xEF\xBB\xBFlist", // a byte order mark
      "list\x7F",
      "\x1B[2Jlist",
  };
  for (const std::string& line : cases) {
    SCOPED_TRACE(::testing::PrintToString(line));
    const ParsedRequest parsed = ParseControlRequest(line);
    EXPECT_FALSE(parsed.request);
    EXPECT_FALSE(parsed.error.empty());
  }
}

TEST(ControlRequestTest, LengthLimitCountsTheLineWithoutItsBreak) {
  const std::string fits = "list" + std::string(kMaxRequestBytes - 4, ' ');
  EXPECT_TRUE(ParseControlRequest(fits).request);
  EXPECT_TRUE(ParseControlRequest(fits + "\r\n").request);
  EXPECT_FALSE(ParseControlRequest(fits + " ").request);
  EXPECT_FALSE(ParseControlRequest(fits + " \n").request);
  EXPECT_FALSE(ParseControlRequest("list" + std::string(100000, ' ')).request);
}

TEST(ControlRequestTest, RepliesCarryStatusAndText) {
  const struct {
    ControlStatus status;
    std::string text;
  } cases[] = {{ControlStatus::Done, "1\t50\tactive\t*\tMonitor A\n"},
               {ControlStatus::DeviceFailed, "write failed"},
               {ControlStatus::NoSuchDisplay, ""},
               {ControlStatus::BadUsage, "a\nb\n"}};
  for (const auto& c : cases) {
    ControlStatus status = ControlStatus::BadUsage;
    std::string text = "old";
    ASSERT_TRUE(ParseControlReply(ControlReply(c.status, c.text), status, text));
    EXPECT_EQ(status, c.status);
    EXPECT_EQ(text, c.text);
  }
  ControlStatus status;
  std::string text;
  for (const std::string bad : {"", "0", "5\n", "x\nabc", "12\n", "0abc"})
    EXPECT_FALSE(ParseControlReply(bad, status, text)) << bad;
}

// The refusal is printed for the user: it names what is wrong with the line.
TEST(ControlRequestTest, RefusalSaysWhy) {
  const struct {
    std::string line;
    std::string error;
  } cases[] = {{std::string("get\0 1", 6), "request is not plain text"},
               {"list\t", "request is not plain text"},
               {"set \xC2\xB9", "request is not plain text"},
               {std::string(300, 'x'), "request too long"},
               {"brighter", "unknown command"},
               {"set 50 --json", "--json is for list and get"},
               {"get 2 --wait", "--wait is for set"}};
  for (const auto& c : cases)
    EXPECT_EQ(ParseControlRequest(c.line).error, c.error) << ::testing::PrintToString(c.line);
}

} // namespace
} // namespace lumivane
