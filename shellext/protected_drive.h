// The client side of the protected-volume file system driver: every
// request is an I/O control on a handle opened on the item's own path, so
// the driver that owns the volume receives it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/bytes.h"
#include "base/status.h"
#include "platform/device_io.h"
#include "platform/platform.h"

namespace tw::shellext {

// Request records, zero-filled and laid out as the driver reads them.
// The password is converted to 8-bit text without best fit and cut to the
// whole characters that fit 32 bytes; a character the code page lacks
// gives kErrNoUnicodeTranslation and no record.
Status BuildProtectCommand(uint8_t operation, const std::u16string& password, CodePage& code_page, Bytes* record);
// The path without its drive ("X:\docs\a.txt" gives "\docs\a.txt") and
// the user, each with its terminator inside its 512-byte field; either
// longer than 255 characters gives kErrFilenameExcedRange and no record.
Status BuildUserTransferRequest(const std::u16string& path, const std::u16string& user, Bytes* record);
// The names of a user-list reply, in reply order, up to the first empty
// name or the end of the buffer.
std::vector<std::u16string> ParseUserList(ConstByteSpan reply);

struct ItemState {
  bool unlocked = false;
  bool no_lock = false;
};

class ProtectedDrive {
 public:
  // Uses device_io, file_system, file_items and code_page of the platform.
  explicit ProtectedDrive(const Platform& platform) : p_(platform) {}

  // The item's drive reports the file system "VVFS" (any case).
  bool IsProtectedVolume(const std::u16string& path);
  Status ProbeItem(const std::u16string& path);
  // True when the driver answered and the item is protected; *state is set
  // only then.
  bool QueryProtectionState(const std::u16string& path, ItemState* state);
  // A folder's result is the OR of its own code (which stops it) and its
  // children's codes.
  Status EncryptItem(const std::u16string& path, const std::u16string& password);
  Status DecryptItem(const std::u16string& path, const std::u16string& password);
  Status LockItem(const std::u16string& path);
  Status UnlockItem(const std::u16string& path, const std::u16string& password);
  // `reply` is filled up to its size (vvfs::kUserListBytes by convention).
  Status ListShareUsers(const std::u16string& path, Bytes* reply);
  Status CopyItemToUser(const std::u16string& path, const std::u16string& user);
  Status ShareItemToUser(const std::u16string& path, const std::u16string& user);

 private:
  bool IsFolder(const std::u16string& path);
  Status Open(const std::u16string& path, uint32_t access, Handle* handle);
  Status SendCommand(const std::u16string& path, uint8_t operation, const std::u16string& password);
  Status Transfer(const std::u16string& path, const std::u16string& user, uint32_t code);
  // Runs `one` on each entry of a folder; the OR of the results.
  template <typename Fn>
  Status ForEachChild(const std::u16string& folder, Fn one);

  Platform p_;
};

}  // namespace tw::shellext
