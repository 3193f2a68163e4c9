#include "devices/image_pages.h"

#include <algorithm>

#include "base/crypto/sha256.h"
#include "base/secure_zero.h"
#include "base/text.h"
#include "base/validation.h"
#include "platform/system_services.h"

namespace tw {

void DiskImagePage::SetChoice(int choice) { choice_ = choice == kOpen ? kOpen : kCreate; }

void DiskImagePage::SetSpinPosition(int position) {
  spin_ = std::clamp(position, 0, 4095);
  size_text = U16(std::to_string((spin_ + 1) * 16));
}

FileDialogSpec DiskImagePage::BrowseDialog() const {
  FileDialogSpec d;
  d.save = choice_ == kCreate;
  d.default_extension = vhd_ ? u"vhd" : u"img";
  d.filter = vhd_ ? u"Disk Image Files (*.vhd)|*.vhd|All Files (*.*)|*.*||"
                  : u"Disk Image Files (*.img)|*.img|All Files (*.*)|*.*||";
  d.hide_read_only = d.overwrite_prompt = true;
  return d;
}

PageResult DiskImagePage::Finish() {
  long long size = 0;
  if (!ParseIntegerField(size_text, 16, 65536, &size)) return {false, IntegerRangeMessage(16, 65536)};
  if (path.size() > max_path_chars()) return {false, TextLengthMessage(max_path_chars())};
  size_mb_ = static_cast<uint32_t>(size);
  if (path.empty()) return {false, u"Please select a file to mount!"};
  if (password_flag && password != confirm) return {false, u"Password and confirm password is not the same!"};
  return {};
}

FileDialogSpec CdImagePage::BrowseDialog() const {
  FileDialogSpec d;
  d.filter =
      u"All Image File(*.iso;*.bin;*.mdf;*.cdi;*.b5i;*.nrg;*.ccd;*.sub;*.img;*.raw)|*.iso;*.bin;*.mdf;*.cdi;*.b5i;*.nrg;"
      u"*.ccd;*.sub;*.img;*.raw|Standard CD Image(*.iso)|*.iso|CDRWin Image(*.bin)|*.bin|Ahcohol Image(*.mdf)|*.mdf|"
      u"Disc Juggler Image (*.cdi)|*.cdi|Blind Write 5 Image(*.b5i)|*.b5i|Nero Burning ROM(*.nrg)|*.nrg|"
      u"Clone CD Image(*.ccd;*.img;*.sub)|*.ccd;*.img;*.sub|RAW CD Image(*.raw)|*.raw|All Files (*.*)|*.*||";
  return d;
}

PageResult CdImagePage::Finish() {
  // The driver takes the path as typed; a longer one could not be opened.
  if (path.size() > kMaxPathChars) return {false, TextLengthMessage(kMaxPathChars)};
  return {};
}

void BurnerPage::SetDiscKind(int kind) {
  kind_ = kind == kDvd ? kDvd : kCd;
  slider_ = kind_ == kCd ? 670 : 25;
}

void BurnerPage::MoveSlider(int position) {
  slider_ = std::clamp(position, slider_min(), slider_max());
  long long size = kind_ == kCd ? slider_ : static_cast<long long>(slider_) * slider_ * 8;
  size_text = U16(std::to_string(size));
}

FileDialogSpec BurnerPage::BrowseDialog() const {
  FileDialogSpec d;
  d.save = choice == kCreate;
  d.default_extension = u"iso";
  d.filter = u"Standard CD/DVD Image Files (*.iso)|*.iso|All Files (*.*)|*.*||";
  return d;
}

PageResult BurnerPage::Finish() {
  long long size = 0;
  if (!ParseIntegerField(size_text, 8, 2088960, &size)) return {false, IntegerRangeMessage(8, 2088960)};
  if (path.size() > 260) return {false, TextLengthMessage(260)};
  size_mb_ = static_cast<uint32_t>(size);
  return {};
}

std::array<uint8_t, 32> DigestPassword(const std::u16string& password) {
  Bytes utf16le;
  ScopedWipe wipe(utf16le);
  for (char16_t c : password) {
    utf16le.push_back(static_cast<uint8_t>(c));
    utf16le.push_back(static_cast<uint8_t>(c >> 8));
  }
  // Only as many bytes as there are characters: the digest images carry.
  Sha256Digest d = Sha256Of(utf16le.data(), password.size());
  std::array<uint8_t, 32> out;
  std::copy(d.begin(), d.end(), out.begin());
  return out;
}

DeviceRecord BuildImageDiskRecord(const DiskImagePage& page, uint8_t slot, CodePage& code_page) {
  DeviceRecord r;
  r.set_slot(slot);
  r.set_device_type(page.vhd() ? kVhdDisk : kImageDisk);
  r.set_create_new(page.choice() == DiskImagePage::kCreate);
  r.set_new_size(uint64_t{page.size_mb()} * 1048576);
  r.set_read_only(page.read_only);
  if (page.vhd()) {
    r.set_fully_allocated(page.allocate_all);
    r.set_vhd_path(code_page.ToAnsi(page.path));
  } else {
    r.set_image_disk_path(CutText(page.path, 260));
  }
  if (page.password_flag) {
    auto digest = DigestPassword(page.password);
    r.set_password_digest(digest.data());
    r.set_has_password(true);
  }
  return r;
}

DeviceRecord BuildCdRecord(const CdImagePage& page, uint8_t slot) {
  DeviceRecord r;
  r.set_slot(slot);
  r.set_device_type(kCdRom);
  r.set_cd_image_path(page.path);
  r.set_image_format(ImageFormatForPath(page.path));
  return r;
}

DeviceRecord BuildBurnerRecord(const BurnerPage& page, uint8_t slot) {
  DeviceRecord r;
  r.set_slot(slot);
  r.set_device_type(kCdBurner);
  r.set_burner_create_new(page.choice == BurnerPage::kCreate);
  r.set_burner_new_size(uint64_t{page.size_mb()} * 1048576);
  r.set_disc_kind(static_cast<uint32_t>(page.disc_kind()));
  r.set_burner_image_path(CutText(page.path, 260));
  return r;
}

}  // namespace tw
