// Result codes. 0 is success; everything else is a Win32 error value, a
// driver (NT) status where an operation says so, or one of the iSCSI
// layer's negative codes. Named after their meaning, not after the
// <windows.h> macros, so the two never clash.
#pragma once

#include <cstdint>

namespace tw {

using Status = uint32_t;

constexpr Status kOk = 0;

// Win32 error values (winerror.h).
constexpr Status kErrInvalidFunction = 1;
constexpr Status kErrFileNotFound = 2;
constexpr Status kErrPathNotFound = 3;
constexpr Status kErrAccessDenied = 5;
constexpr Status kErrInvalidHandle = 6;
constexpr Status kErrNotEnoughMemory = 8;
constexpr Status kErrInvalidData = 13;
constexpr Status kErrNotReady = 21;
constexpr Status kErrGenFailure = 31;
constexpr Status kErrSharingViolation = 32;
constexpr Status kErrLockViolation = 33;
constexpr Status kErrNotSupported = 50;
constexpr Status kErrFileExists = 80;
constexpr Status kErrInvalidParameter = 87;
constexpr Status kErrCallNotImplemented = 120;
constexpr Status kErrInsufficientBuffer = 122;
constexpr Status kErrInvalidName = 123;
constexpr Status kErrBusy = 170;
constexpr Status kErrAlreadyExists = 183;
constexpr Status kErrNotLocked = 158;
constexpr Status kErrMoreData = 234;
constexpr Status kErrNoMoreItems = 259;
constexpr Status kErrFilenameExcedRange = 206;
constexpr Status kErrNoUnicodeTranslation = 1113;
constexpr Status kErrNotFound = 1168;
constexpr Status kErrIoDevice = 1117;
constexpr Status kErrFileCorrupt = 1392;

// Driver status values callers know by name.
constexpr Status kStatusWrongPassword = 0xC000006A;
constexpr Status kStatusSharingViolation = 0xC0000043;
constexpr Status kStatusInvalidParameter = 0xC000000D;
constexpr Status kStatusNoSuchFile = 0xC000000F;
constexpr Status kStatusObjectNameNotFound = 0xC0000034;
constexpr Status kStatusObjectNameCollision = 0xC0000035;
constexpr Status kStatusDeviceBusy = 0xC00000AE;
constexpr Status kStatusInvalidDeviceRequest = 0xC0000010;
constexpr Status kStatusNoSuchDevice = 0xC000000E;
constexpr Status kStatusObjectNameInvalid = 0xC0000033;
constexpr Status kStatusObjectPathNotFound = 0xC000003A;
constexpr Status kStatusDiskFull = 0xC000007F;

// −1 as the Parts' unsigned results spell it.
constexpr Status kMinusOne = 0xFFFFFFFFu;

}  // namespace tw
