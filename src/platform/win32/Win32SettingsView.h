#pragma once
#include <windows.h>

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "platform/SettingsView.h"
#include "platform/win32/DocumentViewer.h"
#include "platform/win32/HintWindow.h"
#include "platform/win32/UniqueHandles.h"

namespace lumivane::win32 {

// The settings window: the program's hidden main window holds every control as a direct child
// with the id 1000 + int(SettingsControl), so that outside tools can find them. The four pages
// of the tab control are groups of sibling controls shown and hidden with the selected tab.
// Program changes (Set*) are never reported back; the user's changes arrive through the main
// window's messages, which the program routes to HandleMessage.
class Win32SettingsView final : public ISettingsView {
 public:
  // Builds the controls in window, takes logEdit (the host's debug log) onto the third page,
  // sizes the window for its DPI and centres it on the screen. It stays hidden. Throws
  // std::runtime_error when a control cannot be made.
  Win32SettingsView(HWND window, HINSTANCE instance, HWND logEdit);
  ~Win32SettingsView() override;
  Win32SettingsView(const Win32SettingsView&) = delete;
  Win32SettingsView& operator=(const Win32SettingsView&) = delete;

  // A message of the main window; true when it was the view's (result holds the answer).
  // Any process can send these, so parameters are checked against the view's own controls.
  bool HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);
  // The window moved to a monitor of another DPI: fonts and layout follow; the window keeps
  // its top-left corner.
  void DpiChanged();
  // The same for a given DPI.
  void ApplyDpi(UINT dpi);

  HWND Window() const { return window_; }
  HWND ControlWindow(SettingsControl control) const;
  HWND PageControl() const { return tab_; }
  // The pop-up that shows a control's hint while the pointer rests on it.
  const HintWindow& Hint() const { return *hint_; }
  int ActivePage() const { return page_; }
  void ShowPage(int page);
  UINT Dpi() const { return dpi_; }

  void SetEvents(ISettingsViewEvents* events) override { events_ = events; }
  void SetCaption(SettingsControl control, const std::u16string& text) override;
  void SetHint(SettingsControl control, const std::u16string& text) override;
  void SetChecked(SettingsControl control, bool checked) override;
  void SetItems(SettingsControl control, const std::vector<std::u16string>& items) override;
  void SetSelected(SettingsControl control, int index) override;
  void SetText(SettingsControl control, const std::u16string& text) override;
  void SetDocument(const std::vector<DocRun>& runs, const FontSpec& font) override;
  bool PickColor(uint32_t& color) override;
  void SetHotkey(SettingsControl control, const Hotkey& hotkey) override;

 private:
  static constexpr size_t kCount = static_cast<size_t>(SettingsControl::Count);
  static constexpr int kPages = 4;
  static constexpr int kHotkeysPage = 3;
  static constexpr int kDocumentPage = 1;

  void CreateControls();
  HWND Make(SettingsControl control, const wchar_t* className, DWORD style, DWORD exStyle = 0);
  void MakeFonts();
  void ApplyFonts();
  void Layout();
  // Of the control's text in the window font; the height wrapped at width.
  int TextWidth(HWND control) const;
  int TextHeight(HWND control, int width) const;
  void SizeWindow(bool centre);
  SettingsControl ControlOf(HWND child) const;
  int PageOf(HWND child) const;
  LRESULT ColorStatic(HDC dc, HWND child);
  void OnCommand(WPARAM wParam, LPARAM lParam);
  void ShowHint(HWND child);
  static LRESULT CALLBACK HintProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                   DWORD_PTR data) noexcept;

  HWND window_;
  HINSTANCE instance_;
  HWND log_;
  HWND tab_ = nullptr;
  std::unique_ptr<HintWindow> hint_;
  std::array<HWND, kCount> controls_{};
  std::array<std::wstring, kCount> hints_{};
  ISettingsViewEvents* events_ = nullptr;
  UINT dpi_ = 96;
  int page_ = 0;
  // Set while the program changes a control, so the control's own notifications are not taken
  // for the user's.
  int programChanges_ = 0;
  // A posted ColorButton click is on its way; any other such message was forged.
  bool colorClickPosted_ = false;
  // The colour dialog is open.
  bool pickingColor_ = false;
  bool forwardingWheel_ = false;
  // Kept between runs of the colour dialog, as the user left them.
  COLORREF customColors_[16] = {};
  // The colour dialog's DLL, loaded when the dialog is first wanted: it brings the printing
  // stack with it, megabytes a tray program does not need until then.
  UniqueHmodule colorDialogModule_;
  std::unique_ptr<DocumentViewer> document_;
  UniqueGdiObj windowFont_;
  UniqueGdiObj iconFont_;
};

} // namespace lumivane::win32
