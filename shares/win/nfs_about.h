// The about page: the client's name and version on the page background.
#pragma once

#include "framework/dialog.h"
#include "ui/win/page_look.h"
#include "ui/win/skin_controls.h"

namespace tw::ui {

class CNfsAbout : public fw::CDialog {
 public:
  CNfsAbout();
  BOOL OnInitDialog() override;
  void OnOK() override {}
  void OnCancel() override {}

  TW_BEGIN_MSG_MAP(CNfsAbout, fw::CDialog)
    TW_MSG(WM_ERASEBKGND, OnEraseBkgnd)
    TW_MSG(WM_CTLCOLORSTATIC, OnCtlColorStatic)
  TW_END_MSG_MAP()

 private:
  LRESULT OnEraseBkgnd(WPARAM wp, LPARAM);
  LRESULT OnCtlColorStatic(WPARAM wp, LPARAM);
  CPageLook look_;
  CMyStatic title_, bottom_;
  fw::CFont name_font_;
};

// "1.0.0.0" from the program's version resource; empty when it has none.
std::wstring ProgramVersion();

}  // namespace tw::ui
