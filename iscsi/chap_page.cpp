#include "iscsi/chap_page.h"

#include "base/text.h"

namespace tw {

WizardButtons ChapPageModel::OnSetActive() const {
  return data_.type() == kTypeVirtualFolder ? WizardButtons::kBackNext : WizardButtons::kBackFinish;
}

void ChapPageModel::OnFinish(std::u16string_view user, std::u16string_view secret) {
  data_.set_chapUser(CutText(user, kMaxChars));
  data_.set_chapSecret(CutText(secret, kMaxChars));
}

}  // namespace tw
