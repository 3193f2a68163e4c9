// tarnwick protect ...: what the shell extension's context menu does to an
// item of a protected volume, through the same driver requests, so it can
// be scripted without the shell.
#include "console/protect_commands.h"

#include "base/secure_zero.h"
#include "base/text.h"
#include "base/validation.h"
#include "platform/system_services.h"
#include "shellext/protected_drive.h"
#include "shellext/shell_commands.h"

namespace tw::console {
namespace {

int Failed(Context& ctx, const std::string& what, Status code) {
  std::string text = ctx.platform.diagnostics->SystemMessage(code);
  ctx.err << "tarnwick protect: " << what << " failed: " << (text.empty() ? "error" : text) << " ("
          << HexCode(code) << ")\n";
  return kExitFailed;
}

}  // namespace

int ProtectCommand(Context& ctx, const std::vector<std::string>& args) {
  Options o;
  std::string bad;
  if (!ParseOptions(args, 0, {"--password"}, {}, &o, &bad)) return UsageError(ctx, "protect", "unknown option " + bad);
  if (o.positional.size() < 2) return UsageError(ctx, "protect", "give an action and a path");
  const std::string& action = o.positional[0];
  std::u16string path = Utf8ToUtf16(o.positional[1]);
  std::vector<std::u16string> users;
  for (size_t i = 2; i < o.positional.size(); ++i) users.push_back(Utf8ToUtf16(o.positional[i]));
  bool needs_password = action == "unlock" || action == "encrypt" || action == "decrypt";
  bool takes_users = action == "share" || action == "copy";
  if (needs_password != (o.values.count("--password") > 0))
    return UsageError(ctx, "protect", needs_password ? action + " needs --password" : action + " takes no password");
  if (takes_users == users.empty()) return UsageError(ctx, "protect", takes_users ? action + " needs users" : "too many arguments");
  for (const std::u16string& user : users)
    if (!IsPlainName(user)) return UsageError(ctx, "protect", NotAPlainName("user name", Utf16ToUtf8(user)));
  std::u16string password = needs_password ? Utf8ToUtf16(o.values["--password"]) : u"";
  ScopedWipe wipe(password);

  shellext::ProtectedDrive drive(ctx.platform);
  if (!drive.IsProtectedVolume(path)) {
    ctx.err << "tarnwick protect: " << o.positional[1] << " is not on a protected volume\n";
    return kExitFailed;
  }
  Status st = kOk;
  if (action == "state") {
    shellext::ItemState state;
    if (!drive.QueryProtectionState(path, &state)) {
      ctx.out << "not protected\n";
    } else {
      ctx.out << "protected, " << (state.unlocked ? "unlocked" : "locked") << (state.no_lock ? ", no lock" : "")
              << "\n";
    }
    return kExitOk;
  } else if (action == "lock") {
    st = drive.LockItem(path);
  } else if (action == "unlock") {
    st = drive.UnlockItem(path, password);
  } else if (action == "encrypt") {
    st = drive.EncryptItem(path, password);
  } else if (action == "decrypt") {
    st = drive.DecryptItem(path, password);
  } else if (action == "users") {
    for (const std::u16string& user : shellext::ShareUsersOf(drive, path)) ctx.out << Utf16ToUtf8(user) << "\n";
    return kExitOk;
  } else if (takes_users) {
    int failed = 0;
    for (const std::u16string& user : users) {
      Status one = action == "share" ? drive.ShareItemToUser(path, user) : drive.CopyItemToUser(path, user);
      if (one != kOk) {
        Failed(ctx, action + " to " + Utf16ToUtf8(user), one);
        ++failed;
      }
    }
    ctx.out << users.size() - failed << " successful, " << failed << " failed\n";
    return failed ? kExitFailed : kExitOk;
  } else {
    return UsageError(ctx, "protect", "unknown action " + action);
  }
  return st == kOk ? kExitOk : Failed(ctx, action, st);
}

}  // namespace tw::console
