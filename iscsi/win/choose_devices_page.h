// CChooseDevicesPage (wizard page 1): a portal, one checked target of it,
// and whether a CHAP logon follows.
#pragma once

#include "ui/win/image_page.h"
#include "framework/controls.h"
#include "iscsi/target_page.h"
#include "platform/platform.h"

namespace tw::ui {

class CChooseDevicesPage : public CImagePage {
 public:
  CChooseDevicesPage(const Platform& platform, IscsiDiscovery& discovery, TargetPageModel& model,
                     WizardFlow& flow);

  TW_BEGIN_MSG_MAP(CChooseDevicesPage, CImagePage)
    TW_COMMAND_CODE(1160 /* IDC_TARGET_PORTAL */, CBN_SELCHANGE, OnPortal)
    TW_COMMAND_CODE(1161 /* IDC_TARGET_MANAGE */, BN_CLICKED, OnManagePath)
    TW_COMMAND_CODE(1163 /* IDC_TARGET_NEED_CHAP */, BN_CLICKED, OnNeedChap)
    TW_NOTIFY(1162 /* IDC_TARGET_LIST */, LVN_ITEMCHANGED, OnItemChanged)
  TW_END_MSG_MAP()

  BOOL OnInitDialog() override;
  BOOL OnSetActive() override;

 protected:
  void LoadFields() override;

 private:
  void FillCombo();
  void FillTargets();
  void OnPortal();
  void OnManagePath();
  void OnNeedChap();
  LRESULT OnItemChanged(NMHDR* nm);

  const Platform& p_;
  IscsiDiscovery& discovery_;
  TargetPageModel& model_;
  fw::CListViewCtrl list_;
  bool filling_ = false;  // the list's own changes while it is filled
};

}  // namespace tw::ui
