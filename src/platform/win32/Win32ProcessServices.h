#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "platform/Host.h"
#include "platform/win32/UniqueHandles.h"

namespace lumivane::win32 {

class Win32ProcessServices final : public IProcessServices {
 public:
  // Resources come from module; nullptr means the program's own executable.
  explicit Win32ProcessServices(HMODULE module = nullptr);

  bool CheckSingleInstance(const std::u16string& name, bool keep) override;
  uintptr_t InstallEmbeddedFont(int resourceId) override;
  void RemoveFont(uintptr_t handle) override;

  std::u16string ExecutablePath() override;
  bool LaunchInstance(const std::u16string& path, const std::u16string& folder) override;
  std::optional<std::u16string> ForegroundProgramName() override;
  std::optional<std::array<uint16_t, 4>> FileVersion(const std::u16string& path) override;
  static std::u16string FolderOf(const std::u16string& path) { return lumivane::FolderOf(path); }

 private:
  HMODULE module_;
  // A kept mutex stays owned until this object goes, at the end of the process.
  std::vector<UniqueHandle> keptMutexes_;
  // Fonts not removed explicitly are removed when this object goes.
  std::vector<UniqueFontMem> fonts_;
};

} // namespace lumivane::win32
