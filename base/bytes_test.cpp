#include "base/bytes.h"

#include <gtest/gtest.h>

namespace tw {
namespace {

TEST(Bytes, EndiannessAtUnalignedOffsets) {
  Bytes b(16, 0);
  ASSERT_TRUE(PutU64LE(b, 1, 0x0102030405060708ull));
  EXPECT_EQ(b[1], 0x08);
  EXPECT_EQ(b[8], 0x01);
  EXPECT_EQ(GetU64LE(b, 1), 0x0102030405060708ull);
  ASSERT_TRUE(PutU32BE(b, 9, 0xA1B2C3D4));
  EXPECT_EQ(b[9], 0xA1);
  EXPECT_EQ(b[12], 0xD4);
  EXPECT_EQ(GetU32BE(b, 9), 0xA1B2C3D4u);
  EXPECT_EQ(GetU16LE(b, 9), 0xB2A1);
  ASSERT_TRUE(PutU24BE(b, 13, 0x123456));
  EXPECT_EQ(GetU24BE(b, 13), 0x123456u);
}

TEST(Bytes, NeverTouchesPastTheSpan) {
  uint8_t raw[6] = {1, 2, 3, 4, 0xEE, 0xEE};
  ByteSpan s(raw, 4);  // the last two bytes are guards
  EXPECT_FALSE(PutU32LE(s, 1, 0xFFFFFFFF));
  EXPECT_FALSE(PutU16BE(s, 3, 0xFFFF));
  EXPECT_FALSE(PutU8(s, 4, 0xFF));
  EXPECT_FALSE(PutU64LE(s, SIZE_MAX - 2, 1));  // offset + width overflows
  EXPECT_EQ(raw[0], 1);
  EXPECT_EQ(raw[3], 4);
  EXPECT_EQ(raw[4], 0xEE);
  EXPECT_EQ(GetU32LE(s, 1), 0u);
  EXPECT_EQ(GetU32LE(s, 0), 0x04030201u);
  EXPECT_EQ(GetU8(s, 4), 0);
  uint8_t out[4] = {};
  EXPECT_FALSE(GetBytes(s, 2, out, 3));
  EXPECT_TRUE(GetBytes(s, 1, out, 3));
  EXPECT_EQ(out[2], 4);
}

TEST(Bytes, SubSpansClipToTheParent) {
  Bytes b(10);
  ByteSpan s = ByteSpan(b).Sub(6, 100);
  EXPECT_EQ(s.size, 4u);
  EXPECT_EQ(ByteSpan(b).Sub(11, 1).size, 0u);
}

}  // namespace
}  // namespace tw
