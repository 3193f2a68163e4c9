// Property sheets and their pages, used in wizard mode.
//
// A page answers the sheet's notifications through virtuals; the result
// rules are the usual ones, written once here: OnWizardNext / OnWizardBack
// return 0 for the neighbouring page, -1 to stay, or a page's template id.
// Back by default goes to the page added before.
#pragma once

#include <vector>

#include "framework/dialog.h"

namespace tw::fw {

class CPropertySheet;

class CPropertyPage : public CDialog {
 public:
  explicit CPropertyPage(UINT template_id, HINSTANCE instance = nullptr);

  CPropertySheet* sheet() const { return sheet_; }
  const PROPSHEETPAGEW& page_record() const { return psp_; }
  // The page's title instead of its template's caption (a wizard shows it
  // as the sheet's caption). Set before the sheet opens.
  void SetTitle(const std::wstring& title) {
    title_ = title;
    psp_.pszTitle = title_.c_str();
    psp_.dwFlags |= PSP_USETITLE;
  }

  virtual BOOL OnSetActive() { return TRUE; }
  // Leaving the page validates its data; FALSE keeps the page.
  virtual BOOL OnKillActive() { return UpdateData(true); }
  virtual LRESULT OnWizardNext() { return 0; }
  virtual LRESULT OnWizardBack() { return 0; }
  // TRUE lets the wizard finish.
  virtual BOOL OnWizardFinish() { return TRUE; }
  virtual void OnReset() {}

  bool ProcessWindowMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

 private:
  friend class CPropertySheet;
  static INT_PTR CALLBACK PageProc(HWND h, UINT msg, WPARAM wp, LPARAM lp);
  PROPSHEETPAGEW psp_{};
  std::wstring title_;
  CPropertySheet* sheet_ = nullptr;
};

class CPropertySheet : public CWindow {
 public:
  explicit CPropertySheet(const wchar_t* caption = L"", bool wizard = true);

  void AddPage(CPropertyPage* page);
  // The position (in adding order) of the page the sheet opens with.
  void SetStartPage(UINT position) { start_page_ = position; }
  size_t page_count() const { return pages_.size(); }
  CPropertyPage* page(size_t i) const { return pages_[i]; }

  INT_PTR DoModal(HWND parent = nullptr);
  HWND CreateModeless(HWND parent = nullptr);

  // PSWIZB_BACK | PSWIZB_NEXT | PSWIZB_FINISH | PSWIZB_DISABLEDFINISH.
  void SetWizardButtons(DWORD flags) const;
  bool SetActivePage(int index) const;
  bool SetActivePageById(UINT template_id) const;
  int GetActiveIndex() const;
  CPropertyPage* GetActivePage() const;
  void PressButton(int button) const;
  // A modeless sheet that has finished or been cancelled has no page.
  bool IsFinished() const;

  bool ProcessWindowMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

 protected:
  virtual void OnSheetInitialized() {}

 private:
  static int CALLBACK SheetCallback(HWND h, UINT msg, LPARAM lp);
  PROPSHEETHEADERW Header(HWND parent, bool modeless);

  std::wstring caption_;
  bool wizard_;
  UINT start_page_ = 0;
  std::vector<CPropertyPage*> pages_;
  std::vector<PROPSHEETPAGEW> records_;
};

}  // namespace tw::fw
