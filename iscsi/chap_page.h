// The CHAP page's model: the user name and secret of the logon.
#pragma once

#include <cstddef>
#include <string_view>

#include "iscsi/wizard_data.h"
#include "iscsi/wizard_pages.h"

namespace tw {

// The CHAP page (CSetChapPage, wizard page 3).
class ChapPageModel {
 public:
  static constexpr size_t kMaxChars = 255;
  explicit ChapPageModel(WizardData& data) : data_(data) {}
  // Back and Next for a virtual folder (19), else Back and Finish.
  WizardButtons OnSetActive() const;
  // Copies user name and secret (each cut to 255 characters) into WizardData.
  void OnFinish(std::u16string_view user, std::u16string_view secret);

 private:
  WizardData& data_;
};

}  // namespace tw
