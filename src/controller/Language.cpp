#include "assoc/StrUtilsEx.h"
#include "controller/MainForm.h"
#include "devices/DeviceTable.h"
#include "lang/Lang.h"

namespace lumivane {

namespace {
constexpr const char16_t* kSystemLanguage = u"System (auto)";
constexpr const char16_t* kSiteLine = u"Lumivane";
// The eye-dropper symbol of the embedded icon font.
constexpr const char16_t* kEyeDropper = u"\uF1FB";
} // namespace

void TController::ApplyLanguage() {
  std::u16string language = Form.Lang.Text();
  if (language == kSystemLanguage) language = DetectSystemLanguage();
  // The page takes its font when it is loaded.
  Form.HtmlViewer1.SetDefaultFont(Form.Font);
  const LangTable& t = LangTableFor(language);
  langTable_ = &t;

  SingleInstanceMessage = t.SingleInstanceMessage;
  Form.HtmlViewer1.LoadHtml(t.Documentation);
  Form.TabSheet2.SetCaption(t.TabSheet2);
  Form.TabSheet3.SetCaption(t.TabSheet3);
  Form.TabSheet1.SetCaption(t.TabSheet1);
  Form.configinfo.SetCaption(std::u16string(t.configinfo[0]) + u"\r\n" + t.configinfo[1] + u"\r\n" +
                             t.configinfo[2]);
  Form.AutoRunBox.SetCaption(t.AutoRunBox);
  Form.SyncBox.SetCaption(t.SyncBox);
  Form.TrackBox.SetCaption(t.TrackBox);
  Form.DetectModelBox.SetCaption(t.DetectModelBox);
  Form.DetectResBox.SetCaption(t.DetectResBox);
  Form.HideBox.SetCaption(t.HideBox);
  Form.ColorButton.SetHint(t.ColorHint);
  Form.FntColor.SetCaption(Form.ColorButton.Hint());
  Form.FontLabel.SetCaption(t.FontLabel);
  Form.StepLabel.SetCaption(t.StepLabel);
  Form.StepMinLabel.SetCaption(t.StepMinLabel);
  Form.StepMaxLabel.SetCaption(t.StepMaxLabel);
  Form.LangLabel.SetCaption(t.LangLabel);
  Form.ColorButton.SetCaption(kEyeDropper);
  Form.TabSheet4.SetCaption(t.TabSheet4);
  for (int row = 0; row < kHotkeyRows; ++row) {
    Form.Hotkeys(row).Caption.SetCaption(t.HotkeyCaption[row]);
    Form.Hotkeys(row).Clear.SetCaption(t.HotkeyClear);
    ShowHotkeyState(row);
  }
  Form.Promo.SetCaption(std::u16string(kSiteLine) + u" v" +
                        FileVersionText(platform_.process->ExecutablePath()));

  if (!Root) return;
  TAssoc& lang = Root->Items(u"lang");
  lang.Items(u"settings") = Variant(t.settings);
  lang.Items(u"restart") = Variant(t.restart);
  lang.Items(u"exit") = Variant(t.exit);
  lang.Items(u"monitor") = Variant(t.monitor);
  lang.Items(u"display") = Variant(t.display);
  lang.Items(u"panel") = Variant(t.panel);
  lang.Items(u"panel_empty") = Variant(t.panelEmpty);
}

std::u16string TController::DetectSystemLanguage() {
  const std::u16string name = platform_.locale->EnglishLanguageName();
  return name.empty() ? std::u16string(u"English") : UpperFirst(name);
}

std::u16string TController::FileVersionText(const std::u16string& FileName) {
  const auto version = platform_.process->FileVersion(FileName);
  if (!version) return {};
  const auto& v = *version;
  return DecimalText(v[0]) + u"." + DecimalText(v[1]) + u"." + DecimalText(v[2]) + u"." + DecimalText(v[3]);
}

} // namespace lumivane
