#include "iscsi/portals.h"

#include "base/format.h"
#include "base/text.h"
#include "iscsi/login.h"

namespace tw {
namespace {

// Registry texts of at most 127 characters: a buffer of 128 UTF-16 units.
constexpr uint32_t kRegTextBytes = 128 * 2;

std::u16string PortalSubkey(int index) {
  return Format(u"%s\\Portal%d", {std::u16string(kPortalsKey), index});
}

uint16_t PortFromText(std::u16string_view text) {
  return static_cast<uint16_t>(ParseDecimal(Utf16ToUtf8(text)));
}

}  // namespace

std::vector<RegisteredPortal> ReadRegisteredPortals(Registry& registry) {
  std::vector<RegisteredPortal> out;
  for (int i = 0; i < kMaxRegisteredPortals; ++i) {
    ScopedRegKey key(registry);
    if (registry.OpenKey(kHkeyLocalMachine, PortalSubkey(i), key.out()) != kOk) break;
    RegisteredPortal p;
    if (registry.QueryString(key.get(), u"Address", kRegTextBytes, &p.address) != kOk) break;
    if (registry.QueryString(key.get(), u"Port", kRegTextBytes, &p.port) != kOk) break;
    out.push_back(std::move(p));
  }
  return out;
}

void LoadPortalsAndDiscover(Registry& registry, IscsiDiscovery& discovery, std::string_view value) {
  for (const RegisteredPortal& p : ReadRegisteredPortals(registry)) {
    if (p.address.empty() || p.port.empty()) continue;
    discovery.DiscoverHost(p.address, PortFromText(p.port), value);
  }
}

Status WritePortals(Registry& registry, const std::vector<RegisteredPortal>& portals) {
  {
    ScopedRegKey service(registry);
    if (registry.OpenKey(kHkeyLocalMachine, kVScsiPrtServiceKey, service.out()) == kOk)
      registry.DeleteTree(service.get(), u"Portals");
  }
  Status result = kOk;
  int index = 0;
  for (const RegisteredPortal& portal : portals) {
    ScopedRegKey key(registry);
    Status s = registry.CreateKey(kHkeyLocalMachine, PortalSubkey(index++), key.out());
    if (s != kOk) {
      result = s;
      continue;
    }
    s = registry.SetString(key.get(), u"Address", portal.address);
    if (s != kOk) result = s;
    s = registry.SetString(key.get(), u"Port", portal.port);
    if (s != kOk) result = s;
  }
  return result;
}

RegisteredPortal ToRegistered(const IscsiPortal& portal) {
  return {U16(DottedAddress(portal.address)), Format(u"%d", {unsigned{portal.port}})};
}

std::vector<RegisteredPortal> ToRegistered(const IscsiLists& lists) {
  std::vector<RegisteredPortal> out;
  for (const IscsiPortal& portal : lists.portals()) out.push_back(ToRegistered(portal));
  return out;
}

Status SavePortals(Registry& registry, const IscsiLists& lists) { return WritePortals(registry, ToRegistered(lists)); }

bool SamePortal(const RegisteredPortal& a, const RegisteredPortal& b) {
  return EqualsNoCase(a.address, b.address) && a.port == b.port;
}

}  // namespace tw
