#include "devices/removal.h"

#include "base/format.h"
#include "devices/device_list.h"
#include "platform/file_system.h"
#include "platform/prompter.h"
#include "platform/system_services.h"
#include "shares/nfs_shares.h"
#include "storagebus/disk_mapping.h"
#include "storagebus/storage_bus.h"

namespace tw {

Status UnmountSlot(const Platform& p, StorageBus& bus, int slot) {
  DiskMapping map(p);
  std::u16string letters = map.GetSlotLetters(slot);
  for (size_t i = 0; i < letters.size(); i += 3) {
    Status st = map.LockAndDismount(letters[i]);
    if (st == kOk) continue;
    int answer = p.prompter->ShowMessage(
        Format(u"Can't lock volume %C:, the volume may be in use, do you want to forcely remove it?", {letters[i]}),
        u"Question", kMbYesNo | kMbIconQuestion | kMbDefButton2);
    if (answer != kIdYes) return st;
  }
  return bus.UnplugDevice(static_cast<uint8_t>(slot));
}

Status DetachFolder(const Platform& p, StorageBus& bus, uint32_t index) {
  VolumeRecord v;
  if (Status st = bus.GetVolumeInfo(index, &v); st != kOk) return st;
  // An entry still attached stays active, so the list keeps showing it.
  Status detached = bus.DetachVolume(Format(u"\\\\.\\%s", {v.volume_name()}));
  // A step after the detach itself may fail (dismount, unlock): the volume
  // is gone from the driver all the same, so the entry goes too.
  if (detached != kOk && bus.IsVolumeActive(index)) return detached;
  Status st = bus.SetVolumeState(index, 1);
  if (!v.mount_folder().empty()) p.file_system->RemoveFolder(v.mount_folder());
  return detached != kOk ? detached : st;
}

bool RemoveSelected(const Platform& p, StorageBus& bus, uint32_t category, const std::vector<SelectedRow>& rows,
                    const std::function<void()>& refresh) {
  if (rows.empty()) return false;
  int answer = p.prompter->ShowMessage(u"Do you want to remove these devices?", u"Question",
                                       kMbYesNo | kMbIconQuestion | kMbDefButton2);
  if (answer != kIdYes) return false;
  bool nfs = category == kCategoryNfs || category == kCategoryPersisted;
  for (const SelectedRow& row : rows) {
    if (nfs) {
      UnmountNfsShare(row.first_text, p);
      continue;  // the adapter's slots and folders are not touched here
    }
    if (IsFolderTag(row.tag)) DetachFolder(p, bus, row.tag & 0xFF);
    else UnmountSlot(p, bus, static_cast<int>(row.tag));
    // The drivers and the shell settle before the next removal.
    p.clock->SleepMs(200);
  }
  if (refresh) refresh();
  return true;
}

}  // namespace tw
