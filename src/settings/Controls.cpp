#include "settings/Controls.h"

namespace lumivane {

void Control::SetCaption(const std::u16string& text) {
  caption_ = text;
  if (view_) view_->SetCaption(id_, text);
}

void Control::SetHint(const std::u16string& text) {
  hint_ = text;
  if (view_) view_->SetHint(id_, text);
}

void Control::Bind(ISettingsView* view) {
  view_ = view;
}

void CheckBox::SetChecked(bool checked) {
  if (checked == checked_) return;
  checked_ = checked;
  if (view_) view_->SetChecked(Id(), checked);
  if (OnClick) OnClick();
}

void CheckBox::UserSetChecked(bool checked) {
  checked_ = checked;
  if (OnClick) OnClick();
}

ComboBox::ComboBox(std::u16string name, SettingsControl id, std::vector<std::u16string> items, int selected)
    : Control(std::move(name), id), items_(std::move(items)) {
  SetItemIndex(selected);
}

std::u16string ComboBox::Text() const {
  return index_ >= 0 ? items_[static_cast<size_t>(index_)] : std::u16string();
}

int ComboBox::IndexOf(const std::u16string& text) const {
  for (size_t i = 0; i < items_.size(); ++i)
    if (items_[i] == text) return static_cast<int>(i);
  return -1;
}

void ComboBox::SetItemIndex(int index) {
  index_ = index >= 0 && static_cast<size_t>(index) < items_.size() ? index : -1;
  if (view_) view_->SetSelected(Id(), index_);
}

bool ComboBox::Select(const std::u16string& text) {
  int index = IndexOf(text);
  if (index < 0) return false;
  SetItemIndex(index);
  return true;
}

void ComboBox::UserSelect(int index) {
  if (index < 0 || static_cast<size_t>(index) >= items_.size()) return;
  index_ = index;
  if (OnChange) OnChange();
}

TextBox::TextBox(std::u16string name, SettingsControl id, std::u16string text)
    : Control(std::move(name), id), text_(std::move(text)) {}

void TextBox::SetText(const std::u16string& text) {
  if (text == text_) return;
  text_ = text;
  if (view_) view_->SetText(Id(), text);
  if (OnChange) OnChange();
}

void TextBox::UserSetText(const std::u16string& text) {
  text_ = text;
  if (OnChange) OnChange();
}

void HotkeyBox::SetValue(const Hotkey& hotkey) {
  value_ = hotkey;
  if (view_) view_->SetHotkey(Id(), hotkey);
}

void HotkeyBox::UserSetValue(const Hotkey& hotkey) {
  value_ = hotkey;
  if (OnChange) OnChange();
}

void DocViewer::LoadHtml(const std::u16string& html) {
  html_ = html;
  if (view_) view_->SetDocument(ParseDocMarkup(html), font_);
}

} // namespace lumivane
