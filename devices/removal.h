// Removal from the device page: the confirmation, slots unmounted with
// their volumes locked first (or by force when the user says so), virtual
// folders detached, NFS drives unmounted.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "base/status.h"
#include "platform/platform.h"

namespace tw {

class StorageBus;

// 0, the lock error when the user declines to force, or UnplugDevice's result.
Status UnmountSlot(const Platform& p, StorageBus& bus, int slot);
// Results are not shown; the list shows what happened: the entry is
// deactivated (and its folder removed) only once its volume is detached.
// 0 or the failed step's code.
Status DetachFolder(const Platform& p, StorageBus& bus, uint32_t index);

struct SelectedRow {
  uint32_t tag;
  std::u16string first_text;  // the local name of an NFS row
};
// Removes the selected rows of the page's category, pausing 200 ms after
// each, and refreshes once at the end. False when nothing was done.
bool RemoveSelected(const Platform& p, StorageBus& bus, uint32_t category, const std::vector<SelectedRow>& rows,
                    const std::function<void()>& refresh);

}  // namespace tw
