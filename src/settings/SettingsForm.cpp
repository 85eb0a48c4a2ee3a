#include "settings/SettingsForm.h"

namespace lumivane {

namespace {

std::u16string NumberText(int v) {
  std::u16string text;
  for (char c : std::to_string(v))
    text += static_cast<char16_t>(c);
  return text;
}

std::vector<std::u16string> Percentages(int from, int to, int step) {
  std::vector<std::u16string> items;
  for (int v = from; v <= to; v += step) {
    std::u16string text;
    for (char c : std::to_string(v))
      text += static_cast<char16_t>(c);
    items.push_back(text + u"%");
  }
  return items;
}

} // namespace

TSettingsForm::TSettingsForm()
    : fontval(u"fontval", SettingsControl::fontval, {u"Arial", u"Tahoma", u"Trebuchet MS"}, 1),
      stepval(u"stepval", SettingsControl::stepval, {u"1%", u"5%", u"10%", u"15%", u"20%", u"25%", u"50%"},
              1),
      stepMin(u"stepMin", SettingsControl::stepMin, Percentages(0, 100, 5), 0),
      Lang(u"Lang", SettingsControl::Lang,
           {u"System (auto)", u"\u0420\u0443\u0441\u0441\u043a\u0438\u0439",
            u"\u0423\u043a\u0440\u0430\u0457\u043d\u0441\u044c\u043a\u0430", u"English"},
           0),
      stepMax(u"stepMax", SettingsControl::stepMax, Percentages(0, 100, 5), 20) {
  controls_ = {&AutoRunBox,  &SyncBox,   &TrackBox,   &DetectModelBox, &DetectResBox, &HideBox,  &FontLabel,
               &fontval,     &StepLabel, &stepval,    &StepMinLabel,   &stepMin,      &FntColor, &color,
               &ColorButton, &LangLabel, &Lang,       &StepMaxLabel,   &stepMax,      &Promo,    &TabSheet1,
               &TabSheet2,   &TabSheet3, &configinfo, &Config,         &HtmlViewer1};
  controls_.push_back(&TabSheet4);
  for (int row = 0; row < kHotkeyRows; ++row) {
    hotkeyRows_.push_back(std::make_unique<HotkeyRow>(row));
    HotkeyRow& r = *hotkeyRows_.back();
    controls_.insert(controls_.end(), {&r.Caption, &r.Box, &r.Clear, &r.State});
  }
  HtmlViewer1.SetDefaultFont(Font);
}

TSettingsForm::HotkeyRow::HotkeyRow(int row)
    : Caption(u"HotkeyCaption" + NumberText(row + 1), HotkeyControl(row, HotkeyPart::Caption)),
      Box(u"HotkeyBox" + NumberText(row + 1), HotkeyControl(row, HotkeyPart::Box)),
      Clear(u"HotkeyClear" + NumberText(row + 1), HotkeyControl(row, HotkeyPart::Clear)),
      State(u"HotkeyState" + NumberText(row + 1), HotkeyControl(row, HotkeyPart::State)) {}

Control* TSettingsForm::Find(SettingsControl id) {
  for (Control* c : controls_)
    if (c->Id() == id) return c;
  return nullptr;
}

void TSettingsForm::Bind(ISettingsView* view) {
  if (view_) view_->SetEvents(nullptr);
  view_ = view;
  for (Control* c : controls_)
    c->Bind(view);
  if (!view) return;
  for (Control* c : controls_) {
    view->SetCaption(c->Id(), c->Caption());
    view->SetHint(c->Id(), c->Hint());
    if (auto* box = dynamic_cast<CheckBox*>(c)) view->SetChecked(c->Id(), box->Checked());
    if (auto* combo = dynamic_cast<ComboBox*>(c)) {
      view->SetItems(c->Id(), combo->Items());
      view->SetSelected(c->Id(), combo->ItemIndex());
    }
    if (auto* text = dynamic_cast<TextBox*>(c)) view->SetText(c->Id(), text->Text());
    if (auto* hotkey = dynamic_cast<HotkeyBox*>(c)) view->SetHotkey(c->Id(), hotkey->Value());
  }
  view->SetDocument(ParseDocMarkup(HtmlViewer1.Html()), HtmlViewer1.DefaultFont());
  view->SetEvents(this);
}

void TSettingsForm::UserChecked(SettingsControl control, bool checked) {
  if (auto* box = dynamic_cast<CheckBox*>(Find(control))) box->UserSetChecked(checked);
}

void TSettingsForm::UserSelected(SettingsControl control, int index) {
  if (auto* combo = dynamic_cast<ComboBox*>(Find(control))) combo->UserSelect(index);
}

void TSettingsForm::UserEdited(SettingsControl control, const std::u16string& text) {
  if (auto* box = dynamic_cast<TextBox*>(Find(control))) box->UserSetText(text);
}

void TSettingsForm::UserClicked(SettingsControl control) {
  if (auto* button = dynamic_cast<Button*>(Find(control))) button->UserClick();
  if (auto* box = dynamic_cast<CheckBox*>(Find(control))) box->UserClick();
}

} // namespace lumivane

namespace lumivane {

void TSettingsForm::UserHotkey(SettingsControl control, const Hotkey& hotkey) {
  if (auto* box = dynamic_cast<HotkeyBox*>(Find(control))) box->UserSetValue(hotkey);
}

} // namespace lumivane
