#include "product/product_settings.h"

#include "base/status.h"
#include "platform/file_system.h"
#include "platform/registry.h"

namespace tw {

std::u16string EnsureTempFolder(const Platform& p) {
  ScopedRegKey key(*p.registry);
  if (p.registry->CreateKey(kHkeyCurrentUser, kProductKey, key.out()) != kOk) return {};
  std::u16string folder;
  if (p.registry->QueryString(key.get(), u"TempFolder", 260 * 2, &folder) != kOk || folder.empty() ||
      !p.file_system->PathExists(folder))
    folder = u"c:\\Temp\\";
  if (folder.back() != u'\\') folder += u'\\';
  if (!p.file_system->PathExists(folder)) p.file_system->MakeDirectory(folder);
  return folder;
}

bool StartsWithWindows(const Platform& p) {
  ScopedRegKey key(*p.registry);
  if (p.registry->OpenKey(kHkeyLocalMachine, kRunKey, key.out()) != kOk) return false;
  std::u16string value;
  Status st = p.registry->QueryString(key.get(), kRunValue, 2048, &value);
  return st == kOk || st == kErrMoreData;
}

}  // namespace tw
