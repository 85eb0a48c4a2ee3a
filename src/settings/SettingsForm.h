#pragma once
// The settings window's state: every control with its initial items and selection. The
// controller sets the handlers; the window (ISettingsView) is bound with Bind and reports the
// user's changes back through this object.
#include <memory>
#include <vector>

#include "settings/Controls.h"

namespace lumivane {

class TSettingsForm final : public ISettingsViewEvents {
 public:
  TSettingsForm();
  TSettingsForm(const TSettingsForm&) = delete;
  TSettingsForm& operator=(const TSettingsForm&) = delete;

  // The window's caption and font; the documentation page takes the font as its default.
  static constexpr const char16_t* kCaption = u"Lumivane";
  FontSpec Font{u"Segoe UI", -12};

  CheckBox AutoRunBox{u"AutoRunBox", SettingsControl::AutoRunBox};
  CheckBox SyncBox{u"SyncBox", SettingsControl::SyncBox};
  CheckBox TrackBox{u"TrackBox", SettingsControl::TrackBox};
  CheckBox DetectModelBox{u"DetectModelBox", SettingsControl::DetectModelBox};
  CheckBox DetectResBox{u"DetectResBox", SettingsControl::DetectResBox};
  CheckBox HideBox{u"HideBox", SettingsControl::HideBox};

  Label FontLabel{u"FontLabel", SettingsControl::FontLabel};
  ComboBox fontval;
  Label StepLabel{u"StepLabel", SettingsControl::StepLabel};
  ComboBox stepval;
  Label StepMinLabel{u"StepMinLabel", SettingsControl::StepMinLabel};
  ComboBox stepMin;
  Label FntColor{u"FntColor", SettingsControl::FntColor};
  TextBox color{u"color", SettingsControl::color, u"FFFFFF"};
  Button ColorButton{u"ColorButton", SettingsControl::ColorButton};
  Label LangLabel{u"LangLabel", SettingsControl::LangLabel};
  ComboBox Lang;
  Label StepMaxLabel{u"StepMaxLabel", SettingsControl::StepMaxLabel};
  ComboBox stepMax;
  Label Promo{u"Promo", SettingsControl::Promo};

  TabSheet TabSheet1{u"TabSheet1", SettingsControl::TabSheet1};
  TabSheet TabSheet2{u"TabSheet2", SettingsControl::TabSheet2};
  TabSheet TabSheet3{u"TabSheet3", SettingsControl::TabSheet3};
  Label configinfo{u"configinfo", SettingsControl::configinfo};
  TextBox Config{u"Config", SettingsControl::Config};
  DocViewer HtmlViewer1{u"HtmlViewer1", SettingsControl::HtmlViewer1};

  ColorDialog ColorDialog1;

  // The hotkeys page, one row per action.
  TabSheet TabSheet4{u"TabSheet4", SettingsControl::TabSheet4};
  struct HotkeyRow {
    explicit HotkeyRow(int row);
    Label Caption;
    HotkeyBox Box;
    Button Clear;
    Label State;
  };
  HotkeyRow& Hotkeys(int row) { return *hotkeyRows_.at(static_cast<size_t>(row)); }

  // Binds the window (nullptr unbinds): it is given the whole current state at once, then every
  // change, and its user events reach the models.
  void Bind(ISettingsView* view);
  ISettingsView* View() const { return view_; }

  // The control with this id; nullptr for an id of no control.
  Control* Find(SettingsControl id);

  void UserChecked(SettingsControl control, bool checked) override;
  void UserSelected(SettingsControl control, int index) override;
  void UserEdited(SettingsControl control, const std::u16string& text) override;
  void UserClicked(SettingsControl control) override;
  void UserHotkey(SettingsControl control, const Hotkey& hotkey) override;

 private:
  std::vector<std::unique_ptr<HotkeyRow>> hotkeyRows_;
  std::vector<Control*> controls_;
  ISettingsView* view_ = nullptr;
};

} // namespace lumivane
