// Shows one mount window on a fresh simulated machine, for screenshots
// (see shoot-mount-windows.sh), and closes it after a while.
//
//   mount_windows_shots.exe NAME RECT_FILE [MS]
// NAME: page0 page1 page3 page4 page5 page6 page7 page8 page9 prefer portals
// addhost cloud nfs. RECT_FILE gets the window's screen rectangle
// "left top width height" once it is shown.
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "cloud/win/mount_cloud_dlg.h"
#include "devices/win/add_target_wizard.h"
#include "devices/win/choose_prefer_disk_dlg.h"
#include "framework/app.h"
#include "iscsi/discovery.h"
#include "iscsi/win/add_target_dlg.h"
#include "iscsi/win/portal_manager_dlg.h"
#include "platform/machine.h"
#include "platform/sockets.h"
#include "shares/mount_nfs_model.h"
#include "shares/server_list.h"
#include "shares/win/mount_nfs_dialog.h"
#include "ui/win/localize.h"

namespace tw::ui {
namespace {

std::string g_rect_file;
UINT g_close_after = 2500;

BOOL CALLBACK CloseOne(HWND w, LPARAM) {
  ::PostMessageW(w, WM_CLOSE, 0, 0);
  return TRUE;
}

void CALLBACK OnTimer(HWND, UINT, UINT_PTR id, DWORD) {
  static int ticks = 0;
  ++ticks;
  if (ticks == 8) {  // shown and painted: tell the script where it is
    HWND w = ::GetForegroundWindow();
    RECT r{};
    ::GetWindowRect(w, &r);
    if (FILE* f = std::fopen(g_rect_file.c_str(), "w")) {
      std::fprintf(f, "%ld %ld %ld %ld\n", r.left, r.top, r.right - r.left, r.bottom - r.top);
      std::fclose(f);
    }
  }
  if (static_cast<UINT>(ticks) * 100 >= g_close_after) {
    ::KillTimer(nullptr, id);
    ::EnumThreadWindows(::GetCurrentThreadId(), CloseOne, 0);
  }
}

class QuietPrompter : public Prompter {
 public:
  int ShowMessage(const std::u16string&, const std::u16string&, unsigned) override { return kIdOk; }
};

int Show(const std::wstring& name) {
  wchar_t temp[MAX_PATH] = {};
  ::GetTempPathW(MAX_PATH, temp);
  std::filesystem::path folder = std::filesystem::path(temp) / ("tw-mount-shots-" + std::to_string(::GetCurrentProcessId()));
  QuietPrompter quiet;
  auto machine = NewSimulatedMachine(folder, &quiet);
  const Platform& p = machine->platform();
  IscsiLists lists;
  // What a portal answered, so the target page and the portal manager have rows.
  uint32_t portal = p.sockets->InetAddr("192.168.10.20");
  lists.AddPortal(portal, 3260);
  const char* names[] = {"iqn.2026-01.com.example:storage.finance", "iqn.2026-01.com.example:storage.backup",
                         "iqn.2026-01.com.example:storage.scratch"};
  for (int i = 0; i < 3; ++i) {
    std::string n = names[i];
    IscsiTarget& t = lists.RecordTarget(std::u16string(n.begin(), n.end()), i == 1, portal);
    lists.AddTargetPortal(t, portal, 3260);
  }
  IscsiDiscovery discovery(*p.sockets, lists, {}, p.code_page);
  RecordUsedServer(p, u"10.0.0.5", 6260);
  RecordUsedServer(p, u"nas.example.com", 2049);
  ::SetTimer(nullptr, 0, 100, &OnTimer);

  if (name.rfind(L"page", 0) == 0) {
    int index = std::stoi(name.substr(4));
    uint32_t type = index == 1 || index == 3 ? 17 : index == 4 ? 19 : 0;
    MountWizard wizard(p, discovery, index, type);
    wizard.Start();
    wizard.target.SetChecked(0, true);
    wizard.image.path = u"D:\\Images\\data.img";
    CAddTargetWizard sheet(wizard, p, discovery);
    sheet.Run(nullptr);
  } else if (name == L"prefer") {
    CChoosePreferDiskDlg d;
    bool dont = false;
    d.Run(nullptr, &dont);
  } else if (name == L"portals") {
    CPortalManagerDlg d(p, discovery);
    d.DoModal(nullptr);
  } else if (name == L"addhost") {
    CAddTarget d(quiet);
    d.DoModal(nullptr);
  } else if (name == L"cloud") {
    CMountCloudDlg d(nullptr);
    std::u16string u, pw;
    d.Ask(&u, &pw);
  } else if (name == L"nfs") {
    MountNfsDialogModel model(p);
    model.Open();
    CMountNFSDialog d(model, quiet);
    d.DoModal(nullptr);
  } else {
    return 2;
  }
  machine.reset();
  std::error_code ec;
  std::filesystem::remove_all(folder, ec);
  return 0;
}

class CShotsApp : public fw::CApp {
 public:
  bool InitInstance() override {
    InitCommonControls(ICC_WIN95_CLASSES | ICC_LINK_CLASS);
    const auto& a = arguments();
    if (a.size() < 2) return false;
    g_rect_file.assign(a[1].begin(), a[1].end());
    if (a.size() > 2) g_close_after = static_cast<UINT>(_wtoi(a[2].c_str()));
    LoadTranslations();
    code_ = Show(a[0]);
    return false;
  }
  int code_ = 0;
};

}  // namespace
}  // namespace tw::ui

int WINAPI wWinMain(HINSTANCE inst, HINSTANCE, PWSTR cmd, int show) {
  ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  tw::ui::CShotsApp app;
  return app.Run(inst, cmd, show);
}
