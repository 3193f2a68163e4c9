// CSetChapPage (wizard page 3): the CHAP user name and secret.
#pragma once

#include <string>

#include "ui/win/image_page.h"
#include "iscsi/chap_page.h"

namespace tw::ui {

class CSetChapPage : public CImagePage {
 public:
  // `user` and `secret` hold what the boxes show; the wizard model copies
  // them into its data on Finish or Next.
  CSetChapPage(std::u16string& user, std::u16string& secret, WizardFlow& flow);
  BOOL OnInitDialog() override;

 protected:
  void LoadFields() override;
  void SaveFields() override;

 private:
  std::u16string& user_;
  std::u16string& secret_;
};

}  // namespace tw::ui
