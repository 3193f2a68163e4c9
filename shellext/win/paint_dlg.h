// The base of the extension's dialogs: a borderless window with rounded
// corners, a patterned title band with the title in white, a soft
// gradient body and a close button; it is dragged by any point.
#pragma once

#include "framework/dialog.h"
#include "framework/gdi.h"
#include "resources/resource_ids.h"
#include "shellext/win/skin_btn.h"

namespace tw::shellext::win {

class CPaintDlg : public fw::CDialog {
 public:
  CPaintDlg(UINT template_id, HINSTANCE instance) : fw::CDialog(template_id, instance) {}

  BOOL OnInitDialog() override;
  // Paints the whole client area into `dc` (also for WM_PRINTCLIENT).
  void Draw(HDC dc);
  // The title the band shows.
  std::wstring Title() const;
  CSkinBtn& close_button() { return close_; }

  TW_BEGIN_MSG_MAP(CPaintDlg, fw::CDialog)
    TW_MSG(WM_PAINT, OnPaint)
    TW_MSG(WM_PRINTCLIENT, OnPrintClient)
    TW_MSG(WM_ERASEBKGND, OnEraseBkgnd)
    TW_MSG(WM_CTLCOLORSTATIC, OnCtlColorStatic)
    TW_MSG(WM_CTLCOLORDLG, OnCtlColorDlg)
    TW_MSG(WM_NCHITTEST, OnNcHitTest)
    TW_MSG(WM_SIZE, OnSize)
    TW_COMMAND(IDC_CLOSE_BUTTON, OnCancel)
  TW_END_MSG_MAP()

 protected:
  fw::CBrush solid_;

 private:
  LRESULT OnPaint(WPARAM, LPARAM);
  LRESULT OnPrintClient(WPARAM wp, LPARAM) {
    Draw(reinterpret_cast<HDC>(wp));
    return 0;
  }
  LRESULT OnEraseBkgnd(WPARAM, LPARAM) { return TRUE; }
  LRESULT OnCtlColorStatic(WPARAM wp, LPARAM);
  LRESULT OnCtlColorDlg(WPARAM, LPARAM) { return reinterpret_cast<LRESULT>(static_cast<HBRUSH>(solid_)); }
  LRESULT OnNcHitTest(WPARAM, LPARAM) { return HTCAPTION; }
  LRESULT OnSize(WPARAM, LPARAM);
  void ClipToRoundedRegion();

  fw::CBrush pattern_;
  fw::CBitmap pattern_bitmap_;
  CSkinBtn close_;
};

}  // namespace tw::shellext::win
