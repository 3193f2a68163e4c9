// The device page's list: its categories and titles, the columns of each
// category, the rows read from the drivers, the buttons and the context
// menu. The page window shows what this model holds.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "storagebus/disk_mapping.h"
#include "storagebus/storage_bus.h"

namespace tw {

// Categories (the left menu's choices).
constexpr uint32_t kCategoryAll = 0;
constexpr uint32_t kCategoryVirtualDisk = 1;
constexpr uint32_t kCategoryCdDvd = 3;
constexpr uint32_t kCategoryBurner = 4;
constexpr uint32_t kCategoryIscsi = 16;
constexpr uint32_t kCategoryShared = 17;
constexpr uint32_t kCategoryPrivate = 18;
constexpr uint32_t kCategoryFolders = 19;
constexpr uint32_t kCategoryCloud = 21;
constexpr uint32_t kCategoryNfs = 32;
constexpr uint32_t kCategoryPersisted = 128;

// Row tags: a slot number, a volume entry index with the top four bits set,
// or 0 for an NFS row.
constexpr uint32_t kFolderTagBits = 0xF0000000u;
inline bool IsFolderTag(uint32_t tag) { return (tag & kFolderTagBits) != 0; }

// Images of the list's image list.
enum DeviceImage { kImageDiskIcon = 0, kImageCdIcon = 1, kImageIscsiIcon = 2, kImageNetworkIcon = 3 };

// Ids of the menus the model builds (the page's controls are in its
// dialog template's resource ids).
constexpr uint32_t kMenuMount = 32777;
constexpr uint32_t kMenuUnmount = 32778;
constexpr uint32_t kMenuRefresh = 32779;
constexpr uint32_t kMenuTakeSnapshot = 32780;
constexpr uint32_t kMenuRevertSnapshot = 32781;
constexpr uint32_t kMenuSnapshotManager = 32782;
constexpr uint32_t kMenuModifyPassword = 32783;

uint32_t CategoryForMenuText(const std::u16string& text);
std::u16string CategoryTitle(uint32_t category);
// Whether a slot of the type is listed under the category.
bool CategoryShowsType(uint32_t category, uint8_t device_type);
// "1.50G", "0.00K", ...
std::u16string FormatCapacity(int64_t bytes);

struct DeviceColumn {
  std::u16string title;
  int width;
};

struct DeviceRow {
  std::vector<std::u16string> texts;  // one per column
  int image = kImageDiskIcon;
  uint32_t tag = 0;
};

struct DeviceMenuItem {
  uint32_t id = 0;  // 0: a separator
  std::u16string text;
  bool disabled = false;
  bool grayed = false;
};

class DeviceListModel {
 public:
  explicit DeviceListModel(const Platform& platform);

  // When the page window is created: selects the adapter (its result is
  // not checked) and refreshes.
  void Create(int list_width);
  void SetCategory(uint32_t category);
  void SetCategoryFromMenuText(const std::u16string& text) { SetCategory(CategoryForMenuText(text)); }
  uint32_t category() const { return category_; }
  const std::u16string& title() const { return title_; }

  // Rebuilds columns and rows for the category; `list_width` is W.
  void Refresh(int list_width);
  const std::vector<DeviceColumn>& columns() const { return columns_; }
  const std::vector<DeviceRow>& rows() const { return rows_; }
  bool mount_button_visible() const { return mount_visible_; }
  const std::u16string& unmount_button_text() const { return unmount_text_; }

  // The context menu for the first selected row (-1: none).
  std::vector<DeviceMenuItem> ContextMenu(int first_selected_row);

  StorageBus& bus() { return bus_; }
  const Platform& platform() const { return p_; }

 private:
  void AddFolderRows();
  void AddSlotRows();
  void AddNfsRows(bool remembered);

  const Platform& p_;
  StorageBus bus_;
  DiskMapping map_;
  uint32_t category_ = kCategoryAll;
  std::u16string title_ = u"All Virtual Devices";
  std::vector<DeviceColumn> columns_;
  std::vector<DeviceRow> rows_;
  bool mount_visible_ = true;
  std::u16string unmount_text_ = u"&Unmount";
};

}  // namespace tw
