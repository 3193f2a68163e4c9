#include "app/ardentis_dlg.h"

#include "framework/dpi.h"
#include "framework/image.h"
#include "resources/resource_ids.h"
#include "ui/win/localize.h"
#include "ui/win/menu_ex.h"

namespace tw::ui {

CArdentisDlg::CArdentisDlg(const Platform& platform, IscsiDiscovery& discovery)
    : CTitleBarDlg(IDD_MAIN), p_(platform), devices_(platform, discovery), options_(platform) {
  shell_open_ = [](HWND owner, const std::wstring& target, int show) {
    ::ShellExecuteW(owner, L"open", target.c_str(), nullptr, nullptr, show);
  };
}

CArdentisDlg::~CArdentisDlg() {
  if (tray_icon_) ::DestroyIcon(tray_icon_);
}

BOOL CArdentisDlg::OnInitDialog() {
  CTitleBarDlg::OnInitDialog();
  prompter_owner_.emplace(prompter(), m_hWnd);
  // A second start finds the running copy by this title.
  SetText(kMainWindowTitle);
  SetBackgroundImage(fw::LoadNumberedImage(IDB_BACKGROUND, TW_RT_BACKGROUND));
  // The frame has set the window's icons from this same resource.
  static_assert(kFrameIcon == IDI_APP);

  PlaceParts();
  HWND area = GetDlgItem(IDC_PAGE_AREA);
  // Tab goes on into the page shown in the area.
  ::SetWindowLongPtrW(area, GWL_EXSTYLE, ::GetWindowLongPtrW(area, GWL_EXSTYLE) | WS_EX_CONTROLPARENT);
  // The options and about pages are hidden at start: each is made when first shown.
  CreatePage(devices_);

  BuildLeftMenu();

  tray_ = NOTIFYICONDATAW{};
  tray_.cbSize = sizeof tray_;
  tray_.hWnd = m_hWnd;
  tray_.uID = kMainTrayId;
  tray_.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  tray_.uCallbackMessage = kWmTrayIcon;
  tray_icon_ = static_cast<HICON>(::LoadImageW(instance(), MAKEINTRESOURCEW(IDI_APP), IMAGE_ICON, 16, 16, 0));
  tray_.hIcon = tray_icon_;
  lstrcpynW(tray_.szTip, L"Velthorn Pellowen", 128);
  PostMessageW(kWmAddTrayIcon);
  return TRUE;
}

void CArdentisDlg::PlaceParts() {
  // The skin's pictures are in pixels: the parts go where the template puts
  // them with the base units the skin was drawn for, whatever the font.
  fw::DialogTemplateInfo info;
  if (fw::ReadDialogTemplate(instance(), template_id(), &info)) fw::PlaceFromTemplate(m_hWnd, info, dpi());
}

RECT CArdentisDlg::PageRect() const {
  HWND area = GetDlgItem(IDC_PAGE_AREA);
  RECT rc{};
  ::GetWindowRect(area, &rc);
  ::OffsetRect(&rc, -rc.left, -rc.top);
  rc.right += Scaled(10);
  return rc;
}

void CArdentisDlg::OnDpiChanged(UINT dpi) {
  PlaceParts();
  RECT rc = PageRect();
  for (CSkinnedPage* page : {static_cast<CSkinnedPage*>(&devices_), static_cast<CSkinnedPage*>(&options_),
                             static_cast<CSkinnedPage*>(&about_)}) {
    if (!page->IsWindow()) continue;
    page->MoveWindow(rc, TRUE);
    page->ApplyDpi(dpi);
  }
  HWND place = GetDlgItem(IDC_LEFT_MENU_PLACE);
  RECT mr{};
  ::GetWindowRect(place, &mr);
  ::MapWindowPoints(HWND_DESKTOP, m_hWnd, reinterpret_cast<POINT*>(&mr), 2);
  if (menu_bar_.IsWindow()) {
    menu_bar_.MoveWindow(mr, TRUE);
    menu_bar_.SetDpi(dpi);
  }
}

bool CArdentisDlg::CreatePage(fw::CDialog& page) {
  if (page.IsWindow()) return true;
  page.SetPrompter(&prompter());
  if (!page.CreateModeless(GetDlgItem(IDC_PAGE_AREA))) return false;
  page.MoveWindow(PageRect(), TRUE);
  return true;
}

void CArdentisDlg::BuildLeftMenu() {
  HWND place = GetDlgItem(IDC_LEFT_MENU_PLACE);
  RECT rc{};
  ::GetWindowRect(place, &rc);
  ::MapWindowPoints(HWND_DESKTOP, m_hWnd, reinterpret_cast<POINT*>(&rc), 2);
  menu_bar_.SetDpi(dpi());
  if (!menu_bar_.Create(m_hWnd, rc)) return;
  for (const LeftMenuEntry& e : LeftMenuPlan(ReadShowPages(p_))) {
    CLeftMenuItem* parent = e.parent.empty() ? nullptr : menu_bar_.FindItem(e.parent);
    CLeftMenuItem* item = menu_bar_.AddMenuItem(e.text, fw::ToWide(e.icon), parent);
    if (!item) continue;
    item->SetDisplayText(Tr(e.text));
    // Selecting reports synchronously: the device page is set before the next item exists.
    if (e.select_when_created) item->SetSelected(true);
  }
}

void CArdentisDlg::ShowPageByName(const std::u16string& name) {
  PageChoice choice = PageForName(name);
  switch (choice.page) {
    case MainPage::kAbout:
      if (!CreatePage(about_)) break;
      devices_.ShowWindow(SW_HIDE);
      if (options_.IsWindow()) options_.ShowWindow(SW_HIDE);
      about_.ShowWindow(SW_SHOW);
      break;
    case MainPage::kOptions:
      if (!CreatePage(options_)) break;
      devices_.ShowWindow(SW_HIDE);
      if (about_.IsWindow()) about_.ShowWindow(SW_HIDE);
      options_.ShowWindow(SW_SHOW);
      options_.Reload();
      break;
    case MainPage::kDevices:
      if (about_.IsWindow()) about_.ShowWindow(SW_HIDE);
      if (options_.IsWindow()) options_.ShowWindow(SW_HIDE);
      devices_.ShowWindow(SW_SHOW);
      devices_.SetCategory(choice.category);
      devices_.RefreshDeviceList();
      break;
  }
}

LRESULT CArdentisDlg::OnMenuItemSelected(WPARAM wp, LPARAM lp) {
  // Only our own items' texts are trusted.
  if (!menu_bar_.Owns(reinterpret_cast<const CLeftMenuItem*>(wp)) || !lp) return 0;
  ShowPageByName(reinterpret_cast<const char16_t*>(lp));
  return 0;
}

bool CArdentisDlg::BuildTrayMenu(CMenuEx& menu) const { return menu.LoadOwnerDrawn(IDM_TRAY, instance()); }

LRESULT CArdentisDlg::OnTrayIcon(WPARAM wp, LPARAM lp) {
  if (wp != kMainTrayId) return 1;
  if (lp == WM_LBUTTONDBLCLK) {
    ShowWindow(IsWindowVisible() ? SW_HIDE : SW_SHOW);
  } else if (lp == WM_RBUTTONDOWN) {
    CMenuEx menu;
    if (BuildTrayMenu(menu)) {
      POINT p{};
      ::GetCursorPos(&p);
      ::TrackPopupMenu(menu.FirstPopup(), TPM_RIGHTBUTTON, p.x, p.y, 0, m_hWnd, nullptr);
    }
  }
  return 1;
}

void CArdentisDlg::OnHelp() {
  wchar_t path[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  shell_open_(m_hWnd, fw::ToWide(HelpFilePath(fw::FromWide(path))), SW_SHOWNORMAL);
}

void CArdentisDlg::OnHomepage() { shell_open_(nullptr, fw::ToWide(kHomepage), SW_SHOW); }
void CArdentisDlg::OnHomepageWithSlash() { shell_open_(nullptr, fw::ToWide(kHomepageWithSlash), SW_SHOW); }

LRESULT CArdentisDlg::OnAddTrayIcon(WPARAM, LPARAM) {
  ::Shell_NotifyIconW(NIM_ADD, &tray_);
  return 0;
}

LRESULT CArdentisDlg::OnDestroy(WPARAM, LPARAM) {
  ::Shell_NotifyIconW(NIM_DELETE, &tray_);
  prompter_owner_.reset();
  // The frame releases the background and its own icon (id 128).
  SetMsgHandled(false);
  return 0;
}

}  // namespace tw::ui
