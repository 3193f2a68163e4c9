// tarnwick nfs ... and tarnwick servers: NFS shares as network drives, and
// the preferred server list.
#include <algorithm>
#include <map>
#include <sstream>

#include "base/format.h"
#include "base/text.h"
#include "console/console.h"
#include "console/nfs_commands.h"
#include "platform/sockets.h"
#include "platform/wnet.h"
#include "shares/nfs_shares.h"
#include "shares/server_list.h"

namespace tw::console {
namespace {

bool DriveArgument(const std::string& text, std::u16string* drive) {
  if (text == "*") {
    drive->assign(1, u'*');  // not a literal: GCC 12 warns falsely on that form
    return true;
  }
  if (text.size() != 2 || text[1] != ':' || !std::isalpha(static_cast<unsigned char>(text[0]))) return false;
  *drive = Utf8ToUtf16(std::string(1, static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])))) + ":");
  return true;
}

bool PortOption(const Options& o, long long* port) {
  auto it = o.values.find("--port");
  if (it == o.values.end()) {
    *port = kDefaultNfsPort;
    return true;
  }
  return ParseInt(it->second, 1, 65535, port);
}

std::u16string Value(const Options& o, const std::string& name) {
  auto it = o.values.find(name);
  return it == o.values.end() ? u"" : Utf8ToUtf16(it->second);
}

int Mount(Context& ctx, const std::vector<std::string>& args) {
  Options o;
  std::string bad;
  long long port;
  std::u16string drive;
  if (!ParseOptions(args, 1, {"--user", "--password", "--port"}, {"--persistent"}, &o, &bad))
    return UsageError(ctx, "nfs", "unknown option " + bad);
  if (o.positional.size() != 2 || !DriveArgument(o.positional[0], &drive))
    return UsageError(ctx, "nfs", "mount needs a drive (X: or *) and HOST:\\PATH");
  if (!PortOption(o, &port)) return UsageError(ctx, "nfs", "--port takes 1 to 65535");
  std::u16string remote = Utf8ToUtf16(o.positional[1]);
  std::u16string host = remote.substr(0, remote.rfind(u':'));
  Status st = MountNfsShare(drive, &remote, o.values.count("--persistent") > 0, Value(o, "--user"),
                            Value(o, "--password"), static_cast<int>(port), ctx.platform);
  if (st != kOk) return kExitFailed;
  RecordUsedServer(ctx.platform, host, static_cast<uint32_t>(port));
  return kExitOk;
}

int Unmount(Context& ctx, const std::vector<std::string>& args) {
  std::u16string drive;
  if (args.size() != 2 || !DriveArgument(args[1], &drive) || drive == u"*")
    return UsageError(ctx, "nfs", "unmount needs a drive such as X:");
  return UnmountNfsShare(drive, ctx.platform) == kOk ? kExitOk : kExitFailed;
}

int List(Context& ctx, const std::vector<std::string>& args) {
  bool remembered = args.size() == 2 && args[1] == "--remembered";
  if (args.size() > 2 || (args.size() == 2 && !remembered)) return UsageError(ctx, "nfs", "list takes --remembered");
  uint32_t size = 0;
  // Ask for the size first, quietly, then list into records of that size.
  Platform quiet = ctx.platform;
  std::ostringstream sink;
  StreamDiagnosticsFor discard(sink);
  quiet.diagnostics = &discard;
  Status st = ListNfsShares(remembered, nullptr, &size, quiet);
  if (st != kOk && st != kErrBufferOverflow) {
    ctx.err << "tarnwick nfs list: the network provider cannot be asked (error " << st << ")\n";
    return kExitFailed;
  }
  Bytes records(size);
  st = ListNfsShares(remembered, &records, &size, ctx.platform);
  return st == kOk ? kExitOk : kExitFailed;
}

int Exports(Context& ctx, const std::vector<std::string>& args) {
  Options o;
  std::string bad;
  long long port;
  if (!ParseOptions(args, 1, {"--user", "--password", "--port"}, {}, &o, &bad))
    return UsageError(ctx, "nfs", "unknown option " + bad);
  if (o.positional.size() != 1) return UsageError(ctx, "nfs", "exports needs one HOST");
  if (!PortOption(o, &port)) return UsageError(ctx, "nfs", "--port takes 1 to 65535");
  std::vector<uint32_t> addresses;
  if (!ctx.platform.sockets->GetHostByName(o.positional[0], &addresses) || addresses.empty()) {
    ctx.err << "tarnwick nfs exports: cannot resolve " << o.positional[0] << "\n";
    return kExitFailed;
  }
  ExportQueryRequest request;
  request.set_address(addresses[0]);
  request.set_port(static_cast<uint16_t>(port));
  request.set_user(Value(o, "--user"));
  request.set_password(Value(o, "--password"));
  Bytes reply(exportreq::kReplySize, 0);
  uint32_t size = static_cast<uint32_t>(reply.size());
  Status st = QueryServerExports(request, &reply, &size, ctx.platform);
  if (st != kOk) {
    ctx.err << "tarnwick nfs exports: the redirector refused (error " << st << ")\n";
    return kExitFailed;
  }
  std::u16string text = GetUtf16Field(reply, 0, reply.size());
  for (const std::u16string& path : SplitList(text, u',', EmptyItems::kKeep)) ctx.out << Utf16ToUtf8(path) << "\n";
  return kExitOk;
}

}  // namespace

int NfsCommand(Context& ctx, const std::vector<std::string>& args) {
  if (args.empty()) return UsageError(ctx, "nfs", "give mount, unmount, list or exports");
  if (args[0] == "mount") return Mount(ctx, args);
  if (args[0] == "unmount") return Unmount(ctx, args);
  if (args[0] == "list") return List(ctx, args);
  if (args[0] == "exports") return Exports(ctx, args);
  return UsageError(ctx, "nfs", "unknown sub-command '" + args[0] + "'");
}

int ServersCommand(Context& ctx, const std::vector<std::string>& args) {
  if (!args.empty()) return UsageError(ctx, "servers", "takes no arguments");
  std::vector<ServerEntry> list = ReadServerList(ctx.platform);
  if (list.empty()) ctx.out << "No servers are remembered.\n";
  for (size_t i = 0; i < list.size(); ++i)
    ctx.out << i << "  " << Utf16ToUtf8(list[i].server) << ":" << list[i].port << (i == 0 ? "  (preferred)" : "")
            << "\n";
  return kExitOk;
}

}  // namespace tw::console
