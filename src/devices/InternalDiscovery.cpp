#include "assoc/AssocArrays.h"
#include "devices/Devices.h"
#include "devices/WmiNames.h"
#include "platform/Locale.h"

namespace lumivane {

std::u16string WmiText(const WmiValue& value) {
  return VariantToText(value, u'|', u'\r');
}

namespace {
// WmiMonitorID's names are arrays of character codes padded with zeros: one byte each, in the
// ANSI code page, NULs dropped.
std::u16string CharCodesText(const WmiValue& value) {
  std::string bytes;
  if (value.kind == WmiValue::Kind::Array) {
    for (const WmiValue& item : value.items)
      if (item.kind == WmiValue::Kind::Integer) bytes.push_back(static_cast<char>(item.integer & 0xFF));
  } else if (value.kind == WmiValue::Kind::Integer) {
    bytes.push_back(static_cast<char>(value.integer & 0xFF));
  } else if (value.kind == WmiValue::Kind::Text) {
    return value.text;
  }
  std::u16string text = CurrentLocale().DecodeAnsi(bytes);
  std::erase(text, u'\0');
  return text;
}

void IdentityPass(DeviceEnv& env, IWmiServices& services) {
  auto objects = services.ExecQuery(kQueryMonitorId);
  while (auto object = objects->Next()) {
    const WmiValue instance = object->Get(u"InstanceName");
    const std::u16string uid = DeviceUid(WmiText(instance));
    TAssoc& record = env.devices[uid];
    record[u"pnp"] = Variant(WmiText(instance));
    record[u"number"] = Variant(DecimalText(env.devices.Count()));
    const WmiValue nameLength = object->Get(u"UserFriendlyNameLength");
    const std::u16string manufacturer = CharCodesText(object->Get(u"ManufacturerName"));
    const bool friendly = nameLength.kind == WmiValue::Kind::Integer && nameLength.integer > 0;
    const std::u16string model =
        CharCodesText(object->Get(friendly ? u"UserFriendlyName" : u"ProductCodeID"));
    record[u"name"] = Variant(manufacturer + u" " + model);
    record[u"errors"] = Variant(u"0");
    record[u"counter"] = Variant::Narrow(0);
    record[u"monid"] = Variant::Narrow(0);
    record[u"internal"] = Variant(u"false");
    record[u"active"] = Variant(u"false");
  }
}

void BrightnessPass(DeviceEnv& env, IWmiServices& services) {
  auto objects = services.ExecQuery(kQueryBrightness);
  while (auto object = objects->Next()) {
    const std::u16string uid = DeviceUid(WmiText(object->Get(u"InstanceName")));
    if (!env.devices.IsSet(uid)) continue;
    TAssoc& record = env.devices[uid];
    record[u"brightness"] = Variant(WmiText(object->Get(u"CurrentBrightness")));
    record[u"min"] = Variant(u"0");
    record[u"max"] = Variant(u"100");
    const WmiValue level = object->Get(u"Level");
    if (level.kind != WmiValue::Kind::Null) {
      const std::u16string levels = VariantToText(level, u'|', u'\r');
      record[u"levels"] = Variant(levels);
      std::vector<std::u16string> items;
      size_t start = 0;
      for (size_t at; (at = levels.find(u'|', start)) != std::u16string::npos; start = at + 1)
        items.push_back(levels.substr(start, at - start));
      if (!levels.empty()) items.push_back(levels.substr(start));
      if (items.size() > 2) {
        // The walk finds the range whatever order WMI lists the levels in.
        int64_t lo = Variant(items[0]).ToInt64(), hi = lo;
        record[u"min"] = Variant(items[0]);
        record[u"max"] = Variant(items[0]);
        TAssoc& set = record[u"level"];
        for (const auto& item : items) {
          const int64_t v = Variant(item).ToInt64();
          if (v < lo) {
            lo = v;
            record[u"min"] = Variant(item);
          }
          if (v > hi) {
            hi = v;
            record[u"max"] = Variant(item);
          }
          set[item] = Variant(std::u16string());
        }
      }
    }
    ClampRange(record, env.rangeMin, env.rangeMax);
  }
}

void MethodsPass(DeviceEnv& env, IWmiServices& services) {
  auto objects = services.ExecQuery(kQueryBrightnessMethods);
  while (auto object = objects->Next()) {
    const std::u16string uid = DeviceUid(WmiText(object->Get(u"InstanceName")));
    if (!env.devices.IsSet(uid)) continue;
    TAssoc& record = env.devices[uid];
    if (record.IsSet(u"brightness")) record[u"internal"] = Variant(u"true");
  }
}
} // namespace

void DiscoverInternalDisplays(DeviceEnv& env) {
  if (!IsServiceRunning(env.ports, kWmiService)) {
    env.ports.log.LogError(kWmiServiceDown);
    return;
  }
  try {
    auto services = env.ports.wmi.Connect(kWmiNamespace);
    IdentityPass(env, *services);
    BrightnessPass(env, *services);
    MethodsPass(env, *services);
  } catch (const WmiError& e) {
    env.ports.log.LogError(u"WMI message: " + e.Description());
  }
}

} // namespace lumivane
