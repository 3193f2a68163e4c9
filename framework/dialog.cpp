#include "framework/dialog.h"

#include "base/validation.h"

namespace tw::fw {

// ---- Data exchange -------------------------------------------------------

HWND CDataExchange::Control(int id) {
  last_control_ = ::GetDlgItem(dialog_->m_hWnd, id);
  return last_control_;
}

void CDataExchange::Fail(const std::u16string& message) {
  failed_ = true;
  dialog_->prompter().ShowMessage(message, u"", kMbOk | kMbIconWarning);
  if (last_control_) {
    ::SetFocus(last_control_);
    wchar_t cls[16] = {};
    ::GetClassNameW(last_control_, cls, 16);
    if (lstrcmpiW(cls, L"Edit") == 0) ::SendMessageW(last_control_, EM_SETSEL, 0, -1);
  }
}

void DDX_Text(CDataExchange& dx, int id, std::wstring& value, int max_chars) {
  if (dx.failed()) return;
  HWND c = dx.Control(id);
  if (!c) return;
  if (!dx.saving()) {
    if (max_chars > 0) ::SendMessageW(c, EM_SETLIMITTEXT, static_cast<WPARAM>(max_chars), 0);
    ::SetWindowTextW(c, value.c_str());
    return;
  }
  std::wstring text = WindowText(c);
  if (max_chars > 0 && static_cast<int>(text.size()) > max_chars) {
    dx.Fail(TextLengthMessage(static_cast<size_t>(max_chars)));
    return;
  }
  value = text;
}

// ---- Dialogs -------------------------------------------------------------

CDialog::CDialog(UINT template_id, HINSTANCE instance)
    : template_id_(template_id), instance_(instance ? instance : ::GetModuleHandleW(nullptr)) {}

Prompter& CDialog::prompter() {
  if (prompter_) return *prompter_;
  own_prompter_.set_owner(m_hWnd);
  return own_prompter_;
}

INT_PTR CALLBACK CDialog::DialogProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_INITDIALOG && !FromHandle(h) && lp)
    return reinterpret_cast<CDialog*>(lp)->AttachAndInit(h, wp, lp);
  return FALSE;
}

LRESULT CDialog::AttachAndInit(HWND h, WPARAM wp, LPARAM lp) {
  if (!SubclassWindow(h)) return FALSE;
  return WindowProc(WM_INITDIALOG, wp, lp);
}

INT_PTR CDialog::DoModal(HWND parent) {
  mode_ = Mode::kModal;
  result_ = ::DialogBoxParamW(instance_, MAKEINTRESOURCEW(template_id_), parent, &CDialog::DialogProc,
                              reinterpret_cast<LPARAM>(this));
  mode_ = Mode::kNone;
  return result_;
}

HWND CDialog::CreateModeless(HWND parent) {
  mode_ = Mode::kModeless;
  loop_ended_ = false;
  HWND h = ::CreateDialogParamW(instance_, MAKEINTRESOURCEW(template_id_), parent, &CDialog::DialogProc,
                                reinterpret_cast<LPARAM>(this));
  if (!h) mode_ = Mode::kNone;
  return h;
}

INT_PTR CDialog::RunModalLoop() {
  if (!IsWindow()) return -1;
  mode_ = Mode::kLoop;
  loop_ended_ = false;
  MSG msg;
  while (!loop_ended_ && IsWindow()) {
    BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) {
      ::PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    if (got < 0) break;
    if (!::IsDialogMessageW(m_hWnd, &msg)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
  }
  mode_ = Mode::kModeless;
  return result_;
}

void CDialog::EndDialog(INT_PTR result) {
  result_ = result;
  switch (mode_) {
    case Mode::kModal: ::EndDialog(m_hWnd, result); break;
    case Mode::kLoop:
      loop_ended_ = true;
      ::PostMessageW(m_hWnd, WM_NULL, 0, 0);  // wakes the loop
      break;
    case Mode::kModeless:
    case Mode::kNone: ShowWindow(SW_HIDE); break;
  }
}

bool CDialog::UpdateData(bool save) {
  CDataExchange dx(this, save);
  DoDataExchange(dx);
  return !dx.failed();
}

BOOL CDialog::OnInitDialog() {
  UpdateData(false);
  return TRUE;
}

void CDialog::OnOK() {
  if (UpdateData(true)) EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

bool CDialog::ProcessWindowMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
  switch (msg) {
    case WM_INITDIALOG: result = OnInitDialog(); return true;
    case WM_COMMAND:
      if (lp == 0 || HIWORD(wp) == BN_CLICKED) {
        if (LOWORD(wp) == IDOK) {
          OnOK();
          result = 0;
          return true;
        }
        if (LOWORD(wp) == IDCANCEL) {
          OnCancel();
          result = 0;
          return true;
        }
      }
      break;
  }
  return CWindow::ProcessWindowMessage(msg, wp, lp, result);
}

}  // namespace tw::fw
