// Global hotkeys: each action is one row of the table below and of the settings window's hotkeys
// page. A press writes the same command the wheel, the left click or the menu would.
#include <iterator>
#include <map>
#include <string>

#include "controller/MainForm.h"
#include "devices/DeviceTable.h"
#include "lang/Lang.h"

namespace lumivane {

namespace {

struct HotkeyAction {
  const char16_t* valueName; // under the settings key
  void (TController::*run)();
};

// In the order of the page's rows and of the captions in the text tables.
constexpr HotkeyAction kHotkeyActions[] = {
    // clang-format off
    {u"hotkey_up", &TController::HotkeyBrightnessUp},
    {u"hotkey_down", &TController::HotkeyBrightnessDown},
    {u"hotkey_glare", &TController::TrayIcon1Click},
    {u"hotkey_next", &TController::HotkeyNextDisplay},
    {u"hotkey_panel", &TController::OpenPanel},
    // clang-format on
};
static_assert(std::size(kHotkeyActions) == kHotkeyRows, "one action per row of the hotkeys page");

// Registration ids: the row plus one (0 is no id).
constexpr int IdOfRow(int row) {
  return row + 1;
}

// A stored value is echoed into the log only this far.
constexpr size_t kLoggedValueLength = 64;

} // namespace

void TController::LoadHotkeys() {
  for (int row = 0; row < kHotkeyRows; ++row) {
    const std::u16string name = kHotkeyActions[row].valueName;
    Hotkey hotkey;
    if (std::optional<std::u16string> text = store_.RegReadString(kSettingsKey, name);
        text && !text->empty()) {
      if (std::optional<Hotkey> parsed = ParseHotkey(*text)) {
        hotkey = *parsed;
        // Written back the way it is shown: "ctrl + alt + up" becomes "Ctrl+Alt+Up".
        if (HotkeyText(hotkey) != *text)
          store_.RegWriteValue(kSettingsKey, name, HotkeyText(hotkey), RegKind::String);
      } else {
        // Left as stored: the user may mend it by hand; the program sets no hotkey meanwhile.
        LogError(u"The stored " + name + u" \"" + text->substr(0, kLoggedValueLength) +
                 u"\" is no key combination and is ignored.");
      }
    }
    Form.Hotkeys(row).Box.SetValue(hotkey);
  }
}

void TController::RegisterHotkeys() {
  platform_.hotkeys->SetHandler([this](int id) { HotkeyPressed(id); });
  for (int row = 0; row < kHotkeyRows; ++row)
    ApplyHotkey(row);
}

void TController::UnregisterHotkeys() {
  platform_.hotkeys->SetHandler(nullptr);
  for (int row = 0; row < kHotkeyRows; ++row) {
    platform_.hotkeys->Unregister(IdOfRow(row));
    hotkeyState_[static_cast<size_t>(row)] = IGlobalHotkeys::Result::Failed;
  }
}

void TController::ApplyHotkey(int row) {
  const auto r = static_cast<size_t>(row);
  const Hotkey hotkey = Form.Hotkeys(row).Box.Value();
  platform_.hotkeys->Unregister(IdOfRow(row));
  hotkeyKey_[r] = hotkey;
  if (hotkey.key == HotkeyKey::None) {
    hotkeyState_[r] = IGlobalHotkeys::Result::Failed;
    loggedRefusal_[r].reset();
    ShowHotkeyState(row);
    return;
  }
  hotkeyState_[r] = platform_.hotkeys->Register(IdOfRow(row), hotkey);
  if (hotkeyState_[r] == IGlobalHotkeys::Result::Registered) {
    loggedRefusal_[r].reset();
  } else if (loggedRefusal_[r] != hotkey) {
    // One line per refused combination, however often it is tried again.
    loggedRefusal_[r] = hotkey;
    LogError(u"The hotkey " + HotkeyText(hotkey) + u" (" + kHotkeyActions[row].valueName + u") " +
             (hotkeyState_[r] == IGlobalHotkeys::Result::Taken ? u"is held by another program."
                                                               : u"cannot be registered."));
  }
  ShowHotkeyState(row);
}

void TController::ShowHotkeyState(int row) {
  const auto r = static_cast<size_t>(row);
  const LangTable& t = *langTable_;
  std::u16string text;
  if (hotkeyKey_[r].key != HotkeyKey::None) {
    switch (hotkeyState_[r]) {
    case IGlobalHotkeys::Result::Registered:
      text = t.HotkeyActive;
      break;
    case IGlobalHotkeys::Result::Taken:
      text = t.HotkeyTaken;
      break;
    default:
      text = t.HotkeyFailed;
      break;
    }
    // The system's hotkey box cannot show the Windows key: the state names the whole combination.
    if (hotkeyKey_[r].modifiers & kModWin) text = HotkeyText(hotkeyKey_[r]) + u": " + text;
  }
  Form.Hotkeys(row).State.SetCaption(text);
}

void TController::SaveHotkey(int row) {
  if (!HandlersLive()) return;
  store_.RegWriteValue(kSettingsKey, kHotkeyActions[row].valueName, HotkeyText(Form.Hotkeys(row).Box.Value()),
                       RegKind::String);
  ApplyHotkey(row);
}

void TController::ClearHotkey(int row) {
  if (!HandlersLive()) return;
  Form.Hotkeys(row).Box.SetValue(Hotkey{});
  SaveHotkey(row);
}

void TController::HotkeyPressed(int id) {
  if (!HandlersLive() || id < IdOfRow(0) || id > IdOfRow(kHotkeyRows - 1)) return;
  Guarded([&] { (this->*kHotkeyActions[id - 1].run)(); });
}

void TController::HotkeyBrightnessUp() {
  WriteCommand(u"s", 1);
  platform_.host->RequestPass();
}

void TController::HotkeyBrightnessDown() {
  WriteCommand(u"s", -1);
  platform_.host->RequestPass();
}

void TController::HotkeyNextDisplay() {
  const TAssoc* devices = DeviceTable();
  if (!devices) return;
  // The active devices by their menu number; the one after the active device, round to the first.
  std::map<int, std::u16string> active;
  for (const auto& [key, child] : *devices->All()) {
    if (!RecordFlag(*child, u"active")) continue;
    if (std::optional<int32_t> n = TextToInt32(RecordText(*child, u"number")); n && *n >= 0)
      active[*n] = key.Text();
  }
  if (active.empty()) return;
  int current = -1;
  for (const auto& [n, key] : active)
    if (key == ActiveDevice) current = n;
  auto next = active.upper_bound(current);
  if (next == active.end()) next = active.begin();
  if (next->second == ActiveDevice) return;
  SetActiveMonFromMenu(next->first);
}

} // namespace lumivane
