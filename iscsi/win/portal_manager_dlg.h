// CPortalManagerDlg, the "Portal Manager": the program-wide portal list,
// discovered afresh when the dialog opens; Add and Remove.
#pragma once

#include "framework/controls.h"
#include "framework/dialog.h"
#include "framework/gdi.h"
#include "iscsi/portal_manager.h"
#include "platform/platform.h"

namespace tw::ui {

class CPortalManagerDlg : public fw::CDialog {
 public:
  CPortalManagerDlg(const Platform& platform, IscsiDiscovery& discovery);
  const PortalManagerModel& model() const { return model_; }

  TW_BEGIN_MSG_MAP(CPortalManagerDlg, fw::CDialog)
    TW_COMMAND_CODE(1181 /* IDC_PORTAL_ADD */, BN_CLICKED, OnAdd)
    TW_COMMAND_CODE(1182 /* IDC_PORTAL_REMOVE */, BN_CLICKED, OnRemove)
  TW_END_MSG_MAP()

  BOOL OnInitDialog() override;

 private:
  void Fill();
  void OnAdd();
  void OnRemove();

  const Platform& p_;
  PortalManagerModel model_;
  fw::CListViewCtrl list_;
  fw::CImageList icons_;
};

}  // namespace tw::ui
