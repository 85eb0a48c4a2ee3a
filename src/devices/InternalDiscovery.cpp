#include <optional>

#include "assoc/AssocArrays.h"
#include "devices/Devices.h"
#include "devices/LogText.h"
#include "devices/WmiNames.h"
#include "platform/Locale.h"

namespace lumivane {

std::u16string WmiText(const WmiValue& value) {
  return VariantToText(value, u'|', u'\r');
}

namespace {
// WmiMonitorID's names are arrays of character codes padded with zeros: one byte each, in the
// ANSI code page, NULs dropped.
std::u16string CharCodesText(const WmiValue& value, const ILocale& locale) {
  std::string bytes;
  if (value.kind == WmiValue::Kind::Array) {
    for (const WmiValue& item : value.items)
      if (item.kind == WmiValue::Kind::Integer) bytes.push_back(static_cast<char>(item.integer & 0xFF));
  } else if (value.kind == WmiValue::Kind::Integer) {
    bytes.push_back(static_cast<char>(value.integer & 0xFF));
  } else if (value.kind == WmiValue::Kind::Text) {
    return value.text;
  }
  std::u16string text = locale.DecodeAnsi(bytes);
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
    const std::u16string manufacturer = CharCodesText(object->Get(u"ManufacturerName"), env.ports.locale);
    const bool friendly = nameLength.kind == WmiValue::Kind::Integer && nameLength.integer > 0;
    const std::u16string model =
        CharCodesText(object->Get(friendly ? u"UserFriendlyName" : u"ProductCodeID"), env.ports.locale);
    record[u"name"] = Variant(manufacturer + u" " + model);
    record[u"errors"] = Variant(u"0");
    record[u"counter"] = Variant::Narrow(0);
    record[u"monid"] = Variant::Narrow(0);
    record[u"internal"] = Variant(u"false");
    record[u"active"] = Variant(u"false");
  }
}

// A brightness or level as a number, when its text is one.
std::optional<int64_t> Number(const std::u16string& text) {
  try {
    return Variant(text).ToInt64();
  } catch (const AssocError&) {
    return std::nullopt;
  }
}

// A brightness or level the program can hold: an integer from 0 to INT32_MAX.
std::optional<int64_t> BrightnessNumber(const std::u16string& text) {
  const std::optional<int64_t> v = Number(text);
  if (v && *v >= 0 && *v <= INT32_MAX) return v;
  return std::nullopt;
}

// CurrentBrightness as the record holds it: a number, clamped into 0..INT32_MAX with one line;
// none when the answer is not a number at all, and the panel then gets no brightness.
std::optional<std::u16string> CurrentBrightnessText(DeviceEnv& env, const TAssoc& record,
                                                    const WmiValue& value) {
  const std::u16string text = WmiText(value);
  const std::optional<int64_t> v = Number(text);
  if (v && *v >= 0 && *v <= INT32_MAX) return text;
  const std::u16string number = RecordText(record, u"number");
  if (!v) {
    env.ports.log.LogError(
        FillText(u"Device #%s reported a brightness that is not a number: \"%s\"", {number, text}));
    return std::nullopt;
  }
  const int64_t clamped = *v < 0 ? 0 : INT32_MAX;
  env.ports.log.LogError(FillText(u"Device #%s reported out-of-range brightness %s; clamped to %s",
                                  {number, text, DecimalText(clamped)}));
  return DecimalText(clamped);
}

void BrightnessPass(DeviceEnv& env, IWmiServices& services) {
  auto objects = services.ExecQuery(kQueryBrightness);
  while (auto object = objects->Next()) {
    const std::u16string uid = DeviceUid(WmiText(object->Get(u"InstanceName")));
    if (!env.devices.IsSet(uid)) continue;
    TAssoc& record = env.devices[uid];
    const std::optional<std::u16string> current =
        CurrentBrightnessText(env, record, object->Get(u"CurrentBrightness"));
    if (!current) continue;
    record[u"brightness"] = Variant(*current);
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
      // A level that is not a number the program can hold is left out; the others still count.
      const size_t listed = items.size();
      std::erase_if(items, [](const std::u16string& item) { return !BrightnessNumber(item); });
      if (items.size() != listed)
        env.ports.log.LogError(FillText(
            u"Device #%s reported %s brightness levels that are not numbers "
            u"from 0 to 2147483647; they are skipped",
            {RecordText(record, u"number"), DecimalText(static_cast<int64_t>(listed - items.size()))}));
      if (items.size() > 2) {
        // The walk finds the range whatever order WMI lists the levels in.
        int64_t lo = *BrightnessNumber(items[0]), hi = lo;
        record[u"min"] = Variant(items[0]);
        record[u"max"] = Variant(items[0]);
        TAssoc& set = record[u"level"];
        for (const auto& item : items) {
          const int64_t v = *BrightnessNumber(item);
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
