#pragma once
// The WMI namespace, queries and messages shared by discovery and the writers.
#include <string>

#include "platform/Wmi.h"

namespace lumivane {

inline constexpr char16_t kWmiNamespace[] = u"root\\WMI";
inline constexpr char16_t kWmiServiceDown[] = u"Service \"winmgmt\" (WMI) is down!";
inline constexpr char16_t kWmiService[] = u"winmgmt";
inline constexpr char16_t kQueryMonitorId[] = u"SELECT * FROM WmiMonitorID WHERE Active=True";
inline constexpr char16_t kQueryBrightness[] = u"SELECT * FROM WmiMonitorBrightness WHERE Active=True";
inline constexpr char16_t kQueryBrightnessMethods[] =
    u"SELECT * FROM WmiMonitorBrightnessMethods WHERE Active=True";

// InstanceName and other scalar properties as text ("" for null).
std::u16string WmiText(const WmiValue& value);

} // namespace lumivane
