// An in-memory Registry for the tests: keys are paths (compared without
// regard to case, as the registry does), with REG_SZ and REG_DWORD values.
// Handles are numbers given out by CreateKey/OpenKey; predefined roots are
// the kHkey... values. Failures can be injected per value name.
#pragma once

#include <map>
#include <set>
#include <string>

#include "platform/registry.h"

namespace tw {
namespace testing {

class MemoryRegistry final : public Registry {
 public:
  Status CreateKey(RegKey parent, const std::u16string& subkey, RegKey* key) override;
  Status OpenKey(RegKey parent, const std::u16string& subkey, RegKey* key) override;
  Status CloseKey(RegKey key) override;
  Status QueryString(RegKey key, const std::u16string& name, uint32_t buffer_bytes,
                     std::u16string* value) override;
  Status QueryDword(RegKey key, const std::u16string& name, uint32_t* value) override;
  Status SetString(RegKey key, const std::u16string& name, const std::u16string& value) override;
  Status SetDword(RegKey key, const std::u16string& name, uint32_t value) override;
  Status DeleteValue(RegKey key, const std::u16string& name) override;
  Status DeleteTree(RegKey key, const std::u16string& subkey) override;
  Status EnumKey(RegKey key, uint32_t index, std::u16string* name) override;

  // Test helpers over full paths such as u"HKLM\\SYSTEM\\...".
  bool HasKey(const std::u16string& path) const;
  std::u16string GetString(const std::u16string& path, const std::u16string& name) const;
  void PutString(const std::u16string& path, const std::u16string& name, const std::u16string& v);
  // Every key path under (and including) prefix, in order.
  std::set<std::u16string> KeysUnder(const std::u16string& prefix) const;
  // SetString of this value name fails with `error` from now on.
  void FailWrites(const std::u16string& name, Status error) { fail_[Lower(name)] = error; }
  int openHandles() const { return static_cast<int>(handles_.size()); }

 private:
  struct Value {
    uint32_t type = kRegSz;
    std::u16string text;
    uint32_t dword = 0;
  };
  struct Key {
    std::map<std::u16string, Value> values;  // by lower-case name
  };
  static std::u16string Lower(const std::u16string& s);
  bool Resolve(RegKey parent, const std::u16string& subkey, std::u16string* path) const;
  void EnsureParents(const std::u16string& path);

  std::map<std::u16string, Key> keys_;  // by lower-case full path
  std::map<RegKey, std::u16string> handles_;
  std::map<std::u16string, Status> fail_;
  RegKey next_ = 0x1000;
};

}  // namespace testing
}  // namespace tw
