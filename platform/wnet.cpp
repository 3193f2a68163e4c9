#include "platform/wnet.h"

namespace tw {

size_t NetResourceBytes(const NetResource& r) {
  auto text = [](const std::u16string& s) { return s.empty() ? 0 : (s.size() + 1) * 2; };
  return 48 + text(r.local_name) + text(r.remote_name) + text(r.comment) + text(r.provider);
}

}  // namespace tw
