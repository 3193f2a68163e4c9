#include "devices/device_list.h"

#include <array>

#include "base/format.h"
#include "base/text.h"
#include "platform/file_system.h"
#include "platform/sockets.h"
#include "platform/system_services.h"
#include "platform/wnet.h"
#include "shares/nfs_shares.h"

namespace tw {

namespace {

struct CategoryEntry {
  const char16_t* menu_text;
  uint32_t category;
};
// In the order they are compared; the first match wins.
const CategoryEntry kCategories[] = {
    {u"Virtual Disk", kCategoryVirtualDisk}, {u"Virtual Burner", kCategoryBurner},
    {u"Virtual CD/DVD", kCategoryCdDvd},     {u"iSCSI Devices", kCategoryIscsi},
    {u"Shared Devices", kCategoryShared},    {u"Private Disks", kCategoryPrivate},
    {u"Virtual Folders", kCategoryFolders},  {u"Cloud Disks", kCategoryCloud},
    {u"Pellowen", kCategoryNfs},             {u"Persisted Devices", kCategoryPersisted},
};

std::u16string AccessText(uint8_t access, uint8_t type) {
  if (access == kAccessVirtualWrite) return u"VirtualWrite";
  if (access != 0) return u"Read Only";
  return type == kCdRom ? u"Read Only" : u"Read Write";
}

}  // namespace

uint32_t CategoryForMenuText(const std::u16string& text) {
  for (const CategoryEntry& e : kCategories)
    if (EqualsNoCase(text, e.menu_text)) return e.category;
  return kCategoryAll;
}

std::u16string CategoryTitle(uint32_t category) {
  switch (category) {
    case kCategoryVirtualDisk: return u"Virtual Disks";
    case kCategoryCdDvd: return u"Virtual CD/DVD-ROMs";
    case kCategoryBurner: return u"Virtual CD/DVD Burners";
    case kCategoryIscsi: return u"iSCSI Devices";
    case kCategoryShared: return u"Shared iSCSI Devices";
    case kCategoryPrivate: return u"Private iSCSI Devices";
    case kCategoryFolders: return u"Virtual Folders";
    case kCategoryPersisted: return u"Persisted Devices";
    default: return u"All Pellowen Drives";
  }
}

bool CategoryShowsType(uint32_t category, uint8_t type) {
  switch (category) {
    case kCategoryAll: return type <= kCdBurner;
    case kCategoryVirtualDisk: return type == kImageDisk || type == kVhdDisk;
    case kCategoryIscsi: return type >= 16 && type <= 19;
    case kCategoryPersisted: return false;
    default: return type == category;
  }
}

std::u16string FormatCapacity(int64_t n) {
  const double v = static_cast<double>(n);
  if (n >= (int64_t{1} << 40)) return Format(u"%0.2fT", {v / static_cast<double>(int64_t{1} << 40)});
  if (n >= (int64_t{1} << 30)) return Format(u"%0.2fG", {v / static_cast<double>(int64_t{1} << 30)});
  if (n >= (int64_t{1} << 20)) return Format(u"%0.2fM", {v / static_cast<double>(int64_t{1} << 20)});
  if (n >= (int64_t{1} << 10)) return Format(u"%0.2fK", {v / 1024.0});
  return u"0.00K";
}

DeviceListModel::DeviceListModel(const Platform& platform) : p_(platform), bus_(platform), map_(platform) {}

void DeviceListModel::Create(int list_width) {
  bus_.SelectAdapter(0);
  Refresh(list_width);
}

void DeviceListModel::SetCategory(uint32_t category) {
  category_ = category;
  title_ = CategoryTitle(category);
}

void DeviceListModel::Refresh(int w) {
  rows_.clear();
  columns_.clear();
  if (category_ == kCategoryPersisted) {
    mount_visible_ = false;
    unmount_text_ = u"&Remove";
    columns_ = {{u"Letter", 80}, {u"Name", 200}, {u"Access", 80}, {u"Location", w - 365}};
    AddNfsRows(true);
    return;
  }
  mount_visible_ = true;
  unmount_text_ = u"&Unmount";
  if (category_ == kCategoryNfs)
    columns_ = {{u"Letter", 80}, {u"Name", 200}, {u"Access", 80}, {u"Location", w - 365}};
  else if (category_ == kCategoryFolders)
    columns_ = {{u"Device", 100}, {u"Location", 120}, {u"Capacity", 65}, {u"Access", 70}, {u"Path", w - 355}};
  else
    columns_ = {{u"Device", 100}, {u"Location", w - 285}, {u"Capacity", 65}, {u"Access", 70}, {u"Letters", 50}};
  if (category_ == kCategoryNfs) AddNfsRows(false);
  if (category_ == kCategoryFolders) AddFolderRows();
  AddSlotRows();
}

void DeviceListModel::AddFolderRows() {
  uint32_t count = 0;
  if (bus_.GetVolumeCount(&count) != kOk) return;
  for (uint32_t i = 0; i < count; ++i) {
    VolumeRecord v;
    if (bus_.GetVolumeInfo(i, &v) != kOk || !bus_.IsVolumeActive(i)) continue;
    std::u16string access = v.virtual_write() ? u"VirtualWrite" : v.read_only() ? u"Read Only" : u"Read Write";
    DeviceRow row;
    row.texts = {u"Virtual Folder", Format(u"%S   %d", {U16(DottedAddress(v.server_address())), static_cast<int>(v.server_port())}),
                 FormatCapacity(static_cast<int64_t>(v.capacity())), access, v.mount_folder()};
    row.image = kImageDiskIcon;
    row.tag = i | kFolderTagBits;
    rows_.push_back(std::move(row));
  }
}

void DeviceListModel::AddSlotRows() {
  // Drive letters of all slots from one listing, read with the first row.
  std::array<std::u16string, kSlotCount> letters;
  bool letters_read = false;
  for (uint8_t slot = 0; slot < kSlotCount; ++slot) {
    DeviceRecord r;
    if (bus_.QueryDevice(slot, &r) != kOk || !r.in_use()) continue;
    uint8_t type = r.device_type();
    if (!CategoryShowsType(category_, type)) continue;
    std::u16string device, location;
    int image = type == kCdRom || type == kCdBurner ? kImageCdIcon : kImageDiskIcon;
    switch (type) {
      case kImageDisk: device = u"Disk"; location = r.image_disk_path(); break;
      case kVhdDisk: device = u"VhdDisk"; location = CutText(p_.code_page->FromAnsi(r.vhd_path()), 300); break;
      case kCdRom: device = u"DVDRom"; location = r.cd_image_path(); break;
      case kCdBurner: device = r.disc_kind() ? u"DVD+RW" : u"CD-RW"; location = r.burner_image_path(); break;
      case kIscsiDisk:
      case kSharedIscsiDisk:
      case kPrivateIscsiDisk:
        device = u"iSCSI";
        location = Format(u"%S   %d", {U16(DottedAddress(r.target_address())), static_cast<int>(r.target_port())});
        image = kImageNetworkIcon;
        break;
      case kCloudDisk: device = u"Cloud"; location = u"Velthorn Cloud Space"; image = kImageNetworkIcon; break;
      case kNetworkDisk:
        device = u"Tovarind";
        location = Format(u"%S   %d", {U16(DottedAddress(r.server_address())), static_cast<int>(r.server_port())});
        image = kImageDiskIcon;
        break;
      default: image = kImageDiskIcon; break;
    }
    if (!letters_read) {
      letters = map_.AllSlotLetters();
      letters_read = true;
    }
    DeviceRow row;
    row.texts = {device, location, FormatCapacity(static_cast<int64_t>(r.capacity())), AccessText(r.access(), type),
                 std::move(letters[slot])};
    row.image = image;
    row.tag = slot;
    rows_.push_back(std::move(row));
  }
}

void DeviceListModel::AddNfsRows(bool remembered) {
  uint32_t size = 0;
  Status st = ListNfsShares(remembered, nullptr, &size, p_);
  Bytes records;
  if (st == kErrBufferOverflow) {
    records.assign(size, 0);
    st = ListNfsShares(remembered, &records, &size, p_);
  }
  if (st != kOk) return;
  for (size_t off = 0; off + sharerec::kSize <= std::min<size_t>(size, records.size()); off += sharerec::kSize) {
    NfsShareRecord rec(ConstByteSpan(records.data() + off, sharerec::kSize));
    std::u16string label, fs;
    uint32_t serial = 0, flags = 0;
    bool read_only = p_.file_system->GetVolumeInfo(rec.local_name() + u"\\", &label, &serial, &flags, &fs) == kOk &&
                     (flags & kFileReadOnlyVolume);
    DeviceRow row;
    row.texts = {rec.local_name(), rec.remote(), read_only ? u"Readonly" : u"Read Write", rec.location()};
    row.image = kImageNetworkIcon;
    row.tag = 0;
    rows_.push_back(std::move(row));
  }
}

std::vector<DeviceMenuItem> DeviceListModel::ContextMenu(int first_selected_row) {
  if (first_selected_row < 0 || static_cast<size_t>(first_selected_row) >= rows_.size())
    return {{kMenuMount, u"&Mount"}, {kMenuRefresh, u"&Refresh"}};
  if (category_ == kCategoryPersisted) return {{kMenuUnmount, u"&Remove"}};
  std::vector<DeviceMenuItem> menu = {{kMenuUnmount, u"&Unmount"},
                                      {0, u""},
                                      {kMenuTakeSnapshot, u"&Take Snapshot"},
                                      {kMenuRevertSnapshot, u"&Revert Snapshot"},
                                      {kMenuSnapshotManager, u"&Snapshot Manager"},
                                      {0, u""},
                                      {kMenuModifyPassword, u"&Modify Password"}};
  DeviceMenuItem& take = menu[2];
  DeviceMenuItem& revert = menu[3];
  DeviceMenuItem& manager = menu[4];
  uint32_t tag = rows_[first_selected_row].tag;
  auto no_snapshots = [&] { take.disabled = revert.disabled = manager.disabled = true; };
  // Folder rows and NFS rows (tag 0 there is no slot) have no disk to ask;
  // an NFS drive has no CHAP secret either, and slot 0's is not its own.
  if (IsFolderTag(tag) || category_ == kCategoryNfs) {
    no_snapshots();
    if (category_ == kCategoryNfs) menu[6].disabled = true;
    return menu;
  }
  std::u16string disk_path = map_.FindSlotDisk(static_cast<int>(tag));
  Handle disk = kInvalidHandle;
  if (disk_path.empty() || p_.device_io->Open(disk_path, kGenericRead | kGenericWrite, kFileShareRead | kFileShareWrite,
                                              kOpenExisting, 0, &disk) != kOk) {
    no_snapshots();
    return menu;
  }
  ScopedHandle closer(*p_.device_io, disk);
  uint8_t flag[4] = {};
  uint32_t n = 0;
  if (bus_.SendVendorCommand(disk, kScsiOpSnapshotSupport, 0, nullptr, 0, flag, 4, &n) != kOk ||
      GetU32LE(ConstByteSpan(flag, 4), 0) == 0) {
    no_snapshots();
    return menu;
  }
  uint8_t current[8] = {};
  if (bus_.SendVendorCommand(disk, kScsiOpCurrentSnapshot, 0, nullptr, 0, current, 8, &n) != kOk ||
      GetU64LE(ConstByteSpan(current, 8), 0) == 0) {
    revert.disabled = true;
    return menu;
  }
  SnapshotRecord record;
  if (bus_.SendVendorCommand(disk, kScsiOpGetSnapshot, GetU64LE(ConstByteSpan(current, 8), 0), nullptr, 0,
                             record.data(), static_cast<uint32_t>(SnapshotRecord::size()), &n) != kOk)
    revert.disabled = revert.grayed = true;
  return menu;
}

}  // namespace tw
