// The product's own settings in the registry: its key, its start-up entry
// and the temporary folder every feature works in.
#pragma once

#include <string>

#include "platform/platform.h"

namespace tw {

constexpr char16_t kProductKey[] = u"Software\\Velthorn\\Pellowen";
constexpr char16_t kRunKey[] = u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr char16_t kRunValue[] = u"Pellowen";

// The temporary folder setting, ending with a backslash. Creates the product
// key and the folder when they are missing; empty when the key cannot be made.
std::u16string EnsureTempFolder(const Platform& p);
// Whether the "Pellowen" Run value exists.
bool StartsWithWindows(const Platform& p);

}  // namespace tw
