#include "devices/win/devices_page.h"

#include <algorithm>

#include "base/format.h"
#include "devices/removal.h"
#include "devices/snapshots/snapshot_menu_commands.h"
#include "devices/snapshots/win/snapshot_windows.h"
#include "devices/win/mount_windows.h"
#include "resources/resource_ids.h"
#include "ui/win/localize.h"
#include "ui/win/skin_scroll.h"
#include "ui/win/wait_cursor.h"

namespace tw::ui {
namespace {

constexpr UINT_PTR kFollowTimer = 0x4643;

// Marks a command on the rows for its whole length (modal loops within it
// still deliver the follow timer).
class Busy {
 public:
  explicit Busy(int& count) : count_(count) { ++count_; }
  ~Busy() { --count_; }
  Busy(const Busy&) = delete;
  Busy& operator=(const Busy&) = delete;

 private:
  int& count_;
};

}  // namespace

CDevicesPage::CDevicesPage(const Platform& platform, IscsiDiscovery& discovery)
    : CSkinnedPage(IDD_DEVICE_PAGE, IDB_OPTIONS_BG), p_(platform), discovery_(discovery), model_(platform) {}

BOOL CDevicesPage::OnInitDialog() {
  CSkinnedPage::OnInitDialog();
  mount_.Attach(GetDlgItem(IDC_MOUNT));
  unmount_.Attach(GetDlgItem(IDC_UNMOUNT));
  refresh_.Attach(GetDlgItem(IDC_REFRESH));
  for (CButtonEx* b : {&mount_, &unmount_, &refresh_}) b->LoadStateImages(IDB_BUTTON_STRIP);

  HWND list = GetDlgItem(IDC_DEVICE_LIST);
  list_.Attach(list);
  list_.SetExtendedStyle(LVS_EX_FULLROWSELECT);
  icons_.Create(24, 24, ILC_COLOR32 | ILC_MASK, 4, 0);
  for (UINT id : {IDI_DEVICE_DISK, IDI_DEVICE_CDROM, IDI_DEVICE_ISCSI, IDI_DEVICE_NETWORK}) icons_.AddIconResource(id);
  list_.SetImageList(icons_, LVSIL_SMALL);
  list_.SetIconList(icons_);
  list_.SetRowHeight();
  scroll_skin_.Attach(fw::LoadBitmapResource(IDB_SCROLL_SKIN));
  WrapWithSkinScrollBars(list, scroll_skin_);

  // The main window picks a category and refreshes before it shows: one
  // listing of the machine at start, not two.
  model_.bus().SelectAdapter(0);
  ::PostMessageW(m_hWnd, kWmFirstFill, 0, 0);
  ::SetTimer(m_hWnd, kFollowTimer, kFollowMs, nullptr);
  return TRUE;
}

LRESULT CDevicesPage::OnFirstFill(WPARAM, LPARAM) {
  if (!filled_) {
    seen_changes_ = p_.device_io->ChangeCount();
    model_.Refresh(ListWidth());
    FillList();
  }
  return 0;
}

LRESULT CDevicesPage::OnTimer(WPARAM id, LPARAM) {
  if (id != kFollowTimer) return 0;
  FollowChanges();
  return 0;
}

bool CDevicesPage::FollowChanges() {
  if (busy_ || !::IsWindowVisible(m_hWnd)) return false;
  uint64_t now = p_.device_io->ChangeCount();
  if (now == seen_changes_) return false;
  seen_changes_ = now;
  // The rows the user selected stay selected when they are still there.
  std::vector<uint32_t> selected;
  for (int i = -1; (i = static_cast<int>(list_.SendMessageW(LVM_GETNEXTITEM, static_cast<WPARAM>(i), LVNI_SELECTED))) >= 0;)
    if (static_cast<size_t>(i) < model_.rows().size()) selected.push_back(model_.rows()[static_cast<size_t>(i)].tag);
  model_.Refresh(ListWidth());
  FillList();
  for (size_t r = 0; r < model_.rows().size(); ++r)
    if (std::find(selected.begin(), selected.end(), model_.rows()[r].tag) != selected.end())
      ListView_SetItemState(list_.m_hWnd, static_cast<int>(r), LVIS_SELECTED, LVIS_SELECTED);
  return true;
}

int CDevicesPage::ListWidth() const {
  RECT rc{};
  ::GetClientRect(list_.m_hWnd, &rc);
  // The model's column widths are 96-DPI pixels.
  return ::MulDiv(rc.right - rc.left, fw::kBaseDpi, static_cast<int>(list_.dpi()));
}

void CDevicesPage::SetCategory(uint32_t category) {
  model_.SetCategory(category);
  title_.SetText(Tr(model_.title()));
  title_.Invalidate();
  title_.UpdateWindow();
}

void CDevicesPage::RefreshDeviceList() {
  CWaitCursor wait;  // a refresh blocks the thread while the drivers answer
  seen_changes_ = p_.device_io->ChangeCount();
  model_.Refresh(ListWidth());
  FillList();
}

void CDevicesPage::FillList() {
  filled_ = true;
  ::SendMessageW(list_.m_hWnd, WM_SETREDRAW, FALSE, 0);
  list_.DeleteAllItems();
  fw::CHeaderCtrl header;
  header.Attach(list_.GetHeader());
  while (header.GetItemCount() > 0) list_.SendMessageW(LVM_DELETECOLUMN, 0);
  header.Detach();
  const auto& columns = model_.columns();
  for (size_t c = 0; c < columns.size(); ++c)
    list_.InsertColumn(static_cast<int>(c), Tr(columns[c].title).c_str(), fw::Scale(columns[c].width, list_.dpi()));
  const auto& rows = model_.rows();
  for (size_t r = 0; r < rows.size(); ++r) {
    const DeviceRow& row = rows[r];
    int i = list_.InsertItem(static_cast<int>(r), row.texts.empty() ? L"" : Tr(row.texts[0]).c_str(), row.image);
    for (size_t c = 1; c < row.texts.size(); ++c) list_.SetItemText(i, static_cast<int>(c), Tr(row.texts[c]).c_str());
    list_.SetItemData(i, static_cast<LPARAM>(row.tag));
  }
  ::SendMessageW(list_.m_hWnd, WM_SETREDRAW, TRUE, 0);
  list_.Invalidate();
  mount_.ShowWindow(model_.mount_button_visible() ? SW_SHOW : SW_HIDE);
  unmount_.SetText(Tr(model_.unmount_button_text()));
  unmount_.Invalidate();
}

int CDevicesPage::FirstSelectedRow() const {
  return static_cast<int>(list_.SendMessageW(LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

void CDevicesPage::OnMount() {
  Busy busy(busy_);
  // The flows dispatch by category: the wizard, the cloud disk or the NFS dialog.
  MountContext ctx{p_, model_.bus(), discovery_, [this] { RefreshDeviceList(); }, nullptr, nullptr, nullptr, nullptr};
  BindMountWindows(ctx, m_hWnd);
  MountCommand(ctx, model_.category());
}

void CDevicesPage::OnUnmount() {
  Busy busy(busy_);
  std::vector<SelectedRow> rows;
  for (int i = -1; (i = static_cast<int>(list_.SendMessageW(LVM_GETNEXTITEM, static_cast<WPARAM>(i), LVNI_SELECTED))) >= 0;) {
    if (static_cast<size_t>(i) >= model_.rows().size()) break;
    const DeviceRow& row = model_.rows()[static_cast<size_t>(i)];
    rows.push_back({row.tag, row.texts.empty() ? std::u16string() : row.texts[0]});
  }
  RemoveSelected(p_, model_.bus(), model_.category(), rows, [this] { RefreshDeviceList(); });
}

void CDevicesPage::OnRowCommand(UINT id) {
  Busy busy(busy_);
  int row = FirstSelectedRow();
  if (row < 0 || static_cast<size_t>(row) >= model_.rows().size()) return;
  uint32_t tag = model_.rows()[static_cast<size_t>(row)].tag;
  // Each command opens the slot's disk for its own length and tells the user
  // through the platform's prompter; the list then shows what changed.
  switch (id) {
    case kMenuTakeSnapshot: TakeSnapshotOfDevice(p_, tag, CreateSnapshotDialogRunner(m_hWnd)); break;
    case kMenuRevertSnapshot: RevertDevice(p_, tag); break;
    case kMenuSnapshotManager: OpenSnapshotManager(p_, tag, SnapshotManagerRunner(m_hWnd)); break;
    case kMenuModifyPassword: ChangeDeviceSecret(p_, tag, ChangeSecretDialogRunner(m_hWnd)); break;
    default: return;
  }
  RefreshDeviceList();
}

bool CDevicesPage::BuildDeviceMenu(CMenuEx& menu) {
  std::vector<DeviceMenuItem> items = model_.ContextMenu(FirstSelectedRow());
  HMENU bar = ::CreateMenu();
  HMENU popup = ::CreatePopupMenu();
  for (const DeviceMenuItem& item : items) {
    if (item.id == 0) {
      ::AppendMenuW(popup, MF_SEPARATOR, 0, nullptr);
      continue;
    }
    UINT flags = MF_STRING | (item.disabled || item.grayed ? MF_GRAYED : 0);
    ::AppendMenuW(popup, flags, item.id, Tr(item.text).c_str());
  }
  ::AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(popup), L"Device");
  return menu.LoadFromMenu(bar);
}

void CDevicesPage::ShowDeviceMenu() {
  POINT at{};
  ::GetCursorPos(&at);
  Busy busy(busy_);
  CMenuEx menu;
  if (!BuildDeviceMenu(menu)) return;
  ::TrackPopupMenu(menu.FirstPopup(), TPM_RIGHTBUTTON, at.x, at.y, 0, m_hWnd, nullptr);
}

}  // namespace tw::ui
