// A new image disk record for tests: a sparse file of `bytes` created at
// the Win32 path `path` when plugged.
#pragma once

#include <string>

#include "storagebus/records.h"

namespace tw::testing {

inline DeviceRecord NewImageRecord(uint8_t slot, const std::u16string& path, uint64_t bytes = 1 << 20) {
  DeviceRecord r;
  r.set_slot(slot);
  r.set_device_type(kImageDisk);
  r.set_create_new(true);
  r.set_new_size(bytes);
  r.set_image_disk_path(path);
  return r;
}

}  // namespace tw::testing
