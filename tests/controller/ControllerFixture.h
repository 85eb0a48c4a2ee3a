#pragma once
#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <utility>

#include "controller/MainForm.h"
#include "platform/sim/SimPlatform.h"

namespace lumivane {

// One simulated process with its ports, and its controller.
struct SimProcess : SimPlatform {
  SimProcess(SimClock& clock, SimMachine& machine) : SimPlatform(clock, machine) {
    host.SetOnTimer([this] { controller.Timer1Timer(); });
    host.SetOnPass([this] { controller.RequestedPass(); });
    host.SetOnClose([this] { controller.FormClose(); });
  }
  TController controller{Ports()};
};

// Starts the process's controller and runs the start-up discovery job it leaves on the pool.
inline void StartProcess(SimProcess& p) {
  p.controller.Startup();
  while (p.pool.RunNext())
    p.mainThread.Pump();
}

inline constexpr const char16_t* kUid = u"0123456789abcdef0123456789abcdef01234567";

class ControllerTest : public ::testing::Test {
 protected:
  ControllerTest() { StartProcess(app); }

  TController& c() { return app.controller; }
  TAssoc& Cmd() { return c().Root->Items(u"cmd"); }
  TAssoc& Devices() { return c().Root->Items(u"devices"); }

  // A record as discovery leaves it: numbers and truth values as text.
  TAssoc& AddDevice(const std::u16string& uid, int min, int max,
                    std::initializer_list<std::pair<const char16_t*, Variant>> extra = {}) {
    TAssoc& r = Devices().Items(uid);
    r[u"number"] = Variant(std::u16string(u"1"));
    r[u"active"] = Variant(u"true");
    r[u"internal"] = Variant(u"false");
    r[u"min"] = Variant(Variant::Narrow(min).Text());
    r[u"max"] = Variant(Variant::Narrow(max).Text());
    r[u"min_orig"] = r[u"min"].Val();
    r[u"max_orig"] = r[u"max"].Val();
    for (const auto& [key, value] : extra)
      r[key] = value;
    return r;
  }
  // The active device, shown at the given brightness as BuildMenu would leave it.
  TAssoc& ActiveDevice(int shown, int min = 0, int max = 100) {
    TAssoc& r = AddDevice(kUid, min, max);
    c().ActiveDevice = kUid;
    c().ValueChange(shown, false);
    return r;
  }
  void AddLevels(TAssoc& record, int from, int to, int step) {
    record[u"internal"] = Variant(u"true");
    for (int l = from; l <= to; l += step)
      record[u"level"][Variant(Variant::Narrow(l).Text())] = Variant(u"");
  }

  // Input as the hook and the click handler write it: under the current millisecond.
  TAssoc& Command(const char16_t* letter, int value) {
    TAssoc& entry = Cmd()[Variant(c().NowUnixMs())];
    entry[letter] = Variant::Narrow(value);
    return entry;
  }
  void Wheel(int direction) {
    Command(u"s", direction);
    clock.AdvanceMs(7);
  }
  // One timer tick of the window, 100 ms after the last.
  bool Pass() {
    clock.AdvanceMs(100);
    return app.host.FireTimer();
  }
  // Runs the jobs the passes started, with their main-thread steps.
  void RunJobs() {
    while (app.pool.RunNext())
      app.mainThread.Pump();
  }
  std::vector<std::u16string> TrayTexts() const {
    std::vector<std::u16string> texts;
    for (const auto& image : app.tray.History())
      if (!image.applicationIcon) texts.push_back(image.text);
    return texts;
  }

  SimClock clock;
  SimMachine machine{&clock};
  SimProcess app{clock, machine};
};

} // namespace lumivane
