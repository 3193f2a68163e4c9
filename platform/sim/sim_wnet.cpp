// WNet of the simulated machine: the "VNFS Network" provider with current
// and remembered connections, plus connections of other providers that were
// set up on the machine (listed, never made here).
#include <algorithm>
#include <map>
#include <mutex>

#include "base/text.h"
#include "platform/sim/nfs_provider.h"
#include "platform/sim/sim_machine.h"
#include "platform/wnet.h"
#include "contracts/nfs_components.h"

namespace tw::sim {
namespace {

constexpr Status kErrBadNetPath = 53;
constexpr Status kErrLogonFailure = 1326;

bool DriveText(const std::u16string& s, char* letter) {
  if (s.size() != 2 || s[1] != u':') return false;
  char16_t c = s[0] & ~0x20;
  if (c < u'A' || c > u'Z') return false;
  *letter = static_cast<char>(c);
  return true;
}

bool SameText(const std::string& a, const std::string& b) { return EqualsNoCase(Utf8ToUtf16(a), Utf8ToUtf16(b)); }

class SimWNet final : public WNet {
 public:
  explicit SimWNet(SimMachine& m) : machine_(m) {}

  Status UseConnection(const NetResourceRequest& r, const char16_t* password, const char16_t* user, uint32_t flags,
                       uint32_t access_chars, std::u16string* access_name) override {
    std::lock_guard<std::mutex> hold(mutex_);
    if (r.type != kResourceTypeDisk) return kErrInvalidParameter;
    if (r.provider != kNfsProviderName) return kErrBadProvider;
    std::map<std::string, std::string> options;
    if (!ReadMountOptions(r.comment, &options)) return kErrInvalidParameter;
    std::string host = options["srvname"], path = options["mntpt"];
    if (host.empty() || path.empty()) return kErrInvalidParameter;
    std::u16string expected = u"\\\\" + Utf8ToUtf16(host) + Utf8ToUtf16(path);
    if (!EqualsNoCase(expected, r.remote_name)) return kErrBadNetName;
    uint64_t port = 6260;
    if (options.count("port") && !ParseNumber(options["port"], &port)) return kErrInvalidParameter;
    std::string local;
    if (r.local_name) {
      char letter;
      if (!DriveText(r.local_name, &letter)) return kErrBadDevice;
      local = std::string(1, letter) + ":";
    }
    std::u16string result = r.local_name ? Utf8ToUtf16(local) : r.remote_name;
    if (result.size() + 1 > access_chars) return kErrMoreData;

    Status status = kOk;
    Status st = machine_.Update([&](MachineState& s) {
      if (!local.empty() && TakenLetters(s).count(local[0])) {
        status = kErrAlreadyAssigned;
        return false;
      }
      const NfsServer* server = FindNfsServer(s, host, static_cast<uint16_t>(port));
      if (!server) {
        status = kErrBadNetPath;
        return false;
      }
      if (!ServerExports(*server, path)) {
        status = kErrBadNetName;
        return false;
      }
      if (!server->user.empty() && (options["user"] != server->user || options["pass"] != server->password)) {
        status = kErrLogonFailure;
        return false;
      }
      // A new connection of the same letter replaces a remembered one.
      s.net_connections.erase(std::remove_if(s.net_connections.begin(), s.net_connections.end(),
                                             [&](const NetConnection& c) { return !local.empty() && c.local == local; }),
                              s.net_connections.end());
      NetConnection c;
      c.local = local;
      c.remote = Utf16ToUtf8(r.remote_name);
      c.provider = Utf16ToUtf8(kNfsProviderName);
      c.comment = "NFS export " + NormalizeExportPath(path) + " of " + host;
      c.user = options["user"];
      c.connected = true;
      c.remembered = (flags & kConnectUpdateProfile) && !local.empty();
      s.net_connections.push_back(c);
      return true;
    });
    if (st != kOk) return st;
    if (status == kOk) *access_name = result;
    return status;
  }

  Status CancelConnection2(const std::u16string& name, uint32_t flags, bool force) override {
    std::lock_guard<std::mutex> hold(mutex_);
    Status status = kErrNotConnected;
    std::string n = Utf16ToUtf8(name);
    Status st = machine_.Update([&](MachineState& s) {
      bool changed = false;
      for (auto it = s.net_connections.begin(); it != s.net_connections.end();) {
        bool match = (!it->local.empty() && SameText(it->local, n)) || SameText(it->remote, n);
        if (!match || (!it->connected && !(flags & kConnectUpdateProfile))) {
          ++it;
          continue;
        }
        changed = true;
        status = kOk;
        it->connected = false;
        if (flags & kConnectUpdateProfile) it->remembered = false;
        if (!it->connected && !it->remembered) it = s.net_connections.erase(it);
        else ++it;
      }
      return changed;
    });
    return st != kOk ? st : status;
  }

  Status GetConnection(const std::u16string& local_name, uint32_t capacity_chars, std::u16string* remote) override {
    std::lock_guard<std::mutex> hold(mutex_);
    char letter;
    if (!DriveText(local_name, &letter)) return kErrBadDevice;
    std::shared_ptr<const MachineState> s_now;
    if (Status st = machine_.Current(&s_now)) return st;
    const MachineState& s = *s_now;
    for (const NetConnection& c : s.net_connections) {
      if (c.local != std::string(1, letter) + ":") continue;
      std::u16string r = Utf8ToUtf16(c.remote);
      if (r.size() + 1 > capacity_chars) return kErrMoreData;
      *remote = r;
      return c.connected ? kOk : kErrConnectionUnavail;
    }
    return kErrNotConnected;
  }

  Status OpenEnum(uint32_t scope, uint32_t type, uint32_t usage, WNetEnumHandle* handle) override {
    std::lock_guard<std::mutex> hold(mutex_);
    if (scope != kResourceConnected && scope != kResourceRemembered) return kErrInvalidParameter;
    std::shared_ptr<const MachineState> s_now;
    if (Status st = machine_.Current(&s_now)) return st;
    const MachineState& s = *s_now;
    std::vector<NetResource> entries;
    for (const NetConnection& c : s.net_connections) {
      if (scope == kResourceConnected ? !c.connected : !c.remembered) continue;
      if (type != 0 && type != kResourceTypeDisk) continue;
      NetResource r;
      r.scope = scope;
      r.type = kResourceTypeDisk;
      r.display_type = 3;  // a share
      r.usage = 1;         // connectable
      r.local_name = Utf8ToUtf16(c.local);
      r.remote_name = Utf8ToUtf16(c.remote);
      r.comment = Utf8ToUtf16(c.comment);
      r.provider = Utf8ToUtf16(c.provider);
      entries.push_back(std::move(r));
    }
    WNetEnumHandle h = next_++;
    enums_[h] = {std::move(entries), 0};
    *handle = h;
    return kOk;
  }

  Status EnumResource(WNetEnumHandle handle, uint32_t* count, uint32_t buffer_bytes,
                      std::vector<NetResource>* entries) override {
    std::lock_guard<std::mutex> hold(mutex_);
    entries->clear();
    auto it = enums_.find(handle);
    if (it == enums_.end()) return kErrInvalidHandle;
    auto& [all, next] = it->second;
    if (next >= all.size()) {
      *count = 0;
      return kErrNoMoreItems;
    }
    size_t used = 0;
    while (next < all.size() && entries->size() < *count) {
      size_t need = NetResourceBytes(all[next]);
      if (used + need > buffer_bytes) break;
      used += need;
      entries->push_back(all[next++]);
    }
    if (entries->empty()) return kErrMoreData;
    *count = static_cast<uint32_t>(entries->size());
    return kOk;
  }

  Status CloseEnum(WNetEnumHandle handle) override {
    std::lock_guard<std::mutex> hold(mutex_);
    return enums_.erase(handle) ? kOk : kErrInvalidHandle;
  }

 private:
  static bool ParseNumber(const std::string& t, uint64_t* v) {
    if (t.empty() || t.size() > 5) return false;
    uint64_t r = 0;
    for (char c : t) {
      if (c < '0' || c > '9') return false;
      r = r * 10 + static_cast<uint64_t>(c - '0');
    }
    if (r == 0 || r > 65535) return false;
    *v = r;
    return true;
  }

  SimMachine& machine_;
  std::map<WNetEnumHandle, std::pair<std::vector<NetResource>, size_t>> enums_;
  std::mutex mutex_;  // guards the tables: Explorer calls from several threads
  WNetEnumHandle next_ = 0x7000;
};

}  // namespace

std::unique_ptr<WNet> NewSimWNet(SimMachine& machine) { return std::make_unique<SimWNet>(machine); }

}  // namespace tw::sim
