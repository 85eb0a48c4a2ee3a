// Both discovery passes run on scenarios kept under tests/data/devices/discovery/. Each file
// sets up the simulated platform and lists every record key and every log line expected.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <stdexcept>

#include "DeviceTestEnv.h"

namespace lumivane {
namespace {

namespace fs = std::filesystem;

// "\s" stands for a blank and "\0" for a NUL inside fixture words.
std::string Unescape(const std::string& s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\\' && i + 1 < s.size() && (s[i + 1] == 's' || s[i + 1] == '0')) {
      out.push_back(s[++i] == 's' ? ' ' : '\0');
    } else {
      out.push_back(s[i]);
    }
  }
  return out;
}

// An integer, or the word as text when it is not one (as a broken provider may answer).
WmiValue IntOrText(const std::string& word) {
  size_t used = 0;
  try {
    const int64_t v = std::stoll(word, &used);
    if (used == word.size()) return WmiValue::Int(v);
  } catch (const std::logic_error&) {
  }
  return WmiValue::Str(FromUtf8(word));
}

WmiValue Levels(const std::string& list) {
  WmiValue out;
  out.kind = WmiValue::Kind::Array;
  std::stringstream in(list);
  for (std::string item; std::getline(in, item, ',');)
    out.items.push_back(IntOrText(item));
  out.dims = {out.items.size()};
  return out;
}

WmiValue IntOrNull(const std::string& v) {
  return v == "null" ? WmiValue::Null() : WmiValue::Int(std::stoll(v));
}

struct Scenario {
  std::vector<std::string> expectedRecords, expectedLog;
};

// Reads the file into the simulated platform; returns the expectations.
Scenario Load(const fs::path& file, DeviceTestEnv& t) {
  Scenario sc;
  std::ifstream in(file);
  MonitorHandle desktop = 0;
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line[0] == '#') continue;
    std::stringstream words(line);
    std::string verb;
    words >> verb;
    std::string rest;
    std::getline(words >> std::ws, rest);
    std::map<std::string, std::string> opts;
    std::vector<std::string> args;
    std::string capsText;
    bool hasCaps = false;
    if (const size_t at = rest.find("caps="); at != std::string::npos) {
      capsText = Unescape(rest.substr(at + 5));
      hasCaps = true;
      rest = rest.substr(0, at);
    }
    std::stringstream restWords(rest);
    for (std::string w; restWords >> w;) {
      const size_t eq = w.find('=');
      if (eq == std::string::npos)
        args.push_back(w);
      else
        opts[w.substr(0, eq)] = Unescape(w.substr(eq + 1));
    }
    if (verb == "range") {
      t.env.rangeMin = std::stoi(args.at(0));
      t.env.rangeMax = std::stoi(args.at(1));
    } else if (verb == "detect") {
      t.detectModel = args.at(0) == "on";
    } else if (verb == "winmgmt") {
      if (args.at(0) == "stopped") t.services.SetState(u"winmgmt", SimServiceManager::kStopped);
    } else if (verb == "wmi") {
      SimWmiMonitor m = SimWmiMonitor::Identity(
          FromUtf8(args.at(0)), opts["manufacturer"], opts["product"], opts["friendly"],
          IntOrNull(opts.count("friendlyLength") ? opts["friendlyLength"] : "null"));
      m.hasId = std::find(args.begin(), args.end(), "noid") == args.end();
      if (opts.count("brightness")) {
        m.hasBrightness = true;
        const WmiValue current = IntOrText(opts["brightness"]);
        if (current.kind == WmiValue::Kind::Integer)
          m.currentBrightness = current.integer;
        else
          m.brightnessAnswer = current;
        if (opts.count("levels") && opts["levels"] != "null") m.level = Levels(opts["levels"]);
      }
      if (opts.count("methods")) m.methods = std::stoi(opts["methods"]);
      t.wmi.Add(m);
    } else if (verb == "count") {
      t.monitors.AnswerCount(desktop, std::stoul(args.at(0), nullptr, 0));
    } else if (verb == "desktop") {
      std::optional<DisplayMode> mode;
      if (opts.count("mode") && opts["mode"] != "none") {
        DisplayMode d;
        std::sscanf(opts["mode"].c_str(), "%ux%u@%u", &d.width, &d.height, &d.frequency);
        mode = d;
      }
      desktop = t.displays.AddMonitor(FromUtf8(args.at(0)), mode);
    } else if (verb == "device") {
      const uint32_t flags =
          opts.count("flags") ? std::stoul(opts["flags"], nullptr, 0) : SimDisplayConfig::kActive;
      t.displays.AddDisplayDevice(
          desktop, {flags, SimDisplayConfig::InterfaceName(FromUtf8(args.at(0)), FromUtf8(args.at(1)))});
    } else if (verb == "physical") {
      SimPhysicalMonitor p;
      p.minimum = std::stoul(opts.count("min") ? opts["min"] : "0");
      p.current = std::stoul(opts.count("cur") ? opts["cur"] : "50");
      p.maximum = std::stoul(opts.count("max") ? opts["max"] : "100");
      if (opts.count("capslength")) p.capsLengthAnswer = std::stoul(opts["capslength"], nullptr, 0);
      for (const auto& flag : args) {
        p.failFirstRead |= flag == "failfirst";
        p.failEveryRead |= flag == "failread";
        p.failCapsLength |= flag == "failcapslength";
        p.failCapsReply |= flag == "failcapsreply";
      }
      if (hasCaps) p.capabilities = capsText;
      t.monitors.AddPhysical(desktop, p);
    } else if (verb == "expect") {
      sc.expectedRecords.push_back(rest);
    } else if (verb == "log") {
      sc.expectedLog.push_back(rest);
    } else {
      ADD_FAILURE() << file << ": unknown line " << line;
    }
  }
  std::sort(sc.expectedRecords.begin(), sc.expectedRecords.end());
  return sc;
}

// "#<number> key=value" for every key of every record; the "level" set as level/<value>.
std::vector<std::string> Flatten(const TAssoc& devices) {
  std::vector<std::string> out;
  for (const Variant& uid : devices.Keys()) {
    const TAssoc& record = *FindChild(devices, uid);
    const std::string tag = "#" + ToUtf8(RecordText(record, u"number")) + " ";
    EXPECT_EQ(uid.Text(), DeviceUid(RecordText(record, u"pnp"))) << tag << "is not keyed by its pnp name";
    for (const Variant& key : record.Keys()) {
      const TAssoc& child = *FindChild(record, key);
      if (child.Count() > 0) {
        for (const Variant& sub : child.Keys())
          out.push_back(tag + ToUtf8(key.Text()) + "/" + ToUtf8(sub.Text()) + "=" +
                        ToUtf8(FindChild(child, sub)->Val().Text()));
      } else {
        out.push_back(tag + ToUtf8(key.Text()) + "=" + ToUtf8(child.Val().Text()));
      }
    }
  }
  std::sort(out.begin(), out.end());
  return out;
}

std::vector<fs::path> Scenarios() {
  std::vector<fs::path> files;
  for (const auto& e : fs::directory_iterator(fs::path(LUMIVANE_TEST_DATA) / "devices" / "discovery"))
    if (e.path().extension() == ".txt") files.push_back(e.path());
  std::sort(files.begin(), files.end());
  return files;
}

class DiscoveryScenario : public testing::TestWithParam<fs::path> {};

TEST_P(DiscoveryScenario, RecordsAndLogMatchTheFixture) {
  DeviceTestEnv t;
  const Scenario sc = Load(GetParam(), t);
  t.Discover();
  EXPECT_EQ(Flatten(t.devices), sc.expectedRecords);
  EXPECT_EQ(t.log.Lines(), sc.expectedLog);
  // Every handle handed out is held by a record or released, and no list or buffer beyond the
  // adapter's limits was allocated, whatever the platform answered.
  std::set<PhysicalMonitorHandle> held;
  for (const Variant& uid : t.devices.Keys())
    if (const uint64_t monid = RecordUInt(*FindChild(t.devices, uid), u"monid")) held.insert(monid);
  const auto open = t.monitors.OpenHandles();
  EXPECT_EQ(std::set<PhysicalMonitorHandle>(open.begin(), open.end()), held);
  EXPECT_LE(t.monitors.LargestListAsked(), kMaxPhysicalMonitors);
  EXPECT_LE(t.monitors.LargestCapsBufferAsked(), kMaxCapabilitiesLength);
}

INSTANTIATE_TEST_SUITE_P(Fixtures, DiscoveryScenario, testing::ValuesIn(Scenarios()),
                         [](const testing::TestParamInfo<fs::path>& info) {
                           return info.param.stem().string();
                         });

} // namespace
} // namespace lumivane
