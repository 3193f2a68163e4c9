#include "iscsi/iscsi_commands.h"

#include <algorithm>

#include "base/secure_zero.h"
#include "base/text.h"
#include "iscsi/discovery.h"
#include "iscsi/portals.h"
#include "platform/prompter.h"
#include "platform/sockets.h"

namespace tw {
namespace {

constexpr char kDiscoverUsage[] =
    "usage: tarnwick discover HOST[:PORT] [--value All|Shared|Private] "
    "[--chap-user U --chap-secret S [--allow-ntauth]]\n";
constexpr char kPortalsUsage[] = "usage: tarnwick portals [add HOST[:PORT] | remove HOST[:PORT]]\n";

// The message boxes of the portal manager, as lines on the error stream.
class StreamPrompter final : public Prompter {
 public:
  explicit StreamPrompter(std::ostream& err) : err_(err) {}
  int ShowMessage(const std::u16string& text, const std::u16string&, unsigned) override {
    err_ << Utf16ToUtf8(text) << "\n";
    return kIdOk;
  }

 private:
  std::ostream& err_;
};

// HOST[:PORT] -> host text and port text (3260 when absent).
void SplitHostPort(const std::string& word, std::string* host, std::string* port) {
  size_t colon = word.rfind(':');
  if (colon == std::string::npos) {
    *host = word;
    *port = "3260";
  } else {
    *host = word.substr(0, colon);
    *port = word.substr(colon + 1);
  }
}

std::vector<std::string> Words(const std::vector<std::string>& args, const char* command) {
  std::vector<std::string> words = args;
  if (!words.empty() && words.front() == command) words.erase(words.begin());
  return words;
}

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

int RunDiscoverCommand(const std::vector<std::string>& args, const Platform& platform,
                       std::ostream& out, std::ostream& err) {
  std::string hostPort, value;
  InitiatorConfig config;
  const std::vector<std::string> words = Words(args, "discover");
  for (size_t i = 0; i < words.size(); ++i) {
    const std::string& w = words[i];
    const bool hasNext = i + 1 < words.size();
    if (w == "--value" && hasNext) {
      value = words[++i];
    } else if (w.rfind("--value=", 0) == 0) {
      value = w.substr(8);
    } else if (w == "--chap-user" && hasNext) {
      config.chapUser = words[++i];
    } else if (w == "--chap-secret" && hasNext) {
      config.chapSecret = words[++i];
    } else if (w == "--allow-ntauth") {
      config.allowNtauth = true;
    } else if (!w.empty() && w[0] != '-' && hostPort.empty()) {
      hostPort = w;
    } else {
      err << kDiscoverUsage;
      return 2;
    }
  }
  if (hostPort.empty()) {
    err << kDiscoverUsage;
    return 2;
  }
  const std::u16string v16 = U16(value);
  if (!value.empty()) {
    if (EqualsNoCase(v16, u"All")) {
      value = "All";
    } else if (EqualsNoCase(v16, u"Shared")) {
      value = "Shared";
    } else if (EqualsNoCase(v16, u"Private")) {
      value = "Private";
    } else {
      err << "discover: --value takes All, Shared or Private\n";
      return 2;
    }
  }
  std::string host, portText;
  SplitHostPort(hostPort, &host, &portText);
  uint16_t port = 0;
  std::u16string problem = CheckAddHost(U16(host), U16(portText), &port);
  if (!problem.empty()) {
    err << "discover: " << Utf16ToUtf8(problem) << "\n";
    return 2;
  }
  if (!platform.sockets) {
    err << "discover: no sockets on this platform\n";
    return 1;
  }
  bool ntauthRefused = false;
  config.ntauthRefused = &ntauthRefused;
  IscsiLists lists;
  IscsiDiscovery discovery(*platform.sockets, lists, config, platform.code_page);
  const int rc = discovery.DiscoverHost(U16(host), port, value);
  WipeSecret(config.chapSecret);
  WipeSecret(discovery.config().chapSecret);
  if (rc != 0 && ntauthRefused) {
    err << "discover: the portal asked for NTAUTH, which sends the CHAP secret enciphered under a fixed key "
           "that anyone with this program can undo; the secret was not sent. Give --allow-ntauth to send "
           "it anyway, to a portal you trust.\n";
    return 1;
  }
  if (rc != 0) {
    err << Utf16ToUtf8(CannotConnectMessage(U16(host), rc)) << "\n";
    return 1;
  }
  PrintTargets(lists, out);
  if (lists.targets().empty()) err << "discover: the portal names no target\n";
  return 0;
}

int RunPortalsCommand(const std::vector<std::string>& args, const Platform& platform,
                      std::ostream& out, std::ostream& err) {
  const std::vector<std::string> words = Words(args, "portals");
  const bool list = words.empty();
  const bool add = words.size() == 2 && words[0] == "add";
  const bool remove = words.size() == 2 && words[0] == "remove";
  if (!list && !add && !remove) {
    err << kPortalsUsage;
    return 2;
  }
  std::string host, portText;
  uint16_t port = 0;
  if (!list) {
    SplitHostPort(words[1], &host, &portText);
    std::u16string problem = CheckAddHost(U16(host), U16(portText), &port);
    if (!problem.empty()) {
      err << "portals: " << Utf16ToUtf8(problem) << "\n";
      return 2;
    }
  }
  if (!platform.sockets || !platform.registry) {
    err << "portals: this platform has no " << (platform.sockets ? "registry" : "sockets") << "\n";
    return 1;
  }
  StreamPrompter prompter(err);
  IscsiLists lists;
  IscsiDiscovery discovery(*platform.sockets, lists, {}, platform.code_page);
  PortalManagerModel manager(*platform.registry, discovery, prompter);
  manager.Open();

  int result = 0;
  if (add) {
    const int rc = manager.Add(U16(host), port);
    result = rc == 0 ? 0 : 1;
  } else if (remove) {
    uint32_t address = 0;
    const int rc = discovery.ResolveHost(U16(host), &address);
    if (rc != 0) {
      err << Utf16ToUtf8(CannotConnectMessage(U16(host), rc)) << "\n";
      return 1;
    }
    const auto& rows = manager.rows();
    auto it = std::find_if(rows.begin(), rows.end(), [&](const PortalRow& r) {
      return r.portal.address == address && r.portal.port == port;
    });
    if (it == rows.end()) {
      err << "portals: " << DottedAddress(address) << ":" << port << " is not listed\n";
      return 1;
    }
    manager.Remove({static_cast<size_t>(it - rows.begin())});
  }

  for (const PortalRow& row : manager.rows()) {
    size_t targets = 0;
    for (const IscsiTarget& t : lists.targets())
      for (const IscsiPortal& p : t.portals) targets += p == row.portal;
    out << Utf16ToUtf8(row.host) << ":" << Utf16ToUtf8(row.port) << "\t" << targets
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
        out << Utf16ToUtf8(r.address) << ":" << Utf16ToUtf8(r.port) << "\tnot reached\n";
    }
  }
  return result;
}

}  // namespace tw
