// Asks for the password of a protected item (dialog 212).
#pragma once

#include <string>

#include "shellext/win/ex_edit.h"
#include "shellext/win/paint_dlg.h"
#include "shellext/win/win7_button.h"

namespace tw::shellext::win {

class CDlgPasswordNotify : public CPaintDlg {
 public:
  explicit CDlgPasswordNotify(HINSTANCE instance);
  ~CDlgPasswordNotify() override;
  // The password typed, after Ok.
  const std::wstring& password() const { return password_; }
  CWin7Button& ok_button() { return ok_; }
  CWin7Button& cancel_button() { return cancel_; }

  BOOL OnInitDialog() override;
  void OnOK() override;

  TW_BEGIN_MSG_MAP(CDlgPasswordNotify, CPaintDlg)
    TW_COMMAND(IDC_PASSWORD_CANCEL, OnCancel)
  TW_END_MSG_MAP()

 private:
  // The first Tab key turns the buttons' focus cues on.
  static LRESULT CALLBACK TabHook(int code, WPARAM wp, LPARAM lp);

  std::wstring password_;
  CExEdit edit_;
  CWin7Button ok_, cancel_;
  HICON icon_large_ = nullptr, icon_small_ = nullptr;
  HHOOK hook_ = nullptr;
};

}  // namespace tw::shellext::win
