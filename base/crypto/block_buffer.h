// The part MD5 and SHA-256 share: cutting a message into 64-byte blocks
// and the final padding with the bit length (little-endian for MD5,
// big-endian for SHA-256).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace tw {

class BlockBuffer64 {
 public:
  void Reset() {
    length_ = 0;
    buffered_ = 0;
  }
  // Calls block(const uint8_t* 64 bytes) for every whole block.
  template <class F>
  void Feed(const uint8_t* data, size_t length, F&& block) {
    length_ += length;
    while (length > 0) {
      if (buffered_ == 0 && length >= 64) {
        block(data);
        data += 64;
        length -= 64;
        continue;
      }
      size_t take = 64 - buffered_ < length ? 64 - buffered_ : length;
      std::memcpy(buffer_ + buffered_, data, take);
      buffered_ += take;
      data += take;
      length -= take;
      if (buffered_ == 64) {
        block(buffer_);
        buffered_ = 0;
      }
    }
  }
  // 0x80, zeros, then the message length in bits as 8 bytes.
  template <class F>
  void Finish(bool big_endian_length, F&& block) {
    const uint64_t bits = length_ * 8;
    static const uint8_t kPad[64] = {0x80};
    size_t pad = buffered_ < 56 ? 56 - buffered_ : 120 - buffered_;
    uint8_t len[8];
    for (int i = 0; i < 8; ++i)
      len[i] = static_cast<uint8_t>(bits >> (big_endian_length ? 56 - 8 * i : 8 * i));
    Feed(kPad, pad, block);
    Feed(len, 8, block);
  }

 private:
  uint64_t length_ = 0;  // bytes fed so far
  uint8_t buffer_[64];
  size_t buffered_ = 0;
};

}  // namespace tw
