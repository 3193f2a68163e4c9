#include "base/text_by_id.h"

namespace tw {

std::u16string FillInserts(std::u16string_view p, const std::vector<std::u16string>& inserts) {
  std::u16string out;
  for (size_t i = 0; i < p.size(); ++i) {
    char16_t next = i + 1 < p.size() ? p[i + 1] : u'\0';
    if (p[i] == u'%' && next == u'%') {
      out += u'%';
      ++i;
    } else if (p[i] == u'%' && next >= u'1' && next <= u'9') {
      size_t k = static_cast<size_t>(next - u'1');
      if (k < inserts.size()) out += inserts[k];
      ++i;
    } else {
      out += p[i];
    }
  }
  return out;
}

}  // namespace tw
