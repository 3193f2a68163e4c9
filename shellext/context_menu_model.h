// What the context menu handler adds for an item, decided from a fresh
// state query, and the help texts it answers; the COM side only turns the
// plan into menu items.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "shellext/protected_drive.h"

namespace tw::shellext {

// Command offsets from the shell's first command identifier.
enum CommandOffset : int {
  kOffsetEncrypt = 0,
  kOffsetDecrypt = 1,
  kOffsetShareTo = 2,
  kOffsetCopyTo = 3,
  kOffsetSubmenu = 7,
  kOffsetLockUnlock = 9,
};
// QueryContextMenu always reserves offsets 0 to 9.
constexpr int kReservedCommands = 10;

constexpr char16_t kSubmenuText[] = u"&Pellowen";

struct MenuItemPlan {
  int offset = 0;
  int text_id = 0;  // string resource; 0 for kSubmenuText
  int bitmap_id = 0;  // 0: none
};

struct MenuPlan {
  bool lock_item = false;  // at the shell's index
  MenuItemPlan lock;
  bool submenu = false;  // at the shell's index + 2
  MenuItemPlan submenu_item;
  std::vector<MenuItemPlan> submenu_items;  // in order
};

// Nothing for an empty path (several items) or an item off protected volumes.
MenuPlan PlanContextMenu(ProtectedDrive& drive, const std::u16string& path);

// GetCommandString types (GCS_*).
constexpr uint32_t kGcsVerbA = 0, kGcsHelpTextA = 1, kGcsValidateA = 2;
constexpr uint32_t kGcsVerbW = 4, kGcsHelpTextW = 5, kGcsValidateW = 6;
// The help text of an offset for a request type; false (E_INVALIDARG) when
// the type asks for no text or the offset has none. *wide tells whether
// the caller wants UTF-16 or ANSI.
bool CommandHelpText(uint32_t offset, uint32_t type, std::u16string* text, bool* wide);

}  // namespace tw::shellext
