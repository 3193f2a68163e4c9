#include "platform/sim/drivers.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>

#include "base/text.h"
#include "platform/sim/host_paths.h"
#include "platform/system_services.h"
#include "contracts/storage_drivers.h"

namespace tw::sim {
namespace fs = std::filesystem;

namespace {

fs::path U8Path(const std::string& utf8) { return fs::u8path(utf8); }

std::string HexDigest(ConstByteSpan record) {
  std::string d(reinterpret_cast<const char*>(record.data + devrec::kPasswordDigest), devrec::kDigestSize);
  return d;
}

bool IsDiskType(uint8_t type) { return type != kCdRom && type != kCdBurner; }

// The UTF-16 "\DosDevices\" path of an image record, as a Win32 path.
bool DosDevicesPath(ConstByteSpan record, size_t offset, std::u16string* win32) {
  std::u16string stored = GetUtf16Field(record, offset, devrec::kSize - offset);
  std::u16string prefix = kDosDevicesPrefix;
  if (!StartsWithNoCase(stored, prefix) || stored.size() == prefix.size()) return false;
  *win32 = stored.substr(prefix.size());
  return true;
}

bool PathInOtherSlot(const MachineState& state, const std::string& host, int self) {
  for (int i = 0; i < kSlotCount; ++i)
    if (i != self && state.slots[i].used && !state.slots[i].host_path.empty() && state.slots[i].host_path == host)
      return true;
  return false;
}

void AssignLetters(MachineState& state, Slot& slot, bool disk) {
  slot.partitions.clear();
  int count = disk ? state.partitions_per_disk : 1;
  int unlettered = disk ? state.unlettered_partitions : 0;
  std::set<char> taken = TakenLetters(state);
  for (int k = 0; k < count; ++k) {
    char letter = 0;  // stays 0 when the alphabet is used up
    if (k < count - unlettered)
      for (char c = 'D'; c <= 'Z' && !letter; ++c)
        if (!taken.count(c)) letter = c;
    if (letter) taken.insert(letter);
    slot.partitions.push_back(letter);
  }
}

// Opens or creates the backing file of an image-type plug. An NT status.
Status PrepareImage(const MachineState& state, int slot, const std::string& host, bool create_new, uint64_t new_size,
                    uint64_t* capacity) {
  if (host.empty()) return kStatusObjectNameInvalid;
  fs::path path = U8Path(host);
  std::error_code ec;
  if (PathInOtherSlot(state, host, slot)) return kStatusSharingViolation;
  if (create_new) {
    if (new_size == 0) return kStatusInvalidParameter;
    if (fs::exists(path, ec)) return kStatusObjectNameCollision;  // never overwrite a user's file
    if (!fs::is_directory(path.parent_path(), ec)) return kStatusObjectPathNotFound;
    { std::ofstream create(path, std::ios::binary); if (!create) return kStatusObjectPathNotFound; }
    fs::resize_file(path, new_size, ec);  // sparse: no data written
    if (ec) {
      fs::remove(path, ec);
      return kStatusDiskFull;
    }
    *capacity = new_size;
    return kOk;
  }
  if (!fs::is_regular_file(path, ec)) return kStatusObjectNameNotFound;
  *capacity = fs::file_size(path, ec);
  if (ec) return kStatusObjectNameNotFound;
  return kOk;
}

}  // namespace

std::string HostPathFor(const std::u16string& win32_path, const std::string& state_folder) {
  if (win32_path.size() < 3 || win32_path[1] != u':' || (win32_path[2] != u'\\' && win32_path[2] != u'/'))
    return {};
  char16_t drive = win32_path[0] & ~0x20;
  if (drive < u'A' || drive > u'Z') return {};
  return HostPathOfDrivePath(drive, win32_path, state_folder);
}

bool SupportsSnapshots(const Slot& slot) {
  uint8_t type = slot.record[devrec::kDeviceType];
  return type == kImageDisk || type == kVhdDisk || type == kIscsiDisk || type == kSharedIscsiDisk ||
         type == kPrivateIscsiDisk;
}

Status PlugDevice(MachineState& state, const DriverContext& ctx, ConstByteSpan in) {
  if (in.size != devrec::kSize) return kStatusInvalidParameter;
  uint8_t slot_no = in.data[devrec::kSlot];
  if (slot_no >= kSlotCount) return kStatusInvalidParameter;
  if (state.slots[slot_no].used) return kStatusDeviceBusy;
  Slot slot;
  slot.record.assign(in.data, in.data + in.size);
  ByteSpan rec(slot.record);
  uint8_t type = rec.data[devrec::kDeviceType];
  uint64_t capacity = 0;
  uint8_t access = kAccessReadWrite;
  Status status = kOk;
  switch (type) {
    case kImageDisk:
    case kVhdDisk: {
      std::u16string win32;
      if (type == kImageDisk) {
        if (!DosDevicesPath(rec, devrec::kImagePath, &win32)) return kStatusObjectNameInvalid;
      } else {
        std::string ansi = GetAnsiField(rec, devrec::kImagePath, devrec::kSize - devrec::kImagePath);
        win32 = ctx.code_page->FromAnsi(ansi);
      }
      slot.host_path = HostPathFor(win32, ctx.state_folder);
      bool create = rec.data[devrec::kCreateNew] != 0;
      status = PrepareImage(state, slot_no, slot.host_path, create, GetU64LE(rec, devrec::kNewSize), &capacity);
      if (status != kOk) return status;
      bool has_password = rec.data[devrec::kHasPassword] != 0;
      auto known = state.image_digests.find(slot.host_path);
      if (create) {
        if (has_password) state.image_digests[slot.host_path] = HexDigest(rec);
        else if (known != state.image_digests.end()) state.image_digests.erase(known);
      } else if (known != state.image_digests.end()) {
        if (!has_password || known->second != HexDigest(rec)) return kStatusWrongPassword;
      } else if (has_password) {
        return kStatusWrongPassword;  // an image without encryption cannot be opened with a key
      }
      if (rec.data[devrec::kReadOnly]) access = 2;
      break;
    }
    case kCdRom: {
      std::u16string win32;
      if (!DosDevicesPath(rec, devrec::kCdImagePath, &win32)) return kStatusObjectNameInvalid;
      slot.host_path = HostPathFor(win32, ctx.state_folder);
      status = PrepareImage(state, slot_no, slot.host_path, false, 0, &capacity);
      if (status != kOk) return status;
      access = 2;
      break;
    }
    case kCdBurner: {
      std::u16string win32;
      if (!DosDevicesPath(rec, devrec::kBurnerImagePath, &win32)) return kStatusObjectNameInvalid;
      if (GetU32LE(rec, devrec::kBurnerDiscKind) > 1) return kStatusInvalidParameter;
      slot.host_path = HostPathFor(win32, ctx.state_folder);
      bool create = rec.data[devrec::kBurnerCreateNew] != 0;
      status = PrepareImage(state, slot_no, slot.host_path, create, GetU64LE(rec, devrec::kBurnerNewSize), &capacity);
      if (status != kOk) return status;
      break;
    }
    case kIscsiDisk:
    case kSharedIscsiDisk:
    case kPrivateIscsiDisk:
    case kCloudDisk: {
      if (GetU32LE(rec, devrec::kTargetAddress) == 0 || GetU16LE(rec, devrec::kTargetPort) == 0)
        return kStatusInvalidParameter;
      if (GetAnsiField(rec, devrec::kTargetName, devrec::kAnsiFieldSize).empty()) return kStatusInvalidParameter;
      if (type == kCloudDisk && GetAnsiField(rec, devrec::kUserName, devrec::kAnsiFieldSize).empty())
        return kStatusInvalidParameter;
      slot.chap_user = GetAnsiField(rec, devrec::kUserName, devrec::kAnsiFieldSize);
      slot.chap_secret = GetAnsiField(rec, devrec::kSecret, devrec::kAnsiFieldSize);
      capacity = state.network_disk_capacity;
      if (type == kSharedIscsiDisk) access = kAccessVirtualWrite;
      break;
    }
    case kNetworkDisk:
      if (GetU32LE(rec, devrec::kServerAddress) == 0) return kStatusInvalidParameter;
      capacity = state.network_disk_capacity;
      break;
    default:
      return kStatusInvalidParameter;
  }
  rec.data[devrec::kInUse] = 1;
  rec.data[devrec::kAccess] = access;
  PutU64LE(rec, devrec::kCapacity, capacity);
  // The driver keeps secrets to itself: queries do not echo them.
  if (type >= kIscsiDisk && type <= kCloudDisk) PutAnsiField(rec, devrec::kSecret, devrec::kAnsiFieldSize, "");
  slot.used = true;
  AssignLetters(state, slot, IsDiskType(type));
  state.slots[slot_no] = std::move(slot);
  return kOk;
}

void QueryDevice(const MachineState& state, ByteSpan record) {
  uint8_t slot_no = record.data[devrec::kSlot];
  std::fill(record.data, record.data + record.size, 0);
  record.data[devrec::kSlot] = slot_no;
  if (slot_no >= kSlotCount || !state.slots[slot_no].used) return;
  const Slot& slot = state.slots[slot_no];
  std::copy(slot.record.begin(), slot.record.begin() + std::min(slot.record.size(), record.size), record.data);
}

Status UnplugDevice(MachineState& state, uint8_t slot) {
  if (slot >= kSlotCount) return kStatusInvalidParameter;
  if (!state.slots[slot].used) return kStatusNoSuchDevice;
  state.slots[slot] = Slot{};
  return kOk;
}

namespace {

const SnapshotIndex& IndexOf(Slot& slot) {
  SnapshotIndex& x = slot.snapshot_index;
  const std::vector<Snapshot>& list = slot.snapshots;
  if (x.built && x.list == list.data() && x.size == list.size()) return x;
  x.by_id.resize(list.size());
  for (uint32_t i = 0; i < x.by_id.size(); ++i) x.by_id[i] = i;
  x.by_parent = x.by_id;
  std::stable_sort(x.by_id.begin(), x.by_id.end(), [&](uint32_t a, uint32_t b) { return list[a].id < list[b].id; });
  std::stable_sort(x.by_parent.begin(), x.by_parent.end(),
                   [&](uint32_t a, uint32_t b) { return list[a].parent < list[b].parent; });
  x.list = list.data();
  x.size = list.size();
  x.built = true;
  return x;
}

void ListChanged(Slot& slot) { slot.snapshot_index.built = false; }

// The first snapshot with `id` (in creation order), or null.
Snapshot* FindSnapshot(Slot& slot, uint64_t id) {
  const SnapshotIndex& x = IndexOf(slot);
  auto it = std::lower_bound(x.by_id.begin(), x.by_id.end(), id,
                             [&](uint32_t pos, uint64_t v) { return slot.snapshots[pos].id < v; });
  return it != x.by_id.end() && slot.snapshots[*it].id == id ? &slot.snapshots[*it] : nullptr;
}

// Positions of the children of `id`, in creation order.
std::pair<const uint32_t*, const uint32_t*> Children(Slot& slot, uint64_t id) {
  const SnapshotIndex& x = IndexOf(slot);
  const uint32_t* first = x.by_parent.data();
  const uint32_t* last = first + x.by_parent.size();
  const uint32_t* lo = std::lower_bound(first, last, id, [&](uint32_t pos, uint64_t v) {
    return slot.snapshots[pos].parent < v;
  });
  const uint32_t* hi = std::upper_bound(lo, last, id, [&](uint64_t v, uint32_t pos) {
    return v < slot.snapshots[pos].parent;
  });
  return {lo, hi};
}

bool HasChildren(Slot& slot, uint64_t id) {
  auto range = Children(slot, id);
  return range.first != range.second;
}

void PutSnapshotRecord(ByteSpan out, size_t offset, const Snapshot& s) {
  if (!out.Fits(offset, snaprec::kSize)) return;
  std::fill(out.data + offset, out.data + offset + snaprec::kSize, 0);
  PutU64LE(out, offset + snaprec::kId, s.id);
  PutAnsiField(out, offset + snaprec::kName, snaprec::kNameSize, s.name);
  PutAnsiField(out, offset + snaprec::kDescription, snaprec::kDescriptionSize, s.description);
}

ScsiResult Refuse(uint32_t why) {
  ScsiResult r;
  r.check_condition = true;
  r.sense_information = why;
  return r;
}

ScsiResult Answer32(ByteSpan data, uint32_t value) {
  if (!data.Fits(0, 4)) return Refuse(kSenseBadData);
  PutU32LE(data, 0, value);
  ScsiResult r;
  r.transferred = 4;
  return r;
}

std::string CutAnsi(const std::string& s, size_t max) { return s.size() > max ? s.substr(0, max) : s; }

// A text field of a request must end inside its field, as the records say.
bool Terminated(ConstByteSpan data, size_t off, size_t size) {
  if (!data.Fits(off, size)) return false;
  for (size_t i = 0; i < size; ++i)
    if (data.data[off + i] == 0) return true;
  return false;
}

}  // namespace

ScsiResult VendorCommand(MachineState& state, int slot_no, const uint8_t cdb[16], bool data_in, ByteSpan data,
                         CodePage& code_page) {
  if (slot_no < 0 || slot_no >= kSlotCount || !state.slots[slot_no].used) return Refuse(kSenseNotSupported);
  Slot& slot = state.slots[slot_no];
  uint64_t id = GetU64LE(ConstByteSpan(cdb, 16), 1);
  uint8_t byte_argument = cdb[9];
  uint8_t op = cdb[0];
  if (op == kScsiOpSnapshotSupport) return Answer32(data, SupportsSnapshots(slot) ? 1 : 0);
  if (op == kScsiOpChangeSecret) {
    uint8_t type = slot.record[devrec::kDeviceType];
    if (type < kIscsiDisk || type > kPrivateIscsiDisk) return Refuse(kSenseNotSupported);
    if (data_in || data.size < kChangeSecretDataSize) return Refuse(kSenseBadData);
    if (!Terminated(data, 0, 256) || !Terminated(data, 256, 256) || !Terminated(data, 512, 256))
      return Refuse(kSenseBadData);
    std::string old_secret = GetAnsiField(data, 0, 256);
    if (old_secret != slot.chap_secret) return Refuse(kSenseWrongSecret);
    slot.chap_user = GetAnsiField(data, 256, 256);
    slot.chap_secret = GetAnsiField(data, 512, 256);
    PutAnsiField(ByteSpan(slot.record), devrec::kUserName, devrec::kAnsiFieldSize, slot.chap_user);
    slot.record[devrec::kUseLogin] = slot.chap_user.empty() ? 0 : 1;
    return {};
  }
  if (op < kScsiOpTakeSnapshot || op > kScsiOpCanMerge) return Refuse(kSenseInvalidOpcode);
  if (!SupportsSnapshots(slot)) return Refuse(kSenseNotSupported);

  switch (op) {
    case kScsiOpTakeSnapshot: {
      if (data_in || data.size < kTakeSnapshotDataSize) return Refuse(kSenseBadData);
      if ((id == 0) != (byte_argument == 1)) return Refuse(kSenseBadData);
      if (id != 0 && !FindSnapshot(slot, id)) return Refuse(kSenseUnknownSnapshot);
      Snapshot s;
      s.name = CutAnsi(code_page.ToAnsi(GetUtf16Field(data, 0, kTakeSnapshotNameField)), snaprec::kNameSize - 1);
      s.description = CutAnsi(
          code_page.ToAnsi(GetUtf16Field(data, kTakeSnapshotNameField, kTakeSnapshotDataSize - kTakeSnapshotNameField)),
          snaprec::kDescriptionSize - 1);
      if (s.name.empty()) return Refuse(kSenseBadData);
      s.id = slot.next_snapshot_id++;
      // From the present state the disk moves on to the new snapshot; from
      // an older snapshot the new one branches off and the disk stays.
      s.parent = id == 0 ? slot.current : id;
      if (id == 0) slot.current = s.id;
      slot.snapshots.push_back(s);
      ListChanged(slot);
      return {};
    }
    case kScsiOpSnapshotCount:
      return Answer32(data, static_cast<uint32_t>(slot.snapshots.size()));
    case kScsiOpGetSnapshot: {
      Snapshot* s = FindSnapshot(slot, id);
      if (!s) return Refuse(kSenseUnknownSnapshot);
      if (!data_in || data.size < snaprec::kSize) return Refuse(kSenseBadData);
      PutSnapshotRecord(data, 0, *s);
      ScsiResult r;
      r.transferred = snaprec::kSize;
      return r;
    }
    case kScsiOpSetSnapshot: {
      Snapshot* s = FindSnapshot(slot, id);
      if (!s) return Refuse(kSenseUnknownSnapshot);
      if (data_in || data.size < snaprec::kSize) return Refuse(kSenseBadData);
      if (!Terminated(data, snaprec::kName, snaprec::kNameSize) ||
          !Terminated(data, snaprec::kDescription, snaprec::kDescriptionSize))
        return Refuse(kSenseBadData);
      std::string name = GetAnsiField(data, snaprec::kName, snaprec::kNameSize);
      if (name.empty()) return Refuse(kSenseBadData);
      s->name = name;
      s->description = GetAnsiField(data, snaprec::kDescription, snaprec::kDescriptionSize);
      return {};
    }
    case kScsiOpListChildren: {
      if (id != 0 && !FindSnapshot(slot, id)) return Refuse(kSenseUnknownSnapshot);
      ScsiResult r;
      size_t written = 0;
      auto children = Children(slot, id);
      for (const uint32_t* c = children.first; c != children.second; ++c) {
        if (data_in) PutSnapshotRecord(data, written, slot.snapshots[*c]);  // only whole records that fit
        written += snaprec::kSize;
      }
      r.transferred = static_cast<uint32_t>(written);
      return r;
    }
    case kScsiOpCurrentSnapshot: {
      if (!data.Fits(0, 8)) return Refuse(kSenseBadData);
      PutU64LE(data, 0, slot.current);
      ScsiResult r;
      r.transferred = 8;
      return r;
    }
    case kScsiOpSelectSnapshot:
      if (!FindSnapshot(slot, id)) return Refuse(kSenseUnknownSnapshot);
      slot.selected = id;
      return {};
    case kScsiOpRevert: {
      uint64_t target = slot.selected ? slot.selected : slot.current;
      if (target == 0 || !FindSnapshot(slot, target)) return Refuse(kSenseNothingToRevert);
      slot.current = target;
      slot.selected = 0;
      return {};
    }
    case kScsiOpMergeSnapshot: {
      Snapshot* s = FindSnapshot(slot, id);
      if (!s) return Refuse(kSenseUnknownSnapshot);
      // Committing folds the snapshot into its parent: its children move up.
      uint64_t parent = s->parent;
      for (Snapshot& c : slot.snapshots)
        if (c.parent == id) c.parent = parent;
      if (slot.current == id) slot.current = parent;
      if (slot.selected == id) slot.selected = 0;
      slot.snapshots.erase(std::remove_if(slot.snapshots.begin(), slot.snapshots.end(),
                                          [&](const Snapshot& x) { return x.id == id; }),
                           slot.snapshots.end());
      ListChanged(slot);
      return {};
    }
    case kScsiOpDeleteSnapshot: {
      if (!FindSnapshot(slot, id)) return Refuse(kSenseUnknownSnapshot);
      if (HasChildren(slot, id)) return Refuse(kSenseHasChildren);
      if (slot.current == id) return Refuse(kSenseIsCurrent);
      if (slot.selected == id) slot.selected = 0;
      slot.snapshots.erase(std::remove_if(slot.snapshots.begin(), slot.snapshots.end(),
                                          [&](const Snapshot& x) { return x.id == id; }),
                           slot.snapshots.end());
      ListChanged(slot);
      return {};
    }
    case kScsiOpCanDelete: {
      if (!FindSnapshot(slot, id)) return Refuse(kSenseUnknownSnapshot);
      return Answer32(data, !HasChildren(slot, id) && slot.current != id ? 1 : 0);
    }
    case kScsiOpCanMerge: {
      if (!FindSnapshot(slot, id)) return Refuse(kSenseUnknownSnapshot);
      return Answer32(data, 1);
    }
  }
  return Refuse(kSenseInvalidOpcode);
}

Status MountVolume(MachineState& state, ConstByteSpan in) {
  if (in.size != volrec::kSize) return kErrInvalidParameter;
  if (GetU32LE(in, volrec::kRecordKind) != volrec::kMountRecordKind ||
      GetU32LE(in, volrec::kTargetClass) != volrec::kMountTargetClass)
    return kErrInvalidParameter;
  std::u16string name = GetUtf16Field(in, volrec::kVolumeName, volrec::kVolumeNameSize);
  if (name.size() < 9 || name.compare(0, 7, u"Volume{") != 0 || name.back() != u'}') return kErrInvalidName;
  if (GetUtf16Field(in, volrec::kTargetName, volrec::kTargetNameSize).empty()) return kErrInvalidParameter;
  if (GetUtf16Field(in, volrec::kMountFolder, volrec::kMountFolderSize).empty()) return kErrInvalidParameter;
  if (FindVolume(state, name) >= 0) return kErrAlreadyExists;
  VolumeEntry entry;
  entry.record.assign(in.data, in.data + in.size);
  PutU64LE(ByteSpan(entry.record), volrec::kCapacity, state.volume_capacity);
  state.volumes.push_back(std::move(entry));
  return kOk;
}

int FindVolume(const MachineState& state, const std::u16string& name) {
  for (size_t i = 0; i < state.volumes.size(); ++i) {
    const VolumeEntry& v = state.volumes[i];
    if (!v.detached && EqualsNoCase(GetUtf16Field(ConstByteSpan(v.record), volrec::kVolumeName, volrec::kVolumeNameSize), name))
      return static_cast<int>(i);
  }
  return -1;
}

}  // namespace tw::sim
