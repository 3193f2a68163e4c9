// AES-256 (FIPS-197): the block cipher with a 32-byte key, one 16-byte block
// at a time. Modes are the caller's (the NTAUTH response uses
// ECB: every block enciphered on its own).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace tw {

class Aes256 {
 public:
  static constexpr size_t kKeyBytes = 32;
  static constexpr size_t kBlockBytes = 16;

  // Expands the key (FIPS-197 5.2, Nk = 8, Nr = 14).
  explicit Aes256(const uint8_t key[kKeyBytes]);
  ~Aes256();

  // Cipher / InvCipher of one block; in and out may be the same buffer.
  void EncryptBlock(const uint8_t in[kBlockBytes], uint8_t out[kBlockBytes]) const;
  void DecryptBlock(const uint8_t in[kBlockBytes], uint8_t out[kBlockBytes]) const;

 private:
  static constexpr int kRounds = 14;
  std::array<uint8_t, 16 * (kRounds + 1)> round_keys_;
};

}  // namespace tw
