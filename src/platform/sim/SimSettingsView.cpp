#include "platform/sim/SimSettingsView.h"

namespace lumivane {

void SimSettingsView::SetCaption(SettingsControl control, const std::u16string& text) {
  At(control).caption = text;
  ++At(control).programChanges;
}

void SimSettingsView::SetHint(SettingsControl control, const std::u16string& text) {
  At(control).hint = text;
  ++At(control).programChanges;
}

void SimSettingsView::SetChecked(SettingsControl control, bool checked) {
  At(control).checked = checked;
  ++At(control).programChanges;
}

void SimSettingsView::SetItems(SettingsControl control, const std::vector<std::u16string>& items) {
  At(control).items = items;
  At(control).selected = -1;
  ++At(control).programChanges;
}

void SimSettingsView::SetSelected(SettingsControl control, int index) {
  Shown& s = At(control);
  s.selected = index >= 0 && static_cast<size_t>(index) < s.items.size() ? index : -1;
  s.text = s.selected >= 0 ? s.items[static_cast<size_t>(s.selected)] : std::u16string();
  ++s.programChanges;
}

void SimSettingsView::SetText(SettingsControl control, const std::u16string& text) {
  At(control).text = text;
  ++At(control).programChanges;
}

void SimSettingsView::SetHotkey(SettingsControl control, const Hotkey& hotkey) {
  At(control).hotkey = hotkey;
  ++At(control).programChanges;
}

void SimSettingsView::SetDocument(const std::vector<DocRun>& runs, const FontSpec& font) {
  document_ = runs;
  documentFont_ = font;
}

bool SimSettingsView::PickColor(uint32_t& color) {
  dialogStarts_.push_back(color);
  std::optional<uint32_t> answer = answer_;
  answer_.reset();
  if (!answer) return false;
  color = *answer;
  return true;
}

void SimSettingsView::UserCheck(SettingsControl control, bool checked) {
  At(control).checked = checked;
  if (events_) events_->UserChecked(control, checked);
}

void SimSettingsView::UserClick(SettingsControl control) {
  if (events_) events_->UserClicked(control);
}

void SimSettingsView::UserSelect(SettingsControl control, int index) {
  Shown& s = At(control);
  if (index < 0 || static_cast<size_t>(index) >= s.items.size()) return;
  s.selected = index;
  s.text = s.items[static_cast<size_t>(index)];
  if (events_) events_->UserSelected(control, index);
}

void SimSettingsView::UserType(SettingsControl control, const std::u16string& text) {
  At(control).text = text;
  if (events_) events_->UserEdited(control, text);
}

void SimSettingsView::UserHotkey(SettingsControl control, const Hotkey& hotkey) {
  At(control).hotkey = hotkey;
  if (events_) events_->UserHotkey(control, hotkey);
}

} // namespace lumivane
