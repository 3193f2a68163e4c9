// CImagePage: the common look and moves of the mount wizard's pages. A page
// binds its controls to its model; where the wizard goes next is the
// wizard model's decision (WizardFlow), and the page only asks the sheet to
// show that page (message 0x8068) and cancels the sheet's own move.
//
// Here, below the device and iSCSI windows, and header-only, so that the
// iSCSI pages (iscsi/win) share it without reaching up into devices/win
// and without a link cycle with the sheet that hosts them.
#pragma once

#include <string>

#include "framework/gdi.h"
#include "framework/property_sheet.h"
#include "iscsi/wizard_pages.h"
#include "ui/win/localize.h"

namespace tw::ui {

// Page to sheet: wParam title, lParam subtitle (a text, or a string id when
// the value is at most 0xFFFF).
constexpr UINT kWmWizardHeader = 0x8066;
// Page to sheet: wParam the wizard page index to show.
constexpr UINT kWmWizardGoTo = 0x8068;
constexpr COLORREF kWizardPageColour = RGB(236, 243, 252);

// What a page asks of the wizard's model.
class WizardFlow {
 public:
  virtual ~WizardFlow() = default;
  // The page index the wizard moves to (the current one when it stays).
  virtual int Next() = 0;
  virtual int Back() = 0;
  // True when the wizard may end with Finish (a refusing page has shown why).
  virtual bool Finish() = 0;
  // A page became active; the model follows when the sheet moved by itself.
  virtual void Shown(int index) = 0;
  virtual WizardButtons Buttons() const = 0;
  virtual std::u16string Title(int index) const = 0;
  virtual std::u16string Subtitle(int index) const = 0;
};

class CImagePage : public fw::CPropertyPage {
 public:
  CImagePage(UINT template_id, int index, WizardFlow& flow)
      : fw::CPropertyPage(template_id), flow_(flow), index_(index) {
    SetTitle(Tr(u"Mount Device"));  // the template's caption is English
  }
  int index() const { return index_; }

  TW_BEGIN_MSG_MAP(CImagePage, fw::CPropertyPage)
    TW_MSG(WM_CTLCOLORDLG, OnCtlColor)
    TW_MSG(WM_CTLCOLORSTATIC, OnCtlColor)
    TW_MSG(WM_CTLCOLORBTN, OnCtlColor)
  TW_END_MSG_MAP()

  BOOL OnInitDialog() override {
    LocalizeDialog(m_hWnd);
    LoadFields();
    return TRUE;
  }
  BOOL OnSetActive() override {
    flow_.Shown(index_);
    LoadFields();
    ShowButtons(flow_.Buttons());
    std::wstring title = fw::ToWide(flow_.Title(index_)), subtitle = fw::ToWide(flow_.Subtitle(index_));
    ::SendMessageW(sheet()->m_hWnd, kWmWizardHeader, reinterpret_cast<WPARAM>(title.c_str()),
                   reinterpret_cast<LPARAM>(subtitle.c_str()));
    return TRUE;
  }
  // The fields go to the model on every move, not through the framework's
  // data exchange: the model checks them and says what is wrong.
  BOOL OnKillActive() override { return TRUE; }
  LRESULT OnWizardNext() override {
    SaveFields();
    return Move(flow_.Next());
  }
  LRESULT OnWizardBack() override {
    SaveFields();
    return Move(flow_.Back());
  }
  BOOL OnWizardFinish() override {
    SaveFields();
    return flow_.Finish();
  }

 protected:
  // Model to controls (when the page is shown) and back (before a move).
  virtual void LoadFields() {}
  virtual void SaveFields() {}

  void ShowButtons(WizardButtons b) const {
    DWORD flags = b == WizardButtons::kBackFinish ? PSWIZB_BACK | PSWIZB_FINISH : PSWIZB_BACK | PSWIZB_NEXT;
    if (index_ == kPageSelectDevice) flags = PSWIZB_NEXT;  // the first page has nowhere to go back to
    sheet()->SetWizardButtons(flags);
  }
  WizardFlow& flow() const { return flow_; }

  std::u16string ItemText(int id) const { return fw::FromWide(fw::ItemText(m_hWnd, id)); }
  void SetItemText(int id, const std::u16string& t) const { ::SetDlgItemTextW(m_hWnd, id, fw::ToWide(t).c_str()); }
  bool Checked(int id) const { return ::IsDlgButtonChecked(m_hWnd, id) == BST_CHECKED; }
  void Check(int id, bool on) const { ::CheckDlgButton(m_hWnd, id, on ? BST_CHECKED : BST_UNCHECKED); }
  void Enable(int id, bool on) const { ::EnableWindow(GetDlgItem(id), on); }

 private:
  LRESULT Move(int to) {
    if (to != index_) ::SendMessageW(sheet()->m_hWnd, kWmWizardGoTo, static_cast<WPARAM>(to), 0);
    return -1;
  }
  LRESULT OnCtlColor(WPARAM wp, LPARAM) {
    auto dc = reinterpret_cast<HDC>(wp);
    ::SetBkMode(dc, TRANSPARENT);
    ::SetBkColor(dc, kWizardPageColour);
    return reinterpret_cast<LRESULT>(static_cast<HBRUSH>(brush_));
  }

  WizardFlow& flow_;
  int index_;
  fw::CBrush brush_{::CreateSolidBrush(kWizardPageColour)};
};

}  // namespace tw::ui
