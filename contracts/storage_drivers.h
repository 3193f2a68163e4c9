// Everything that crosses the boundary to the maker's drivers: control
// codes, request layouts and record offsets. Included by the storage bus
// layer that sends the requests and by the simulated drivers that answer
// them, so both sides read one definition. Below both: it includes
// nothing of ours.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tw {

constexpr uint32_t CtlCode(uint32_t device_type, uint32_t function, uint32_t method, uint32_t access) {
  return (device_type << 16) | (access << 14) | (function << 2) | method;
}

// Windows I/O controls we send (ntddscsi.h, winioctl.h).
constexpr uint32_t kIoctlScsiMiniport = 0x4D008;
constexpr uint32_t kIoctlScsiPassThroughDirect = 0x4D014;
constexpr uint32_t kFsctlLockVolume = 0x90018;
constexpr uint32_t kFsctlUnlockVolume = 0x9001C;
constexpr uint32_t kFsctlDismountVolume = 0x90020;
constexpr uint32_t kIoctlDiskUpdateProperties = 0x70140;
static_assert(kIoctlScsiMiniport == CtlCode(4, 0x402, 0, 3), "IOCTL_SCSI_MINIPORT");
static_assert(kIoctlScsiPassThroughDirect == CtlCode(4, 0x405, 0, 3), "IOCTL_SCSI_PASS_THROUGH_DIRECT");
static_assert(kFsctlLockVolume == CtlCode(9, 6, 0, 0), "FSCTL_LOCK_VOLUME");
static_assert(kFsctlUnlockVolume == CtlCode(9, 7, 0, 0), "FSCTL_UNLOCK_VOLUME");
static_assert(kFsctlDismountVolume == CtlCode(9, 8, 0, 0), "FSCTL_DISMOUNT_VOLUME");
static_assert(kIoctlDiskUpdateProperties == CtlCode(7, 0x50, 0, 0), "IOCTL_DISK_UPDATE_PROPERTIES");

// Adapter device-interface paths start with this (compared without case).
constexpr char16_t kAdapterPathPrefix[] = u"\\\\?\\pci#vscsiprt";
constexpr size_t kAdapterPathPrefixLength = 16;
constexpr size_t kAdapterPathMaxChars = 259;
constexpr char16_t kVolumeDriverPath[] = u"\\\\.\\Velthorn_iVolume";
constexpr char16_t kDosDevicesPrefix[] = u"\\DosDevices\\";

constexpr int kSlotCount = 8;

// SRB_IO_CONTROL header (28 bytes) in front of every adapter request.
namespace srb {
constexpr size_t kHeaderLength = 0;  // u32
constexpr size_t kSignature = 4;     // 8 ASCII bytes, no terminator
constexpr size_t kTimeout = 12;      // u32 seconds
constexpr size_t kControlCode = 16;  // u32
constexpr size_t kReturnCode = 20;   // u32, written back by the driver
constexpr size_t kLength = 24;       // u32 data length
constexpr size_t kSize = 28;
constexpr char kSignatureText[8] = {'D', 'S', 'C', 'S', 'I', 'P', 'R', 'T'};
constexpr uint32_t kTimeoutSeconds = 100;
}  // namespace srb

constexpr uint32_t kVscsiCtlPlug = 0xD0080000u;
constexpr uint32_t kVscsiCtlUnplug = 0xD0080004u;
constexpr uint32_t kVscsiCtlQuery = 0xD0080010u;

// DeviceType codes.
enum DeviceType : uint8_t {
  kImageDisk = 1,
  kVhdDisk = 2,
  kCdRom = 3,
  kCdBurner = 4,
  kIscsiDisk = 16,
  kSharedIscsiDisk = 17,
  kPrivateIscsiDisk = 18,
  kCloudDisk = 21,
  kNetworkDisk = 255,
};

// DeviceRecord (1,836 bytes), packed, little-endian.
namespace devrec {
constexpr size_t kSize = 1836;
constexpr size_t kSlot = 0;
constexpr size_t kDeviceType = 1;
constexpr size_t kInUse = 3;
constexpr size_t kAccess = 4;
constexpr size_t kCapacity = 12;  // u64
// Image disks (1) and VHD disks (2).
constexpr size_t kCreateNew = 20;
constexpr size_t kHasPassword = 21;
constexpr size_t kReadOnly = 22;
constexpr size_t kFullyAllocated = 23;
constexpr size_t kNewSize = 24;         // u64
constexpr size_t kPasswordDigest = 32;  // 32 bytes
constexpr size_t kDigestSize = 32;
constexpr size_t kImagePath = 64;  // UTF-16 (image) or ANSI (VHD), to the end
// CD/DVD-ROM images (3).
constexpr size_t kCdImageFormat = 29;
constexpr size_t kCdImagePath = 30;
// Burners (4).
constexpr size_t kBurnerCreateNew = 20;
constexpr size_t kBurnerNewSize = 21;   // u64, unaligned
constexpr size_t kBurnerDiscKind = 29;  // u32, unaligned
constexpr size_t kBurnerImagePath = 33;
// iSCSI targets (16, 17, 18) and cloud disks (21).
constexpr size_t kTargetAddress = 20;  // u32, network order
constexpr size_t kTargetPort = 24;     // u16, host order (little-endian)
constexpr size_t kUseLogin = 26;
constexpr size_t kTargetClass = 27;
constexpr size_t kTargetName = 28;  // 256 ANSI
constexpr size_t kUserName = 284;   // 256 ANSI
constexpr size_t kSecret = 540;     // 256 ANSI
constexpr size_t kAnsiFieldSize = 256;
constexpr size_t kWorkFolder = 796;  // 520 UTF-16
constexpr size_t kWorkFolderSize = 520;
// Network disks (255).
constexpr size_t kServerPort = 22;     // u16, network order
constexpr size_t kServerAddress = 26;  // u32, network order
}  // namespace devrec

// Access byte values.
constexpr uint8_t kAccessReadWrite = 0;
constexpr uint8_t kAccessVirtualWrite = 1;

// SCSI_PASS_THROUGH_DIRECT (x64 layout, 56 bytes) followed by sense room.
namespace sptd {
constexpr size_t kLength = 0;  // u16
constexpr size_t kScsiStatus = 2;
constexpr size_t kPathId = 3;
constexpr size_t kTargetId = 4;
constexpr size_t kLun = 5;
constexpr size_t kCdbLength = 6;
constexpr size_t kSenseInfoLength = 7;
constexpr size_t kDataIn = 8;
constexpr size_t kDataTransferLength = 12;  // u32
constexpr size_t kTimeOutValue = 16;        // u32
constexpr size_t kDataBuffer = 24;          // pointer (8 bytes)
constexpr size_t kSenseInfoOffset = 32;     // u32
constexpr size_t kCdb = 36;                 // 16 bytes
constexpr size_t kStructSize = 56;
constexpr size_t kSenseOffset = 64;
constexpr size_t kSenseLength = 36;
constexpr size_t kBlockSize = 112;
constexpr uint32_t kTimeoutSeconds = 180;
constexpr uint8_t kCheckCondition = 2;
// Fixed-format sense data: information field in bytes 3..6, big-endian.
constexpr size_t kSenseInformation = 3;
}  // namespace sptd

// Vendor SCSI operations.
enum VendorOp : uint8_t {
  kScsiOpChangeSecret = 0xE1,
  kScsiOpTakeSnapshot = 0xE2,
  kScsiOpSnapshotCount = 0xE3,
  kScsiOpGetSnapshot = 0xE4,
  kScsiOpSetSnapshot = 0xE5,
  kScsiOpListChildren = 0xE6,
  kScsiOpCurrentSnapshot = 0xE7,
  kScsiOpSelectSnapshot = 0xE8,
  kScsiOpMergeSnapshot = 0xE9,
  kScsiOpRevert = 0xEA,
  kScsiOpDeleteSnapshot = 0xEB,
  kScsiOpCanDelete = 0xEC,
  kScsiOpCanMerge = 0xED,
  kScsiOpSnapshotSupport = 0xEE,
};

constexpr size_t kChangeSecretDataSize = 768;   // three 256-byte ANSI fields
constexpr size_t kTakeSnapshotDataSize = 3104;  // name (512) + description
constexpr size_t kTakeSnapshotNameField = 512;

// SnapshotRecord (1,064 bytes).
namespace snaprec {
constexpr size_t kSize = 1064;
constexpr size_t kId = 0;  // u64
constexpr size_t kName = 8;
constexpr size_t kNameSize = 32;
constexpr size_t kDescription = 40;
constexpr size_t kDescriptionSize = 1024;
}  // namespace snaprec

// Volume driver I/O controls.
constexpr uint32_t kIoctlVvolMount = 0x8002C000u;
constexpr uint32_t kIoctlVvolDetach = 0x8002C004u;
constexpr uint32_t kIoctlVvolCount = 0x80024018u;
constexpr uint32_t kIoctlVvolGetInfo = 0x8002401Cu;
constexpr uint32_t kIoctlVvolSetState = 0x80024020u;
constexpr uint32_t kIoctlVvolIsActive = 0x80024024u;

// VolumeRecord (2,830 bytes).
namespace volrec {
constexpr size_t kSize = 2830;
constexpr size_t kCapacity = 0;  // u64
constexpr size_t kReadOnly = 8;
constexpr size_t kVirtualWrite = 9;
constexpr size_t kRecordKind = 10;   // u32
constexpr size_t kTargetClass = 14;  // u32
constexpr size_t kAutoMount = 19;
constexpr size_t kOverlayIcon = 20;     // u32
constexpr size_t kServerAddress = 56;   // u32, network order
constexpr size_t kServerPort = 60;      // u16, network order
constexpr size_t kTargetName = 574;     // 600 UTF-16
constexpr size_t kTargetNameSize = 600;
constexpr size_t kVolumeName = 1174;    // 520 UTF-16
constexpr size_t kVolumeNameSize = 520;
constexpr size_t kMountFolder = 1694;   // 520 UTF-16
constexpr size_t kMountFolderSize = 520;
constexpr uint32_t kMountRecordKind = 7;
constexpr uint32_t kMountTargetClass = 2;
}  // namespace volrec

}  // namespace tw
