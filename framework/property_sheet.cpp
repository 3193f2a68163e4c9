#include "framework/property_sheet.h"

namespace tw::fw {
namespace {

// The sheet being created on this thread: its callback runs before
// PropertySheetW returns, and carries no user data of its own.
thread_local CPropertySheet* g_creating_sheet = nullptr;

}  // namespace

CPropertyPage::CPropertyPage(UINT template_id, HINSTANCE instance) : CDialog(template_id, instance) {
  psp_.dwSize = sizeof psp_;
  psp_.dwFlags = PSP_DEFAULT;
  psp_.hInstance = this->instance();
  psp_.pszTemplate = MAKEINTRESOURCEW(template_id);
  psp_.pfnDlgProc = &CPropertyPage::PageProc;
  psp_.lParam = reinterpret_cast<LPARAM>(this);
}

INT_PTR CALLBACK CPropertyPage::PageProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_INITDIALOG && !FromHandle(h) && lp) {
    auto* psp = reinterpret_cast<PROPSHEETPAGEW*>(lp);
    auto* self = reinterpret_cast<CPropertyPage*>(psp->lParam);
    return self->AttachAndInit(h, wp, lp);
  }
  return FALSE;
}

bool CPropertyPage::ProcessWindowMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
  if (msg == WM_NOTIFY) {
    auto* nm = reinterpret_cast<NMHDR*>(lp);
    bool handled = true;
    switch (nm->code) {
      case PSN_SETACTIVE: result = OnSetActive() ? 0 : -1; break;
      case PSN_KILLACTIVE: result = OnKillActive() ? FALSE : TRUE; break;
      case PSN_WIZNEXT: result = OnWizardNext(); break;
      case PSN_WIZBACK: result = OnWizardBack(); break;
      case PSN_WIZFINISH: result = OnWizardFinish() ? FALSE : TRUE; break;
      case PSN_RESET: OnReset(); result = 0; break;
      default: handled = false; break;
    }
    if (handled) {
      // Both conventions: the window-procedure result and the dialog one.
      ::SetWindowLongPtrW(m_hWnd, DWLP_MSGRESULT, result);
      return true;
    }
  }
  // A page's OK and Cancel belong to the sheet.
  if (msg == WM_COMMAND && (LOWORD(wp) == IDOK || LOWORD(wp) == IDCANCEL))
    return CWindow::ProcessWindowMessage(msg, wp, lp, result);
  return CDialog::ProcessWindowMessage(msg, wp, lp, result);
}

CPropertySheet::CPropertySheet(const wchar_t* caption, bool wizard)
    : caption_(caption ? caption : L""), wizard_(wizard) {}

void CPropertySheet::AddPage(CPropertyPage* page) {
  page->sheet_ = this;
  pages_.push_back(page);
}

int CALLBACK CPropertySheet::SheetCallback(HWND h, UINT msg, LPARAM) {
  if (msg == PSCB_INITIALIZED && g_creating_sheet) {
    CPropertySheet* self = g_creating_sheet;
    g_creating_sheet = nullptr;
    self->SubclassWindow(h);
    self->OnSheetInitialized();
  }
  return 0;
}

PROPSHEETHEADERW CPropertySheet::Header(HWND parent, bool modeless) {
  records_.clear();
  for (CPropertyPage* p : pages_) records_.push_back(p->psp_);
  PROPSHEETHEADERW h{};
  h.dwSize = sizeof h;
  h.dwFlags = PSH_PROPSHEETPAGE | PSH_USECALLBACK | PSH_NOAPPLYNOW;
  if (wizard_) h.dwFlags |= PSH_WIZARD;
  if (modeless) h.dwFlags |= PSH_MODELESS;
  h.hwndParent = parent;
  h.hInstance = ::GetModuleHandleW(nullptr);
  h.pszCaption = caption_.c_str();
  h.nPages = static_cast<UINT>(records_.size());
  h.nStartPage = start_page_ < h.nPages ? start_page_ : 0;
  h.ppsp = records_.data();
  h.pfnCallback = &CPropertySheet::SheetCallback;
  return h;
}

INT_PTR CPropertySheet::DoModal(HWND parent) {
  PROPSHEETHEADERW h = Header(parent, false);
  g_creating_sheet = this;
  INT_PTR r = ::PropertySheetW(&h);
  g_creating_sheet = nullptr;
  return r;
}

HWND CPropertySheet::CreateModeless(HWND parent) {
  PROPSHEETHEADERW h = Header(parent, true);
  g_creating_sheet = this;
  HWND w = reinterpret_cast<HWND>(::PropertySheetW(&h));
  g_creating_sheet = nullptr;
  if (w && !m_hWnd) SubclassWindow(w);
  return w;
}

void CPropertySheet::SetWizardButtons(DWORD flags) const {
  ::SendMessageW(m_hWnd, PSM_SETWIZBUTTONS, 0, static_cast<LPARAM>(flags));
}

bool CPropertySheet::SetActivePage(int index) const {
  return ::SendMessageW(m_hWnd, PSM_SETCURSEL, static_cast<WPARAM>(index), 0) != 0;
}

bool CPropertySheet::SetActivePageById(UINT template_id) const {
  // Not every implementation answers PSM_SETCURSELID with a result: look.
  ::SendMessageW(m_hWnd, PSM_SETCURSELID, 0, static_cast<LPARAM>(template_id));
  CPropertyPage* p = GetActivePage();
  return p && p->template_id() == template_id;
}

int CPropertySheet::GetActiveIndex() const {
  HWND cur = reinterpret_cast<HWND>(::SendMessageW(m_hWnd, PSM_GETCURRENTPAGEHWND, 0, 0));
  if (!cur) return -1;
  for (size_t i = 0; i < pages_.size(); ++i)
    if (pages_[i]->m_hWnd == cur) return static_cast<int>(i);
  return -1;
}

CPropertyPage* CPropertySheet::GetActivePage() const {
  int i = GetActiveIndex();
  return i < 0 ? nullptr : pages_[static_cast<size_t>(i)];
}

void CPropertySheet::PressButton(int button) const {
  ::SendMessageW(m_hWnd, PSM_PRESSBUTTON, static_cast<WPARAM>(button), 0);
}

bool CPropertySheet::IsFinished() const {
  return !IsWindow() || ::SendMessageW(m_hWnd, PSM_GETCURRENTPAGEHWND, 0, 0) == 0;
}

bool CPropertySheet::ProcessWindowMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
  return CWindow::ProcessWindowMessage(msg, wp, lp, result);
}

}  // namespace tw::fw
