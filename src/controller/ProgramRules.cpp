// Per-program brightness: the list of name=brightness lines, the foreground test, and the step
// of every timer pass that drives the active device to a listed program's brightness.
#include <cstdint>
#include <cstdlib>
#include <limits>

#include "controller/MainForm.h"
#include "devices/DeviceTable.h"

namespace lumivane {

std::u16string TextBefore(const std::u16string& text, const std::u16string& separator) {
  const size_t at = separator.empty() ? std::u16string::npos : text.find(separator);
  return at == std::u16string::npos ? text : text.substr(0, at);
}

std::u16string TextAfter(const std::u16string& text, const std::u16string& separator) {
  const size_t at = separator.empty() ? std::u16string::npos : text.find(separator);
  return at == std::u16string::npos ? text : text.substr(at + separator.size());
}

int32_t DigitsToInt(const std::u16string& text) {
  constexpr int64_t kMax = std::numeric_limits<int32_t>::max();
  int64_t value = 0;
  for (char16_t c : text) {
    if (c < u'0' || c > u'9') continue;
    // Once past the 32-bit range the line has no defined value; it stays at the bound.
    value = value * 10 + (c - u'0');
    if (value > kMax) return static_cast<int32_t>(kMax);
  }
  return static_cast<int32_t>(value);
}

std::u16string UpperAscii(const std::u16string& text) {
  std::u16string out = text;
  for (char16_t& c : out)
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
  return out;
}

bool SameTextAscii(const std::u16string& a, const std::u16string& b) {
  return a.size() == b.size() && UpperAscii(a) == UpperAscii(b);
}

std::vector<std::u16string> MemoLines(const std::u16string& text) {
  std::vector<std::u16string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find_first_of(u"\r\n", start);
    if (end == std::u16string::npos) {
      lines.push_back(text.substr(start));
      break;
    }
    lines.push_back(text.substr(start, end - start));
    start = end + (text[end] == u'\r' && end + 1 < text.size() && text[end + 1] == u'\n' ? 2 : 1);
  }
  return lines;
}

void TController::ProgramRules() {
  if (!Root) return;
  TAssoc& programs = Root->Items(u"programs");
  programs.Clear();
  const std::u16string& text = Form.Config.Text();
  if (text.empty()) return;
  for (const std::u16string& line : MemoLines(text)) {
    const std::u16string up = UpperAscii(line);
    programs.Items(Variant(TextBefore(up, u"="))) = Variant::Narrow(DigitsToInt(TextAfter(up, u"=")));
  }
}

std::u16string TController::ForegroundProgramName() {
  return platform_.process->ForegroundProgramName().value_or(std::u16string());
}

bool TController::IsForegroundProgram(const std::u16string& name) {
  // One query per call: a window whose program cannot be told has the empty name.
  const std::optional<std::u16string> program = platform_.process->ForegroundProgramName();
  return program && SameTextAscii(*program, name);
}

uint64_t TController::FreshStamp() {
  TAssoc& cmd = Root->Items(u"cmd");
  uint64_t stamp = NowUnixMs();
  // An entry already under this millisecond may be done (the icon's "u") or carry a wheel
  // step; a command added to it would be lost.
  while (cmd.IsSet(Variant(stamp)))
    ++stamp;
  return stamp;
}

uint64_t TController::WriteFreshCommand(const char16_t* letter, int value) {
  if (!Root) return 0;
  const uint64_t stamp = FreshStamp();
  Root->Items(u"cmd").Items(Variant(stamp)).Items(letter) = Variant::Narrow(value);
  return stamp;
}

void TController::ProgramStep() {
  if (!Root || !ActiveRecord() || ShownBrightness < 0) return;
  bool matched = false;
  const TAssoc* programs = Programs();
  // The keys are the names upper-cased in ASCII, so at most one of them is the program in front,
  // and it is found by its own upper-cased name: one foreground query and one lookup per pass,
  // however long the list is.
  if (programs && programs->Count() > 0) {
    const std::optional<std::u16string> front = platform_.process->ForegroundProgramName();
    const TAssocTable* all = programs->All();
    const auto found = front && all ? all->find(Variant(UpperAscii(*front))) : TAssocTable::const_iterator();
    if (front && all && found != all->end() && SameTextAscii(*front, found->first.Text())) {
      matched = true;
      const int v = Saturate(std::llabs(found->second->Val().ToInt64()));
      // Noted on takeover even when the device already shows the program's value: otherwise a
      // wheel step made while the program is in front would become the value restored.
      if (BrightnessBeforeProgram == -1) BrightnessBeforeProgram = ShownBrightness;
      // A value the device cannot take exactly is held at the nearest one it can: asking again
      // on every pass would write to the monitor ten times a second, and a panel would swing
      // between the two levels around the value.
      if (!ShowsNearestTo(v)) WriteFreshCommand(u"i", v);
    }
  }
  ProgramMatched = matched;
  if (BrightnessBeforeProgram > -1 && !matched) {
    WriteFreshCommand(u"i", BrightnessBeforeProgram);
    BrightnessBeforeProgram = -1;
  }
}

} // namespace lumivane
