#include "storagebus/records.h"

#include "base/text.h"

namespace tw {

namespace {
std::u16string WithDosPrefix(std::u16string_view path) {
  std::u16string s = kDosDevicesPrefix;
  s += path;
  return s;
}
}  // namespace

void DeviceRecord::set_image_disk_path(std::u16string_view p) {
  PutUtf16Field(span(), devrec::kImagePath, devrec::kSize - devrec::kImagePath, WithDosPrefix(p));
}
void DeviceRecord::set_vhd_path(std::string_view p) {
  PutAnsiField(span(), devrec::kImagePath, devrec::kSize - devrec::kImagePath, p);
}
std::u16string DeviceRecord::image_disk_path() const {
  return GetUtf16Field(span(), devrec::kImagePath, devrec::kSize - devrec::kImagePath);
}
std::string DeviceRecord::vhd_path() const {
  return GetAnsiField(span(), devrec::kImagePath, devrec::kSize - devrec::kImagePath);
}
void DeviceRecord::set_cd_image_path(std::u16string_view p) {
  PutUtf16Field(span(), devrec::kCdImagePath, devrec::kSize - devrec::kCdImagePath, WithDosPrefix(p));
}
std::u16string DeviceRecord::cd_image_path() const {
  return GetUtf16Field(span(), devrec::kCdImagePath, devrec::kSize - devrec::kCdImagePath);
}
void DeviceRecord::set_burner_image_path(std::u16string_view p) {
  PutUtf16Field(span(), devrec::kBurnerImagePath, devrec::kSize - devrec::kBurnerImagePath, WithDosPrefix(p));
}
std::u16string DeviceRecord::burner_image_path() const {
  return GetUtf16Field(span(), devrec::kBurnerImagePath, devrec::kSize - devrec::kBurnerImagePath);
}

SnapshotRecord SnapshotRecord::FromBytes(ConstByteSpan s) {
  SnapshotRecord r;
  GetBytes(s, 0, r.bytes_.data(), s.size < snaprec::kSize ? s.size : snaprec::kSize);
  return r;
}

uint8_t ImageFormatForPath(std::u16string_view path) {
  // A path shorter than four characters is compared whole.
  std::u16string ext = ToLowerAscii(path.size() < 4 ? path : path.substr(path.size() - 4));
  if (ext == u".bin") return 1;
  if (ext == u".cdi") return 2;
  if (ext == u".mdf") return 3;
  if (ext == u".nrg") return 4;
  if (ext == u".ccd" || ext == u".sub" || ext == u".img") return 5;
  if (ext == u".b5i") return 6;
  if (ext == u".raw") return 7;
  return 0;
}

}  // namespace tw
