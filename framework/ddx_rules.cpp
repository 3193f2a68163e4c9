#include "framework/ddx_rules.h"

#include <climits>
#include <vector>

#include "base/text.h"

namespace tw::fw {

bool ParseInteger(std::u16string_view t, int* value) {
  size_t i = 0, n = t.size();
  auto space = [](char16_t c) { return c == u' ' || c == u'\t'; };
  while (i < n && space(t[i])) ++i;
  while (n > i && space(t[n - 1])) --n;
  bool negative = false;
  if (i < n && (t[i] == u'+' || t[i] == u'-')) negative = t[i++] == u'-';
  if (i == n) return false;
  long long v = 0;
  for (; i < n; ++i) {
    if (t[i] < u'0' || t[i] > u'9') return false;
    v = v * 10 + (t[i] - u'0');
    if (v > static_cast<long long>(INT_MAX) + 1) return false;
  }
  if (negative) v = -v;
  if (v < INT_MIN || v > INT_MAX) return false;
  *value = static_cast<int>(v);
  return true;
}

std::u16string FormatPositional(std::u16string_view p, std::initializer_list<std::u16string> args) {
  std::vector<std::u16string> a(args);
  std::u16string out;
  for (size_t i = 0; i < p.size(); ++i) {
    if (p[i] == u'%' && i + 1 < p.size()) {
      char16_t c = p[i + 1];
      if (c == u'%') {
        out += u'%';
        ++i;
        continue;
      }
      if (c >= u'1' && c <= u'9') {
        size_t k = static_cast<size_t>(c - u'1');
        if (k < a.size()) out += a[k];
        ++i;
        continue;
      }
    }
    out += p[i];
  }
  return out;
}

std::u16string IntegerRangeMessage(int min, int max) {
  return FormatPositional(u"Enter an integer between %1 and %2.",
                          {U16(std::to_string(min)), U16(std::to_string(max))});
}

}  // namespace tw::fw
