// Device I/O over kernel32: one-to-one forwards that return GetLastError()
// codes.
#include <windows.h>

#include "platform/device_io.h"
#include "platform/win32/wide.h"
#include "platform/win32/win32_ports.h"

namespace tw {
namespace {

class Win32DeviceIo final : public DeviceIo {
 public:
  Status Open(const std::u16string& path, uint32_t access, uint32_t share, uint32_t disposition, uint32_t flags,
              Handle* handle) override {
    HANDLE h = CreateFileW(W(path), access, share, nullptr, disposition, flags, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
      *handle = kInvalidHandle;
      return GetLastError();
    }
    *handle = reinterpret_cast<Handle>(h);
    return kOk;
  }
  Status Control(Handle handle, uint32_t code, const void* in, uint32_t in_len, void* out, uint32_t out_len,
                 uint32_t* returned) override {
    DWORD got = 0;
    BOOL ok = DeviceIoControl(reinterpret_cast<HANDLE>(handle), code, const_cast<void*>(in), in_len, out, out_len,
                              &got, nullptr);
    *returned = ok ? got : 0;
    return ok ? kOk : GetLastError();
  }
  void Close(Handle handle) override { CloseHandle(reinterpret_cast<HANDLE>(handle)); }
};

}  // namespace

std::unique_ptr<DeviceIo> NewWin32DeviceIo() { return std::make_unique<Win32DeviceIo>(); }

}  // namespace tw
