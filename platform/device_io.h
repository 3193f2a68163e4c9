// Device I/O port: CreateFileW, DeviceIoControl and CloseHandle.
#pragma once

#include <cstdint>
#include <string>

#include "base/status.h"

namespace tw {

using Handle = uintptr_t;
constexpr Handle kInvalidHandle = ~uintptr_t{0};

// CreateFileW arguments, with the Windows values.
constexpr uint32_t kGenericRead = 0x80000000u;
constexpr uint32_t kGenericWrite = 0x40000000u;
constexpr uint32_t kFileShareRead = 1;
constexpr uint32_t kFileShareWrite = 2;
constexpr uint32_t kFileShareDelete = 4;
constexpr uint32_t kFileReadAttributes = 0x80;
constexpr uint32_t kOpenExisting = 3;
constexpr uint32_t kFileFlagNoBuffering = 0x20000000u;
constexpr uint32_t kFileFlagBackupSemantics = 0x02000000u;

class DeviceIo {
 public:
  virtual ~DeviceIo() = default;
  // Opens a device or file path ("\\.\Name", "\\?\..."). On success stores
  // the handle and returns 0; otherwise returns the Win32 error (2 for a
  // path that names nothing) and leaves *handle as kInvalidHandle.
  virtual Status Open(const std::u16string& path, uint32_t access, uint32_t share,
                      uint32_t disposition, uint32_t flags, Handle* handle) = 0;
  // DeviceIoControl on an open handle. in and out may be the same buffer.
  // *returned receives the output byte count (0 on failure). Returns 0 or
  // the Win32 error of the failed request.
  virtual Status Control(Handle handle, uint32_t code, const void* in, uint32_t in_len,
                         void* out, uint32_t out_len, uint32_t* returned) = 0;
  // Closes a handle from Open; closing releases any volume lock it holds.
  virtual void Close(Handle handle) = 0;
  // A number that changes whenever any program changed the devices, cheap
  // enough to poll; 0 where the system announces changes itself (the real
  // drivers broadcast WM_DEVICECHANGE).
  virtual uint64_t ChangeCount() { return 0; }
};

// Closes a handle when it goes out of scope.
class ScopedHandle {
 public:
  ScopedHandle(DeviceIo& io, Handle h) : io_(io), h_(h) {}
  ~ScopedHandle() {
    if (h_ != kInvalidHandle) io_.Close(h_);
  }
  ScopedHandle(const ScopedHandle&) = delete;
  ScopedHandle& operator=(const ScopedHandle&) = delete;
  Handle get() const { return h_; }

 private:
  DeviceIo& io_;
  Handle h_;
};

}  // namespace tw
