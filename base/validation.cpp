#include "base/validation.h"

#include "base/text.h"

namespace tw {

std::u16string IntegerRangeMessage(long long min, long long max) {
  return u"Enter an integer between " + U16(std::to_string(min)) + u" and " + U16(std::to_string(max)) + u".";
}

std::u16string TextLengthMessage(size_t max_chars) {
  return u"Enter no more than " + U16(std::to_string(max_chars)) + u" characters.";
}

bool ParseIntegerField(const std::u16string& text, long long min, long long max, long long* value) {
  size_t b = 0, e = text.size();
  while (b < e && (text[b] == u' ' || text[b] == u'\t')) ++b;
  while (e > b && (text[e - 1] == u' ' || text[e - 1] == u'\t')) --e;
  bool negative = false;
  if (b < e && (text[b] == u'-' || text[b] == u'+')) negative = text[b++] == u'-';
  if (b == e || e - b > 18) return false;
  long long v = 0;
  for (size_t i = b; i < e; ++i) {
    if (text[i] < u'0' || text[i] > u'9') return false;
    v = v * 10 + (text[i] - u'0');
  }
  if (negative) v = -v;
  if (v < min || v > max) return false;
  *value = v;
  return true;
}

bool IsPlainName(std::u16string_view name) {
  if (name.empty() || name == u"." || name == u"..") return false;
  for (char16_t c : name)
    if (c < 0x20 || std::u16string_view(u"\\/:*?\"<>|").find(c) != std::u16string_view::npos) return false;
  if (name.back() == u'.' || name.back() == u' ') return false;
  std::u16string stem = ToLowerAscii(name.substr(0, name.find(u'.')));
  while (!stem.empty() && stem.back() == u' ') stem.pop_back();
  for (const char16_t* device : {u"con", u"prn", u"aux", u"nul", u"conin$", u"conout$"})
    if (stem == device) return false;
  if (stem.size() == 4 && (stem.compare(0, 3, u"com") == 0 || stem.compare(0, 3, u"lpt") == 0) && stem[3] >= u'0' &&
      stem[3] <= u'9')
    return false;
  return true;
}

}  // namespace tw
