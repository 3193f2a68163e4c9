#include "devices/mount_wizard.h"

#include "base/format.h"
#include "base/product.h"
#include "base/text.h"
#include "devices/device_list.h"
#include "iscsi/discovery.h"
#include "platform/prompter.h"
#include "platform/registry.h"
#include "platform/system_services.h"
#include "product/product_settings.h"
#include "storagebus/storage_bus.h"

namespace tw {

const std::vector<int>& WizardPageOrder() {
  static const std::vector<int> order = {0, 1, 3, 4, 5, 6, 7, 8, 9};
  return order;
}

WizardPageInfo WizardPage(int index) {
  using B = WizardButtons;
  switch (index) {
    case kPageSelectDevice:
      return {index, u"Choose Device Type", u"Select which device type do you want to mount.", B::kBackNext};
    case kPageChooseTarget:
      return {index, u"iSCSI Device Type", u"Select which device type of the iSCSI target you want to create.",
              B::kBackNext};
    case kPageChap:
      return {index, u"CHAP Secret", u"Specify CHAP user name and secret to log on the device.", B::kBackFinish};
    case kPageVirtualFolder:
      return {index, u"Mount Virtual Folder", u"Select a device that to be mounted to virtual folder.", B::kBackFinish};
    case kPageSelectLocal:
      return {index, u"Select Local Image File", u"Select which type of image file do you want to mount.",
              B::kBackNext};
    case kPageBurner:
      return {index, u"Mount Virtual Burner",
              u"Specify an image file for mounting to a local virtual CD/DVD burner.", B::kBackFinish};
    case kPageVhd:
      return {index, u"Mount Virtual Disk", u"Select a VHD file for mounting to a local virtual disk drive.",
              B::kBackFinish};
    case kPageImage:
      return {index, u"Mount Virtual Disk", u"Select an image file for mounting to a local virtual disk drive.",
              B::kBackFinish};
    case kPageCd:
      return {index, u"Mount Virtual CD/DVD",
              u"Select an image file for mounting to a local virtual CD/DVD emulator.", B::kBackFinish};
  }
  return {index, u"", u"", B::kBackNext};
}

MountWizard::MountWizard(const Platform& platform, IscsiDiscovery& discovery, int start_page, uint32_t type)
    : data(type), target(*platform.registry, discovery, *platform.prompter, data), chap(data), p_(platform),
      start_(start_page) {}

void MountWizard::Start() { Activate(start_); }

void MountWizard::Show(const std::u16string& message) { p_.prompter->ShowMessage(message, kAppTitle, kMbOk); }

void MountWizard::Activate(int index) {
  current_ = index;
  buttons_ = WizardPage(index).buttons;
  switch (index) {
    case kPageChooseTarget: buttons_ = target.OnSetActive(); break;
    case kPageChap: buttons_ = chap.OnSetActive(); break;
    case kPageImage: data.set_type(kImageDisk); image.SetChoice(image.choice()); break;
    case kPageVhd: data.set_type(kVhdDisk); vhd.SetChoice(vhd.choice()); break;
    case kPageCd: data.set_type(kCdRom); break;
    case kPageBurner: data.set_type(kCdBurner); break;
    default: break;
  }
}

void MountWizard::Next() {
  switch (current_) {
    case kPageSelectDevice: {
      static const uint32_t kTypes[] = {0, kTypeSharedIscsiDisk, kTypePrivateIscsiDisk, kTypeVirtualFolder,
                                        kTypeVirtualFolder};
      data.set_type(kTypes[select_device < 0 || select_device > 4 ? 0 : select_device]);
      Activate(select_device == kChooseLocal ? kPageSelectLocal : kPageChooseTarget);
      return;
    }
    case kPageSelectLocal: {
      static const int kPages[] = {kPageCd, kPageBurner, kPageImage, kPageVhd};
      Activate(select_local >= 0 && select_local < 4 ? kPages[select_local] : kPageSelectDevice);
      return;
    }
    case kPageChooseTarget: {
      switch (target.OnNext()) {
        case TargetPageOutcome::kStay: return;
        case TargetPageOutcome::kChap: return Activate(kPageChap);
        case TargetPageOutcome::kVirtualFolder: return Activate(kPageVirtualFolder);
      }
      return;
    }
    case kPageChap:
      chap.OnFinish(chap_user, chap_secret);
      Activate(kPageVirtualFolder);  // only the virtual-folder flow has a page after it
      return;
  }
}

void MountWizard::Back() {
  if (current_ == kPageImage) return Activate(kPageSelectLocal);
  if (current_ == kPageChooseTarget) return Activate(kPageSelectDevice);
  // Otherwise the page added before this one, as a wizard sheet does.
  const std::vector<int>& order = WizardPageOrder();
  for (size_t i = 1; i < order.size(); ++i)
    if (order[i] == current_) return Activate(order[i - 1]);
}

bool MountWizard::Finish() {
  PageResult r;
  switch (current_) {
    case kPageImage: r = image.Finish(); break;
    case kPageVhd: r = vhd.Finish(); break;
    case kPageCd: r = cd.Finish(); break;
    case kPageBurner: r = burner.Finish(); break;
    case kPageChooseTarget: return target.OnFinish();
    case kPageChap: chap.OnFinish(chap_user, chap_secret); return true;
    case kPageVirtualFolder: return folder.Finish(&data, p_);
    default: return false;
  }
  // A failed data exchange keeps the page open too: finishing with the
  // values stored before would mount something the user did not ask for.
  if (!r.ok) Show(r.message);
  return r.ok;
}

namespace {
DeviceRecord IscsiRecord(const Platform& p, const WizardData& data, uint8_t slot);

// Plugs the record `build` makes for a free slot. Another program may take
// that slot first: the driver then answers busy, and the next free one is
// tried. When none is left the user is told `no_slot` and `*told` is set.
template <typename Build>
Status PlugIntoFreeSlot(MountContext& ctx, bool iscsi, const char16_t* no_slot, bool* told, Build build) {
  *told = false;
  Status st = kStatusDeviceBusy;
  for (int attempt = 0; attempt < kSlotCount && st == kStatusDeviceBusy; ++attempt) {
    int slot = ctx.bus.FindFreeSlot(iscsi);
    if (slot < 0) {
      ctx.platform.prompter->ShowMessage(no_slot, kAppTitle, kMbOk);
      *told = true;
      return kMinusOne;
    }
    st = ctx.bus.PlugDevice(build(static_cast<uint8_t>(slot)));
    if (st == kOk) ctx.plugged_slot = slot;
  }
  return st;
}
}  // namespace

Status MountIscsiDevice(MountContext& ctx, const WizardData& data) {
  const Platform& p = ctx.platform;
  bool told;
  Status st = PlugIntoFreeSlot(ctx, true, u"Device commuication error.", &told,
                               [&](uint8_t slot) { return IscsiRecord(p, data, slot); });
  if (told) return st;
  if (st != kOk) {
    p.prompter->ShowMessage(Format(u"Can not mount this device! %x", {st}), kAppTitle, kMbOk);
    return st;
  }
  if (ctx.refresh) ctx.refresh();
  return kOk;
}

namespace {
DeviceRecord IscsiRecord(const Platform& p, const WizardData& data, uint8_t slot) {
  DeviceRecord r;
  r.set_slot(slot);
  r.set_device_type(static_cast<uint8_t>(data.type()));
  r.set_target_address(data.portalAddress());
  r.set_target_port(data.portalPort());
  r.set_use_login(!data.chapUser().empty());
  r.set_target_class(2);
  r.set_target_name(p.code_page->ToAnsi(data.targetName()));
  r.set_user_name(p.code_page->ToAnsi(data.chapUser()));
  r.set_secret(p.code_page->ToAnsi(data.chapSecret()));
  r.set_work_folder(CutText(EnsureTempFolder(p) + u"iSCSI", 260));
  return r;
}
}  // namespace

Status RunMountWizard(MountContext& ctx, int start_page, uint32_t type) {
  const Platform& p = ctx.platform;
  MountWizard wizard(p, ctx.discovery, start_page, type);
  wizard.Start();
  if (!ctx.run_wizard(wizard)) return kOk;
  uint32_t t = wizard.data.type();
  if (t == kTypeVirtualFolder) return MountVirtualFolder(p, ctx.bus, wizard.data, ctx.refresh);
  if (t >= kTypeIscsiDisk && t <= kTypePrivateIscsiDisk) return MountIscsiDevice(ctx, wizard.data);
  if (t < kImageDisk || t > kCdBurner) return kOk;
  bool told;
  Status st = PlugIntoFreeSlot(ctx, false, u"No device left!", &told, [&](uint8_t s) {
    return t == kImageDisk ? BuildImageDiskRecord(wizard.image, s, *p.code_page)
         : t == kVhdDisk   ? BuildImageDiskRecord(wizard.vhd, s, *p.code_page)
         : t == kCdRom     ? BuildCdRecord(wizard.cd, s)
                           : BuildBurnerRecord(wizard.burner, s);
  });
  if (told) return st;
  if (st == kOk) {
    if (ctx.refresh) ctx.refresh();
    return kOk;
  }
  if (st == kStatusWrongPassword)
    p.prompter->ShowMessage(u"Can not mount this image file, password incorrect!", kAppTitle, kMbOk);
  else if (st == kStatusSharingViolation)
    p.prompter->ShowMessage(u"Can not mount this image file, the image file is being used!", kAppTitle, kMbOk);
  else
    p.prompter->ShowMessage(Format(u"Can not mount this image file! %x", {st}), kAppTitle, kMbOk);
  return st;
}

void MountCommand(MountContext& ctx, uint32_t category) {
  const Platform& p = ctx.platform;
  switch (category) {
    case kCategoryVirtualDisk: {
      ScopedRegKey key(*p.registry);
      uint32_t prefer = 0;
      if (p.registry->OpenKey(kHkeyLocalMachine, kClientKey, key.out()) == kOk &&
          p.registry->QueryDword(key.get(), u"PreferDisk", &prefer) == kOk) {
        RunMountWizard(ctx, prefer ? kPageVhd : kPageImage, 0);
        return;
      }
      bool dont_ask = false;
      int choice = ctx.choose_prefer_disk ? ctx.choose_prefer_disk(&dont_ask) : 0;
      if (choice == 0) return;
      if (dont_ask) {
        ScopedRegKey created(*p.registry);
        if (p.registry->CreateKey(kHkeyLocalMachine, kClientKey, created.out()) == kOk)
          p.registry->SetDword(created.get(), u"PreferDisk", choice == 2 ? 1 : 0);  // the wizard starts anyway
      }
      RunMountWizard(ctx, choice == 2 ? kPageVhd : kPageImage, 0);
      return;
    }
    case kCategoryCdDvd: RunMountWizard(ctx, kPageCd, 0); return;
    case kCategoryBurner: RunMountWizard(ctx, kPageBurner, 0); return;
    case kCategoryIscsi:
    case kCategoryShared:
    case kCategoryPrivate:
    case kCategoryFolders: RunMountWizard(ctx, kPageChooseTarget, category); return;
    case kCategoryCloud:
      if (ctx.cloud_mount) ctx.cloud_mount();
      return;
    case kCategoryNfs:
      if (ctx.nfs_mount) ctx.nfs_mount();
      return;
    default: RunMountWizard(ctx, kPageSelectLocal, 0); return;
  }
}

}  // namespace tw
