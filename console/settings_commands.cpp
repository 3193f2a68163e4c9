#include "console/settings_commands.h"

#include "platform/registry.h"
#include "product/product_settings.h"

namespace tw::console {

namespace {

// Deletes `parent`\`name` with everything under it; a missing key is no failure.
bool DeleteKeyTree(Registry& r, RegKey root, const std::u16string& parent, const std::u16string& name) {
  ScopedRegKey key(r);
  Status st = r.OpenKey(root, parent, key.out());
  if (st == kErrFileNotFound) return true;
  if (st != kOk) return false;
  st = r.DeleteTree(key.get(), name);
  return st == kOk || st == kErrFileNotFound;
}

}  // namespace

int ForgetSettingsCommand(Context& ctx, const std::vector<std::string>& args) {
  if (args.size() != 1 || (args[0] != "--machine" && args[0] != "--user"))
    return UsageError(ctx, "forget-settings", "give --machine or --user");
  Registry& r = *ctx.platform.registry;
  bool ok = true;
  if (args[0] == "--machine") {
    ScopedRegKey run(r);
    Status st = r.OpenKey(kHkeyLocalMachine, kRunKey, run.out());
    if (st == kOk) {
      st = r.DeleteValue(run.get(), kRunValue);
      ok &= st == kOk || st == kErrFileNotFound;
    }
    ok &= DeleteKeyTree(r, kHkeyLocalMachine, u"SOFTWARE\\Velthorn", u"Pellowen");
  } else {
    ok &= DeleteKeyTree(r, kHkeyCurrentUser, u"Software\\Velthorn", u"Pellowen");
  }
  if (!ok) {
    ctx.err << "tarnwick forget-settings: the registry refused a deletion\n";
    return kExitFailed;
  }
  return kExitOk;
}

}  // namespace tw::console
