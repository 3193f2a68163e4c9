#include "platform/sim/sealed_text.h"

#include <cstdio>
#include <sstream>

namespace tw::sim {
namespace {

uint64_t Fnv1a(const std::string& text) {
  uint64_t h = 1469598103934665603ull;
  for (unsigned char c : text) {
    h ^= c;
    h *= 1099511628211ull;
  }
  return h;
}

std::string ChecksumLine(const std::string& body) {
  char buf[40];
  std::snprintf(buf, sizeof buf, "checksum %016llx\n", static_cast<unsigned long long>(Fnv1a(body)));
  return buf;
}

}  // namespace

std::string HexToken(const std::string& bytes) {
  static const char kDigits[] = "0123456789abcdef";
  std::string out;
  out.reserve(bytes.size() * 2 + 1);
  out.push_back('x');  // keeps empty values a token of their own
  for (unsigned char c : bytes) {
    out.push_back(kDigits[c >> 4]);
    out.push_back(kDigits[c & 15]);
  }
  return out;
}

std::string HexToken(const std::vector<uint8_t>& bytes) { return HexToken(std::string(bytes.begin(), bytes.end())); }

bool ParseHexToken(const std::string& token, std::string* out) {
  if (token.empty() || token[0] != 'x' || token.size() % 2 != 1) return false;
  out->clear();
  auto nibble = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
  };
  for (size_t i = 1; i < token.size(); i += 2) {
    int hi = nibble(token[i]), lo = nibble(token[i + 1]);
    if (hi < 0 || lo < 0) return false;
    out->push_back(static_cast<char>(hi << 4 | lo));
  }
  return true;
}

bool ParseNumberToken(const std::string& t, uint64_t* v) {
  if (t.empty() || t.size() > 19) return false;
  uint64_t r = 0;
  for (char c : t) {
    if (c < '0' || c > '9') return false;
    r = r * 10 + static_cast<uint64_t>(c - '0');
  }
  *v = r;
  return true;
}

std::string SealText(const std::string& body) { return body + ChecksumLine(body); }

bool UnsealText(const std::string& text, std::string* body) {
  size_t last = text.rfind("checksum ");
  if (last == std::string::npos || (last > 0 && text[last - 1] != '\n')) return false;
  *body = text.substr(0, last);
  return text.compare(last, std::string::npos, ChecksumLine(*body)) == 0;
}

std::vector<std::vector<std::string>> TokenLines(const std::string& body) {
  std::vector<std::vector<std::string>> lines;
  std::istringstream in(body);
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream f(line);
    std::vector<std::string> tokens;
    for (std::string t; f >> t;) tokens.push_back(t);
    lines.push_back(std::move(tokens));
  }
  return lines;
}

}  // namespace tw::sim
