#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>
#include <richedit.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "Win32TestSupport.h"
#include "platform/win32/ChildWindowGuard.h"
#include "platform/win32/Messages.h"
#include "platform/win32/Win32GlobalHotkeys.h"
#include "platform/win32/Win32Host.h"
#include "platform/win32/Win32SettingsView.h"

namespace lumivane::win32 {
namespace {

using C = SettingsControl;

std::wstring ClassOf(HWND window) {
  wchar_t name[256] = {};
  ::GetClassNameW(window, name, 256);
  return name;
}

std::wstring TextOf(HWND window) {
  int n = ::GetWindowTextLengthW(window);
  std::wstring text(static_cast<size_t>(n) + 1, L'\0');
  ::GetWindowTextW(window, text.data(), n + 1);
  text.resize(static_cast<size_t>(n));
  return text;
}

// The user's changes as the view reported them, one line each.
struct Recorder final : ISettingsViewEvents {
  std::vector<std::string> seen;
  static std::string Name(C c) { return std::to_string(static_cast<int>(c)); }
  void UserChecked(C c, bool checked) override {
    seen.push_back("checked " + Name(c) + (checked ? " 1" : " 0"));
  }
  void UserSelected(C c, int index) override {
    seen.push_back("selected " + Name(c) + " " + std::to_string(index));
  }
  void UserEdited(C c, const std::u16string& text) override {
    seen.push_back("edited " + Name(c) + " " + std::string(text.begin(), text.end()));
  }
  void UserClicked(C c) override { seen.push_back("clicked " + Name(c)); }
  void UserHotkey(C c, const Hotkey& hotkey) override {
    const std::u16string text = HotkeyText(hotkey);
    seen.push_back("hotkey " + Name(c) + " " + std::string(text.begin(), text.end()));
  }
};

// The program's window with the view built in it, messages routed as the program routes them.
class SettingsViewTest : public ::testing::Test {
 protected:
  SettingsViewTest() {
    host = std::make_unique<Win32Host>(::GetModuleHandleW(nullptr));
    view = std::make_unique<Win32SettingsView>(host->Window(), ::GetModuleHandleW(nullptr), host->LogEdit());
    host->SetMessageHandler([this](HWND, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
      return view->HandleMessage(msg, wParam, lParam, result);
    });
    view->SetEvents(&events);
  }
  ~SettingsViewTest() override {
    host->SetMessageHandler(nullptr);
    view.reset();
    host.reset();
  }
  HWND At(C c) const { return view->ControlWindow(c); }
  int Scaled(int v) const { return ::MulDiv(v, static_cast<int>(view->Dpi()), 96); }
  void Pump() {
    PumpUntil([] { return false; }, 100);
  }
  void SendUserCommand(C c, UINT code) {
    ::SendMessageW(host->Window(), WM_COMMAND, MAKEWPARAM(kSettingsControlIdBase + static_cast<int>(c), code),
                   reinterpret_cast<LPARAM>(At(c)));
  }

  ChildWindowGuard guard; // the controls are guarded as in the program
  Recorder events;
  std::unique_ptr<Win32Host> host;
  std::unique_ptr<Win32SettingsView> view;
};

TEST_F(SettingsViewTest, TheHotkeysPageShowsCombinationsAndReportsOnlyTheUsersCompleteOnes) {
  const C box = HotkeyControl(1, HotkeyPart::Box), clear = HotkeyControl(1, HotkeyPart::Clear);
  ASSERT_EQ(::GetDlgItem(host->Window(), kSettingsControlIdBase + static_cast<int>(box)), At(box));
  EXPECT_EQ(_wcsicmp(ClassOf(At(box)).c_str(), HOTKEY_CLASSW), 0) << ClassOf(At(box));

  view->ShowPage(3);
  for (int row = 0; row < kHotkeyRows; ++row)
    for (HotkeyPart part : {HotkeyPart::Caption, HotkeyPart::Box, HotkeyPart::Clear, HotkeyPart::State})
      EXPECT_TRUE(::IsWindowVisible(At(HotkeyControl(row, part))) || !::IsWindowVisible(host->Window()));
  EXPECT_FALSE(::GetWindowLongW(At(C::Config), GWL_STYLE) & WS_VISIBLE);
  EXPECT_TRUE(::GetWindowLongW(At(box), GWL_STYLE) & WS_VISIBLE);
  view->ShowPage(0);
  EXPECT_FALSE(::GetWindowLongW(At(box), GWL_STYLE) & WS_VISIBLE);

  // The program's combination is shown, without the Windows key the box cannot show, and not
  // reported back.
  view->SetHotkey(box, Hotkey{kModCtrl | kModAlt | kModWin, HotkeyKey::PageDown});
  const WORD shown = static_cast<WORD>(::SendMessageW(At(box), HKM_GETHOTKEY, 0, 0));
  EXPECT_EQ(HotkeyFromControl(shown), (Hotkey{kModCtrl | kModAlt, HotkeyKey::PageDown}));
  // The user's: a complete one is reported; modifiers alone and a key of no name are not.
  ::SendMessageW(At(box), HKM_SETHOTKEY, MAKEWORD(VK_F9, HOTKEYF_SHIFT), 0);
  SendUserCommand(box, EN_CHANGE);
  ::SendMessageW(At(box), HKM_SETHOTKEY, MAKEWORD(0, HOTKEYF_CONTROL), 0);
  SendUserCommand(box, EN_CHANGE);
  ::SendMessageW(At(box), HKM_SETHOTKEY, MAKEWORD(VK_TAB, HOTKEYF_CONTROL), 0);
  SendUserCommand(box, EN_CHANGE);
  SendUserCommand(clear, BN_CLICKED);
  const std::string b = Recorder::Name(box), c = Recorder::Name(clear);
  EXPECT_EQ(events.seen, (std::vector<std::string>{"hotkey " + b + " Shift+F9", "clicked " + c}));
}

TEST_F(SettingsViewTest, TheHiddenMainWindowHoldsEveryControlUnderItsId) {
  HWND w = host->Window();
  EXPECT_FALSE(::IsWindowVisible(w));
  LONG style = ::GetWindowLongW(w, GWL_STYLE);
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_TRUE(style & WS_MINIMIZEBOX);
  EXPECT_FALSE(style & WS_MAXIMIZEBOX);
  EXPECT_FALSE(style & WS_THICKFRAME); // a fixed border
  RECT client{};
  ::GetClientRect(w, &client);
  EXPECT_EQ(client.right, Scaled(688));
  EXPECT_EQ(client.bottom, Scaled(365));
  // Centred on the primary screen.
  RECT frame{};
  ::GetWindowRect(w, &frame);
  EXPECT_NEAR((frame.left + frame.right) / 2, ::GetSystemMetrics(SM_CXSCREEN) / 2, 1);
  EXPECT_NEAR((frame.top + frame.bottom) / 2, ::GetSystemMetrics(SM_CYSCREEN) / 2, 1);

  const struct {
    C control;
    const wchar_t* className;
  } expected[] = {{C::AutoRunBox, L"Button"},      {C::SyncBox, L"Button"},
                  {C::TrackBox, L"Button"},        {C::DetectModelBox, L"Button"},
                  {C::DetectResBox, L"Button"},    {C::HideBox, L"Button"},
                  {C::FontLabel, L"Static"},       {C::fontval, L"ComboBox"},
                  {C::StepLabel, L"Static"},       {C::stepval, L"ComboBox"},
                  {C::StepMinLabel, L"Static"},    {C::stepMin, L"ComboBox"},
                  {C::FntColor, L"Static"},        {C::color, L"Edit"},
                  {C::ColorButton, L"Button"},     {C::LangLabel, L"Static"},
                  {C::Lang, L"ComboBox"},          {C::StepMaxLabel, L"Static"},
                  {C::stepMax, L"ComboBox"},       {C::Promo, L"Static"},
                  {C::configinfo, L"Static"},      {C::Config, L"Edit"},
                  {C::HtmlViewer1, L"RICHEDIT50W"}};
  // The documentation page's control is made only when the page is first shown.
  EXPECT_EQ(::GetDlgItem(w, kSettingsControlIdBase + static_cast<int>(C::HtmlViewer1)), nullptr);
  view->ShowPage(1);
  view->ShowPage(0);
  for (const auto& e : expected) {
    SCOPED_TRACE(static_cast<int>(e.control));
    HWND child = ::GetDlgItem(w, kSettingsControlIdBase + static_cast<int>(e.control));
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(child, At(e.control));
    EXPECT_EQ(_wcsicmp(ClassOf(child).c_str(), e.className), 0) << ClassOf(child);
    if (e.className == std::wstring(L"ComboBox")) {
      EXPECT_EQ(::GetWindowLongW(child, GWL_STYLE) & 3, CBS_DROPDOWNLIST);
    }
  }
  EXPECT_EQ(::GetDlgItem(w, kLogEditId), host->LogEdit());
  EXPECT_EQ(::GetDlgItem(w, kPageControlId), view->PageControl());
  EXPECT_EQ(::SendMessageW(view->PageControl(), TCM_GETITEMCOUNT, 0, 0), 4);

  // The colour row is as high as the font combo, the button 10 to the right of the edit.
  RECT font{}, edit{}, button{};
  ::GetWindowRect(At(C::fontval), &font);
  ::GetWindowRect(At(C::color), &edit);
  ::GetWindowRect(At(C::ColorButton), &button);
  EXPECT_EQ(edit.bottom - edit.top, font.bottom - font.top);
  EXPECT_EQ(button.bottom - button.top, font.bottom - font.top);
  EXPECT_EQ(edit.right - edit.left, Scaled(98));
  EXPECT_EQ(button.left - edit.right, Scaled(10));
  EXPECT_EQ(button.right - button.left, Scaled(30));
  // The tab control: 350 wide, 12 from the top and 15 from the right and the bottom.
  RECT tab{};
  ::GetWindowRect(view->PageControl(), &tab);
  ::MapWindowPoints(nullptr, w, reinterpret_cast<POINT*>(&tab), 2);
  EXPECT_EQ(tab.right - tab.left, Scaled(350));
  EXPECT_EQ(tab.top, Scaled(12));
  EXPECT_EQ(client.right - tab.right, Scaled(15));
  EXPECT_EQ(client.bottom - tab.bottom, Scaled(15));

  // Readers, not editors: no border on the document or the log; both read-only, with a vertical
  // scroll bar only.
  for (HWND reader : {At(C::HtmlViewer1), host->LogEdit()}) {
    SCOPED_TRACE(ClassOf(reader));
    LONG s = ::GetWindowLongW(reader, GWL_STYLE);
    LONG ex = ::GetWindowLongW(reader, GWL_EXSTYLE);
    EXPECT_TRUE(s & ES_READONLY);
    EXPECT_TRUE(s & WS_VSCROLL);
    EXPECT_FALSE(s & (WS_HSCROLL | WS_BORDER));
    EXPECT_FALSE(ex & (WS_EX_CLIENTEDGE | WS_EX_STATICEDGE));
  }
  EXPECT_TRUE(::GetWindowLongW(At(C::Config), GWL_STYLE) & WS_VSCROLL);
}

TEST_F(SettingsViewTest, ProgramChangesShowButAreNeverReportedBack) {
  view->SetItems(C::stepval, {u"1%", u"5%", u"10%"});
  view->SetSelected(C::stepval, 2);
  view->SetChecked(C::SyncBox, true);
  view->SetText(C::color, u"FF8000");
  view->SetText(C::Config, u"game.exe=100\nvideo.exe=30");
  view->SetCaption(C::SyncBox, u"Synchronize brightness");
  view->SetCaption(C::TabSheet2, u"Documentation");
  view->SetCaption(C::configinfo, u"one\r\ntwo");
  view->SetHint(C::ColorButton, u"Indicator color");
  Pump();
  EXPECT_TRUE(events.seen.empty());

  EXPECT_EQ(::SendMessageW(At(C::stepval), CB_GETCOUNT, 0, 0), 3);
  EXPECT_EQ(::SendMessageW(At(C::stepval), CB_GETCURSEL, 0, 0), 2);
  EXPECT_EQ(::SendMessageW(At(C::SyncBox), BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_EQ(TextOf(At(C::color)), L"FF8000");
  EXPECT_EQ(TextOf(At(C::Config)), L"game.exe=100\r\nvideo.exe=30");
  EXPECT_EQ(TextOf(At(C::SyncBox)), L"Synchronize brightness");
  EXPECT_EQ(TextOf(At(C::configinfo)), L"one\r\ntwo");
  wchar_t caption[64] = {};
  TCITEMW item{};
  item.mask = TCIF_TEXT;
  item.pszText = caption;
  item.cchTextMax = 64;
  ::SendMessageW(view->PageControl(), TCM_GETITEMW, 1, reinterpret_cast<LPARAM>(&item));
  EXPECT_STREQ(caption, L"Documentation");

  // The hint shows while the pointer rests on the colour button, and goes when it leaves.
  HWND hint = view->Hint().Window();
  EXPECT_FALSE(::IsWindowVisible(hint));
  ::SendMessageW(At(C::ColorButton), WM_MOUSEHOVER, 0, 0);
  EXPECT_TRUE(::IsWindowVisible(hint));
  EXPECT_EQ(TextOf(hint), L"Indicator color");
  ::SendMessageW(At(C::ColorButton), WM_MOUSELEAVE, 0, 0);
  EXPECT_FALSE(::IsWindowVisible(hint));
  view->SetHint(C::ColorButton, u"");
  ::SendMessageW(At(C::ColorButton), WM_MOUSEHOVER, 0, 0);
  EXPECT_FALSE(::IsWindowVisible(hint));
  // The hint is a top-level window anyone can send to: forged messages with pointers that are
  // no pointers leave it, and the program, working.
  for (UINT i = 0; i < 64; ++i) {
    for (LPARAM bogus : {LPARAM(1), static_cast<LPARAM>(0x4141414141LL), LPARAM(-1)}) {
      ::SendMessageW(hint, WM_USER + i, static_cast<WPARAM>(bogus), bogus);
      ::PostMessageW(hint, WM_USER + i, static_cast<WPARAM>(bogus), bogus);
    }
  }
  ::SendMessageW(hint, WM_NCDESTROY, 0, 0);
  view->SetHint(C::ColorButton, u"Indicator color");
  ::SendMessageW(At(C::ColorButton), WM_MOUSEHOVER, 0, 0);
  EXPECT_TRUE(::IsWindowVisible(hint));

  // Selecting nothing, or an item that is not there, clears the selection.
  view->SetSelected(C::stepval, 7);
  EXPECT_EQ(::SendMessageW(At(C::stepval), CB_GETCURSEL, 0, 0), CB_ERR);
  Pump();
  EXPECT_TRUE(events.seen.empty());
}

TEST_F(SettingsViewTest, TheUsersChangesAreReportedOnceEach) {
  ::ShowWindow(host->Window(), SW_SHOWNOACTIVATE);
  view->SetItems(C::Lang, {u"System (auto)", u"English"});
  view->SetSelected(C::Lang, 0);
  view->SetText(C::color, u"FF80");

  ::SendMessageW(At(C::SyncBox), BM_CLICK, 0, 0);
  ::SendMessageW(At(C::SyncBox), BM_CLICK, 0, 0);
  ::SendMessageW(At(C::Lang), CB_SETCURSEL, 1, 0);
  SendUserCommand(C::Lang, CBN_SELCHANGE);
  ::SendMessageW(At(C::color), EM_SETSEL, 4, 4);
  ::SendMessageW(At(C::color), WM_CHAR, L'0', 0);
  ::SendMessageW(At(C::Config), WM_CHAR, L'x', 0);
  Pump();
  const std::string sync = Recorder::Name(C::SyncBox);
  EXPECT_EQ(events.seen, (std::vector<std::string>{"checked " + sync + " 1", "checked " + sync + " 0",
                                                   "selected " + Recorder::Name(C::Lang) + " 1",
                                                   "edited " + Recorder::Name(C::color) + " FF800",
                                                   "edited " + Recorder::Name(C::Config) + " x"}));

  // The colour button's click arrives after its notification, from a posted message; a forged
  // message of that kind does nothing.
  events.seen.clear();
  ::SendMessageW(host->Window(), kMsgColorButton, 0, 0);
  Pump();
  EXPECT_TRUE(events.seen.empty());
  ::SendMessageW(At(C::ColorButton), BM_CLICK, 0, 0);
  EXPECT_TRUE(events.seen.empty());
  Pump();
  EXPECT_EQ(events.seen, std::vector<std::string>{"clicked " + Recorder::Name(C::ColorButton)});
  // A click on the button of a window nobody sees opens no dialog.
  events.seen.clear();
  ::ShowWindow(host->Window(), SW_HIDE);
  ::SendMessageW(At(C::ColorButton), BM_CLICK, 0, 0);
  Pump();
  EXPECT_TRUE(events.seen.empty());
  ::ShowWindow(host->Window(), SW_SHOWNOACTIVATE);

  // Unbound, the window reports nothing.
  events.seen.clear();
  view->SetEvents(nullptr);
  ::SendMessageW(At(C::HideBox), BM_CLICK, 0, 0);
  Pump();
  EXPECT_TRUE(events.seen.empty());
}

DWORD CALLBACK CollectRtf(DWORD_PTR cookie, LPBYTE buffer, LONG size, LONG* written) {
  reinterpret_cast<std::string*>(cookie)->append(reinterpret_cast<const char*>(buffer), size);
  *written = size;
  return 0;
}

std::string RtfOf(HWND richEdit) {
  std::string rtf;
  EDITSTREAM stream{};
  stream.dwCookie = reinterpret_cast<DWORD_PTR>(&rtf);
  stream.pfnCallback = CollectRtf;
  ::SendMessageW(richEdit, EM_STREAMOUT, SF_RTF, reinterpret_cast<LPARAM>(&stream));
  return rtf;
}

// Whether text at this place of an RTF text is bold: the last bold switch before it decides,
// "\b" on, "\b0" off (other words that begin with b, such as \blue, do not count).
bool BoldAt(const std::string& rtf, size_t at) {
  if (at == std::string::npos) return false;
  for (size_t i = rtf.rfind("\\b", at); i != std::string::npos;
       i = i == 0 ? i - 1 : rtf.rfind("\\b", i - 1)) {
    char next = i + 2 < rtf.size() ? rtf[i + 2] : ' ';
    if (!std::isalpha(static_cast<unsigned char>(next))) return next != '0';
  }
  return false;
}

TEST_F(SettingsViewTest, TheDocumentShowsBoldWhereTheRunsSayInTheDefaultFont) {
  view->SetDocument({{u"General Information", true},
                     {u"\n\nSwitch DDC/CI on in the monitor.\n\n", false},
                     {u"FAQ", true},
                     {u"\n\nAsk.", false}},
                    FontSpec{u"Segoe UI", -12});
  view->ShowPage(1); // the control is made with the document given before
  HWND doc = At(C::HtmlViewer1);
  ASSERT_NE(doc, nullptr);
  // Paragraphs end in CR; reading the text may add an LF to each.
  std::wstring text = TextOf(doc);
  std::erase(text, L'\n');
  EXPECT_EQ(text, L"General Information\r\rSwitch DDC/CI on in the monitor.\r\rFAQ\r\rAsk.");
  // Bold exactly around the two headings.
  std::string rtf = RtfOf(doc);
  size_t heading = rtf.find("General Information");
  size_t body = rtf.find("Switch DDC");
  size_t faq = rtf.find("FAQ");
  size_t ask = rtf.find("Ask.");
  ASSERT_TRUE(heading != std::string::npos && body != std::string::npos && faq != std::string::npos &&
              ask != std::string::npos)
      << rtf;
  EXPECT_TRUE(BoldAt(rtf, heading)) << rtf;
  EXPECT_FALSE(BoldAt(rtf, body)) << rtf;
  EXPECT_TRUE(BoldAt(rtf, faq)) << rtf;
  EXPECT_FALSE(BoldAt(rtf, ask)) << rtf;

  CHARFORMAT2W format{};
  format.cbSize = sizeof format;
  ::SendMessageW(doc, EM_GETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&format));
  EXPECT_STREQ(format.szFaceName, L"Segoe UI");
  EXPECT_EQ(format.yHeight, 180 * static_cast<LONG>(view->Dpi()) / 96); // 9 points

  // Nothing can be selected from outside or with the mouse, and the page takes no focus.
  ::SendMessageW(doc, EM_SETSEL, 0, -1);
  DWORD from = 1, to = 1;
  ::SendMessageW(doc, EM_GETSEL, reinterpret_cast<WPARAM>(&from), reinterpret_cast<LPARAM>(&to));
  EXPECT_EQ(from, to);
  ::ShowWindow(host->Window(), SW_SHOW);
  view->ShowPage(1);
  ::SendMessageW(doc, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  ::SendMessageW(doc, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(200, 60));
  ::SendMessageW(doc, WM_LBUTTONUP, 0, MAKELPARAM(200, 60));
  ::SendMessageW(doc, EM_GETSEL, reinterpret_cast<WPARAM>(&from), reinterpret_cast<LPARAM>(&to));
  EXPECT_EQ(from, to);
  ::SetFocus(doc);
  EXPECT_NE(::GetFocus(), doc);

  // A new document replaces the old one entirely.
  view->SetDocument({{u"Control", true}}, FontSpec{u"Segoe UI", -12});
  EXPECT_EQ(TextOf(doc), L"Control");
  std::string again = RtfOf(doc);
  EXPECT_TRUE(BoldAt(again, again.find("Control"))) << again;
}

TEST_F(SettingsViewTest, TheTabShowsOnePageAtATimeAndForgedNotificationsAreHarmless) {
  ::ShowWindow(host->Window(), SW_SHOWNOACTIVATE);
  // Filling the document, on its hidden page, leaves it hidden.
  view->ShowPage(1);
  view->ShowPage(0);
  view->SetDocument({{u"Control", true}, {u"\n\nText", false}}, FontSpec{u"Segoe UI", -12});
  auto visible = [](HWND w) { return ::IsWindowVisible(w) != FALSE; };
  EXPECT_TRUE(visible(At(C::Config)));
  EXPECT_TRUE(visible(At(C::configinfo)));
  EXPECT_FALSE(visible(At(C::HtmlViewer1)));
  EXPECT_FALSE(visible(host->LogEdit()));

  // The user picks the third tab: the control selects it and tells its parent.
  ::SendMessageW(view->PageControl(), TCM_SETCURSEL, 2, 0);
  NMHDR change{view->PageControl(), static_cast<UINT_PTR>(kPageControlId), static_cast<UINT>(TCN_SELCHANGE)};
  ::SendMessageW(host->Window(), WM_NOTIFY, kPageControlId, reinterpret_cast<LPARAM>(&change));
  EXPECT_EQ(view->ActivePage(), 2);
  EXPECT_TRUE(visible(host->LogEdit()));
  EXPECT_FALSE(visible(At(C::Config)));
  EXPECT_FALSE(visible(At(C::HtmlViewer1)));
  // The log still takes lines, and keeps more than an edit's default limit.
  std::u16string line(999, u'x');
  for (int i = 0; i < 40; ++i)
    host->AppendLogLine(line);
  EXPECT_EQ(LogText(*host).size(), 40u * 1001u);

  for (LPARAM bogus : {LPARAM(0), LPARAM(1), static_cast<LPARAM>(0x4141414141LL), LPARAM(-1)}) {
    ::SendMessageW(host->Window(), WM_NOTIFY, kPageControlId, bogus);
    ::SendMessageW(host->Window(), WM_COMMAND, MAKEWPARAM(kSettingsControlIdBase, BN_CLICKED), bogus);
    ::SendMessageW(host->Window(), WM_CTLCOLORSTATIC, static_cast<WPARAM>(bogus), bogus);
  }
  Pump();
  EXPECT_EQ(view->ActivePage(), 2);
  EXPECT_TRUE(events.seen.empty());
}

int FontHeight(HWND control) {
  LOGFONTW font{};
  ::GetObjectW(reinterpret_cast<HFONT>(::SendMessageW(control, WM_GETFONT, 0, 0)), sizeof font, &font);
  return font.lfHeight;
}

TEST_F(SettingsViewTest, OnAMonitorOfAnotherDpiTheLayoutAndEveryFontScale) {
  view->SetDocument({{u"Control", true}}, FontSpec{u"Segoe UI", -12});
  view->ShowPage(1);
  view->ShowPage(0);
  const UINT start = view->Dpi();
  const int startIcon = FontHeight(At(C::ColorButton));
  for (UINT dpi : {start * 3 / 2, start * 2, start}) {
    SCOPED_TRACE(dpi);
    view->ApplyDpi(dpi);
    ASSERT_EQ(view->Dpi(), dpi);
    for (C c : {C::SyncBox, C::FontLabel, C::fontval, C::color, C::Config, C::Promo})
      EXPECT_EQ(FontHeight(At(c)), ::MulDiv(-12, static_cast<int>(dpi), 96));
    EXPECT_EQ(FontHeight(host->LogEdit()), ::MulDiv(-12, static_cast<int>(dpi), 96));
    EXPECT_EQ(FontHeight(At(C::ColorButton)),
              ::MulDiv(startIcon, static_cast<int>(dpi), static_cast<int>(start)));
    CHARFORMAT2W format{};
    format.cbSize = sizeof format;
    ::SendMessageW(At(C::HtmlViewer1), EM_GETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&format));
    EXPECT_NEAR(format.yHeight, 180 * static_cast<LONG>(dpi) / 96, 1);

    // The test screen may be too small for the whole window at a high DPI; the controls are not.
    RECT tab{}, font{}, edit{};
    ::GetWindowRect(view->PageControl(), &tab);
    EXPECT_EQ(tab.right - tab.left, Scaled(350));
    ::GetWindowRect(At(C::fontval), &font);
    ::GetWindowRect(At(C::color), &edit);
    EXPECT_EQ(edit.bottom - edit.top, font.bottom - font.top);
    EXPECT_EQ(edit.right - edit.left, Scaled(98));
  }
  // Back on the first monitor, the window has its first size again.
  RECT client{};
  ::GetClientRect(host->Window(), &client);
  EXPECT_EQ(client.right, Scaled(688));
  EXPECT_EQ(client.bottom, Scaled(365));
}

// Answers the colour dialog once it is open: OK or Cancel.
struct DialogAnswer {
  HWND owner = nullptr;
  int button = IDOK;
  bool seen = false;
  int ticks = 0;
};
DialogAnswer answer;

BOOL CALLBACK FindDialog(HWND window, LPARAM found) {
  if (ClassOf(window) == L"#32770" && ::GetWindow(window, GW_OWNER) == answer.owner &&
      ::IsWindowVisible(window)) {
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
  }
  return TRUE;
}

void CALLBACK AnswerDialog(HWND, UINT, UINT_PTR id, DWORD) {
  HWND dialog = nullptr;
  ::EnumThreadWindows(::GetCurrentThreadId(), FindDialog, reinterpret_cast<LPARAM>(&dialog));
  if (!dialog && ++answer.ticks < 200) return;
  ::KillTimer(nullptr, id);
  if (!dialog) return;
  answer.seen = true;
  ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(answer.button, BN_CLICKED), 0);
}

TEST_F(SettingsViewTest, TheColourDialogStartsOnTheColourAndOnlyAConfirmChangesIt) {
  for (int button : {IDOK, IDCANCEL}) {
    SCOPED_TRACE(button);
    answer = DialogAnswer{host->Window(), button};
    ::SetTimer(nullptr, 0, 50, AnswerDialog);
    uint32_t colour = 0x0080FF; // FF8000 as the edit writes it
    bool confirmed = view->PickColor(colour);
    EXPECT_TRUE(answer.seen);
    EXPECT_EQ(confirmed, button == IDOK);
    EXPECT_EQ(colour, 0x0080FFu);
  }
}

// While the colour dialog is open, its loop dispatches whatever arrives: a click on the colour
// button (posted by anyone, or from a timer pass) and a second request for the dialog.
struct Reentry {
  Win32SettingsView* view = nullptr;
  HWND button = nullptr;
  bool tried = false;
  bool second = true;
  int most = 0;
  int ticks = 0;
};
Reentry reentry;

BOOL CALLBACK CountDialogs(HWND window, LPARAM count) {
  if (ClassOf(window) == L"#32770" && ::GetWindow(window, GW_OWNER) == answer.owner &&
      ::IsWindowVisible(window))
    ++*reinterpret_cast<int*>(count);
  return TRUE;
}

BOOL CALLBACK CancelDialog(HWND window, LPARAM) {
  if (ClassOf(window) == L"#32770" && ::GetWindow(window, GW_OWNER) == answer.owner)
    ::PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
  return TRUE;
}

void CALLBACK ReenterDialog(HWND, UINT, UINT_PTR id, DWORD) {
  int open = 0;
  ::EnumThreadWindows(::GetCurrentThreadId(), CountDialogs, reinterpret_cast<LPARAM>(&open));
  reentry.most = std::max(reentry.most, open);
  if (++reentry.ticks > 400) ::KillTimer(nullptr, id);
  if (open == 0) {
    if (reentry.tried) ::KillTimer(nullptr, id);
    return;
  }
  if (!reentry.tried) {
    reentry.tried = true;
    ::SendMessageW(reentry.button, BM_CLICK, 0, 0);
    uint32_t colour = 0;
    reentry.second = reentry.view->PickColor(colour);
    return;
  }
  ::EnumThreadWindows(::GetCurrentThreadId(), CancelDialog, 0);
}

TEST_F(SettingsViewTest, OneColourDialogAtATime) {
  ::ShowWindow(host->Window(), SW_SHOWNOACTIVATE);
  answer = DialogAnswer{host->Window(), IDCANCEL};
  reentry = Reentry{view.get(), At(C::ColorButton)};
  ::SetTimer(nullptr, 0, 50, ReenterDialog);
  uint32_t colour = 0x0080FF;
  EXPECT_FALSE(view->PickColor(colour));
  Pump();
  EXPECT_TRUE(reentry.tried);
  EXPECT_FALSE(reentry.second);
  EXPECT_EQ(reentry.most, 1);
  // The click made while the dialog was open asks for no dialog afterwards either.
  EXPECT_TRUE(events.seen.empty());
}

} // namespace
} // namespace lumivane::win32
