#include "shellext/registration_table.h"

#include "shellext/class_ids.h"

namespace tw::shellext {
namespace {

constexpr char16_t kOverlayKey[] = u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ShellIconOverlayIdentifiers";
// The handler is registered for files, folders and folder backgrounds.
constexpr const char16_t* kMenuOwners[] = {u"*", u"folder", u"Directory\\Background"};

void AddKeptChain(std::vector<RegEntry>& t, int group, RegKey root, const std::u16string& path) {
  std::u16string key;
  size_t b = 0;
  while (b <= path.size()) {
    size_t e = path.find(u'\\', b);
    if (e == std::u16string::npos) e = path.size();
    key += (key.empty() ? u"" : u"\\") + path.substr(b, e - b);
    t.push_back({group, root, key, EntryKind::kKept, {}});
    b = e + 1;
  }
}

void AddClass(std::vector<RegEntry>& t, int group, const ClassIdentity& c) {
  const std::u16string name = c.name, clsid = c.clsid;
  const std::u16string friendly = name + u" Class";
  const std::u16string prog = u"VornickShl." + name, prog1 = prog + u".1";
  const std::u16string key = u"CLSID\\" + clsid;
  const RegKey cr = kHkeyClassesRoot;
  t.push_back({group, cr, prog1, EntryKind::kRemoved, {{u"", friendly}}});
  t.push_back({group, cr, prog1 + u"\\CLSID", EntryKind::kRemoved, {{u"", clsid}}});
  t.push_back({group, cr, prog, EntryKind::kRemoved, {{u"", friendly}}});
  t.push_back({group, cr, prog + u"\\CLSID", EntryKind::kRemoved, {{u"", clsid}}});
  t.push_back({group, cr, prog + u"\\CurVer", EntryKind::kRemoved, {{u"", prog1}}});
  t.push_back({group, cr, u"CLSID", EntryKind::kKept, {}});
  t.push_back({group, cr, key, EntryKind::kReplaced, {{u"", friendly}, {u"AppID", u"%APPID%"}}});
  t.push_back({group, cr, key + u"\\ProgID", EntryKind::kRemoved, {{u"", prog1}}});
  t.push_back({group, cr, key + u"\\VersionIndependentProgID", EntryKind::kRemoved, {{u"", prog}}});
  t.push_back({group, cr, key + u"\\Programmable", EntryKind::kReplaced, {}});
  t.push_back({group, cr, key + u"\\InprocServer32", EntryKind::kRemoved,
               {{u"", u"%MODULE%"}, {u"ThreadingModel", u"Apartment"}}});
  t.push_back({group, cr, key + u"\\TypeLib", EntryKind::kRemoved, {{u"", kLibId}}});
  if (&c == &kContextClass) {
    t.push_back({group, cr, key + u"\\ShellEx\\MayChangeDefaultMenu", EntryKind::kRemoved, {}});
    for (const char16_t* owner : kMenuOwners) {
      const std::u16string handlers = std::u16string(owner) + u"\\ShellEx\\ContextMenuHandlers";
      AddKeptChain(t, group, cr, handlers);
      t.push_back({group, cr, handlers + u"\\" + name, EntryKind::kReplaced, {{u"", clsid}}});
    }
  } else {
    AddKeptChain(t, group, kHkeyLocalMachine, kOverlayKey);
    t.push_back({group, kHkeyLocalMachine, std::u16string(kOverlayKey) + u"\\" + name, EntryKind::kReplaced,
                 {{u"", clsid}}});
  }
}

std::vector<RegEntry> BuildTable() {
  std::vector<RegEntry> t;
  t.push_back({kModuleGroup, kHkeyClassesRoot, u"AppID", EntryKind::kKept, {}});
  t.push_back({kModuleGroup, kHkeyClassesRoot, std::u16string(u"AppID\\") + kAppId, EntryKind::kRemoved,
               {{u"", u"VornickShl"}}});
  t.push_back({kModuleGroup, kHkeyClassesRoot, u"AppID\\VornickShl.DLL", EntryKind::kRemoved,
               {{u"AppID", u"%APPID%"}}});
  for (int i = 0; i < 3; ++i) AddClass(t, i, *kClasses[i]);
  return t;
}

Status WriteEntry(Registry& r, const RegEntry& e, const std::u16string& module_path) {
  if (e.kind == EntryKind::kReplaced) {
    Status st = r.DeleteTree(e.root, e.key);
    if (st != kOk && st != kErrFileNotFound) return st;
  }
  ScopedRegKey key(r);
  if (Status st = r.CreateKey(e.root, e.key, key.out())) return st;
  for (const RegValue& v : e.values)
    if (Status st = r.SetString(key.get(), v.name, ExpandValue(v.data, module_path))) return st;
  return kOk;
}

Status RemoveEntry(Registry& r, const RegEntry& e) {
  if (e.kind == EntryKind::kKept) return kOk;
  if (e.kind == EntryKind::kReplaced) {
    Status st = r.DeleteTree(e.root, e.key);
    return st == kErrFileNotFound ? kOk : st;
  }
  ScopedRegKey key(r);
  Status st = r.OpenKey(e.root, e.key, key.out());
  if (st == kErrFileNotFound) return kOk;
  if (st != kOk) return st;
  for (const RegValue& v : e.values) {
    st = r.DeleteValue(key.get(), v.name);
    if (st != kOk && st != kErrFileNotFound) return st;
  }
  // Keys another program put below it keep the key.
  std::u16string child;
  if (r.EnumKey(key.get(), 0, &child) == kOk) return kOk;
  st = r.DeleteTree(e.root, e.key);
  return st == kErrFileNotFound ? kOk : st;
}

}  // namespace

const std::vector<RegEntry>& RegistrationEntries() {
  static const std::vector<RegEntry> table = BuildTable();
  return table;
}

std::u16string ExpandValue(const std::u16string& data, const std::u16string& module_path) {
  if (data == u"%MODULE%") return module_path;
  if (data == u"%APPID%") return kAppId;
  return data;
}

std::vector<int> Groups(EntrySet set, bool module_first) {
  std::vector<int> groups;
  if (module_first && set != EntrySet::kClasses) groups.push_back(kModuleGroup);
  if (set != EntrySet::kModule) groups.insert(groups.end(), {0, 1, 2});
  if (!module_first && set != EntrySet::kClasses) groups.push_back(kModuleGroup);
  return groups;
}

Status RegisterEntries(Registry& registry, const std::u16string& module_path, EntrySet set) {
  for (int group : Groups(set, true))
    for (const RegEntry& e : RegistrationEntries())
      if (e.group == group)
        if (Status st = WriteEntry(registry, e, module_path)) return st;
  return kOk;
}

Status UnregisterEntries(Registry& registry, EntrySet set) {
  const auto& table = RegistrationEntries();
  for (int group : Groups(set, false))
    for (auto it = table.rbegin(); it != table.rend(); ++it)  // children before parents
      if (it->group == group)
        if (Status st = RemoveEntry(registry, *it)) return st;
  return kOk;
}

}  // namespace tw::shellext
