// MD5 (RFC 1321). Used by the CHAP response of the iSCSI login.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "base/crypto/block_buffer.h"

namespace tw {

using Md5Digest = std::array<uint8_t, 16>;

// Incremental MD5: Update any number of times, then Final once. After Final
// the object starts over as if newly made.
class Md5 {
 public:
  Md5() { Reset(); }
  void Reset();
  void Update(const uint8_t* data, size_t length);
  void Update(std::string_view text) {
    Update(reinterpret_cast<const uint8_t*>(text.data()), text.size());
  }
  Md5Digest Final();

 private:
  void Block(const uint8_t* block);
  uint32_t state_[4];
  BlockBuffer64 blocks_;
};

// One-shot digests.
Md5Digest Md5Of(const uint8_t* data, size_t length);
Md5Digest Md5Of(std::string_view text);

}  // namespace tw
