// The Snapshot Manager's tree built from rewritten LIST_CHILDREN records,
// GET_SNAPSHOT and CURRENT answers (and snapshot counts), then walked.
#include <cstdlib>

#include "devices/snapshots/snapshot_manager.h"
#include "devices/snapshots/snapshot_menu_commands.h"
#include "fuzz/fuzz_machine.h"
#include "platform/device_io.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  tw::fuzzing::FuzzInput in(data, size);
  tw::Platform p = tw::fuzzing::FuzzMachine::Get().Begin(in);
  tw::Handle disk = tw::kInvalidHandle;
  if (tw::OpenSlotDisk(p, 0, &disk) != tw::kOk) return 0;
  {
    tw::SnapshotManagerModel model(p, disk, 0);
    model.Open();
    const tw::SnapshotTree& tree = model.tree();
    for (size_t i = 0; i < tree.size(); ++i) {
      for (int child : tree.Children(static_cast<int>(i)))
        if (child <= 0 || static_cast<size_t>(child) >= tree.size()) std::abort();
    }
    for (size_t i = 0; i < tree.size() && i < 64; ++i) model.SelectNode(static_cast<int>(i));
    model.KeyLeft();
    model.KeyRight();
    tree.Extent();
    tree.Connectors();
  }
  p.device_io->Close(disk);
  return 0;
}
