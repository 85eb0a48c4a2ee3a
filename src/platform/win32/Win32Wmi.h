#pragma once
// WMI over COM: IWbemLocator, IWbemServices, IEnumWbemClassObject, IWbemClassObject. The calling
// thread must have initialised COM.
#include <windows.h>

#include <oaidl.h>
#include <wbemcli.h>

#include "platform/Wmi.h"

namespace lumivane::win32 {

class Win32Wmi final : public IWmi {
 public:
  // nameSpace such as root\WMI, on the local machine.
  std::unique_ptr<IWmiServices> Connect(const std::u16string& nameSpace) override;
};

// Connect's and a query walk's work on COM objects made elsewhere (the tests bring stand-ins):
// ConnectServer with the bounded wait; a walk whose Next waits at most kWmiWaitMs per object.
std::unique_ptr<IWmiServices> ConnectWith(IWbemLocator& locator, const std::u16string& nameSpace);
std::unique_ptr<IWmiObjectSet> WalkOf(IWbemServices* services, IEnumWbemClassObject& objects);

// WMI's text for an HRESULT (the WMI status-code texts, else the system message table, else
// "0x%08X").
std::u16string DescribeHresult(HRESULT hr);

// A property value as the port carries it. Null/empty, integers (VT_BOOL as 1 or 0), text and
// arrays of them; anything else is converted to text by the automation rules, or is null when
// it has no text form.
WmiValue ToWmiValue(const VARIANT& value);

} // namespace lumivane::win32
