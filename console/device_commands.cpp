// tarnwick list / unplug: the adapter's slots and the virtual folders.
#include <cstdio>
#include <iomanip>
#include <sstream>

#include "base/text.h"
#include "console/console.h"
#include "console/device_commands.h"
#include "platform/sockets.h"
#include "platform/system_services.h"
#include "storagebus/disk_mapping.h"
#include "storagebus/storage_bus.h"

namespace tw::console {
namespace {

std::string TypeName(const DeviceRecord& r) {
  switch (r.device_type()) {
    case kImageDisk: return "Image disk";
    case kVhdDisk: return "VHD disk";
    case kCdRom: return "CD/DVD image";
    case kCdBurner: return r.disc_kind() == 0 ? "CD-RW burner" : "DVD+RW burner";
    case kIscsiDisk: return "iSCSI disk";
    case kSharedIscsiDisk: return "Shared iSCSI";
    case kPrivateIscsiDisk: return "Private iSCSI";
    case kCloudDisk: return "Cloud disk";
    case kNetworkDisk: return "Network disk";
  }
  return "Type " + std::to_string(r.device_type());
}

std::string AccessName(uint8_t access) {
  if (access == kAccessReadWrite) return "read-write";
  if (access == kAccessVirtualWrite) return "virtual write";
  return "read-only";
}

std::string StripDosDevices(const std::u16string& path) {
  std::u16string p = path;
  std::u16string prefix = kDosDevicesPrefix;
  if (StartsWithNoCase(p, prefix)) p = p.substr(prefix.size());
  return Utf16ToUtf8(p);
}

}  // namespace

std::string FormatBytes(uint64_t bytes) {
  const char* units[] = {"bytes", "KB", "MB", "GB", "TB"};
  double v = static_cast<double>(bytes);
  int u = 0;
  while (v >= 1024 && u < 4) {
    v /= 1024;
    ++u;
  }
  char buf[32];
  if (u == 0) std::snprintf(buf, sizeof buf, "%llu bytes", static_cast<unsigned long long>(bytes));
  else std::snprintf(buf, sizeof buf, "%.2f %s", v, units[u]);
  return buf;
}

std::string DeviceLocation(const DeviceRecord& r, CodePage& code_page) {
  switch (r.device_type()) {
    case kImageDisk: return StripDosDevices(r.image_disk_path());
    case kVhdDisk: return Utf16ToUtf8(code_page.FromAnsi(r.vhd_path()));
    case kCdRom: return StripDosDevices(r.cd_image_path());
    case kCdBurner: return StripDosDevices(r.burner_image_path());
    case kIscsiDisk:
    case kSharedIscsiDisk:
    case kPrivateIscsiDisk:
      return r.target_name() + " at " + DottedAddress(r.target_address()) + ":" + std::to_string(r.target_port());
    case kCloudDisk:
      return r.target_name() + " of " + r.user_name() + " at " + DottedAddress(r.target_address()) + ":" +
             std::to_string(r.target_port());
    case kNetworkDisk:
      return DottedAddress(r.server_address()) + ":" + std::to_string(r.server_port());
  }
  return "";
}

int ListCommand(Context& ctx, const std::vector<std::string>& args) {
  if (!args.empty()) return UsageError(ctx, "list", "unexpected argument '" + args[0] + "'");
  const Platform& p = ctx.platform;
  StorageBus bus(p);
  DiskMapping map(p);
  Status adapter = bus.SelectAdapter(0);
  if (adapter == kMinusOne) {
    ctx.out << "No virtual SCSI adapter is present.\n";
  } else if (adapter != kOk) {
    ctx.err << "tarnwick list: the virtual SCSI adapter cannot be opened (error " << adapter << ")\n";
    return kExitFailed;
  }
  int shown = 0;
  bool failed = false;
  if (adapter == kOk) {
    for (uint8_t slot = 0; slot < kSlotCount; ++slot) {
      DeviceRecord r;
      Status st = bus.QueryDevice(slot, &r);
      if (st != kOk) {
        ctx.err << "tarnwick list: slot " << int(slot) << " cannot be queried (error " << st << ")\n";
        failed = true;
        continue;
      }
      if (!r.in_use()) continue;
      if (shown++ == 0)
        ctx.out << std::left << std::setw(6) << "Slot" << std::setw(15) << "Type" << std::setw(12) << "Capacity"
                << std::setw(15) << "Access" << std::setw(10) << "Letters" << "Location\n";
      std::string letters = Utf16ToUtf8(map.GetSlotLetters(slot));
      while (!letters.empty() && letters.back() == ' ') letters.pop_back();
      ctx.out << std::left << std::setw(6) << int(slot) << std::setw(15) << TypeName(r) << std::setw(12)
              << FormatBytes(r.capacity()) << std::setw(15) << AccessName(r.access()) << std::setw(10)
              << (letters.empty() ? "-" : letters) << DeviceLocation(r, *p.code_page) << "\n";
    }
  }
  uint32_t volumes = 0;
  int folders = 0;
  if (bus.GetVolumeCount(&volumes) == kOk) {
    for (uint32_t i = 0; i < volumes; ++i) {
      VolumeRecord v;
      if (!bus.IsVolumeActive(i) || bus.GetVolumeInfo(i, &v) != kOk) continue;
      if (folders++ == 0) ctx.out << (shown ? "\n" : "") << "Virtual folders:\n";
      ctx.out << "  " << Utf16ToUtf8(v.mount_folder()) << "  " << Utf16ToUtf8(v.target_name()) << " at "
              << DottedAddress(v.server_address()) << ":" << v.server_port() << "  " << FormatBytes(v.capacity()) << "\n";
    }
  }
  if (shown == 0 && folders == 0 && adapter == kOk) ctx.out << "No devices are plugged.\n";
  return failed ? kExitFailed : kExitOk;
}

int UnplugCommand(Context& ctx, const std::vector<std::string>& args) {
  long long slot;
  if (args.size() != 1 || !ParseInt(args[0], 0, kSlotCount - 1, &slot))
    return UsageError(ctx, "unplug", "give one slot number from 0 to 7");
  StorageBus bus(ctx.platform);
  if (bus.SelectAdapter(0) != kOk) {
    ctx.err << "tarnwick unplug: no virtual SCSI adapter is present\n";
    return kExitFailed;
  }
  DeviceRecord r;
  Status st = bus.QueryDevice(static_cast<uint8_t>(slot), &r);
  if (st != kOk) {
    ctx.err << "tarnwick unplug: slot " << slot << " cannot be queried (error " << st << ")\n";
    return kExitFailed;
  }
  if (!r.in_use()) {
    ctx.err << "tarnwick unplug: slot " << slot << " is empty\n";
    return kExitFailed;
  }
  st = bus.UnplugDevice(static_cast<uint8_t>(slot));
  if (st != kOk) {
    ctx.err << "tarnwick unplug: the adapter refused (error " << st << ")\n";
    return kExitFailed;
  }
  // The request's own answer is not examined by the driver protocol, so look.
  DeviceRecord after;
  if (bus.QueryDevice(static_cast<uint8_t>(slot), &after) == kOk && after.in_use()) {
    ctx.err << "tarnwick unplug: slot " << slot << " is still in use\n";
    return kExitFailed;
  }
  ctx.out << "Slot " << slot << " unplugged.\n";
  return kExitOk;
}

}  // namespace tw::console
