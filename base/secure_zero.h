// Wiping secrets (passwords, CHAP secrets) once they are used, so that they
// do not linger in freed memory. The stores go through a volatile pointer,
// which the compiler must keep although nothing reads the bytes again.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace tw {

void SecureZero(void* data, size_t size);

// Zeroes the whole capacity (bytes past the size may hold an older, longer
// value), then empties the string or vector.
template <typename Char>
void WipeSecret(std::basic_string<Char>& s) {
  s.resize(s.capacity());
  SecureZero(&s[0], s.size() * sizeof(Char));
  s.clear();
}
template <typename T>
void WipeSecret(std::vector<T>& v) {
  v.resize(v.capacity());
  if (!v.empty()) SecureZero(v.data(), v.size() * sizeof(T));
  v.clear();
}

// Wipes a string or vector when the scope ends, on every way out.
template <typename Container>
class ScopedWipe {
 public:
  explicit ScopedWipe(Container& c) : c_(c) {}
  ~ScopedWipe() { WipeSecret(c_); }
  ScopedWipe(const ScopedWipe&) = delete;
  ScopedWipe& operator=(const ScopedWipe&) = delete;

 private:
  Container& c_;
};

}  // namespace tw
