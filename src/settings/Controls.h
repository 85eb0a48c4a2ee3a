#pragma once
// Portable models of the settings window's controls. The Win32 window binds real controls to
// them; tests set them directly.

namespace lumivane {

struct CheckBox {
  bool Checked = false;
};

} // namespace lumivane
