#pragma once
// The settings window as the program sees it: controls addressed by name, the user's changes
// reported back. The Windows adapter is the real window; the simulated one keeps what it shows.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/DocMarkup.h"
#include "platform/Hotkey.h"
#include "platform/IconPainter.h"

namespace lumivane {

// The hotkeys page: one row per action, each of a caption, a hotkey box, a clear button and the
// state of its registration.
inline constexpr int kHotkeyRows = 5;
enum class HotkeyPart : int { Caption, Box, Clear, State, Count };

enum class SettingsControl : int {
  AutoRunBox,
  SyncBox,
  TrackBox,
  DetectModelBox,
  DetectResBox,
  HideBox,
  FontLabel,
  fontval,
  StepLabel,
  stepval,
  StepMinLabel,
  stepMin,
  FntColor,
  color,
  ColorButton,
  LangLabel,
  Lang,
  StepMaxLabel,
  stepMax,
  Promo,
  TabSheet1,
  TabSheet2,
  TabSheet3,
  configinfo,
  Config,
  HtmlViewer1,
  TabSheet4,
  HotkeyFirst, // the rows' controls follow, row by row, in HotkeyPart order
  Count = HotkeyFirst + kHotkeyRows * static_cast<int>(HotkeyPart::Count)
};

constexpr SettingsControl HotkeyControl(int row, HotkeyPart part) {
  return static_cast<SettingsControl>(static_cast<int>(SettingsControl::HotkeyFirst) +
                                      row * static_cast<int>(HotkeyPart::Count) + static_cast<int>(part));
}
// The row and part of a hotkey control; false for any other control.
constexpr bool HotkeyRowOf(SettingsControl control, int& row, HotkeyPart& part) {
  const int i = static_cast<int>(control) - static_cast<int>(SettingsControl::HotkeyFirst);
  if (i < 0 || control >= SettingsControl::Count) return false;
  row = i / static_cast<int>(HotkeyPart::Count);
  part = static_cast<HotkeyPart>(i % static_cast<int>(HotkeyPart::Count));
  return true;
}

// What the user did in the window. Called on the main thread, from the window's own messages.
class ISettingsViewEvents {
 public:
  virtual ~ISettingsViewEvents() = default;
  virtual void UserChecked(SettingsControl control, bool checked) = 0;
  virtual void UserSelected(SettingsControl control, int index) = 0;
  virtual void UserEdited(SettingsControl control, const std::u16string& text) = 0;
  virtual void UserClicked(SettingsControl control) = 0;
  // A complete combination typed into a hotkey box.
  virtual void UserHotkey(SettingsControl control, const Hotkey& hotkey) = 0;
};

class ISettingsView {
 public:
  virtual ~ISettingsView() = default;
  virtual void SetEvents(ISettingsViewEvents* events) = 0; // nullptr: report nothing
  // Changes made by the program; none of them is reported back as a user event.
  virtual void SetCaption(SettingsControl control, const std::u16string& text) = 0;
  virtual void SetHint(SettingsControl control, const std::u16string& text) = 0;
  virtual void SetChecked(SettingsControl control, bool checked) = 0;
  virtual void SetItems(SettingsControl control, const std::vector<std::u16string>& items) = 0;
  virtual void SetSelected(SettingsControl control, int index) = 0; // -1: none
  virtual void SetText(SettingsControl control, const std::u16string& text) = 0;
  // A hotkey box: the combination, or an empty box for a hotkey without a key.
  virtual void SetHotkey(SettingsControl control, const Hotkey& hotkey) = 0;
  // The documentation page: its runs in the given default font (FontSpec height as the window's
  // font height, negative for a character height).
  virtual void SetDocument(const std::vector<DocRun>& runs, const FontSpec& font) = 0;
  // The colour dialog, modal: full custom-colour part shown, solid colours only, any colour.
  // Starts on color; true and the chosen colour when the user confirms.
  virtual bool PickColor(uint32_t& color) = 0;
};

} // namespace lumivane
