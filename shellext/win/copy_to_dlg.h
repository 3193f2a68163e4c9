// Shares or copies an item to users the driver offers (dialog 106).
#pragma once

#include <string>
#include <vector>

#include "framework/controls.h"
#include "framework/gdi.h"
#include "shellext/shell_commands.h"
#include "shellext/win/paint_dlg.h"
#include "shellext/win/win7_button.h"

namespace tw::shellext::win {

class CCopyToDlg : public CPaintDlg {
 public:
  CCopyToDlg(HINSTANCE instance, TransferMode mode, std::u16string path, ProtectedDrive& drive,
             ShellCommands& commands);
  ~CCopyToDlg() override;

  BOOL OnInitDialog() override;
  void OnOK() override;

  TransferMode mode() const { return mode_; }
  int session_only() const { return session_only_; }
  // The users picked, in ascending list order.
  std::vector<std::u16string> SelectedUsers() const;
  // The progress dialog of a running copy (null otherwise).
  HWND progress_window() const { return progress_window_; }

 private:
  TransferMode mode_;
  std::u16string path_;
  ProtectedDrive& drive_;
  ShellCommands& commands_;
  fw::CListViewCtrl list_;
  HIMAGELIST images_ = nullptr;
  int session_only_ = BST_CHECKED;
  CWin7Button ok_, cancel_;
  HWND progress_window_ = nullptr;
};

}  // namespace tw::shellext::win
