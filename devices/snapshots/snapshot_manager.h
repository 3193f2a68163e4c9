// The Snapshot Manager dialog's model: the tree of one disk, the selected
// node's details in the "Name: " and "Description: " boxes, the enabling of
// "Go to", "&Delete" and "&Merge", pending edits, and the dialog's take, go
// to, merge and delete with their questions and messages. The window binds
// controls to it and repaints when it says so.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "base/status.h"
#include "devices/snapshots/snapshot_disk.h"
#include "devices/snapshots/snapshot_tree.h"
#include "platform/device_io.h"
#include "platform/platform.h"
#include "storagebus/disk_mapping.h"

namespace tw {

class SnapshotManagerModel {
 public:
  // `disk` stays the caller's: it is open for the model's whole life.
  SnapshotManagerModel(const Platform& platform, Handle disk, int slot);

  // Builds the tree from the driver and shows the selected node's details.
  void Open();

  const SnapshotTree& tree() const { return tree_; }
  const Platform& platform() const { return p_; }
  int slot() const { return slot_; }
  const std::u16string& name_text() const { return name_; }
  const std::u16string& description_text() const { return description_; }
  bool go_to_enabled() const { return go_to_; }
  bool delete_enabled() const { return delete_; }
  bool merge_enabled() const { return merge_; }
  bool edited() const { return edited_; }
  // The status of the last driver request that failed an action, or 0.
  Status last_error() const { return last_error_; }

  // The user changed a box (cut to the box's limit); sets the edited flag.
  // Only for the user's typing: the model's own filling of the boxes
  // (announced by on_details_changed) is no edit.
  void EditName(const std::u16string& text);
  void EditDescription(const std::u16string& text);

  // A click, an arrow key: stores pending edits, then shows the details.
  void SelectNode(int node);
  // Arrow keys over the view: select the parent / the main-line child.
  void KeyLeft();
  void KeyRight();

  // The dialog's buttons. Each returns true when it did what it was for.
  bool TakeSnapshot();
  bool GoTo();
  bool Merge();
  bool Delete();
  // "Close": stores pending edits; the window then ends the dialog. False
  // when an edit could not be stored.
  bool Close();

  // Told when the boxes or buttons changed, when the tree needs a repaint,
  // and around long requests (the wait cursor).
  std::function<void()> on_details_changed;
  std::function<void()> on_redraw;
  std::function<void(bool)> on_wait_cursor;

 private:
  void Rebuild();
  void ShowDetails();
  // false when the edit was refused or the driver failed it.
  bool StorePendingEdits();
  void Message(const std::u16string& text, const std::u16string& caption, unsigned style);
  bool Ask(const std::u16string& text, const std::u16string& caption);
  void Redraw();
  void Wait(bool on);
  std::u16string DisplayText(const std::string& ansi);

  Platform p_;
  SnapshotDisk disk_;
  DiskMapping mapping_;
  int slot_;
  SnapshotTree tree_;
  std::u16string name_, description_;
  bool go_to_ = false, delete_ = false, merge_ = false;
  bool edited_ = false;
  // The snapshot being edited, by identifier: a rebuild replaces the nodes.
  uint64_t edited_id_ = 0;
  Status last_error_ = kOk;
};

}  // namespace tw
