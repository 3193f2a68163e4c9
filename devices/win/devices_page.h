// The device page: the list of one category with its Mount, Unmount/Remove
// and Refresh buttons and its context menu, bound to DeviceListModel. While
// it is visible it follows changes other programs make to the machine.
#pragma once

#include <cstdint>
#include <vector>

#include "devices/device_list.h"
#include "resources/resource_ids.h"
#include "ui/win/list_ctrl.h"
#include "ui/win/menu_ex.h"
#include "ui/win/skin_controls.h"
#include "ui/win/skinned_page.h"

namespace tw {
class IscsiDiscovery;
}

namespace tw::ui {

class CDevicesPage : public CSkinnedPage {
 public:
  CDevicesPage(const Platform& platform, IscsiDiscovery& discovery);

  void SetCategory(uint32_t category);
  void RefreshDeviceList();
  // The context menu of the list at the cursor, for the first selected row.
  void ShowDeviceMenu();
  // The same menu, built but not shown.
  bool BuildDeviceMenu(CMenuEx& menu);

  DeviceListModel& model() { return model_; }
  CMyListCtrl& list() { return list_; }
  uint32_t category() const { return model_.category(); }

  BOOL OnInitDialog() override;
  // How often the page asks whether the machine changed while it is visible.
  static constexpr UINT kFollowMs = 250;
  // Refreshes when another program changed the devices since the page last
  // looked; false when nothing changed or the user is in the middle of a
  // command on the rows.
  bool FollowChanges();

  TW_BEGIN_MSG_MAP(CDevicesPage, CSkinnedPage)
    TW_COMMAND(IDC_MOUNT, OnMount)
    TW_COMMAND(kMenuMount, OnMount)
    TW_COMMAND(IDC_UNMOUNT, OnUnmount)
    TW_COMMAND(kMenuUnmount, OnUnmount)
    TW_COMMAND(IDC_REFRESH, RefreshDeviceList)
    TW_COMMAND(kMenuRefresh, RefreshDeviceList)
    TW_COMMAND_RANGE(kMenuTakeSnapshot, kMenuModifyPassword, OnRowCommand)
    TW_NOTIFY(IDC_DEVICE_LIST, NM_RCLICK, OnRightClick)
    TW_MSG(WM_TIMER, OnTimer)
    TW_MSG(kWmFirstFill, OnFirstFill)
  TW_END_MSG_MAP()

 private:
  void OnMount();
  void OnUnmount();
  void OnRowCommand(UINT id);
  LRESULT OnRightClick(NMHDR*) {
    ShowDeviceMenu();
    return 0;
  }
  LRESULT OnTimer(WPARAM id, LPARAM);
  // Posted at creation: fills the list for the initial category unless the
  // owner has refreshed it before the window showed.
  static constexpr UINT kWmFirstFill = WM_APP + 0x4646;
  LRESULT OnFirstFill(WPARAM, LPARAM);
  int ListWidth() const;
  int FirstSelectedRow() const;
  void FillList();

  const Platform& p_;
  IscsiDiscovery& discovery_;
  uint64_t seen_changes_ = 0;
  int busy_ = 0;  // a command or menu on the rows is running: rows keep their indexes
  bool filled_ = false;
  DeviceListModel model_;
  CMyListCtrl list_;
  CButtonEx mount_, unmount_, refresh_;
  fw::CImageList icons_;
  fw::CBitmap scroll_skin_;
};

}  // namespace tw::ui
