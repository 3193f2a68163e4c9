// Mapping of adapter slots to Windows disks, volumes and drive letters
// (through WMI), and locking of a slot's volumes around changes to its disk.
#pragma once

#include <array>
#include <string>

#include "base/status.h"
#include "contracts/storage_drivers.h"
#include "platform/device_io.h"
#include "platform/platform.h"

namespace tw {

class DiskMapping {
 public:
  explicit DiskMapping(const Platform& platform) : p_(platform) {}

  // "E: F: " for a disk's volumes, "G:" for a CD/DVD drive, or empty.
  // Readers take a letter at every third character.
  std::u16string GetSlotLetters(int slot);
  // GetSlotLetters of every slot, from one listing of the drives: a list
  // that shows several devices asks once, not once per device.
  std::array<std::u16string, kSlotCount> AllSlotLetters();
  // The DeviceID of the slot's disk drive (\\.\PHYSICALDRIVEn), or empty.
  std::u16string FindSlotDisk(int slot);
  Status LockAndDismount(char16_t letter);
  Status UnlockVolume(char16_t letter);
  Status LockSlotVolumes(int slot);
  Status UnlockSlotVolumes(int slot, Handle disk);

 private:
  Status OpenVolume(char16_t letter, Handle* h);
  Platform p_;
};

// True when a WMI Caption names one of the adapter's own drives.
bool IsOwnDriveCaption(const std::u16string& caption);
// Escapes backslashes and double quotes, for a text inside a WQL string.
std::u16string EscapeWqlString(const std::u16string& text);

}  // namespace tw
