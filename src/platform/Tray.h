#pragma once
#include <cstdint>
#include <string>

#include "platform/Geometry.h"

namespace lumivane {

// A platform icon image (HICON on Windows); 0 is none. Whoever holds one destroys it through
// IIconPainter::DestroyIcon unless it handed it on.
using IconHandle = uintptr_t;

// The notification-area icon. It owns the image it shows, draws what it is told and decides
// nothing; events reach the controller through the app.
class ITray {
 public:
  enum class RectResult { Ok, NotImplemented, Failed };

  virtual ~ITray() = default;
  // Puts icon in place of the current image (destroying that one) and sends it to the shell.
  // On success the tray owns icon; on false it was not taken and the caller destroys it.
  virtual bool SetIcon(IconHandle icon, const std::u16string& tip) = 0;
  virtual void ShowApplicationIcon() = 0;
  virtual void SetVisible(bool visible) = 0;
  virtual bool IsVisible() const = 0;
  // Sends the current image to the shell again (NIM_MODIFY).
  virtual bool Refresh() = 0;
  // A new notification area knows nothing of the icon: add it again when visible.
  virtual void OnTaskbarCreated() = 0;
  // The icon's rectangle in screen coordinates. NotImplemented: this shell cannot tell
  // (Wine answers E_NOTIMPL); Failed: any other failure.
  virtual RectResult IconRect(Rect& rect) = 0;
};

} // namespace lumivane
