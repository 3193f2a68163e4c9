#include "platform/sim/machine_state.h"

#include "base/text.h"
#include "platform/sim/sealed_text.h"

#include <cstdio>
#include <sstream>

namespace tw::sim {
namespace {

constexpr char kHeader[] = "tarnwick-sim-machine 1";

using tw::sim::HexToken;
std::string Hex(const std::string& b) { return HexToken(b); }
std::string Hex(const std::vector<uint8_t>& b) { return HexToken(b); }
bool Unhex(const std::string& t, std::string* out) { return ParseHexToken(t, out); }
bool ParseU64(const std::string& t, uint64_t* v) { return ParseNumberToken(t, v); }

}  // namespace

std::string SealState(const std::string& body) { return SealText(body); }

std::string SerializeState(const MachineState& s) {
  std::ostringstream o;
  o << kHeader << '\n';
  o << "adapter " << (s.adapter_present ? 1 : 0) << '\n';
  o << "layout " << s.partitions_per_disk << ' ' << s.unlettered_partitions << ' ' << s.network_disk_capacity << ' '
    << s.volume_capacity << '\n';
  for (size_t i = 0; i < s.slots.size(); ++i) {
    const Slot& slot = s.slots[i];
    if (!slot.used) continue;
    o << "slot " << i << ' ' << Hex(slot.record) << ' ' << Hex(slot.host_path) << ' '
      << Hex(std::string(slot.partitions.begin(), slot.partitions.end())) << ' ' << slot.current << ' '
      << slot.selected << ' ' << slot.next_snapshot_id << ' ' << Hex(slot.chap_user) << ' ' << Hex(slot.chap_secret)
      << '\n';
    for (const Snapshot& snap : slot.snapshots)
      o << "snapshot " << i << ' ' << snap.id << ' ' << snap.parent << ' ' << Hex(snap.name) << ' '
        << Hex(snap.description) << '\n';
  }
  for (const VolumeEntry& v : s.volumes)
    o << "volume " << Hex(v.record) << ' ' << (v.detached ? 1 : 0) << ' ' << v.state << ' ' << Hex(v.mount_point) << ' '
      << Hex(v.file_system) << ' ' << Hex(v.label) << ' ' << v.cluster_bytes << ' ' << (v.quick_format ? 1 : 0) << '\n';
  for (const auto& [path, digest] : s.image_digests) o << "digest " << Hex(path) << ' ' << Hex(digest) << '\n';
  for (const std::string& name : s.held_open) o << "held " << Hex(name) << '\n';
  for (const auto& [letter, owner] : s.claimed_letters)
    o << "claim " << Hex(std::string(1, letter)) << ' ' << Hex(owner) << '\n';
  for (const NetConnection& c : s.net_connections)
    o << "net " << Hex(c.local) << ' ' << Hex(c.remote) << ' ' << Hex(c.provider) << ' ' << Hex(c.comment) << ' '
      << Hex(c.user) << ' ' << (c.connected ? 1 : 0) << ' ' << (c.remembered ? 1 : 0) << '\n';
  for (const NfsServer& n : s.nfs_servers) {
    std::string exports;
    for (const std::string& e : n.exports) exports += (exports.empty() ? "" : ",") + e;
    o << "nfsserver " << Hex(n.address) << ' ' << n.port << ' ' << Hex(exports) << ' ' << Hex(n.user) << ' '
      << Hex(n.password) << '\n';
  }
  return SealText(o.str());
}

Status ParseState(const std::string& text, MachineState* out, std::string* error) {
  auto fail = [&](const std::string& why) {
    *error = why;
    return kErrFileCorrupt;
  };
  std::string body;
  if (!UnsealText(text, &body)) return fail("checksum line missing or wrong (a damaged or edited file)");

  MachineState s;
  std::istringstream in(body);
  std::string line;
  if (!std::getline(in, line) || line != kHeader) return fail("not a machine state file");
  int number = 1;
  while (std::getline(in, line)) {
    ++number;
    std::istringstream f(line);
    std::string kind;
    f >> kind;
    std::vector<std::string> t;
    for (std::string tok; f >> tok;) t.push_back(tok);
    auto bad = [&] { return fail("bad line " + std::to_string(number) + ": " + kind); };
    uint64_t n = 0;
    if (kind == "adapter") {
      if (t.size() != 1 || !ParseU64(t[0], &n)) return bad();
      s.adapter_present = n != 0;
    } else if (kind == "layout") {
      uint64_t a, b, c, d;
      if (t.size() != 4 || !ParseU64(t[0], &a) || !ParseU64(t[1], &b) || !ParseU64(t[2], &c) ||
          !ParseU64(t[3], &d) || a > 4 || b > a)
        return bad();
      s.partitions_per_disk = static_cast<int>(a);
      s.unlettered_partitions = static_cast<int>(b);
      s.network_disk_capacity = c;
      s.volume_capacity = d;
    } else if (kind == "slot") {
      std::string record, path, parts, user, secret;
      uint64_t cur, sel, next;
      if (t.size() != 9 || !ParseU64(t[0], &n) || n >= s.slots.size() || !Unhex(t[1], &record) ||
          !Unhex(t[2], &path) || !Unhex(t[3], &parts) || !ParseU64(t[4], &cur) || !ParseU64(t[5], &sel) ||
          !ParseU64(t[6], &next) || !Unhex(t[7], &user) || !Unhex(t[8], &secret) || record.size() != 1836 ||
          s.slots[n].used)
        return bad();
      Slot& slot = s.slots[n];
      slot.used = true;
      slot.record.assign(record.begin(), record.end());
      slot.host_path = path;
      slot.partitions.assign(parts.begin(), parts.end());
      slot.current = cur;
      slot.selected = sel;
      slot.next_snapshot_id = next;
      slot.chap_user = user;
      slot.chap_secret = secret;
    } else if (kind == "snapshot") {
      Snapshot snap;
      if (t.size() != 5 || !ParseU64(t[0], &n) || n >= s.slots.size() || !s.slots[n].used ||
          !ParseU64(t[1], &snap.id) || snap.id == 0 || !ParseU64(t[2], &snap.parent) || !Unhex(t[3], &snap.name) ||
          !Unhex(t[4], &snap.description))
        return bad();
      s.slots[n].snapshots.push_back(snap);
    } else if (kind == "volume") {
      std::string record;
      uint64_t detached, state, cluster, quick;
      VolumeEntry v;
      if (t.size() != 8 || !Unhex(t[0], &record) || record.size() != 2830 || !ParseU64(t[1], &detached) ||
          !ParseU64(t[2], &state) || state > 0xFFFFFFFFu || !Unhex(t[3], &v.mount_point) ||
          !Unhex(t[4], &v.file_system) || !Unhex(t[5], &v.label) || !ParseU64(t[6], &cluster) ||
          cluster > 0xFFFFFFFFu || !ParseU64(t[7], &quick))
        return bad();
      v.cluster_bytes = static_cast<uint32_t>(cluster);
      v.quick_format = quick != 0;
      v.record.assign(record.begin(), record.end());
      v.detached = detached != 0;
      v.state = static_cast<uint32_t>(state);
      s.volumes.push_back(std::move(v));
    } else if (kind == "digest") {
      std::string path, digest;
      if (t.size() != 2 || !Unhex(t[0], &path) || !Unhex(t[1], &digest)) return bad();
      s.image_digests[path] = digest;
    } else if (kind == "held") {
      std::string name;
      if (t.size() != 1 || !Unhex(t[0], &name)) return bad();
      s.held_open.insert(name);
    } else if (kind == "claim") {
      std::string letter, owner;
      if (t.size() != 2 || !Unhex(t[0], &letter) || letter.size() != 1 || !Unhex(t[1], &owner)) return bad();
      s.claimed_letters[letter[0]] = owner;
    } else if (kind == "net") {
      NetConnection c;
      uint64_t connected, remembered;
      if (t.size() != 7 || !Unhex(t[0], &c.local) || !Unhex(t[1], &c.remote) || !Unhex(t[2], &c.provider) ||
          !Unhex(t[3], &c.comment) || !Unhex(t[4], &c.user) || !ParseU64(t[5], &connected) ||
          !ParseU64(t[6], &remembered))
        return bad();
      c.connected = connected != 0;
      c.remembered = remembered != 0;
      s.net_connections.push_back(std::move(c));
    } else if (kind == "nfsserver") {
      NfsServer n;
      std::string exports;
      uint64_t port;
      if (t.size() != 5 || !Unhex(t[0], &n.address) || !ParseU64(t[1], &port) || port > 65535 ||
          !Unhex(t[2], &exports) || !Unhex(t[3], &n.user) || !Unhex(t[4], &n.password))
        return bad();
      n.port = static_cast<uint16_t>(port);
      n.exports = SplitList(exports);
      s.nfs_servers.push_back(std::move(n));
    } else {
      return bad();
    }
  }
  *out = std::move(s);
  return kOk;
}

std::set<char> TakenLetters(const MachineState& state) {
  std::set<char> taken{'A', 'B', 'C'};
  for (const Slot& slot : state.slots)
    if (slot.used)
      for (char c : slot.partitions)
        if (c) taken.insert(c);
  for (const auto& [letter, owner] : state.claimed_letters) taken.insert(letter);
  for (const NetConnection& c : state.net_connections)
    if (c.connected && c.local.size() == 2) taken.insert(c.local[0]);
  return taken;
}

char FreeLetter(const MachineState& state) {
  std::set<char> taken = TakenLetters(state);
  for (char c = 'D'; c <= 'Z'; ++c)
    if (!taken.count(c)) return c;
  return 0;
}

}  // namespace tw::sim
