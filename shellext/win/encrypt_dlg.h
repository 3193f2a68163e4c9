// Asks for a new password twice and encrypts the item (dialog 105).
#pragma once

#include <string>

#include "shellext/shell_commands.h"
#include "shellext/win/paint_dlg.h"
#include "shellext/win/win7_button.h"

namespace tw::shellext::win {

class CEncryptDlg : public CPaintDlg {
 public:
  CEncryptDlg(HINSTANCE instance, ShellCommands& commands, std::u16string path);

  BOOL OnInitDialog() override;
  void OnOK() override;

 private:
  ShellCommands& commands_;
  std::u16string path_;
  CWin7Button ok_, cancel_;
};

}  // namespace tw::shellext::win
