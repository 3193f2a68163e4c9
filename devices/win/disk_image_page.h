// What CMountImagePage and CMountVHDDlg share: create or open, path, size
// with its spin, read-only, password, and the enabling rules of the model.
#pragma once

#include "devices/image_pages.h"
#include "ui/win/image_page.h"

namespace tw::ui {

class CDiskImagePage : public CImagePage {
 public:
  CDiskImagePage(UINT template_id, int index, DiskImagePage& model, WizardFlow& flow);

  TW_BEGIN_MSG_MAP(CDiskImagePage, CImagePage)
    TW_COMMAND_CODE(IDC_WIZ_CREATE_, BN_CLICKED, OnChoice)
    TW_COMMAND_CODE(IDC_WIZ_OPEN_, BN_CLICKED, OnChoice)
    TW_COMMAND_CODE(IDC_WIZ_ENCRYPT_, BN_CLICKED, OnEncrypt)
    TW_COMMAND_CODE(IDC_WIZ_BROWSE_, BN_CLICKED, OnBrowse)
    TW_MSG(WM_VSCROLL, OnSpin)
  TW_END_MSG_MAP()

  BOOL OnInitDialog() override;

 protected:
  void LoadFields() override;
  void SaveFields() override;

 private:
  // The resource ids, spelled here so the header needs no resource include.
  static constexpr int IDC_WIZ_CREATE_ = 1120, IDC_WIZ_OPEN_ = 1121, IDC_WIZ_BROWSE_ = 1123,
                       IDC_WIZ_ENCRYPT_ = 1127;
  void ApplyEnabling() const;
  void OnChoice();
  void OnEncrypt();
  void OnBrowse();
  LRESULT OnSpin(WPARAM, LPARAM lp);

  DiskImagePage& model_;
};

}  // namespace tw::ui
