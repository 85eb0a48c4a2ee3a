// The settings window's handlers: every change is written to the registry at once, then the
// program reacts. While the program is not running (or holds no state) nothing is written; the
// flags that only ask the timer for work, and the language, still follow the window.
#include <string>

#include "assoc/StrUtilsEx.h"
#include "controller/MainForm.h"

namespace lumivane {

namespace {
std::u16string WithoutPercent(const std::u16string& text) {
  std::u16string out;
  for (char16_t c : text)
    if (c != u'%') out += c;
  return out;
}
} // namespace

void TController::InstallHandlers() {
  for (CheckBox* box : {&Form.AutoRunBox, &Form.SyncBox, &Form.TrackBox, &Form.DetectModelBox,
                        &Form.DetectResBox, &Form.HideBox})
    box->OnClick = [this, box] { SaveCheckBox(*box); };
  for (ComboBox* combo : {&Form.stepval, &Form.Lang, &Form.fontval, &Form.stepMin, &Form.stepMax})
    combo->OnChange = [this, combo] { SaveComboBox(*combo); };
  Form.Config.OnChange = [this] { SaveConfigText(); };
  Form.color.OnChange = [this] { ApplyColorText(); };
  Form.ColorButton.OnClick = [this] { PickColor(); };
  for (int row = 0; row < kHotkeyRows; ++row) {
    Form.Hotkeys(row).Box.OnChange = [this, row] { SaveHotkey(row); };
    Form.Hotkeys(row).Clear.OnClick = [this, row] { ClearHotkey(row); };
  }
}

std::u16string TController::AutoRunText() {
  return u"\"" + platform_.process->ExecutablePath() + u"\"";
}

void TController::RedrawShown() {
  // Nothing shown stays nothing shown: redrawing -1 would put a made-up 0 into the icon.
  if (ShownBrightness < 0)
    ResetShown();
  else
    ValueChange(ShownBrightness, false);
}

void TController::SaveCheckBox(CheckBox& sender) {
  if (HandlersLive()) {
    if (&sender == &Form.AutoRunBox)
      store_.RegWriteValue(kRunKey, kRunValueName, sender.Checked() ? AutoRunText() : std::u16string(),
                           RegKind::String);
    else
      store_.RegWriteValue(kSettingsKey, platform_.locale->Lower(sender.Name()),
                           sender.Checked() ? u"1" : std::u16string(), RegKind::String);
  }
  if (&sender == &Form.DetectModelBox) RescanRequested = true;
  if (&sender == &Form.DetectResBox || &sender == &Form.HideBox) MenuRebuildRequested = true;
}

void TController::SaveComboBox(ComboBox& sender) {
  const bool live = HandlersLive();
  const std::u16string text = sender.Text();
  if (&sender == &Form.stepval) {
    if (!live) return;
    store_.RegWriteValue(kSettingsKey, u"step", WithoutPercent(text), RegKind::Integer);
    StepPercent = TextToInt32(WithoutPercent(text)).value_or(5);
  } else if (&sender == &Form.Lang) {
    if (live) store_.RegWriteValue(kSettingsKey, u"lang", text, RegKind::String);
    ApplyLanguage();
    MenuRebuildRequested = true;
  } else if (&sender == &Form.fontval) {
    if (!live) return;
    store_.RegWriteValue(kSettingsKey, u"font", text, RegKind::String);
    Rend();
    RedrawShown();
  } else if (&sender == &Form.stepMin) {
    if (!live) return;
    store_.RegWriteValue(kSettingsKey, u"vmin", WithoutPercent(text), RegKind::Integer);
    RangeMin = TextToInt32(WithoutPercent(text)).value_or(0);
    RangeChanged = true;
  } else if (&sender == &Form.stepMax) {
    if (!live) return;
    store_.RegWriteValue(kSettingsKey, u"vmax", WithoutPercent(text), RegKind::Integer);
    RangeMax = TextToInt32(WithoutPercent(text)).value_or(100);
    RangeChanged = true;
  }
}

void TController::SaveConfigText() {
  if (!HandlersLive()) return;
  store_.RegWriteValue(kSettingsKey, u"config", Form.Config.Text(), RegKind::String);
  ProgramsChanged = true;
}

void TController::ApplyColorText() {
  if (!HandlersLive()) return;
  // Stored as typed, without the blanks around it; a text that is no colour draws black.
  const std::u16string text = TrimBlanks(Form.color.Text());
  Form.ColorDialog1.Color = HexToColor(text);
  store_.RegWriteValue(kSettingsKey, u"color", text, RegKind::String);
  RedrawShown();
}

void TController::PickColor() {
  if (!HandlersLive()) return;
  // The dialog starts on the colour the digits are drawn in: that of the trimmed text.
  uint32_t chosen = HexToColor(TrimBlanks(Form.color.Text()));
  Form.ColorDialog1.Color = chosen;
  if (!platform_.settingsView->PickColor(chosen)) return;
  Form.ColorDialog1.Color = chosen;
  // The edit's own handler stores the colour and redraws the icon.
  Form.color.SetText(ColorToHex(chosen));
}

} // namespace lumivane
