#include "platform/win32/DocumentViewer.h"

#include <commctrl.h>
#include <richedit.h>

#include <cstdlib>
#include <cwchar>
#include <stdexcept>
#include <string>

#include "platform/win32/ChildWindowGuard.h"
#include "platform/win32/SystemLibrary.h"
#include "platform/win32/Win32Locale.h"

namespace lumivane::win32 {

namespace {

// The DPI of a device context of the screen: RichEdit turns points into pixels with it.
int SystemDpi() {
  HDC screen = ::GetDC(nullptr);
  int dpi = screen ? ::GetDeviceCaps(screen, LOGPIXELSY) : 96;
  if (screen) ::ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : 96;
}

} // namespace

DocumentViewer::DocumentViewer(HWND parent, int id, HINSTANCE instance, HWND focusTarget)
    : parent_(parent), id_(id), instance_(instance), focusTarget_(focusTarget) {}

bool DocumentViewer::Realize() {
  if (window_) return true;
  // From System32 only, like every library loaded by name.
  if (!library_) library_ = LoadSystemLibrary(L"Msftedit.dll");
  if (!library_) return false;
  // The scroll bar stays, as on a memo, also while the page fits.
  window_ = ::CreateWindowExW(
      0, MSFTEDIT_CLASS, L"",
      WS_CHILD | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | ES_DISABLENOSCROLL, 0, 0, 0, 0,
      parent_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id_)), instance_, nullptr);
  if (!window_) return false;
  ::SendMessageW(window_, EM_SETEVENTMASK, 0, 0);
  ChildWindowGuard::Subclass(window_, Proc, 0, reinterpret_cast<DWORD_PTR>(this));
  SetMargins(marginLeft_, marginRight_);
  return true;
}

DocumentViewer::~DocumentViewer() {
  // The control's class lives in the library freed after this.
  if (window_ && ::IsWindow(window_)) {
    ::RemoveWindowSubclass(window_, Proc, 0);
    ::DestroyWindow(window_);
  }
}

void DocumentViewer::SetDocument(const std::vector<DocRun>& runs, const FontSpec& font) {
  runs_ = runs;
  font_ = font;
  Fill();
}

void DocumentViewer::SetDpi(UINT dpi) {
  if (dpi == 0 || dpi == dpi_) return;
  dpi_ = dpi;
  Fill();
}

void DocumentViewer::SetMargins(int left, int right) {
  marginLeft_ = left;
  marginRight_ = right;
  if (!window_) return;
  ::SendMessageW(window_, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELPARAM(left, right));
}

void DocumentViewer::Fill() {
  HWND doc = window_;
  if (!doc) return;
  // The face and size of the default font, scaled to the window's DPI; RichEdit turns points into
  // pixels at the system's DPI.
  int height = font_.height != 0 ? std::abs(font_.height) : 12;
  CHARFORMAT2W format{};
  format.cbSize = sizeof format;
  format.dwMask = CFM_FACE | CFM_SIZE | CFM_BOLD | CFM_CHARSET;
  format.yHeight = ::MulDiv(height * 15, static_cast<int>(dpi_), SystemDpi());
  format.bCharSet = DEFAULT_CHARSET;
  std::wstring face = font_.name.empty() ? std::wstring(L"Segoe UI") : ToWide(font_.name);
  std::wcsncpy(format.szFaceName, face.c_str(), LF_FACESIZE - 1);

  // WM_SETREDRAW would also show a hidden page: only a shown one is spared the flicker.
  bool shown = (::GetWindowLongPtrW(doc, GWL_STYLE) & WS_VISIBLE) != 0;
  filling_ = true;
  if (shown) ::SendMessageW(doc, WM_SETREDRAW, FALSE, 0);
  ::SendMessageW(doc, EM_SETREADONLY, FALSE, 0);
  ::SetWindowTextW(doc, L"");
  ::SendMessageW(doc, EM_SETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&format));
  ::SendMessageW(doc, EM_SETCHARFORMAT, SCF_ALL, reinterpret_cast<LPARAM>(&format));
  LONG at = 0;
  for (const DocRun& run : runs_) {
    // RichEdit ends a paragraph with CR alone; one character for one keeps the positions.
    std::wstring text;
    text.reserve(run.text.size());
    for (size_t i = 0; i < run.text.size(); ++i) {
      char16_t c = run.text[i];
      if (c == u'\r' && i + 1 < run.text.size() && run.text[i + 1] == u'\n') continue;
      if (c == u'\0') continue;
      text += c == u'\n' ? L'\r' : static_cast<wchar_t>(c);
    }
    if (text.empty()) continue;
    ::SendMessageW(doc, EM_SETSEL, static_cast<WPARAM>(at), static_cast<LPARAM>(at));
    format.dwEffects = run.bold ? CFE_BOLD : 0;
    ::SendMessageW(doc, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
    ::SendMessageW(doc, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
    at += static_cast<LONG>(text.size());
  }
  ::SendMessageW(doc, EM_SETSEL, 0, 0);
  ::SendMessageW(doc, EM_SETREADONLY, TRUE, 0);
  if (shown) ::SendMessageW(doc, WM_SETREDRAW, TRUE, 0);
  ::InvalidateRect(doc, nullptr, TRUE);
  filling_ = false;
}

LRESULT CALLBACK DocumentViewer::Proc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                      DWORD_PTR data) noexcept {
  auto* viewer = reinterpret_cast<DocumentViewer*>(data);
  switch (msg) {
  // The page is read, not edited: no caret, no selection. Clicks and the focus go elsewhere.
  case WM_LBUTTONDOWN:
  case WM_LBUTTONDBLCLK:
  case WM_RBUTTONDOWN:
  case WM_RBUTTONDBLCLK:
  case WM_MBUTTONDOWN:
    if (viewer->focusTarget_) ::SetFocus(viewer->focusTarget_);
    return 0;
  case WM_LBUTTONUP:
  case WM_RBUTTONUP:
  case WM_MBUTTONUP:
  case WM_CONTEXTMENU:
    return 0;
  case WM_SETFOCUS:
    if (viewer->focusTarget_) ::SetFocus(viewer->focusTarget_);
    return 0;
  case WM_SETCURSOR:
    if (LOWORD(lParam) == HTCLIENT) {
      ::SetCursor(::LoadCursorW(nullptr, IDC_ARROW));
      return TRUE;
    }
    break;
  case EM_SETSEL:
    // Only an empty selection (a position) is taken, except while the program fills the page.
    if (!viewer->filling_ && wParam != static_cast<WPARAM>(lParam)) return 0;
    break;
  case EM_EXSETSEL:
    if (!viewer->filling_) return 0;
    break;
  case WM_NCDESTROY:
    ::RemoveWindowSubclass(window, Proc, id);
    break;
  default:
    break;
  }
  return ::DefSubclassProc(window, msg, wParam, lParam);
}

} // namespace lumivane::win32
