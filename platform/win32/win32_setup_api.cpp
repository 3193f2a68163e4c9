// The setup API port over setupapi: one-to-one forwards that return
// GetLastError() codes.
#include <windows.h>
#include <setupapi.h>

#include <cstddef>
#include <vector>

#include "platform/setup_api.h"
#include "platform/win32/win32_ports.h"

namespace tw {
namespace {


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

std::unique_ptr<SetupApi> NewWin32SetupApi() { return std::make_unique<Win32SetupApi>(); }

}  // namespace tw
