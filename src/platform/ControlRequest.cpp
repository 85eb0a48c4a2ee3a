#include "platform/ControlRequest.h"

#include <vector>

namespace lumivane {

namespace {

ParsedRequest Refuse(std::string error) {
  ParsedRequest parsed;
  parsed.error = std::move(error);
  return parsed;
}

// digits only, at most maxDigits of them, at most max in value.
std::optional<int> Decimal(std::string_view text, size_t maxDigits, int max) {
  if (text.empty() || text.size() > maxDigits) return std::nullopt;
  int value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  if (value > max) return std::nullopt;
  return value;
}

std::optional<int> DisplayNumber(std::string_view text) {
  return Decimal(text, 6, kMaxDisplayNumber);
}

enum class Args { None, OptionalDisplay, Display, ValueAndDisplay };

// A new command is one row here (and one in the program's table of answers).
struct CommandShape {
  const char* name;
  ControlRequest::Verb verb;
  Args args;
  bool json; // takes --json
  bool wait; // takes --wait
};
constexpr CommandShape kCommands[] = {
    {"list", ControlRequest::Verb::List, Args::None, true, false},
    {"get", ControlRequest::Verb::Get, Args::OptionalDisplay, true, false},
    {"set", ControlRequest::Verb::Set, Args::ValueAndDisplay, false, true},
    {"glare", ControlRequest::Verb::Glare, Args::None, false, false},
    {"select", ControlRequest::Verb::Select, Args::Display, false, false},
    {"panel", ControlRequest::Verb::Panel, Args::None, false, false},
};

const char* VerbName(ControlRequest::Verb verb) {
  for (const CommandShape& c : kCommands)
    if (c.verb == verb) return c.name;
  return "";
}

} // namespace

ParsedRequest ParseControlRequest(std::string_view line) {
  if (!line.empty() && line.back() == '\n') line.remove_suffix(1);
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  if (line.size() > kMaxRequestBytes) return Refuse("request too long");
  for (char c : line) {
    const unsigned char b = static_cast<unsigned char>(c);
    if (b < 0x20 || b > 0x7E) return Refuse("request is not plain text");
  }

  std::vector<std::string_view> words;
  bool json = false, wait = false;
  for (size_t pos = 0; pos < line.size();) {
    if (line[pos] == ' ') {
      ++pos;
      continue;
    }
    size_t end = line.find(' ', pos);
    if (end == std::string_view::npos) end = line.size();
    const std::string_view word = line.substr(pos, end - pos);
    pos = end;
    if (word == "--json")
      json = true;
    else if (word == "--wait")
      wait = true;
    else if (word.size() > 1 && word[0] == '-' && word[1] == '-')
      return Refuse("unknown option");
    else
      words.push_back(word);
  }
  if (words.empty()) return Refuse("no command");

  const CommandShape* shape = nullptr;
  for (const CommandShape& c : kCommands)
    if (words[0] == c.name) shape = &c;
  if (!shape) return Refuse("unknown command");

  ControlRequest r;
  r.verb = shape->verb;
  const size_t args = words.size() - 1;
  switch (shape->args) {
  case Args::None:
    if (args != 0) return Refuse(std::string(shape->name) + " takes no arguments");
    break;
  case Args::OptionalDisplay:
    if (args > 1) return Refuse("too many arguments");
    break;
  case Args::Display:
    if (args != 1) return Refuse(std::string(shape->name) + " takes a display number");
    break;
  case Args::ValueAndDisplay: {
    if (args < 1 || args > 2)
      return Refuse(std::string(shape->name) + " takes a value and an optional display");
    std::string_view value = words[1];
    if (value[0] == '+' || value[0] == '-') {
      r.relative = true;
      const bool down = value[0] == '-';
      value.remove_prefix(1);
      const std::optional<int> k = Decimal(value, 3, 100);
      if (!k) return Refuse("bad value");
      r.value = down ? -*k : *k;
    } else {
      const std::optional<int> v = Decimal(value, 3, 100);
      if (!v) return Refuse("bad value");
      r.value = *v;
    }
    break;
  }
  }
  // The display number is the last argument of every command that takes one.
  const bool hasDisplay = (shape->args == Args::Display || shape->args == Args::OptionalDisplay)
                              ? args == 1
                              : shape->args == Args::ValueAndDisplay && args == 2;
  if (hasDisplay && !(r.display = DisplayNumber(words.back()))) return Refuse("bad display number");
  if (json && !shape->json) return Refuse("--json is for list and get");
  if (wait && !shape->wait) return Refuse("--wait is for set");
  r.json = json;
  r.wait = wait;
  ParsedRequest parsed;
  parsed.request = r;
  return parsed;
}

std::string ControlRequestLine(const ControlRequest& r) {
  std::string line = VerbName(r.verb);
  if (r.verb == ControlRequest::Verb::Set) {
    line += " ";
    if (r.relative) line += r.value < 0 ? "-" : "+";
    line += std::to_string(r.value < 0 ? -r.value : r.value);
  }
  if (r.display) line += " " + std::to_string(*r.display);
  if (r.json) line += " --json";
  if (r.wait) line += " --wait";
  return line + "\n";
}

std::string ControlReply(ControlStatus status, std::string_view text) {
  std::string reply = std::to_string(static_cast<int>(status));
  reply += '\n';
  reply += text;
  return reply;
}

bool ParseControlReply(std::string_view reply, ControlStatus& status, std::string& text) {
  if (reply.size() < 2 || reply[1] != '\n' || reply[0] < '0' || reply[0] > '4') return false;
  status = static_cast<ControlStatus>(reply[0] - '0');
  text.assign(reply.substr(2));
  return true;
}

} // namespace lumivane
