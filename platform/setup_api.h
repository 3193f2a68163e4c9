// Setup API port: the device-interface enumeration of one interface class.
#pragma once

#include <cstdint>
#include <string>

#include "base/status.h"

namespace tw {

struct Guid {
  uint32_t data1 = 0;
  uint16_t data2 = 0, data3 = 0;
  uint8_t data4[8] = {};
  bool operator==(const Guid& o) const;
};

// {2ACCFE60-C130-11D2-B082-00A0C91EFB8B}
constexpr Guid kGuidDevInterfaceStoragePort = {
    0x2ACCFE60, 0xC130, 0x11D2, {0xB0, 0x82, 0x00, 0xA0, 0xC9, 0x1E, 0xFB, 0x8B}};

constexpr uint32_t kDigcfPresent = 0x02;
constexpr uint32_t kDigcfDeviceInterface = 0x10;

using DevInfoSet = uintptr_t;

class SetupApi {
 public:
  virtual ~SetupApi() = default;
  // SetupDiGetClassDevsW(class, no enumerator, no window, flags).
  virtual Status GetClassDevs(const Guid& interface_class, uint32_t flags, DevInfoSet* set) = 0;
  // SetupDiEnumDeviceInterfaces at member_index followed by
  // SetupDiGetDeviceInterfaceDetailW into a detail buffer of detail_bytes.
  // Returns 0 and the interface's device path, kErrNoMoreItems past the
  // last member, kErrInsufficientBuffer when the path does not fit.
  virtual Status GetInterfacePath(DevInfoSet set, const Guid& interface_class, uint32_t member_index,
                                  uint32_t detail_bytes, std::u16string* path) = 0;
  // SetupDiDestroyDeviceInfoList.
  virtual void DestroyDeviceInfoList(DevInfoSet set) = 0;
};

}  // namespace tw
