// Ports for the fuzz targets of driver and provider replies: each forwards
// to the simulated machine, so the replies start out well formed, then
// lets the fuzzer's bytes rewrite what came back (bytes of the answer,
// the count of bytes returned, the status) before the caller reads it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/device_io.h"
#include "platform/wnet.h"

namespace tw::fuzzing {

// The fuzzer's bytes, read front to back; past the end everything is 0.
class FuzzInput {
 public:
  FuzzInput(const uint8_t* data, size_t size) : p_(data), n_(size) {}
  bool empty() const { return pos_ >= n_; }
  uint8_t Byte() { return pos_ < n_ ? p_[pos_++] : 0; }
  uint32_t U16() { return uint32_t{Byte()} | uint32_t{Byte()} << 8; }
  uint32_t U32() { return U16() | U16() << 16; }
  // Up to `max` bytes (fewer at the end).
  std::vector<uint8_t> Take(size_t max) {
    size_t k = n_ - pos_ < max ? n_ - pos_ : max;
    std::vector<uint8_t> out(p_ + pos_, p_ + pos_ + k);
    pos_ += k;
    return out;
  }
  // UTF-16 text of up to `max` characters, two bytes each.
  std::u16string Text(size_t max) {
    size_t chars = Byte() % (max + 1);
    std::u16string s;
    for (size_t i = 0; i < chars && !empty(); ++i) s += static_cast<char16_t>(U16());
    return s;
  }

 private:
  const uint8_t* p_;
  size_t n_;
  size_t pos_ = 0;
};

// Rewrites `buffer` as one reply's worth of input says: a control byte,
// then patches of [offset u16][length][bytes]. Returns the control byte.
uint8_t Patch(FuzzInput& in, uint8_t* buffer, size_t size);

// DeviceIoControl answers rewritten; for SCSI pass-through the data buffer
// the block points to and its transfer length are rewritten too.
class MutatingDeviceIo final : public DeviceIo {
 public:
  MutatingDeviceIo(DeviceIo& inner, FuzzInput& in) : inner_(inner), in_(in) {}
  Status Open(const std::u16string& path, uint32_t access, uint32_t share, uint32_t disposition, uint32_t flags,
              Handle* handle) override {
    return inner_.Open(path, access, share, disposition, flags, handle);
  }
  Status Control(Handle handle, uint32_t code, const void* in, uint32_t in_len, void* out, uint32_t out_len,
                 uint32_t* returned) override;
  void Close(Handle handle) override { inner_.Close(handle); }

 private:
  DeviceIo& inner_;
  FuzzInput& in_;
};

// Enumerations and connection queries rewritten: entries dropped, added or
// given other texts and numbers, statuses changed.
class MutatingWNet final : public WNet {
 public:
  MutatingWNet(WNet& inner, FuzzInput& in) : inner_(inner), in_(in) {}
  Status UseConnection(const NetResourceRequest& resource, const char16_t* password, const char16_t* user,
                       uint32_t flags, uint32_t access_chars, std::u16string* access_name) override {
    return inner_.UseConnection(resource, password, user, flags, access_chars, access_name);
  }
  Status CancelConnection2(const std::u16string& name, uint32_t flags, bool force) override {
    return inner_.CancelConnection2(name, flags, force);
  }
  Status GetConnection(const std::u16string& local_name, uint32_t capacity_chars, std::u16string* remote) override;
  Status OpenEnum(uint32_t scope, uint32_t type, uint32_t usage, WNetEnumHandle* handle) override {
    return inner_.OpenEnum(scope, type, usage, handle);
  }
  Status EnumResource(WNetEnumHandle handle, uint32_t* count, uint32_t buffer_bytes,
                      std::vector<NetResource>* entries) override;
  Status CloseEnum(WNetEnumHandle handle) override { return inner_.CloseEnum(handle); }

 private:
  WNet& inner_;
  FuzzInput& in_;
};

}  // namespace tw::fuzzing
