// The published test vectors: RFC 1321 appendix A.5, FIPS 180-4 examples
// (as in the NIST example documents), FIPS-197 appendix C.3 and the AES-256
// ECB vectors of SP 800-38A F.1.5.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/crypto/aes256.h"
#include "base/crypto/md5.h"
#include "base/crypto/sha256.h"

namespace tw {
namespace {

template <size_t N>
std::string Hex(const std::array<uint8_t, N>& d) {
  static const char kDigits[] = "0123456789abcdef";
  std::string s;
  for (uint8_t b : d) {
    s += kDigits[b >> 4];
    s += kDigits[b & 15];
  }
  return s;
}

std::vector<uint8_t> FromHex(const std::string& h) {
  std::vector<uint8_t> out;
  for (size_t i = 0; i + 1 < h.size(); i += 2) out.push_back(static_cast<uint8_t>(std::stoi(h.substr(i, 2), nullptr, 16)));
  return out;
}

TEST(Md5, Rfc1321TestSuite) {
  const std::pair<const char*, const char*> kSuite[] = {
      {"", "d41d8cd98f00b204e9800998ecf8427e"},
      {"a", "0cc175b9c0f1b6a831c399e269772661"},
      {"abc", "900150983cd24fb0d6963f7d28e17f72"},
      {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
      {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
      {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
       "d174ab98d277d9f5a5611c2c9f419d9f"},
      {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
       "57edf4a22be3c955ac49da2e2107b67a"},
  };
  for (const auto& [text, digest] : kSuite) EXPECT_EQ(Hex(Md5Of(text)), digest) << '"' << text << '"';
}

TEST(Md5, PiecewiseUpdatesEqualOneShotAcrossBlockBoundaries) {
  std::string text(200, '\0');
  for (size_t i = 0; i < text.size(); ++i) text[i] = static_cast<char>(i * 7 + 3);
  for (size_t cut = 0; cut <= text.size(); cut += 13) {
    Md5 h;
    h.Update(std::string_view(text).substr(0, cut));
    h.Update(std::string_view(text).substr(cut));
    EXPECT_EQ(h.Final(), Md5Of(text)) << cut;
  }
  // Lengths around the 56-byte padding edge.
  for (size_t n : {55, 56, 57, 63, 64, 65}) {
    Md5 h;
    for (size_t i = 0; i < n; ++i) h.Update("x");
    EXPECT_EQ(h.Final(), Md5Of(std::string(n, 'x'))) << n;
  }
  // Final starts the object over.
  Md5 h;
  h.Update("junk");
  h.Final();
  h.Update("abc");
  EXPECT_EQ(Hex(h.Final()), "900150983cd24fb0d6963f7d28e17f72");
}

TEST(Sha256, Fips180Examples) {
  EXPECT_EQ(Hex(Sha256Of("abc")),
            "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  // The 448-bit message (two blocks after padding).
  EXPECT_EQ(Hex(Sha256Of("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq")),
            "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
  EXPECT_EQ(Hex(Sha256Of("")),
            "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
}

TEST(Sha256, OneMillionTimesA) {
  Sha256 h;
  const std::string chunk(1000, 'a');
  for (int i = 0; i < 1000; ++i) h.Update(chunk);
  EXPECT_EQ(Hex(h.Final()), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
  // The same in odd pieces that straddle the block boundaries.
  std::string odd(997, 'a');
  size_t left = 1000000;
  while (left > 0) {
    size_t n = left < odd.size() ? left : odd.size();
    h.Update(std::string_view(odd).substr(0, n));
    left -= n;
  }
  EXPECT_EQ(Hex(h.Final()), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
}

TEST(Aes256, Fips197AppendixC3) {
  const auto key = FromHex("000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f");
  const auto plain = FromHex("00112233445566778899aabbccddeeff");
  Aes256 aes(key.data());
  std::array<uint8_t, 16> out{};
  aes.EncryptBlock(plain.data(), out.data());
  EXPECT_EQ(Hex(out), "8ea2b7ca516745bfeafc49904b496089");
  std::array<uint8_t, 16> back{};
  aes.DecryptBlock(out.data(), back.data());
  EXPECT_EQ(Hex(back), "00112233445566778899aabbccddeeff");
  // In place.
  aes.EncryptBlock(back.data(), back.data());
  EXPECT_EQ(back, out);
}

TEST(Aes256, Sp800_38aEcbVectors) {
  const auto key = FromHex("603deb1015ca71be2b73aef0857d77811f352c073b6108d72d9810a30914dff4");
  const std::pair<const char*, const char*> kBlocks[] = {
      {"6bc1bee22e409f96e93d7e117393172a", "f3eed1bdb5d2a03c064b5a7e3db181f8"},
      {"ae2d8a571e03ac9c9eb76fac45af8e51", "591ccb10d410ed26dc5ba74a31362870"},
      {"30c81c46a35ce411e5fbc1191a0a52ef", "b6ed21b99ca6f4f9f153e7b1beafed1d"},
      {"f69f2445df4f9b17ad2b417be66c3710", "23304b7a39f9f3ff067d8d8f9e24ecc7"},
  };
  Aes256 aes(key.data());
  for (const auto& [plain_hex, cipher_hex] : kBlocks) {
    auto block = FromHex(plain_hex);
    aes.EncryptBlock(block.data(), block.data());
    std::array<uint8_t, 16> c{};
    std::copy(block.begin(), block.end(), c.begin());
    EXPECT_EQ(Hex(c), cipher_hex);
    aes.DecryptBlock(block.data(), block.data());
    EXPECT_EQ(block, FromHex(plain_hex));
  }
}

}  // namespace
}  // namespace tw
