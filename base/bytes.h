// Byte records: explicit little/big-endian access at fixed offsets.
//
// Every accessor is bounded by the span it is given: a write that would run
// past the end writes nothing and returns false; a read past the end gives 0.
// Records are never built by casting a struct over a buffer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tw {

using Bytes = std::vector<uint8_t>;

struct ByteSpan {
  uint8_t* data = nullptr;
  size_t size = 0;
  ByteSpan() = default;
  ByteSpan(uint8_t* d, size_t n) : data(d), size(n) {}
  ByteSpan(Bytes& b) : data(b.data()), size(b.size()) {}  // NOLINT: implicit by design
  bool Fits(size_t offset, size_t width) const {
    return offset <= size && width <= size - offset;
  }
  ByteSpan Sub(size_t offset, size_t width) const {
    if (offset > size) return {};
    if (width > size - offset) width = size - offset;
    return {data + offset, width};
  }
};

struct ConstByteSpan {
  const uint8_t* data = nullptr;
  size_t size = 0;
  ConstByteSpan() = default;
  ConstByteSpan(const uint8_t* d, size_t n) : data(d), size(n) {}
  ConstByteSpan(const Bytes& b) : data(b.data()), size(b.size()) {}  // NOLINT
  ConstByteSpan(ByteSpan s) : data(s.data), size(s.size) {}           // NOLINT
  bool Fits(size_t offset, size_t width) const {
    return offset <= size && width <= size - offset;
  }
  ConstByteSpan Sub(size_t offset, size_t width) const {
    if (offset > size) return {};
    if (width > size - offset) width = size - offset;
    return {data + offset, width};
  }
};

namespace detail {
template <typename T>
bool PutLE(ByteSpan s, size_t off, T v) {
  if (!s.Fits(off, sizeof(T))) return false;
  for (size_t i = 0; i < sizeof(T); ++i) s.data[off + i] = static_cast<uint8_t>(v >> (8 * i));
  return true;
}
template <typename T>
bool PutBE(ByteSpan s, size_t off, T v) {
  if (!s.Fits(off, sizeof(T))) return false;
  for (size_t i = 0; i < sizeof(T); ++i)
    s.data[off + i] = static_cast<uint8_t>(v >> (8 * (sizeof(T) - 1 - i)));
  return true;
}
template <typename T>
T GetLE(ConstByteSpan s, size_t off) {
  if (!s.Fits(off, sizeof(T))) return 0;
  T v = 0;
  for (size_t i = 0; i < sizeof(T); ++i) v |= static_cast<T>(s.data[off + i]) << (8 * i);
  return v;
}
template <typename T>
T GetBE(ConstByteSpan s, size_t off) {
  if (!s.Fits(off, sizeof(T))) return 0;
  T v = 0;
  for (size_t i = 0; i < sizeof(T); ++i) v = static_cast<T>((v << 8) | s.data[off + i]);
  return v;
}
}  // namespace detail

inline bool PutU8(ByteSpan s, size_t off, uint8_t v) { return detail::PutLE<uint8_t>(s, off, v); }
inline bool PutU16LE(ByteSpan s, size_t off, uint16_t v) { return detail::PutLE(s, off, v); }
inline bool PutU32LE(ByteSpan s, size_t off, uint32_t v) { return detail::PutLE(s, off, v); }
inline bool PutU64LE(ByteSpan s, size_t off, uint64_t v) { return detail::PutLE(s, off, v); }
inline bool PutU16BE(ByteSpan s, size_t off, uint16_t v) { return detail::PutBE(s, off, v); }
inline bool PutU24BE(ByteSpan s, size_t off, uint32_t v) {
  if (!s.Fits(off, 3)) return false;
  s.data[off] = static_cast<uint8_t>(v >> 16);
  s.data[off + 1] = static_cast<uint8_t>(v >> 8);
  s.data[off + 2] = static_cast<uint8_t>(v);
  return true;
}
inline bool PutU32BE(ByteSpan s, size_t off, uint32_t v) { return detail::PutBE(s, off, v); }
inline bool PutU64BE(ByteSpan s, size_t off, uint64_t v) { return detail::PutBE(s, off, v); }

inline uint8_t GetU8(ConstByteSpan s, size_t off) { return detail::GetLE<uint8_t>(s, off); }
inline uint16_t GetU16LE(ConstByteSpan s, size_t off) { return detail::GetLE<uint16_t>(s, off); }
inline uint32_t GetU32LE(ConstByteSpan s, size_t off) { return detail::GetLE<uint32_t>(s, off); }
inline uint64_t GetU64LE(ConstByteSpan s, size_t off) { return detail::GetLE<uint64_t>(s, off); }
inline uint16_t GetU16BE(ConstByteSpan s, size_t off) { return detail::GetBE<uint16_t>(s, off); }
inline uint32_t GetU24BE(ConstByteSpan s, size_t off) {
  if (!s.Fits(off, 3)) return 0;
  return (uint32_t{s.data[off]} << 16) | (uint32_t{s.data[off + 1]} << 8) | s.data[off + 2];
}
inline uint32_t GetU32BE(ConstByteSpan s, size_t off) { return detail::GetBE<uint32_t>(s, off); }
inline uint64_t GetU64BE(ConstByteSpan s, size_t off) { return detail::GetBE<uint64_t>(s, off); }

// Copies n bytes in or out of a span; false (and nothing copied) when out of range.
bool PutBytes(ByteSpan s, size_t off, const void* src, size_t n);
bool GetBytes(ConstByteSpan s, size_t off, void* dst, size_t n);

}  // namespace tw
