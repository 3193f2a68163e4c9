// Device I/O and setup API over kernel32, setupapi and user32:
// one-to-one forwards that return GetLastError() codes.
#include <windows.h>
#include <setupapi.h>

#include <vector>

#include "platform/device_io.h"
#include "platform/setup_api.h"
#include "platform/win32/win32_ports.h"

namespace tw {
namespace {

const wchar_t* W(const std::u16string& s) { return reinterpret_cast<const wchar_t*>(s.c_str()); }

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

GUID ToGuid(const Guid& g) {
  GUID r;
  r.Data1 = g.data1;
  r.Data2 = g.data2;
  r.Data3 = g.data3;
  for (int i = 0; i < 8; ++i) r.Data4[i] = g.data4[i];
  return r;
}

class Win32SetupApi final : public SetupApi {
 public:
  Status GetClassDevs(const Guid& interface_class, uint32_t flags, DevInfoSet* set) override {
    GUID g = ToGuid(interface_class);
    HDEVINFO info = SetupDiGetClassDevsW(&g, nullptr, nullptr, flags);
    if (info == INVALID_HANDLE_VALUE) return GetLastError();
    *set = reinterpret_cast<DevInfoSet>(info);
    return kOk;
  }
  Status GetInterfacePath(DevInfoSet set, const Guid& interface_class, uint32_t index, uint32_t detail_bytes,
                          std::u16string* path) override {
    GUID g = ToGuid(interface_class);
    SP_DEVICE_INTERFACE_DATA data{};
    data.cbSize = sizeof data;
    if (!SetupDiEnumDeviceInterfaces(reinterpret_cast<HDEVINFO>(set), nullptr, &g, index, &data)) return GetLastError();
    std::vector<uint8_t> buffer(detail_bytes < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W)
                                    ? sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W)
                                    : detail_bytes);
    auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(buffer.data());
    detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
    if (!SetupDiGetDeviceInterfaceDetailW(reinterpret_cast<HDEVINFO>(set), &data, detail, detail_bytes, nullptr,
                                          nullptr))
      return GetLastError();
    // The path is NUL-terminated inside the buffer we own.
    size_t max_chars = (buffer.size() - offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_W, DevicePath)) / 2;
    size_t n = 0;
    while (n < max_chars && detail->DevicePath[n]) ++n;
    path->assign(reinterpret_cast<const char16_t*>(detail->DevicePath), n);
    return kOk;
  }
  void DestroyDeviceInfoList(DevInfoSet set) override { SetupDiDestroyDeviceInfoList(reinterpret_cast<HDEVINFO>(set)); }
};

}  // namespace

std::unique_ptr<DeviceIo> NewWin32DeviceIo() { return std::make_unique<Win32DeviceIo>(); }
std::unique_ptr<SetupApi> NewWin32SetupApi() { return std::make_unique<Win32SetupApi>(); }

}  // namespace tw
