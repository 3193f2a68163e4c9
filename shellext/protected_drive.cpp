#include "shellext/protected_drive.h"

#include "base/secure_zero.h"
#include "base/text.h"
#include "platform/device_io.h"
#include "platform/file_items.h"
#include "platform/file_system.h"
#include "platform/system_services.h"
#include "contracts/vvfs_contract.h"

namespace tw::shellext {
namespace {

constexpr uint32_t kShareAll = kFileShareRead | kFileShareWrite | kFileShareDelete;
constexpr uint32_t kReadWrite = kGenericRead | kGenericWrite;

}  // namespace

Status BuildProtectCommand(uint8_t operation, const std::u16string& password, CodePage& code_page, Bytes* record) {
  record->assign(vvfs::command::kSize, 0);
  ByteSpan r(*record);
  PutU8(r, vvfs::command::kOperation, operation);
  if (operation == vvfs::kLock) return kOk;
  // Character by character, so the cut never splits a double-byte one,
  // and without best fit: two passwords must not become one key.
  std::string bytes, one;
  ScopedWipe wipe_bytes(bytes);
  ScopedWipe wipe_one(one);
  for (size_t i = 0; i < password.size();) {
    size_t n = 1;
    if (password[i] >= 0xD800 && password[i] <= 0xDBFF && i + 1 < password.size()) n = 2;
    if (!code_page.ToAnsiExact(std::u16string_view(password).substr(i, n), &one)) {
      record->clear();
      return kErrNoUnicodeTranslation;
    }
    if (bytes.size() + one.size() <= vvfs::command::kPasswordBytes) bytes += one;
    else break;
    i += n;
  }
  // No terminator is needed: the field is fixed and zero-filled.
  PutBytes(r, vvfs::command::kPassword, bytes.data(), bytes.size());
  return kOk;
}

Status BuildUserTransferRequest(const std::u16string& path, const std::u16string& user, Bytes* record) {
  const std::u16string relative = path.size() > 2 ? path.substr(2) : u"";
  // A cut path or name would name another item or user.
  const size_t most = vvfs::transfer::kPathBytes / 2 - 1;
  if (relative.size() > most || user.size() > vvfs::transfer::kUserBytes / 2 - 1) {
    record->clear();
    return kErrFilenameExcedRange;
  }
  record->assign(vvfs::transfer::kSize, 0);
  ByteSpan r(*record);
  PutUtf16Field(r, vvfs::transfer::kPath, vvfs::transfer::kPathBytes, relative);
  PutUtf16Field(r, vvfs::transfer::kUser, vvfs::transfer::kUserBytes, user);
  return kOk;
}

std::vector<std::u16string> ParseUserList(ConstByteSpan reply) {
  // An empty name ends the list: what follows it is not trusted.
  std::vector<std::u16string> names = SplitList(GetUtf16Field(reply, 0, reply.size), u',', EmptyItems::kKeep);
  for (size_t i = 0; i < names.size(); ++i)
    if (names[i].empty()) names.resize(i);
  return names;
}

bool ProtectedDrive::IsProtectedVolume(const std::u16string& path) {
  // A drive root only: "\\server\share" gives "\\s", which no volume answers.
  std::u16string root = path.substr(0, 3);
  std::u16string label, file_system;
  uint32_t serial = 0, flags = 0;
  if (root.size() < 3 || p_.file_system->GetVolumeInfo(root, &label, &serial, &flags, &file_system) != kOk)
    return false;
  return EqualsNoCase(file_system, vvfs::kFileSystemName);
}

bool ProtectedDrive::IsFolder(const std::u16string& path) {
  uint32_t attributes = p_.file_items->GetAttributes(path);
  return attributes == kInvalidFileAttributes || (attributes & kFileAttributeDirectory);
}

Status ProtectedDrive::Open(const std::u16string& path, uint32_t access, Handle* handle) {
  // Every open carries the folder flag: without backup semantics Windows
  // refuses to open a folder at all, so folder items could not be locked,
  // listed or shared.
  uint32_t flags = IsFolder(path) ? kFileFlagBackupSemantics : 0;
  return p_.device_io->Open(path, access, kShareAll, kOpenExisting, flags, handle);
}

Status ProtectedDrive::ProbeItem(const std::u16string& path) {
  Handle h;
  if (Status st = Open(path, kReadWrite, &h)) return st;
  ScopedHandle closer(*p_.device_io, h);
  uint8_t reply[vvfs::kProbeReplySize] = {};
  uint32_t got = 0;
  return p_.device_io->Control(h, vvfs::kIoctlProbe, nullptr, 0, reply, sizeof reply, &got);
}

bool ProtectedDrive::QueryProtectionState(const std::u16string& path, ItemState* state) {
  // Backup semantics open files and folders alike, so the overlay query (one
  // per item the shell shows) needs no attribute lookup first.
  Handle h;
  if (p_.device_io->Open(path, kFileReadAttributes, kShareAll, kOpenExisting, kFileFlagBackupSemantics, &h) != kOk)
    return false;
  ScopedHandle closer(*p_.device_io, h);
  uint8_t reply[vvfs::state::kSize] = {};
  uint32_t got = 0;
  if (p_.device_io->Control(h, vvfs::kIoctlQueryState, nullptr, 0, reply, sizeof reply, &got) != kOk) return false;
  if (got < vvfs::state::kSize || reply[vvfs::state::kProtected] == 0) return false;
  state->unlocked = reply[vvfs::state::kUnlocked] != 0;
  state->no_lock = reply[vvfs::state::kNoLock] != 0;
  return true;
}

Status ProtectedDrive::SendCommand(const std::u16string& path, uint8_t operation, const std::u16string& password) {
  Bytes record;
  ScopedWipe wipe(record);
  if (Status st = BuildProtectCommand(operation, password, *p_.code_page, &record)) return st;
  Handle h;
  if (Status st = Open(path, kReadWrite, &h)) return st;
  ScopedHandle closer(*p_.device_io, h);
  uint32_t got = 0;
  return p_.device_io->Control(h, vvfs::kIoctlCommand, record.data(), static_cast<uint32_t>(record.size()), nullptr,
                               0, &got);
}

template <typename Fn>
Status ProtectedDrive::ForEachChild(const std::u16string& folder, Fn one) {
  std::vector<std::u16string> names;
  if (p_.file_items->ListFolder(folder + u"\\*", &names) != kOk) return kOk;
  Status all = kOk;
  for (const std::u16string& name : names)
    if (name != u"." && name != u"..") all |= one(folder + u"\\" + name);
  return all;
}

Status ProtectedDrive::EncryptItem(const std::u16string& path, const std::u16string& password) {
  bool folder = IsFolder(path);
  if (Status st = SendCommand(path, vvfs::kEncrypt, password)) return st;
  if (!folder) return kOk;
  return ForEachChild(path, [&](const std::u16string& child) { return EncryptItem(child, password); });
}

Status ProtectedDrive::DecryptItem(const std::u16string& path, const std::u16string& password) {
  Bytes check, decrypt;
  ScopedWipe wipe_check(check);
  ScopedWipe wipe_decrypt(decrypt);
  if (Status st = BuildProtectCommand(vvfs::kUnlock, password, *p_.code_page, &check)) return st;
  if (Status st = BuildProtectCommand(vvfs::kDecrypt, password, *p_.code_page, &decrypt)) return st;
  bool folder = IsFolder(path);
  Handle h;
  if (Status st = Open(path, kReadWrite, &h)) return st;
  {
    ScopedHandle closer(*p_.device_io, h);
    uint32_t got = 0;
    if (!folder) {
      // The password check first, so a wrong password changes nothing.
      if (Status st = p_.device_io->Control(h, vvfs::kIoctlCommand, check.data(), vvfs::command::kSize, nullptr, 0,
                                            &got))
        return st;
    }
    if (Status st = p_.device_io->Control(h, vvfs::kIoctlCommand, decrypt.data(), vvfs::command::kSize, nullptr, 0,
                                          &got))
      return st;
  }
  if (!folder) return kOk;
  return ForEachChild(path, [&](const std::u16string& child) { return DecryptItem(child, password); });
}

Status ProtectedDrive::LockItem(const std::u16string& path) { return SendCommand(path, vvfs::kLock, u""); }

Status ProtectedDrive::UnlockItem(const std::u16string& path, const std::u16string& password) {
  return SendCommand(path, vvfs::kUnlock, password);
}

Status ProtectedDrive::ListShareUsers(const std::u16string& path, Bytes* reply) {
  Handle h;
  if (Status st = Open(path, kGenericRead, &h)) return st;
  ScopedHandle closer(*p_.device_io, h);
  uint32_t got = 0;
  return p_.device_io->Control(h, vvfs::kIoctlListUsers, nullptr, 0, reply->data(),
                               static_cast<uint32_t>(reply->size()), &got);
}

Status ProtectedDrive::Transfer(const std::u16string& path, const std::u16string& user, uint32_t code) {
  Bytes request;
  if (Status st = BuildUserTransferRequest(path, user, &request)) return st;
  Handle h;
  if (Status st = Open(path, kReadWrite, &h)) return st;
  ScopedHandle closer(*p_.device_io, h);
  uint32_t got = 0;
  return p_.device_io->Control(h, code, request.data(), vvfs::transfer::kSize, nullptr, 0, &got);
}

Status ProtectedDrive::CopyItemToUser(const std::u16string& path, const std::u16string& user) {
  return Transfer(path, user, vvfs::kIoctlCopyToUser);
}

Status ProtectedDrive::ShareItemToUser(const std::u16string& path, const std::u16string& user) {
  return Transfer(path, user, vvfs::kIoctlShareToUser);
}

}  // namespace tw::shellext
