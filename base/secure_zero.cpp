#include "base/secure_zero.h"

namespace tw {

void SecureZero(void* data, size_t size) {
  volatile unsigned char* p = static_cast<volatile unsigned char*>(data);
  while (size--) *p++ = 0;
}

}  // namespace tw
