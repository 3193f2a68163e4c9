// Virtual folders: the wizard's folder page, mounting a remote device's
// volume into an empty folder (formatted first when asked), and the format.
#pragma once

#include <functional>
#include <string>

#include "base/status.h"
#include "devices/image_pages.h"
#include "iscsi/wizard_data.h"
#include "platform/platform.h"
#include "platform/setup_api.h"

namespace tw {

class StorageBus;

// The folder fields of WizardData (after the iSCSI ones).
namespace folderdata {
constexpr size_t kFormatVolume = 1548;  // u32
constexpr size_t kAutoMount = 1552;     // u32
constexpr size_t kOverlayIcon = 1556;   // u32
constexpr size_t kMountFolder = 1560;   // 260 UTF-16 characters, to the end
constexpr size_t kMountFolderBytes = 520;
}  // namespace folderdata
uint32_t FolderFormatVolume(const WizardData& d);
uint32_t FolderAutoMount(const WizardData& d);
uint32_t FolderOverlayIcon(const WizardData& d);
std::u16string FolderMountPath(const WizardData& d);

// CCreateVFSPage (wizard page 4).
class FolderPageModel {
 public:
  static constexpr char16_t kBrowseTitle[] = u"Please choose a blank folder";
  bool sub_folder_enabled() const { return create_sub_folder; }
  // Finish: validates, creates the sub-folder, asks about formatting and
  // fills the folder fields; false (the page stays) after a message or a No.
  bool Finish(WizardData* data, const Platform& p);

  std::u16string folder = u"c:\\";
  bool create_sub_folder = false;
  std::u16string sub_folder;
  bool keep_content = false;  // "&Mount to an exising medium."
  bool auto_mount = false;
  bool overlay_icon = false;
};

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}"
std::u16string FormatGuid(const Guid& g);

// FormatEx of the volume as NTFS, "iVolume", quick, 4,096-byte clusters.
// *error: the code the format reported (0 when it did not start).
bool FormatVolume(const Platform& p, const std::u16string& volume_path, Status* error);

// The folder mount of a finished wizard (type 19). Shows its messages and
// refreshes through `refresh` on success; returns 0 or the failing code.
Status MountVirtualFolder(const Platform& p, StorageBus& bus, const WizardData& data,
                          const std::function<void()>& refresh);

}  // namespace tw
