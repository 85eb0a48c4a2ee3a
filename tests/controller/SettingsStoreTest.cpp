#include <functional>
#include <iterator>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "controller/ControllerFixture.h"
#include "lang/Lang.h"

namespace lumivane {
namespace {

using Type = SimRegistry::Type;
constexpr const char16_t* kOwnPath = u"C:\\Program Files\\Lumivane\\lumivane.exe";
constexpr const char16_t* kOther = u"1111111111111111111111111111111111111111";

// Processes started one after another on one machine, whose registry outlives them.
class SettingsStoreTest : public ::testing::Test {
 protected:
  TController& Start(const std::function<void(SimRegistry&)>& seed = {}) {
    app.reset();
    if (seed) {
      Reg().Clear();
      seed(Reg());
    }
    app = std::make_unique<SimProcess>(clock, machine);
    app->process.SetExecutablePath(kOwnPath);
    StartProcess(*app);
    return app->controller;
  }
  TController& c() { return app->controller; }
  SimRegistry& Reg() { return machine.registry; }
  std::optional<SimRegistry::Value> Stored(const std::u16string& name) {
    return Reg().Get(kSettingsKey, name);
  }
  std::optional<std::u16string> StoredText(const std::u16string& name) {
    auto v = Stored(name);
    if (!v || v->type != Type::String) return std::nullopt;
    return v->text;
  }
  std::optional<int32_t> StoredNumber(const std::u16string& name) {
    auto v = Stored(name);
    if (!v || v->type != Type::Dword) return std::nullopt;
    return v->number;
  }
  std::u16string ErrorLine(const std::u16string& message) {
    return u"[" + c().Log().TimeText() + u"] ERROR! " + message;
  }
  std::vector<std::u16string> LinesSince(size_t first) { return app->host.LogLinesFrom(first); }

  SimClock clock;
  SimMachine machine{&clock};
  std::unique_ptr<SimProcess> app;
};

TEST_F(SettingsStoreTest, CheckBoxesLoadByTheirOwnRules) {
  struct Case {
    const char* what;
    const char16_t* name;
    std::optional<std::u16string> text; // nothing: stored as a number
    CheckBox TSettingsForm::*box;
    bool checked;
  };
  const Case cases[] = {
      {"trackbox empty turns tracking on", u"trackbox", u"", &TSettingsForm::TrackBox, true},
      {"syncbox whatever the text", u"syncbox", u"0", &TSettingsForm::SyncBox, true},
      {"HideBox empty leaves hiding off", u"HideBox", u"", &TSettingsForm::HideBox, false},
      {"hidebox 1", u"hidebox", u"1", &TSettingsForm::HideBox, true},
      {"DetectModelBox any text", u"DetectModelBox", u"x", &TSettingsForm::DetectModelBox, true},
      {"detectresbox empty", u"detectresbox", u"", &TSettingsForm::DetectResBox, false},
      {"syncbox of another type is absent", u"syncbox", std::nullopt, &TSettingsForm::SyncBox, false},
      {"trackbox of another type is absent", u"trackbox", std::nullopt, &TSettingsForm::TrackBox, false},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    Start([&](SimRegistry& r) {
      if (k.text)
        r.SetString(kSettingsKey, k.name, *k.text);
      else
        r.SetDword(kSettingsKey, k.name, 1);
    });
    EXPECT_EQ((c().Form.*k.box).Checked(), k.checked);
    // A box that loading checks writes "1" back; an unchecked one touches nothing.
    if (k.checked) {
      EXPECT_EQ(StoredText(k.name), u"1");
    } else if (k.text) {
      EXPECT_EQ(StoredText(k.name), *k.text);
    } else {
      ASSERT_TRUE(Stored(k.name).has_value());
      EXPECT_EQ(Stored(k.name)->type, Type::Dword);
      EXPECT_EQ(StoredNumber(k.name), 1);
    }
  }
}

TEST_F(SettingsStoreTest, AutoRunBoxIsCheckedOnlyForItsOwnQuotedPath) {
  const std::u16string own = u"\"" + std::u16string(kOwnPath) + u"\"";
  const std::u16string moved = u"\"D:\\Old\\lumivane.exe\"";
  struct Case {
    std::u16string stored;
    bool checked;
  };
  const Case cases[] = {
      {own, true},
      {moved, false},
      {kOwnPath, false},                                         // unquoted
      {u"\"c:\\program files\\lumivane\\lumivane.exe\"", false}, // character for character
      {own + u" ", false},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(std::string(k.stored.begin(), k.stored.end()));
    Start([&](SimRegistry& r) { r.SetString(kRunKey, u"Lumivane", k.stored); });
    EXPECT_EQ(c().Form.AutoRunBox.Checked(), k.checked);
    EXPECT_EQ(Reg().Get(kRunKey, u"Lumivane")->text, k.stored); // left as it was
  }

  // Checking overwrites the other path; unchecking deletes the value.
  Start([&](SimRegistry& r) { r.SetString(kRunKey, u"Lumivane", moved); });
  app->settingsView.UserClick(SettingsControl::AutoRunBox);
  EXPECT_EQ(Reg().Get(kRunKey, u"Lumivane")->text, own);
  app->settingsView.UserClick(SettingsControl::AutoRunBox);
  EXPECT_FALSE(Reg().Get(kRunKey, u"Lumivane").has_value());
}

TEST_F(SettingsStoreTest, NumbersLoadWithTheirFallbacks) {
  // "step" 7 is used although no item shows it.
  Start([](SimRegistry& r) { r.SetDword(kSettingsKey, u"step", 7); });
  EXPECT_EQ(c().StepPercent, 7);
  EXPECT_EQ(c().Form.stepval.Text(), u"5%");
  Start([](SimRegistry& r) { r.SetDword(kSettingsKey, u"step", 10); });
  EXPECT_EQ(c().StepPercent, 10);
  EXPECT_EQ(c().Form.stepval.Text(), u"10%");

  // A step that would make the wheel dead or reversed counts as absent, with one line; a large
  // step is used as stored, whatever the combo shows.
  struct StepCase {
    int32_t stored;
    int used;
    const char16_t* shown;
    int lines;
  };
  for (const StepCase& k : {StepCase{0, 5, u"5%", 1}, StepCase{-5, 5, u"5%", 1}, StepCase{100, 100, u"5%", 0},
                            StepCase{101, 101, u"5%", 0}, StepCase{250, 250, u"5%", 0},
                            StepCase{INT32_MAX, INT32_MAX, u"5%", 0}, StepCase{50, 50, u"50%", 0}}) {
    SCOPED_TRACE(k.stored);
    Start([&](SimRegistry& r) { r.SetDword(kSettingsKey, u"step", k.stored); });
    EXPECT_EQ(c().StepPercent, k.used);
    EXPECT_EQ(c().Form.stepval.Text(), k.shown);
    EXPECT_EQ(app->settingsView.Of(SettingsControl::stepval).selected, c().Form.stepval.ItemIndex());
    int stepLines = 0;
    for (const auto& line : app->host.LogLines())
      stepLines += line == ErrorLine(u"The stored step " + Variant::Narrow(k.stored).Text() +
                                     u" is below 1 and is ignored.");
    EXPECT_EQ(stepLines, k.lines);
    EXPECT_EQ(StoredNumber(u"step"), k.stored); // kept: the user's next choice replaces it
  }
  Start([](SimRegistry& r) { r.SetString(kSettingsKey, u"step", u"10"); });
  EXPECT_EQ(c().StepPercent, 5);

  // Limits: the number is used, the combo follows only when it has that item, and an
  // unreadable or missing limit is deleted.
  Start([](SimRegistry& r) {
    r.SetDword(kSettingsKey, u"vmin", 30);
    r.SetDword(kSettingsKey, u"vmax", 83);
  });
  EXPECT_EQ(c().RangeMin, 30);
  EXPECT_EQ(c().Form.stepMin.Text(), u"30%");
  EXPECT_EQ(c().RangeMax, 83);
  EXPECT_EQ(c().Form.stepMax.Text(), u"100%");
  EXPECT_EQ(StoredNumber(u"vmin"), 30);

  Start([](SimRegistry& r) {
    r.SetString(kSettingsKey, u"vmin", u"30");
    r.SetBinary(kSettingsKey, u"vmax");
  });
  EXPECT_EQ(c().RangeMin, 0);
  EXPECT_EQ(c().RangeMax, 100);
  EXPECT_FALSE(Stored(u"vmin").has_value());
  EXPECT_FALSE(Stored(u"vmax").has_value());

  // Crossed or out-of-range limits are kept and break nothing.
  Start([](SimRegistry& r) {
    r.SetDword(kSettingsKey, u"vmin", 90);
    r.SetDword(kSettingsKey, u"vmax", -20);
  });
  EXPECT_EQ(c().RangeMin, 90);
  EXPECT_EQ(c().RangeMax, -20);

  Start([](SimRegistry& r) { r.SetDword(kSettingsKey, u"pred", 35); });
  EXPECT_EQ(c().PredBrightness, 35);
  Start([](SimRegistry& r) { r.SetString(kSettingsKey, u"pred", u"35"); });
  EXPECT_EQ(c().PredBrightness, 0);
}

TEST_F(SettingsStoreTest, TextsLoadIntoTheirControls) {
  Start([](SimRegistry& r) {
    r.SetString(kSettingsKey, u"font", u"Arial");
    r.SetString(kSettingsKey, u"lang", u"English");
    r.SetString(kSettingsKey, u"color", u"00FF00");
    r.SetString(kSettingsKey, u"config", u"game.exe=100\r\nplayer.exe=35");
  });
  EXPECT_EQ(c().Form.fontval.Text(), u"Arial");
  EXPECT_EQ(c().Form.Lang.Text(), u"English");
  EXPECT_EQ(c().Form.color.Text(), u"00FF00");
  EXPECT_EQ(c().Form.Config.Text(), u"game.exe=100\r\nplayer.exe=35");
  EXPECT_EQ(c().Root->Items(u"programs").Count(), 2);
  EXPECT_EQ(app->settingsView.Of(SettingsControl::fontval).selected, 0); // the window shows it
  EXPECT_EQ(app->settingsView.Of(SettingsControl::Config).text, c().Form.Config.Text());

  // Names no item has leave the selection; an absent colour is the default, written back.
  Start([](SimRegistry& r) {
    r.SetString(kSettingsKey, u"font", u"Comic Sans MS");
    r.SetString(kSettingsKey, u"lang", u"Klingon");
  });
  EXPECT_EQ(c().Form.fontval.Text(), u"Tahoma");
  EXPECT_EQ(c().Form.Lang.Text(), u"System (auto)");
  EXPECT_EQ(c().Form.color.Text(), u"FF8000");
  EXPECT_EQ(StoredText(u"color"), u"FF8000");
  EXPECT_FALSE(Stored(u"config").has_value());
  EXPECT_EQ(c().Root->Items(u"programs").Count(), 0);
}

TEST_F(SettingsStoreTest, LoadingRaisesExactlyTheFlagsOfTheStoredOptions) {
  struct Case {
    const char* what;
    std::vector<std::pair<const char16_t*, const char16_t*>> stored;
    bool rescan, menu, programs;
  };
  const Case cases[] = {
      {"nothing stored", {}, false, false, false},
      {"model detection", {{u"detectmodelbox", u"1"}}, true, false, false},
      {"resolution detection", {{u"detectresbox", u"1"}}, false, true, false},
      {"hiding", {{u"hidebox", u"1"}}, false, true, false},
      {"the list", {{u"config", u"game.exe=100"}}, false, false, true},
      {"other values raise nothing",
       {{u"syncbox", u"1"},
        {u"trackbox", u"1"},
        {u"color", u"123456"},
        {u"font", u"Arial"},
        {u"lang", u"English"}},
       false,
       false,
       false},
      {"all",
       {{u"detectmodelbox", u"1"}, {u"detectresbox", u"1"}, {u"hidebox", u"1"}, {u"config", u"a=1"}},
       true,
       true,
       true},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    Start([&](SimRegistry& r) {
      r.SetDword(kSettingsKey, u"vmin", 10); // a combo set by loading runs no handler
      for (const auto& [name, text] : k.stored)
        r.SetString(kSettingsKey, name, text);
    });
    EXPECT_EQ(c().RescanRequested, k.rescan);
    EXPECT_EQ(c().MenuRebuildRequested, k.menu);
    EXPECT_EQ(c().ProgramsChanged, k.programs);
    EXPECT_FALSE(c().RangeChanged);
    for (const auto& [name, text] : k.stored)
      EXPECT_EQ(StoredText(name), text); // written back unchanged
  }
}

TEST_F(SettingsStoreTest, StoredActiveDeviceIsRestoredOnlyWhenPresentAndActive) {
  struct Case {
    const char* what;
    std::optional<std::u16string> actmon;
    std::u16string pending;
  };
  const Case cases[] = {
      {"active device", std::u16string(kUid), kUid},
      {"inactive device", std::u16string(kOther), u""},
      {"absent device", std::u16string(u"2222222222222222222222222222222222222222"), u""},
      {"empty text", std::u16string(), u""},
      {"nothing stored", std::nullopt, u""},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    Start([](SimRegistry&) {});
    TAssoc& devices = c().Root->Items(u"devices");
    for (auto [uid, number, active] : {std::tuple{kOther, u"1", u"false"}, std::tuple{kUid, u"2", u"true"}}) {
      devices[uid][u"number"] = Variant(number);
      devices[uid][u"active"] = Variant(active);
      devices[uid][u"brightness"] = Variant(u"50");
    }
    Reg().Clear();
    if (k.actmon) Reg().SetString(kSettingsKey, u"actmon", *k.actmon);
    c().LoadSettings();
    EXPECT_EQ(c().PendingDevice, k.pending);
    // The first menu takes the first active device and stores it.
    c().BuildMenu();
    EXPECT_EQ(c().ActiveDevice, kUid);
    EXPECT_EQ(StoredText(u"actmon"), kUid);
  }
}

TEST_F(SettingsStoreTest, EmptiedControlsDeleteTheirValuesAndTheDefaultsReturn) {
  Start();
  SimSettingsView& view = app->settingsView;
  view.UserClick(SettingsControl::SyncBox);
  view.UserType(SettingsControl::Config, u"game.exe=100");
  view.UserType(SettingsControl::color, u"00FF00");
  EXPECT_EQ(StoredText(u"syncbox"), u"1");
  EXPECT_EQ(StoredText(u"config"), u"game.exe=100");
  EXPECT_EQ(StoredText(u"color"), u"00FF00");

  view.UserClick(SettingsControl::SyncBox);
  view.UserType(SettingsControl::Config, u"");
  view.UserType(SettingsControl::color, u"  ");
  EXPECT_FALSE(Stored(u"syncbox").has_value());
  EXPECT_FALSE(Stored(u"config").has_value());
  EXPECT_FALSE(Stored(u"color").has_value());

  Start();
  EXPECT_FALSE(c().Form.SyncBox.Checked());
  EXPECT_EQ(c().Form.Config.Text(), u"");
  EXPECT_EQ(c().Form.color.Text(), u"FF8000");
}

TEST_F(SettingsStoreTest, SettingsSurviveARestart) {
  Start();
  SimSettingsView& view = app->settingsView;
  for (SettingsControl box :
       {SettingsControl::AutoRunBox, SettingsControl::SyncBox, SettingsControl::TrackBox,
        SettingsControl::DetectModelBox, SettingsControl::DetectResBox, SettingsControl::HideBox})
    view.UserClick(box);
  view.UserSelect(SettingsControl::fontval, 0);  // Arial
  view.UserSelect(SettingsControl::stepval, 2);  // 10%
  view.UserSelect(SettingsControl::stepMin, 4);  // 20%
  view.UserSelect(SettingsControl::stepMax, 18); // 90%
  view.UserSelect(SettingsControl::Lang, 3);     // English
  view.UserType(SettingsControl::color, u"00FF00");
  view.UserType(SettingsControl::Config, u"game.exe=100\r\nplayer.exe=35");
  c().ActiveDevice = kUid;
  c().SaveActMon();
  c().PredBrightness = 65;
  c().SavePred();

  TController& second = Start();
  const TSettingsForm& f = second.Form;
  for (const CheckBox* box :
       {&f.AutoRunBox, &f.SyncBox, &f.TrackBox, &f.DetectModelBox, &f.DetectResBox, &f.HideBox})
    EXPECT_TRUE(box->Checked()) << std::string(box->Name().begin(), box->Name().end());
  EXPECT_EQ(f.fontval.Text(), u"Arial");
  EXPECT_EQ(f.stepval.Text(), u"10%");
  EXPECT_EQ(f.stepMin.Text(), u"20%");
  EXPECT_EQ(f.stepMax.Text(), u"90%");
  EXPECT_EQ(f.Lang.Text(), u"English");
  EXPECT_EQ(f.color.Text(), u"00FF00");
  EXPECT_EQ(f.Config.Text(), u"game.exe=100\r\nplayer.exe=35");
  EXPECT_EQ(second.StepPercent, 10);
  EXPECT_EQ(second.RangeMin, 20);
  EXPECT_EQ(second.RangeMax, 90);
  EXPECT_EQ(second.PredBrightness, 65);
  EXPECT_EQ(second.Root->Items(u"programs").Count(), 2);
  EXPECT_EQ(StoredText(u"actmon"), kUid);
  // The window shows what was loaded.
  EXPECT_TRUE(app->settingsView.Of(SettingsControl::HideBox).checked);
  EXPECT_EQ(app->settingsView.Of(SettingsControl::stepMin).selected, 4);
}

TEST_F(SettingsStoreTest, FailuresAreLoggedWithTheirLinesAndTheChoiceStays) {
  Start();
  struct Case {
    const char* what;
    bool failOpen, failWrites;
    std::function<void()> act;
    std::u16string message;
  };
  const std::u16string openFailed = u"Failed to open the registry at path \"\\SOFTWARE\\Lumivane\".";
  const Case cases[] = {
      {"check box, key does not open", true, false,
       [&] { app->settingsView.UserClick(SettingsControl::SyncBox); }, openFailed},
      {"check box, write fails", false, true, [&] { app->settingsView.UserClick(SettingsControl::SyncBox); },
       u"Access is denied."},
      {"combo box, key does not open", true, false,
       [&] { app->settingsView.UserSelect(SettingsControl::stepval, 3); }, openFailed},
      {"actmon, key does not open", true, false, [&] { c().SaveActMon(); },
       u"Writing the step value to the registry failed."},
      {"pred, key does not open", true, false, [&] { c().SavePred(); },
       u"Writing the step value to the registry failed."},
      {"pred, write fails", false, true, [&] { c().SavePred(); }, u"Access is denied."},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    Reg().FailOpen(kSettingsKey, k.failOpen);
    Reg().FailWrites(k.failWrites);
    const bool synced = c().Form.SyncBox.Checked();
    const size_t first = app->host.LogLines().size();
    k.act();
    EXPECT_EQ(LinesSince(first), std::vector<std::u16string>{ErrorLine(k.message)});
    Reg().FailOpen(kSettingsKey, false);
    Reg().FailWrites(false);
    if (std::string(k.what).rfind("check box", 0) == 0) EXPECT_NE(c().Form.SyncBox.Checked(), synced);
  }
  EXPECT_EQ(c().StepPercent, 15); // the combo's choice took effect although it was not stored
  EXPECT_FALSE(Stored(u"step").has_value());

  // A key that does not open for reading is an absent value.
  Reg().SetString(kSettingsKey, u"syncbox", u"1");
  Reg().FailOpen(kSettingsKey);
  TController& next = Start();
  EXPECT_FALSE(next.Form.SyncBox.Checked());
}

TEST_F(SettingsStoreTest, LoadersReadNothingOutsideTheRunningState) {
  for (const char* state : {"exit requested", "no state root"}) {
    SCOPED_TRACE(state);
    Start([](SimRegistry&) {});
    Reg().SetString(kSettingsKey, u"syncbox", u"1");
    Reg().SetString(kSettingsKey, u"hidebox", u"1");
    Reg().SetDword(kSettingsKey, u"step", 10);
    if (std::string(state) == "no state root")
      c().Root.reset();
    else
      c().RunState = 0;
    const size_t accesses = Reg().Accesses().size();
    c().LoadEarlySettings();
    c().LoadSettings();
    EXPECT_EQ(Reg().Accesses().size(), accesses);
    EXPECT_FALSE(c().Form.SyncBox.Checked() || c().Form.HideBox.Checked());
    EXPECT_EQ(c().StepPercent, 5);
  }
}

TEST_F(SettingsStoreTest, EachWriterOpensTheKeyWithItsAccess) {
  Start();
  Reg().Clear();
  app->settingsView.UserClick(SettingsControl::SyncBox);
  c().SaveActMon();
  c().SavePred();
  c().LoadEarlySettings();
  const auto accesses = Reg().Accesses();
  ASSERT_GE(accesses.size(), 4u);
  EXPECT_EQ(accesses[0].access, RegAccess::ReadWrite);
  EXPECT_EQ(accesses[1].access, RegAccess::Write);
  EXPECT_EQ(accesses[2].access, RegAccess::Write);
  EXPECT_EQ(accesses[3].access, RegAccess::Read);
  EXPECT_FALSE(accesses[3].write);
  // An empty active device is written as an empty text, not deleted.
  c().ActiveDevice.clear();
  c().SaveActMon();
  EXPECT_EQ(StoredText(u"actmon"), u"");
}

TEST_F(SettingsStoreTest, IntegerWritesConvertTheTextOrStoreZero) {
  Start();
  RegistryStore& store = c().Store();
  const std::pair<const char16_t*, int32_t> cases[] = {
      {u"42", 42},
      {u"-5", -5},
      {u"+7", 7},
      {u"abc", 0},
      {u"5%", 0},
      {u"99999999999", 0},
      {u"-2147483648", INT32_MIN},
  };
  for (const auto& [text, number] : cases) {
    store.RegWriteValue(kSettingsKey, u"n", text, RegKind::Integer);
    EXPECT_EQ(StoredNumber(u"n"), number);
  }
  store.RegWriteValue(kSettingsKey, u"n", u"", RegKind::Integer);
  EXPECT_FALSE(Stored(u"n").has_value());
  store.RegDeleteValue(kSettingsKey, u"n"); // deleting what is not there is no failure
  EXPECT_EQ(store.RegReadInteger(kSettingsKey, u"n"), std::nullopt);
  Reg().SetString(kSettingsKey, u"n", u"12");
  EXPECT_EQ(store.RegReadInteger(kSettingsKey, u"n"), std::nullopt);
  EXPECT_EQ(store.RegReadString(kSettingsKey, u"N"), u"12");
}

// Settings a start must not lose: a value that cannot be read this time, a value no setting
// could be, and the settings of a copy that already runs.
class SettingsKeptTest : public SettingsStoreTest {
 protected:
  // Every value under the settings key and the Run value, as text that tells type and content.
  std::map<std::u16string, std::u16string> Everything() {
    std::map<std::u16string, std::u16string> all;
    for (const char16_t* name :
         {u"syncbox", u"trackbox", u"detectmodelbox", u"detectresbox", u"hidebox", u"actmon", u"color",
          u"pred", u"config", u"step", u"lang", u"font", u"vmin", u"vmax"})
      all[name] = Describe(Stored(name));
    all[u"run"] = Describe(Reg().Get(kRunKey, kRunValueName));
    return all;
  }
  static std::u16string Describe(const std::optional<SimRegistry::Value>& v) {
    if (!v) return u"absent";
    switch (v->type) {
    case Type::String:
    case Type::ExpandString:
      return u"text:" + v->text;
    case Type::Dword:
      return u"number:" + Variant::Narrow(v->number).Text();
    case Type::Binary:
      return u"bytes:" + Variant(static_cast<uint64_t>(v->bytes)).Text();
    }
    return u"?";
  }
  size_t Writes() {
    size_t n = 0;
    for (const auto& a : Reg().Accesses())
      n += a.write;
    return n;
  }
  size_t LinesWith(const std::u16string& text) {
    size_t n = 0;
    for (const auto& line : app->host.LogLines())
      n += line.find(text) != std::u16string::npos;
    return n;
  }
};

// Values a start would otherwise replace: deleted (a limit), or written back in another form.
void SeedRewritten(SimRegistry& r) {
  r.SetDword(kSettingsKey, u"vmin", 30);
  r.SetDword(kSettingsKey, u"vmax", 80);
  r.SetString(kSettingsKey, u"color", u" 00ff00 ");
  r.SetString(kSettingsKey, u"detectmodelbox", u"x");
  r.SetString(kSettingsKey, u"syncbox", u"yes");
  r.SetString(kSettingsKey, u"config", u"game.exe=100");
  r.SetDword(kSettingsKey, u"step", 10);
}

TEST_F(SettingsKeptTest, AValueThatCannotBeReadThisTimeIsLeftForTheNextStart) {
  const char16_t* names[] = {u"vmin", u"vmax", u"color", u"detectmodelbox", u"syncbox", u"config", u"step"};
  Reg().Clear();
  SeedRewritten(Reg());
  for (const char16_t* name : names)
    Reg().FailReads(name);
  const auto before = Everything();
  TController& failing = Start();
  for (const char16_t* name : names)
    Reg().FailReads(name, false);
  EXPECT_EQ(Everything(), before);
  // The defaults hold for this run.
  EXPECT_EQ(failing.RangeMin, 0);
  EXPECT_EQ(failing.RangeMax, 100);
  EXPECT_EQ(failing.StepPercent, 5);
  EXPECT_EQ(failing.Form.color.Text(), u"FF8000");
  EXPECT_FALSE(failing.Form.SyncBox.Checked());
  EXPECT_EQ(failing.Form.Config.Text(), u"");
  EXPECT_EQ(LinesWith(u"ERROR! The registry value \"vmin\" could not be read and is left as it is: "
                      u"Insufficient system resources exist to complete the requested service."),
            1u);
  EXPECT_EQ(LinesWith(u"could not be read and is left as it is"), std::size(names));

  // The next start reads them all.
  TController& next = Start();
  EXPECT_EQ(next.RangeMin, 30);
  EXPECT_EQ(next.RangeMax, 80);
  EXPECT_EQ(next.StepPercent, 10);
  EXPECT_EQ(next.Form.color.Text(), u" 00ff00 ");
  EXPECT_TRUE(next.Form.SyncBox.Checked());
  EXPECT_EQ(next.Form.Config.Text(), u"game.exe=100");
  EXPECT_EQ(StoredText(u"color"), u"00ff00"); // written back as a start writes it

  // The loader deletes a limit only when it is absent, also when its writes are not held.
  Reg().FailReads(u"vmin");
  next.LoadEarlySettings();
  Reg().FailReads(u"vmin", false);
  EXPECT_EQ(StoredNumber(u"vmin"), 30);
}

TEST_F(SettingsKeptTest, ValuesLargerThanAnySettingAreIgnoredAndLeftAsTheyAre) {
  const std::u16string huge(RegStatus::kMaxValueBytes / 2, u'7'); // with its terminator just over
  TController& c = Start([&](SimRegistry& r) {
    r.SetString(kSettingsKey, u"color", u" " + huge + u" ");
    r.SetString(kSettingsKey, u"config", u"game.exe=" + huge);
    r.SetString(kSettingsKey, u"syncbox", huge);
    r.SetString(kSettingsKey, u"vmin", huge); // another type as well: still not deleted
    r.SetBinary(kSettingsKey, u"vmax", 2 * RegStatus::kMaxValueBytes);
    r.SetString(kSettingsKey, u"lang", huge);
    r.SetString(kRunKey, kRunValueName, huge);
  });
  const auto stored = Everything();
  EXPECT_EQ(stored.at(u"color"), u"text: " + huge + u" ");
  EXPECT_EQ(stored.at(u"config"), u"text:game.exe=" + huge);
  EXPECT_EQ(stored.at(u"syncbox"), u"text:" + huge);
  EXPECT_EQ(stored.at(u"vmin"), u"text:" + huge);
  EXPECT_EQ(stored.at(u"vmax"), u"bytes:" + Variant(uint64_t{2 * RegStatus::kMaxValueBytes}).Text());
  EXPECT_EQ(stored.at(u"run"), u"text:" + huge);
  EXPECT_EQ(c.Form.color.Text(), u"FF8000");
  EXPECT_EQ(c.Form.Config.Text(), u"");
  EXPECT_FALSE(c.Form.SyncBox.Checked());
  EXPECT_FALSE(c.Form.AutoRunBox.Checked());
  EXPECT_EQ(c.Form.Lang.Text(), u"System (auto)");
  EXPECT_EQ(c.RangeMin, 0);
  EXPECT_EQ(c.RangeMax, 100);
  EXPECT_EQ(
      LinesWith(u"ERROR! The registry value \"color\" is larger than any setting and is left as it is."), 1u);

  // A value just inside the limit is an ordinary value.
  const std::u16string large(RegStatus::kMaxValueBytes / 2 - 1, u'7');
  TController& d = Start([&](SimRegistry& r) { r.SetString(kSettingsKey, u"config", large); });
  EXPECT_EQ(d.Form.Config.Text(), large);
}

TEST_F(SettingsKeptTest, ASecondCopyWritesNothingAndSpeaksTheStoredLanguage) {
  const std::u16string russian = u"\u0420\u0443\u0441\u0441\u043a\u0438\u0439";
  Start([&](SimRegistry& r) { r.SetString(kSettingsKey, u"lang", russian); });
  ASSERT_EQ(c().RunState, 1);
  SeedRewritten(Reg());
  Reg().SetString(kSettingsKey, u"vmin", u"30"); // another type: a start that runs deletes it
  Reg().SetString(kRunKey, kRunValueName, u"\"" + std::u16string(kOwnPath) + u"\"");
  const auto before = Everything();
  const size_t writes = Writes();

  {
    SimProcess second(clock, machine);
    second.process.SetExecutablePath(kOwnPath);
    StartProcess(second);
    EXPECT_EQ(second.host.ErrorBoxes(), std::vector<std::u16string>{kRussianTable.SingleInstanceMessage});
    clock.AdvanceMs(100);
    EXPECT_TRUE(second.host.FireTimer());
    EXPECT_TRUE(second.host.Closed());
  }
  EXPECT_EQ(Writes(), writes);
  EXPECT_EQ(Everything(), before);
  EXPECT_EQ(c().RunState, 1);

  // The copy that runs once the first has ended stores what its loading wrote.
  TController& next = Start();
  EXPECT_EQ(next.RunState, 1);
  EXPECT_EQ(StoredText(u"color"), u"00ff00");
  EXPECT_EQ(StoredText(u"detectmodelbox"), u"1");
  EXPECT_EQ(StoredText(u"syncbox"), u"1");
  EXPECT_FALSE(Stored(u"vmin").has_value());
}

} // namespace
} // namespace lumivane
