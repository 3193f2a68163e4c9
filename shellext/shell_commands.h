// The flows behind the context menu's commands and the extension's dialog
// buttons, over the driver client and the screen interface.
#pragma once

#include <string>
#include <vector>

#include "shellext/protected_drive.h"
#include "shellext/shell_ui.h"

namespace tw::shellext {

class ShellCommands {
 public:
  ShellCommands(ProtectedDrive& drive, ShellUi& ui) : drive_(drive), ui_(ui) {}

  // InvokeCommand for an offset: true for S_OK, false for E_INVALIDARG.
  // `unlocked` is the handler's remembered Unlocked flag.
  bool Invoke(int offset, const std::u16string& path, int* unlocked);

  // The error box: the system's text for codes below 0xEFFF0000.
  void ShowError(Status code);

  // CEncryptDlg's Ok: true when the dialog closes.
  bool EncryptOk(const std::u16string& path, const std::u16string& password, const std::u16string& confirm);

  struct Summary {
    int succeeded = 0;
    int failed = 0;
  };
  // CCopyToDlg's Ok: each user in order, a message per failure, then the summary.
  Summary ShareToUsers(const std::u16string& path, const std::vector<std::u16string>& users);
  Summary CopyToUsers(const std::u16string& path, const std::vector<std::u16string>& users, CopyProgress& progress);

 private:
  bool LockOrUnlock(const std::u16string& path, int* unlocked);
  void Decrypt(const std::u16string& path);

  ProtectedDrive& drive_;
  ShellUi& ui_;
};

// The users of a CCopyToDlg: the driver's list, or none when it fails.
std::vector<std::u16string> ShareUsersOf(ProtectedDrive& drive, const std::u16string& path);

}  // namespace tw::shellext
