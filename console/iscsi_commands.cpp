#include "console/iscsi_commands.h"

#include <algorithm>

#include "base/secure_zero.h"
#include "base/text.h"
#include "iscsi/discovery.h"
#include "iscsi/portal_manager.h"
#include "iscsi/portals.h"
#include "platform/sockets.h"

namespace tw::console {
namespace {

std::string PortalText(const IscsiPortal& p) {
  return DottedAddress(p.address) + ":" + std::to_string(p.port);
}

void PrintTargets(const IscsiLists& lists, std::ostream& out) {
  for (const IscsiTarget& t : lists.targets()) {
    out << Utf16ToUtf8(t.name) << "\t" << (t.isPrivate ? "Private" : "Shared") << "\t";
    for (size_t i = 0; i < t.portals.size(); ++i) out << (i ? "," : "") << PortalText(t.portals[i]);
    out << "\n";
  }
}

}  // namespace

int DiscoverCommand(Context& ctx, const std::vector<std::string>& args) {
  // --value=NAME is taken as well as --value NAME.
  std::vector<std::string> words;
  for (const std::string& a : args) {
    if (a.rfind("--value=", 0) == 0) {
      words.push_back("--value");
      words.push_back(a.substr(8));
    } else {
      words.push_back(a);
    }
  }
  Options o;
  std::string bad;
  if (!ParseOptions(words, 0, {"--value", "--chap-user", "--chap-secret"}, {"--allow-ntauth"}, &o, &bad))
    return UsageError(ctx, "discover", "unknown option or missing value: " + bad);
  for (std::string& w : words) WipeSecret(w);
  if (o.positional.size() != 1 || o.positional[0].empty() || o.positional[0][0] == '-')
    return UsageError(ctx, "discover", "give one HOST[:PORT]");
  InitiatorConfig config;
  config.chapUser = o.values["--chap-user"];
  config.chapSecret = o.values["--chap-secret"];
  WipeSecret(o.values["--chap-secret"]);
  config.allowNtauth = o.values.count("--allow-ntauth") > 0;
  std::string value = o.values["--value"];
  const std::u16string v16 = U16(value);
  if (!value.empty()) {
    if (EqualsNoCase(v16, u"All")) {
      value = "All";
    } else if (EqualsNoCase(v16, u"Shared")) {
      value = "Shared";
    } else if (EqualsNoCase(v16, u"Private")) {
      value = "Private";
    } else {
      WipeSecret(config.chapSecret);
      return UsageError(ctx, "discover", "--value takes All, Shared or Private");
    }
  }
  std::string host, portText;
  SplitHostPort(o.positional[0], &host, &portText);
  uint16_t port = 0;
  std::u16string problem = CheckAddHost(U16(host), U16(portText), &port);
  if (!problem.empty()) {
    WipeSecret(config.chapSecret);
    return UsageError(ctx, "discover", Utf16ToUtf8(problem));
  }
  if (!ctx.platform.sockets) {
    WipeSecret(config.chapSecret);
    ctx.err << "tarnwick discover: no sockets on this platform\n";
    return kExitFailed;
  }
  bool ntauthRefused = false;
  config.ntauthRefused = &ntauthRefused;
  IscsiLists lists;
  IscsiDiscovery discovery(*ctx.platform.sockets, lists, config, ctx.platform.code_page);
  const int rc = discovery.DiscoverHost(U16(host), port, value);
  WipeSecret(config.chapSecret);
  WipeSecret(discovery.config().chapSecret);
  if (rc != 0 && ntauthRefused) {
    ctx.err << "tarnwick discover: the portal asked for NTAUTH, which sends the CHAP secret enciphered under a "
               "fixed key that anyone with this program can undo; the secret was not sent. Give --allow-ntauth "
               "to send it anyway, to a portal you trust.\n";
    return kExitFailed;
  }
  if (rc != 0) {
    ctx.err << Utf16ToUtf8(CannotConnectMessage(U16(host), rc)) << "\n";
    return kExitFailed;
  }
  PrintTargets(lists, ctx.out);
  if (lists.targets().empty()) ctx.err << "tarnwick discover: the portal names no target\n";
  return kExitOk;
}

int PortalsCommand(Context& ctx, const std::vector<std::string>& words) {
  const bool list = words.empty();
  const bool add = words.size() == 2 && words[0] == "add";
  const bool remove = words.size() == 2 && words[0] == "remove";
  if (!list && !add && !remove) return UsageError(ctx, "portals", "give nothing, add HOST[:PORT] or remove HOST[:PORT]");
  const Platform& platform = ctx.platform;
  std::string host, portText;
  uint16_t port = 0;
  if (!list) {
    SplitHostPort(words[1], &host, &portText);
    std::u16string problem = CheckAddHost(U16(host), U16(portText), &port);
    if (!problem.empty()) return UsageError(ctx, "portals", Utf16ToUtf8(problem));
  }
  if (!platform.sockets || !platform.registry) {
    ctx.err << "tarnwick portals: this platform has no " << (platform.sockets ? "registry" : "sockets") << "\n";
    return kExitFailed;
  }
  IscsiLists lists;
  IscsiDiscovery discovery(*platform.sockets, lists, {}, platform.code_page);
  PortalManagerModel manager(*platform.registry, discovery, *platform.prompter);
  manager.Open();

  int result = kExitOk;
  if (add) {
    const int rc = manager.Add(U16(host), port);
    result = rc == 0 ? kExitOk : kExitFailed;
  } else if (remove) {
    uint32_t address = 0;
    const int rc = discovery.ResolveHost(U16(host), &address);
    if (rc != 0) {
      ctx.err << Utf16ToUtf8(CannotConnectMessage(U16(host), rc)) << "\n";
      return kExitFailed;
    }
    const auto& rows = manager.rows();
    auto it = std::find_if(rows.begin(), rows.end(), [&](const PortalRow& r) {
      return r.portal.address == address && r.portal.port == port;
    });
    if (it == rows.end()) {
      ctx.err << "tarnwick portals: " << DottedAddress(address) << ":" << port << " is not listed\n";
      return kExitFailed;
    }
    manager.Remove({static_cast<size_t>(it - rows.begin())});
  }

  for (const PortalRow& row : manager.rows()) {
    size_t targets = 0;
    for (const IscsiTarget& t : lists.targets())
      for (const IscsiPortal& p : t.portals) targets += p == row.portal;
    ctx.out << Utf16ToUtf8(row.host) << ":" << Utf16ToUtf8(row.port) << "\t" << targets
        << (targets == 1 ? " target" : " targets") << "\n";
  }
  if (list) {
    // Registered portals that did not answer (or named no target) are not in
    // the program-wide list; the next save drops them from the registry.
    for (const RegisteredPortal& r : ReadRegisteredPortals(*platform.registry)) {
      const bool shown = std::any_of(manager.rows().begin(), manager.rows().end(), [&](const PortalRow& row) {
        return EqualsNoCase(row.host, r.address) && row.port == r.port;
      });
      if (!shown)
        ctx.out << Utf16ToUtf8(r.address) << ":" << Utf16ToUtf8(r.port) << "\tnot reached\n";
    }
  }
  return result;
}

}  // namespace tw::console
