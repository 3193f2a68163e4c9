// Shows one screen of the shell extension for a screenshot, on a simulated
// protected volume P: (set up here in the state folder), and exits after a
// while. Writes the screen's rectangle to stdout ("X Y W H") for cropping.
//   pellowen_shots.exe password|encrypt|share|copy|progress|menu [--exit-after MS]
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "framework/image.h"
#include "platform/machine.h"
#include "platform/sim/protected_volumes.h"
#include "platform/sim/sim_machine.h"
#include "platform/sim/state_folder.h"
#include "shellext/win/com_ids.h"
#include "shellext/win/copy_to_dlg.h"
#include "shellext/win/encrypt_dlg.h"
#include "shellext/win/password_notify_dlg.h"
#include "shellext/win/progress_dlg.h"
#include "shellext/win/win_shell_ui.h"

namespace tw::shellext::win {
namespace {

std::wstring g_screen;
UINT g_exit_after = 4000;

void PrintRect(HWND h) {
  RECT r;
  GetWindowRect(h, &r);
  std::printf("%ld %ld %ld %ld\n", r.left, r.top, r.right - r.left, r.bottom - r.top);
  std::fflush(stdout);
}

void CALLBACK ExitTimer(HWND, UINT, UINT_PTR, DWORD) { ExitProcess(0); }

// Reports the rectangle of the first dialog of this thread once it is shown.
void CALLBACK ReportTimer(HWND, UINT, UINT_PTR id, DWORD) {
  HWND h = GetActiveWindow();
  if (!h || !IsWindowVisible(h)) return;
  KillTimer(nullptr, id);
  PrintRect(h);
}

template <typename Dialog>
void ShowModal(Dialog& dlg) {
  SetTimer(nullptr, 0, 300, &ReportTimer);
  dlg.DoModal();
}

int ShowMenu(HINSTANCE) {
  // The module through its own class object, as the shell would load it.
  HMODULE dll = LoadLibraryExW(L"PellowenShl.dll", nullptr, LOAD_LIBRARY_SEARCH_APPLICATION_DIR);
  auto get = reinterpret_cast<HRESULT(WINAPI*)(REFCLSID, REFIID, void**)>(
      reinterpret_cast<void*>(GetProcAddress(dll, "DllGetClassObject")));
  IClassFactory* factory = nullptr;
  if (!get || FAILED(get(kClsidVornickContext, IID_IClassFactory, reinterpret_cast<void**>(&factory)))) return 1;
  IShellExtInit* init = nullptr;
  factory->CreateInstance(nullptr, IID_IShellExtInit, reinterpret_cast<void**>(&init));
  PIDLIST_ABSOLUTE pidl = nullptr;
  if (FAILED(SHParseDisplayName(L"P:\\docs", nullptr, &pidl, 0, nullptr))) return 1;
  init->Initialize(pidl, nullptr, nullptr);  // the background of P:\docs
  IContextMenu* handler = nullptr;
  init->QueryInterface(IID_IContextMenu, reinterpret_cast<void**>(&handler));
  HMENU menu = CreatePopupMenu();
  AppendMenuW(menu, MF_STRING, 1, L"View");
  AppendMenuW(menu, MF_STRING, 2, L"Refresh");
  AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
  AppendMenuW(menu, MF_STRING, 3, L"Properties");
  handler->QueryContextMenu(menu, 2, 100, 200, CMF_NORMAL);
  HWND owner = CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 300, 200, 1, 1, nullptr, nullptr, nullptr,
                               nullptr);
  SetForegroundWindow(owner);
  // Opens the submenu once the menu is up: down to "&Pellowen", then right.
  SetTimer(nullptr, 0, 600, [](HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    for (WORD key : {VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_RIGHT}) {
      INPUT in[2] = {};
      in[0].type = in[1].type = INPUT_KEYBOARD;
      in[0].ki.wVk = in[1].ki.wVk = key;
      in[1].ki.dwFlags = KEYEVENTF_KEYUP;
      SendInput(2, in, sizeof(INPUT));
    }
  });
  std::printf("280 180 400 260\n");
  std::fflush(stdout);
  TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_TOPALIGN, 300, 200, 0, owner, nullptr);
  return 0;
}

int Run(HINSTANCE instance) {
  auto machine = NewSimulatedMachine(SimStateFolder(), nullptr);
  sim::SimMachine& sim = *machine->simulated();
  sim::AddProtectedVolume(sim, 'P', "Vault", {"alice", "bob", "carol", "李雷", "韩梅梅"});
  std::filesystem::path root = sim::ProtectedVolumes(sim.folder()).Root('P');
  std::filesystem::create_directories(root / "docs");
  std::ofstream(root / "docs" / "a.txt") << "a";
  sim::ProtectItemForSetup(sim, u"P:\\docs", "pw", true, false);

  ProtectedDrive drive(machine->platform());
  WinShellUi ui(instance, nullptr, drive);
  SetTimer(nullptr, 0, g_exit_after, &ExitTimer);
  if (g_screen == L"password") {
    CDlgPasswordNotify dlg(instance);
    ShowModal(dlg);
  } else if (g_screen == L"encrypt") {
    CEncryptDlg dlg(instance, ui.commands(), u"P:\\docs\\a.txt");
    ShowModal(dlg);
  } else if (g_screen == L"share" || g_screen == L"copy") {
    CCopyToDlg dlg(instance, g_screen == L"share" ? TransferMode::kShare : TransferMode::kCopy, u"P:\\docs\\a.txt",
                   drive, ui.commands());
    ShowModal(dlg);
  } else if (g_screen == L"progress") {
    CProgressDlg dlg(instance, drive);
    dlg.CreateModeless(nullptr);
    dlg.Start(3);
    dlg.GetDlgItem(IDC_PROGRESS_BAR);
    ::SendDlgItemMessageW(dlg, IDC_PROGRESS_BAR, PBM_STEPIT, 0, 0);
    dlg.ShowWindow(SW_SHOW);
    SetTimer(nullptr, 0, 300, &ReportTimer);
    dlg.RunModalLoop();
  } else if (g_screen == L"menu") {
    return ShowMenu(instance);
  } else {
    return 2;
  }
  return 0;
}

}  // namespace
}  // namespace tw::shellext::win

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return 2;
  tw::shellext::win::g_screen = argv[1];
  for (int i = 2; i + 1 < argc; ++i)
    if (std::wstring(argv[i]) == L"--exit-after") tw::shellext::win::g_exit_after = _wtoi(argv[i + 1]);
  OleInitialize(nullptr);
  INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_WIN95_CLASSES};
  InitCommonControlsEx(&icc);
  tw::fw::CGdiPlusSession gdiplus;
  return tw::shellext::win::Run(GetModuleHandleW(nullptr));
}
