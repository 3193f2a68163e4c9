// Shows one snapshot window on a simulated disk for a screenshot, writes the
// window's screen rectangle to a file, and closes after a while.
//   snapshot_shots.exe --manager|--create|--secret|--menu RECT_FILE [MS]
// --menu draws the device list's context menu for a disk with snapshots as
// its owner-drawn items draw themselves: a tracked pop-up menu never shows
// on a bare X server.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "devices/device_list.h"
#include "devices/snapshots/win/create_snapshot_dlg.h"
#include "devices/snapshots/win/change_password_dlg.h"
#include "devices/snapshots/win/snapshot_demo_disk.h"
#include "devices/snapshots/win/snapshot_manager_dlg.h"
#include "framework/app.h"
#include "ui/win/localize.h"
#include "ui/win/menu_ex.h"

namespace tw::ui {
namespace {

std::wstring g_rect_file;
UINT g_exit_after = 2500;
HWND g_shown = nullptr;

void WriteRect(HWND h) {
  RECT r{};
  ::GetWindowRect(h, &r);
  FILE* f = _wfopen(g_rect_file.c_str(), L"w");
  if (!f) return;
  std::fprintf(f, "%ldx%ld+%ld+%ld\n", r.right - r.left, r.bottom - r.top, r.left, r.top);
  std::fclose(f);
}

// Thread timers: the rectangle once the window is painted, then the end.
void CALLBACK OnShown(HWND, UINT, UINT_PTR id, DWORD) {
  ::KillTimer(nullptr, id);
  if (g_shown) WriteRect(g_shown);
}
void CALLBACK OnExit(HWND, UINT, UINT_PTR id, DWORD) {
  ::KillTimer(nullptr, id);
  if (g_shown) ::PostMessageW(g_shown, WM_COMMAND, IDCANCEL, 0);
}
void ArmTimers() {
  ::SetTimer(nullptr, 0, 800, &OnShown);
  ::SetTimer(nullptr, 0, g_exit_after, &OnExit);
}

class CShotManager : public CSnapshotManagerDlg {
 public:
  using CSnapshotManagerDlg::CSnapshotManagerDlg;
  BOOL OnInitDialog() override {
    BOOL r = CSnapshotManagerDlg::OnInitDialog();
    g_shown = m_hWnd;
    // A snapshot with a child, so that its details and buttons show.
    const SnapshotTree& t = model().tree();
    for (size_t i = 0; i < t.size(); ++i)
      if (t.node(static_cast<int>(i)).name == u"Office") model().SelectNode(static_cast<int>(i));
    return r;
  }
};

template <typename Dialog, typename Model>
class CShotDialog : public Dialog {
 public:
  using Dialog::Dialog;
  BOOL OnInitDialog() override {
    BOOL r = Dialog::OnInitDialog();
    g_shown = this->m_hWnd;
    return r;
  }
};

int ShowManager() {
  DemoDisk demo;
  if (!demo.Plug()) return 1;
  demo.AddBranchyTree();
  ArmTimers();
  OpenSnapshotManager(demo.platform, DemoDisk::kSlot, [](SnapshotManagerModel& model) {
    CShotManager dialog(model);
    dialog.DoModal(nullptr);
  });
  return 0;
}

int ShowCreate() {
  CreateSnapshotDialogModel model;
  model.SetName(u"Before the upgrade");
  model.SetDescription(u"Drivers 4.2 and the March updates");
  ArmTimers();
  CShotDialog<CCreateSnapshotDlg, CreateSnapshotDialogModel> dialog(model);
  dialog.DoModal(nullptr);
  return 0;
}

int ShowSecret() {
  ChangeSecretDialogModel model{u"old-secret", u"alice", u"new-secret-2026"};
  ArmTimers();
  CShotDialog<CChangePasswordDlg, ChangeSecretDialogModel> dialog(model);
  dialog.DoModal(nullptr);
  return 0;
}

// A pop-up window showing the menu's items as the menu draws them.
class CMenuPreview : public fw::CWindow {
 public:
  std::vector<DeviceMenuItem> model_items;
  CMenuEx menu;
  std::vector<std::unique_ptr<CMenuEx::Item>> items;
  std::vector<int> heights;
  int width = 0;

  TW_BEGIN_MSG_MAP(CMenuPreview, fw::CWindow)
    TW_MSG(WM_PAINT, OnPaint)
    TW_COMMAND(IDCANCEL, OnClose)
  TW_END_MSG_MAP()

  void Build() {
    for (const DeviceMenuItem& m : model_items)
      items.push_back(std::make_unique<CMenuEx::Item>(CMenuEx::Item{Tr(m.text), static_cast<int>(m.id), -1}));
  }
  SIZE Measure() {
    int height = 0;
    for (auto& item : items) {
      MEASUREITEMSTRUCT mis{};
      mis.CtlType = ODT_MENU;
      mis.itemData = reinterpret_cast<ULONG_PTR>(item.get());
      menu.MeasureItem(m_hWnd, &mis);
      width = std::max(width, static_cast<int>(mis.itemWidth) + 30);
      heights.push_back(static_cast<int>(mis.itemHeight));
      height += static_cast<int>(mis.itemHeight);
    }
    return {width, height};
  }
  LRESULT OnPaint(WPARAM, LPARAM) {
    fw::CPaintDC dc(m_hWnd);
    int y = 0;
    for (size_t i = 0; i < items.size(); ++i) {
      DRAWITEMSTRUCT dis{};
      dis.CtlType = ODT_MENU;
      dis.hDC = dc;
      dis.rcItem = RECT{0, y, width, y + heights[i]};
      dis.itemData = reinterpret_cast<ULONG_PTR>(items[i].get());
      if (model_items[i].disabled) dis.itemState |= ODS_DISABLED;
      if (model_items[i].grayed) dis.itemState |= ODS_GRAYED;
      // The pointer rests on "&Snapshot Manager".
      if (model_items[i].id == kMenuSnapshotManager) dis.itemState |= ODS_SELECTED;
      menu.DrawItem(&dis);
      y += heights[i];
    }
    return 0;
  }
  void OnClose() { ::PostQuitMessage(0); }
};

int ShowMenu() {
  DemoDisk demo;
  if (!demo.Plug()) return 1;
  demo.AddBranchyTree();
  DeviceListModel list(demo.platform);
  list.Create(600);
  list.SetCategory(kCategoryVirtualDisk);
  list.Refresh(600);
  int row = -1;
  for (size_t i = 0; i < list.rows().size(); ++i)
    if (list.rows()[i].tag == DemoDisk::kSlot) row = static_cast<int>(i);
  if (row < 0) return 1;
  CMenuPreview preview;
  preview.model_items = list.ContextMenu(row);
  preview.Build();
  if (!preview.Create(nullptr, RECT{300, 200, 301, 201}, L"menu", WS_POPUP | WS_BORDER)) return 1;
  SIZE s = preview.Measure();
  preview.SetWindowPos(HWND_TOP, 300, 200, s.cx + 2, s.cy + 2, SWP_SHOWWINDOW);
  preview.UpdateWindow();
  g_shown = preview;
  ArmTimers();
  MSG m;
  while (::GetMessageW(&m, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&m);
    ::DispatchMessageW(&m);
  }
  preview.DestroyWindow();
  return 0;
}

}  // namespace
}  // namespace tw::ui

int wmain(int argc, wchar_t** argv) {
  using namespace tw::ui;
  if (argc < 3) {
    std::fprintf(stderr, "usage: snapshot_shots --manager|--create|--secret|--menu RECT_FILE [MS]\n");
    return 2;
  }
  g_rect_file = argv[2];
  if (argc > 3) g_exit_after = static_cast<UINT>(_wtoi(argv[3]));
  tw::fw::CApp::InitCommonControls(ICC_WIN95_CLASSES);
  LoadTranslations();
  std::wstring what = argv[1];
  if (what == L"--manager") return ShowManager();
  if (what == L"--create") return ShowCreate();
  if (what == L"--secret") return ShowSecret();
  if (what == L"--menu") return ShowMenu();
  return 2;
}
