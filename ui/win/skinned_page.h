// A page of the main window: a child dialog on the page background, with
// the skinned title static (1001) and bottom strip (1002), its texts in the
// user's language.
#pragma once

#include "framework/dialog.h"
#include "ui/win/page_look.h"
#include "ui/win/skin_controls.h"

namespace tw::ui {

class CSkinnedPage : public fw::CDialog {
 public:
  CSkinnedPage(UINT template_id, UINT background_bitmap);

  BOOL OnInitDialog() override;
  // Lays the page out again at `dpi` and tells its controls
  // (WM_DPICHANGED_AFTERPARENT), as the system does for a moved window.
  virtual void ApplyDpi(UINT dpi);
  // A page is never ended by Enter or Esc.
  void OnOK() override {}
  void OnCancel() override {}

  TW_BEGIN_MSG_MAP(CSkinnedPage, fw::CDialog)
    TW_MSG(WM_ERASEBKGND, OnEraseBkgnd)
    TW_MSG(WM_CTLCOLORSTATIC, OnCtlColorStatic)
  TW_END_MSG_MAP()

 protected:
  CPageLook look_;
  CMyStatic title_, bottom_;

 private:
  LRESULT OnEraseBkgnd(WPARAM wp, LPARAM);
  // Labels are drawn transparent over the page background.
  LRESULT OnCtlColorStatic(WPARAM wp, LPARAM);
  void PlaceControls(UINT dpi);
  UINT background_;
};

}  // namespace tw::ui
