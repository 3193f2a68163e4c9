#include "shellext/shell_commands.h"

#include "base/format.h"
#include "platform/prompter.h"
#include "resources/resource_ids.h"
#include "shellext/context_menu_model.h"
#include "contracts/vvfs_contract.h"

namespace tw::shellext {
namespace {

// The inserts of a summary: the counts, written as the templates show them.
std::vector<std::u16string> Counts(const ShellCommands::Summary& s) {
  return {Format(u"%d", {s.succeeded}), Format(u"%d", {s.failed})};
}

}  // namespace

bool ShellCommands::Invoke(int offset, const std::u16string& path, int* unlocked) {
  switch (offset) {
    case kOffsetEncrypt:
      ui_.RunEncryptDialog(path);
      return true;
    case kOffsetDecrypt:
      Decrypt(path);
      return true;
    case kOffsetShareTo:
      ui_.RunCopyToDialog(TransferMode::kShare, path);
      return false;
    case kOffsetCopyTo:
      ui_.RunCopyToDialog(TransferMode::kCopy, path);
      return false;
    case 4:
    case 5:
    case 6:
    case 8:
      return true;
    case kOffsetLockUnlock:
      return LockOrUnlock(path, unlocked);
    default:  // the submenu item itself, and anything out of range
      return false;
  }
}

void ShellCommands::ShowError(Status code) {
  std::u16string caption = ui_.String(IDS_FAILED);
  if (code >= 0xEFFF0000u) return;
  ui_.ErrorMessage(ui_.SystemMessage(code), caption);
}

void ShellCommands::Decrypt(const std::u16string& path) {
  std::u16string password;
  if (!ui_.AskPassword(&password)) return;
  ui_.SetWaitCursor(true);
  Status st = drive_.DecryptItem(path, password);
  ui_.SetWaitCursor(false);
  if (st != kOk) {
    ShowError(st);
    return;
  }
  ui_.Message(u"Decryption completed.", ui_.String(IDS_CLIENT), kMbOk);
}

bool ShellCommands::LockOrUnlock(const std::u16string& path, int* unlocked) {
  // The state at this moment decides, not the menu text.
  ItemState state;
  if (drive_.QueryProtectionState(path, &state)) *unlocked = state.unlocked;
  bool locking = *unlocked != 0;
  Status st;
  if (locking) {
    st = drive_.LockItem(path);
  } else {
    std::u16string password;
    if (!ui_.AskPassword(&password)) return false;
    st = drive_.UnlockItem(path, password);
  }
  if (st != kOk) {
    ShowError(st);
    return false;
  }
  ui_.Message(ui_.Text({locking ? IDS_NOW_LOCKED : IDS_NOW_UNLOCKED, {path}}), ui_.String(IDS_CLIENT), kMbOk);
  return true;
}

bool ShellCommands::EncryptOk(const std::u16string& path, const std::u16string& password,
                              const std::u16string& confirm) {
  if (password.empty()) {
    ui_.Message(u"Password can't be empty!", ui_.String(IDS_CLIENT), kMbOk);
    return false;
  }
  if (password != confirm) {
    ui_.Message(u"Please confrim password!", ui_.String(IDS_CLIENT), kMbOk);
    return false;
  }
  ui_.SetWaitCursor(true);
  Status st = drive_.EncryptItem(path, password);
  ui_.SetWaitCursor(false);
  if (st != kOk) ui_.Message(Format(u"Error %x", {st}), ui_.String(IDS_CLIENT), kMbOk);
  return true;
}

ShellCommands::Summary ShellCommands::ShareToUsers(const std::u16string& path,
                                                   const std::vector<std::u16string>& users) {
  Summary s;
  for (const std::u16string& user : users) {
    Status st = drive_.ShareItemToUser(path, user);
    if (st == kOk) {
      ++s.succeeded;
      continue;
    }
    ++s.failed;
    ui_.Message(ui_.Text({IDS_SHARE_FAILED, {user, Format(u"%x", {st})}}), ui_.String(IDS_CLIENT), kMbOk);
  }
  ui_.Message(ui_.Text({IDS_SHARE_DONE, Counts(s)}), ui_.String(IDS_CLIENT), kMbOk);
  return s;
}

ShellCommands::Summary ShellCommands::CopyToUsers(const std::u16string& path,
                                                  const std::vector<std::u16string>& users, CopyProgress& progress) {
  Summary s;
  progress.Start(static_cast<int>(users.size()));
  for (const std::u16string& user : users) {
    Status st = progress.CopyStep(path, user);
    if (st == kOk) {
      ++s.succeeded;
      continue;
    }
    ++s.failed;
    ui_.Message(ui_.Text({IDS_COPY_FAILED, {user, Format(u"%x", {st})}}), ui_.String(IDS_CLIENT), kMbOk);
  }
  progress.Finish();
  ui_.Message(ui_.Text({IDS_COPY_DONE, Counts(s)}), ui_.String(IDS_CLIENT), kMbOk);
  return s;
}

std::vector<std::u16string> ShareUsersOf(ProtectedDrive& drive, const std::u16string& path) {
  Bytes reply(vvfs::kUserListBytes, 0);
  if (drive.ListShareUsers(path, &reply) != kOk) return {};
  return ParseUserList(reply);
}

}  // namespace tw::shellext
