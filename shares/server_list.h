// The preferred NFS server list, kept under the product's key.
#pragma once

#include <string>
#include <vector>

#include "base/status.h"
#include "platform/platform.h"
#include "product/product_settings.h"

namespace tw {

constexpr int kMaxServers = 16;
constexpr int kDefaultNfsPort = 6260;
// Server texts are read with room for 255 characters (any host name), and
// longer ones are not stored, so one entry can never hide the ones after it.
constexpr size_t kServerTextChars = 256;

struct ServerEntry {
  std::u16string server;
  uint32_t port = 0;
};

// "Software\Velthorn\Pellowen\Servers\Server<index>"
std::u16string ServerKeyName(int index);
// One entry; false when its key or a value cannot be read.
bool ReadServerEntry(const Platform& p, int index, ServerEntry* entry);
// Server0, Server1, ... up to the first unreadable entry.
std::vector<ServerEntry> ReadServerList(const Platform& p);
// Writes ServerN (key, "IPAddress", then "Port"); failures are ignored.
void WriteServerEntry(const Platform& p, int index, const ServerEntry& entry);
// Deletes ServerN for every index from `from` to 15.
void DeleteServerEntries(const Platform& p, int from);
// Puts the server first and keeps the others in order without it.
void RecordUsedServer(const Platform& p, const std::u16string& server, uint32_t port);

}  // namespace tw
