#include "platform/win32/Win32SettingsView.h"

#include <commctrl.h>
#include <commdlg.h>

#include <algorithm>
#include <cstdlib>
#include <stdexcept>

#include "platform/win32/ChildWindowGuard.h"
#include "platform/win32/Messages.h"
#include "platform/win32/SystemLibrary.h"
#include "platform/win32/Win32GlobalHotkeys.h"
#include "platform/win32/Win32Locale.h"

namespace lumivane::win32 {

namespace {

using C = SettingsControl;

// The window's own font, and the colour button's glyph font (installed by the program at start).
constexpr wchar_t kWindowFace[] = L"Segoe UI";
constexpr int kWindowFontHeight = -12;
constexpr wchar_t kIconFace[] = L"Font Awesome 5 Free Solid";
constexpr int kIconFontHeight = -15;

// Design sizes at 96 DPI.
constexpr int kClientWidth = 688;
constexpr int kClientHeight = 365;
constexpr int kMargin = 15;
constexpr int kLeftWidth = 293;
constexpr int kColumnWidth = 138;
constexpr int kCheckHeight = 17;
constexpr int kCheckGap = 5;
constexpr int kBelowChecks = 10;
constexpr int kLabelGap = 2;
constexpr int kRowGap = 8;
constexpr int kColorEditWidth = 98;
constexpr int kColorButtonGap = 10;
constexpr int kColorButtonWidth = 30;
constexpr int kPagesWidth = 350;
constexpr int kPagesTop = 12;
constexpr int kPagePadding = 6;
constexpr int kConfigInfoHeight = 50;
constexpr int kDropDownHeight = 240;

bool IsCheckBox(C c) {
  return c == C::AutoRunBox || c == C::SyncBox || c == C::TrackBox || c == C::DetectModelBox ||
         c == C::DetectResBox || c == C::HideBox;
}
bool IsCombo(C c) {
  return c == C::fontval || c == C::stepval || c == C::stepMin || c == C::Lang || c == C::stepMax;
}
bool IsEdit(C c) {
  return c == C::color || c == C::Config;
}
bool IsPage(C c) {
  return c == C::TabSheet1 || c == C::TabSheet2 || c == C::TabSheet3 || c == C::TabSheet4;
}
int PageIndex(C c) {
  return c == C::TabSheet4 ? 3 : static_cast<int>(c) - static_cast<int>(C::TabSheet1);
}
bool IsHotkeyPart(C c, HotkeyPart wanted) {
  int row = 0;
  HotkeyPart part = HotkeyPart::Count;
  return HotkeyRowOf(c, row, part) && part == wanted;
}
// Hotkeys page: a row is its caption above the box, the clear button and the state.
constexpr int kHotkeyCaptionWidth = 90;
constexpr int kHotkeyClearWidth = 70;
constexpr int kHotkeyGap = 6;

template <typename Fn> Fn Export(const wchar_t* module, const char* name) {
  HMODULE m = ::GetModuleHandleW(module);
  return m ? reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(::GetProcAddress(m, name))) : nullptr;
}

// The DPI of the monitor the window is on (per-monitor v2); the system's where that is unknown.
UINT WindowDpi(HWND window) {
  using DpiForWindowFn = UINT(WINAPI*)(HWND);
  static auto dpiForWindow = Export<DpiForWindowFn>(L"user32.dll", "GetDpiForWindow");
  if (dpiForWindow) {
    if (UINT dpi = dpiForWindow(window)) return dpi;
  }
  HDC screen = ::GetDC(nullptr);
  int dpi = screen ? ::GetDeviceCaps(screen, LOGPIXELSY) : 96;
  if (screen) ::ReleaseDC(nullptr, screen);
  return dpi > 0 ? static_cast<UINT>(dpi) : 96;
}

// Edit and static controls break lines with CR LF; portable text may use LF alone.
std::wstring WithCrLf(const std::u16string& text) {
  std::wstring out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == u'\n' && (i == 0 || text[i - 1] != u'\r')) out += L'\r';
    out += static_cast<wchar_t>(text[i]);
  }
  return out;
}

std::wstring WindowText(HWND window) {
  int n = ::GetWindowTextLengthW(window);
  if (n <= 0) return {};
  std::wstring text(static_cast<size_t>(n) + 1, L'\0');
  int copied = ::GetWindowTextW(window, text.data(), n + 1);
  text.resize(static_cast<size_t>(std::max(copied, 0)));
  return text;
}

} // namespace

Win32SettingsView::Win32SettingsView(HWND window, HINSTANCE instance, HWND logEdit)
    : window_(window), instance_(instance), log_(logEdit) {
  if (!window_) throw std::runtime_error("the settings view needs the main window");
  INITCOMMONCONTROLSEX common{};
  common.dwSize = sizeof common;
  common.dwICC = ICC_STANDARD_CLASSES | ICC_TAB_CLASSES | ICC_BAR_CLASSES | ICC_HOTKEY_CLASS;
  ::InitCommonControlsEx(&common);
  dpi_ = WindowDpi(window_);
  CreateControls();
  MakeFonts();
  ApplyFonts();
  SizeWindow(true);
  Layout();
  ShowPage(0);
}

Win32SettingsView::~Win32SettingsView() {
  // The controls may outlive this object for a moment: they stop calling it.
  for (HWND child : controls_)
    if (child && ::IsWindow(child) && ::GetParent(child) == window_)
      ::RemoveWindowSubclass(child, HintProc, 1);
}

HWND Win32SettingsView::Make(C control, const wchar_t* className, DWORD style, DWORD exStyle) {
  int id = kSettingsControlIdBase + static_cast<int>(control);
  HWND child = ::CreateWindowExW(exStyle, className, L"", WS_CHILD | style, 0, 0, 0, 0, window_,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance_, nullptr);
  if (!child) throw std::runtime_error("a control of the settings window cannot be made");
  controls_[static_cast<size_t>(control)] = child;
  return child;
}

void Win32SettingsView::CreateControls() {
  // Tabs that do not fit in one row (a longer translation) take a second row rather than hide.
  tab_ = ::CreateWindowExW(
      0, WC_TABCONTROLW, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_TABSTOP | TCS_MULTILINE, 0, 0, 0,
      0, window_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kPageControlId)), instance_, nullptr);
  if (!tab_) throw std::runtime_error("the tab control of the settings window cannot be made");
  for (int i = 0; i < kPages; ++i) {
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = const_cast<wchar_t*>(L"");
    ::SendMessageW(tab_, TCM_INSERTITEMW, i, reinterpret_cast<LPARAM>(&item));
  }

  for (C c : {C::AutoRunBox, C::SyncBox, C::TrackBox, C::DetectModelBox, C::DetectResBox, C::HideBox})
    Make(c, L"BUTTON", WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX);
  for (C c :
       {C::FontLabel, C::StepLabel, C::StepMinLabel, C::FntColor, C::LangLabel, C::StepMaxLabel, C::Promo})
    Make(c, L"STATIC", WS_VISIBLE | SS_LEFT | SS_NOPREFIX);
  for (C c : {C::fontval, C::stepval, C::stepMin, C::Lang, C::stepMax})
    Make(c, WC_COMBOBOXW, WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST);
  Make(C::color, L"EDIT", WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE);
  Make(C::ColorButton, L"BUTTON", WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON);

  Make(C::configinfo, L"STATIC", SS_LEFT | SS_NOPREFIX);
  // One entry per line, not wrapped: wrapping a stored list of a megabyte without a break keeps
  // the edit control busy for longer than a whole start-up may take.
  HWND config = Make(C::Config, L"EDIT",
                     WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_AUTOHSCROLL | ES_WANTRETURN,
                     WS_EX_CLIENTEDGE);
  // The list has no length limit of its own; the default 30,000 characters would stop typing.
  ::SendMessageW(config, EM_SETLIMITTEXT, 0x7FFFFFFE, 0);

  // The hotkeys page, shown with its tab.
  for (int row = 0; row < kHotkeyRows; ++row) {
    Make(HotkeyControl(row, HotkeyPart::Caption), L"STATIC", SS_LEFT | SS_NOPREFIX);
    Make(HotkeyControl(row, HotkeyPart::Box), HOTKEY_CLASSW, WS_TABSTOP, WS_EX_CLIENTEDGE);
    Make(HotkeyControl(row, HotkeyPart::Clear), L"BUTTON", WS_TABSTOP | BS_PUSHBUTTON);
    Make(HotkeyControl(row, HotkeyPart::State), L"STATIC", SS_LEFT | SS_NOPREFIX | SS_ENDELLIPSIS);
  }

  // The documentation page's control is made when the page is first shown (ShowPage).
  document_ = std::make_unique<DocumentViewer>(
      window_, kSettingsControlIdBase + static_cast<int>(C::HtmlViewer1), instance_, tab_);

  // The tab control lies below its pages' controls, which are its siblings.
  ::SetWindowPos(tab_, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);

  hint_ = std::make_unique<HintWindow>(window_, instance_);
}

HWND Win32SettingsView::ControlWindow(C control) const {
  size_t i = static_cast<size_t>(control);
  return i < kCount ? controls_[i] : nullptr;
}

C Win32SettingsView::ControlOf(HWND child) const {
  if (!child) return C::Count;
  for (size_t i = 0; i < kCount; ++i)
    if (controls_[i] == child) return static_cast<C>(i);
  return C::Count;
}

int Win32SettingsView::PageOf(HWND child) const {
  if (child == log_) return 2;
  int row = 0;
  HotkeyPart part = HotkeyPart::Count;
  if (HotkeyRowOf(ControlOf(child), row, part)) return kHotkeysPage;
  switch (ControlOf(child)) {
  case C::configinfo:
  case C::Config:
    return 0;
  case C::HtmlViewer1:
    return 1;
  default:
    return -1;
  }
}

void Win32SettingsView::MakeFonts() {
  int height = ::MulDiv(kWindowFontHeight, static_cast<int>(dpi_), 96);
  windowFont_.reset(::CreateFontW(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                  OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, DEFAULT_PITCH,
                                  kWindowFace));
  int iconHeight = ::MulDiv(kIconFontHeight, static_cast<int>(dpi_), 96);
  iconFont_.reset(::CreateFontW(iconHeight, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, DEFAULT_PITCH,
                                kIconFace));
}

void Win32SettingsView::ApplyFonts() {
  auto font = reinterpret_cast<WPARAM>(windowFont_.get());
  for (size_t i = 0; i < kCount; ++i) {
    HWND child = controls_[i];
    if (!child || static_cast<C>(i) == C::HtmlViewer1) continue;
    bool icon = static_cast<C>(i) == C::ColorButton;
    ::SendMessageW(child, WM_SETFONT, icon ? reinterpret_cast<WPARAM>(iconFont_.get()) : font, TRUE);
  }
  for (HWND other : {tab_, log_})
    if (other) ::SendMessageW(other, WM_SETFONT, font, TRUE);
  document_->SetDpi(dpi_);
}

void Win32SettingsView::SizeWindow(bool centre) {
  using AdjustForDpiFn = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);
  static auto adjustForDpi = Export<AdjustForDpiFn>(L"user32.dll", "AdjustWindowRectExForDpi");
  RECT frame{0, 0, ::MulDiv(kClientWidth, static_cast<int>(dpi_), 96),
             ::MulDiv(kClientHeight, static_cast<int>(dpi_), 96)};
  DWORD style = static_cast<DWORD>(::GetWindowLongPtrW(window_, GWL_STYLE));
  DWORD exStyle = static_cast<DWORD>(::GetWindowLongPtrW(window_, GWL_EXSTYLE));
  if (!adjustForDpi || !adjustForDpi(&frame, style, FALSE, exStyle, dpi_))
    ::AdjustWindowRectEx(&frame, style, FALSE, exStyle);
  int width = frame.right - frame.left;
  int height = frame.bottom - frame.top;
  if (!centre) {
    ::SetWindowPos(window_, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    return;
  }
  RECT screen{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
  MONITORINFO info{};
  info.cbSize = sizeof info;
  if (::GetMonitorInfoW(::MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY), &info))
    screen = info.rcMonitor;
  int x = screen.left + (screen.right - screen.left - width) / 2;
  int y = screen.top + (screen.bottom - screen.top - height) / 2;
  ::SetWindowPos(window_, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
  // Centred on a monitor of another DPI, the window has just been scaled for it.
  UINT now = WindowDpi(window_);
  if (now != dpi_) {
    dpi_ = now;
    MakeFonts();
    ApplyFonts();
    SizeWindow(false);
  }
}

int Win32SettingsView::TextHeight(HWND control, int width) const {
  std::wstring text = WindowText(control);
  RECT rect{0, 0, width, 0};
  HDC dc = ::GetDC(window_);
  if (!dc) return 0;
  HGDIOBJ old = ::SelectObject(dc, windowFont_.get());
  ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &rect,
              DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX | DT_EDITCONTROL);
  ::SelectObject(dc, old);
  ::ReleaseDC(window_, dc);
  return rect.bottom - rect.top;
}

int Win32SettingsView::TextWidth(HWND control) const {
  std::wstring text = WindowText(control);
  SIZE size{};
  HDC dc = ::GetDC(window_);
  if (!dc) return 0;
  HGDIOBJ old = ::SelectObject(dc, windowFont_.get());
  ::GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
  ::SelectObject(dc, old);
  ::ReleaseDC(window_, dc);
  return size.cx;
}

void Win32SettingsView::Layout() {
  const int dpi = static_cast<int>(dpi_);
  auto S = [dpi](int v) { return ::MulDiv(v, dpi, 96); };
  auto place = [](HWND w, int x, int y, int width, int height) {
    if (w) ::MoveWindow(w, x, y, width, height, TRUE);
  };
  auto at = [this](C c) { return controls_[static_cast<size_t>(c)]; };

  RECT client{};
  ::GetClientRect(window_, &client);
  int clientWidth = std::max<int>(client.right, S(kClientWidth));
  int clientHeight = std::max<int>(client.bottom, S(kClientHeight));

  int labelHeight = S(15);
  if (HDC dc = ::GetDC(window_)) {
    HGDIOBJ old = ::SelectObject(dc, windowFont_.get());
    TEXTMETRICW tm{};
    if (::GetTextMetricsW(dc, &tm)) labelHeight = tm.tmHeight;
    ::SelectObject(dc, old);
    ::ReleaseDC(window_, dc);
  }

  // Left column: the check boxes, then two columns of labelled choices.
  int left = S(kMargin);
  int width = S(kLeftWidth);
  int y = S(kMargin);
  // A caption longer than the column (a wider substitute font, a longer translation) may use the
  // gap up to the pages, then wraps onto a second line rather than being cut.
  int pagesLeft = clientWidth - S(kMargin) - S(kPagesWidth);
  int boxWidth = std::max(width, pagesLeft - S(kCheckGap) - left);
  for (C c : {C::AutoRunBox, C::SyncBox, C::TrackBox, C::DetectModelBox, C::DetectResBox, C::HideBox}) {
    int needed = TextWidth(at(c)) + ::GetSystemMetrics(SM_CXMENUCHECK) + S(8);
    int w = needed > width ? boxWidth : width;
    bool wrap = needed > boxWidth;
    LONG_PTR style = ::GetWindowLongPtrW(at(c), GWL_STYLE);
    if (((style & BS_MULTILINE) != 0) != wrap)
      ::SetWindowLongPtrW(at(c), GWL_STYLE, wrap ? style | BS_MULTILINE : style & ~LONG_PTR(BS_MULTILINE));
    int height = wrap ? std::max(S(kCheckHeight), 2 * labelHeight + S(2)) : S(kCheckHeight);
    place(at(c), left, y, w, height);
    y += height + S(kCheckGap);
  }
  y += S(kBelowChecks) - S(kCheckGap);

  int column = S(kColumnWidth);
  int right = left + width - column;
  // A drop-down list's closed height follows its font; it is read back after the first move.
  place(at(C::fontval), left, y + labelHeight + S(kLabelGap), column, S(kDropDownHeight));
  RECT combo{};
  ::GetWindowRect(at(C::fontval), &combo);
  int rowHeight = combo.bottom - combo.top > 0 ? combo.bottom - combo.top : S(23);
  int step = labelHeight + S(kLabelGap) + rowHeight + S(kRowGap);

  const C leftColumn[][2] = {
      {C::FontLabel, C::fontval}, {C::StepLabel, C::stepval}, {C::StepMinLabel, C::stepMin}};
  const C rightColumn[][2] = {
      {C::FntColor, C::Count}, {C::LangLabel, C::Lang}, {C::StepMaxLabel, C::stepMax}};
  for (int row = 0; row < 3; ++row) {
    int top = y + row * step;
    int below = top + labelHeight + S(kLabelGap);
    place(at(leftColumn[row][0]), left, top, column, labelHeight);
    place(at(leftColumn[row][1]), left, below, column, S(kDropDownHeight));
    place(at(rightColumn[row][0]), right, top, column, labelHeight);
    if (rightColumn[row][1] != C::Count) {
      place(at(rightColumn[row][1]), right, below, column, S(kDropDownHeight));
    } else {
      // The colour row is as high as the font combo.
      place(at(C::color), right, below, S(kColorEditWidth), rowHeight);
      place(at(C::ColorButton), right + S(kColorEditWidth) + S(kColorButtonGap), below, S(kColorButtonWidth),
            rowHeight);
    }
  }
  int promoTop = y + 3 * step;
  int promoHeight = std::max(clientHeight - S(kMargin) - promoTop, labelHeight);
  place(at(C::Promo), left, clientHeight - S(kMargin) - std::min(promoHeight, 2 * labelHeight), width,
        std::min(promoHeight, 2 * labelHeight));

  // Right column: the tab control and its pages.
  int pagesTop = S(kPagesTop);
  place(tab_, pagesLeft, pagesTop, S(kPagesWidth), clientHeight - pagesTop - S(kMargin));
  RECT area{pagesLeft, pagesTop, pagesLeft + S(kPagesWidth), clientHeight - S(kMargin)};
  ::SendMessageW(tab_, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&area));
  ::InflateRect(&area, -S(kPagePadding) / 2, -S(kPagePadding) / 2);
  int areaWidth = area.right - area.left;
  // The explanation is 50 high, or as high as its wrapped lines need.
  int infoHeight = std::max(S(kConfigInfoHeight), TextHeight(at(C::configinfo), areaWidth));
  place(at(C::configinfo), area.left, area.top, areaWidth, infoHeight);
  int configTop = area.top + infoHeight;
  place(at(C::Config), area.left, configTop, areaWidth, area.bottom - configTop);
  place(at(C::HtmlViewer1), area.left, area.top, areaWidth, area.bottom - area.top);
  // A little air between the text and the page's edge and scroll bar.
  document_->SetMargins(S(kPagePadding) / 2, S(kPagePadding));
  place(log_, area.left, area.top, areaWidth, area.bottom - area.top);
  int rowTop = area.top;
  // A row: the caption and, beside it, the state (which may name a whole combination); below
  // them the box and its clear button, as wide as the page allows.
  // The captions' column is as wide as the widest caption, and leaves the state half the page.
  int captionWidth = S(kHotkeyCaptionWidth);
  for (int row = 0; row < kHotkeyRows; ++row)
    captionWidth = std::max(captionWidth, TextWidth(at(HotkeyControl(row, HotkeyPart::Caption))) + S(2));
  captionWidth = std::min(captionWidth, areaWidth / 2);
  for (int row = 0; row < kHotkeyRows; ++row) {
    const int boxTop = rowTop + labelHeight + S(kLabelGap);
    const int stateLeft = area.left + captionWidth + S(kHotkeyGap);
    const int clearLeft = std::max<int>(area.right - S(kHotkeyClearWidth), area.left);
    place(at(HotkeyControl(row, HotkeyPart::Caption)), area.left, rowTop, captionWidth, labelHeight);
    place(at(HotkeyControl(row, HotkeyPart::State)), stateLeft, rowTop,
          std::max<int>(area.right - stateLeft, 0), labelHeight);
    place(at(HotkeyControl(row, HotkeyPart::Box)), area.left, boxTop,
          std::max<int>(clearLeft - S(kHotkeyGap) - area.left, 0), rowHeight);
    place(at(HotkeyControl(row, HotkeyPart::Clear)), clearLeft, boxTop, S(kHotkeyClearWidth), rowHeight);
    rowTop = boxTop + rowHeight + S(kRowGap) + S(kLabelGap);
  }
  // Controls that moved leave their old place to be painted afresh.
  ::RedrawWindow(window_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void Win32SettingsView::ShowPage(int page) {
  if (page < 0 || page >= kPages) return;
  page_ = page;
  if (page == kDocumentPage && !controls_[static_cast<size_t>(C::HtmlViewer1)] && document_->Realize()) {
    controls_[static_cast<size_t>(C::HtmlViewer1)] = document_->Window();
    // The tab control stays below its pages' controls, the new one included.
    ::SetWindowPos(tab_, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    Layout();
    document_->Fill();
  }
  if (static_cast<int>(::SendMessageW(tab_, TCM_GETCURSEL, 0, 0)) != page)
    ::SendMessageW(tab_, TCM_SETCURSEL, static_cast<WPARAM>(page), 0);
  for (HWND child : {controls_[static_cast<size_t>(C::configinfo)], controls_[static_cast<size_t>(C::Config)],
                     controls_[static_cast<size_t>(C::HtmlViewer1)], log_}) {
    if (child) ::ShowWindow(child, PageOf(child) == page ? SW_SHOWNA : SW_HIDE);
  }
  for (size_t i = static_cast<size_t>(C::HotkeyFirst); i < kCount; ++i)
    if (controls_[i]) ::ShowWindow(controls_[i], page == kHotkeysPage ? SW_SHOWNA : SW_HIDE);
}

void Win32SettingsView::DpiChanged() {
  ApplyDpi(WindowDpi(window_));
}

void Win32SettingsView::ApplyDpi(UINT dpi) {
  if (dpi == dpi_ || dpi == 0) return;
  dpi_ = dpi;
  MakeFonts();
  ApplyFonts();
  SizeWindow(false);
  Layout();
}

void Win32SettingsView::SetCaption(C control, const std::u16string& text) {
  if (IsPage(control)) {
    std::wstring caption = ToWide(text);
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = caption.data();
    int index = PageIndex(control);
    ::SendMessageW(tab_, TCM_SETITEMW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
    Layout(); // the tabs may take another number of rows
    return;
  }
  // Edits and lists show their text or items; the document viewer its document.
  if (IsEdit(control) || IsCombo(control) || control == C::HtmlViewer1 ||
      IsHotkeyPart(control, HotkeyPart::Box))
    return;
  HWND child = ControlWindow(control);
  if (!child) return;
  ++programChanges_;
  ::SetWindowTextW(child, WithCrLf(text).c_str());
  --programChanges_;
  // Their height follows their text.
  if (IsCheckBox(control) || control == C::configinfo) Layout();
}

void Win32SettingsView::SetHint(C control, const std::u16string& text) {
  HWND child = ControlWindow(control);
  if (!child) return;
  hints_[static_cast<size_t>(control)] = ToWide(text);
  // The control reports the pointer resting on it and leaving it.
  if (!text.empty()) ChildWindowGuard::Subclass(child, HintProc, 1, reinterpret_cast<DWORD_PTR>(this));
}

void Win32SettingsView::ShowHint(HWND child) {
  C control = ControlOf(child);
  if (control == C::Count || hints_[static_cast<size_t>(control)].empty()) return;
  POINT at{};
  ::GetCursorPos(&at);
  at.y += ::MulDiv(20, static_cast<int>(dpi_), 96);
  hint_->Show(hints_[static_cast<size_t>(control)], static_cast<HFONT>(windowFont_.get()), at,
              ::MulDiv(3, static_cast<int>(dpi_), 96));
}

void Win32SettingsView::SetChecked(C control, bool checked) {
  if (!IsCheckBox(control)) return;
  ++programChanges_;
  ::SendMessageW(ControlWindow(control), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
  --programChanges_;
}

void Win32SettingsView::SetItems(C control, const std::vector<std::u16string>& items) {
  if (!IsCombo(control)) return;
  HWND combo = ControlWindow(control);
  ++programChanges_;
  ::SendMessageW(combo, CB_RESETCONTENT, 0, 0);
  for (const std::u16string& item : items) {
    std::wstring text = ToWide(item);
    ::SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
  }
  --programChanges_;
}

void Win32SettingsView::SetSelected(C control, int index) {
  if (!IsCombo(control)) return;
  HWND combo = ControlWindow(control);
  int count = static_cast<int>(::SendMessageW(combo, CB_GETCOUNT, 0, 0));
  ++programChanges_;
  ::SendMessageW(combo, CB_SETCURSEL, index >= 0 && index < count ? static_cast<WPARAM>(index) : WPARAM(-1),
                 0);
  --programChanges_;
}

void Win32SettingsView::SetText(C control, const std::u16string& text) {
  if (!IsEdit(control)) return;
  std::wstring shown = WithCrLf(text);
  HWND edit = ControlWindow(control);
  // The same text again would move the caret and the scroll position for nothing.
  if (WindowText(edit) == shown) return;
  ++programChanges_;
  ::SetWindowTextW(edit, shown.c_str());
  --programChanges_;
}

void Win32SettingsView::SetHotkey(C control, const Hotkey& hotkey) {
  if (!IsHotkeyPart(control, HotkeyPart::Box)) return;
  ++programChanges_;
  ::SendMessageW(ControlWindow(control), HKM_SETHOTKEY, ControlValueOf(hotkey), 0);
  --programChanges_;
}

void Win32SettingsView::SetDocument(const std::vector<DocRun>& runs, const FontSpec& font) {
  document_->SetDocument(runs, font);
}

bool Win32SettingsView::PickColor(uint32_t& color) {
  // The dialog's loop dispatches whatever arrives, a click for the colour button among it: one
  // dialog at a time.
  if (pickingColor_) return false;
  CHOOSECOLORW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = window_;
  dialog.rgbResult = color & 0xFFFFFF;
  dialog.lpCustColors = customColors_;
  dialog.Flags = CC_FULLOPEN | CC_SOLIDCOLOR | CC_ANYCOLOR | CC_RGBINIT;
  if (!colorDialogModule_) colorDialogModule_ = LoadSystemLibrary(L"comdlg32.dll");
  using ChooseColorFn = BOOL(WINAPI*)(LPCHOOSECOLORW);
  const auto chooseColor = colorDialogModule_
                               ? reinterpret_cast<ChooseColorFn>(reinterpret_cast<void*>(
                                     ::GetProcAddress(colorDialogModule_.get(), "ChooseColorW")))
                               : nullptr;
  if (!chooseColor) return false;
  BOOL chosen = FALSE;
  {
    pickingColor_ = true;
    ChildWindowGuard::ModalLoop loop(ChildWindowGuard::Takes::Posted);
    chosen = chooseColor(&dialog);
    pickingColor_ = false;
  }
  if (!chosen) return false;
  color = dialog.rgbResult & 0xFFFFFF;
  return true;
}

bool Win32SettingsView::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  switch (msg) {
  case WM_COMMAND: {
    HWND child = reinterpret_cast<HWND>(lParam);
    if (!child || ControlOf(child) == C::Count) return false;
    OnCommand(wParam, lParam);
    result = 0;
    return true;
  }
  case kMsgColorButton:
    result = 0;
    if (!colorClickPosted_) return true;
    colorClickPosted_ = false;
    if (events_) events_->UserClicked(C::ColorButton);
    return true;
  case WM_NOTIFY:
    // Any process can send WM_NOTIFY with any lParam, so the header is not read at all: on any
    // notification from the tab control's id the page follows the control's own selection, which
    // is what a change of tab needs and leaves every other notification without effect.
    if (wParam != static_cast<WPARAM>(kPageControlId) || !tab_) return false;
    ShowPage(static_cast<int>(::SendMessageW(tab_, TCM_GETCURSEL, 0, 0)));
    result = 0;
    return true;
  case WM_CTLCOLORSTATIC: {
    HWND child = reinterpret_cast<HWND>(lParam);
    if (!child || (child != log_ && ControlOf(child) != C::configinfo)) return false;
    result = ColorStatic(reinterpret_cast<HDC>(wParam), child);
    return true;
  }
  case WM_MOUSEWHEEL: {
    // A wheel turned over the document while another control has the focus reaches this window;
    // the document scrolls.
    HWND doc = controls_[static_cast<size_t>(C::HtmlViewer1)];
    POINT at{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    RECT rect{};
    if (forwardingWheel_ || !doc || !::IsWindowVisible(doc) || !::GetWindowRect(doc, &rect) ||
        !::PtInRect(&rect, at))
      return false;
    forwardingWheel_ = true;
    ::SendMessageW(doc, WM_MOUSEWHEEL, wParam, lParam);
    forwardingWheel_ = false;
    result = 0;
    return true;
  }
  default:
    return false;
  }
}

void Win32SettingsView::OnCommand(WPARAM wParam, LPARAM lParam) {
  HWND child = reinterpret_cast<HWND>(lParam);
  C control = ControlOf(child);
  UINT code = HIWORD(wParam);
  // The program's own changes are not the user's.
  if (programChanges_ > 0 || control == C::Count) return;
  if (IsCheckBox(control) && code == BN_CLICKED) {
    bool checked = ::SendMessageW(child, BM_GETCHECK, 0, 0) == BST_CHECKED;
    if (events_) events_->UserChecked(control, checked);
  } else if (control == C::ColorButton && code == BN_CLICKED) {
    // The colour dialog's modal loop runs from a posted message, outside this notification. A
    // click on a window nobody sees is a forged one: no dialog for it.
    if (!::IsWindowVisible(window_) || ::IsIconic(window_) || pickingColor_) return;
    if (!colorClickPosted_) colorClickPosted_ = ::PostMessageW(window_, kMsgColorButton, 0, 0) != FALSE;
  } else if (IsCombo(control) && code == CBN_SELCHANGE) {
    int index = static_cast<int>(::SendMessageW(child, CB_GETCURSEL, 0, 0));
    if (index >= 0 && events_) events_->UserSelected(control, index);
  } else if (IsHotkeyPart(control, HotkeyPart::Box) && code == EN_CHANGE) {
    // Modifiers alone, or a key the program has no name for, are no combination yet.
    const Hotkey hotkey = HotkeyFromControl(static_cast<WORD>(::SendMessageW(child, HKM_GETHOTKEY, 0, 0)));
    if (hotkey.key != HotkeyKey::None && events_) events_->UserHotkey(control, hotkey);
  } else if (IsHotkeyPart(control, HotkeyPart::Clear) && code == BN_CLICKED) {
    if (events_) events_->UserClicked(control);
  } else if (IsEdit(control) && code == EN_CHANGE) {
    std::u16string text = FromWide(WindowText(child));
    if (events_) events_->UserEdited(control, text);
  }
}

LRESULT Win32SettingsView::ColorStatic(HDC dc, HWND child) {
  // The log reads like a memo: the window colour, though it is read-only. The explanation above
  // the list takes the colour of the page it is on, which themes draw in the window colour.
  // uxtheme.dll is no known DLL: it comes from System32 at run time, not from the import table.
  using ThemeFn = BOOL(WINAPI*)();
  static const auto appThemed = SystemFunction<ThemeFn>(L"uxtheme.dll", "IsAppThemed");
  static const auto themeActive = SystemFunction<ThemeFn>(L"uxtheme.dll", "IsThemeActive");
  const bool themed = appThemed && themeActive && appThemed() && themeActive();
  int background = COLOR_BTNFACE;
  if (child == log_ || themed) background = COLOR_WINDOW;
  ::SetTextColor(dc, ::GetSysColor(background == COLOR_WINDOW ? COLOR_WINDOWTEXT : COLOR_BTNTEXT));
  ::SetBkColor(dc, ::GetSysColor(background));
  return reinterpret_cast<LRESULT>(::GetSysColorBrush(background));
}

LRESULT CALLBACK Win32SettingsView::HintProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                             DWORD_PTR data) noexcept {
  auto* view = reinterpret_cast<Win32SettingsView*>(data);
  switch (msg) {
  case WM_MOUSEMOVE: {
    TRACKMOUSEEVENT track{};
    track.cbSize = sizeof track;
    track.dwFlags = TME_HOVER | TME_LEAVE;
    track.hwndTrack = window;
    track.dwHoverTime = HOVER_DEFAULT;
    ::TrackMouseEvent(&track);
    break;
  }
  case WM_MOUSEHOVER:
    view->ShowHint(window);
    break;
  case WM_MOUSELEAVE:
  case WM_LBUTTONDOWN:
  case WM_RBUTTONDOWN:
    view->hint_->Hide();
    break;
  case WM_NCDESTROY:
    ::RemoveWindowSubclass(window, HintProc, id);
    break;
  default:
    break;
  }
  return ::DefSubclassProc(window, msg, wParam, lParam);
}

} // namespace lumivane::win32
