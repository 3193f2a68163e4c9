// The about page: the client's name and version on the page background.
#pragma once

#include <string>

#include "ui/win/skinned_page.h"

namespace tw::ui {

class CNfsAbout : public CSkinnedPage {
 public:
  CNfsAbout();
  BOOL OnInitDialog() override;

 private:
  fw::CFont name_font_;
};

// "1.0.0.0" from the program's version resource; empty when it has none.
std::wstring ProgramVersion();

}  // namespace tw::ui
