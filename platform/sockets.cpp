#include "platform/sockets.h"

namespace tw {

std::string DottedAddress(uint32_t address) {
  uint8_t b[4];
  std::memcpy(b, &address, 4);
  return std::to_string(b[0]) + "." + std::to_string(b[1]) + "." + std::to_string(b[2]) + "." +
         std::to_string(b[3]);
}

}  // namespace tw
