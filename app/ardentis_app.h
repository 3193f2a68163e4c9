// The manager's application object: platform start-up, the hand-over to a
// running copy, and the main window run visibly or hidden in the tray.
#pragma once

#include <memory>

#include "framework/app.h"
#include "framework/image.h"
#include "iscsi/discovery.h"
#include "platform/machine.h"
#include "ui/win/localize.h"

namespace tw::ui {

class CArdentisDlg;

class CArdentisApp : public fw::CApp {
 public:
  CArdentisApp();
  ~CArdentisApp() override;
  bool InitInstance() override;

 private:
  std::unique_ptr<fw::CGdiPlusSession> gdiplus_;
  LocalizedPrompter prompter_;
  std::unique_ptr<Machine> machine_;
  IscsiLists lists_;
  std::unique_ptr<IscsiDiscovery> discovery_;
};

// Shows the running copy's main window and brings it to the front; false
// when there is none.
bool HandOverToRunningCopy();

}  // namespace tw::ui
