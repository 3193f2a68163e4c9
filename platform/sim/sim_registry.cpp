// The simulated machine's registry: HKCU, HKLM and HKCR trees in registry.state
// beside the machine's state, shared and cached like the machine's.
#include <algorithm>
#include <map>
#include <mutex>

#include "base/text.h"
#include "platform/registry.h"
#include "platform/sim/sealed_text.h"
#include "platform/sim/sim_machine.h"
#include "platform/sim/state_folder.h"

namespace tw::sim {
namespace {

constexpr char kHeader[] = "tarnwick-sim-registry 1";
constexpr Status kErrKeyDeleted = 1018;
constexpr Status kErrUnsupportedType = 1630;

struct Value {
  std::u16string name;  // as written
  uint32_t type = kRegSz;
  std::u16string text;
  uint32_t dword = 0;
};
struct Key {
  std::u16string path;                    // as created: "HKCU\Software\..."
  std::map<std::u16string, Value> values;  // by lower-case name
};
using Tree = std::map<std::u16string, Key>;  // by lower-case path

std::vector<std::u16string> Components(const std::u16string& path) {
  std::vector<std::u16string> parts;
  size_t b = 0;
  while (b <= path.size()) {
    size_t e = path.find(u'\\', b);
    if (e == std::u16string::npos) e = path.size();
    if (e > b) parts.push_back(path.substr(b, e - b));
    b = e + 1;
  }
  return parts;
}

Status ParseTree(const std::string& text, Tree* tree, std::string* why) {
  std::string body;
  *why = "damaged or not a registry";
  if (!UnsealText(text, &body)) return kErrFileCorrupt;
  auto lines = TokenLines(body);
  if (lines.empty() || lines[0] != std::vector<std::string>{"tarnwick-sim-registry", "1"}) return kErrFileCorrupt;
  Tree t;
  for (size_t i = 1; i < lines.size(); ++i) {
    const auto& l = lines[i];
    std::string path, name, data;
    uint64_t type;
    if (l.size() == 2 && l[0] == "key" && ParseHexToken(l[1], &path)) {
      std::u16string p = Utf8ToUtf16(path);
      t[ToLowerAscii(p)].path = p;
    } else if (l.size() == 5 && l[0] == "value" && ParseHexToken(l[1], &path) && ParseHexToken(l[2], &name) &&
               ParseNumberToken(l[3], &type) && ParseHexToken(l[4], &data)) {
      auto it = t.find(ToLowerAscii(Utf8ToUtf16(path)));
      if (it == t.end()) return kErrFileCorrupt;
      Value v{Utf8ToUtf16(name), static_cast<uint32_t>(type), {}, 0};
      uint64_t d = 0;
      if (type == kRegSz) v.text = Utf8ToUtf16(data);
      else if (type == kRegDword && ParseNumberToken(data, &d) && d <= 0xFFFFFFFFu) v.dword = static_cast<uint32_t>(d);
      else return kErrFileCorrupt;
      it->second.values[ToLowerAscii(v.name)] = v;
    } else {
      return kErrFileCorrupt;
    }
  }
  *tree = std::move(t);
  return kOk;
}

std::string SerializeTree(const Tree& tree) {
  std::string body = std::string(kHeader) + "\n";
  for (const auto& [lower, k] : tree) {
    body += "key " + HexToken(Utf16ToUtf8(k.path)) + "\n";
    for (const auto& [n, v] : k.values)
      body += "value " + HexToken(Utf16ToUtf8(k.path)) + " " + HexToken(Utf16ToUtf8(v.name)) + " " +
              std::to_string(v.type) + " " + HexToken(v.type == kRegSz ? Utf16ToUtf8(v.text) : std::to_string(v.dword)) +
              "\n";
  }
  return SealText(body);
}

class SimRegistry final : public Registry {
 public:
  explicit SimRegistry(SimMachine& machine)
      : state_(machine.folder(), "registry.state", kRegistryStateSlot, ParseTree, SerializeTree) {}

  Status CreateKey(RegKey parent, const std::u16string& subkey, RegKey* key) override {
    return Open(parent, subkey, true, key);
  }
  Status OpenKey(RegKey parent, const std::u16string& subkey, RegKey* key) override {
    return Open(parent, subkey, false, key);
  }
  Status CloseKey(RegKey key) override {
    if (IsRoot(key)) return kOk;
    std::lock_guard<std::mutex> hold(handles_mutex_);
    return handles_.erase(key) ? kOk : kErrInvalidHandle;
  }

  Status QueryString(RegKey key, const std::u16string& name, uint32_t buffer_bytes, std::u16string* value) override {
    const Value* v = nullptr;
    Tree tree;
    if (Status st = FindValue(key, name, &tree, &v)) return st;
    if (v->type != kRegSz) return kErrUnsupportedType;
    if ((v->text.size() + 1) * 2 > buffer_bytes) return kErrMoreData;
    *value = v->text;
    return kOk;
  }
  Status QueryDword(RegKey key, const std::u16string& name, uint32_t* value) override {
    const Value* v = nullptr;
    Tree tree;
    if (Status st = FindValue(key, name, &tree, &v)) return st;
    if (v->type != kRegDword) return kErrUnsupportedType;
    *value = v->dword;
    return kOk;
  }
  Status SetString(RegKey key, const std::u16string& name, const std::u16string& value) override {
    return SetValue(key, Value{name, kRegSz, value, 0});
  }
  Status SetDword(RegKey key, const std::u16string& name, uint32_t value) override {
    return SetValue(key, Value{name, kRegDword, {}, value});
  }
  Status DeleteValue(RegKey key, const std::u16string& name) override {
    return Change(key, [&](Tree&, Key& k) { return k.values.erase(ToLowerAscii(name)) ? kOk : kErrFileNotFound; });
  }
  Status DeleteTree(RegKey key, const std::u16string& subkey) override {
    return Change(key, [&](Tree& tree, Key& k) {
      std::u16string base = ToLowerAscii(k.path);
      std::u16string target = base;
      for (const std::u16string& c : Components(subkey)) target += u"\\" + ToLowerAscii(c);
      if (!tree.count(target)) return kErrFileNotFound;
      for (auto it = tree.begin(); it != tree.end();) {
        bool below = it->first.size() > target.size() && it->first.compare(0, target.size(), target) == 0 &&
                     it->first[target.size()] == u'\\';
        if (below || (it->first == target && target != base)) it = tree.erase(it);
        else ++it;
      }
      if (target == base) tree[base].values.clear();
      return kOk;
    });
  }
  Status EnumKey(RegKey key, uint32_t index, std::u16string* name) override {
    Tree tree;
    std::u16string path;
    if (Status st = Resolve(key, &tree, &path)) return st;
    std::vector<std::u16string> children;
    std::u16string prefix = ToLowerAscii(path) + u"\\";
    for (const auto& [lower, k] : tree)
      if (lower.compare(0, prefix.size(), prefix) == 0 && lower.find(u'\\', prefix.size()) == std::u16string::npos)
        children.push_back(k.path.substr(prefix.size()));
    if (index >= children.size()) return kErrNoMoreItems;
    *name = children[index];
    return kOk;
  }

 private:
  static bool IsRoot(RegKey k) { return k == kHkeyCurrentUser || k == kHkeyLocalMachine || k == kHkeyClassesRoot; }
  static std::u16string RootName(RegKey k) {
    return k == kHkeyCurrentUser ? u"HKCU" : k == kHkeyClassesRoot ? u"HKCR" : u"HKLM";
  }

  Status Load(Tree* tree) {
    std::shared_ptr<const Tree> current;
    std::string why;
    if (Status st = state_.Read(&current, &why)) return st;
    *tree = *current;
    return kOk;
  }

  // The path of an open key, checked against the current tree.
  Status Resolve(RegKey key, Tree* tree, std::u16string* path) {
    if (Status st = Load(tree)) return st;
    return ResolveIn(key, tree, path);
  }
  Status ResolveIn(RegKey key, Tree* tree, std::u16string* path) {
    if (IsRoot(key)) {
      *path = RootName(key);
      (*tree)[ToLowerAscii(*path)].path = *path;
      return kOk;
    }
    std::u16string opened;
    {
      std::lock_guard<std::mutex> hold(handles_mutex_);
      auto h = handles_.find(key);
      if (h == handles_.end()) return kErrInvalidHandle;
      opened = h->second;
    }
    if (!tree->count(ToLowerAscii(opened))) return kErrKeyDeleted;
    *path = tree->at(ToLowerAscii(opened)).path;
    return kOk;
  }

  Status Open(RegKey parent, const std::u16string& subkey, bool create, RegKey* key) {
    *key = 0;
    std::u16string path;
    std::string why;
    Status st = state_.Update(
        [&](Tree& tree, bool* save) {
          *save = false;
          if (Status st = ResolveIn(parent, &tree, &path)) return st;
          for (const std::u16string& c : Components(subkey)) {
            path += u"\\" + c;
            auto it = tree.find(ToLowerAscii(path));
            if (it == tree.end()) {
              if (!create) return kErrFileNotFound;
              tree[ToLowerAscii(path)].path = path;
              *save = true;
            } else {
              path = it->second.path;
            }
          }
          return kOk;
        },
        &why);
    if (st != kOk) return st;
    std::lock_guard<std::mutex> hold(handles_mutex_);
    RegKey h = next_handle_;
    next_handle_ += 4;
    handles_[h] = path;
    *key = h;
    return kOk;
  }

  Status FindValue(RegKey key, const std::u16string& name, Tree* tree, const Value** v) {
    std::u16string path;
    if (Status st = Resolve(key, tree, &path)) return st;
    const Key& k = tree->at(ToLowerAscii(path));
    auto it = k.values.find(ToLowerAscii(name));
    if (it == k.values.end()) return kErrFileNotFound;
    *v = &it->second;
    return kOk;
  }

  template <class F>
  Status Change(RegKey key, F change) {
    std::string why;
    return state_.Update(
        [&](Tree& tree, bool*) {
          std::u16string path;
          if (Status st = ResolveIn(key, &tree, &path)) return st;
          return change(tree, tree[ToLowerAscii(path)]);
        },
        &why);
  }

  Status SetValue(RegKey key, const Value& v) {
    return Change(key, [&](Tree&, Key& k) {
      k.values[ToLowerAscii(v.name)] = v;
      return kOk;
    });
  }

  SharedState<Tree> state_;
  std::mutex handles_mutex_;
  std::map<RegKey, std::u16string> handles_;
  RegKey next_handle_ = 0x1000;
};

}  // namespace

std::unique_ptr<Registry> NewSimRegistry(SimMachine& machine) { return std::make_unique<SimRegistry>(machine); }

}  // namespace tw::sim
