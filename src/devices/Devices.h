#pragma once
// The device table's identity functions, discovery and the brightness writers.
#include <cstdint>
#include <optional>
#include <string>

#include "devices/DeviceEnv.h"
#include "devices/DeviceTable.h"
#include "platform/DisplayConfig.h"
#include "platform/Wmi.h"

namespace lumivane {

// The record key for a plug-and-play style name: SHA-1 (40 lowercase hex digits) of the name
// with a trailing "_n" after its "UID" part removed, so WMI and desktop names meet.
std::u16string DeviceUid(const std::u16string& name);

// The "model" entry of a DDC/CI capabilities string, or empty text.
std::u16string ModelFromCapabilities(const std::u16string& caps);

// Text of a scalar, a 1-D array (items joined by itemSeparator) or a 2-D array (rows joined by
// rowSeparator); "Array Dim=n" for more dimensions.
std::u16string VariantToText(const WmiValue& value, char16_t itemSeparator, char16_t rowSeparator);

// First pass: WMI monitors into an empty device table; panels with brightness methods become
// internal. Logs through env.ports.log; never throws WmiError. Values no brightness field can
// hold are clamped or skipped here, with one line, so that no later step fails on them.
void DiscoverInternalDisplays(DeviceEnv& env);

// Second pass: desktop monitors and their physical monitors over DDC/CI. Runs after the first.
// A failure, expected or not, skips only the desktop or physical monitor it concerns, and every
// physical monitor handle handed out ends in a record or is released. The physical monitors are
// talked to at the same time (ports.pool); the table and log are those of a walk in turn.
void DiscoverExternalMonitors(DeviceEnv& env);

// The rescan: releases the handles the table holds, empties it and runs both passes again.
// Only while no worker job is in flight (WorkerBusy clear).
void RediscoverDevices(DeviceEnv& env);

// Releases the physical monitor handles that the table's external records hold. Call it right
// before the table is emptied for rediscovery (never while a worker job may still use them).
void ReleaseMonitorHandles(IMonitorConfig& monitors, const TAssoc& devices);

struct PnpName {
  std::u16string name; // DISPLAY\<hardware id>\<instance>, or empty
  std::optional<DisplayMode> mode;
};
// The plug-and-play name of physical monitor p of a desktop monitor, and the desktop monitor's
// current display mode.
PnpName ResolvePnpName(const DevicePorts& ports, MonitorHandle monitor, uint32_t p);
std::u16string ResolveHardwareId(const DevicePorts& ports, MonitorHandle monitor, uint32_t p);

// True only when the service exists, its state can be read and it is running.
bool IsServiceRunning(const DevicePorts& ports, const std::u16string& name);

// DDC/CI write; any thread. value must not be negative (std::invalid_argument).
bool WriteMonitorBrightness(const DevicePorts& ports, int64_t value, PhysicalMonitorHandle handle,
                            const std::u16string& number);
// WMI write and read; any thread with COM set up (COM objects live on the calling thread).
bool WriteDisplayBrightness(const DevicePorts& ports, const std::u16string& uid, const std::u16string& number,
                            int32_t value);
// The panel's current brightness, or -1.
int64_t ReadDisplayBrightness(const DevicePorts& ports, const std::u16string& uid);

} // namespace lumivane
