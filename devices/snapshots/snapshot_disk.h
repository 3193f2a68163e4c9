// The snapshot functions of one open disk, each one vendor SCSI command
// (a list takes two), and the tree build over any source of snapshots.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/status.h"
#include "devices/snapshots/snapshot_tree.h"
#include "platform/device_io.h"
#include "platform/platform.h"
#include "storagebus/records.h"
#include "storagebus/storage_bus.h"

namespace tw {

class CodePage;

// Name and description limits of a snapshot, in ANSI bytes without the
// terminator (and in characters for the dialog boxes).
constexpr size_t kSnapshotNameMax = 31;
constexpr size_t kSnapshotDescriptionMax = 1023;
// No sane disk lists more children than this under one parent; a larger
// length from the driver is taken as a failure rather than allocated.
constexpr uint32_t kMaxChildListBytes = 65536u * snaprec::kSize;

// What the tree build reads.
class SnapshotSource {
 public:
  virtual ~SnapshotSource() = default;
  // The children of `parent` (0: the top level), in the driver's order.
  virtual Status ListChildren(uint64_t parent, std::vector<SnapshotRecord>* children) = 0;
  virtual Status CurrentSnapshot(uint64_t* id) = 0;
};

class SnapshotDisk final : public SnapshotSource {
 public:
  SnapshotDisk(const Platform& platform, Handle disk) : bus_(platform), disk_(disk) {}

  Status ListChildren(uint64_t parent, std::vector<SnapshotRecord>* children) override;
  Status CurrentSnapshot(uint64_t* id) override;

  Status SupportFlag(uint32_t* flag);
  Status Count(uint32_t* count);
  Status Get(uint64_t id, SnapshotRecord* record);
  Status Set(uint64_t id, const SnapshotRecord& record);
  // The byte length of the children list alone (a capacity-0 list).
  Status ChildrenLength(uint64_t id, uint32_t* bytes);
  // from: 0 for the present state; the byte argument follows from it.
  Status Take(uint64_t from, const std::u16string& name, const std::u16string& description);
  Status Select(uint64_t id);
  Status Merge(uint64_t id);
  Status Revert();
  Status Delete(uint64_t id);
  Status CanDelete(uint64_t id, uint32_t* flag);
  Status CanMerge(uint64_t id, uint32_t* flag);
  // Three ANSI texts of at most 255 bytes each.
  Status ChangeSecret(const std::string& old_secret, const std::string& chap_name, const std::string& new_secret);
  // The ANSI names of every snapshot of the disk (walking the whole tree).
  Status AllNames(std::vector<std::string>* names);

  Handle handle() const { return disk_; }

 private:
  Status Flag(uint8_t op, uint64_t id, uint32_t* flag);
  Status NoData(uint8_t op, uint64_t id);
  StorageBus bus_;
  Handle disk_;
};

// The longest prefix of `text` whose ANSI form has at most max_bytes bytes
// (never cutting a character), with that ANSI form in *ansi.
std::u16string FitAnsi(CodePage& code_page, std::u16string_view text, size_t max_bytes, std::string* ansi);

// Clears `tree` and fills it from the source: the snapshots depth first,
// each current one marked, and the present-state node under the current
// snapshot. Records with identifier 0 or an identifier already in the tree
// are left out, so a confused driver cannot make the build loop.
void BuildSnapshotTree(SnapshotSource& source, CodePage& code_page, SnapshotTree* tree);

}  // namespace tw
