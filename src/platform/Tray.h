#pragma once
#include <cstdint>
#include <string>

#include "platform/Geometry.h"

namespace lumivane {

// A platform icon image (HICON on Windows); 0 is none. Whoever holds one destroys it through
// IIconPainter::DestroyIcon unless it handed it on.
using IconHandle = uintptr_t;

// The notification-area icon. It shows either the application icon or a short text.
class ITray {
 public:
  enum class RectResult { Ok, NotImplemented, Failed };

  virtual ~ITray() = default;
  virtual void ShowText(const std::u16string& text, int fontHeight) = 0;
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
