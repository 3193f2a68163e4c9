// ShareMountOptions: the block of name=value options a connection request
// carries to the NFS network provider as its comment.
#pragma once

#include <string>

#include "base/bytes.h"
#include "shares/nfs_contract.h"

namespace tw {

class Diagnostics;

// The block and the descriptor the writers keep beside it.
struct ShareMountOptions {
  ShareMountOptions();
  Bytes block;                                // 2,187 bytes, tag set
  size_t free_bytes = mountopt::kEntryBytes;  // still free for entries
  long last_entry = -1;                       // offset of the last entry written, -1: none
  bool empty() const { return last_entry < 0; }
  // Marks the last entry as the last (next-entry offset 0), as the provider expects.
  void Terminate();
  // The options in order, for tests and the console.
  struct Option {
    std::u16string name, value;
  };
  std::vector<Option> Entries() const;
};

// Adds name=value. False (with the diagnostic line) when the name is there
// already or the entry does not fit; the block is unchanged then.
bool InsertMountOption(const std::u16string& name, const std::u16string& value, ShareMountOptions* options,
                       Diagnostics& diagnostics);

}  // namespace tw
