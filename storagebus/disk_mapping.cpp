#include "storagebus/disk_mapping.h"

#include <algorithm>
#include <vector>

#include "base/format.h"
#include "base/text.h"
#include "storagebus/driver_contract.h"
#include "storagebus/wmi_query.h"

namespace tw {

namespace {
constexpr uint32_t kReadWrite = kGenericRead | kGenericWrite;
constexpr uint32_t kShareReadWrite = kFileShareRead | kFileShareWrite;
constexpr int kAttempts = 3;

// Readers take a letter at every third character, so only "X:" ids may go
// into a slot's letters: any other text would have them lock and dismount
// volumes named by its stray characters.
bool IsDriveId(const std::u16string& id) {
  return id.size() == 2 && id[1] == u':' && ((id[0] >= u'A' && id[0] <= u'Z') || (id[0] >= u'a' && id[0] <= u'z'));
}
}  // namespace

bool IsOwnDriveCaption(const std::u16string& caption) { return StartsWithNoCase(caption, u"Velthorn"); }

std::u16string EscapeWqlString(const std::u16string& text) {
  std::u16string out;
  for (char16_t c : text) {
    if (c == u'\\' || c == u'"') out.push_back(u'\\');
    out.push_back(c);
  }
  return out;
}

std::u16string DiskMapping::GetSlotLetters(int slot) {
  WmiQuery disks(*p_.wmi);
  if (disks.Execute(u"SELECT * FROM Win32_DiskDrive") == 0) {
    for (; !disks.AtEnd(); disks.Next()) {
      std::u16string caption, device_id;
      int32_t target = -1;
      if (!disks.GetText(u"Caption", &caption) || !IsOwnDriveCaption(caption)) continue;
      if (!disks.GetText(u"DeviceID", &device_id) || !disks.GetInt(u"SCSITargetId", &target)) continue;
      if (target != slot) continue;

      std::u16string letters;
      WmiQuery partitions(*p_.wmi);
      partitions.Execute(Format(
          u"ASSOCIATORS OF {Win32_DiskDrive.DeviceID=\"%ws\"} WHERE AssocClass = Win32_DiskDriveToDiskPartition",
          {EscapeWqlString(device_id)}));
      for (; !partitions.AtEnd(); partitions.Next()) {
        std::u16string partition_id;
        if (!partitions.GetText(u"DeviceID", &partition_id)) continue;
        WmiQuery logical(*p_.wmi);
        logical.Execute(Format(
            u"ASSOCIATORS OF {Win32_DiskPartition.DeviceID=\"%ws\"} WHERE AssocClass = Win32_LogicalDiskToPartition",
            {EscapeWqlString(partition_id)}));
        for (; !logical.AtEnd(); logical.Next()) {
          std::u16string id;
          if (logical.GetText(u"DeviceID", &id) && IsDriveId(id)) letters += Format(u"%s ", {id});
        }
      }
      return letters;  // the first matching disk ends the search
    }
  }
  WmiQuery cdroms(*p_.wmi);
  if (cdroms.Execute(u"SELECT * FROM Win32_CDROMDrive") == 0) {
    for (; !cdroms.AtEnd(); cdroms.Next()) {
      std::u16string caption, id;
      int32_t target = -1;
      if (!cdroms.GetText(u"Caption", &caption) || !cdroms.GetText(u"Id", &id) ||
          !cdroms.GetInt(u"SCSITargetId", &target))
        continue;
      if (target == slot && IsOwnDriveCaption(caption)) return IsDriveId(id) ? id : std::u16string();
    }
  }
  return {};
}

std::array<std::u16string, kSlotCount> DiskMapping::AllSlotLetters() {
  std::array<std::u16string, kSlotCount> letters;
  // The first of our disks on a slot decides it, as in GetSlotLetters; a
  // slot without one may be a CD/DVD drive.
  std::array<std::u16string, kSlotCount> disk_ids;
  std::array<bool, kSlotCount> has_disk{};
  WmiQuery query(*p_.wmi);
  std::u16string caption, id;
  if (query.Execute(u"SELECT * FROM Win32_DiskDrive") == 0) {
    for (; !query.AtEnd(); query.Next()) {
      int32_t target = -1;
      if (!query.GetText(u"Caption", &caption) || !IsOwnDriveCaption(caption)) continue;
      if (!query.GetText(u"DeviceID", &id) || !query.GetInt(u"SCSITargetId", &target)) continue;
      if (target < 0 || target >= kSlotCount || has_disk[target]) continue;
      has_disk[target] = true;
      disk_ids[target] = id;
    }
  }
  std::vector<std::u16string> partition_ids;
  for (int slot = 0; slot < kSlotCount; ++slot) {
    if (!has_disk[slot]) continue;
    partition_ids.clear();
    query.Execute(Format(
        u"ASSOCIATORS OF {Win32_DiskDrive.DeviceID=\"%ws\"} WHERE AssocClass = Win32_DiskDriveToDiskPartition",
        {EscapeWqlString(disk_ids[slot])}));
    for (; !query.AtEnd(); query.Next())
      if (query.GetText(u"DeviceID", &id)) partition_ids.push_back(id);
    for (const std::u16string& partition_id : partition_ids) {
      query.Execute(Format(
          u"ASSOCIATORS OF {Win32_DiskPartition.DeviceID=\"%ws\"} WHERE AssocClass = Win32_LogicalDiskToPartition",
          {EscapeWqlString(partition_id)}));
      for (; !query.AtEnd(); query.Next())
        if (query.GetText(u"DeviceID", &id) && IsDriveId(id)) letters[slot] += id + u" ";
    }
  }
  if (std::find(has_disk.begin(), has_disk.end(), false) == has_disk.end()) return letters;
  std::array<bool, kSlotCount> has_cd{};
  if (query.Execute(u"SELECT * FROM Win32_CDROMDrive") == 0) {
    for (; !query.AtEnd(); query.Next()) {
      int32_t target = -1;
      if (!query.GetText(u"Caption", &caption) || !query.GetText(u"Id", &id) ||
          !query.GetInt(u"SCSITargetId", &target))
        continue;
      if (target < 0 || target >= kSlotCount || has_disk[target] || has_cd[target] || !IsOwnDriveCaption(caption))
        continue;
      has_cd[target] = true;
      if (IsDriveId(id)) letters[target] = id;
    }
  }
  return letters;
}

std::u16string DiskMapping::FindSlotDisk(int slot) {
  WmiQuery disks(*p_.wmi);
  if (disks.Execute(u"SELECT * FROM Win32_DiskDrive") != 0) return {};
  for (; !disks.AtEnd(); disks.Next()) {
    std::u16string caption, device_id;
    int32_t target = -1;
    if (!disks.GetText(u"Caption", &caption) || !IsOwnDriveCaption(caption)) continue;
    if (disks.GetInt(u"SCSITargetId", &target) && target == slot && disks.GetText(u"DeviceID", &device_id))
      return device_id;
  }
  return {};
}

Status DiskMapping::OpenVolume(char16_t letter, Handle* h) {
  return p_.device_io->Open(Format(u"\\\\.\\%c:", {letter}), kReadWrite, kShareReadWrite, kOpenExisting, 0, h);
}

Status DiskMapping::LockAndDismount(char16_t letter) {
  Handle h = kInvalidHandle;
  if (Status st = OpenVolume(letter, &h); st != kOk) return st;
  Status result = kOk;
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    uint32_t returned = 0;
    Status st = p_.device_io->Control(h, kFsctlLockVolume, nullptr, 0, nullptr, 0, &returned);
    if (st != kOk) {
      result = st;
      continue;
    }
    if (p_.device_io->Control(h, kFsctlDismountVolume, nullptr, 0, nullptr, 0, &returned) == kOk) {
      result = kOk;
      break;
    }
  }
  p_.device_io->Close(h);  // also releases the lock
  return result;
}

Status DiskMapping::UnlockVolume(char16_t letter) {
  Handle h = kInvalidHandle;
  if (Status st = OpenVolume(letter, &h); st != kOk) return st;
  Status remembered = kOk;
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    uint32_t returned = 0;
    Status st = p_.device_io->Control(h, kFsctlUnlockVolume, nullptr, 0, nullptr, 0, &returned);
    if (st == kOk) break;
    remembered = st;
  }
  p_.device_io->Close(h);
  return remembered;
}

Status DiskMapping::LockSlotVolumes(int slot) {
  std::u16string letters = GetSlotLetters(slot);
  for (size_t i = 0; i < letters.size(); i += 3)
    if (Status st = LockAndDismount(letters[i]); st != kOk) return st;
  return kOk;
}

Status DiskMapping::UnlockSlotVolumes(int slot, Handle disk) {
  std::u16string letters = GetSlotLetters(slot);
  for (size_t i = 0; i < letters.size(); i += 3) {
    // A lock ends with its handle, so a volume LockAndDismount left is no
    // longer locked: that is no reason to skip the refresh of the disk.
    Status st = UnlockVolume(letters[i]);
    if (st != kOk && st != kErrNotLocked) return st;
  }
  uint32_t returned = 0;
  return p_.device_io->Control(disk, kIoctlDiskUpdateProperties, nullptr, 0, nullptr, 0, &returned);
}

}  // namespace tw
