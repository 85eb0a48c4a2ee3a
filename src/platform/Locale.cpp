// The process-wide locale pointer and the portable stand-in used off Windows and in tests.
#include "platform/Locale.h"

#include <atomic>
#include <cstdlib>

namespace lumivane {

namespace {

std::atomic<ILocale*> currentLocale{nullptr};

// Simple one-to-one case pairs; letters whose mapping would change the length stay as they are.
char16_t ToUpperUnit(char16_t c) {
  if (c < 0x80) return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 32) : c;
  if (c < 0x100) {
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<char16_t>(c - 32);
    if (c == 0xFF) return 0x178;
    if (c == 0xB5) return 0x39C;
    return c;
  }
  if (c < 0x180) {
    if (c == 0x131) return u'I';
    if (c == 0x17F) return u'S';
    if ((c >= 0x100 && c <= 0x12F) || (c >= 0x132 && c <= 0x137) || (c >= 0x14A && c <= 0x177))
      return c % 2 ? static_cast<char16_t>(c - 1) : c;
    if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E))
      return c % 2 ? c : static_cast<char16_t>(c - 1);
    return c;
  }
  if (c >= 0x370 && c < 0x400) {
    if (c >= 0x3B1 && c <= 0x3CB && c != 0x3C2) return static_cast<char16_t>(c - 32);
    switch (c) {
    case 0x3C2:
      return 0x3A3;
    case 0x3AC:
      return 0x386;
    case 0x3AD:
      return 0x388;
    case 0x3AE:
      return 0x389;
    case 0x3AF:
      return 0x38A;
    case 0x3CC:
      return 0x38C;
    case 0x3CD:
      return 0x38E;
    case 0x3CE:
      return 0x38F;
    default:
      return c;
    }
  }
  if (c >= 0x400 && c < 0x530) {
    if (c >= 0x430 && c <= 0x44F) return static_cast<char16_t>(c - 32);
    if (c >= 0x450 && c <= 0x45F) return static_cast<char16_t>(c - 80);
    if (c == 0x4CF) return 0x4C0;
    if ((c >= 0x460 && c <= 0x481) || (c >= 0x48A && c <= 0x4BF) || (c >= 0x4D0 && c <= 0x52F))
      return c % 2 ? static_cast<char16_t>(c - 1) : c;
    if (c >= 0x4C1 && c <= 0x4CE) return c % 2 ? c : static_cast<char16_t>(c - 1);
    return c;
  }
  return c;
}

char16_t ToLowerUnit(char16_t c) {
  if (c < 0x80) return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c;
  if (c < 0x100) return c >= 0xC0 && c <= 0xDE && c != 0xD7 ? static_cast<char16_t>(c + 32) : c;
  if (c < 0x180) {
    if (c == 0x130) return u'i';
    if (c == 0x178) return 0xFF;
    if ((c >= 0x100 && c <= 0x12F) || (c >= 0x132 && c <= 0x137) || (c >= 0x14A && c <= 0x177))
      return c % 2 ? c : static_cast<char16_t>(c + 1);
    if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E))
      return c % 2 ? static_cast<char16_t>(c + 1) : c;
    return c;
  }
  if (c >= 0x370 && c < 0x400) {
    if (c >= 0x391 && c <= 0x3AB && c != 0x3A2) return static_cast<char16_t>(c + 32);
    switch (c) {
    case 0x386:
      return 0x3AC;
    case 0x388:
      return 0x3AD;
    case 0x389:
      return 0x3AE;
    case 0x38A:
      return 0x3AF;
    case 0x38C:
      return 0x3CC;
    case 0x38E:
      return 0x3CD;
    case 0x38F:
      return 0x3CE;
    default:
      return c;
    }
  }
  if (c >= 0x400 && c < 0x530) {
    if (c >= 0x410 && c <= 0x42F) return static_cast<char16_t>(c + 32);
    if (c >= 0x400 && c <= 0x40F) return static_cast<char16_t>(c + 80);
    if (c == 0x4C0) return 0x4CF;
    if ((c >= 0x460 && c <= 0x481) || (c >= 0x48A && c <= 0x4BF) || (c >= 0x4D0 && c <= 0x52F))
      return c % 2 ? c : static_cast<char16_t>(c + 1);
    if (c >= 0x4C1 && c <= 0x4CE) return c % 2 ? static_cast<char16_t>(c + 1) : c;
    return c;
  }
  return c;
}

// Folding through upper case first merges forms such as final and medial sigma.
char16_t Fold(char16_t c) {
  return ToLowerUnit(ToUpperUnit(c));
}

bool IsUpperUnit(char16_t c) {
  return ToLowerUnit(c) != c;
}

// Windows-1252 for 0x80..0x9F; the five unassigned bytes map to the C1 control of the same value.
constexpr char16_t kCp1252High[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                      0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                      0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                      0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

void AppendTwoDigits(std::u16string& out, int v) {
  if (v < 0) v = 0;
  v %= 100;
  out += static_cast<char16_t>(u'0' + v / 10);
  out += static_cast<char16_t>(u'0' + v % 10);
}

// POSIX language codes and the English names Windows gives their languages.
struct LanguageCode {
  const char* code;
  const char16_t* name;
};
constexpr LanguageCode kLanguages[] = {{"be", u"Belarusian"}, {"de", u"German"},  {"en", u"English"},
                                       {"es", u"Spanish"},    {"fr", u"French"},  {"it", u"Italian"},
                                       {"kk", u"Kazakh"},     {"pl", u"Polish"},  {"ru", u"Russian"},
                                       {"uk", u"Ukrainian"},  {"zh", u"Chinese"}, {"ja", u"Japanese"},
                                       {"pt", u"Portuguese"}, {"tr", u"Turkish"}};

std::u16string LanguageNameOf(const std::string& posixLocale) {
  // "ll_CC.codeset@modifier": the language is everything before the first "_", "." or "@".
  std::string code = posixLocale.substr(0, posixLocale.find_first_of("_.@"));
  for (char& c : code)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  for (const LanguageCode& l : kLanguages)
    if (code == l.code) return l.name;
  return {};
}

std::string PosixLocaleFromEnvironment() {
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(name);
    if (value && *value) return value;
  }
  return {};
}

} // namespace

StandInLocale::StandInLocale() : StandInLocale(PosixLocaleFromEnvironment()) {}

StandInLocale::StandInLocale(const std::string& posixLocale) : languageName_(LanguageNameOf(posixLocale)) {}

void StandInLocale::SetPosixLocale(const std::string& posixLocale) {
  languageName_ = LanguageNameOf(posixLocale);
}

ILocale& CurrentLocale() {
  static StandInLocale standIn;
  ILocale* locale = currentLocale.load(std::memory_order_acquire);
  return locale ? *locale : standIn;
}

void SetCurrentLocale(ILocale* locale) {
  currentLocale.store(locale, std::memory_order_release);
}

int StandInLocale::Compare(const std::u16string& a, const std::u16string& b) const {
  size_t n = a.size() < b.size() ? a.size() : b.size();
  for (size_t i = 0; i < n; ++i) {
    char16_t fa = Fold(a[i]), fb = Fold(b[i]);
    if (fa != fb) return fa < fb ? -1 : 1;
  }
  if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
  // Same letters: the first difference decides, lower case before upper case.
  for (size_t i = 0; i < n; ++i) {
    if (a[i] == b[i]) continue;
    bool ua = IsUpperUnit(a[i]), ub = IsUpperUnit(b[i]);
    if (ua != ub) return ua ? 1 : -1;
    return a[i] < b[i] ? -1 : 1;
  }
  return 0;
}

std::u16string StandInLocale::Upper(const std::u16string& s) const {
  std::u16string out(s);
  for (auto& c : out)
    c = ToUpperUnit(c);
  return out;
}

std::u16string StandInLocale::Lower(const std::u16string& s) const {
  std::u16string out(s);
  for (auto& c : out)
    c = ToLowerUnit(c);
  return out;
}

std::u16string StandInLocale::DecodeAnsi(const std::string& bytes) const {
  std::u16string out;
  out.reserve(bytes.size());
  for (char ch : bytes) {
    auto b = static_cast<unsigned char>(ch);
    out += b >= 0x80 && b < 0xA0 ? kCp1252High[b - 0x80] : static_cast<char16_t>(b);
  }
  return out;
}

std::u16string StandInLocale::FormatLongTime(const LocalTime& t) const {
  std::u16string out;
  AppendTwoDigits(out, t.hour);
  out += u':';
  AppendTwoDigits(out, t.minute);
  out += u':';
  AppendTwoDigits(out, t.second);
  return out;
}

} // namespace lumivane
