#include "base/bytes.h"

#include <cstring>

namespace tw {

bool PutBytes(ByteSpan s, size_t off, const void* src, size_t n) {
  if (!s.Fits(off, n)) return false;
  if (n) std::memcpy(s.data + off, src, n);
  return true;
}

bool GetBytes(ConstByteSpan s, size_t off, void* dst, size_t n) {
  if (!s.Fits(off, n)) return false;
  if (n) std::memcpy(dst, s.data + off, n);
  return true;
}

}  // namespace tw
