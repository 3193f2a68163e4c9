// The portal registry: the portals the user added, kept under the adapter
// driver's service key and discovered again when they are read.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "base/product.h"
#include "base/status.h"
#include "iscsi/discovery.h"
#include "platform/prompter.h"
#include "platform/registry.h"

namespace tw {

// HKEY_LOCAL_MACHINE\ this key: one subkey "Portal%d" per portal.
constexpr char16_t kVScsiPrtServiceKey[] = u"SYSTEM\\CurrentControlSet\\Services\\VScsiPrt";
constexpr char16_t kPortalsKey[] = u"SYSTEM\\CurrentControlSet\\Services\\VScsiPrt\\Portals";
constexpr int kMaxRegisteredPortals = 128;

// A registered portal as the registry holds it (texts of at most 127
// characters).
struct RegisteredPortal {
  std::u16string address;
  std::u16string port;
};

// Portal0, Portal1 ... up to the first missing key or unreadable value, at
// most 128.
std::vector<RegisteredPortal> ReadRegisteredPortals(Registry& registry);

// Reads the registered portals and runs DiscoverHost for each one whose
// two texts are non-empty.
void LoadPortalsAndDiscover(Registry& registry, IscsiDiscovery& discovery, std::string_view value);

// Deletes the Portals key with its subkeys, then writes one subkey per
// entry, numbered from 0. 0, or the error of the last write that failed.
Status WritePortals(Registry& registry, const std::vector<RegisteredPortal>& portals);
// A portal as the registry holds it: dotted address, decimal port.
RegisteredPortal ToRegistered(const IscsiPortal& portal);
// The program-wide portal list so, in list order.
std::vector<RegisteredPortal> ToRegistered(const IscsiLists& lists);
// WritePortals of the program-wide portal list.
Status SavePortals(Registry& registry, const IscsiLists& lists);
// The same portal: the address without regard to case, the port as written.
bool SamePortal(const RegisteredPortal& a, const RegisteredPortal& b);

// The look of the iSCSI windows' message boxes: the framework's caption
// (the program's name) and a warning icon.
constexpr const char16_t* kMessageCaption = kAppTitle;
constexpr unsigned kMessageStyle = kMbOk | kMbIconWarning;

}  // namespace tw
