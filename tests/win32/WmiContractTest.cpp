// The WMI contract against the system's WMI. root\WMI under Wine has no monitor classes, so the
// object cases use the SMBIOS table class, which Windows and Wine both have there.
#include "contract/WmiContract.h"

#include <windows.h>

#include "platform/win32/UniqueHandles.h"
#include "platform/win32/Win32Wmi.h"

namespace lumivane::contract {
namespace {

bool UnderWine() {
  const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
  return ntdll && ::GetProcAddress(ntdll, "wine_get_version");
}

class Win32WmiBackend {
 public:
  IWmi& Wmi() { return wmi_; }
  bool RefusesUnknownClasses() const { return !UnderWine(); }
  // Wine's SMBIOS class has no Active property to filter on.
  std::u16string ObjectQuery() const { return u"SELECT * FROM MSSMBios_RawSMBiosTables"; }
  // Wine's SMBIOS object carries nothing but SMBiosData, and that is null where Wine cannot read
  // the machine's table (as in a container). The system properties every object has give the text
  // and the integer; WMI arrays are read against Wine's root\cimv2 in WmiAdapterTest.
  std::vector<std::pair<std::u16string, WmiValue::Kind>> Properties() const {
    return {{u"__CLASS", WmiValue::Kind::Text}, {u"__GENUS", WmiValue::Kind::Integer}};
  }

 private:
  win32::ScopedCoInitialize com_;
  win32::Win32Wmi wmi_;
};

INSTANTIATE_TYPED_TEST_SUITE_P(Win32, WmiContract, Win32WmiBackend);

} // namespace
} // namespace lumivane::contract
