#pragma once
// Locale services the portable code needs: collation, case mapping, ANSI decoding, time of day.
#include <cstdint>
#include <string>

namespace lumivane {

struct LocalTime {
  int year = 1970, month = 1, day = 1;
  int hour = 0, minute = 0, second = 0, millisecond = 0;
};

// Milliseconds from 1970-01-01 00:00 to the given local wall time, taken as it is, and back.
uint64_t UnixMsFromLocalTime(const LocalTime& t);
LocalTime LocalTimeFromUnixMs(uint64_t ms);

class ILocale {
 public:
  virtual ~ILocale() = default;
  // User's default collation, case-sensitive, digits compared as characters. <0, 0, >0.
  virtual int Compare(const std::u16string& a, const std::u16string& b) const = 0;
  // Unicode case mapping; never changes the length.
  virtual std::u16string Upper(const std::u16string& s) const = 0;
  virtual std::u16string Lower(const std::u16string& s) const = 0;
  // Bytes in the system's ANSI code page to UTF-16.
  virtual std::u16string DecodeAnsi(const std::string& bytes) const = 0;
  // Time of day in the user's long time format, e.g. 14:05:09.
  virtual std::u16string FormatLongTime(const LocalTime& t) const = 0;
  // The English name of the user's default locale's language ("Russian", "English"); empty
  // when the system cannot tell.
  virtual std::u16string EnglishLanguageName() const = 0;
};

// The process-wide locale. Without a call to SetCurrentLocale the portable stand-in serves.
ILocale& CurrentLocale();
void SetCurrentLocale(ILocale* locale); // nullptr restores the stand-in

// Portable stand-in: ordering by case-folded code units with lower case first on ties,
// simple Latin/Latin-1/Greek/Cyrillic case mapping, Latin-1 as the ANSI page, HH:MM:SS.
// The language comes from a POSIX locale name ("ru_RU.UTF-8", "uk_UA", "C"): its language code
// is mapped to the English name for a small table of languages; any other code gives an empty
// name. By default the name is taken from LC_ALL, LC_MESSAGES or LANG, the first one set.
class StandInLocale final : public ILocale {
 public:
  StandInLocale();
  explicit StandInLocale(const std::string& posixLocale);
  void SetPosixLocale(const std::string& posixLocale);
  int Compare(const std::u16string& a, const std::u16string& b) const override;
  std::u16string Upper(const std::u16string& s) const override;
  std::u16string Lower(const std::u16string& s) const override;
  std::u16string DecodeAnsi(const std::string& bytes) const override;
  std::u16string FormatLongTime(const LocalTime& t) const override;
  std::u16string EnglishLanguageName() const override { return languageName_; }

 private:
  std::u16string languageName_;
};

} // namespace lumivane
