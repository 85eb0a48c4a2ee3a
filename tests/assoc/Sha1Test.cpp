#include "assoc/Sha1.h"

#include <gtest/gtest.h>

#include <string>

namespace lumivane {
namespace {

TEST(Sha1, NistVectors) {
  EXPECT_EQ(Sha1Hex(""), "da39a3ee5e6b4b0d3255bfef95601890afd80709");
  EXPECT_EQ(Sha1Hex("abc"), "a9993e364706816aba3e25717850c26c9cd0d89d");
  EXPECT_EQ(Sha1Hex("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
            "84983e441c3bd26ebaae4aa1f95129e5e54670f1");
  EXPECT_EQ(Sha1Hex(std::string(1000000, 'a')), "34aa973cd4c4daa4f61eeb2bdbad27316534016f");
}

// Lengths around the padding boundaries (one or two final blocks).
TEST(Sha1, PaddingBoundaries) {
  const std::pair<size_t, const char*> cases[] = {
      {55, "ddf57317ef34bfee3b6df83d359098930eb278bc"},  {56, "a0d492bb0fc889d0eca3bc137066ab6f4f74f369"},
      {63, "c55856749bef509bdfe6bfebfc7bf4e793e82132"},  {64, "bede92be29c3874e1b54ddc77988d606fc857a8e"},
      {65, "b05a80522b053d6dc7e0a517d0e70212c7dad11f"},  {119, "504e27376a6e0f0dba8295b85cb25dc4dfa17d23"},
      {120, "82134b02fb3f702491be9bed581eeab59334acb2"},
  };
  for (const auto& [n, hex] : cases) {
    std::string bytes;
    for (size_t i = 0; i < n; ++i)
      bytes += static_cast<char>((i * 7 + 3) % 256);
    EXPECT_EQ(Sha1Hex(bytes), hex) << n;
  }
}

TEST(Sha1, DigestBytesMatchTheHexText) {
  auto digest = Sha1("abc");
  EXPECT_EQ(digest[0], 0xa9);
  EXPECT_EQ(digest[19], 0x9d);
  EXPECT_EQ(Sha1Hex("DISPLAY\\DELA0C5\\5&2c3f0b4e&0&UID4353"), "23f860194525179e6b238580a69630dadc100898");
}

} // namespace
} // namespace lumivane
