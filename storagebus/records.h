// The driver records as small value types over their bytes. Each accessor
// reads or writes its field at the offset the driver contract fixes.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "base/bytes.h"
#include "base/secure_zero.h"
#include "base/text.h"
#include "storagebus/driver_contract.h"

namespace tw {

class DeviceRecord {
 public:
  DeviceRecord() { bytes_.fill(0); }  // every byte no field covers stays 0
  // A request may carry a CHAP secret or a password digest.
  ~DeviceRecord() { SecureZero(bytes_.data(), bytes_.size()); }
  DeviceRecord(const DeviceRecord&) = default;
  DeviceRecord& operator=(const DeviceRecord&) = default;

  ByteSpan span() { return {bytes_.data(), bytes_.size()}; }
  ConstByteSpan span() const { return {bytes_.data(), bytes_.size()}; }
  uint8_t* data() { return bytes_.data(); }
  const uint8_t* data() const { return bytes_.data(); }
  static constexpr size_t size() { return devrec::kSize; }

  uint8_t slot() const { return bytes_[devrec::kSlot]; }
  void set_slot(uint8_t v) { bytes_[devrec::kSlot] = v; }
  uint8_t device_type() const { return bytes_[devrec::kDeviceType]; }
  void set_device_type(uint8_t v) { bytes_[devrec::kDeviceType] = v; }
  bool in_use() const { return bytes_[devrec::kInUse] != 0; }
  uint8_t access() const { return bytes_[devrec::kAccess]; }
  uint64_t capacity() const { return GetU64LE(span(), devrec::kCapacity); }

  // Image and VHD disks.
  void set_create_new(bool v) { bytes_[devrec::kCreateNew] = v; }
  bool create_new() const { return bytes_[devrec::kCreateNew] != 0; }
  void set_has_password(bool v) { bytes_[devrec::kHasPassword] = v; }
  bool has_password() const { return bytes_[devrec::kHasPassword] != 0; }
  void set_read_only(bool v) { bytes_[devrec::kReadOnly] = v; }
  bool read_only() const { return bytes_[devrec::kReadOnly] != 0; }
  void set_fully_allocated(bool v) { bytes_[devrec::kFullyAllocated] = v; }
  void set_new_size(uint64_t v) { PutU64LE(span(), devrec::kNewSize, v); }
  uint64_t new_size() const { return GetU64LE(span(), devrec::kNewSize); }
  void set_password_digest(const uint8_t digest[devrec::kDigestSize]) {
    PutBytes(span(), devrec::kPasswordDigest, digest, devrec::kDigestSize);
  }
  // Image disk: UTF-16 "\DosDevices\" + path; VHD: the ANSI path.
  void set_image_disk_path(std::u16string_view win32_path);
  void set_vhd_path(std::string_view ansi_path);
  std::u16string image_disk_path() const;  // with the prefix, as stored
  std::string vhd_path() const;

  // CD/DVD-ROM images.
  void set_image_format(uint8_t v) { bytes_[devrec::kCdImageFormat] = v; }
  uint8_t image_format() const { return bytes_[devrec::kCdImageFormat]; }
  void set_cd_image_path(std::u16string_view win32_path);
  std::u16string cd_image_path() const;

  // Burners.
  void set_burner_create_new(bool v) { bytes_[devrec::kBurnerCreateNew] = v; }
  void set_burner_new_size(uint64_t v) { PutU64LE(span(), devrec::kBurnerNewSize, v); }
  uint64_t burner_new_size() const { return GetU64LE(span(), devrec::kBurnerNewSize); }
  void set_disc_kind(uint32_t v) { PutU32LE(span(), devrec::kBurnerDiscKind, v); }
  uint32_t disc_kind() const { return GetU32LE(span(), devrec::kBurnerDiscKind); }
  void set_burner_image_path(std::u16string_view win32_path);
  std::u16string burner_image_path() const;

  // iSCSI targets and cloud disks.
  void set_target_address(uint32_t network_order) { PutU32LE(span(), devrec::kTargetAddress, network_order); }
  uint32_t target_address() const { return GetU32LE(span(), devrec::kTargetAddress); }
  void set_target_port(uint16_t v) { PutU16LE(span(), devrec::kTargetPort, v); }
  uint16_t target_port() const { return GetU16LE(span(), devrec::kTargetPort); }
  void set_use_login(bool v) { bytes_[devrec::kUseLogin] = v; }
  void set_target_class(uint8_t v) { bytes_[devrec::kTargetClass] = v; }
  void set_target_name(std::string_view ansi) { PutAnsiField(span(), devrec::kTargetName, devrec::kAnsiFieldSize, ansi); }
  std::string target_name() const { return GetAnsiField(span(), devrec::kTargetName, devrec::kAnsiFieldSize); }
  void set_user_name(std::string_view ansi) { PutAnsiField(span(), devrec::kUserName, devrec::kAnsiFieldSize, ansi); }
  std::string user_name() const { return GetAnsiField(span(), devrec::kUserName, devrec::kAnsiFieldSize); }
  void set_secret(std::string_view ansi) { PutAnsiField(span(), devrec::kSecret, devrec::kAnsiFieldSize, ansi); }
  std::string secret() const { return GetAnsiField(span(), devrec::kSecret, devrec::kAnsiFieldSize); }
  void set_work_folder(std::u16string_view path) {
    PutUtf16Field(span(), devrec::kWorkFolder, devrec::kWorkFolderSize, path);
  }
  std::u16string work_folder() const { return GetUtf16Field(span(), devrec::kWorkFolder, devrec::kWorkFolderSize); }

  // Network disks.
  uint16_t server_port() const { return GetU16BE(span(), devrec::kServerPort); }  // host order
  uint32_t server_address() const { return GetU32LE(span(), devrec::kServerAddress); }

 private:
  std::array<uint8_t, devrec::kSize> bytes_;
};

class VolumeRecord {
 public:
  VolumeRecord() { bytes_.fill(0); }
  ByteSpan span() { return {bytes_.data(), bytes_.size()}; }
  ConstByteSpan span() const { return {bytes_.data(), bytes_.size()}; }
  uint8_t* data() { return bytes_.data(); }
  const uint8_t* data() const { return bytes_.data(); }
  static constexpr size_t size() { return volrec::kSize; }

  uint64_t capacity() const { return GetU64LE(span(), volrec::kCapacity); }
  bool read_only() const { return bytes_[volrec::kReadOnly] != 0; }
  bool virtual_write() const { return bytes_[volrec::kVirtualWrite] != 0; }
  void set_record_kind(uint32_t v) { PutU32LE(span(), volrec::kRecordKind, v); }
  uint32_t record_kind() const { return GetU32LE(span(), volrec::kRecordKind); }
  void set_target_class(uint32_t v) { PutU32LE(span(), volrec::kTargetClass, v); }
  uint32_t target_class() const { return GetU32LE(span(), volrec::kTargetClass); }
  void set_auto_mount(bool v) { bytes_[volrec::kAutoMount] = v; }
  bool auto_mount() const { return bytes_[volrec::kAutoMount] != 0; }
  void set_overlay_icon(uint32_t v) { PutU32LE(span(), volrec::kOverlayIcon, v); }
  uint32_t overlay_icon() const { return GetU32LE(span(), volrec::kOverlayIcon); }
  // Network order values are stored as their bytes: address a.b.c.d is a,b,c,d.
  void set_server_address(uint32_t network_order) { PutU32LE(span(), volrec::kServerAddress, network_order); }
  uint32_t server_address() const { return GetU32LE(span(), volrec::kServerAddress); }
  void set_server_port(uint16_t host_order) { PutU16BE(span(), volrec::kServerPort, host_order); }
  uint16_t server_port() const { return GetU16BE(span(), volrec::kServerPort); }
  void set_target_name(std::u16string_view v) {
    PutUtf16Field(span(), volrec::kTargetName, volrec::kTargetNameSize, v.substr(0, 255));
  }
  std::u16string target_name() const { return GetUtf16Field(span(), volrec::kTargetName, volrec::kTargetNameSize); }
  void set_volume_name(std::u16string_view v) { PutUtf16Field(span(), volrec::kVolumeName, volrec::kVolumeNameSize, v); }
  std::u16string volume_name() const { return GetUtf16Field(span(), volrec::kVolumeName, volrec::kVolumeNameSize); }
  void set_mount_folder(std::u16string_view v) { PutUtf16Field(span(), volrec::kMountFolder, volrec::kMountFolderSize, v); }
  std::u16string mount_folder() const { return GetUtf16Field(span(), volrec::kMountFolder, volrec::kMountFolderSize); }

 private:
  std::array<uint8_t, volrec::kSize> bytes_;
};

class SnapshotRecord {
 public:
  SnapshotRecord() { bytes_.fill(0); }
  ByteSpan span() { return {bytes_.data(), bytes_.size()}; }
  ConstByteSpan span() const { return {bytes_.data(), bytes_.size()}; }
  uint8_t* data() { return bytes_.data(); }
  const uint8_t* data() const { return bytes_.data(); }
  static constexpr size_t size() { return snaprec::kSize; }
  static SnapshotRecord FromBytes(ConstByteSpan s);

  uint64_t id() const { return GetU64LE(span(), snaprec::kId); }
  void set_id(uint64_t v) { PutU64LE(span(), snaprec::kId, v); }
  std::string name() const { return GetAnsiField(span(), snaprec::kName, snaprec::kNameSize); }
  void set_name(std::string_view ansi) { PutAnsiField(span(), snaprec::kName, snaprec::kNameSize, ansi); }
  std::string description() const { return GetAnsiField(span(), snaprec::kDescription, snaprec::kDescriptionSize); }
  void set_description(std::string_view ansi) {
    PutAnsiField(span(), snaprec::kDescription, snaprec::kDescriptionSize, ansi);
  }

 private:
  std::array<uint8_t, snaprec::kSize> bytes_;
};

// ImageFormat of a CD/DVD image from the last four characters of its path.
uint8_t ImageFormatForPath(std::u16string_view path);

}  // namespace tw
