// The local image pages of the mount wizard: their fields, enabling rules,
// file dialogs and Finish checks; the device record they produce; and the
// password digest encrypted images are keyed by.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "storagebus/records.h"

namespace tw {

class CodePage;

// What "&Browse" asks the file dialog for.
struct FileDialogSpec {
  bool save = false;  // a save dialog (else an open dialog)
  std::u16string default_extension;
  std::u16string filter;  // "Name|*.x|...||"
  bool hide_read_only = false;
  bool overwrite_prompt = false;
};

// A page's Finish: the data exchange, then the page's own checks. On false
// *message is what the page shows, and the page stays.
struct PageResult {
  bool ok = true;
  std::u16string message;
};

// CMountImagePage (vhd = false) and CMountVHDDlg (vhd = true).
class DiskImagePage {
 public:
  explicit DiskImagePage(bool vhd) : vhd_(vhd) {}
  static constexpr int kCreate = 0, kOpen = 1;

  void SetChoice(int choice);  // re-applies the enabling rules
  int choice() const { return choice_; }
  bool size_enabled() const { return choice_ == kCreate; }
  bool read_only_enabled() const { return vhd_ || choice_ == kOpen; }
  bool allocate_enabled() const { return vhd_ && choice_ == kCreate; }
  bool password_boxes_enabled() const { return password_flag; }
  void SetSpinPosition(int position);  // the size becomes (p + 1) x 16
  int spin_position() const { return spin_; }
  FileDialogSpec BrowseDialog() const;
  size_t max_path_chars() const { return vhd_ ? 260 : 256; }
  PageResult Finish();
  uint32_t size_mb() const { return size_mb_; }  // after a successful Finish
  bool vhd() const { return vhd_; }

  std::u16string path;
  std::u16string size_text = u"256";
  bool read_only = false;
  bool allocate_all = false;  // VHD only
  bool password_flag = false;
  std::u16string password, confirm;

 private:
  bool vhd_;
  int choice_ = kCreate;
  int spin_ = 15;
  uint32_t size_mb_ = 256;
};

// CMountVirtualCDPage.
class CdImagePage {
 public:
  static constexpr size_t kMaxPathChars = 259;
  FileDialogSpec BrowseDialog() const;
  PageResult Finish();
  std::u16string path;
};

// CMountVirtualCDDlg (virtual burner).
class BurnerPage {
 public:
  static constexpr int kCreate = 0, kOpen = 1;
  static constexpr int kCd = 0, kDvd = 1;
  // Choosing the disc kind moves the slider to its start (670 or 25) in the
  // kind's scale; the size stays until the slider is moved.
  void SetDiscKind(int kind);
  int disc_kind() const { return kind_; }
  int slider_min() const { return kind_ == kCd ? 8 : 1; }
  int slider_max() const { return kind_ == kCd ? 700 : 286; }
  int slider_position() const { return slider_; }
  // The user drags the slider: the size follows (CD: the position; DVD:
  // position x position x 8 MB).
  void MoveSlider(int position);
  FileDialogSpec BrowseDialog() const;
  PageResult Finish();
  uint32_t size_mb() const { return size_mb_; }

  int choice = kCreate;
  std::u16string size_text = u"670";
  std::u16string path;
  static constexpr char16_t kWindowText[] = u"Mount from a image file to CD/DVD-RW";

 private:
  int kind_ = kCd;
  int slider_ = 670;
  uint32_t size_mb_ = 670;
};

// SHA-256 over the first N bytes of the password's UTF-16LE form, N being
// its number of characters: the digest existing encrypted images carry.
std::array<uint8_t, 32> DigestPassword(const std::u16string& password);

// The record of a finished image page in `slot` (types 1 to 4).
DeviceRecord BuildImageDiskRecord(const DiskImagePage& page, uint8_t slot, CodePage& code_page);
DeviceRecord BuildCdRecord(const CdImagePage& page, uint8_t slot);
DeviceRecord BuildBurnerRecord(const BurnerPage& page, uint8_t slot);

}  // namespace tw
