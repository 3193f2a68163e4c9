#include "console/snapshot_commands.h"

#include <limits>
#include <map>

#include "base/text.h"
#include "devices/snapshots/snapshot_manager.h"
#include "devices/snapshots/snapshot_menu_commands.h"
#include "platform/device_io.h"
#include "platform/platform.h"
#include "platform/prompter.h"

namespace tw::console {
namespace {

constexpr char kUsage[] =
    "usage: tarnwick snapshot list SLOT [--layout]\n"
    "       tarnwick snapshot take SLOT NAME [--description TEXT] [--from SNAPSHOT]\n"
    "       tarnwick snapshot revert SLOT\n"
    "       tarnwick snapshot goto|merge|delete SLOT SNAPSHOT\n"
    "       tarnwick snapshot rename SLOT SNAPSHOT NEW-NAME [--description TEXT]\n"
    "SNAPSHOT is a snapshot's name, or its identifier.\n";

// Forwards to the program's prompter and notes a question answered No.
class WatchingPrompter final : public Prompter {
 public:
  explicit WatchingPrompter(Prompter& inner) : inner_(inner) {}
  int ShowMessage(const std::u16string& text, const std::u16string& caption, unsigned style) override {
    int answer = inner_.ShowMessage(text, caption, style);
    if ((style & 0xF) == kMbYesNo && answer != kIdYes) declined = true;
    return answer;
  }
  bool declined = false;

 private:
  Prompter& inner_;
};

// A node's text on one line: the pictures' two-line labels joined.
std::string OneLine(const std::u16string& text) {
  std::string out;
  for (char c : Utf16ToUtf8(text)) {
    if (c == '\r' || c == '\n') c = ' ';
    if (c == ' ' && (out.empty() || out.back() == ' ')) continue;
    out.push_back(c);
  }
  while (!out.empty() && out.back() == ' ') out.pop_back();
  return out;
}

void PrintTree(const SnapshotTree& tree, bool layout, std::ostream& out) {
  std::vector<std::pair<int, int>> stack{{tree.root(), 0}};
  while (!stack.empty()) {
    auto [node, depth] = stack.back();
    stack.pop_back();
    const SnapshotNode& n = tree.node(node);
    std::string line(static_cast<size_t>(depth) * 2, ' ');
    if (n.id != 0) line += "[" + std::to_string(n.id) + "] ";
    line += OneLine(n.name);
    if (n.kind == SnapshotNodeKind::kCurrentSnapshot) line += "  (current)";
    if (!n.description.empty()) line += "  - " + OneLine(n.description);
    if (layout) {
      Rect b = tree.Box(node);
      line += "  @" + std::to_string(b.left) + "," + std::to_string(b.top);
    }
    out << line << "\n";
    std::vector<int> children = tree.Children(node);
    for (auto it = children.rbegin(); it != children.rend(); ++it) stack.push_back({*it, depth + 1});
  }
}

// The node a SNAPSHOT argument names; kNoNode with a reason in *why.
int FindSnapshot(const SnapshotTree& tree, const std::string& arg, std::string* why) {
  std::u16string name = Utf8ToUtf16(arg);
  int found = kNoNode, matches = 0;
  for (size_t i = 0; i < tree.size(); ++i) {
    const SnapshotNode& n = tree.node(static_cast<int>(i));
    if (n.id != 0 && n.parent != kNoNode && n.name == name) {
      found = static_cast<int>(i);
      ++matches;
    }
  }
  if (matches > 1) {
    *why = "several snapshots are named \"" + arg + "\"; give its identifier";
    return kNoNode;
  }
  if (found != kNoNode) return found;
  long long id = 0;
  if (ParseInt(arg, 0, std::numeric_limits<long long>::max(), &id)) found = tree.FindById(static_cast<uint64_t>(id));
  if (found == kNoNode) *why = "no snapshot \"" + arg + "\"";
  return found;
}

}  // namespace

int SnapshotCommand(Context& ctx, const std::vector<std::string>& args) {
  std::ostream& out = ctx.out;
  std::ostream& err = ctx.err;
  if (args.empty()) {
    err << kUsage;
    return kExitUsage;
  }
  const std::string& verb = args[0];
  Options p;
  std::string bad;
  if (!ParseOptions(args, 1, {"--description", "--from"}, {"--layout"}, &p, &bad)) {
    err << "snapshot: unknown option or missing value: " << bad << "\n" << kUsage;
    return kExitUsage;
  }
  static const std::map<std::string, size_t> kArgCount = {{"list", 1},  {"take", 2},   {"revert", 1}, {"goto", 2},
                                                          {"merge", 2}, {"delete", 2}, {"rename", 3}};
  auto want = kArgCount.find(verb);
  if (want == kArgCount.end()) {
    err << "snapshot: unknown command \"" << verb << "\"\n" << kUsage;
    return kExitUsage;
  }
  if (p.positional.size() != want->second) {
    err << "snapshot " << verb << ": wrong number of arguments\n" << kUsage;
    return kExitUsage;
  }
  bool layout = p.values.count("--layout") > 0;
  bool has_description = p.values.count("--description") > 0;
  bool has_from = p.values.count("--from") > 0;
  if ((layout && verb != "list") || (has_description && verb != "take" && verb != "rename") ||
      (has_from && verb != "take")) {
    err << "snapshot " << verb << ": option not taken here\n" << kUsage;
    return kExitUsage;
  }
  long long slot = 0;
  if (!ParseInt(p.positional[0], 0, 7, &slot)) {
    err << "snapshot " << verb << ": SLOT is 0 to 7\n";
    return kExitUsage;
  }
  std::u16string new_name, description = Utf8ToUtf16(has_description ? p.values["--description"] : "");
  if (verb == "take" || verb == "rename") {
    new_name = Utf8ToUtf16(p.positional.back());
    if (new_name.size() > kSnapshotNameMax || description.size() > kSnapshotDescriptionMax) {
      err << "snapshot " << verb << ": a name has at most 31 characters, a description at most 1023\n";
      return kExitUsage;
    }
  }

  WatchingPrompter prompter(*ctx.platform.prompter);
  Platform watched = ctx.platform;
  watched.prompter = &prompter;
  auto declined = [&]() {
    if (prompter.declined && !ctx.assume_yes) err << "snapshot " << verb << ": not done (answered No; --yes answers Yes)\n";
    return kExitFailed;
  };

  Handle h = kInvalidHandle;
  if (Status st = OpenSlotDisk(watched, static_cast<int>(slot), &h); st != kOk) {
    err << "snapshot " << verb << ": slot " << slot << " has no disk that can be opened (error " << HexCode(st) << ")\n";
    return kExitFailed;
  }
  ScopedHandle disk(*ctx.platform.device_io, h);
  uint32_t support = 0;
  if (SnapshotDisk(watched, h).SupportFlag(&support) != kOk || support == 0) {
    err << "snapshot " << verb << ": the device in slot " << slot << " does not support snapshots\n";
    return kExitFailed;
  }

  if (verb == "revert") {
    SnapshotCommandOutcome o = RevertDevice(watched, static_cast<uint32_t>(slot));
    switch (o.result) {
      case SnapshotCommandResult::kDone: return kExitOk;
      case SnapshotCommandResult::kStopped: return declined();
      case SnapshotCommandResult::kNotApplicable:
        err << "snapshot revert: the disk in slot " << slot << " runs on no snapshot\n";
        return kExitFailed;
      case SnapshotCommandResult::kFailed: return kExitFailed;
    }
    return kExitFailed;
  }

  SnapshotManagerModel model(watched, h, static_cast<int>(slot));
  model.Open();
  const SnapshotTree& tree = model.tree();
  if (verb == "list") {
    PrintTree(tree, layout, out);
    return kExitOk;
  }

  int node = kNoNode;
  std::string why;
  if (verb == "take") {
    node = has_from ? FindSnapshot(tree, p.values["--from"], &why) : tree.present_state();
  } else {
    node = FindSnapshot(tree, p.positional[1], &why);
  }
  if (node == kNoNode) {
    err << "snapshot " << verb << ": " << why << " in slot " << slot << "\n";
    return kExitFailed;
  }
  model.SelectNode(node);
  uint64_t id = tree.node(node).id;

  if (verb == "take") {
    model.EditName(new_name);
    model.EditDescription(description);
    if (model.TakeSnapshot()) return kExitOk;
    if (model.last_error() != kOk)
      err << "snapshot take: the driver refused it (error " << HexCode(model.last_error()) << ")\n";
    return kExitFailed;
  }
  if (verb == "rename") {
    model.EditName(new_name);
    if (has_description) model.EditDescription(description);
    if (!model.edited()) return kExitOk;  // nothing changes
    if (model.Close()) {
      out << "Snapshot " << id << " is now named \"" << p.positional[2] << "\".\n";
      return kExitOk;
    }
    if (model.last_error() != kOk)
      err << "snapshot rename: the driver refused it (error " << HexCode(model.last_error()) << ")\n";
    return kExitFailed;
  }

  bool enabled = verb == "goto" ? model.go_to_enabled() : verb == "merge" ? model.merge_enabled()
                                                                            : model.delete_enabled();
  if (!enabled) {
    const char* what = verb == "goto" ? "gone to" : verb == "merge" ? "merged" : "deleted";
    err << "snapshot " << verb << ": snapshot " << id << " cannot be " << what << " now"
        << (verb == "merge" ? "" : " (it has children, or the driver does not allow it)") << "\n";
    return kExitFailed;
  }
  bool done = verb == "goto" ? model.GoTo() : verb == "merge" ? model.Merge() : model.Delete();
  if (done) return kExitOk;
  if (prompter.declined) return declined();
  return kExitFailed;
}

}  // namespace tw::console
