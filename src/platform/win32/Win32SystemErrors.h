#pragma once
#include "platform/SystemErrors.h"

namespace lumivane::win32 {

class Win32SystemErrors final : public ISystemErrors {
 public:
  uint32_t LastError() const override;
  std::u16string MessageText(uint32_t code) const override;
};

} // namespace lumivane::win32
