#include "platform/setup_api.h"

namespace tw {
bool Guid::operator==(const Guid& o) const {
  if (data1 != o.data1 || data2 != o.data2 || data3 != o.data3) return false;
  for (int i = 0; i < 8; ++i)
    if (data4[i] != o.data4[i]) return false;
  return true;
}
}  // namespace tw

