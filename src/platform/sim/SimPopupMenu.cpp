#include "platform/sim/SimPopupMenu.h"

#include <utility>

namespace lumivane {

int SimPopupMenu::Popup(const std::vector<MenuItem>& items, Point where) {
  ++popups_;
  lastItems_ = items;
  lastPoint_ = where;
  const std::u16string choice = std::exchange(choice_, std::u16string());
  if (during_) during_();
  if (choice.empty()) return kNoChoice;
  for (const MenuItem& item : lastItems_)
    if (item.caption == choice && item.caption != u"-" && item.visible && item.enabled) return item.id;
  return kNoChoice;
}

std::vector<std::u16string> SimPopupMenu::VisibleCaptions() const {
  std::vector<std::u16string> captions;
  for (const MenuItem& item : lastItems_)
    if (item.visible) captions.push_back(item.caption);
  return captions;
}

} // namespace lumivane
