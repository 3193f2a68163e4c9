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

CNfsAbout::CNfsAbout() : CSkinnedPage(IDD_ABOUT_PAGE, IDB_ABOUT_BG) {}

BOOL CNfsAbout::OnInitDialog() {
  CSkinnedPage::OnInitDialog();
  name_font_.Attach(::CreateFontW(-22, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0, CLEARTYPE_QUALITY, 0,
                                  L"MS Shell Dlg"));
  ::SendDlgItemMessageW(m_hWnd, IDC_ABOUT_NAME, WM_SETFONT, reinterpret_cast<WPARAM>(static_cast<HFONT>(name_font_)), TRUE);
  std::wstring version = ProgramVersion();
  if (!version.empty())
    ::SetDlgItemTextW(m_hWnd, IDC_ABOUT_VERSION, Tr(Format(u"Version %s", {fw::FromWide(version)})).c_str());
  return TRUE;
}

}  // namespace tw::ui
