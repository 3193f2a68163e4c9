#include "devices/snapshots/snapshot_manager.h"

#include <algorithm>

#include "base/format.h"
#include "base/product.h"
#include "devices/snapshots/snapshot_messages.h"
#include "platform/prompter.h"
#include "platform/system_services.h"

namespace tw {
namespace {

std::u16string CutChars(const std::u16string& text, size_t max_chars) {
  if (text.size() <= max_chars) return text;
  size_t n = max_chars;
  if (n > 0 && text[n - 1] >= 0xD800 && text[n - 1] <= 0xDBFF) --n;
  return text.substr(0, n);
}

}  // namespace

SnapshotManagerModel::SnapshotManagerModel(const Platform& platform, Handle disk, int slot)
    : p_(platform), disk_(platform, disk), mapping_(platform), slot_(slot) {}

void SnapshotManagerModel::Open() { Rebuild(); }

void SnapshotManagerModel::Rebuild() {
  BuildSnapshotTree(disk_, *p_.code_page, &tree_);
  StorePendingEdits();
  ShowDetails();
  Redraw();
}

std::u16string SnapshotManagerModel::DisplayText(const std::string& ansi) { return p_.code_page->FromAnsi(ansi); }

void SnapshotManagerModel::Message(const std::u16string& text, const std::u16string& caption, unsigned style) {
  p_.prompter->ShowMessage(text, caption, style);
}

bool SnapshotManagerModel::Ask(const std::u16string& text, const std::u16string& caption) {
  return p_.prompter->ShowMessage(text, caption, kQuestionStyle) == kIdYes;
}

void SnapshotManagerModel::Redraw() {
  if (on_redraw) on_redraw();
}

void SnapshotManagerModel::Wait(bool on) {
  if (on_wait_cursor) on_wait_cursor(on);
}

void SnapshotManagerModel::EditName(const std::u16string& text) {
  std::u16string cut = CutChars(text, kSnapshotNameMax);
  if (cut == name_) return;
  name_ = cut;
  if (!edited_) edited_id_ = tree_.node(tree_.selected()).id;
  edited_ = true;
}

void SnapshotManagerModel::EditDescription(const std::u16string& text) {
  std::u16string cut = CutChars(text, kSnapshotDescriptionMax);
  if (cut == description_) return;
  description_ = cut;
  if (!edited_) edited_id_ = tree_.node(tree_.selected()).id;
  edited_ = true;
}

void SnapshotManagerModel::SelectNode(int node) {
  if (node == kNoNode || node == tree_.root() || node >= static_cast<int>(tree_.size())) return;
  tree_.Select(node);
  StorePendingEdits();
  ShowDetails();
  Redraw();
}

void SnapshotManagerModel::KeyLeft() { SelectNode(tree_.NodeLeftOf(tree_.selected())); }
void SnapshotManagerModel::KeyRight() { SelectNode(tree_.NodeRightOf(tree_.selected())); }

void SnapshotManagerModel::ShowDetails() {
  go_to_ = delete_ = merge_ = false;
  const SnapshotNode& n = tree_.node(tree_.selected());
  SnapshotRecord record;
  if (n.id != 0 && disk_.Get(n.id, &record) == kOk) {
    name_ = CutChars(DisplayText(record.name()), kSnapshotNameMax);
    description_ = CutChars(DisplayText(record.description()), kSnapshotDescriptionMax);
    uint32_t children_bytes = 0, can_delete = 0, can_merge = 0;
    Status listed = disk_.ChildrenLength(n.id, &children_bytes);
    Status asked = disk_.CanDelete(n.id, &can_delete);
    if (listed == kOk && asked == kOk && children_bytes == 0) {
      go_to_ = true;
      delete_ = can_delete != 0;
    }
    merge_ = disk_.CanMerge(n.id, &can_merge) == kOk && can_merge != 0;
  } else {
    name_.clear();
    description_.clear();
  }
  if (on_details_changed) on_details_changed();
}

bool SnapshotManagerModel::StorePendingEdits() {
  if (!edited_) return true;
  edited_ = false;
  uint64_t id = edited_id_;
  edited_id_ = 0;
  // The base image and the present state have no record to store into.
  if (id == 0) return true;
  if (name_.empty()) {
    Message(kMsgNameNone, kAppTitle, kWarningStyle);
    return false;
  }
  std::string name, description;
  FitAnsi(*p_.code_page, name_, kSnapshotNameMax, &name);
  FitAnsi(*p_.code_page, description_, kSnapshotDescriptionMax, &description);
  SnapshotRecord record;
  record.set_id(0);
  record.set_name(name);
  record.set_description(description);
  if (Status st = disk_.Set(id, record); st != kOk) {
    last_error_ = st;
    return false;
  }
  int node = tree_.FindById(id);
  if (node != kNoNode) {
    tree_.SetTexts(node, DisplayText(name), DisplayText(description));
    Redraw();
  }
  return true;
}

bool SnapshotManagerModel::TakeSnapshot() {
  last_error_ = kOk;
  if (name_.empty()) {
    Message(kMsgInputName, kAppTitle, kWarningStyle);
    return false;
  }
  std::string ansi_name, ansi_description;
  std::u16string name = FitAnsi(*p_.code_page, name_, kSnapshotNameMax, &ansi_name);
  std::u16string description = FitAnsi(*p_.code_page, description_, kSnapshotDescriptionMax, &ansi_description);
  uint32_t count = 0;
  if (disk_.Count(&count) == kOk && count > 0) {
    std::vector<std::string> names;
    disk_.AllNames(&names);
    if (std::find(names.begin(), names.end(), ansi_name) != names.end()) {
      Message(kMsgDuplicateName, kAppTitle, kWarningStyle);
      return false;
    }
  }
  const SnapshotNode& from = tree_.node(tree_.selected());
  uint64_t from_id = from.kind == SnapshotNodeKind::kCurrentSnapshot ? 0 : from.id;
  Status st = disk_.Take(from_id, name, description);
  // The boxes' texts went into the new snapshot: they are no edit of the
  // selected one, so the rebuild must not store them there.
  edited_ = false;
  edited_id_ = 0;
  if (st != kOk) {
    last_error_ = st;
    return false;
  }
  Message(kMsgCreateDone, kAppTitle, kInfoStyle);
  Rebuild();
  return true;
}

bool SnapshotManagerModel::GoTo() {
  last_error_ = kOk;
  const SnapshotNode& n = tree_.node(tree_.selected());
  if (!go_to_ || n.id == 0) return false;
  uint64_t id = n.id;
  if (!Ask(Format(kMsgGoToQuestion, {n.name}), kAppTitle)) return false;
  Wait(true);
  bool done = false;
  // The volumes are locked before the driver is told anything, so a
  // refused lock leaves no choice of snapshot pending in the driver.
  if (Status lock = mapping_.LockSlotVolumes(slot_); lock != kOk) {
    last_error_ = lock;
    Message(kMsgLockFailed, kAppTitle, kErrorStyle);
  } else if (Status st = disk_.Select(id); st != kOk) {
    last_error_ = st;
    mapping_.UnlockSlotVolumes(slot_, disk_.handle());
    Message(Format(kMsgCannotRevert, {st}), kAppTitle, kErrorStyle);
  } else {
    st = disk_.Revert();
    mapping_.UnlockSlotVolumes(slot_, disk_.handle());
    if (st != kOk) {
      last_error_ = st;
      Message(Format(kMsgCannotRevert, {st}), kAppTitle, kErrorStyle);
    } else {
      Rebuild();
      done = true;
    }
  }
  Wait(false);
  return done;
}

bool SnapshotManagerModel::Merge() {
  last_error_ = kOk;
  const SnapshotNode& n = tree_.node(tree_.selected());
  if (!merge_ || n.id == 0) return false;
  uint64_t id = n.id;
  if (!Ask(kMsgMergeQuestion, kCaptionQuestion)) return false;
  Wait(true);
  Status st = disk_.Merge(id);
  Wait(false);
  if (st != kOk) {
    last_error_ = st;
    Message(Format(kMsgMergeError, {st}), kAppTitle, kErrorStyle);
    return false;
  }
  Message(kMsgMergeDone, kAppTitle, kInfoStyle);
  // The merged snapshot is gone from the driver; show the tree it left.
  Rebuild();
  return true;
}

bool SnapshotManagerModel::Delete() {
  last_error_ = kOk;
  const SnapshotNode& n = tree_.node(tree_.selected());
  if (!delete_ || n.id == 0) return false;
  uint64_t id = n.id;
  if (!Ask(Format(kMsgDeleteQuestion, {n.name}), kAppTitle)) return false;
  if (Status st = disk_.Delete(id); st != kOk) {
    last_error_ = st;
    Message(Format(kMsgDeleteError, {st}), kAppTitle, kErrorStyle);
    return false;
  }
  Rebuild();
  return true;
}

bool SnapshotManagerModel::Close() {
  last_error_ = kOk;
  return StorePendingEdits();
}

}  // namespace tw
