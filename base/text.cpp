#include "base/text.h"

namespace tw {

std::u16string Utf8ToUtf16(std::string_view s) {
  std::u16string out;
  out.reserve(s.size());
  size_t i = 0;
  while (i < s.size()) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    char32_t cp;
    size_t len;
    if (c < 0x80) { cp = c; len = 1; }
    else if ((c & 0xE0) == 0xC0) { cp = c & 0x1F; len = 2; }
    else if ((c & 0xF0) == 0xE0) { cp = c & 0x0F; len = 3; }
    else if ((c & 0xF8) == 0xF0) { cp = c & 0x07; len = 4; }
    else { out.push_back(0xFFFD); ++i; continue; }
    if (i + len > s.size()) { out.push_back(0xFFFD); break; }
    bool ok = true;
    for (size_t k = 1; k < len; ++k) {
      unsigned char cc = static_cast<unsigned char>(s[i + k]);
      if ((cc & 0xC0) != 0x80) { ok = false; break; }
      cp = (cp << 6) | (cc & 0x3F);
    }
    // Overlong forms, surrogates and values past U+10FFFF are ill-formed.
    static const char32_t kMin[5] = {0, 0, 0x80, 0x800, 0x10000};
    if (!ok || cp < kMin[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
      out.push_back(0xFFFD);
      ++i;
      continue;
    }
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
    i += len;
  }
  return out;
}

std::string Utf16ToUtf8(std::u16string_view s) {
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size(); ++i) {
    char32_t cp = s[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (s[i + 1] - 0xDC00);
      ++i;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = 0xFFFD;
    }
    if (cp < 0x80) {
      out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
  }
  return out;
}

char16_t AsciiLower(char16_t c) { return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 32) : c; }

bool EqualsNoCase(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  return true;
}

bool StartsWithNoCase(std::u16string_view text, std::u16string_view prefix) {
  return text.size() >= prefix.size() && EqualsNoCase(text.substr(0, prefix.size()), prefix);
}

std::u16string ToLowerAscii(std::u16string_view s) {
  std::u16string out(s);
  for (auto& c : out) c = AsciiLower(c);
  return out;
}

std::u16string CutText(std::u16string_view text, size_t max_chars) {
  if (text.size() <= max_chars) return std::u16string(text);
  size_t n = max_chars;
  // Never keep a lone high surrogate at the cut.
  if (n > 0 && text[n - 1] >= 0xD800 && text[n - 1] <= 0xDBFF) --n;
  return std::u16string(text.substr(0, n));
}

size_t PutUtf16Field(ByteSpan s, size_t off, size_t field_bytes, std::u16string_view text) {
  ByteSpan f = s.Sub(off, field_bytes);
  size_t chars = f.size / 2;
  if (chars == 0) return 0;
  std::u16string cut = CutText(text, chars - 1);
  for (size_t i = 0; i < cut.size(); ++i) PutU16LE(f, 2 * i, cut[i]);
  PutU16LE(f, 2 * cut.size(), 0);
  return cut.size();
}

std::u16string GetUtf16Field(ConstByteSpan s, size_t off, size_t field_bytes) {
  ConstByteSpan f = s.Sub(off, field_bytes);
  std::u16string out;
  for (size_t i = 0; i + 1 < f.size; i += 2) {
    char16_t c = static_cast<char16_t>(GetU16LE(f, i));
    if (c == 0) break;
    out.push_back(c);
  }
  return out;
}

size_t PutAnsiField(ByteSpan s, size_t off, size_t field_bytes, std::string_view bytes) {
  ByteSpan f = s.Sub(off, field_bytes);
  if (f.size == 0) return 0;
  size_t n = bytes.size() < f.size - 1 ? bytes.size() : f.size - 1;
  PutBytes(f, 0, bytes.data(), n);
  f.data[n] = 0;
  return n;
}

std::string GetAnsiField(ConstByteSpan s, size_t off, size_t field_bytes) {
  ConstByteSpan f = s.Sub(off, field_bytes);
  std::string out;
  for (size_t i = 0; i < f.size && f.data[i] != 0; ++i) out.push_back(static_cast<char>(f.data[i]));
  return out;
}

namespace {

template <typename Char>
std::vector<std::basic_string<Char>> SplitAt(std::basic_string_view<Char> text, Char separator, EmptyItems empty) {
  std::vector<std::basic_string<Char>> items;
  for (size_t b = 0; b < text.size();) {
    size_t e = text.find(separator, b);
    if (e == text.npos) e = text.size();
    if (e > b || empty == EmptyItems::kKeep) items.emplace_back(text.substr(b, e - b));
    b = e + 1;
  }
  return items;
}

}  // namespace

std::vector<std::u16string> SplitList(std::u16string_view text, char16_t separator, EmptyItems empty) {
  return SplitAt(text, separator, empty);
}

std::vector<std::string> SplitList(std::string_view text, char separator, EmptyItems empty) {
  return SplitAt(text, separator, empty);
}

}  // namespace tw
