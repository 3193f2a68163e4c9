#include "platform/sim/machine_state.h"

#include <cstdio>
#include <sstream>

namespace tw::sim {
namespace {

constexpr char kHeader[] = "tarnwick-sim-machine 1";

std::string Hex(const std::string& bytes) {
  static const char kDigits[] = "0123456789abcdef";
  std::string out;
  out.reserve(bytes.size() * 2 + 1);
  out.push_back('x');  // keeps empty values a token of their own
  for (unsigned char c : bytes) {
    out.push_back(kDigits[c >> 4]);
    out.push_back(kDigits[c & 15]);
  }
  return out;
}
std::string Hex(const std::vector<uint8_t>& bytes) { return Hex(std::string(bytes.begin(), bytes.end())); }

bool Unhex(const std::string& token, std::string* out) {
  if (token.empty() || token[0] != 'x' || token.size() % 2 != 1) return false;
  out->clear();
  auto nibble = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
  };
  for (size_t i = 1; i < token.size(); i += 2) {
    int hi = nibble(token[i]), lo = nibble(token[i + 1]);
    if (hi < 0 || lo < 0) return false;
    out->push_back(static_cast<char>(hi << 4 | lo));
  }
  return true;
}

uint64_t Fnv1a(const std::string& text) {
  uint64_t h = 1469598103934665603ull;
  for (unsigned char c : text) {
    h ^= c;
    h *= 1099511628211ull;
  }
  return h;
}

std::string ChecksumLine(const std::string& body) {
  char buf[40];
  std::snprintf(buf, sizeof buf, "checksum %016llx\n", static_cast<unsigned long long>(Fnv1a(body)));
  return buf;
}

bool ParseU64(const std::string& t, uint64_t* v) {
  if (t.empty() || t.size() > 20) return false;
  uint64_t r = 0;
  for (char c : t) {
    if (c < '0' || c > '9') return false;
    r = r * 10 + static_cast<uint64_t>(c - '0');
  }
  *v = r;
  return true;
}

}  // namespace

std::string SealState(const std::string& body) { return body + ChecksumLine(body); }

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
    o << "volume " << Hex(v.record) << ' ' << (v.detached ? 1 : 0) << ' ' << v.state << '\n';
  for (const auto& [path, digest] : s.image_digests) o << "digest " << Hex(path) << ' ' << Hex(digest) << '\n';
  for (const std::string& name : s.held_open) o << "held " << Hex(name) << '\n';
  for (const auto& [letter, owner] : s.claimed_letters)
    o << "claim " << Hex(std::string(1, letter)) << ' ' << Hex(owner) << '\n';
  std::string body = o.str();
  return body + ChecksumLine(body);
}

Status ParseState(const std::string& text, MachineState* out, std::string* error) {
  auto fail = [&](const std::string& why) {
    *error = why;
    return kErrFileCorrupt;
  };
  size_t last = text.rfind("checksum ");
  if (last == std::string::npos || (last > 0 && text[last - 1] != '\n')) return fail("no checksum line");
  std::string body = text.substr(0, last);
  if (text.substr(last) != ChecksumLine(body)) return fail("checksum does not match");

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
      uint64_t detached, state;
      if (t.size() != 3 || !Unhex(t[0], &record) || record.size() != 2830 || !ParseU64(t[1], &detached) ||
          !ParseU64(t[2], &state) || state > 0xFFFFFFFFu)
        return bad();
      VolumeEntry v;
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
  return taken;
}

char FreeLetter(const MachineState& state) {
  std::set<char> taken = TakenLetters(state);
  for (char c = 'D'; c <= 'Z'; ++c)
    if (!taken.count(c)) return c;
  return 0;
}

}  // namespace tw::sim
