#pragma once
#include <string>

namespace lumivane {

// The notification-area icon. It shows either the application icon or a short text.
class ITray {
 public:
  virtual ~ITray() = default;
  virtual void ShowText(const std::u16string& text, int fontHeight) = 0;
  virtual void ShowApplicationIcon() = 0;
  virtual void SetVisible(bool visible) = 0;
  virtual bool IsVisible() const = 0;
  // Sends the current image to the shell again (NIM_MODIFY).
  virtual bool Refresh() = 0;
  // A new notification area knows nothing of the icon: add it again when visible.
  virtual void OnTaskbarCreated() = 0;
};

} // namespace lumivane
