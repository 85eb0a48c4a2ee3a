// The per-program list on arbitrary memo text: the table it gives, and the parsing helpers on
// arbitrary text and separators.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <memory>
#include <string>

#include "controller/MainForm.h"
#include "devices/DeviceTable.h"
#include "platform/sim/SimPlatform.h"

namespace lumivane {
namespace {

struct Program {
  Program() {
    controller = std::make_unique<TController>(sim.Ports());
    controller->Startup();
  }
  SimClock clock;
  SimMachine machine{&clock};
  SimPlatform sim{clock, machine};
  std::unique_ptr<TController> controller;
};

// The digits of text read as a number, or INT32_MAX beyond that: worked out on the digit string.
int32_t ReferenceDigits(const std::u16string& text) {
  std::string digits;
  for (char16_t c : text)
    if (c >= u'0' && c <= u'9' && !(digits.empty() && c == u'0')) digits += static_cast<char>(c);
  const std::string max = std::to_string(std::numeric_limits<int32_t>::max());
  if (digits.size() > max.size() || (digits.size() == max.size() && digits > max))
    return std::numeric_limits<int32_t>::max();
  return digits.empty() ? 0 : static_cast<int32_t>(std::stol(digits));
}

void Check(bool ok) {
  if (!ok) std::abort();
}

} // namespace
} // namespace lumivane

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace lumivane;
  static Program program;
  if (size == 0) return 0;
  // Odd first byte: UTF-16 code units (any, lone surrogates included); even: Latin-1 bytes, where
  // "=", CR and LF are easy to reach.
  std::u16string text;
  if (data[0] & 1) {
    for (size_t i = 1; i + 1 < size; i += 2)
      text += static_cast<char16_t>(data[i] | data[i + 1] << 8);
  } else {
    text.assign(data + 1, data + size);
  }

  Check(DigitsToInt(text) == ReferenceDigits(text));
  const size_t cut = text.empty() ? 0 : data[0] % (text.size() + 1);
  const std::u16string separator = text.substr(cut, data[0] % 3 + 1);
  const std::u16string before = TextBefore(text, separator);
  const std::u16string after = TextAfter(text, separator);
  if (separator.empty() || text.find(separator) == std::u16string::npos)
    Check(before == text && after == text);
  else
    Check(before + separator + after == text && before.find(separator) == std::u16string::npos);

  TController& c = *program.controller;
  c.Form.Config.SetText(text);
  c.ProgramRules();
  const TAssoc& programs = c.Root->Items(u"programs");
  Check(static_cast<size_t>(programs.Count()) <= MemoLines(text).size());
  for (const Variant& key : programs.Keys()) {
    const std::u16string name = key.Text();
    Check(UpperAscii(name) == name && name.find(u'=') == std::u16string::npos &&
          name.find_first_of(u"\r\n") == std::u16string::npos);
    const int64_t value = FindChild(programs, key)->Val().ToInt64();
    Check(value >= 0 && value <= std::numeric_limits<int32_t>::max());
  }
  return 0;
}
