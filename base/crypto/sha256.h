// SHA-256 (FIPS 180-4). Needed by the image passwords.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "base/crypto/block_buffer.h"

namespace tw {

using Sha256Digest = std::array<uint8_t, 32>;

// Incremental SHA-256: Update any number of times, then Final once. After
// Final the object starts over as if newly made.
class Sha256 {
 public:
  Sha256() { Reset(); }
  void Reset();
  void Update(const uint8_t* data, size_t length);
  void Update(std::string_view text) {
    Update(reinterpret_cast<const uint8_t*>(text.data()), text.size());
  }
  Sha256Digest Final();

 private:
  void Block(const uint8_t* block);
  uint32_t state_[8];
  BlockBuffer64 blocks_;
};

Sha256Digest Sha256Of(const uint8_t* data, size_t length);
Sha256Digest Sha256Of(std::string_view text);

}  // namespace tw
