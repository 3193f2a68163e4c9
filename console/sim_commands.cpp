// tarnwick sim ...: sets up the simulated machine (what another program or
// Windows itself would do to it), for tests and demonstrations.
#include <algorithm>
#include <filesystem>

#include "base/text.h"
#include "console/console.h"
#include "console/device_commands.h"
#include "platform/sim/sim_machine.h"
#include "storagebus/storage_bus.h"

namespace tw::console {
namespace {

bool VolumeName(const std::string& text, std::string* name) {
  if (text.size() == 2 && text[1] == ':' && std::isalpha(static_cast<unsigned char>(text[0]))) {
    *name = std::string(1, static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])))) + ":";
    return true;
  }
  if (text.rfind("Volume{", 0) == 0 && text.back() == '}') {
    *name = text;
    return true;
  }
  return false;
}

int Status(Context& ctx, sim::SimMachine& m) {
  sim::MachineState s;
  if (m.Load(&s) != kOk) {
    ctx.err << "tarnwick sim: " << m.last_error() << "\n";
    return kExitFailed;
  }
  ctx.out << "State folder: " << m.folder().u8string() << "\n"
          << "Adapter: " << (s.adapter_present ? "present" : "absent") << "\n"
          << "New disks: " << s.partitions_per_disk << " partition(s), " << s.unlettered_partitions
          << " without a letter\n";
  for (const std::string& v : s.held_open) ctx.out << "Held open: " << v << "\n";
  for (const auto& [letter, owner] : s.claimed_letters) ctx.out << "Letter " << letter << ": taken by " << owner << "\n";
  return kExitOk;
}

int Plug(Context& ctx, const std::vector<std::string>& args) {
  // plug-image SLOT PATH [--create MB] | plug-cd SLOT PATH
  bool cd = args[0] == "plug-cd";
  long long slot, mb = 0;
  if (args.size() < 3 || !ParseInt(args[1], 0, kSlotCount - 1, &slot))
    return UsageError(ctx, "sim", "give a slot from 0 to 7 and a Win32 path");
  for (size_t i = 3; i < args.size(); ++i) {
    if (args[i] == "--create" && !cd && i + 1 < args.size() && ParseInt(args[i + 1], 1, 1 << 24, &mb)) ++i;
    else return UsageError(ctx, "sim", "unexpected argument '" + args[i] + "'");
  }
  DeviceRecord r;
  r.set_slot(static_cast<uint8_t>(slot));
  std::u16string path = Utf8ToUtf16(args[2]);
  if (cd) {
    r.set_device_type(kCdRom);
    r.set_image_format(ImageFormatForPath(path));
    r.set_cd_image_path(path);
  } else {
    r.set_device_type(kImageDisk);
    r.set_create_new(mb > 0);
    r.set_new_size(static_cast<uint64_t>(mb) << 20);
    r.set_image_disk_path(path);
  }
  StorageBus bus(ctx.platform);
  if (bus.SelectAdapter(0) != kOk) {
    ctx.err << "tarnwick sim: no virtual SCSI adapter is present\n";
    return kExitFailed;
  }
  tw::Status st = bus.PlugDevice(r);
  if (st != kOk) {
    ctx.err << "tarnwick sim: the adapter refused the device (" << HexCode(st) << ")\n";
    return kExitFailed;
  }
  ctx.out << "Plugged into slot " << slot << ".\n";
  return kExitOk;
}

}  // namespace

int SimCommand(Context& ctx, const std::vector<std::string>& args) {
  sim::SimMachine* m = ctx.machine.simulated();
  if (!m) {
    ctx.err << "tarnwick sim: this program runs on the real machine (set TARNWICK_MACHINE=sim)\n";
    return kExitFailed;
  }
  if (args.empty()) return UsageError(ctx, "sim", "give a sub-command");
  const std::string& what = args[0];
  if (what == "status" && args.size() == 1) return Status(ctx, *m);
  if (what == "plug-image" || what == "plug-cd") return Plug(ctx, args);

  std::function<bool(sim::MachineState&)> change;
  std::string done;
  std::string volume;
  long long n = 0, unlettered = 0;
  if ((what == "hold" || what == "release") && args.size() == 2 && VolumeName(args[1], &volume)) {
    bool hold = what == "hold";
    change = [=](sim::MachineState& s) {
      if (hold) s.held_open.insert(volume);
      else s.held_open.erase(volume);
      return true;
    };
    done = volume + (hold ? " is held open by another program." : " is no longer held open.");
  } else if (what == "adapter" && args.size() == 2 && (args[1] == "on" || args[1] == "off")) {
    bool on = args[1] == "on";
    change = [=](sim::MachineState& s) {
      s.adapter_present = on;
      return true;
    };
    done = on ? "The adapter is present." : "The adapter is absent.";
  } else if (what == "partitions" && (args.size() == 2 || (args.size() == 4 && args[2] == "--unlettered")) &&
             ParseInt(args[1], 1, 4, &n) && (args.size() == 2 || ParseInt(args[3], 0, n, &unlettered))) {
    change = [=](sim::MachineState& s) {
      s.partitions_per_disk = static_cast<int>(n);
      s.unlettered_partitions = static_cast<int>(unlettered);
      return true;
    };
    done = "Disks plugged from now on get " + std::to_string(n) + " partition(s).";
  } else if (what == "nfs-server" && args.size() >= 3) {
    sim::NfsServer server;
    server.address = args[1];
    server.exports = SplitList(args[2]);
    for (size_t i = 3; i + 1 < args.size() + 1; i += 2) {
      if (i + 1 >= args.size()) return UsageError(ctx, "sim", "option " + args[i] + " needs a value");
      long long port;
      if (args[i] == "--port" && ParseInt(args[i + 1], 1, 65535, &port)) server.port = static_cast<uint16_t>(port);
      else if (args[i] == "--user") server.user = args[i + 1];
      else if (args[i] == "--password") server.password = args[i + 1];
      else return UsageError(ctx, "sim", "unexpected argument '" + args[i] + "'");
    }
    if (std::count(server.address.begin(), server.address.end(), '.') != 3 || server.exports.empty())
      return UsageError(ctx, "sim", "nfs-server needs a dotted address and exports such as /export/home,/data");
    change = [=](sim::MachineState& s) {
      for (auto it = s.nfs_servers.begin(); it != s.nfs_servers.end();)
        it = it->address == server.address && it->port == server.port ? s.nfs_servers.erase(it) : it + 1;
      s.nfs_servers.push_back(server);
      return true;
    };
    done = "The NFS server " + server.address + ":" + std::to_string(server.port) + " exports " + args[2] + ".";
  } else if (what == "net-share" && args.size() == 3 && VolumeName(args[1], &volume) && volume.size() == 2) {
    sim::NetConnection c;
    c.local = volume;
    c.remote = args[2];
    c.provider = "Microsoft Windows Network";
    c.comment = "a file share of another provider";
    c.connected = c.remembered = true;
    change = [=](sim::MachineState& s) {
      s.net_connections.push_back(c);
      return true;
    };
    done = volume + " is connected to " + args[2] + " by another network provider.";
  } else if (what == "reset" && args.size() == 1) {
    change = [](sim::MachineState& s) {
      s = sim::MachineState{};
      return true;
    };
    done = "The simulated machine is empty.";
  } else {
    return UsageError(ctx, "sim", "unknown or incomplete sub-command '" + what + "'");
  }
  tw::Status st = what == "reset" ? m->Save(sim::MachineState{}) : m->Update(change);
  if (st != kOk) {
    ctx.err << "tarnwick sim: " << m->last_error() << "\n";
    return kExitFailed;
  }
  ctx.out << done << "\n";
  return kExitOk;
}

}  // namespace tw::console
