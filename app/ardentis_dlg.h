// The main window: the skinned frame with the left menu, the page area
// showing one of the device, options and about pages, and the tray icon.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/main_window_model.h"
#include "devices/win/devices_page.h"
#include "shares/win/nfs_about.h"
#include "shares/win/nfs_option_page.h"
#include "ui/win/left_menu_bar.h"
#include "ui/win/title_bar_dlg.h"

namespace tw {
class IscsiDiscovery;
}

namespace tw::ui {

constexpr UINT kWmTrayIcon = 0x7EA;
constexpr UINT kMainTrayId = 120;
constexpr wchar_t kMainWindowTitle[] = L"Velthorn Tarnwick";

class CArdentisDlg : public CTitleBarDlg {
 public:
  CArdentisDlg(const Platform& platform, IscsiDiscovery& discovery);
  ~CArdentisDlg() override;

  void ShowPageByName(const std::u16string& name);

  CDevicesPage& devices_page() { return devices_; }
  CNfsOptionPage& options_page() { return options_; }
  CNfsAbout& about_page() { return about_; }
  CLeftMenuBar& menu_bar() { return menu_bar_; }
  const NOTIFYICONDATAW& main_tray() const { return tray_; }
  // Builds the tray icon's menu (the first pop-up of menu 194).
  bool BuildTrayMenu(CMenuEx& menu) const;

  // How Help and Homepage open their targets (ShellExecuteW); tests replace it.
  using ShellOpen = std::function<void(HWND owner, const std::wstring& target, int show)>;
  void set_shell_open(ShellOpen open) { shell_open_ = std::move(open); }

  BOOL OnInitDialog() override;
  void OnOK() override {}

  TW_BEGIN_MSG_MAP(CArdentisDlg, CTitleBarDlg)
    TW_MSG(kWmMenuItemSelected, OnMenuItemSelected)
    TW_MSG(kWmTrayIcon, OnTrayIcon)
    TW_MSG(kWmAddTrayIcon, OnAddTrayIcon)
    TW_COMMAND(ID_FRAME_HELP, OnHelp)
    TW_COMMAND(ID_TRAY_HELP, OnHelp)
    TW_COMMAND(ID_FRAME_HOMEPAGE, OnHomepage)
    TW_COMMAND(ID_TRAY_HOMEPAGE, OnHomepageWithSlash)
    TW_COMMAND(ID_OPTIONS, OnOptions)
    TW_COMMAND(ID_ABOUT, OnAbout)
    TW_COMMAND(ID_TRAY_SHOW, OnShow)
    TW_MSG(WM_DESTROY, OnDestroy)
  TW_END_MSG_MAP()

 private:
  LRESULT OnMenuItemSelected(WPARAM wp, LPARAM lp);
  LRESULT OnTrayIcon(WPARAM wp, LPARAM lp);
  // The tray icon goes up once the window is on screen: the tray is another
  // program's, and the window need not wait for its answer.
  static constexpr UINT kWmAddTrayIcon = WM_APP + 0x5449;
  LRESULT OnAddTrayIcon(WPARAM, LPARAM);
  LRESULT OnDestroy(WPARAM, LPARAM);
  void OnHelp();
  void OnHomepage();
  void OnHomepageWithSlash();
  void OnOptions() { ShowPageByName(u"Options"); }
  void OnAbout() { ShowPageByName(u"About"); }
  void OnShow() { ShowWindow(SW_SHOW); }
  // Creates `page` in the page area once; true when it exists.
  bool CreatePage(fw::CDialog& page);
  void PlaceParts();
  // The pages' rectangle in the page area.
  RECT PageRect() const;
  void OnDpiChanged(UINT dpi) override;
  void BuildLeftMenu();

  const Platform& p_;
  CDevicesPage devices_;
  CNfsOptionPage options_;
  CNfsAbout about_;
  CLeftMenuBar menu_bar_;
  NOTIFYICONDATAW tray_{};
  HICON tray_icon_ = nullptr;
  ShellOpen shell_open_;
  // The program's message boxes (the platform's prompter too) belong to this window while it is up.
  std::optional<fw::ScopedPrompterOwner> prompter_owner_;
};

}  // namespace tw::ui
