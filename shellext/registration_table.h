// The extension's registry entries as one table of data, applied through
// the registry port: the same code runs against Windows' registry
// (DllRegisterServer) and the simulated one, and the installer can turn
// the table into its own data.
#pragma once

#include <string>
#include <vector>

#include "base/status.h"
#include "platform/registry.h"

namespace tw::shellext {

enum class EntryKind {
  kKept,      // created when missing, never deleted
  kReplaced,  // deleted with everything below it, then written; deleted whole on removal
  kRemoved,   // written; its values (and the key, once nothing is below it) removed on removal
};

struct RegValue {
  std::u16string name;  // empty: the default value
  std::u16string data;  // may hold %MODULE% and %APPID%
};

struct RegEntry {
  int group;  // kModuleGroup, or the index of the class in kClasses
  RegKey root;
  std::u16string key;
  EntryKind kind;
  std::vector<RegValue> values;
};
constexpr int kModuleGroup = -1;

// Every entry, parents before children, the module's first.
const std::vector<RegEntry>& RegistrationEntries();

// Which entries a call applies: the type library is registered after all
// of them and removed between the classes' and the module's.
enum class EntrySet { kModule, kClasses, kAll };

// Writes the module's entries, then each class's; stops at the first failure.
Status RegisterEntries(Registry& registry, const std::u16string& module_path, EntrySet set = EntrySet::kAll);
// Removes each class's entries, then the module's; stops at the first failure.
// Entries already gone count as removed.
Status UnregisterEntries(Registry& registry, EntrySet set = EntrySet::kAll);

// A value's data with %MODULE% and %APPID% filled in.
std::u16string ExpandValue(const std::u16string& data, const std::u16string& module_path);

}  // namespace tw::shellext
