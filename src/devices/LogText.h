#pragma once
// Fills the %s and %d places of a log text in order, so the texts stay as written.
#include <cstdint>
#include <exception>
#include <initializer_list>
#include <string>
#include <string_view>

namespace lumivane {

std::u16string FillText(std::u16string_view pattern, std::initializer_list<std::u16string_view> args);

// The message an exception carries: a tree error's message, a WMI error's description, else
// what() read as UTF-8.
std::u16string ExceptionText(const std::exception& e);

} // namespace lumivane
