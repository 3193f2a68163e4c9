#include "platform/sim/protected_volumes.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "base/bytes.h"
#include "base/crypto/sha256.h"
#include "base/text.h"
#include "base/validation.h"
#include "platform/device_io.h"
#include "platform/sim/sealed_text.h"
#include "platform/sim/sim_machine.h"
#include "platform/sim/state_folder.h"
#include "contracts/vvfs_contract.h"

namespace tw::sim {
namespace {
namespace fs = std::filesystem;

constexpr char kHeader[] = "tarnwick-sim-vvfs 1";

std::string Hex(const uint8_t* data, size_t n) {
  static const char kDigits[] = "0123456789abcdef";
  std::string out;
  for (size_t i = 0; i < n; ++i) {
    out.push_back(kDigits[data[i] >> 4]);
    out.push_back(kDigits[data[i] & 15]);
  }
  return out;
}

std::string PasswordDigest(const uint8_t* password) {
  Sha256Digest d = Sha256Of(password, vvfs::command::kPasswordBytes);
  return Hex(d.data(), d.size());
}

std::string JoinUsers(const std::vector<std::string>& users) {
  std::string out;
  for (const std::string& u : users) out += (out.empty() ? "" : ",") + u;
  return out;
}

std::vector<std::string> SplitUsers(const std::string& text) { return SplitList(text); }

// base / "a\b" with each component appended, "." and empty ones skipped.
fs::path AppendWin32Path(fs::path base, const std::u16string& rest) {
  size_t b = 0;
  while (b < rest.size()) {
    size_t e = rest.find(u'\\', b);
    if (e == std::u16string::npos) e = rest.size();
    std::u16string part = rest.substr(b, e - b);
    if (!part.empty() && part != u".") base /= fs::u8path(Utf16ToUtf8(part));
    b = e + 1;
  }
  return base;
}

bool IsPlainProtectedUser(const std::string& user) {
  return IsPlainName(Utf8ToUtf16(user)) && user.find(',') == std::string::npos;  // ',' separates the list
}

bool SameUser(const std::string& a, const std::string& b) { return EqualsNoCase(Utf8ToUtf16(a), Utf8ToUtf16(b)); }

}  // namespace

namespace {

Status ParseProtectedState(const std::string& text, ProtectedState* state, std::string* why) {
  std::string body;
  *why = "damaged or not a protected-volume state";
  if (!UnsealText(text, &body)) return kErrFileCorrupt;
  auto lines = TokenLines(body);
  if (lines.empty() || lines[0] != std::vector<std::string>{"tarnwick-sim-vvfs", "1"}) return kErrFileCorrupt;
  ProtectedState s;
  for (size_t i = 1; i < lines.size(); ++i) {
    const auto& l = lines[i];
    if (l.size() < 2 || l[1].size() != 1 || l[1][0] < 'A' || l[1][0] > 'Z') return kErrFileCorrupt;
    char letter = l[1][0];
    std::string a, b, c;
    if (l[0] == "volume" && l.size() == 4 && ParseHexToken(l[2], &a) && ParseHexToken(l[3], &b)) {
      s.volumes[letter].label = a;
      s.volumes[letter].users = SplitUsers(b);
      continue;
    }
    auto v = s.volumes.find(letter);
    if (v == s.volumes.end()) return kErrFileCorrupt;
    if (l[0] == "item" && l.size() == 7 && ParseHexToken(l[2], &a) && ParseHexToken(l[6], &b)) {
      ProtectedItem& item = v->second.items[a];
      item.is_protected = l[3] == "1";
      item.unlocked = l[4] == "1";
      item.no_lock = l[5] == "1";
      item.digest = b;
    } else if ((l[0] == "share" || l[0] == "copy") && l.size() == 4 && ParseHexToken(l[2], &a) &&
               ParseHexToken(l[3], &b)) {
      (l[0] == "share" ? v->second.shares : v->second.copies).push_back({a, b});
    } else {
      return kErrFileCorrupt;
    }
  }
  *state = std::move(s);
  return kOk;
}

std::string SerializeProtectedState(const ProtectedState& state) {
  std::string body = std::string(kHeader) + "\n";
  auto bit = [](bool b) { return b ? " 1" : " 0"; };
  for (const auto& [letter, v] : state.volumes) {
    std::string l(1, letter);
    body += "volume " + l + " " + HexToken(v.label) + " " + HexToken(JoinUsers(v.users)) + "\n";
    for (const auto& [key, item] : v.items)
      body += "item " + l + " " + HexToken(key) + bit(item.is_protected) + bit(item.unlocked) + bit(item.no_lock) +
              " " + HexToken(item.digest) + "\n";
    for (const UserTransfer& t : v.shares) body += "share " + l + " " + HexToken(t.path) + " " + HexToken(t.user) + "\n";
    for (const UserTransfer& t : v.copies) body += "copy " + l + " " + HexToken(t.path) + " " + HexToken(t.user) + "\n";
  }
  return SealText(body);
}

}  // namespace

bool ProtectedItemKey(const std::u16string& path, char* letter, std::string* key) {
  if (path.size() < 2 || path[1] != u':') return false;
  char16_t c = path[0] & ~0x20;
  if (c < u'A' || c > u'Z') return false;
  if (path.size() > 2 && path[2] != u'\\') return false;
  *letter = static_cast<char>(c);
  std::string k;
  size_t b = 2;
  while (b < path.size()) {
    size_t e = path.find(u'\\', b + 1);
    if (e == std::u16string::npos) e = path.size();
    std::u16string part = path.substr(b + 1, e - b - 1);
    // Each part becomes a host path part: "..", "/", "D:" or "NUL" would
    // lead out of the volume's folder.
    if (!part.empty() && part != u"." && !IsPlainName(part)) return false;
    if (!part.empty() && part != u".") k += "\\" + Utf16ToUtf8(ToLowerAscii(part));
    b = e;
  }
  *key = k.empty() ? "\\" : k;
  return true;
}

ProtectedVolumes::ProtectedVolumes(fs::path state_folder)
    : folder_(std::move(state_folder)),
      state_(folder_, "vvfs.state", kProtectedStateSlot, ParseProtectedState, SerializeProtectedState) {}

fs::path ProtectedVolumes::Root(char letter) const { return folder_ / "vvfs" / std::string(1, letter); }

fs::path ProtectedVolumes::UserFolder(char letter, const std::string& user) const {
  return folder_ / "vvfs" / (std::string(1, letter) + "-users") / fs::u8path(user);
}

bool ProtectedVolumes::HostPath(const ProtectedState& state, const std::u16string& path, fs::path* host) const {
  char letter;
  std::string key;
  if (!ProtectedItemKey(path, &letter, &key) || !state.volumes.count(letter)) return false;
  // The key is lower case; the host file keeps the case it was made with.
  fs::path p = AppendWin32Path(Root(letter), path.size() > 3 ? path.substr(3) : u"");
  *host = p;
  return true;
}


Status ProtectedVolumes::Current(std::shared_ptr<const ProtectedState>* state) {
  std::string why;
  return state_.Read(state, &why);
}

Status ProtectedVolumes::Load(ProtectedState* state) {
  std::shared_ptr<const ProtectedState> current;
  if (Status st = Current(&current)) return st;
  *state = *current;
  return kOk;
}

Status ProtectedVolumes::Save(const ProtectedState& state) {
  std::string why;
  return state_.Replace(state, &why);
}

Status ProtectedVolumes::Update(const std::function<Status(ProtectedState&)>& change) {
  std::string why;
  return state_.Update([&](ProtectedState& s, bool*) { return change(s); }, &why);
}

Status ProtectedVolumes::OpenItem(const std::u16string& path, uint32_t flags) {
  std::shared_ptr<const ProtectedState> s;
  if (Status st = Current(&s)) return st;
  fs::path host;
  if (!HostPath(*s, path, &host)) return kErrFileNotFound;
  std::error_code ec;
  fs::file_status item = fs::status(host, ec);
  if (!fs::exists(item)) return fs::is_directory(host.parent_path(), ec) ? kErrFileNotFound : kErrPathNotFound;
  // As on Windows: a folder opens only with backup semantics.
  if (fs::is_directory(item) && !(flags & kFileFlagBackupSemantics)) return kErrAccessDenied;
  return kOk;
}

Status ProtectedVolumes::Control(const std::u16string& path, uint32_t access, uint32_t code, const void* in,
                                 uint32_t in_len, void* out, uint32_t out_len, uint32_t* returned) {
  *returned = 0;
  const bool can_read = access & (kGenericRead | 1u), can_write = access & (kGenericWrite | 2u);
  const auto* input = static_cast<const uint8_t*>(in);
  auto* output = static_cast<uint8_t*>(out);
  char letter;
  std::string key;
  if (!ProtectedItemKey(path, &letter, &key)) return kErrInvalidFunction;
  switch (code) {
    case vvfs::kIoctlProbe: {
      if (!output || out_len < vvfs::kProbeReplySize) return kErrInsufficientBuffer;
      const uint8_t reply[vvfs::kProbeReplySize] = {'V', 'V', 'F', 'S', 1, 0, 0, 0};
      std::memcpy(output, reply, sizeof reply);
      *returned = sizeof reply;
      return kOk;
    }
    case vvfs::kIoctlQueryState: {
      if (!output || out_len < vvfs::state::kSize) return kErrInsufficientBuffer;
      std::shared_ptr<const ProtectedState> s;
      if (Status st = Current(&s)) return st;
      auto v = s->volumes.find(letter);
      ProtectedItem item;
      if (v != s->volumes.end()) {
        auto it = v->second.items.find(key);
        if (it != v->second.items.end()) item = it->second;
      }
      output[vvfs::state::kProtected] = item.is_protected;
      output[vvfs::state::kUnlocked] = item.is_protected && item.unlocked;
      output[vvfs::state::kNoLock] = item.is_protected && item.no_lock;
      *returned = vvfs::state::kSize;
      return kOk;
    }
    case vvfs::kIoctlCommand:
      if (!can_read || !can_write) return kErrAccessDenied;
      if (!input || in_len < vvfs::command::kSize) return kErrInvalidParameter;
      return Update([&](ProtectedState& s) { return Command(s, path, input); });
    case vvfs::kIoctlListUsers: {
      if (!can_read) return kErrAccessDenied;
      std::shared_ptr<const ProtectedState> s;
      if (Status st = Current(&s)) return st;
      auto v = s->volumes.find(letter);
      std::u16string list = Utf8ToUtf16(v == s->volumes.end() ? std::string() : JoinUsers(v->second.users));
      size_t bytes = list.size() * 2;
      if (!output || out_len < bytes) return kErrMoreData;
      for (size_t i = 0; i < list.size(); ++i) {
        output[2 * i] = static_cast<uint8_t>(list[i]);
        output[2 * i + 1] = static_cast<uint8_t>(list[i] >> 8);
      }
      if (out_len >= bytes + 2) output[bytes] = output[bytes + 1] = 0;
      *returned = static_cast<uint32_t>(std::min<size_t>(out_len, bytes + 2));
      return kOk;
    }
    case vvfs::kIoctlCopyToUser:
    case vvfs::kIoctlShareToUser:
      if (!can_read || !can_write) return kErrAccessDenied;
      if (!input || in_len < vvfs::transfer::kSize) return kErrInvalidParameter;
      return Update([&](ProtectedState& s) { return Transfer(s, path, code, input); });
  }
  return kErrInvalidFunction;
}

Status ProtectedVolumes::Command(ProtectedState& s, const std::u16string& path, const uint8_t* in) {
  char letter;
  std::string key;
  ProtectedItemKey(path, &letter, &key);
  fs::path host;
  HostPath(s, path, &host);
  std::error_code ec;
  const bool folder = fs::is_directory(host, ec);
  const uint8_t* password = in + vvfs::command::kPassword;
  ProtectedItem& item = s.volumes[letter].items[key];
  switch (in[vvfs::command::kOperation]) {
    case vvfs::kEncrypt:
      if (item.is_protected && item.digest != PasswordDigest(password)) return kErrInvalidPassword;
      item.is_protected = true;
      item.unlocked = true;  // the owner who just encrypted it keeps it open
      item.digest = PasswordDigest(password);
      return kOk;
    case vvfs::kDecrypt:
      if (!item.is_protected) {
        // A folder of protected files need not be protected itself.
        s.volumes[letter].items.erase(key);
        return folder ? kOk : kErrFileNotEncrypted;
      }
      if (item.digest != PasswordDigest(password)) return kErrInvalidPassword;
      s.volumes[letter].items.erase(key);
      return kOk;
    case vvfs::kLock:
      if (!item.is_protected) return kErrFileNotEncrypted;
      if (item.no_lock) return kErrNotSupported;
      item.unlocked = false;
      return kOk;
    case vvfs::kUnlock:
      if (!item.is_protected) return kErrFileNotEncrypted;
      if (item.digest != PasswordDigest(password)) return kErrInvalidPassword;
      item.unlocked = true;
      return kOk;
  }
  return kErrInvalidParameter;
}

Status ProtectedVolumes::Transfer(ProtectedState& s, const std::u16string& path, uint32_t code, const uint8_t* in) {
  char letter;
  std::string key;
  ProtectedItemKey(path, &letter, &key);
  ConstByteSpan request(in, vvfs::transfer::kSize);
  std::u16string item_path = GetUtf16Field(request, vvfs::transfer::kPath, vvfs::transfer::kPathBytes);
  std::u16string user16 = GetUtf16Field(request, vvfs::transfer::kUser, vvfs::transfer::kUserBytes);
  // The request names the item the handle is open on.
  char l2;
  std::string key2;
  if (!ProtectedItemKey(std::u16string(1, static_cast<char16_t>(letter)) + u":" + item_path, &l2, &key2) ||
      key2 != key)
    return kErrInvalidParameter;
  ProtectedVolume& v = s.volumes[letter];
  std::string user = Utf16ToUtf8(user16);
  auto known = std::find_if(v.users.begin(), v.users.end(), [&](const std::string& u) { return SameUser(u, user); });
  if (user.empty() || known == v.users.end()) return kErrNoSuchUser;
  UserTransfer t{Utf16ToUtf8(item_path), *known};
  if (code == vvfs::kIoctlShareToUser) {
    if (std::find(v.shares.begin(), v.shares.end(), t) == v.shares.end()) v.shares.push_back(t);
    return kOk;
  }
  auto it = v.items.find(key);
  if (it != v.items.end() && it->second.is_protected && !it->second.unlocked) return kErrAccessDenied;
  if (!IsPlainName(Utf8ToUtf16(*known))) return kErrInvalidName;  // it names a folder
  fs::path from, to = UserFolder(letter, *known);
  HostPath(s, path, &from);
  to = AppendWin32Path(to, item_path);
  std::error_code ec;
  fs::create_directories(to.parent_path(), ec);
  fs::copy(from, to, fs::copy_options::recursive | fs::copy_options::overwrite_existing, ec);
  if (ec) return kErrAccessDenied;
  if (std::find(v.copies.begin(), v.copies.end(), t) == v.copies.end()) v.copies.push_back(t);
  return kOk;
}

Status AddProtectedVolume(SimMachine& machine, char letter, const std::string& label,
                          const std::vector<std::string>& users) {
  letter = static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
  if (letter < 'D' || letter > 'Z') return kErrInvalidName;
  // A user's copies go to a folder of that name: only plain names.
  for (const std::string& user : users)
    if (!IsPlainProtectedUser(user)) return kErrInvalidName;
  ProtectedVolumes volumes(machine.folder());
  ProtectedState current;
  if (Status st = volumes.Load(&current)) return st;
  if (!current.volumes.count(letter)) {
    bool taken = false;
    Status st = machine.Update([&](MachineState& s) {
      taken = TakenLetters(s).count(letter) != 0;
      if (taken) return false;
      s.claimed_letters[letter] = "protected volume";
      return true;
    });
    if (st != kOk) return st;
    if (taken) return kErrAlreadyExists;
  }
  std::error_code ec;
  fs::create_directories(volumes.Root(letter), ec);
  if (ec) return kErrAccessDenied;
  return volumes.Update([&](ProtectedState& s) {
    ProtectedVolume& v = s.volumes[letter];
    if (!label.empty()) v.label = label;
    v.users = users;
    return kOk;
  });
}

Status RemoveProtectedVolume(SimMachine& machine, char letter) {
  letter = static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
  ProtectedVolumes volumes(machine.folder());
  if (Status st = volumes.Update([&](ProtectedState& s) { return s.volumes.erase(letter) ? kOk : kErrFileNotFound; }))
    return st;
  // The files stay in the backing folder, as a disk keeps them when it goes.
  return machine.Update([&](MachineState& s) { return s.claimed_letters.erase(letter) != 0; });
}

Status ProtectItemForSetup(SimMachine& machine, const std::u16string& path, const std::string& password,
                           bool unlocked, bool no_lock) {
  ProtectedVolumes volumes(machine.folder());
  if (Status st = volumes.OpenItem(path, kFileFlagBackupSemantics)) return st;
  uint8_t field[vvfs::command::kPasswordBytes] = {};
  std::memcpy(field, password.data(), std::min(password.size(), sizeof field));
  char letter;
  std::string key;
  ProtectedItemKey(path, &letter, &key);
  return volumes.Update([&](ProtectedState& s) {
    ProtectedItem& item = s.volumes[letter].items[key];
    item.is_protected = true;
    item.unlocked = unlocked;
    item.no_lock = no_lock;
    item.digest = PasswordDigest(field);
    return kOk;
  });
}

}  // namespace tw::sim
