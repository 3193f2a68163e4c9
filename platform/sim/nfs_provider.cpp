#include "platform/sim/nfs_provider.h"

#include "base/text.h"
#include "contracts/nfs_components.h"

namespace tw::sim {

bool ReadMountOptions(ConstByteSpan block, std::map<std::string, std::string>* options) {
  options->clear();
  if (block.size < mountopt::kFirstEntry || GetU16LE(block, mountopt::kTag) != mountopt::kTagValue) return false;
  uint32_t length = GetU32LE(block, mountopt::kEntriesLength);
  if (length > block.size - mountopt::kFirstEntry || length > mountopt::kEntryBytes) return false;
  size_t end = mountopt::kFirstEntry + length;
  size_t off = mountopt::kFirstEntry;
  if (length == 0) return true;
  for (int guard = 0; guard < 1000; ++guard) {
    if (!block.Fits(off, mountopt::kEntryOverhead) || off + mountopt::kEntryOverhead > end) return false;
    uint32_t next = GetU32LE(block, off + mountopt::kNextOffset);
    size_t name_len = block.data[off + mountopt::kNameLength];
    size_t value_len = GetU16LE(block, off + mountopt::kValueLength);
    size_t used = mountopt::kEntryOverhead + name_len + value_len;
    if (block.data[off + mountopt::kFlags] != 0 || name_len == 0 || name_len % 2 || value_len % 2 ||
        off + used > end)
      return false;
    size_t name_at = off + mountopt::kName;
    size_t value_at = name_at + name_len + 2;
    if (GetU16LE(block, name_at + name_len) != 0 || GetU16LE(block, value_at + value_len) != 0) return false;
    std::u16string name, value;
    for (size_t i = 0; i < name_len; i += 2) name.push_back(GetU16LE(block, name_at + i));
    for (size_t i = 0; i < value_len; i += 2) value.push_back(GetU16LE(block, value_at + i));
    if (!options->emplace(Utf16ToUtf8(name), Utf16ToUtf8(value)).second) return false;
    if (next == 0) return off + used == end;  // the header's length ends at the last entry
    if (next != ((used + 3) & ~size_t{3})) return false;
    off += next;
  }
  return false;
}

std::string NormalizeExportPath(const std::string& path) {
  std::string out;
  for (char c : path) {
    if (c == '/') c = '\\';
    if (c == '\\' && !out.empty() && out.back() == '\\') continue;
    out.push_back(c);
  }
  if (out.empty() || out[0] != '\\') out.insert(out.begin(), '\\');
  while (out.size() > 1 && out.back() == '\\') out.pop_back();
  return out;
}

const NfsServer* FindNfsServer(const MachineState& state, const std::string& host, uint16_t port) {
  std::string address = EqualsNoCase(Utf8ToUtf16(host), u"localhost") ? "127.0.0.1" : host;
  for (const NfsServer& s : state.nfs_servers)
    if (s.address == address && s.port == port) return &s;
  return nullptr;
}

bool ServerExports(const NfsServer& server, const std::string& path) {
  std::u16string p = ToLowerAscii(Utf8ToUtf16(NormalizeExportPath(path)));
  for (const std::string& e : server.exports) {
    std::u16string x = ToLowerAscii(Utf8ToUtf16(NormalizeExportPath(e)));
    if (p == x || (p.size() > x.size() && p.compare(0, x.size(), x) == 0 && p[x.size()] == u'\\')) return true;
  }
  return false;
}

}  // namespace tw::sim
