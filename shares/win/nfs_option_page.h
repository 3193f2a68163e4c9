// The options page: the preferred NFS server list (reordered and deleted
// here, written on Apply) and starting with Windows.
#pragma once

#include "resources/resource_ids.h"
#include "shares/nfs_option_model.h"
#include "ui/win/list_ctrl.h"
#include "ui/win/skin_controls.h"
#include "ui/win/skinned_page.h"

namespace tw::ui {

class CNfsOptionPage : public CSkinnedPage {
 public:
  explicit CNfsOptionPage(const Platform& platform);

  // Refills the list from the registry (each time the page is shown).
  void Reload();
  NfsOptionPageModel& model() { return model_; }
  CMyListCtrl& list() { return list_; }

  BOOL OnInitDialog() override;

  TW_BEGIN_MSG_MAP(CNfsOptionPage, CSkinnedPage)
    TW_COMMAND(IDC_SERVER_TOP, OnTop)
    TW_COMMAND(IDC_SERVER_UP, OnUp)
    TW_COMMAND(IDC_SERVER_DOWN, OnDown)
    TW_COMMAND(IDC_SERVER_BOTTOM, OnBottom)
    TW_COMMAND(IDC_SERVER_DELETE, OnDelete)
    TW_COMMAND(IDC_START_WITH_WINDOWS, OnStartClicked)
    TW_COMMAND(IDC_APPLY, OnApply)
    TW_NOTIFY(IDC_SERVER_LIST, LVN_ITEMCHANGED, OnItemChanged)
    TW_MSG(WM_CTLCOLORSTATIC, OnCtlColor)
    TW_MSG(WM_CTLCOLORBTN, OnCtlColor)
  TW_END_MSG_MAP()

 private:
  void OnTop() { Move(&NfsOptionPageModel::Top); }
  void OnUp() { Move(&NfsOptionPageModel::Up); }
  void OnDown() { Move(&NfsOptionPageModel::Down); }
  void OnBottom() { Move(&NfsOptionPageModel::Bottom); }
  void OnDelete() { Move(&NfsOptionPageModel::Delete); }
  void OnStartClicked();
  void OnApply();
  void Move(void (NfsOptionPageModel::*action)());
  LRESULT OnItemChanged(NMHDR* h);
  LRESULT OnCtlColor(WPARAM wp, LPARAM lp);
  void FillRows();
  void SyncButtons();

  NfsOptionPageModel model_;
  CMyListCtrl list_;
  CButtonEx list_buttons_[5], apply_;
  fw::CImageList icons_;
  fw::CBrush white_{::CreateSolidBrush(RGB(255, 255, 255))};
  bool filling_ = false;
};

}  // namespace tw::ui
