#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "platform/Geometry.h"

namespace lumivane {

struct MenuItem {
  std::u16string caption; // "-" is a separator
  int id = 0;              // what Popup returns when the item is chosen
  bool checked = false;
  bool enabled = true;
  bool visible = true;
  bool operator==(const MenuItem&) const = default;
};

// The tray's popup menu. Popup runs a modal loop that dispatches timer passes and other
// messages; the caller holds no pointer into the state across it.
class IPopupMenu {
 public:
  static constexpr int kNoChoice = 0;
  virtual ~IPopupMenu() = default;
  // Brings the program to the foreground, opens items at where (aligned as the system wants
  // drop-down menus) and returns the chosen item's id, or kNoChoice.
  virtual int Popup(const std::vector<MenuItem>& items, Point where) = 0;
};

} // namespace lumivane
