// The extension's screen: strings of the module, message boxes and the
// dialogs, for the command flows.
#pragma once

#include "framework/win.h"
#include "shellext/protected_drive.h"
#include "shellext/shell_commands.h"
#include "shellext/shell_ui.h"
#include "ui/win/wait_cursor.h"

namespace tw::shellext::win {

class WinShellUi final : public ShellUi {
 public:
  // `owner`: the window that invoked the command (may be null).
  WinShellUi(HINSTANCE instance, HWND owner, ProtectedDrive& drive);

  std::u16string String(int id) override;
  std::u16string Text(const TextById& text) override;
  int Message(const std::u16string& text, const std::u16string& caption, unsigned style) override;
  void ErrorMessage(const std::u16string& text, const std::u16string& caption) override;
  std::u16string SystemMessage(Status code) override;
  bool AskPassword(std::u16string* password) override;
  void RunEncryptDialog(const std::u16string& path) override;
  void RunCopyToDialog(TransferMode mode, const std::u16string& path) override;
  void SetWaitCursor(bool on) override;

  ShellCommands& commands() { return commands_; }

 private:
  // Messages shown while a dialog is open belong to it.
  class OwnerScope;

  HINSTANCE instance_;
  HWND owner_;
  ProtectedDrive& drive_;
  ShellCommands commands_;
  ui::CWaitCursor wait_{false};
};

}  // namespace tw::shellext::win
