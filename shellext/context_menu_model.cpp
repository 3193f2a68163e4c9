#include "shellext/context_menu_model.h"

#include "resources/resource_ids.h"

namespace tw::shellext {

MenuPlan PlanContextMenu(ProtectedDrive& drive, const std::u16string& path) {
  MenuPlan plan;
  drive.ProbeItem(path);  // tells the driver about the item; the answer is not needed
  if (path.empty() || !drive.IsProtectedVolume(path)) return plan;
  ItemState state;
  bool answered = drive.QueryProtectionState(path, &state);
  if (answered && !state.no_lock) {
    plan.lock_item = true;
    plan.lock = state.unlocked ? MenuItemPlan{kOffsetLockUnlock, IDS_LOCK, IDB_LOCKED}
                               : MenuItemPlan{kOffsetLockUnlock, IDS_UNLOCK, IDB_UNLOCKED};
  }
  plan.submenu = true;
  plan.submenu_item = {kOffsetSubmenu, 0, IDB_MENU_APP};
  plan.submenu_items = {answered ? MenuItemPlan{kOffsetDecrypt, IDS_DECRYPT, 0}
                                 : MenuItemPlan{kOffsetEncrypt, IDS_ENCRYPT, 0},
                        {kOffsetShareTo, IDS_SHARE_TO, 0},
                        {kOffsetCopyTo, IDS_COPY_TO, 0}};
  return plan;
}

bool CommandHelpText(uint32_t offset, uint32_t type, std::u16string* text, bool* wide) {
  static const char16_t* const kHelp[] = {u"Unlock the drive with password.", u"Lock the drive."};
  if (!(type & (kGcsHelpTextA | kGcsVerbW)) || offset >= 2) return false;
  *text = kHelp[offset];
  *wide = (type & kGcsVerbW) != 0;
  return true;
}

}  // namespace tw::shellext
