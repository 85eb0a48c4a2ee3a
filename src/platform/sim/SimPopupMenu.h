#pragma once
// The tray's popup menu: records what each popup showed and answers with a scripted choice.
#include <functional>
#include <string>
#include <vector>

#include "platform/PopupMenu.h"

namespace lumivane {

class SimPopupMenu final : public IPopupMenu {
 public:
  int Popup(const std::vector<MenuItem>& items, Point where) override;

  // The next popup picks the first item with this caption, as a user can: only a visible,
  // enabled item that is no separator. Without a choice, or when none fits, the menu is
  // dismissed. The choice serves one popup.
  void Choose(std::u16string caption) { choice_ = std::move(caption); }
  // Runs inside the next popups, as the modal loop runs timer passes and other messages.
  void SetDuringPopup(std::function<void()> fn) { during_ = std::move(fn); }

  int Popups() const { return popups_; }
  const std::vector<MenuItem>& LastItems() const { return lastItems_; }
  Point LastPoint() const { return lastPoint_; }
  // The captions the user saw in the last popup: visible items only, separators as "-".
  std::vector<std::u16string> VisibleCaptions() const;

 private:
  std::u16string choice_;
  std::function<void()> during_;
  int popups_ = 0;
  std::vector<MenuItem> lastItems_;
  Point lastPoint_;
};

} // namespace lumivane
