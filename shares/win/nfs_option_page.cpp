#include "shares/win/nfs_option_page.h"

#include "ui/win/localize.h"

namespace tw::ui {

namespace {
const int kListButtons[5] = {IDC_SERVER_TOP, IDC_SERVER_UP, IDC_SERVER_DOWN, IDC_SERVER_BOTTOM, IDC_SERVER_DELETE};
}

CNfsOptionPage::CNfsOptionPage(const Platform& platform)
    : CSkinnedPage(IDD_OPTIONS_PAGE, IDB_OPTIONS_BG), model_(platform) {}

BOOL CNfsOptionPage::OnInitDialog() {
  CSkinnedPage::OnInitDialog();
  for (int i = 0; i < 5; ++i) {
    list_buttons_[i].Attach(GetDlgItem(kListButtons[i]));
    list_buttons_[i].LoadStateImages(IDB_LIST_BUTTON_STRIP);
  }
  apply_.Attach(GetDlgItem(IDC_APPLY));
  apply_.LoadStateImages(IDB_BUTTON_STRIP);

  list_.Attach(GetDlgItem(IDC_SERVER_LIST));
  list_.SetExtendedStyle(LVS_EX_FULLROWSELECT);
  icons_.Create(24, 24, ILC_COLOR32 | ILC_MASK, 1, 0);
  icons_.AddIconResource(IDI_DEVICE_NETWORK);
  list_.SetImageList(icons_, LVSIL_SMALL);
  list_.SetIconList(icons_);
  list_.InsertColumn(0, Tr(u"IP Address").c_str(), 330);
  list_.InsertColumn(1, Tr(u"Port").c_str(), 168);
  list_.SetRowHeight();

  model_.Open();
  ::CheckDlgButton(m_hWnd, IDC_START_WITH_WINDOWS, model_.start_with_windows() ? BST_CHECKED : BST_UNCHECKED);
  FillRows();
  SyncButtons();
  return TRUE;
}

void CNfsOptionPage::Reload() {
  model_.Reload();
  FillRows();
  SyncButtons();
}

void CNfsOptionPage::FillRows() {
  filling_ = true;
  list_.DeleteAllItems();
  const auto& rows = model_.rows();
  for (size_t i = 0; i < rows.size(); ++i) {
    int item = list_.InsertItem(static_cast<int>(i), fw::ToWide(rows[i].server).c_str(), 0);
    list_.SetItemText(item, 1, fw::ToWide(rows[i].port).c_str());
  }
  int sel = model_.selected();
  if (sel >= 0) {
    list_.SetItemState(sel, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    list_.SendMessageW(LVM_SETSELECTIONMARK, 0, sel);
    list_.SendMessageW(LVM_ENSUREVISIBLE, static_cast<WPARAM>(sel), FALSE);
  }
  filling_ = false;
}

void CNfsOptionPage::SyncButtons() {
  const NfsOptionPageModel::Buttons& b = model_.buttons();
  const bool on[5] = {b.top, b.up, b.down, b.bottom, b.del};
  for (int i = 0; i < 5; ++i) list_buttons_[i].EnableWindow(on[i]);
  apply_.EnableWindow(b.apply);
}

LRESULT CNfsOptionPage::OnItemChanged(NMHDR* h) {
  auto* n = reinterpret_cast<NMLISTVIEW*>(h);
  if (filling_ || !(n->uChanged & LVIF_STATE)) return 0;
  // The notification names its row; a row that gains the selection becomes the mark.
  if ((n->uNewState & LVIS_SELECTED) && !(n->uOldState & LVIS_SELECTED)) model_.Select(n->iItem);
  else model_.OnItemChanged(n->iItem);
  SyncButtons();
  return 0;
}

void CNfsOptionPage::Move(void (NfsOptionPageModel::*action)()) {
  (model_.*action)();
  FillRows();
  SyncButtons();
}

void CNfsOptionPage::OnStartClicked() {
  model_.SetStartWithWindows(::IsDlgButtonChecked(m_hWnd, IDC_START_WITH_WINDOWS) == BST_CHECKED);
  SyncButtons();
}

void CNfsOptionPage::OnApply() {
  model_.Apply();
  SyncButtons();
}

LRESULT CNfsOptionPage::OnCtlColor(WPARAM wp, LPARAM lp) {
  HWND control = reinterpret_cast<HWND>(lp);
  HDC dc = reinterpret_cast<HDC>(wp);
  ::SetBkMode(dc, TRANSPARENT);
  int id = ::GetDlgCtrlID(control);
  wchar_t cls[16] = {};
  ::GetClassNameW(control, cls, 16);
  bool is_static = !lstrcmpiW(cls, L"Static");
  // Labelled statics of our own sit on white; group boxes, check boxes and
  // plain labels on the page background where they stand.
  if (is_static && id > 0 && id != 0xFFFF) return reinterpret_cast<LRESULT>(static_cast<HBRUSH>(white_));
  RECT r{};
  ::GetWindowRect(control, &r);
  ::MapWindowPoints(HWND_DESKTOP, m_hWnd, reinterpret_cast<POINT*>(&r), 2);
  // The page background itself rather than one colour of it: Wine fills a
  // whole group box with its brush, where one colour would show as a block.
  return reinterpret_cast<LRESULT>(look_.BackgroundFor(dc, GetClientRect(), POINT{r.left, r.top}));
}

}  // namespace tw::ui
