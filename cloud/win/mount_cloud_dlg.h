// CMountCloudDlg, "Mount Cloud Disk": the account's user name and password,
// and a link to the maker's page about cloud disks. It is the account
// dialog of the cloud mount flow.
#pragma once

#include <string>

#include "base/secure_zero.h"

#include "cloud/cloud_disk.h"
#include "framework/dialog.h"

namespace tw::ui {

constexpr wchar_t kCloudInfoUrl[] = L"http://cloud.velthorn.com/";

class CMountCloudDlg : public fw::CDialog, public CloudAccountDialog {
 public:
  explicit CMountCloudDlg(HWND parent);
  ~CMountCloudDlg() override { WipeSecret(password_); }
  // Runs the dialog with both fields empty; false on Cancel.
  bool Ask(std::u16string* user_account, std::u16string* password) override;

  TW_BEGIN_MSG_MAP(CMountCloudDlg, fw::CDialog)
    TW_NOTIFY(1202 /* IDC_CLOUD_LINK */, NM_CLICK, OnLink)
    TW_NOTIFY(1202 /* IDC_CLOUD_LINK */, NM_RETURN, OnLink)
  TW_END_MSG_MAP()

  BOOL OnInitDialog() override;
  void OnOK() override;

 private:
  LRESULT OnLink(NMHDR*);
  HWND parent_;
  std::u16string user_, password_;
};

}  // namespace tw::ui
