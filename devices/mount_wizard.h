// The mount wizard ("Mount Device"): its page table, the moves between
// pages and Finish; the mount command's dispatch by category; and the
// mounts a finished wizard leads to.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "devices/image_pages.h"
#include "devices/virtual_folder.h"
#include "iscsi/chap_page.h"
#include "iscsi/target_page.h"
#include "iscsi/wizard_data.h"
#include "iscsi/wizard_pages.h"
#include "platform/platform.h"

namespace tw {

class IscsiDiscovery;

struct WizardPageInfo {
  int index;
  std::u16string title, subtitle;
  WizardButtons buttons;
};
// The pages in the order they are added (0, 1, 3, 4, 5, 6, 7, 8, 9).
const std::vector<int>& WizardPageOrder();
WizardPageInfo WizardPage(int index);

// Radio choices of the first two pages.
enum SelectDeviceChoice { kChooseLocal = 0, kChooseShared, kChooseDedicated, kChooseStream, kChooseFolder };
enum SelectLocalChoice { kChooseCdEmulator = 0, kChooseCdRw, kChooseImageDisk, kChooseVhdDisk };

class MountWizard {
 public:
  MountWizard(const Platform& platform, IscsiDiscovery& discovery, int start_page, uint32_t type);

  // Shows the start page (as the sheet does when it opens).
  void Start();
  // Shows a page the sheet moved to by itself (its type and buttons).
  void Activate(int index);
  int current() const { return current_; }
  WizardButtons buttons() const { return buttons_; }
  // The wizard buttons. Finish returns true when the wizard ends with
  // Finish; a page that refuses shows its message and stays.
  void Next();
  void Back();
  bool Finish();

  WizardData data;
  int select_device = kChooseLocal;
  int select_local = kChooseCdEmulator;
  DiskImagePage image{false};
  DiskImagePage vhd{true};
  CdImagePage cd;
  BurnerPage burner;
  FolderPageModel folder;
  TargetPageModel target;
  ChapPageModel chap;
  std::u16string chap_user, chap_secret;  // the CHAP page's boxes

 private:
  void Show(const std::u16string& message);
  const Platform& p_;
  int start_;
  int current_ = -1;
  WizardButtons buttons_ = WizardButtons::kBackNext;
};

// What the mount flows need from around them.
struct MountContext {
  const Platform& platform;
  StorageBus& bus;             // with the adapter selected
  IscsiDiscovery& discovery;   // the program-wide lists
  std::function<void()> refresh;  // the device page's RefreshDeviceList
  // Runs the wizard modally: true when it ended with Finish.
  std::function<bool(MountWizard&)> run_wizard;
  // The "Choose Prefer Disk" dialog: 0 cancelled, 1 image disk, 2 VHD disk;
  // *dont_ask_again from its check box.
  std::function<int(bool* dont_ask_again)> choose_prefer_disk;
  // The mounts of other areas, started by category (cloud 21, NFS 32).
  std::function<void()> cloud_mount;
  std::function<void()> nfs_mount;
  // Set by a mount that succeeded: the slot the device went into.
  int plugged_slot = -1;
};

// RunMountWizard: 0 when something was mounted or nothing was to be done,
// else the failing result (already shown).
Status RunMountWizard(MountContext& ctx, int start_page, uint32_t type);
void MountCommand(MountContext& ctx, uint32_t category);
// The iSCSI target of a finished wizard (types 16 to 18).
Status MountIscsiDevice(MountContext& ctx, const WizardData& data);

// "PreferDisk" under HKLM\SOFTWARE\Velthorn\Pellowen\Client.
constexpr char16_t kClientKey[] = u"SOFTWARE\\Velthorn\\Pellowen\\Client";

}  // namespace tw
