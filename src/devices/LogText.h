#pragma once
// Fills the %s and %d places of a log text in order, so the texts stay as written.
#include <cstdint>
#include <exception>
#include <initializer_list>
#include <string>
#include <string_view>

#include "text/ErrorText.h"

namespace lumivane {

std::u16string FillText(std::u16string_view pattern, std::initializer_list<std::u16string_view> args);

} // namespace lumivane
