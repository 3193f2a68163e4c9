// What crosses the boundary to the protected-volume file system driver:
// its I/O controls and request layouts. Included by the extension's
// client side and by the simulated driver, so both read one definition.
// Below both: it includes nothing but the other driver contracts.
#pragma once

#include <cstddef>
#include <cstdint>

#include "contracts/storage_drivers.h"

namespace tw::vvfs {

constexpr uint32_t kFileDeviceFileSystem = 9;
constexpr uint32_t kMethodBuffered = 0;
constexpr uint32_t kAnyAccess = 0, kReadAccess = 1, kReadWriteAccess = 3;

constexpr uint32_t kIoctlProbe = 0x92EE0;
constexpr uint32_t kIoctlQueryState = 0x92EE4;
constexpr uint32_t kIoctlCommand = 0x9EEE8;
constexpr uint32_t kIoctlListUsers = 0x96EEC;
constexpr uint32_t kIoctlCopyToUser = 0x9EEF0;
constexpr uint32_t kIoctlShareToUser = 0x9EEF4;
static_assert(kIoctlProbe == CtlCode(kFileDeviceFileSystem, 3000, kMethodBuffered, kAnyAccess), "probe");
static_assert(kIoctlQueryState == CtlCode(kFileDeviceFileSystem, 3001, kMethodBuffered, kAnyAccess), "state");
static_assert(kIoctlCommand == CtlCode(kFileDeviceFileSystem, 3002, kMethodBuffered, kReadWriteAccess), "command");
static_assert(kIoctlListUsers == CtlCode(kFileDeviceFileSystem, 3003, kMethodBuffered, kReadAccess), "users");
static_assert(kIoctlCopyToUser == CtlCode(kFileDeviceFileSystem, 3004, kMethodBuffered, kReadWriteAccess), "copy");
static_assert(kIoctlShareToUser == CtlCode(kFileDeviceFileSystem, 3005, kMethodBuffered, kReadWriteAccess), "share");

// The file system name the driver's volumes report.
constexpr char16_t kFileSystemName[] = u"VVFS";

constexpr uint32_t kProbeReplySize = 8;

// ProtectionState: the reply of kIoctlQueryState.
namespace state {
constexpr size_t kProtected = 0;
constexpr size_t kUnlocked = 1;
constexpr size_t kNoLock = 2;
constexpr size_t kSize = 3;
}  // namespace state

// ProtectCommand: the input of kIoctlCommand.
namespace command {
constexpr size_t kOperation = 0;
constexpr size_t kPassword = 1;
constexpr size_t kPasswordBytes = 32;
constexpr size_t kSize = 33;
}  // namespace command
enum Operation : uint8_t { kEncrypt = 1, kDecrypt = 2, kLock = 3, kUnlock = 4 };

// UserTransferRequest: the input of the copy and share controls.
namespace transfer {
constexpr size_t kPath = 0;  // UTF-16, the path without its drive
constexpr size_t kPathBytes = 512;
constexpr size_t kUser = 512;  // UTF-16
constexpr size_t kUserBytes = 512;
constexpr size_t kSize = 1024;
}  // namespace transfer

// The user list: UTF-16 names separated by commas, ending at the first
// zero character, in a buffer of this size.
constexpr uint32_t kUserListBytes = 131072;

}  // namespace tw::vvfs
