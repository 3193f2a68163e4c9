// The snapshot commands of the device list's context menu: "&Take
// Snapshot", "&Revert Snapshot", "&Snapshot Manager" and "&Modify
// Password". Each acts on a row's tag (a slot row's tag is its slot), opens
// the slot's disk for the length of the command, and talks to the user
// through the prompter and the dialog callbacks a window binds.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "base/secure_zero.h"
#include "base/status.h"
#include "devices/snapshots/snapshot_disk.h"
#include "platform/platform.h"

namespace tw {

class SnapshotManagerModel;

// Row tags with any of these bits are virtual-folder rows.
constexpr uint32_t kVirtualFolderTagBits = 0xF0000000u;

// The "Create Snapshot" dialog: "Name:" and "Description:".
class CreateSnapshotDialogModel {
 public:
  void SetName(const std::u16string& text);         // at most 31 characters
  void SetDescription(const std::u16string& text);  // at most 1,023
  const std::u16string& name() const { return name_; }
  const std::u16string& description() const { return description_; }

 private:
  std::u16string name_, description_;
};

// The "Change CHAP Secret" dialog: "Old Secret:", "CHAP Name:", "New Secret:",
// given to the caller unchecked.
struct ChangeSecretDialogModel {
  ~ChangeSecretDialogModel() {
    WipeSecret(old_secret);
    WipeSecret(new_secret);
  }
  std::u16string old_secret;
  std::u16string chap_name;
  std::u16string new_secret;
};

// Each runs its dialog modally; true when it was left with OK.
using RunCreateSnapshotDialog = std::function<bool(CreateSnapshotDialogModel&)>;
using RunChangeSecretDialog = std::function<bool(ChangeSecretDialogModel&)>;
// Runs the Snapshot Manager over a model that is already open.
using RunSnapshotManagerDialog = std::function<void(SnapshotManagerModel&)>;

enum class SnapshotCommandResult {
  kDone,           // the command did what it was for
  kFailed,         // a request failed (the user was told where the command tells)
  kStopped,        // the user said No or Cancel, or an input was refused
  kNotApplicable,  // a virtual-folder row, or the disk could not be opened
};

struct SnapshotCommandOutcome {
  SnapshotCommandResult result = SnapshotCommandResult::kNotApplicable;
  Status status = kOk;  // the failing request's status
};

SnapshotCommandOutcome TakeSnapshotOfDevice(const Platform& platform, uint32_t row_tag,
                                            const RunCreateSnapshotDialog& run_dialog);
SnapshotCommandOutcome RevertDevice(const Platform& platform, uint32_t row_tag);
SnapshotCommandOutcome OpenSnapshotManager(const Platform& platform, uint32_t row_tag,
                                           const RunSnapshotManagerDialog& run_dialog);
SnapshotCommandOutcome ChangeDeviceSecret(const Platform& platform, uint32_t row_tag,
                                          const RunChangeSecretDialog& run_dialog);

// Finds and opens the slot's disk as the commands do; 0 or the open's error
// (kErrFileNotFound when the slot has no disk).
Status OpenSlotDisk(const Platform& platform, int slot, Handle* disk);

}  // namespace tw
