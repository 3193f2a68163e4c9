// The protected-drive driver's replies: the item state (protected, unlocked,
// no-lock) and the user list, as the context menu and the share dialog
// read them.
#include <cstdlib>

#include "fuzz/fuzz_machine.h"
#include "shellext/context_menu_model.h"
#include "shellext/protected_drive.h"
#include "contracts/vvfs_contract.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  tw::fuzzing::FuzzInput in(data, size);
  tw::Platform p = tw::fuzzing::FuzzMachine::Get().Begin(in);
  tw::shellext::ProtectedDrive drive(p);
  for (const char16_t* item : {u"P:\\docs\\a.txt", u"P:\\docs"}) {
    tw::shellext::ItemState state;
    drive.QueryProtectionState(item, &state);
    tw::shellext::PlanContextMenu(drive, item);
    tw::Bytes reply(tw::vvfs::kUserListBytes, 0);
    if (drive.ListShareUsers(item, &reply) != tw::kOk) continue;
    size_t chars = 0;
    for (const std::u16string& name : tw::shellext::ParseUserList(reply)) {
      if (name.empty() || name.find(u',') != std::u16string::npos) std::abort();
      chars += name.size() + 1;
    }
    if (chars > reply.size() / 2 + 1) std::abort();
  }
  return 0;
}
