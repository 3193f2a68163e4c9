// printf-style templates as the Parts quote them ("%S   %d", "%0.2fT",
// "%x", "Volume%s", "\\\\.\\%c:"). One small formatter, bounded, with no
// varargs: arguments are typed values, and a conversion with no argument
// left (or of a mismatched kind) prints nothing rather than reading stack.
//
// Supported: flags '-' '0' '+' ' ', width, precision, conversions
// d i u x X c C s S ws hs f %, and the length prefixes h l ll I64 (ignored).
// %s, %S, %ws and %hs all print the text argument: the Parts' templates mix
// them for wide and narrow texts, which are one type here.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

namespace tw {

class FormatArg {
 public:
  enum class Kind { kInt, kUInt, kDouble, kText };
  FormatArg(int v) : kind_(Kind::kInt), i_(v) {}                  // NOLINT
  FormatArg(long v) : kind_(Kind::kInt), i_(v) {}                 // NOLINT
  FormatArg(long long v) : kind_(Kind::kInt), i_(v) {}            // NOLINT
  FormatArg(unsigned v) : kind_(Kind::kUInt), u_(v) {}            // NOLINT
  FormatArg(unsigned long v) : kind_(Kind::kUInt), u_(v) {}       // NOLINT
  FormatArg(unsigned long long v) : kind_(Kind::kUInt), u_(v) {}  // NOLINT
  FormatArg(char16_t c) : kind_(Kind::kUInt), u_(c) {}            // NOLINT
  FormatArg(char c) : kind_(Kind::kUInt), u_(static_cast<unsigned char>(c)) {}  // NOLINT
  FormatArg(double v) : kind_(Kind::kDouble), d_(v) {}            // NOLINT
  FormatArg(std::u16string_view t) : kind_(Kind::kText), text_(t) {}  // NOLINT
  FormatArg(const std::u16string& t) : kind_(Kind::kText), text_(t) {}  // NOLINT
  FormatArg(const char16_t* t) : kind_(Kind::kText), text_(t ? t : u"") {}  // NOLINT
  FormatArg(std::string_view utf8);                               // NOLINT
  FormatArg(const std::string& utf8) : FormatArg(std::string_view(utf8)) {}  // NOLINT
  FormatArg(const char* utf8) : FormatArg(std::string_view(utf8 ? utf8 : "")) {}  // NOLINT

  Kind kind() const { return kind_; }
  long long AsInt() const;
  unsigned long long AsUInt() const;
  double AsDouble() const;
  const std::u16string& AsText() const { return text_; }

 private:
  Kind kind_;
  long long i_ = 0;
  unsigned long long u_ = 0;
  double d_ = 0;
  std::u16string text_;
};

std::u16string Format(std::u16string_view templ, std::initializer_list<FormatArg> args = {});
// Same, for 8-bit templates; the result is UTF-8.
std::string FormatUtf8(std::string_view templ, std::initializer_list<FormatArg> args = {});

}  // namespace tw
