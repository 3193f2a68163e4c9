#include "app/ardentis_app.h"

#include <winsock2.h>

#include "app/ardentis_dlg.h"
#include "app/main_window_model.h"
#include "platform/sockets.h"

namespace tw::ui {

bool HandOverToRunningCopy() {
  HWND running = ::FindWindowW(nullptr, kMainWindowTitle);
  if (!running) return false;
  ::ShowWindow(running, SW_SHOWNORMAL);
  ::SetForegroundWindow(running);
  return true;
}

CArdentisApp::CArdentisApp() = default;
CArdentisApp::~CArdentisApp() = default;

bool CArdentisApp::InitInstance() {
  InitCommonControls(ICC_WIN95_CLASSES);
  WSADATA wsa;
  ::WSAStartup(0x0202, &wsa);  // the iSCSI and HTTP code rely on it; a failure shows there
  gdiplus_ = std::make_unique<fw::CGdiPlusSession>();
  if (HandOverToRunningCopy()) {
    set_exit_code(0);
    return false;
  }
  LoadTranslations(instance());
  machine_ = NewMachine(&prompter_);
  const Platform& p = machine_->platform();
  discovery_ = std::make_unique<IscsiDiscovery>(*p.sockets, lists_, InitiatorConfig{}, p.code_page);

  std::vector<std::u16string> args;
  for (const std::wstring& a : arguments()) args.push_back(fw::FromWide(a));
  auto dlg = std::make_unique<CArdentisDlg>(p, *discovery_);
  dlg->SetPrompter(&prompter_);
  set_main_window(dlg.get());
  if (IsHiddenStart(args)) {
    set_show_command(SW_HIDE);
    if (dlg->CreateModeless(nullptr)) {
      prompter_.set_owner(dlg->m_hWnd);
      ::SetParent(dlg->m_hWnd, ::GetDesktopWindow());
      dlg->ShowWindow(SW_HIDE);
      dlg->RunModalLoop();
      dlg->DestroyWindow();
    }
  } else {
    dlg->SetEnforcedSize(800, 480);
    dlg->DoModal(nullptr);
  }
  set_main_window(nullptr);
  dlg.reset();
  set_exit_code(0);
  return false;
}

}  // namespace tw::ui
