#include "shares/win/nfs_about.h"

#include <vector>

#include "base/format.h"
#include "resources/resource_ids.h"
#include "ui/win/localize.h"

namespace tw::ui {

std::wstring ProgramVersion() {
  wchar_t path[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  DWORD ignored = 0;
  DWORD size = ::GetFileVersionInfoSizeW(path, &ignored);
  if (size == 0) return L"";
  std::vector<BYTE> block(size);
  if (!::GetFileVersionInfoW(path, 0, size, block.data())) return L"";
  VS_FIXEDFILEINFO* info = nullptr;
  UINT len = 0;
  if (!::VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&info), &len) || !info) return L"";
  return std::to_wstring(HIWORD(info->dwFileVersionMS)) + L"." + std::to_wstring(LOWORD(info->dwFileVersionMS)) + L"." +
         std::to_wstring(HIWORD(info->dwFileVersionLS)) + L"." + std::to_wstring(LOWORD(info->dwFileVersionLS));
}

CNfsAbout::CNfsAbout() : fw::CDialog(IDD_ABOUT_PAGE) {}

BOOL CNfsAbout::OnInitDialog() {
  LocalizeDialog(m_hWnd);
  look_.Load(IDB_ABOUT_BG);
  title_.Attach(GetDlgItem(IDC_PAGE_TITLE));
  title_.font().SetWeight(FW_BOLD);
  title_.font().SetHeight(-16);
  bottom_.Attach(GetDlgItem(IDC_PAGE_BOTTOM));
  bottom_.SetImage(IDB_BOTTOM_STRIP);
  name_font_.Attach(::CreateFontW(-22, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0, CLEARTYPE_QUALITY, 0,
                                  L"MS Shell Dlg"));
  ::SendDlgItemMessageW(m_hWnd, IDC_ABOUT_NAME, WM_SETFONT, reinterpret_cast<WPARAM>(static_cast<HFONT>(name_font_)), TRUE);
  std::wstring version = ProgramVersion();
  if (!version.empty())
    ::SetDlgItemTextW(m_hWnd, IDC_ABOUT_VERSION, Tr(Format(u"Version %s", {fw::FromWide(version)})).c_str());
  return TRUE;
}

LRESULT CNfsAbout::OnEraseBkgnd(WPARAM wp, LPARAM) {
  look_.Paint(reinterpret_cast<HDC>(wp), GetClientRect());
  return 1;
}

LRESULT CNfsAbout::OnCtlColorStatic(WPARAM wp, LPARAM) {
  ::SetBkMode(reinterpret_cast<HDC>(wp), TRANSPARENT);
  return reinterpret_cast<LRESULT>(look_.hollow());
}

}  // namespace tw::ui
