#include "devices/snapshots/snapshot_menu_commands.h"

#include "base/format.h"
#include "base/product.h"
#include "devices/snapshots/snapshot_manager.h"
#include "devices/snapshots/snapshot_messages.h"
#include "platform/device_io.h"
#include "platform/prompter.h"
#include "platform/system_services.h"
#include "storagebus/disk_mapping.h"

namespace tw {
namespace {

constexpr size_t kSecretFieldMax = 255;

std::u16string CutChars(const std::u16string& text, size_t max_chars) {
  if (text.size() <= max_chars) return text;
  size_t n = max_chars;
  if (text[n - 1] >= 0xD800 && text[n - 1] <= 0xDBFF) --n;
  return text.substr(0, n);
}

SnapshotCommandOutcome Outcome(SnapshotCommandResult r, Status st = kOk) { return {r, st}; }

// The slot of a slot row, or -1 for a virtual-folder row or a tag that
// names no slot.
int SlotOfTag(uint32_t tag) {
  if (tag & kVirtualFolderTagBits) return -1;
  return tag < kSlotCount ? static_cast<int>(tag) : -1;
}

// The disk of a row, open for one command and closed with it.
class CommandDisk {
 public:
  CommandDisk(const Platform& p, uint32_t tag) : io_(*p.device_io), slot_(SlotOfTag(tag)) {
    if (slot_ >= 0 && (open_status_ = OpenSlotDisk(p, slot_, &h_)) != kOk) h_ = kInvalidHandle;
  }
  ~CommandDisk() {
    if (h_ != kInvalidHandle) io_.Close(h_);
  }
  CommandDisk(const CommandDisk&) = delete;
  CommandDisk& operator=(const CommandDisk&) = delete;
  bool ok() const { return h_ != kInvalidHandle; }
  // A slot with a disk that could not be opened (not a row without one).
  bool failed() const { return slot_ >= 0 && open_status_ != kOk && open_status_ != kErrFileNotFound; }
  Status open_status() const { return open_status_; }
  Handle handle() const { return h_; }
  int slot() const { return slot_; }

 private:
  DeviceIo& io_;
  int slot_;
  Handle h_ = kInvalidHandle;
  Status open_status_ = kOk;
};

}  // namespace

void CreateSnapshotDialogModel::SetName(const std::u16string& text) { name_ = CutChars(text, kSnapshotNameMax); }
void CreateSnapshotDialogModel::SetDescription(const std::u16string& text) {
  description_ = CutChars(text, kSnapshotDescriptionMax);
}

Status OpenSlotDisk(const Platform& platform, int slot, Handle* disk) {
  *disk = kInvalidHandle;
  std::u16string path = DiskMapping(platform).FindSlotDisk(slot);
  if (path.empty()) return kErrFileNotFound;
  return platform.device_io->Open(path, kGenericRead | kGenericWrite, kFileShareRead | kFileShareWrite,
                                  kOpenExisting, 0, disk);
}

SnapshotCommandOutcome TakeSnapshotOfDevice(const Platform& p, uint32_t row_tag,
                                            const RunCreateSnapshotDialog& run_dialog) {
  CommandDisk disk(p, row_tag);
  // A disk that cannot be opened does nothing (the menu asked it a moment ago).
  if (disk.failed()) return Outcome(SnapshotCommandResult::kFailed, disk.open_status());
  if (!disk.ok()) return Outcome(SnapshotCommandResult::kNotApplicable);
  CreateSnapshotDialogModel dialog;
  if (!run_dialog || !run_dialog(dialog)) return Outcome(SnapshotCommandResult::kStopped);
  std::string ansi;
  std::u16string name = FitAnsi(*p.code_page, dialog.name(), kSnapshotNameMax, &ansi);
  std::u16string description = FitAnsi(*p.code_page, dialog.description(), kSnapshotDescriptionMax, &ansi);
  Status st = SnapshotDisk(p, disk.handle()).Take(0, name, description);
  if (st != kOk) {
    p.prompter->ShowMessage(Format(kMsgTakeError, {st}), kAppTitle, kErrorStyle);
    return Outcome(SnapshotCommandResult::kFailed, st);
  }
  p.prompter->ShowMessage(kMsgTakeDone, kAppTitle, kInfoStyle);
  return Outcome(SnapshotCommandResult::kDone);
}

SnapshotCommandOutcome RevertDevice(const Platform& p, uint32_t row_tag) {
  CommandDisk disk(p, row_tag);
  // A disk that cannot be opened or asked stops before the question, silently.
  const auto failed = [&](Status st) { return Outcome(SnapshotCommandResult::kFailed, st); };
  if (disk.failed()) return failed(disk.open_status());
  if (!disk.ok()) return Outcome(SnapshotCommandResult::kNotApplicable);
  SnapshotDisk snapshots(p, disk.handle());
  uint64_t current = 0;
  SnapshotRecord record;
  if (Status st = snapshots.CurrentSnapshot(&current); st != kOk) return failed(st);
  if (current == 0) return Outcome(SnapshotCommandResult::kNotApplicable);
  if (Status st = snapshots.Get(current, &record); st != kOk) return failed(st);
  std::u16string name = p.code_page->FromAnsi(record.name());
  if (p.prompter->ShowMessage(Format(kMsgRevertQuestion, {name}), kCaptionAreYouSure, kQuestionStyle) != kIdYes)
    return Outcome(SnapshotCommandResult::kStopped);
  DiskMapping mapping(p);
  if (Status st = mapping.LockSlotVolumes(disk.slot()); st != kOk) {
    p.prompter->ShowMessage(kMsgLockFailed, kAppTitle, kErrorStyle);
    return Outcome(SnapshotCommandResult::kFailed, st);
  }
  Status st = snapshots.Revert();
  mapping.UnlockSlotVolumes(disk.slot(), disk.handle());
  if (st != kOk) {
    p.prompter->ShowMessage(Format(kMsgRevertError, {st}), kAppTitle, kErrorStyle);
    return Outcome(SnapshotCommandResult::kFailed, st);
  }
  p.prompter->ShowMessage(kMsgRevertDone, kAppTitle, kInfoStyle);
  return Outcome(SnapshotCommandResult::kDone);
}

SnapshotCommandOutcome OpenSnapshotManager(const Platform& p, uint32_t row_tag,
                                           const RunSnapshotManagerDialog& run_dialog) {
  CommandDisk disk(p, row_tag);
  if (!disk.ok()) return Outcome(SnapshotCommandResult::kNotApplicable);
  SnapshotManagerModel model(p, disk.handle(), disk.slot());
  model.Open();
  if (run_dialog) run_dialog(model);
  return Outcome(SnapshotCommandResult::kDone);
}

SnapshotCommandOutcome ChangeDeviceSecret(const Platform& p, uint32_t row_tag,
                                          const RunChangeSecretDialog& run_dialog) {
  CommandDisk disk(p, row_tag);
  if (!disk.ok()) return Outcome(SnapshotCommandResult::kNotApplicable);
  ChangeSecretDialogModel dialog;
  if (!run_dialog || !run_dialog(dialog)) return Outcome(SnapshotCommandResult::kStopped);
  // A text cut to fit its field, or with characters the code page lacks,
  // would set a secret other than the one typed: refuse it instead.
  std::string texts[3];
  ScopedWipe wipe_old(texts[0]), wipe_new(texts[2]);
  const std::u16string* typed[3] = {&dialog.old_secret, &dialog.chap_name, &dialog.new_secret};
  for (int i = 0; i < 3; ++i) {
    texts[i] = p.code_page->ToAnsi(*typed[i]);
    if (texts[i].size() > kSecretFieldMax) {
      p.prompter->ShowMessage(kMsgSecretTooLong, kAppTitle, kWarningStyle);
      return Outcome(SnapshotCommandResult::kStopped);
    }
    if (p.code_page->FromAnsi(texts[i]) != *typed[i]) {
      p.prompter->ShowMessage(kMsgSecretNotInCodePage, kAppTitle, kWarningStyle);
      return Outcome(SnapshotCommandResult::kStopped);
    }
  }
  Status st = SnapshotDisk(p, disk.handle()).ChangeSecret(texts[0], texts[1], texts[2]);
  if (st != kOk) {
    p.prompter->ShowMessage(Format(kMsgChangeSecretError, {st}), kAppTitle, kErrorStyle);
    return Outcome(SnapshotCommandResult::kFailed, st);
  }
  return Outcome(SnapshotCommandResult::kDone);
}

}  // namespace tw
