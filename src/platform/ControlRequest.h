#pragma once
// One request line of the command-line client, as both programs read it. The line is ASCII:
// the words, decimal numbers and the flags; anything else is no request.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace lumivane {

// Requests are one line of at most this many bytes, not counting the line break.
constexpr size_t kMaxRequestBytes = 256;
// The largest display number a request can name.
constexpr int kMaxDisplayNumber = 999999;

struct ControlRequest {
  enum class Verb { List, Get, Set, Glare, Select, Panel };
  Verb verb = Verb::List;
  std::optional<int> display; // the menu's number; none: the display the wheel turns
  int value = 0;              // Set: 0..100, or -100..100 when relative
  bool relative = false;      // Set: "+K" or "-K"
  bool json = false;          // List, Get
  bool wait = false;          // Set

  bool operator==(const ControlRequest&) const = default;
};

struct ParsedRequest {
  std::optional<ControlRequest> request;
  std::string error; // why there is no request; empty with one
};

// Reads one line. A final "\n" (or "\r\n") is allowed and not counted; any other control
// byte, a byte outside ASCII, or a line longer than kMaxRequestBytes is refused.
ParsedRequest ParseControlRequest(std::string_view line);
// The request as one line with its "\n", in the form ParseControlRequest reads back.
std::string ControlRequestLine(const ControlRequest& request);

// Replies: the exit code the client ends with, then the text it prints.
enum class ControlStatus { Done = 0, DeviceFailed = 1, BadUsage = 2, NotRunning = 3, NoSuchDisplay = 4 };
// "<code>\n<text>": text goes to standard output when the code is Done, else to standard error.
std::string ControlReply(ControlStatus status, std::string_view text);
// Reads a reply back; false when it is none.
bool ParseControlReply(std::string_view reply, ControlStatus& status, std::string& text);

} // namespace lumivane
