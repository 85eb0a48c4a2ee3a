// SHA-1 after FIPS 180-4, section 6.1.
#include "assoc/Sha1.h"

namespace lumivane {

namespace {

uint32_t Rotl(uint32_t x, int n) {
  return (x << n) | (x >> (32 - n));
}

void Compress(uint32_t h[5], const uint8_t block[64]) {
  uint32_t w[80];
  for (int t = 0; t < 16; ++t)
    w[t] = uint32_t{block[t * 4]} << 24 | uint32_t{block[t * 4 + 1]} << 16 | uint32_t{block[t * 4 + 2]} << 8 |
           uint32_t{block[t * 4 + 3]};
  for (int t = 16; t < 80; ++t)
    w[t] = Rotl(w[t - 3] ^ w[t - 8] ^ w[t - 14] ^ w[t - 16], 1);
  uint32_t a = h[0], b = h[1], c = h[2], d = h[3], e = h[4];
  for (int t = 0; t < 80; ++t) {
    uint32_t f, k;
    if (t < 20) {
      f = (b & c) | (~b & d), k = 0x5A827999;
    } else if (t < 40) {
      f = b ^ c ^ d, k = 0x6ED9EBA1;
    } else if (t < 60) {
      f = (b & c) | (b & d) | (c & d), k = 0x8F1BBCDC;
    } else {
      f = b ^ c ^ d, k = 0xCA62C1D6;
    }
    uint32_t temp = Rotl(a, 5) + f + e + k + w[t];
    e = d, d = c, c = Rotl(b, 30), b = a, a = temp;
  }
  h[0] += a, h[1] += b, h[2] += c, h[3] += d, h[4] += e;
}

} // namespace

std::array<uint8_t, 20> Sha1(std::string_view bytes) {
  uint32_t h[5] = {0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476, 0xC3D2E1F0};
  const auto* data = reinterpret_cast<const uint8_t*>(bytes.data());
  size_t n = bytes.size(), full = n / 64 * 64;
  for (size_t i = 0; i < full; i += 64)
    Compress(h, data + i);

  // Padding: 0x80, zeros, then the bit length as a 64-bit big-endian number.
  uint8_t tail[128] = {};
  size_t rest = n - full;
  for (size_t i = 0; i < rest; ++i)
    tail[i] = data[full + i];
  tail[rest] = 0x80;
  size_t tailSize = rest < 56 ? 64 : 128;
  uint64_t bits = static_cast<uint64_t>(n) * 8;
  for (int i = 0; i < 8; ++i)
    tail[tailSize - 1 - i] = static_cast<uint8_t>(bits >> (8 * i));
  for (size_t i = 0; i < tailSize; i += 64)
    Compress(h, tail + i);

  std::array<uint8_t, 20> digest{};
  for (int i = 0; i < 20; ++i)
    digest[i] = static_cast<uint8_t>(h[i / 4] >> (24 - 8 * (i % 4)));
  return digest;
}

std::string Sha1Hex(std::string_view bytes) {
  static const char digits[] = "0123456789abcdef";
  std::string out;
  out.reserve(40);
  for (uint8_t b : Sha1(bytes)) {
    out += digits[b >> 4];
    out += digits[b & 0x0F];
  }
  return out;
}

} // namespace lumivane
