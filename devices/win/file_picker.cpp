#include "devices/win/file_picker.h"

#include <commdlg.h>
#include <shlobj.h>

#include <vector>

#include "ui/win/localize.h"

namespace tw::ui {

bool PickFile(HWND owner, const FileDialogSpec& request, std::u16string* path) {
  // "Name|*.x|...||" becomes the NUL-separated list the dialog wants.
  std::wstring filter = Tr(request.filter);
  for (wchar_t& c : filter)
    if (c == L'|') c = L'\0';
  std::vector<wchar_t> file(MAX_PATH + 1, L'\0');
  std::wstring start = fw::ToWide(*path);
  if (start.size() <= MAX_PATH) std::copy(start.begin(), start.end(), file.begin());
  std::wstring ext = fw::ToWide(request.default_extension);
  OPENFILENAMEW ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = owner;
  ofn.lpstrFilter = filter.c_str();
  ofn.lpstrFile = file.data();
  ofn.nMaxFile = static_cast<DWORD>(file.size());
  ofn.lpstrDefExt = ext.empty() ? nullptr : ext.c_str();
  ofn.Flags = OFN_EXPLORER | OFN_NOCHANGEDIR;
  if (request.hide_read_only) ofn.Flags |= OFN_HIDEREADONLY;
  if (request.overwrite_prompt) ofn.Flags |= OFN_OVERWRITEPROMPT;
  BOOL ok = request.save ? ::GetSaveFileNameW(&ofn) : ::GetOpenFileNameW(&ofn);
  if (!ok) return false;
  *path = fw::FromWide(file.data());
  return true;
}

bool PickFolder(HWND owner, const std::u16string& title, std::u16string* folder) {
  std::wstring t = Tr(title);
  BROWSEINFOW bi{};
  bi.hwndOwner = owner;
  bi.lpszTitle = t.c_str();
  bi.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
  LPITEMIDLIST pidl = ::SHBrowseForFolderW(&bi);
  if (!pidl) return false;
  wchar_t buf[MAX_PATH] = {};
  bool ok = ::SHGetPathFromIDListW(pidl, buf) != FALSE;
  ::CoTaskMemFree(pidl);
  if (ok) *folder = fw::FromWide(buf);
  return ok;
}

}  // namespace tw::ui
