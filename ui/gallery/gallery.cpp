// A gallery of the skinned controls in their frame: the left menu with the
// main window's items, buttons in their four states, a list with its image
// header and skinned scroll bars, the title band and the strips. Used for
// screenshots (see shoot.sh).
//
//   gallery.exe [--select NAME] [--hover NAME] [--menu] [--exit-after MS]
#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "framework/app.h"
#include "framework/image.h"
#include "resources/resource_ids.h"
#include "ui/win/left_menu_bar.h"
#include "ui/win/list_ctrl.h"
#include "ui/win/menu_ex.h"
#include "ui/win/skin_controls.h"
#include "ui/win/skin_scroll.h"
#include "ui/win/title_bar_dlg.h"

namespace tw::ui {
namespace {

constexpr UINT_PTR kExitTimer = 1, kMenuTimer = 2;

struct Options {
  std::u16string select = u"Pellowen";
  std::u16string hover;
  bool menu = false;
  int exit_after = 0;
};

class CGalleryDlg : public CTitleBarDlg {
 public:
  explicit CGalleryDlg(const Options& o) : options_(o) {}

  TW_BEGIN_MSG_MAP(CGalleryDlg, CTitleBarDlg)
    TW_MSG(WM_TIMER, OnTimer)
    TW_MSG(kWmMenuItemSelected, OnMenuItemSelected)
  TW_END_MSG_MAP()

  BOOL OnInitDialog() override {
    CTitleBarDlg::OnInitDialog();
    SetText(L"Velthorn Tarnwick");
    SetBackgroundImage(fw::LoadNumberedImage(IDB_BACKGROUND, TW_RT_BACKGROUND));
    RECT place = Placeholder(IDC_LEFT_MENU_PLACE);
    place.right = place.left + kMenuBarWidth;
    place.bottom = std::min<LONG>(place.top + 420, 480);
    bar_.Create(m_hWnd, place);
    CLeftMenuItem* pellowen = bar_.AddMenuItem(u"Pellowen", L"CLOUD.PNG");
    CLeftMenuItem* tools = bar_.AddMenuItem(u"Tools", L"TOOLS.PNG");
    bar_.AddMenuItem(u"Persisted Devices", L"", tools);
    bar_.AddMenuItem(u"Options", L"", tools);
    CLeftMenuItem* help = bar_.AddMenuItem(u"Help", L"HELP.PNG");
    bar_.AddMenuItem(u"About", L"", help);
    (void)pellowen;
    if (CLeftMenuItem* item = bar_.FindItem(options_.select)) {
      if (item->parent_item()) static_cast<CLeftMenuItem*>(item->parent_item())->SetSelected(true);
      item->SetSelected(true);
    }
    if (CLeftMenuItem* item = bar_.FindItem(options_.hover)) item->SendMessageW(WM_MOUSEHOVER);
    BuildPage();
    if (options_.menu) SetTimer(kMenuTimer, 400);
    if (options_.exit_after > 0) SetTimer(kExitTimer, static_cast<UINT>(options_.exit_after));
    return TRUE;
  }

 private:
  RECT Placeholder(int id) const {
    RECT r{};
    ::GetWindowRect(GetDlgItem(id), &r);
    ::MapWindowPoints(HWND_DESKTOP, m_hWnd, reinterpret_cast<POINT*>(&r), 2);
    return r;
  }

  HWND Child(const wchar_t* cls, const wchar_t* text, DWORD style, RECT r, int id, DWORD ex = 0) {
    return ::CreateWindowExW(ex, cls, text, WS_CHILD | WS_VISIBLE | style, r.left, r.top, r.right - r.left,
                             r.bottom - r.top, m_hWnd, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                             ::GetModuleHandleW(nullptr), nullptr);
  }

  void BuildPage() {
    RECT area = Placeholder(IDC_PAGE_AREA);
    // The controls sit on the dialog itself here, over its background.
    ::ShowWindow(GetDlgItem(IDC_PAGE_AREA), SW_HIDE);
    int x = area.left + 8, w = 800 - x - 8;
    title_.Attach(Child(L"STATIC", L"Virtual Disk", 0, RECT{x, area.top + 6, x + w, area.top + 56}, 1001));
    title_.font().SetWeight(FW_BOLD);
    band_.Attach(Child(L"STATIC", L"", 0, RECT{x, area.top + 62, x + w, area.top + 122}, 1003));
    band_.SetTitle(L"Mount Virtual Disk");
    band_.SetSubtitle(L"Select an image file to mount as a local virtual disk.");
    icon_ = static_cast<HICON>(::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_DEVICE_DISK), IMAGE_ICON,
                                            32, 32, 0));
    band_.SetIcon(icon_);

    HWND list = Child(WC_LISTVIEWW, L"", LVS_REPORT | LVS_SHOWSELALWAYS, RECT{x, area.top + 130, x + w, area.top + 330},
                      1040, WS_EX_CLIENTEDGE);
    list_.Attach(list);
    icons_.Create(24, 24, ILC_COLOR32 | ILC_MASK, 4, 0);
    for (UINT id : {IDI_DEVICE_DISK, IDI_DEVICE_CDROM, IDI_DEVICE_ISCSI, IDI_DEVICE_NETWORK}) icons_.AddIconResource(id);
    list_.SetImageList(icons_, LVSIL_SMALL);
    list_.SetIconList(icons_);
    list_.InsertColumn(0, L"Device", 190);
    list_.InsertColumn(1, L"Type", 150);
    list_.InsertColumn(2, L"Capacity", 120);
    list_.InsertColumn(3, L"Letter", 120);
    const wchar_t* kinds[] = {L"Image disk", L"CD/DVD-ROM", L"iSCSI shared", L"Network disk"};
    for (int i = 0; i < 40; ++i) {
      std::wstring name = L"Device " + std::to_wstring(i + 1);
      list_.InsertItem(i, name.c_str(), i % 4);
      list_.SetItemText(i, 1, kinds[i % 4]);
      list_.SetItemText(i, 2, (std::to_wstring(8 << (i % 5)) + L" GB").c_str());
      std::wstring letter(1, static_cast<wchar_t>(L'D' + i % 20));
      list_.SetItemText(i, 3, (letter + L":").c_str());
      list_.SetItemData(i, i % 4);
    }
    list_.SetItemState(2, LVIS_SELECTED, LVIS_SELECTED);
    list_.SetRowHeight();
    // The third column under the pointer: its hover image.
    list_.header().SendMessageW(WM_MOUSEMOVE, 0, MAKELPARAM(400, 10));
    list_.header().SendMessageW(WM_MOUSEHOVER, 0, MAKELPARAM(400, 10));
    skin_.Attach(fw::LoadBitmapResource(IDB_SCROLL_SKIN));
    WrapWithSkinScrollBars(list, skin_);

    const wchar_t* texts[] = {L"&Mount", L"&Unmount", L"&Refresh", L"Disabled"};
    for (int i = 0; i < 4; ++i) {
      int bx = x + i * 96;
      HWND b = Child(L"BUTTON", texts[i], BS_PUSHBUTTON, RECT{bx, area.top + 338, bx + 86, area.top + 366}, 1022 + i);
      buttons_[i].Attach(b);
      buttons_[i].LoadStateImages(IDB_BUTTON_STRIP);
    }
    buttons_[1].SendMessageW(WM_MOUSEHOVER);            // hover look
    buttons_[2].SendMessageW(BM_SETSTATE, TRUE);        // pressed look
    buttons_[3].EnableWindow(FALSE);                    // disabled look
    bottom_.Attach(Child(L"STATIC", L"Ready", 0, RECT{x, 480 - 46, x + w, 480 - 6}, 1002));
    bottom_.SetImage(IDB_BOTTOM_STRIP);
  }

  LRESULT OnTimer(WPARAM wp, LPARAM) {
    if (wp == kMenuTimer) {
      KillTimer(kMenuTimer);
      ShowMenuPreview();
    } else if (wp == kExitTimer) {
      ::EndMenu();
      EndDialog(IDCANCEL);
    }
    return 0;
  }

  // The tray menu as its owner-drawn items measure and draw themselves, in
  // a window of its own under the menu button: under Wine on a bare X
  // server a tracked pop-up menu (owner-drawn or not) never shows, so a
  // screenshot could not catch it. "&Options" is drawn selected, "&Exit"
  // disabled.
  void ShowMenuPreview() {
    if (!tray_menu_.LoadOwnerDrawn(IDM_TRAY)) return;
    const auto& items = tray_menu_.sub_menus()[0]->items();
    int width = 0, height = 0;
    std::vector<int> heights;
    for (const auto& item : items) {
      MEASUREITEMSTRUCT mis{};
      mis.CtlType = ODT_MENU;
      mis.itemData = reinterpret_cast<ULONG_PTR>(item.get());
      SendMessageW(WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&mis));
      width = std::max(width, static_cast<int>(mis.itemWidth) + 30);
      heights.push_back(static_cast<int>(mis.itemHeight));
      height += static_cast<int>(mis.itemHeight);
    }
    RECT wr = GetWindowRect();
    preview_.Create(m_hWnd, RECT{wr.right - 150, wr.top + 36, wr.right - 150 + width + 2, wr.top + 36 + height + 2},
                    L"", WS_POPUP | WS_BORDER | WS_VISIBLE);
    fw::CClientDC dc(preview_);
    int y = 0;
    for (size_t i = 0; i < items.size(); ++i) {
      DRAWITEMSTRUCT dis{};
      dis.CtlType = ODT_MENU;
      dis.hDC = dc;
      dis.rcItem = RECT{0, y, width, y + heights[i]};
      dis.itemData = reinterpret_cast<ULONG_PTR>(items[i].get());
      if (i == 2) dis.itemState = ODS_SELECTED;
      if (i + 1 == items.size()) dis.itemState = ODS_GRAYED | ODS_DISABLED;
      tray_menu_.DrawItem(&dis);
      y += heights[i];
    }
  }

  LRESULT OnMenuItemSelected(WPARAM, LPARAM lp) {
    const auto* name = reinterpret_cast<const char16_t*>(lp);
    if (name) title_.SetText(std::wstring(name, name + std::char_traits<char16_t>::length(name)));
    return 0;
  }

  Options options_;
  CLeftMenuBar bar_;
  CMyStatic title_, bottom_;
  CHeaderTitle band_;
  CMyListCtrl list_;
  CButtonEx buttons_[4];
  fw::CImageList icons_;
  CMenuEx tray_menu_;
  fw::CWindow preview_;
  fw::CBitmap skin_;
  HICON icon_ = nullptr;
};

class CGalleryApp : public fw::CApp {
 public:
  bool InitInstance() override {
    InitCommonControls(ICC_WIN95_CLASSES);
    fw::CGdiPlusSession gdiplus;
    Options o;
    const auto& a = arguments();
    for (size_t i = 0; i < a.size(); ++i) {
      auto next = [&]() { return i + 1 < a.size() ? a[++i] : std::wstring(); };
      if (a[i] == L"--select") { auto v = next(); o.select.assign(v.begin(), v.end()); }
      else if (a[i] == L"--hover") { auto v = next(); o.hover.assign(v.begin(), v.end()); }
      else if (a[i] == L"--menu") o.menu = true;
      else if (a[i] == L"--exit-after") o.exit_after = _wtoi(next().c_str());
    }
    CGalleryDlg dlg(o);
    dlg.SetEnforcedSize(800, 480);
    dlg.DoModal();
    return false;
  }
};

}  // namespace
}  // namespace tw::ui

int WINAPI wWinMain(HINSTANCE inst, HINSTANCE, PWSTR cmd, int show) {
  tw::ui::CGalleryApp app;
  return app.Run(inst, cmd, show);
}
