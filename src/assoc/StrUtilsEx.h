#pragma once
// Small text functions on UTF-16 text. Positions are 1-based, lengths in UTF-16 code units.
#include <cstdint>
#include <string>

namespace lumivane {

enum ReplaceFlags : int { ReplaceAll = 1, IgnoreCase = 2 };

// Replaces the first (or, with ReplaceAll, every) non-overlapping occurrence of pattern.
// Text between matches is copied from s, so IgnoreCase keeps its letter case. A result longer
// than the 32-bit signed range raises IntOverflowError.
std::u16string StrReplaceEx(const std::u16string& s, const std::u16string& pattern,
                            const std::u16string& replacement, int flags);
// The first character upper-cased, the rest unchanged.
std::u16string UpperFirst(const std::u16string& s);
// Position of needle in s ignoring case; 0 when absent or when needle is empty.
int32_t PosNoCase(const std::u16string& needle, const std::u16string& s);
bool HasTextNoCase(const std::u16string& needle, const std::u16string& s);
// s without blanks and control characters (code units up to U+0020) at either end.
std::u16string TrimBlanks(const std::u16string& s);

} // namespace lumivane
