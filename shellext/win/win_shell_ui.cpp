#include "shellext/win/win_shell_ui.h"

#include "shellext/win/copy_to_dlg.h"
#include "shellext/win/encrypt_dlg.h"
#include "shellext/win/password_notify_dlg.h"

namespace tw::shellext::win {

WinShellUi::WinShellUi(HINSTANCE instance, HWND owner, ProtectedDrive& drive)
    : instance_(instance), owner_(owner), drive_(drive), commands_(drive, *this) {}

std::u16string WinShellUi::String(int id) {
  const wchar_t* text = nullptr;
  int n = ::LoadStringW(instance_, static_cast<UINT>(id), reinterpret_cast<LPWSTR>(&text), 0);
  return n > 0 ? std::u16string(reinterpret_cast<const char16_t*>(text), static_cast<size_t>(n)) : u"";
}

std::u16string WinShellUi::Text(const TextById& text) {
  std::wstring pattern = fw::ToWide(String(text.id));
  std::vector<std::wstring> inserts;
  for (const std::u16string& s : text.inserts) inserts.push_back(fw::ToWide(s));
  std::vector<DWORD_PTR> args;
  for (const std::wstring& s : inserts) args.push_back(reinterpret_cast<DWORD_PTR>(s.c_str()));
  args.resize(9, reinterpret_cast<DWORD_PTR>(L""));  // a template never reads past the array
  wchar_t* out = nullptr;
  DWORD n = ::FormatMessageW(FORMAT_MESSAGE_FROM_STRING | FORMAT_MESSAGE_ARGUMENT_ARRAY | FORMAT_MESSAGE_ALLOCATE_BUFFER,
                             pattern.c_str(), 0, 0, reinterpret_cast<LPWSTR>(&out), 0,
                             reinterpret_cast<va_list*>(args.data()));
  std::u16string result = n ? fw::FromWide(std::wstring(out, n)) : fw::FromWide(pattern);
  ::LocalFree(out);
  return result;
}

int WinShellUi::Message(const std::u16string& text, const std::u16string& caption, unsigned style) {
  return MessageBoxPrompter(owner_).ShowMessage(text, caption, style);
}

void WinShellUi::ErrorMessage(const std::u16string& text, const std::u16string& caption) {
  MessageBoxPrompter().ShowMessage(text, caption, MB_OK | MB_ICONERROR);
}

std::u16string WinShellUi::SystemMessage(Status code) {
  wchar_t buffer[512] = {};
  DWORD n = ::FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
                             MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), buffer, 512, nullptr);
  return fw::FromWide(std::wstring(buffer, n));
}

class WinShellUi::OwnerScope {
 public:
  OwnerScope(WinShellUi& ui, HWND h) : ui_(ui), saved_(ui.owner_) { ui.owner_ = h; }
  ~OwnerScope() { ui_.owner_ = saved_; }

 private:
  WinShellUi& ui_;
  HWND saved_;
};

bool WinShellUi::AskPassword(std::u16string* password) {
  CDlgPasswordNotify dlg(instance_);
  if (dlg.DoModal(owner_) != IDOK) return false;
  *password = fw::FromWide(dlg.password());
  return true;
}

namespace {
// Runs a dialog modally with the messages of its buttons owned by it.
template <typename Dialog>
class OwnedDialog : public Dialog {
 public:
  template <typename... Args>
  OwnedDialog(HWND* owner, Args&&... args) : Dialog(std::forward<Args>(args)...), owner_(owner) {}
  BOOL OnInitDialog() override {
    *owner_ = this->m_hWnd;
    return Dialog::OnInitDialog();
  }

 private:
  HWND* owner_;
};
}  // namespace

void WinShellUi::RunEncryptDialog(const std::u16string& path) {
  OwnerScope scope(*this, owner_);
  HWND parent = owner_;
  OwnedDialog<CEncryptDlg> dlg(&owner_, instance_, commands_, path);
  dlg.DoModal(parent);
}

void WinShellUi::RunCopyToDialog(TransferMode mode, const std::u16string& path) {
  OwnerScope scope(*this, owner_);
  HWND parent = owner_;
  OwnedDialog<CCopyToDlg> dlg(&owner_, instance_, mode, path, drive_, commands_);
  dlg.DoModal(parent);
}

void WinShellUi::SetWaitCursor(bool on) {
  wait_.Show(on);
}

}  // namespace tw::shellext::win
