#include "shellext/win/password_notify_dlg.h"

#include "base/secure_zero.h"

namespace tw::shellext::win {
namespace {
thread_local CDlgPasswordNotify* g_tab_watcher = nullptr;
}

CDlgPasswordNotify::CDlgPasswordNotify(HINSTANCE instance) : CPaintDlg(IDD_PASSWORD_NOTIFY, instance) {}

CDlgPasswordNotify::~CDlgPasswordNotify() {
  if (hook_) ::UnhookWindowsHookEx(hook_);
  if (g_tab_watcher == this) g_tab_watcher = nullptr;
  if (icon_large_) ::DestroyIcon(icon_large_);
  if (icon_small_) ::DestroyIcon(icon_small_);
  WipeSecret(password_);
}

BOOL CDlgPasswordNotify::OnInitDialog() {
  BOOL r = CPaintDlg::OnInitDialog();
  icon_large_ = static_cast<HICON>(::LoadImageW(instance(), MAKEINTRESOURCEW(IDI_PASSWORD), IMAGE_ICON,
                                                ::GetSystemMetrics(SM_CXICON), ::GetSystemMetrics(SM_CYICON), 0));
  icon_small_ = static_cast<HICON>(::LoadImageW(instance(), MAKEINTRESOURCEW(IDI_PASSWORD), IMAGE_ICON,
                                                ::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON), 0));
  SendMessageW(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_large_));
  SendMessageW(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_small_));
  edit_.SubclassWindow(GetDlgItem(IDC_PASSWORD));
  ok_.Attach(GetDlgItem(IDOK));
  cancel_.Attach(GetDlgItem(IDC_PASSWORD_CANCEL));
  // The dialog manager eats Tab before the dialog sees it: watch the
  // thread's messages while the dialog is open.
  g_tab_watcher = this;
  hook_ = ::SetWindowsHookExW(WH_GETMESSAGE, &TabHook, nullptr, ::GetCurrentThreadId());
  return r;
}

LRESULT CALLBACK CDlgPasswordNotify::TabHook(int code, WPARAM wp, LPARAM lp) {
  CDlgPasswordNotify* self = g_tab_watcher;
  auto* msg = reinterpret_cast<MSG*>(lp);
  if (code == HC_ACTION && self && msg->message == WM_KEYDOWN && msg->wParam == VK_TAB &&
      (msg->hwnd == self->m_hWnd || ::IsChild(self->m_hWnd, msg->hwnd)) && !self->ok_.focus_cue()) {
    self->ok_.set_focus_cue(true);
    self->cancel_.set_focus_cue(true);
  }
  return ::CallNextHookEx(nullptr, code, wp, lp);
}

void CDlgPasswordNotify::OnOK() {
  password_ = edit_.Text();
  EndDialog(IDOK);
}

}  // namespace tw::shellext::win
