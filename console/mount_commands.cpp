// tarnwick list / mount / unmount / folder / mount-iscsi: the device page's
// views and commands, run through the same models and flows as the page.
#include <algorithm>
#include <functional>
#include <map>
#include <sstream>

#include "base/text.h"
#include "console/console.h"
#include "console/mount_commands.h"
#include "devices/device_list.h"
#include "devices/mount_wizard.h"
#include "devices/removal.h"
#include "devices/virtual_folder.h"
#include "iscsi/discovery.h"
#include "platform/prompter.h"

namespace tw::console {
namespace {

// Prints every message and question; questions are answered by `answer`.
class ConsolePrompter final : public Prompter {
 public:
  ConsolePrompter(std::ostream& out, std::function<int(const std::u16string&, unsigned)> answer)
      : out_(out), answer_(std::move(answer)) {}
  int ShowMessage(const std::u16string& text, const std::u16string& caption, unsigned style) override {
    unsigned buttons = style & 0xF;
    int a = buttons == kMbOk ? kIdOk : answer_(text, style);
    out_ << Utf16ToUtf8(text);
    if (buttons != kMbOk) out_ << (a == kIdYes ? " [Yes]" : a == kIdNo ? " [No]" : a == kIdOk ? " [OK]" : " [Cancel]");
    out_ << "\n";
    (void)caption;
    return a;
  }
  int messages = 0;

 private:
  std::ostream& out_;
  std::function<int(const std::u16string&, unsigned)> answer_;
};

constexpr int kListWidth = 700;

void PrintView(Context& ctx, DeviceListModel& list) {
  const auto& cols = list.columns();
  std::vector<size_t> width(cols.size());
  for (size_t c = 0; c < cols.size(); ++c) {
    width[c] = cols[c].title.size();
    for (const DeviceRow& r : list.rows()) width[c] = std::max(width[c], r.texts[c].size());
  }
  ctx.out << Utf16ToUtf8(list.title()) << "\n";
  auto line = [&](const std::vector<std::u16string>& texts) {
    std::string s;
    for (size_t c = 0; c < texts.size(); ++c) {
      std::u16string t = texts[c];
      if (c + 1 < texts.size()) t.resize(width[c] + 2, u' ');
      s += Utf16ToUtf8(t);
    }
    while (!s.empty() && s.back() == ' ') s.pop_back();
    ctx.out << "  " << s << "\n";
  };
  std::vector<std::u16string> titles;
  for (const auto& c : cols) titles.push_back(c.title);
  line(titles);
  for (const DeviceRow& r : list.rows()) line(r.texts);
  if (list.rows().empty()) ctx.out << "  (none)\n";
}

struct Flow {
  explicit Flow(Context& ctx, std::function<int(const std::u16string&, unsigned)> answer)
      : prompter(ctx.err, std::move(answer)), platform(ctx.platform), bus(platform),
        discovery(*ctx.platform.sockets, lists, {}, ctx.platform.code_page) {
    platform.prompter = &prompter;
  }
  ConsolePrompter prompter;
  Platform platform;
  StorageBus bus;
  IscsiLists lists;
  IscsiDiscovery discovery;
};

bool SelectAdapter(Context& ctx, StorageBus& bus, const char* command) {
  Status st = bus.SelectAdapter(0);
  if (st == kOk) return true;
  ctx.err << "tarnwick " << command << ": "
          << (st == kMinusOne ? std::string("no virtual SCSI adapter is present")
                              : "the adapter cannot be opened (error " + std::to_string(st) + ")")
          << "\n";
  return false;
}

}  // namespace

int DeviceListCommand(Context& ctx, const std::vector<std::string>& args) {
  Options w;
  std::string bad;
  if (!ParseOptions(args, 0, {"--category"}, {}, &w, &bad) || !w.positional.empty())
    return UsageError(ctx, "list", "unexpected argument " + (bad.empty() ? w.positional[0] : bad));
  // The NFS listing's own lines are for debugging; the view is what counts here.
  std::ostringstream quiet_sink;
  StreamDiagnosticsFor quiet(quiet_sink);
  Platform p = ctx.platform;
  p.diagnostics = &quiet;
  DeviceListModel list(p);
  list.Create(kListWidth);
  auto it = w.values.find("--category");
  if (it != w.values.end()) {
    list.SetCategoryFromMenuText(Utf8ToUtf16(it->second));
    list.Refresh(kListWidth);
    PrintView(ctx, list);
    return kExitOk;
  }
  // Without a category: the page as it starts, then every other view with rows.
  PrintView(ctx, list);
  for (uint32_t c : {kCategoryIscsi, kCategoryCloud, kCategoryFolders, kCategoryNfs}) {
    list.SetCategory(c);
    list.Refresh(kListWidth);
    if (list.rows().empty()) continue;
    ctx.out << "\n";
    if (c == kCategoryCloud) ctx.out << "Cloud Disks: ";
    if (c == kCategoryNfs) ctx.out << "NFS drives: ";
    PrintView(ctx, list);
  }
  return kExitOk;
}

int MountCommandLine(Context& ctx, const std::vector<std::string>& args) {
  static const std::map<std::string, int> kPages = {
      {"image", kPageImage}, {"vhd", kPageVhd}, {"cd", kPageCd}, {"burner", kPageBurner}};
  if (args.empty() || !kPages.count(args[0]))
    return UsageError(ctx, "mount", "give image, vhd, cd or burner and a path");
  Options w;
  std::string bad;
  if (!ParseOptions(args, 1, {"--create", "--password"}, {"--readonly", "--fixed", "--dvd"}, &w, &bad))
    return UsageError(ctx, "mount", "unknown option " + bad);
  if (w.positional.size() != 1) return UsageError(ctx, "mount", "give one path");
  const std::string& kind = args[0];
  bool create = w.values.count("--create") > 0;
  if ((kind == "cd" && (create || w.values.size() > 0)) ||
      (kind != "image" && kind != "vhd" && (w.values.count("--password") || w.values.count("--readonly"))) ||
      (kind != "vhd" && w.values.count("--fixed")) || (kind != "burner" && w.values.count("--dvd")))
    return UsageError(ctx, "mount", "that option does not apply to " + kind);

  Flow flow(ctx, [](const std::u16string&, unsigned) { return kIdNo; });
  if (!SelectAdapter(ctx, flow.bus, "mount")) return kExitFailed;
  bool finished = false;
  MountContext mc{flow.platform, flow.bus, flow.discovery, nullptr, [&](MountWizard& wizard) {
                    std::u16string path = Utf8ToUtf16(w.positional[0]);
                    std::u16string size = create ? Utf8ToUtf16(w.values["--create"]) : u"";
                    if (kind == "image" || kind == "vhd") {
                      DiskImagePage& page = kind == "vhd" ? wizard.vhd : wizard.image;
                      page.SetChoice(create ? DiskImagePage::kCreate : DiskImagePage::kOpen);
                      page.path = path;
                      if (create) page.size_text = size;
                      page.read_only = w.values.count("--readonly") > 0;
                      page.allocate_all = w.values.count("--fixed") > 0;
                      if (w.values.count("--password")) {
                        page.password_flag = true;
                        page.password = page.confirm = Utf8ToUtf16(w.values["--password"]);
                      }
                    } else if (kind == "cd") {
                      wizard.cd.path = path;
                    } else {
                      wizard.burner.choice = create ? BurnerPage::kCreate : BurnerPage::kOpen;
                      if (w.values.count("--dvd")) wizard.burner.SetDiscKind(BurnerPage::kDvd);
                      if (create) wizard.burner.size_text = size;
                      wizard.burner.path = path;
                    }
                    finished = wizard.Finish();
                    return finished;
                  },
                  nullptr, nullptr, nullptr};
  Status st = RunMountWizard(mc, kPages.at(kind), 0);
  if (!finished || st != kOk) return kExitFailed;
  ctx.out << "Mounted in slot " << mc.plugged_slot << ".\n";
  return kExitOk;
}

int UnmountCommandLine(Context& ctx, const std::vector<std::string>& args) {
  Options w;
  std::string bad;
  if (!ParseOptions(args, 0, {}, {"--force"}, &w, &bad)) return UsageError(ctx, "unmount", "unknown option " + bad);
  if (w.positional.empty()) return UsageError(ctx, "unmount", "give one or more slots");
  std::vector<SelectedRow> rows;
  for (const std::string& s : w.positional) {
    long long slot;
    if (!ParseInt(s, 0, kSlotCount - 1, &slot)) return UsageError(ctx, "unmount", "slots are 0 to 7");
    rows.push_back({static_cast<uint32_t>(slot), u""});
  }
  bool force = w.values.count("--force") > 0;
  Flow flow(ctx, [force](const std::u16string& text, unsigned) {
    // Running the command is the confirmation; forcing is asked for by --force.
    if (text == u"Do you want to remove these devices?") return kIdYes;
    return force ? kIdYes : kIdNo;
  });
  if (!SelectAdapter(ctx, flow.bus, "unmount")) return kExitFailed;
  std::vector<DeviceRecord> plugged(rows.size());
  for (size_t i = 0; i < rows.size(); ++i) {
    if (flow.bus.QueryDevice(static_cast<uint8_t>(rows[i].tag), &plugged[i]) != kOk || !plugged[i].in_use()) {
      ctx.err << "tarnwick unmount: slot " << rows[i].tag << " is empty\n";
      return kExitFailed;
    }
  }
  RemoveSelected(flow.platform, flow.bus, kCategoryAll, rows, nullptr);
  int left = 0;
  for (size_t i = 0; i < rows.size(); ++i) {
    const SelectedRow& r = rows[i];
    // Another program may have mounted something else into the freed slot
    // meanwhile: only the device that was there counts.
    DeviceRecord q;
    if (flow.bus.QueryDevice(static_cast<uint8_t>(r.tag), &q) == kOk && q.in_use() &&
        std::equal(q.data(), q.data() + q.span().size, plugged[i].data())) {
      ctx.err << "Slot " << r.tag << " is still mounted.\n";
      ++left;
    } else {
      ctx.out << "Slot " << r.tag << " unmounted.\n";
    }
  }
  return left ? kExitFailed : kExitOk;
}

namespace {

bool HostPort(Context& ctx, IscsiDiscovery& discovery, const std::string& text, uint32_t* address, uint16_t* port) {
  std::string host, port_text;
  SplitHostPort(text, &host, &port_text);
  long long p = 0;
  if (!ParseInt(port_text, 1, 65535, &p)) return false;
  if (host.empty() || discovery.ResolveHost(Utf8ToUtf16(host), address) != 0) {
    ctx.err << "tarnwick: cannot resolve " << host << "\n";
    return false;
  }
  *port = static_cast<uint16_t>(p);
  return true;
}

}  // namespace

int FolderCommand(Context& ctx, const std::vector<std::string>& args) {
  if (args.empty()) return UsageError(ctx, "folder", "give mount or detach");
  Flow flow(ctx, [](const std::u16string&, unsigned) { return kIdYes; });
  if (args[0] == "mount") {
    Options w;
    std::string bad;
    if (!ParseOptions(args, 1, {"--sub"}, {"--keep", "--auto", "--overlay"}, &w, &bad))
      return UsageError(ctx, "folder", "unknown option " + bad);
    if (w.positional.size() != 3) return UsageError(ctx, "folder", "mount needs HOST[:PORT] TARGET FOLDER");
    WizardData data(kTypeVirtualFolder);
    uint32_t address;
    uint16_t port;
    if (!HostPort(ctx, flow.discovery, w.positional[0], &address, &port)) return kExitFailed;
    data.set_portalAddress(address);
    data.set_portalPort(port);
    data.set_targetName(Utf8ToUtf16(w.positional[1]));
    FolderPageModel page;
    page.folder = Utf8ToUtf16(w.positional[2]);
    page.create_sub_folder = w.values.count("--sub") > 0;
    page.sub_folder = Utf8ToUtf16(w.values["--sub"]);
    page.keep_content = w.values.count("--keep") > 0;
    page.auto_mount = w.values.count("--auto") > 0;
    page.overlay_icon = w.values.count("--overlay") > 0;
    if (!page.Finish(&data, flow.platform)) return kExitFailed;
    if (MountVirtualFolder(flow.platform, flow.bus, data, nullptr) != kOk) return kExitFailed;
    ctx.out << "Mounted into " << Utf16ToUtf8(FolderMountPath(data)) << ".\n";
    return kExitOk;
  }
  if (args[0] == "detach" && args.size() == 2) {
    uint32_t count = 0;
    if (flow.bus.GetVolumeCount(&count) != kOk) {
      ctx.err << "tarnwick folder: the volume driver cannot be opened\n";
      return kExitFailed;
    }
    long long index = -1;
    if (!ParseInt(args[1], 0, 1 << 20, &index)) {
      for (uint32_t i = 0; i < count; ++i) {
        VolumeRecord v;
        std::u16string want = Utf8ToUtf16(args[1]);
        if (flow.bus.IsVolumeActive(i) && flow.bus.GetVolumeInfo(i, &v) == kOk &&
            (EqualsNoCase(v.mount_folder(), want) || EqualsNoCase(v.mount_folder(), want + u"\\")))
          index = i;
      }
    }
    if (index < 0 || index >= count || !flow.bus.IsVolumeActive(static_cast<uint32_t>(index))) {
      ctx.err << "tarnwick folder: no mounted virtual folder " << args[1] << "\n";
      return kExitFailed;
    }
    DetachFolder(flow.platform, flow.bus, static_cast<uint32_t>(index));
    if (flow.bus.IsVolumeActive(static_cast<uint32_t>(index))) {
      ctx.err << "tarnwick folder: the folder is still mounted (its volume may be in use)\n";
      return kExitFailed;
    }
    ctx.out << "Detached.\n";
    return kExitOk;
  }
  return UsageError(ctx, "folder", "give mount HOST[:PORT] TARGET FOLDER or detach INDEX|FOLDER");
}

int MountIscsiCommand(Context& ctx, const std::vector<std::string>& args) {
  Options w;
  std::string bad;
  if (!ParseOptions(args, 0, {"--type", "--chap-user", "--chap-secret"}, {}, &w, &bad))
    return UsageError(ctx, "mount-iscsi", "unknown option " + bad);
  if (w.positional.size() != 2) return UsageError(ctx, "mount-iscsi", "give HOST[:PORT] and TARGET");
  long long type = kTypeIscsiDisk;
  if (w.values.count("--type") && !ParseInt(w.values["--type"], 16, 18, &type))
    return UsageError(ctx, "mount-iscsi", "--type is 16, 17 or 18");
  Flow flow(ctx, [](const std::u16string&, unsigned) { return kIdNo; });
  if (!SelectAdapter(ctx, flow.bus, "mount-iscsi")) return kExitFailed;
  WizardData data(static_cast<uint32_t>(type));
  uint32_t address;
  uint16_t port;
  if (!HostPort(ctx, flow.discovery, w.positional[0], &address, &port)) return kExitFailed;
  data.set_portalAddress(address);
  data.set_portalPort(port);
  data.set_targetName(Utf8ToUtf16(w.positional[1]));
  data.set_chapUser(Utf8ToUtf16(w.values["--chap-user"]));
  data.set_chapSecret(Utf8ToUtf16(w.values["--chap-secret"]));
  MountContext mc{flow.platform, flow.bus, flow.discovery, nullptr, nullptr, nullptr, nullptr, nullptr};
  if (MountIscsiDevice(mc, data) != kOk) return kExitFailed;
  ctx.out << "Mounted in slot " << mc.plugged_slot << ".\n";
  return kExitOk;
}

}  // namespace tw::console
