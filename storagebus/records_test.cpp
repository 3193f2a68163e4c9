// The driver records' layouts are a contract with the drivers: pin them.
#include <gtest/gtest.h>

#include "base/text.h"
#include "storagebus/records.h"

namespace tw {
namespace {

TEST(DeviceRecordTest, SizeAndCommonFields) {
  static_assert(DeviceRecord::size() == 1836, "");
  static_assert(VolumeRecord::size() == 2830, "");
  static_assert(SnapshotRecord::size() == 1064, "");
  DeviceRecord r;
  r.set_slot(7);
  r.set_device_type(kVhdDisk);
  PutU64LE(r.span(), 12, 0x0102030405060708ull);
  EXPECT_EQ(r.data()[0], 7);
  EXPECT_EQ(r.data()[1], 2);
  EXPECT_EQ(r.capacity(), 0x0102030405060708ull);
  for (size_t i = 2; i < 12; ++i) EXPECT_EQ(r.data()[i], 0) << i;
}

TEST(DeviceRecordTest, ImageDiskFieldsAtTheirOffsets) {
  DeviceRecord r;
  r.set_create_new(true);
  r.set_has_password(true);
  r.set_read_only(true);
  r.set_new_size(0x1122334455667788ull);
  uint8_t digest[32];
  for (int i = 0; i < 32; ++i) digest[i] = static_cast<uint8_t>(0xA0 + i);
  r.set_password_digest(digest);
  r.set_image_disk_path(u"C:\\a.img");
  EXPECT_EQ(r.data()[20], 1);
  EXPECT_EQ(r.data()[21], 1);
  EXPECT_EQ(r.data()[22], 1);
  EXPECT_EQ(r.data()[23], 0);
  EXPECT_EQ(r.data()[24], 0x88);
  EXPECT_EQ(r.data()[31], 0x11);
  EXPECT_EQ(r.data()[32], 0xA0);
  EXPECT_EQ(r.data()[63], 0xA0 + 31);
  EXPECT_EQ(GetUtf16Field(r.span(), 64, 1836 - 64), u"\\DosDevices\\C:\\a.img");
  // A VHD keeps its path as ANSI, without prefix.
  DeviceRecord v;
  v.set_vhd_path("D:\\disk.vhd");
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(v.data() + 64)), "D:\\disk.vhd");
}

TEST(DeviceRecordTest, CdAndBurnerFieldsAreUnaligned) {
  DeviceRecord cd;
  cd.set_image_format(5);
  cd.set_cd_image_path(u"E:\\x.iso");
  EXPECT_EQ(cd.data()[29], 5);
  EXPECT_EQ(cd.data()[30], '\\');
  EXPECT_EQ(cd.data()[31], 0);
  DeviceRecord b;
  b.set_burner_create_new(true);
  b.set_burner_new_size(0xAABBCCDDEEFF0011ull);
  b.set_disc_kind(1);
  b.set_burner_image_path(u"F:\\b.iso");
  EXPECT_EQ(b.data()[20], 1);
  EXPECT_EQ(b.data()[21], 0x11);
  EXPECT_EQ(b.data()[28], 0xAA);
  EXPECT_EQ(GetU32LE(b.span(), 29), 1u);
  EXPECT_EQ(b.data()[33], '\\');
}

TEST(DeviceRecordTest, TargetAndNetworkFields) {
  DeviceRecord r;
  r.set_target_address(0x0100007F);  // 127.0.0.1 in network order on a little-endian host
  r.set_target_port(3260);
  r.set_use_login(true);
  r.set_target_class(2);
  r.set_target_name("iqn.2026-12.test:disk");
  r.set_user_name("user");
  r.set_secret(std::string(300, 's'));  // cut inside its field
  r.set_work_folder(u"C:\\Temp\\iSCSI");
  EXPECT_EQ(r.data()[20], 127);
  EXPECT_EQ(r.data()[23], 1);
  EXPECT_EQ(GetU16LE(r.span(), 24), 3260);
  EXPECT_EQ(r.data()[26], 1);
  EXPECT_EQ(r.data()[27], 2);
  EXPECT_EQ(r.data()[28], 'i');
  EXPECT_EQ(r.data()[284], 'u');
  EXPECT_EQ(r.secret().size(), 255u);
  EXPECT_EQ(r.data()[540 + 255], 0);
  EXPECT_EQ(r.data()[796], 'C');
  EXPECT_EQ(r.work_folder(), u"C:\\Temp\\iSCSI");
  DeviceRecord n;
  n.data()[22] = 0x0C;  // port 3260 in network order
  n.data()[23] = 0xBC;
  EXPECT_EQ(n.server_port(), 3260);
}

TEST(VolumeRecordTest, FieldsAtTheirOffsets) {
  VolumeRecord v;
  v.set_record_kind(7);
  v.set_target_class(2);
  v.set_auto_mount(true);
  v.set_overlay_icon(0xFFFFFFFF);
  v.set_server_address(0x0100007F);
  v.set_server_port(3260);
  v.set_target_name(std::u16string(300, u't'));
  v.set_volume_name(u"Volume{1}");
  v.set_mount_folder(u"C:\\m");
  EXPECT_EQ(GetU32LE(v.span(), 10), 7u);
  EXPECT_EQ(GetU32LE(v.span(), 14), 2u);
  EXPECT_EQ(v.data()[19], 1);
  EXPECT_EQ(GetU32LE(v.span(), 20), 0xFFFFFFFFu);
  EXPECT_EQ(v.data()[56], 127);
  EXPECT_EQ(v.data()[60], 0x0C);
  EXPECT_EQ(v.data()[61], 0xBC);
  EXPECT_EQ(v.target_name().size(), 255u);
  EXPECT_EQ(v.data()[574], 't');
  EXPECT_EQ(v.data()[1174], 'V');
  EXPECT_EQ(v.data()[1694], 'C');
  EXPECT_EQ(v.data()[2214], 0);
}

TEST(SnapshotRecordTest, NameAndDescriptionAreBoundedAnsi) {
  SnapshotRecord s;
  s.set_id(42);
  s.set_name(std::string(40, 'n'));
  s.set_description("d");
  EXPECT_EQ(GetU64LE(s.span(), 0), 42u);
  EXPECT_EQ(s.name().size(), 31u);
  EXPECT_EQ(s.data()[8 + 31], 0);
  EXPECT_EQ(s.data()[40], 'd');
  // A short buffer is read only as far as it goes.
  uint8_t small[10] = {9, 0, 0, 0, 0, 0, 0, 0, 'a', 'b'};
  SnapshotRecord r = SnapshotRecord::FromBytes({small, sizeof small});
  EXPECT_EQ(r.id(), 9u);
  EXPECT_EQ(r.name(), "ab");
}

TEST(ImageFormatTest, ExtensionsWithoutCase) {
  EXPECT_EQ(ImageFormatForPath(u"C:\\a.iso"), 0);
  EXPECT_EQ(ImageFormatForPath(u"C:\\a.BIN"), 1);
  EXPECT_EQ(ImageFormatForPath(u"C:\\a.Cdi"), 2);
  EXPECT_EQ(ImageFormatForPath(u"a.mdf"), 3);
  EXPECT_EQ(ImageFormatForPath(u"a.nrg"), 4);
  EXPECT_EQ(ImageFormatForPath(u"a.img"), 5);
  EXPECT_EQ(ImageFormatForPath(u"a.SUB"), 5);
  EXPECT_EQ(ImageFormatForPath(u"a.ccd"), 5);
  EXPECT_EQ(ImageFormatForPath(u"a.b5i"), 6);
  EXPECT_EQ(ImageFormatForPath(u"a.raw"), 7);
  EXPECT_EQ(ImageFormatForPath(u"img"), 0);
  EXPECT_EQ(ImageFormatForPath(u".img"), 5);
  EXPECT_EQ(ImageFormatForPath(u""), 0);
}

}  // namespace
}  // namespace tw
