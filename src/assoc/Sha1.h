#pragma once
// SHA-1 (FIPS 180-4), used for device identities.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace lumivane {

std::array<uint8_t, 20> Sha1(std::string_view bytes);
// 40 lowercase hexadecimal digits.
std::string Sha1Hex(std::string_view bytes);

} // namespace lumivane
