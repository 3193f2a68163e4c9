#include "iscsi/testing/memory_registry.h"

#include "base/text.h"

namespace tw {
namespace testing {

std::u16string MemoryRegistry::Lower(const std::u16string& s) { return ToLowerAscii(s); }

bool MemoryRegistry::Resolve(RegKey parent, const std::u16string& subkey, std::u16string* path) const {
  std::u16string base;
  if (parent == kHkeyLocalMachine) {
    base = u"hklm";
  } else if (parent == kHkeyCurrentUser) {
    base = u"hkcu";
  } else {
    auto it = handles_.find(parent);
    if (it == handles_.end()) return false;
    base = it->second;
  }
  *path = subkey.empty() ? base : base + u"\\" + Lower(subkey);
  return true;
}

void MemoryRegistry::EnsureParents(const std::u16string& path) {
  for (size_t i = path.find(u'\\'); i != std::u16string::npos; i = path.find(u'\\', i + 1))
    keys_[path.substr(0, i)];
  keys_[path];
}

Status MemoryRegistry::CreateKey(RegKey parent, const std::u16string& subkey, RegKey* key) {
  std::u16string path;
  if (!Resolve(parent, subkey, &path)) return kErrInvalidHandle;
  EnsureParents(path);
  *key = next_++;
  handles_[*key] = path;
  return kOk;
}

Status MemoryRegistry::OpenKey(RegKey parent, const std::u16string& subkey, RegKey* key) {
  std::u16string path;
  if (!Resolve(parent, subkey, &path)) return kErrInvalidHandle;
  if (!keys_.count(path)) return kErrFileNotFound;
  *key = next_++;
  handles_[*key] = path;
  return kOk;
}

Status MemoryRegistry::CloseKey(RegKey key) {
  return handles_.erase(key) ? kOk : kErrInvalidHandle;
}

Status MemoryRegistry::QueryString(RegKey key, const std::u16string& name, uint32_t buffer_bytes,
                                   std::u16string* value) {
  auto h = handles_.find(key);
  if (h == handles_.end()) return kErrInvalidHandle;
  auto k = keys_.find(h->second);
  if (k == keys_.end()) return kErrFileNotFound;
  auto v = k->second.values.find(Lower(name));
  if (v == k->second.values.end() || v->second.type != kRegSz) return kErrFileNotFound;
  if ((v->second.text.size() + 1) * 2 > buffer_bytes) return kErrMoreData;
  *value = v->second.text;
  return kOk;
}

Status MemoryRegistry::QueryDword(RegKey key, const std::u16string& name, uint32_t* value) {
  auto h = handles_.find(key);
  if (h == handles_.end()) return kErrInvalidHandle;
  auto v = keys_[h->second].values.find(Lower(name));
  if (v == keys_[h->second].values.end() || v->second.type != kRegDword) return kErrFileNotFound;
  *value = v->second.dword;
  return kOk;
}

Status MemoryRegistry::SetString(RegKey key, const std::u16string& name, const std::u16string& value) {
  auto h = handles_.find(key);
  if (h == handles_.end()) return kErrInvalidHandle;
  auto f = fail_.find(Lower(name));
  if (f != fail_.end()) return f->second;
  Value& v = keys_[h->second].values[Lower(name)];
  v.type = kRegSz;
  v.text = value;
  return kOk;
}

Status MemoryRegistry::SetDword(RegKey key, const std::u16string& name, uint32_t value) {
  auto h = handles_.find(key);
  if (h == handles_.end()) return kErrInvalidHandle;
  Value& v = keys_[h->second].values[Lower(name)];
  v.type = kRegDword;
  v.dword = value;
  return kOk;
}

Status MemoryRegistry::DeleteValue(RegKey key, const std::u16string& name) {
  auto h = handles_.find(key);
  if (h == handles_.end()) return kErrInvalidHandle;
  return keys_[h->second].values.erase(Lower(name)) ? kOk : kErrFileNotFound;
}

Status MemoryRegistry::DeleteTree(RegKey key, const std::u16string& subkey) {
  std::u16string path;
  if (!Resolve(key, subkey, &path)) return kErrInvalidHandle;
  if (!keys_.count(path)) return kErrFileNotFound;
  const std::u16string prefix = path + u"\\";
  for (auto it = keys_.begin(); it != keys_.end();) {
    if (it->first.compare(0, prefix.size(), prefix) == 0) {
      it = keys_.erase(it);
    } else {
      ++it;
    }
  }
  if (subkey.empty()) {
    keys_[path].values.clear();
  } else {
    keys_.erase(path);
  }
  return kOk;
}

Status MemoryRegistry::EnumKey(RegKey key, uint32_t index, std::u16string* name) {
  auto h = handles_.find(key);
  if (h == handles_.end()) return kErrInvalidHandle;
  const std::u16string prefix = h->second + u"\\";
  uint32_t i = 0;
  for (const auto& [path, k] : keys_) {
    if (path.compare(0, prefix.size(), prefix) != 0) continue;
    std::u16string rest = path.substr(prefix.size());
    if (rest.find(u'\\') != std::u16string::npos) continue;
    if (i++ == index) {
      *name = rest;
      return kOk;
    }
  }
  return kErrNoMoreItems;
}

bool MemoryRegistry::HasKey(const std::u16string& path) const { return keys_.count(Lower(path)) > 0; }

std::u16string MemoryRegistry::GetString(const std::u16string& path, const std::u16string& name) const {
  auto k = keys_.find(Lower(path));
  if (k == keys_.end()) return u"<no key>";
  auto v = k->second.values.find(Lower(name));
  return v == k->second.values.end() ? u"<no value>" : v->second.text;
}

void MemoryRegistry::PutString(const std::u16string& path, const std::u16string& name,
                               const std::u16string& value) {
  EnsureParents(Lower(path));
  Value& v = keys_[Lower(path)].values[Lower(name)];
  v.type = kRegSz;
  v.text = value;
}

std::set<std::u16string> MemoryRegistry::KeysUnder(const std::u16string& prefix) const {
  std::set<std::u16string> out;
  const std::u16string p = Lower(prefix);
  for (const auto& [path, k] : keys_)
    if (path == p || path.compare(0, p.size() + 1, p + u"\\") == 0) out.insert(path);
  return out;
}

}  // namespace testing
}  // namespace tw
