#include "base/format.h"

#include <cstdio>
#include <vector>

#include "base/text.h"

namespace tw {

FormatArg::FormatArg(std::string_view utf8) : kind_(Kind::kText), text_(Utf8ToUtf16(utf8)) {}

long long FormatArg::AsInt() const {
  switch (kind_) {
    case Kind::kInt: return i_;
    case Kind::kUInt: return static_cast<long long>(u_);
    case Kind::kDouble: return static_cast<long long>(d_);
    default: return 0;
  }
}

unsigned long long FormatArg::AsUInt() const {
  switch (kind_) {
    case Kind::kInt: return static_cast<unsigned long long>(i_);
    case Kind::kUInt: return u_;
    case Kind::kDouble: return static_cast<unsigned long long>(d_);
    default: return 0;
  }
}

double FormatArg::AsDouble() const {
  switch (kind_) {
    case Kind::kInt: return static_cast<double>(i_);
    case Kind::kUInt: return static_cast<double>(u_);
    case Kind::kDouble: return d_;
    default: return 0;
  }
}

namespace {

struct Conversion {
  bool left = false, zero = false, plus = false, space = false;
  int width = 0;
  int precision = -1;
};

void Pad(std::u16string& out, const std::u16string& body, const Conversion& sp, bool numeric) {
  size_t w = sp.width > 0 ? static_cast<size_t>(sp.width) : 0;
  if (body.size() >= w) { out += body; return; }
  size_t pad = w - body.size();
  if (sp.left) { out += body; out.append(pad, u' '); return; }
  if (sp.zero && numeric) {
    size_t sign = (!body.empty() && (body[0] == u'-' || body[0] == u'+' || body[0] == u' ')) ? 1 : 0;
    out += body.substr(0, sign);
    out.append(pad, u'0');
    out += body.substr(sign);
    return;
  }
  out.append(pad, u' ');
  out += body;
}

std::u16string Digits(unsigned long long v, unsigned base, bool upper, int precision) {
  const char* d = upper ? "0123456789ABCDEF" : "0123456789abcdef";
  std::u16string s;
  do { s.insert(s.begin(), static_cast<char16_t>(d[v % base])); v /= base; } while (v);
  if (precision >= 0 && s.size() < static_cast<size_t>(precision)) s.insert(0, precision - s.size(), u'0');
  if (precision == 0 && s == u"0") s.clear();
  return s;
}

}  // namespace

std::u16string Format(std::u16string_view t, std::initializer_list<FormatArg> args) {
  std::u16string out;
  auto next = args.begin();
  size_t i = 0;
  while (i < t.size()) {
    char16_t c = t[i++];
    if (c != u'%') { out.push_back(c); continue; }
    if (i < t.size() && t[i] == u'%') { out.push_back(u'%'); ++i; continue; }
    Conversion sp;
    for (; i < t.size(); ++i) {
      if (t[i] == u'-') sp.left = true;
      else if (t[i] == u'0') sp.zero = true;
      else if (t[i] == u'+') sp.plus = true;
      else if (t[i] == u' ') sp.space = true;
      else break;
    }
    while (i < t.size() && t[i] >= u'0' && t[i] <= u'9' && sp.width < 10000) sp.width = sp.width * 10 + (t[i++] - u'0');
    if (i < t.size() && t[i] == u'.') {
      ++i;
      sp.precision = 0;
      while (i < t.size() && t[i] >= u'0' && t[i] <= u'9' && sp.precision < 10000)
        sp.precision = sp.precision * 10 + (t[i++] - u'0');
    }
    // Length prefixes change nothing here: the argument carries its type.
    while (i < t.size()) {
      if (t[i] == u'l' || t[i] == u'h' || t[i] == u'w') { ++i; continue; }
      if (t[i] == u'I' && i + 2 < t.size() && t[i + 1] == u'6' && t[i + 2] == u'4') { i += 3; continue; }
      break;
    }
    if (i >= t.size()) break;
    char16_t conv = t[i++];
    const FormatArg* a = next != args.end() ? &*next++ : nullptr;
    if (!a) continue;
    std::u16string body;
    switch (conv) {
      case u'd':
      case u'i': {
        long long v = a->AsInt();
        unsigned long long mag = v < 0 ? 0ull - static_cast<unsigned long long>(v) : static_cast<unsigned long long>(v);
        body = Digits(mag, 10, false, sp.precision);
        if (v < 0) body.insert(0, 1, u'-');
        else if (sp.plus) body.insert(0, 1, u'+');
        else if (sp.space) body.insert(0, 1, u' ');
        Pad(out, body, sp, sp.precision < 0);
        break;
      }
      case u'u':
      case u'x':
      case u'X': {
        unsigned long long v = a->AsUInt();
        // A 32-bit code shown with %x is the 32-bit value, as in the C templates.
        if (a->kind() == FormatArg::Kind::kInt && a->AsInt() < 0 && a->AsInt() >= INT32_MIN)
          v &= 0xFFFFFFFFull;
        body = Digits(v, conv == u'u' ? 10 : 16, conv == u'X', sp.precision);
        Pad(out, body, sp, sp.precision < 0);
        break;
      }
      case u'c':
      case u'C': {
        if (a->kind() == FormatArg::Kind::kText) body = a->AsText().substr(0, 1);
        else body.push_back(static_cast<char16_t>(a->AsUInt()));
        Pad(out, body, sp, false);
        break;
      }
      case u's':
      case u'S': {
        if (a->kind() != FormatArg::Kind::kText) break;
        body = a->AsText();
        if (sp.precision >= 0 && body.size() > static_cast<size_t>(sp.precision)) body.resize(sp.precision);
        Pad(out, body, sp, false);
        break;
      }
      case u'f':
      case u'F': {
        char buf[512];
        int prec = sp.precision < 0 ? 6 : (sp.precision > 60 ? 60 : sp.precision);
        double v = a->AsDouble();
        if (v > 1e300 || v < -1e300) v = 0;  // keeps the buffer bounded
        std::snprintf(buf, sizeof buf, "%.*f", prec, v);
        body = Utf8ToUtf16(buf);
        if (sp.plus && v >= 0) body.insert(0, 1, u'+');
        Pad(out, body, sp, true);
        break;
      }
      default:
        break;
    }
  }
  return out;
}

std::string FormatUtf8(std::string_view templ, std::initializer_list<FormatArg> args) {
  return Utf16ToUtf8(Format(Utf8ToUtf16(templ), args));
}

}  // namespace tw
