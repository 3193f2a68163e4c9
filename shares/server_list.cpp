#include "shares/server_list.h"

#include "base/format.h"
#include "base/text.h"
#include "platform/registry.h"

namespace tw {

std::u16string ServerKeyName(int index) {
  return Format(u"%s%s%d", {kProductKey, u"\\Servers\\Server", index});
}

bool ReadServerEntry(const Platform& p, int index, ServerEntry* entry) {
  ScopedRegKey key(*p.registry);
  if (p.registry->OpenKey(kHkeyCurrentUser, ServerKeyName(index), key.out()) != kOk) return false;
  if (p.registry->QueryString(key.get(), u"IPAddress", kServerTextChars * 2, &entry->server) != kOk) return false;
  return p.registry->QueryDword(key.get(), u"Port", &entry->port) == kOk;
}

std::vector<ServerEntry> ReadServerList(const Platform& p) {
  std::vector<ServerEntry> list;
  for (int i = 0; i < kMaxServers; ++i) {
    ServerEntry e;
    if (!ReadServerEntry(p, i, &e)) break;
    list.push_back(e);
  }
  return list;
}

void WriteServerEntry(const Platform& p, int index, const ServerEntry& entry) {
  ScopedRegKey key(*p.registry);
  if (p.registry->CreateKey(kHkeyCurrentUser, ServerKeyName(index), key.out()) != kOk) return;
  p.registry->SetString(key.get(), u"IPAddress", entry.server);
  p.registry->SetDword(key.get(), u"Port", entry.port);
}

void DeleteServerEntries(const Platform& p, int from) {
  ScopedRegKey servers(*p.registry);
  if (p.registry->OpenKey(kHkeyCurrentUser, Format(u"%s%s", {kProductKey, u"\\Servers"}), servers.out()) != kOk)
    return;
  for (int i = from; i < kMaxServers; ++i) p.registry->DeleteTree(servers.get(), Format(u"Server%d", {i}));
}

void RecordUsedServer(const Platform& p, const std::u16string& server, uint32_t port) {
  if (server.empty() || server.size() >= kServerTextChars) return;  // no reader could take it back
  std::vector<ServerEntry> old = ReadServerList(p);
  WriteServerEntry(p, 0, {server, port});
  int written = 1;
  for (const ServerEntry& e : old) {
    if (written >= kMaxServers) break;
    if (EqualsNoCase(e.server, server)) continue;
    WriteServerEntry(p, written++, e);
  }
  DeleteServerEntries(p, written);
}

}  // namespace tw
