#pragma once
// WMI in the namespace root\WMI. Every WMI failure (connection, query, enumeration, property
// access, method call) is thrown as WmiError carrying the error's description.
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "text/ErrorText.h"

namespace lumivane {

class WmiError : public TextError {
 public:
  explicit WmiError(const std::u16string& description) : TextError(description) {}
  const std::u16string& Description() const { return Text(); }
};

// The main thread walks WMI answers; a WMI service that stops answering must not hold it (the
// icon, the menu, exit, and while the wheel hook is in, every mouse move on the desktop). Each
// object of a walk is waited for at most this long; a walk whose next object does not come in
// time ends with WmiError(kWmiTimedOut).
inline constexpr uint32_t kWmiWaitMs = 5000;
inline constexpr const char16_t* kWmiTimedOut = u"WMI did not answer within 5 seconds";

// A property value: null, an integer, a text, or an array of integers / texts.
struct WmiValue {
  enum class Kind { Null, Integer, Text, Array };
  Kind kind = Kind::Null;
  int64_t integer = 0;
  std::u16string text;
  std::vector<WmiValue> items; // Array: the elements in order
  // Array dimensions (1 for WMI's own arrays); items then hold the elements row by row.
  std::vector<size_t> dims;

  static WmiValue Null() { return {}; }
  static WmiValue Int(int64_t v) {
    WmiValue w;
    w.kind = Kind::Integer;
    w.integer = v;
    return w;
  }
  static WmiValue Str(std::u16string s) {
    WmiValue w;
    w.kind = Kind::Text;
    w.text = std::move(s);
    return w;
  }
  static WmiValue IntArray(const std::vector<int64_t>& values);
};

class IWmiObject {
 public:
  virtual ~IWmiObject() = default;
  virtual WmiValue Get(const std::u16string& property) = 0;
  // Calls a method of this instance with 32-bit integer in-parameters; returns ReturnValue.
  virtual int64_t CallMethod(const std::u16string& method,
                             const std::vector<std::pair<std::u16string, int32_t>>& args) = 0;
};

class IWmiObjectSet {
 public:
  virtual ~IWmiObjectSet() = default;
  // The next object, or null at the end. Walked once. Waits at most kWmiWaitMs.
  virtual std::unique_ptr<IWmiObject> Next() = 0;
};

class IWmiServices {
 public:
  virtual ~IWmiServices() = default;
  // ExecQuery(query, "WQL", wbemFlagForwardOnly | wbemFlagReturnImmediately)
  virtual std::unique_ptr<IWmiObjectSet> ExecQuery(const std::u16string& query) = 0;
};

class IWmi {
 public:
  virtual ~IWmi() = default;
  // Locator "WbemScripting.SWbemLocator" (or its COM equivalent), ConnectServer(".", ns), with
  // the system's bounded wait for the connection.
  // Throws WmiError for WMI failures and std::runtime_error when the locator cannot be made.
  virtual std::unique_ptr<IWmiServices> Connect(const std::u16string& nameSpace) = 0;
};

} // namespace lumivane
