// The manager's main window and pages driven in-process under Wine, on a
// simulated machine; the start-up paths as child processes.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "app/ardentis_app.h"
#include "app/ardentis_dlg.h"
#include "framework/image.h"
#include "iscsi/discovery.h"
#include "platform/registry.h"
#include "platform/testing/sim_fixture.h"
#include "platform/win32/win32_ports.h"
#include "resources/resource_ids.h"
#include "shares/server_list.h"
#include "storagebus/storage_bus.h"
#include "storagebus/testing/image_records.h"
#include "ui/win/localize.h"

namespace tw::ui {
namespace {

void Pump() {
  MSG m;
  while (::PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
    ::TranslateMessage(&m);
    ::DispatchMessageW(&m);
  }
}

bool Visible(HWND h) { return (::GetWindowLongPtrW(h, GWL_STYLE) & WS_VISIBLE) != 0; }

std::wstring Text(HWND h) {
  wchar_t buf[256] = {};
  ::GetWindowTextW(h, buf, 256);
  return buf;
}

// A main window over a fresh simulated machine, created modeless.
struct MainWindow {
  explicit MainWindow(uint32_t show_pages = 0, bool set_mask = false) {
    if (set_mask) {
      RegKey key = 0;
      f.platform.registry->CreateKey(kHkeyLocalMachine, u"SOFTWARE\\Velthorn\\Pellowen\\Client", &key);
      f.platform.registry->SetDword(key, u"ShowPages", show_pages);
      f.platform.registry->CloseKey(key);
    }
    discovery = std::make_unique<IscsiDiscovery>(*f.platform.sockets, lists);
    dlg = std::make_unique<CArdentisDlg>(f.platform, *discovery);
    dlg->set_shell_open([this](HWND, const std::wstring& target, int show) { opened.push_back(target); });
    CTitleBarDlg::ResetRegionPending();
    dlg->CreateModeless(nullptr);
    Pump();
  }
  ~MainWindow() {
    if (dlg->IsWindow()) dlg->DestroyWindow();
  }
  std::vector<std::wstring> Items() {
    std::vector<std::wstring> out;
    for (const char16_t* name : {u"Pellowen", u"Tools", u"Persisted Devices", u"Options", u"Help", u"About"})
      if (dlg->menu_bar().FindItem(name)) out.push_back(fw::ToWide(name));
    return out;
  }
  void Click(const char16_t* item) {
    CLeftMenuItem* i = dlg->menu_bar().FindItem(item);
    ASSERT_NE(i, nullptr);
    if (i->parent_item()) static_cast<CLeftMenuItem*>(i->parent_item())->SetSelected(true);
    i->SetSelected(true);
    Pump();
  }
  testing::SimFixture f;
  IscsiLists lists;
  std::unique_ptr<IscsiDiscovery> discovery;
  std::unique_ptr<CArdentisDlg> dlg;
  std::vector<std::wstring> opened;
};

TEST(MainWindow, DefaultMenuSelectsPellowenAndShowsTheNfsDrives) {
  MainWindow w;
  EXPECT_EQ(Text(w.dlg->m_hWnd), kMainWindowTitle);
  EXPECT_EQ(w.Items(), (std::vector<std::wstring>{L"Pellowen", L"Tools", L"Persisted Devices", L"Options", L"Help",
                                                  L"About"}));
  EXPECT_TRUE(w.dlg->menu_bar().FindItem(u"Pellowen")->selected());
  EXPECT_EQ(w.dlg->devices_page().category(), 32u);
  EXPECT_TRUE(Visible(w.dlg->devices_page().m_hWnd));
  EXPECT_FALSE(Visible(w.dlg->options_page().m_hWnd));
  EXPECT_FALSE(Visible(w.dlg->about_page().m_hWnd));
  EXPECT_EQ(Text(w.dlg->devices_page().GetDlgItem(IDC_PAGE_TITLE)), Tr(u"All Pellowen Drives"));
  // The main tray icon's record.
  EXPECT_EQ(w.dlg->main_tray().uID, 120u);
  EXPECT_EQ(w.dlg->main_tray().uCallbackMessage, 0x7EAu);
  EXPECT_STREQ(w.dlg->main_tray().szTip, L"Velthorn Pellowen");
}

TEST(MainWindow, ShowPagesWithoutToolsLeavesOnlyHelp) {
  MainWindow w(0x400, true);
  EXPECT_EQ(w.Items(), (std::vector<std::wstring>{L"Help", L"About"}));
  EXPECT_FALSE(w.dlg->menu_bar().FindItem(u"Help")->selected());
  EXPECT_EQ(w.dlg->devices_page().category(), 0u);
  EXPECT_EQ(Text(w.dlg->devices_page().GetDlgItem(IDC_PAGE_TITLE)), Tr(u"All Virtual Devices"));
  // Nothing selected: the page fills itself for its initial category once the window runs.
  EXPECT_EQ(Header_GetItemCount(ListView_GetHeader(w.dlg->devices_page().list().m_hWnd)), 5);
  // Hidden pages are made when first shown.
  EXPECT_FALSE(w.dlg->options_page().IsWindow());
  EXPECT_FALSE(w.dlg->about_page().IsWindow());
}

TEST(MainWindow, EveryMenuTextSwitchesThePage) {
  MainWindow w;
  w.Click(u"Tools");
  EXPECT_EQ(w.dlg->devices_page().category(), 0u);
  EXPECT_TRUE(Visible(w.dlg->devices_page().m_hWnd));
  w.Click(u"Persisted Devices");
  EXPECT_EQ(w.dlg->devices_page().category(), 128u);
  w.Click(u"Options");
  EXPECT_TRUE(Visible(w.dlg->options_page().m_hWnd));
  EXPECT_FALSE(Visible(w.dlg->devices_page().m_hWnd));
  w.Click(u"Help");
  EXPECT_TRUE(Visible(w.dlg->devices_page().m_hWnd));
  EXPECT_EQ(w.dlg->devices_page().category(), 0u);
  w.Click(u"About");
  EXPECT_TRUE(Visible(w.dlg->about_page().m_hWnd));
  EXPECT_FALSE(Visible(w.dlg->devices_page().m_hWnd));
  EXPECT_FALSE(Visible(w.dlg->options_page().m_hWnd));
  w.Click(u"Pellowen");
  EXPECT_EQ(w.dlg->devices_page().category(), 32u);
  // The frame menu as its button loads it, item by item, and what each
  // command does: Help and Homepage open, Options and About switch.
  CMenuEx frame;
  ASSERT_TRUE(frame.LoadOwnerDrawn(IDM_FRAME, w.dlg->instance()));
  HMENU popup = frame.FirstPopup();
  ASSERT_NE(popup, nullptr);
  std::vector<UINT> ids;
  std::vector<std::wstring> texts;
  for (int i = 0; i < ::GetMenuItemCount(popup); ++i) ids.push_back(::GetMenuItemID(popup, i));
  for (const auto& item : frame.sub_menus()[0]->items()) texts.push_back(item->text);
  EXPECT_EQ(ids, (std::vector<UINT>{ID_FRAME_HELP, 0, ID_FRAME_HOMEPAGE, 0, ID_OPTIONS, 0, ID_ABOUT}));
  EXPECT_EQ(texts, (std::vector<std::wstring>{L"&Help", L"", L"&Homepage", L"", L"&Options", L"", L"&About"}));
  w.dlg->SendMessageW(WM_COMMAND, ID_FRAME_HELP);
  w.dlg->SendMessageW(WM_COMMAND, ID_FRAME_HOMEPAGE);
  ASSERT_EQ(w.opened.size(), 2u);
  EXPECT_EQ(w.opened[0].substr(w.opened[0].size() - 13), L"\\Tarnwick.chm");
  EXPECT_EQ(w.opened[1], L"http://www.velthorn.com");
  w.dlg->SendMessageW(WM_COMMAND, ID_OPTIONS);
  EXPECT_TRUE(Visible(w.dlg->options_page().m_hWnd));
  EXPECT_FALSE(Visible(w.dlg->about_page().m_hWnd));
  w.dlg->SendMessageW(WM_COMMAND, ID_ABOUT);
  EXPECT_TRUE(Visible(w.dlg->about_page().m_hWnd));
  EXPECT_FALSE(Visible(w.dlg->options_page().m_hWnd));
  w.dlg->SendMessageW(WM_COMMAND, ID_TRAY_HOMEPAGE);
  ASSERT_EQ(w.opened.size(), 3u);
  EXPECT_EQ(w.opened[2], L"http://www.velthorn.com/");
}

TEST(OptionsPage, ShowingThePageReloadsItsServerListFromTheRegistry) {
  MainWindow w;
  const auto put = [&](int index, const char16_t* server, uint32_t port) {
    RegKey k = 0;
    ASSERT_EQ(w.f.platform.registry->CreateKey(kHkeyCurrentUser, ServerKeyName(index), &k), kOk);
    w.f.platform.registry->SetString(k, u"IPAddress", server);
    w.f.platform.registry->SetDword(k, u"Port", port);
    w.f.platform.registry->CloseKey(k);
  };
  const auto rows = [&] {
    auto& list = w.dlg->options_page().list();
    std::vector<std::wstring> out;
    for (int i = 0; i < list.GetItemCount(); ++i) out.push_back(list.GetItemText(i, 0) + L":" + list.GetItemText(i, 1));
    return out;
  };
  put(0, u"10.0.0.1", 2049);
  w.Click(u"Options");
  ASSERT_EQ(rows(), (std::vector<std::wstring>{L"10.0.0.1:2049"}));
  // An edit not applied is page state: showing the page again drops it.
  w.dlg->options_page().list().SetItemState(0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  w.dlg->options_page().SendMessageW(WM_COMMAND, IDC_SERVER_DELETE);
  EXPECT_TRUE(rows().empty());
  // Another program (or the NFS dialog) adds a server while the page is hidden.
  w.Click(u"About");
  put(1, u"server-b", 6260);
  w.Click(u"Options");
  EXPECT_EQ(rows(), (std::vector<std::wstring>{L"10.0.0.1:2049", L"server-b:6260"}));
  // The frame menu's Options reloads the same way.
  put(2, u"server-c", 111);
  w.Click(u"Tools");
  w.dlg->SendMessageW(WM_COMMAND, ID_OPTIONS);
  EXPECT_EQ(rows().size(), 3u);
}

TEST(MainWindow, TrayMenuAndCommandsWhileHidden) {
  MainWindow w;
  CMenuEx menu;
  ASSERT_TRUE(w.dlg->BuildTrayMenu(menu));
  HMENU popup = menu.FirstPopup();
  std::vector<UINT> ids;
  for (int i = 0; i < ::GetMenuItemCount(popup); ++i) ids.push_back(::GetMenuItemID(popup, i));
  EXPECT_EQ(ids, (std::vector<UINT>{32796, 0, 32790, 0, 32827, 32826, 0, 2}));
  std::vector<std::wstring> texts;
  for (const auto& item : menu.sub_menus()[0]->items())
    if (item->id != 0) texts.push_back(item->text);
  if (Tr(u"Tools") == L"Tools") {  // the English resources
    EXPECT_EQ(texts, (std::vector<std::wstring>{L"Sho&w Dialog", L"&Options", L"&Homepage", L"&Help", L"&Exit"}));
  }

  // Hidden: Options switches the page and leaves the window hidden; the
  // tray double-click shows and hides it; other ids are ignored.
  w.dlg->ShowWindow(SW_HIDE);
  w.dlg->SendMessageW(WM_COMMAND, ID_OPTIONS);
  EXPECT_FALSE(Visible(w.dlg->m_hWnd));
  EXPECT_TRUE(Visible(w.dlg->options_page().m_hWnd));
  EXPECT_EQ(w.dlg->SendMessageW(kWmTrayIcon, 121, WM_LBUTTONDBLCLK), 1);
  EXPECT_FALSE(Visible(w.dlg->m_hWnd));
  w.dlg->SendMessageW(kWmTrayIcon, 120, WM_LBUTTONDBLCLK);
  EXPECT_TRUE(Visible(w.dlg->m_hWnd));
  w.dlg->SendMessageW(kWmTrayIcon, 120, WM_LBUTTONDBLCLK);
  EXPECT_FALSE(Visible(w.dlg->m_hWnd));
  w.dlg->SendMessageW(WM_COMMAND, ID_TRAY_SHOW);
  EXPECT_TRUE(Visible(w.dlg->m_hWnd));
}

TEST(MainWindow, EscapeEndsAndEnterDoesNothing) {
  testing::SimFixture f;
  IscsiLists lists;
  IscsiDiscovery discovery(*f.platform.sockets, lists);
  CArdentisDlg dlg(f.platform, discovery);
  struct Script {
    HWND main = nullptr;
    bool alive_after_enter = false;
  } script;
  static Script* s;
  s = &script;
  // Keys go to the focused control, as a user's would; the dialog manager
  // turns them into IDOK and IDCANCEL.
  ::SetTimer(nullptr, 0, 300, [](HWND, UINT, UINT_PTR id, DWORD) {
    ::KillTimer(nullptr, id);
    HWND main = ::FindWindowW(nullptr, kMainWindowTitle);
    HWND focus = ::GetFocus();
    ::SendMessageW(focus ? focus : main, WM_KEYDOWN, VK_RETURN, 0);
    ::PostMessageW(focus ? focus : main, WM_KEYDOWN, VK_RETURN, 0);
    ::SetTimer(nullptr, 0, 200, [](HWND, UINT, UINT_PTR id2, DWORD) {
      ::KillTimer(nullptr, id2);
      HWND m = ::FindWindowW(nullptr, kMainWindowTitle);
      s->alive_after_enter = m && ::IsWindowVisible(m);
      HWND f2 = ::GetFocus();
      ::PostMessageW(f2 ? f2 : m, WM_KEYDOWN, VK_ESCAPE, 0);
    });
  });
  CTitleBarDlg::ResetRegionPending();
  INT_PTR r = dlg.DoModal(nullptr);
  EXPECT_TRUE(script.alive_after_enter);
  EXPECT_EQ(r, IDCANCEL);
}

// One key as a modeless dialog's loop delivers it: to the focused control,
// through the dialog manager.
void Key(HWND dlg, WPARAM vk) {
  HWND focus = ::GetFocus();
  MSG m{focus ? focus : dlg, WM_KEYDOWN, vk, 0, 0, {}};
  if (!::IsDialogMessageW(dlg, &m)) {
    ::TranslateMessage(&m);
    ::DispatchMessageW(&m);
  }
  Pump();
}

// The first visible dialog of this thread other than `main` (the wizard).
HWND OtherDialog(HWND main) {
  struct Find {
    HWND main, found;
  } find{main, nullptr};
  ::EnumThreadWindows(
      ::GetCurrentThreadId(),
      [](HWND w, LPARAM lp) {
        auto* f = reinterpret_cast<Find*>(lp);
        wchar_t cls[16] = {};
        ::GetClassNameW(w, cls, 16);
        if (w == f->main || !::IsWindowVisible(w) || lstrcmpW(cls, L"#32770") != 0) return TRUE;
        f->found = w;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&find));
  return find.found;
}

TEST(MainWindow, KeyboardAloneReachesTheMountWizard) {
  MainWindow w;
  HWND main = w.dlg->m_hWnd;
  CLeftMenuBar& bar = w.dlg->menu_bar();
  for (int i = 0; i < 8 && ::GetFocus() != bar.m_hWnd; ++i) Key(main, VK_TAB);
  ASSERT_EQ(::GetFocus(), bar.m_hWnd) << "Tab never reached the left menu";
  ASSERT_NE(bar.focus_item(), nullptr);
  EXPECT_TRUE(bar.ShowsFocusOn(bar.focus_item()));
  for (int i = 0; i < 8 && bar.focus_item()->name() != u"Tools"; ++i) Key(main, VK_DOWN);
  ASSERT_EQ(bar.focus_item()->name(), u"Tools");
  // Moving is not opening: the page changes with Enter.
  EXPECT_FALSE(bar.FindItem(u"Tools")->selected());
  Key(main, VK_RETURN);
  EXPECT_TRUE(bar.FindItem(u"Tools")->selected());
  EXPECT_EQ(w.dlg->devices_page().category(), 0u);
  EXPECT_TRUE(::IsWindowVisible(main)) << "Enter on the menu must not end the window";
  // Up past the first item stays on it; Space opens too.
  for (int i = 0; i < 8; ++i) Key(main, VK_UP);
  EXPECT_EQ(bar.focus_item(), bar.VisibleItems().front());
  for (int i = 0; i < 8 && bar.focus_item()->name() != u"Tools"; ++i) Key(main, VK_DOWN);
  Key(main, VK_SPACE);
  EXPECT_TRUE(bar.FindItem(u"Tools")->selected());

  HWND mount = w.dlg->devices_page().GetDlgItem(IDC_MOUNT);
  for (int i = 0; i < 8 && ::GetFocus() != mount; ++i) Key(main, VK_TAB);
  ASSERT_EQ(::GetFocus(), mount) << "Tab never reached Mount";
  // Enter runs the wizard modally: a timer inside its loop sees it and cancels it.
  static HWND seen;
  static HWND owner;
  seen = nullptr;
  owner = main;
  UINT_PTR timer = ::SetTimer(nullptr, 0, 300, [](HWND, UINT, UINT_PTR id, DWORD) {
    HWND wizard = OtherDialog(owner);
    if (!wizard) return;
    ::KillTimer(nullptr, id);
    seen = wizard;
    ::PostMessageW(wizard, WM_COMMAND, IDCANCEL, 0);
  });
  Key(main, VK_RETURN);
  ::KillTimer(nullptr, timer);
  EXPECT_NE(seen, nullptr) << "Enter on Mount opened no wizard";
  EXPECT_TRUE(::IsWindowVisible(main));
}

TEST(MainWindow, DpiChangeMovesToTheSuggestedRectangleAndScalesTheParts) {
  MainWindow w;
  HWND main = w.dlg->m_hWnd;
  RECT suggested{30, 20, 30 + 1200, 20 + 720};
  w.dlg->SendMessageW(WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
  Pump();
  RECT wr{};
  ::GetWindowRect(main, &wr);
  EXPECT_TRUE(::EqualRect(&wr, &suggested));
  EXPECT_EQ(w.dlg->dpi(), 144u);
  // The parts in the skin's base units at 150 %: the page area starts right
  // of the 270-pixel menu, below the 68-pixel caption strip.
  RECT area{};
  ::GetWindowRect(w.dlg->GetDlgItem(IDC_PAGE_AREA), &area);
  ::MapWindowPoints(HWND_DESKTOP, main, reinterpret_cast<POINT*>(&area), 2);
  EXPECT_EQ(area.left, 270);
  EXPECT_EQ(area.top, 68);
  RECT bar{};
  ::GetWindowRect(w.dlg->menu_bar().m_hWnd, &bar);
  EXPECT_EQ(bar.right - bar.left, 270);
  RECT item{};
  ::GetWindowRect(w.dlg->menu_bar().FindItem(u"Help")->m_hWnd, &item);
  EXPECT_EQ(item.right - item.left, 270);
  EXPECT_EQ(item.bottom - item.top, 74);  // 49 x 1.5
  CDevicesPage& page = w.dlg->devices_page();
  EXPECT_EQ(page.list().row_height(), 38);  // 25 x 1.5
  // Every control of the device page inside the page, inside the window.
  RECT pr{};
  ::GetClientRect(page.m_hWnd, &pr);
  for (HWND c = ::GetWindow(page.m_hWnd, GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT)) {
    RECT r{};
    ::GetWindowRect(c, &r);
    ::MapWindowPoints(HWND_DESKTOP, page.m_hWnd, reinterpret_cast<POINT*>(&r), 2);
    RECT in{};
    ::IntersectRect(&in, &r, &pr);
    EXPECT_TRUE(::EqualRect(&in, &r)) << "control " << ::GetDlgCtrlID(c) << " leaves the page";
  }
  RECT page_screen{};
  ::GetWindowRect(page.m_hWnd, &page_screen);
  EXPECT_LE(page_screen.bottom, wr.bottom);
  // Back at 96 DPI, the 800 x 480 figures again.
  RECT back{30, 20, 830, 500};
  w.dlg->SendMessageW(WM_DPICHANGED, MAKEWPARAM(96, 96), reinterpret_cast<LPARAM>(&back));
  Pump();
  ::GetWindowRect(w.dlg->menu_bar().FindItem(u"Help")->m_hWnd, &item);
  EXPECT_EQ(item.bottom - item.top, 49);
  EXPECT_EQ(page.list().row_height(), 25);
}

TEST(DevicePage, ButtonsFollowTheCategoryAndRefreshSeesOtherProgramsDevices) {
  MainWindow w;
  CDevicesPage& page = w.dlg->devices_page();
  w.Click(u"Persisted Devices");
  EXPECT_FALSE(Visible(page.GetDlgItem(1022)));
  EXPECT_EQ(Text(page.GetDlgItem(1036)), Tr(u"&Remove"));
  w.Click(u"Tools");
  EXPECT_TRUE(Visible(page.GetDlgItem(1022)));
  EXPECT_EQ(Text(page.GetDlgItem(1036)), Tr(u"&Unmount"));
  EXPECT_EQ(page.list().GetItemCount(), 0);

  // Another program (the console) plugs a disk into the same machine.
  std::unique_ptr<Machine> other = NewSimulatedMachine(w.f.folder.path() / "state", nullptr);
  StorageBus bus(other->platform());
  ASSERT_EQ(bus.SelectAdapter(0), kOk);
  ASSERT_EQ(bus.PlugDevice(testing::NewImageRecord(2, w.f.folder.Win32Path("disk.img"), 3 << 20)), kOk);
  page.SendMessageW(WM_COMMAND, 1024);
  ASSERT_EQ(page.list().GetItemCount(), 1);
  EXPECT_EQ(page.list().GetItemText(0, 0), Tr(u"Disk"));
  std::wstring location = page.list().GetItemText(0, 1);  // as the driver returns it
  EXPECT_NE(location.find(fw::ToWide(w.f.folder.Win32Path("disk.img"))), std::wstring::npos) << location;
  EXPECT_EQ(page.list().GetItemText(0, 2), L"3.00M");
  EXPECT_EQ(page.list().GetItemData(0), 2);

  // The context menu of the row: Unmount, the snapshot items, Modify Password.
  page.list().SetItemState(0, LVIS_SELECTED, LVIS_SELECTED);
  CMenuEx menu;
  ASSERT_TRUE(page.BuildDeviceMenu(menu));
  HMENU popup = menu.FirstPopup();
  std::vector<UINT> ids;
  for (int i = 0; i < ::GetMenuItemCount(popup); ++i) ids.push_back(::GetMenuItemID(popup, i));
  EXPECT_EQ(ids, (std::vector<UINT>{32778, 0, 32780, 32781, 32782, 0, 32783}));
  EXPECT_FALSE(::GetMenuState(popup, 32778, MF_BYCOMMAND) & MF_GRAYED);
  EXPECT_FALSE(::GetMenuState(popup, 32783, MF_BYCOMMAND) & MF_GRAYED);

  // Unmount asks first; No keeps the disk, Yes removes it.
  w.f.prompter.answers = {kIdNo};
  page.SendMessageW(WM_COMMAND, 1036);
  EXPECT_EQ(page.list().GetItemCount(), 1);
  w.f.prompter.answers = {kIdYes};
  page.SendMessageW(WM_COMMAND, 1036);
  EXPECT_EQ(page.list().GetItemCount(), 0);
  EXPECT_EQ(w.f.prompter.shown.back().text, u"Do you want to remove these devices?");
}

TEST(DevicePage, FollowsWhatOtherProgramsDoWithoutARefresh) {
  MainWindow w;
  CDevicesPage& page = w.dlg->devices_page();
  w.Click(u"Tools");
  ASSERT_EQ(page.list().GetItemCount(), 0);
  std::unique_ptr<Machine> other = NewSimulatedMachine(w.f.folder.path() / "state", nullptr);
  StorageBus bus(other->platform());
  ASSERT_EQ(bus.SelectAdapter(0), kOk);
  ASSERT_EQ(bus.PlugDevice(testing::NewImageRecord(2, w.f.folder.Win32Path("disk.img"), 3 << 20)), kOk);
  // The page's timer notices within a few of its periods.
  for (int i = 0; i < 40 && page.list().GetItemCount() == 0; ++i) {
    ::Sleep(CDevicesPage::kFollowMs / 4);
    Pump();
  }
  ASSERT_EQ(page.list().GetItemCount(), 1);
  page.list().SetItemState(0, LVIS_SELECTED, LVIS_SELECTED);
  EXPECT_FALSE(page.FollowChanges());  // nothing new since
  ASSERT_EQ(bus.PlugDevice(testing::NewImageRecord(3, w.f.folder.Win32Path("two.img"), 3 << 20)), kOk);
  EXPECT_TRUE(page.FollowChanges());
  ASSERT_EQ(page.list().GetItemCount(), 2);
  EXPECT_TRUE(page.list().GetItemState(0, LVIS_SELECTED));  // the selection stays
  // Its own refresh does not count as news.
  page.SendMessageW(WM_COMMAND, 1024);
  EXPECT_FALSE(page.FollowChanges());
}

TEST(OptionsPage, MovesDeleteAndApplyReachWinesRegistry) {
  MainWindow w;
  std::unique_ptr<Registry> real = NewWin32Registry();
  Platform p = w.f.platform;
  p.registry = real.get();
  const std::u16string servers = u"Software\\Velthorn\\Pellowen\\Servers";
  RegKey root = 0;
  real->CreateKey(kHkeyCurrentUser, servers, &root);
  for (int i = 0; i < 16; ++i) real->DeleteTree(root, u"Server" + fw::FromWide(std::to_wstring(i)));
  const char16_t* names[] = {u"A", u"B", u"C", u"D"};
  for (int i = 0; i < 4; ++i) {
    RegKey k = 0;
    real->CreateKey(root, u"Server" + fw::FromWide(std::to_wstring(i)), &k);
    real->SetString(k, u"IPAddress", names[i]);
    real->SetDword(k, u"Port", 6260 + i);
    real->CloseKey(k);
  }
  CNfsOptionPage page(p);
  HWND parent = w.dlg->GetDlgItem(IDC_PAGE_AREA);
  ASSERT_TRUE(page.CreateModeless(parent));
  ASSERT_EQ(page.list().GetItemCount(), 4);
  HWND apply = page.GetDlgItem(IDC_APPLY);
  EXPECT_FALSE(::IsWindowEnabled(apply));
  EXPECT_FALSE(::IsWindowEnabled(page.GetDlgItem(IDC_SERVER_TOP)));

  page.list().SetItemState(2, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);  // C
  EXPECT_TRUE(::IsWindowEnabled(page.GetDlgItem(IDC_SERVER_TOP)));
  page.SendMessageW(WM_COMMAND, IDC_SERVER_TOP);
  std::vector<std::wstring> rows;
  for (int i = 0; i < page.list().GetItemCount(); ++i) rows.push_back(page.list().GetItemText(i, 0));
  EXPECT_EQ(rows, (std::vector<std::wstring>{L"C", L"B", L"A", L"D"}));
  EXPECT_TRUE(page.list().GetItemState(0, LVIS_SELECTED));
  EXPECT_TRUE(::IsWindowEnabled(apply));
  page.SendMessageW(WM_COMMAND, IDC_SERVER_DELETE);  // C goes
  EXPECT_EQ(page.list().GetItemCount(), 3);
  ::SendMessageW(page.GetDlgItem(IDC_START_WITH_WINDOWS), BM_CLICK, 0, 0);
  page.SendMessageW(WM_COMMAND, IDC_APPLY);
  EXPECT_FALSE(::IsWindowEnabled(apply));

  std::vector<std::u16string> stored;
  for (int i = 0; i < 16; ++i) {
    RegKey k = 0;
    if (real->OpenKey(root, u"Server" + fw::FromWide(std::to_wstring(i)), &k) != kOk) break;
    std::u16string name;
    uint32_t port = 0;
    real->QueryString(k, u"IPAddress", 512, &name);
    real->QueryDword(k, u"Port", &port);
    stored.push_back(name + u":" + fw::FromWide(std::to_wstring(port)));
    real->CloseKey(k);
  }
  EXPECT_EQ(stored, (std::vector<std::u16string>{u"B:6261", u"A:6260", u"D:6263"}));
  RegKey run = 0;
  ASSERT_EQ(real->OpenKey(kHkeyLocalMachine, u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run", &run), kOk);
  std::u16string command;
  EXPECT_EQ(real->QueryString(run, u"Pellowen", 2048, &command), kOk);
  EXPECT_EQ(command.substr(0, 1), u"\"");
  EXPECT_EQ(command.substr(command.size() - 4), u"\" -a");
  // Unchecked and applied: the value goes.
  ::SendMessageW(page.GetDlgItem(IDC_START_WITH_WINDOWS), BM_CLICK, 0, 0);
  page.SendMessageW(WM_COMMAND, IDC_APPLY);
  EXPECT_EQ(real->QueryString(run, u"Pellowen", 2048, &command), kErrFileNotFound);
  real->CloseKey(run);
  real->CloseKey(root);
  page.DestroyWindow();
}

// Run a second time by ctest with the Chinese locale (TW_EXPECT_LANG=zh).
TEST(Localized, PagesAndMessagesFollowTheUsersLanguage) {
  const char* lang = std::getenv("TW_EXPECT_LANG");
  if (!lang || std::string(lang) != "zh") GTEST_SKIP() << "the Chinese run sets TW_EXPECT_LANG=zh";
  EXPECT_EQ(Tr(u"Tools"), L"工具");
  EXPECT_EQ(Tr(u"Can't lock volume %C:, the volume may be in use, do you want to forcely remove it?"),
            L"无法锁定卷 %C:，该卷可能正在使用，是否强制移除？");
  EXPECT_EQ(Tr(u"Can't lock volume E:, the volume may be in use, do you want to forcely remove it?"),
            L"无法锁定卷 E:，该卷可能正在使用，是否强制移除？");
  MainWindow w;
  CDevicesPage& page = w.dlg->devices_page();
  EXPECT_EQ(Text(page.GetDlgItem(1022)), L"装载(&M)");
  EXPECT_EQ(Text(page.GetDlgItem(IDC_PAGE_TITLE)), L"所有 Pellowen 驱动器");
  w.Click(u"Options");
  EXPECT_EQ(Text(w.dlg->options_page().GetDlgItem(IDC_APPLY)), L"应用(&A)");
  // The menus come in Chinese from their own resources.
  CMenuEx menu;
  ASSERT_TRUE(w.dlg->BuildTrayMenu(menu));
  EXPECT_EQ(menu.sub_menus()[0]->items()[0]->text, L"显示窗口(&W)");
}

// The test script mounts an image with the native console into a state
// folder and names it here: the manager under Wine must list it.
TEST(SharedMachine, DeviceMountedByTheNativeConsoleIsListed) {
  const char* folder = std::getenv("TW_SHARED_STATE");
  if (!folder) GTEST_SKIP() << "run by scripts/test.sh after the native console's mount";
  testing::ScriptedPrompter prompter;
  std::unique_ptr<Machine> machine = NewSimulatedMachine(folder, &prompter);
  IscsiLists lists;
  IscsiDiscovery discovery(*machine->platform().sockets, lists);
  CArdentisDlg dlg(machine->platform(), discovery);
  CTitleBarDlg::ResetRegionPending();
  ASSERT_TRUE(dlg.CreateModeless(nullptr));
  dlg.ShowPageByName(u"Virtual CD/DVD");
  CMyListCtrl& list = dlg.devices_page().list();
  ASSERT_EQ(list.GetItemCount(), 1);
  EXPECT_EQ(list.GetItemText(0, 0), L"DVDRom");
  EXPECT_NE(list.GetItemText(0, 1).find(L"shared.iso"), std::wstring::npos);
  std::wstring letters = list.GetItemText(0, 4);
  ASSERT_GE(letters.size(), 2u);
  EXPECT_TRUE(letters[0] >= L'C' && letters[0] <= L'Z' && letters[1] == L':') << letters;
  dlg.DestroyWindow();
}

// ---- Start-up, as separate processes ------------------------------------

std::wstring ProgramPath() {
  wchar_t path[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring p = path;
  return p.substr(0, p.rfind(L'\\')) + L"\\TarnwickPro.exe";
}

// Starts the manager; returns the process handle.
HANDLE Start(const std::wstring& args) {
  std::wstring line = L"\"" + ProgramPath() + L"\" " + args;
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return nullptr;
  ::CloseHandle(pi.hThread);
  return pi.hProcess;
}

HWND WaitForMain(DWORD ms = 20000) {
  for (DWORD waited = 0; waited < ms; waited += 50) {
    if (HWND h = ::FindWindowW(nullptr, kMainWindowTitle)) return h;
    ::Sleep(50);
  }
  return nullptr;
}

DWORD EndAndWait(HWND main, HANDLE process) {
  ::PostMessageW(main, WM_COMMAND, IDCANCEL, 0);
  ::WaitForSingleObject(process, 20000);
  DWORD code = 99;
  ::GetExitCodeProcess(process, &code);
  ::CloseHandle(process);
  return code;
}

class StartUp : public ::testing::Test {
 protected:
  void SetUp() override {
    std::wstring folder = folder_.path().wstring();
    ::SetEnvironmentVariableW(L"TARNWICK_SIM_STATE", folder.c_str());
    ::SetEnvironmentVariableW(L"TARNWICK_MACHINE", L"sim");
    ASSERT_EQ(::FindWindowW(nullptr, kMainWindowTitle), nullptr);
  }
  testing::TempFolder folder_;
};

TEST_F(StartUp, DashAInEitherCaseStartsHiddenAndASecondStartShowsIt) {
  for (const wchar_t* arg : {L"-a", L"-A"}) {
    HANDLE first = Start(arg);
    ASSERT_NE(first, nullptr);
    HWND main = WaitForMain();
    ASSERT_NE(main, nullptr);
    // The title appears while the window is still being built: wait until
    // it has settled hidden, then make sure it stays so.
    int hidden_for = 0;
    for (int waited = 0; waited < 15000 && hidden_for < 1500; waited += 50) {
      hidden_for = ::IsWindowVisible(main) ? 0 : hidden_for + 50;
      ::Sleep(50);
    }
    EXPECT_GE(hidden_for, 1500) << arg;
    // The second copy hands over to the first and exits with 0.
    HANDLE second = Start(L"");
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(::WaitForSingleObject(second, 20000), WAIT_OBJECT_0);
    DWORD code = 99;
    ::GetExitCodeProcess(second, &code);
    ::CloseHandle(second);
    EXPECT_EQ(code, 0u);
    EXPECT_TRUE(::IsWindowVisible(main));
    EXPECT_EQ(EndAndWait(main, first), 0u);
  }
}

TEST_F(StartUp, DashAWithMoreArgumentsStartsVisibleAt800By480) {
  HANDLE p = Start(L"-a x");
  ASSERT_NE(p, nullptr);
  HWND main = WaitForMain();
  ASSERT_NE(main, nullptr);
  for (int i = 0; i < 100 && !::IsWindowVisible(main); ++i) ::Sleep(50);
  EXPECT_TRUE(::IsWindowVisible(main));
  RECT r{};
  ::GetWindowRect(main, &r);
  EXPECT_EQ(r.right - r.left, 800);
  EXPECT_EQ(r.bottom - r.top, 480);
  EXPECT_EQ(EndAndWait(main, p), 0u);
}

}  // namespace
}  // namespace tw::ui

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  tw::fw::CApp::InitCommonControls(ICC_WIN95_CLASSES);
  tw::fw::CGdiPlusSession gdiplus;
  tw::ui::LoadTranslations();
  return RUN_ALL_TESTS();
}
