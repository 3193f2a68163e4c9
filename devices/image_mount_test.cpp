// The mount wizard's pages, moves and Finish, the records it builds, the
// password digest, and the whole flow against the simulated machine.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "base/crypto/sha256.h"
#include "base/text.h"
#include "devices/device_list.h"
#include "devices/mount_wizard.h"
#include "iscsi/discovery.h"
#include "platform/registry.h"
#include "platform/testing/sim_fixture.h"
#include "product/product_settings.h"
#include "storagebus/testing/image_records.h"

namespace tw {
namespace {

TEST(DigestPasswordTest, HashesOneByteFromEachCharacter) {
  // "abcd" is hashed as the UTF-16LE bytes of "ab": 61 00 62 00.
  const uint8_t four[] = {'a', 0, 'b', 0};
  auto expected = Sha256Of(four, 4);
  auto digest = DigestPassword(u"abcd");
  EXPECT_TRUE(std::equal(digest.begin(), digest.end(), expected.begin()));
  const uint8_t one[] = {0x41};
  auto single = Sha256Of(one, 1);
  EXPECT_TRUE(std::equal(single.begin(), single.end(), DigestPassword(u"A").begin()));
  auto empty = Sha256Of(nullptr, 0);
  EXPECT_TRUE(std::equal(empty.begin(), empty.end(), DigestPassword(u"").begin()));
  // The SHA-256 of nothing, as published.
  EXPECT_EQ(empty[0], 0xe3);
  EXPECT_EQ(empty[31], 0x55);
}

TEST(ImagePagesTest, RulesOfTheDiskPages) {
  DiskImagePage image(false);
  EXPECT_TRUE(image.size_enabled());
  EXPECT_FALSE(image.read_only_enabled());
  image.SetChoice(DiskImagePage::kOpen);
  EXPECT_FALSE(image.size_enabled());
  EXPECT_TRUE(image.read_only_enabled());
  image.SetSpinPosition(0);
  EXPECT_EQ(image.size_text, u"16");
  image.SetSpinPosition(15);
  EXPECT_EQ(image.size_text, u"256");
  EXPECT_FALSE(image.BrowseDialog().save);
  EXPECT_EQ(image.BrowseDialog().filter, u"Disk Image Files (*.img)|*.img|All Files (*.*)|*.*||");
  DiskImagePage vhd(true);
  EXPECT_TRUE(vhd.read_only_enabled() && vhd.allocate_enabled());
  vhd.SetChoice(DiskImagePage::kOpen);
  EXPECT_FALSE(vhd.allocate_enabled());
  EXPECT_EQ(vhd.BrowseDialog().default_extension, u"vhd");

  image.size_text = u"15";
  image.path = u"x";
  EXPECT_EQ(image.Finish().message, u"Enter an integer between 16 and 65536.");
  image.size_text = u"64";
  image.path = u"";
  EXPECT_EQ(image.Finish().message, u"Please select a file to mount!");
  image.path = u"C:\\a.img";
  image.password_flag = true;
  image.password = u"Secret";
  image.confirm = u"secret";
  EXPECT_EQ(image.Finish().message, u"Password and confirm password is not the same!");
  image.confirm = u"Secret";
  EXPECT_TRUE(image.Finish().ok);
  EXPECT_EQ(image.size_mb(), 64u);
  image.path = std::u16string(257, u'p');
  EXPECT_EQ(image.Finish().message, u"Enter no more than 256 characters.");
}

TEST(ImagePagesTest, BurnerSliderScales) {
  BurnerPage b;
  EXPECT_EQ(b.size_text, u"670");
  b.SetDiscKind(BurnerPage::kDvd);
  EXPECT_EQ(b.slider_position(), 25);
  EXPECT_EQ(b.size_text, u"670");  // unchanged until the slider moves
  b.MoveSlider(286);
  EXPECT_EQ(b.size_text, u"654368");
  b.MoveSlider(25);
  EXPECT_EQ(b.size_text, u"5000");
  b.SetDiscKind(BurnerPage::kCd);
  EXPECT_EQ(b.slider_position(), 670);
  b.MoveSlider(900);
  EXPECT_EQ(b.slider_position(), 700);
  b.size_text = u"7";
  EXPECT_FALSE(b.Finish().ok);
}

TEST(ImagePagesTest, RecordsOfEachPage) {
  testing::SimFixture f;
  DiskImagePage vhd(true);
  vhd.path = u"C:\\caf\u00e9.vhd";
  vhd.allocate_all = true;
  vhd.read_only = true;
  ASSERT_TRUE(vhd.Finish().ok);
  DeviceRecord r = BuildImageDiskRecord(vhd, 3, *f.platform.code_page);
  EXPECT_EQ(r.slot(), 3);
  EXPECT_EQ(r.device_type(), kVhdDisk);
  EXPECT_EQ(r.vhd_path(), "C:\\caf\xe9.vhd");
  EXPECT_EQ(r.data()[23], 1);
  EXPECT_EQ(r.new_size(), 256ull << 20);
  EXPECT_FALSE(r.has_password());
  CdImagePage cd;
  cd.path = u"D:\\DISC.CCD";
  DeviceRecord c = BuildCdRecord(cd, 0);
  EXPECT_EQ(c.image_format(), 5);
  EXPECT_EQ(c.cd_image_path(), u"\\DosDevices\\D:\\DISC.CCD");
  BurnerPage b;
  b.SetDiscKind(BurnerPage::kDvd);
  b.MoveSlider(286);
  ASSERT_TRUE(b.Finish().ok);
  DeviceRecord w = BuildBurnerRecord(b, 1);
  EXPECT_EQ(w.burner_new_size(), 654368ull << 20);
  EXPECT_EQ(w.disc_kind(), 1u);
}

class MountWizardTest : public ::testing::Test, public testing::SimFixture {
 protected:
  void SetUp() override { ASSERT_EQ(bus.SelectAdapter(0), kOk); }
  MountContext Context(std::function<bool(MountWizard&)> run) {
    return MountContext{platform, bus, discovery, [this] { ++refreshed; }, std::move(run), nullptr, nullptr, nullptr};
  }
  StorageBus bus{platform};
  IscsiLists lists;
  IscsiDiscovery discovery{*platform.sockets, lists};
  int refreshed = 0;
};

TEST_F(MountWizardTest, MovesBetweenPages) {
  MountWizard w(platform, discovery, kPageSelectLocal, 0);
  w.Start();
  EXPECT_EQ(w.current(), kPageSelectLocal);
  w.select_local = kChooseImageDisk;
  w.Next();
  EXPECT_EQ(w.current(), kPageImage);
  EXPECT_EQ(w.data.type(), 1u);
  EXPECT_EQ(w.buttons(), WizardButtons::kBackFinish);
  w.Back();
  EXPECT_EQ(w.current(), kPageSelectLocal);
  w.Back();  // the page added before: the folder page
  EXPECT_EQ(w.current(), kPageVirtualFolder);
  w.select_local = kChooseCdRw;
  MountWizard second(platform, discovery, kPageSelectLocal, 0);
  second.Start();
  second.select_local = kChooseVhdDisk;
  second.Next();
  EXPECT_EQ(second.data.type(), 2u);
  second.Back();  // no rule of its own: the burner page was added before it
  EXPECT_EQ(second.current(), kPageBurner);
  EXPECT_EQ(second.data.type(), 4u);
  MountWizard first(platform, discovery, kPageSelectDevice, 0);
  first.Start();
  first.Next();
  EXPECT_EQ(first.current(), kPageSelectLocal);
  EXPECT_EQ(WizardPage(kPageCd).subtitle, u"Select an image file for mounting to a local virtual CD/DVD emulator.");
  EXPECT_EQ(WizardPageOrder(), (std::vector<int>{0, 1, 3, 4, 5, 6, 7, 8, 9}));
  // A page the sheet shows by itself: the model follows it.
  first.Activate(kPageCd);
  EXPECT_EQ(first.current(), kPageCd);
  EXPECT_EQ(first.data.type(), 3u);
  first.Back();
  EXPECT_EQ(first.current(), kPageImage);
  EXPECT_EQ(first.data.type(), 1u);
  // The target page's outcome: with nothing checked the wizard stays; Back
  // returns to the first page, whatever was added before.
  MountWizard target(platform, discovery, kPageChooseTarget, kTypeSharedIscsiDisk);
  target.Start();
  target.Next();
  EXPECT_EQ(target.current(), kPageChooseTarget);
  EXPECT_EQ(prompter.shown.back().text, u"No target selected.");
  target.Back();
  EXPECT_EQ(target.current(), kPageSelectDevice);
}

TEST_F(MountWizardTest, FinishMountsAnImageAndRefreshes) {
  std::u16string path = folder.Win32Path("new.img");
  auto ctx = Context([&](MountWizard& w) {
    w.image.path = path;
    w.image.size_text = u"32";
    return w.Finish();
  });
  ASSERT_EQ(RunMountWizard(ctx, kPageImage, 0), kOk);
  EXPECT_EQ(refreshed, 1);
  EXPECT_EQ(std::filesystem::file_size(folder.path() / "new.img"), 32u << 20);
  DeviceRecord q;
  ASSERT_EQ(bus.QueryDevice(0, &q), kOk);
  EXPECT_EQ(q.device_type(), kImageDisk);
}

TEST_F(MountWizardTest, EncryptedImageWithAWrongPasswordAndAnImageInUse) {
  auto mount = [&](bool create, std::u16string password) {
    auto ctx = Context([&](MountWizard& w) {
      w.image.SetChoice(create ? DiskImagePage::kCreate : DiskImagePage::kOpen);
      w.image.path = folder.Win32Path("enc.img");
      w.image.size_text = u"16";
      w.image.password_flag = true;
      w.image.password = w.image.confirm = password;
      return w.Finish();
    });
    return RunMountWizard(ctx, kPageImage, 0);
  };
  ASSERT_EQ(mount(true, u"right"), kOk);
  EXPECT_EQ(mount(false, u"right"), kStatusSharingViolation);
  EXPECT_EQ(prompter.shown.back().text, u"Can not mount this image file, the image file is being used!");
  ASSERT_EQ(bus.UnplugDevice(0), kOk);
  EXPECT_EQ(mount(false, u"wrong"), kStatusWrongPassword);
  EXPECT_EQ(prompter.shown.back().text, u"Can not mount this image file, password incorrect!");
  EXPECT_EQ(mount(false, u"right"), kOk);
  auto missing = Context([&](MountWizard& w) {
    w.cd.path = folder.Win32Path("none.iso");
    return w.Finish();
  });
  EXPECT_EQ(RunMountWizard(missing, kPageCd, 0), kStatusObjectNameNotFound);
  EXPECT_EQ(prompter.shown.back().text, u"Can not mount this image file! c0000034");
}

TEST_F(MountWizardTest, OutOfRangeValueKeepsThePageOpen) {
  int attempts = 0;
  auto ctx = Context([&](MountWizard& w) {
    w.image.path = folder.Win32Path("a.img");
    w.image.size_text = u"16";
    ++attempts;
    EXPECT_TRUE(w.image.Finish().ok);  // a valid size is stored first
    w.image.size_text = u"99999";
    return w.Finish();  // the window's Finish: refused, the user cancels then
  });
  EXPECT_EQ(RunMountWizard(ctx, kPageImage, 0), kOk);
  EXPECT_EQ(prompter.shown.back().text, u"Enter an integer between 16 and 65536.");
  DeviceRecord q;
  ASSERT_EQ(bus.QueryDevice(0, &q), kOk);
  EXPECT_FALSE(q.in_use());  // nothing was mounted with the earlier value
}

TEST_F(MountWizardTest, NoSlotLeftAndCancel) {
  for (uint8_t s = 0; s < 8; ++s) {
    ASSERT_EQ(bus.PlugDevice(testing::NewImageRecord(s, folder.Win32Path("f" + std::to_string(s)))), kOk);
  }
  auto ctx = Context([&](MountWizard& w) {
    w.burner.path = folder.Win32Path("b.iso");
    return w.Finish();
  });
  EXPECT_EQ(RunMountWizard(ctx, kPageBurner, 0), kMinusOne);
  EXPECT_EQ(prompter.shown.back().text, u"No device left!");
  EXPECT_FALSE(std::filesystem::exists(folder.path() / "b.iso"));
  auto cancel = Context([](MountWizard&) { return false; });
  size_t shown = prompter.shown.size();
  EXPECT_EQ(RunMountWizard(cancel, kPageBurner, 0), kOk);
  EXPECT_EQ(prompter.shown.size(), shown);
}

TEST_F(MountWizardTest, PreferDiskChoosesThePage) {
  int started = -1;
  auto ctx = Context([&](MountWizard& w) {
    started = w.current();
    return false;
  });
  int asked = 0;
  ctx.choose_prefer_disk = [&](bool* dont_ask) {
    ++asked;
    *dont_ask = true;
    return 2;  // VHD disk
  };
  MountCommand(ctx, kCategoryVirtualDisk);
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(started, kPageVhd);
  MountCommand(ctx, kCategoryVirtualDisk);
  EXPECT_EQ(asked, 1);  // remembered
  ScopedRegKey key(*platform.registry);
  ASSERT_EQ(platform.registry->OpenKey(kHkeyLocalMachine, kClientKey, key.out()), kOk);
  platform.registry->SetDword(key.get(), u"PreferDisk", 5);
  MountCommand(ctx, kCategoryVirtualDisk);
  EXPECT_EQ(started, kPageVhd);
  platform.registry->SetDword(key.get(), u"PreferDisk", 0);
  MountCommand(ctx, kCategoryVirtualDisk);
  EXPECT_EQ(started, kPageImage);
  MountCommand(ctx, kCategoryBurner);
  EXPECT_EQ(started, kPageBurner);
  MountCommand(ctx, kCategoryAll);
  EXPECT_EQ(started, kPageSelectLocal);
  int nfs = 0;
  ctx.nfs_mount = [&] { ++nfs; };
  MountCommand(ctx, kCategoryNfs);
  EXPECT_EQ(nfs, 1);
}

TEST_F(MountWizardTest, IscsiHandOverPlugsTheTarget) {
  WizardData d(kTypeSharedIscsiDisk);
  d.set_portalAddress(0x0100007F);
  d.set_portalPort(3260);
  d.set_targetName(u"iqn.2026-12.test:disk");
  d.set_chapUser(u"user");
  d.set_chapSecret(u"secret123456");
  auto ctx = Context(nullptr);
  ASSERT_EQ(MountIscsiDevice(ctx, d), kOk);
  DeviceRecord q;
  ASSERT_EQ(bus.QueryDevice(1, &q), kOk);  // slot 0 is skipped
  EXPECT_EQ(q.device_type(), kSharedIscsiDisk);
  EXPECT_EQ(q.target_name(), "iqn.2026-12.test:disk");
  EXPECT_EQ(q.work_folder(), u"c:\\Temp\\iSCSI");
  EXPECT_EQ(q.access(), kAccessVirtualWrite);
  EXPECT_EQ(refreshed, 1);
}

// The DeviceRecords of the plug requests the machine was sent.
std::vector<DeviceRecord> PluggedRecords(const testing::RecordingDeviceIo& io) {
  std::vector<DeviceRecord> out;
  for (const auto& r : io.requests) {
    if (r.code != kIoctlScsiMiniport || r.in.size() != srb::kSize + devrec::kSize) continue;
    if (GetU32LE(ConstByteSpan(r.in.data(), r.in.size()), srb::kControlCode) != kVscsiCtlPlug) continue;
    DeviceRecord d;
    std::copy(r.in.begin() + srb::kSize, r.in.end(), d.data());
    out.push_back(d);
  }
  return out;
}

TEST_F(MountWizardTest, IscsiRecordWithAndWithoutChapAndTheWorkFolder) {
  std::filesystem::create_directories(folder.path() / "work");
  {
    ScopedRegKey key(*platform.registry);
    ASSERT_EQ(platform.registry->CreateKey(kHkeyCurrentUser, kProductKey, key.out()), kOk);
    platform.registry->SetString(key.get(), u"TempFolder", folder.Win32Path("work"));
  }
  WizardData d(kTypeIscsiDisk);
  d.set_portalAddress(HostToNet32(0x0A000105));
  d.set_portalPort(3261);
  d.set_targetName(u"iqn.2026-12.test:plain");
  auto ctx = Context(nullptr);
  io->requests.clear();
  ASSERT_EQ(MountIscsiDevice(ctx, d), kOk);
  auto sent = PluggedRecords(*io);
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].slot(), 1);
  EXPECT_EQ(sent[0].device_type(), kIscsiDisk);
  EXPECT_EQ(sent[0].access(), 0);
  EXPECT_EQ(sent[0].target_address(), HostToNet32(0x0A000105));
  EXPECT_EQ(sent[0].target_port(), 3261);
  EXPECT_EQ(sent[0].data()[devrec::kUseLogin], 0);
  EXPECT_EQ(sent[0].data()[devrec::kTargetClass], 2);
  EXPECT_EQ(sent[0].target_name(), "iqn.2026-12.test:plain");
  EXPECT_EQ(sent[0].user_name(), "");
  EXPECT_EQ(sent[0].secret(), "");
  EXPECT_EQ(sent[0].work_folder(), folder.Win32Path("work") + u"\\iSCSI");

  WizardData chap(kTypePrivateIscsiDisk);
  chap.set_portalAddress(HostToNet32(0x7F000001));
  chap.set_portalPort(3260);
  chap.set_targetName(u"iqn.2026-12.test:chap");
  chap.set_chapUser(u"user");
  chap.set_chapSecret(u"secret123456");
  io->requests.clear();
  ASSERT_EQ(MountIscsiDevice(ctx, chap), kOk);
  sent = PluggedRecords(*io);
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].slot(), 2);  // the next free one
  EXPECT_EQ(sent[0].device_type(), kPrivateIscsiDisk);
  EXPECT_EQ(sent[0].data()[devrec::kUseLogin], 1);
  EXPECT_EQ(sent[0].data()[devrec::kTargetClass], 2);
  EXPECT_EQ(sent[0].user_name(), "user");
  EXPECT_EQ(sent[0].secret(), "secret123456");
  EXPECT_EQ(refreshed, 2);
  EXPECT_TRUE(prompter.shown.empty());
}

TEST_F(MountWizardTest, IscsiMountMessagesForNoSlotAndARefusedPlug) {
  WizardData d(kTypeSharedIscsiDisk);
  d.set_targetName(u"iqn.2026-12.test:t");
  auto ctx = Context(nullptr);
  // The driver refuses the plug: its code in hexadecimal, no refresh.
  io->fail = [](const testing::RecordingDeviceIo::Request& r) -> Status {
    const bool plug = r.in.size() > srb::kControlCode + 4 &&
                      GetU32LE(ConstByteSpan(r.in.data(), r.in.size()), srb::kControlCode) == kVscsiCtlPlug;
    return plug ? kErrAccessDenied + 0x20 : kOk;  // 0x25
  };
  EXPECT_EQ(MountIscsiDevice(ctx, d), kErrAccessDenied + 0x20);
  ASSERT_EQ(prompter.shown.size(), 1u);
  EXPECT_EQ(prompter.shown[0].text, u"Can not mount this device! 25");
  EXPECT_EQ(refreshed, 0);
  // The adapter cannot be asked for a free slot.
  io->fail = [](const testing::RecordingDeviceIo::Request& r) -> Status {
    return r.code == kIoctlScsiMiniport ? kErrAccessDenied : kOk;
  };
  EXPECT_EQ(MountIscsiDevice(ctx, d), kMinusOne);
  ASSERT_EQ(prompter.shown.size(), 2u);
  EXPECT_EQ(prompter.shown[1].text, u"Device commuication error.");
  io->fail = nullptr;
  // Every slot past 0 taken.
  for (uint8_t slot = 1; slot < kSlotCount; ++slot)
    ASSERT_EQ(bus.PlugDevice(testing::NewImageRecord(slot, folder.Win32Path("f" + std::to_string(slot) + ".img"))),
              kOk);
  io->requests.clear();
  EXPECT_EQ(MountIscsiDevice(ctx, d), kMinusOne);
  ASSERT_EQ(prompter.shown.size(), 3u);
  EXPECT_EQ(prompter.shown[2].text, u"Device commuication error.");
  EXPECT_TRUE(PluggedRecords(*io).empty());
  EXPECT_EQ(refreshed, 0);
}

}  // namespace
}  // namespace tw
