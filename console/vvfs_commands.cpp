// tarnwick vvfs ...: sets up the simulated machine's protected volumes
// (what the protected-volume driver's own tools would do) and shows them.
#include <algorithm>
#include <cctype>

#include "base/text.h"
#include "base/validation.h"
#include "console/protect_commands.h"
#include "platform/sim/protected_volumes.h"
#include "platform/sim/sim_machine.h"

namespace tw::console {
namespace {

bool DriveLetter(const std::string& text, char* letter) {
  if (text.size() < 2 || text.size() > 3 || text[1] != ':' || (text.size() == 3 && text[2] != '\\')) return false;
  *letter = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
  return *letter >= 'A' && *letter <= 'Z';
}

int Show(Context& ctx, sim::SimMachine& m, char only) {
  sim::ProtectedVolumes volumes(m.folder());
  sim::ProtectedState s;
  if (volumes.Load(&s) != kOk) {
    ctx.err << "tarnwick vvfs: the protected volumes' state is unreadable\n";
    return kExitFailed;
  }
  if (s.volumes.empty()) ctx.out << "No protected volumes.\n";
  for (const auto& [letter, v] : s.volumes) {
    if (only && letter != only) continue;
    ctx.out << letter << ": \"" << v.label << "\" (VVFS) in " << volumes.Root(letter).u8string() << "\n";
    std::string users;
    for (const std::string& u : v.users) users += (users.empty() ? "" : ", ") + u;
    ctx.out << "  users: " << (users.empty() ? "none" : users) << "\n";
    for (const auto& [key, item] : v.items) {
      if (!item.is_protected) continue;
      ctx.out << "  " << letter << ":" << key << ": " << (item.unlocked ? "unlocked" : "locked")
              << (item.no_lock ? ", no lock" : "") << "\n";
    }
    for (const sim::UserTransfer& t : v.shares) ctx.out << "  shared " << t.path << " to " << t.user << "\n";
    for (const sim::UserTransfer& t : v.copies)
      ctx.out << "  copied " << t.path << " to " << t.user << " (in " << volumes.UserFolder(letter, t.user).u8string()
              << ")\n";
  }
  return kExitOk;
}

}  // namespace

int VvfsCommand(Context& ctx, const std::vector<std::string>& args) {
  sim::SimMachine* m = ctx.machine.simulated();
  if (!m) {
    ctx.err << "tarnwick vvfs: only the simulated machine has protected volumes to set up\n";
    return kExitFailed;
  }
  Options o;
  std::string bad;
  if (!ParseOptions(args, 0, {"--label", "--users", "--password"}, {"--unlocked", "--no-lock"}, &o, &bad))
    return UsageError(ctx, "vvfs", "unknown option " + bad);
  const std::vector<std::string>& p = o.positional;
  char letter = 0;
  if (p.empty()) return UsageError(ctx, "vvfs", "give an action");
  if (p[0] == "show" && p.size() <= 2) {
    if (p.size() == 2 && !DriveLetter(p[1], &letter)) return UsageError(ctx, "vvfs", "give a drive like P:");
    return Show(ctx, *m, letter);
  }
  if ((p[0] == "add" || p[0] == "remove") && p.size() == 2) {
    if (!DriveLetter(p[1], &letter)) return UsageError(ctx, "vvfs", "give a drive like P:");
    for (const std::string& user : SplitList(o.values["--users"]))
      if (!IsPlainName(Utf8ToUtf16(user))) return UsageError(ctx, "vvfs", NotAPlainName("user name", user));
    Status st = p[0] == "add" ? sim::AddProtectedVolume(*m, letter, o.values["--label"], SplitList(o.values["--users"]))
                              : sim::RemoveProtectedVolume(*m, letter);
    if (st == kErrAlreadyExists) {
      ctx.err << "tarnwick vvfs: " << letter << ": is taken by another volume\n";
      return kExitFailed;
    }
    if (st != kOk) {
      ctx.err << "tarnwick vvfs: " << p[0] << " failed (" << HexCode(st) << ")\n";
      return kExitFailed;
    }
    if (p[0] == "add")
      ctx.out << letter << ": holds the files of " << sim::ProtectedVolumes(m->folder()).Root(letter).u8string()
              << "\n";
    return kExitOk;
  }
  if (p[0] == "protect" && p.size() == 2 && o.values.count("--password")) {
    Status st = sim::ProtectItemForSetup(*m, Utf8ToUtf16(p[1]), o.values["--password"], o.values.count("--unlocked") > 0,
                                         o.values.count("--no-lock") > 0);
    if (st != kOk) {
      ctx.err << "tarnwick vvfs: " << p[1] << " is no item of a protected volume (" << HexCode(st) << ")\n";
      return kExitFailed;
    }
    return kExitOk;
  }
  return UsageError(ctx, "vvfs", "unknown action or wrong arguments");
}

}  // namespace tw::console
