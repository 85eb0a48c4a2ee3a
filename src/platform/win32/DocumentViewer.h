#pragma once
#include <windows.h>

#include <vector>

#include "platform/DocMarkup.h"
#include "platform/IconPainter.h"
#include "platform/win32/UniqueHandles.h"

namespace lumivane::win32 {

// The documentation page: a borderless, read-only RichEdit with a vertical scroll bar that shows
// runs of text, bold or not, in a default font. It is read, not edited: it takes no focus, shows
// no caret and refuses any selection.
class DocumentViewer {
 public:
  // Will be a child of parent with this id, hidden; clicks send the focus to focusTarget. The
  // control and its library are made only by Realize, when the page is first shown: most users
  // never open it, and the library costs the program a good part of its memory.
  DocumentViewer(HWND parent, int id, HINSTANCE instance, HWND focusTarget);
  ~DocumentViewer();
  DocumentViewer(const DocumentViewer&) = delete;
  DocumentViewer& operator=(const DocumentViewer&) = delete;

  // Makes the control, hidden and empty, with the margins given so far; Fill it once it has its
  // place. False when Msftedit.dll or the control is not there; the page then stays empty.
  bool Realize();
  // Puts the document given so far into the control, in its font at its DPI.
  void Fill();
  // nullptr until Realize has made the control.
  HWND Window() const { return window_; }
  // font.height is a character height (negative) or cell height at 96 DPI; 0 means -12.
  void SetDocument(const std::vector<DocRun>& runs, const FontSpec& font);
  // Shows the same document for another DPI.
  void SetDpi(UINT dpi);
  // Space between the text and the control's left and right edges.
  void SetMargins(int left, int right);

 private:
  static LRESULT CALLBACK Proc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                               DWORD_PTR data) noexcept;

  // Declared first, so the library goes after the control that its class belongs to.
  UniqueHmodule library_;
  HWND window_ = nullptr;
  HWND parent_;
  int id_;
  HINSTANCE instance_;
  HWND focusTarget_;
  int marginLeft_ = 0, marginRight_ = 0;
  UINT dpi_ = 96;
  bool filling_ = false;
  std::vector<DocRun> runs_;
  FontSpec font_;
};

} // namespace lumivane::win32
