// NFS: the connection enumeration (current and remembered) into share
// records, and the export list reply into the dialog's Path list.
#include <cstdlib>

#include "fuzz/fuzz_machine.h"
#include "shares/mount_nfs_model.h"
#include "shares/nfs_shares.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  tw::fuzzing::FuzzInput in(data, size);
  tw::Platform p = tw::fuzzing::FuzzMachine::Get().Begin(in);
  for (bool remembered : {false, true}) {
    uint32_t needed = 0;
    tw::ListNfsShares(remembered, nullptr, &needed, p);
    if (needed > (64u << 20)) std::abort();
    tw::Bytes records(needed, 0);
    uint32_t got = needed;
    tw::ListNfsShares(remembered, &records, &got, p);
  }
  tw::MountNfsDialogModel dialog(p);
  dialog.Open();
  dialog.server = u"127.0.0.1";
  dialog.RefreshExports();
  for (const std::u16string& path : dialog.paths())
    if (path.size() > tw::exportreq::kReplySize / 2) std::abort();
  return 0;
}
