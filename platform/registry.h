// Registry port: the advapi32 calls the core makes, one method per call,
// with the Win32 result codes (kErrFileNotFound for a missing key or value,
// kErrMoreData when the buffer is too small, ...).
#pragma once

#include <cstdint>
#include <string>

#include "base/status.h"

namespace tw {

using RegKey = uintptr_t;
constexpr RegKey kHkeyClassesRoot = 0x80000000u;
constexpr RegKey kHkeyCurrentUser = 0x80000001u;
constexpr RegKey kHkeyLocalMachine = 0x80000002u;

constexpr uint32_t kRegSz = 1;
constexpr uint32_t kRegDword = 4;

class Registry {
 public:
  virtual ~Registry() = default;
  // RegCreateKeyExW (opens an existing key too) / RegOpenKeyExW.
  virtual Status CreateKey(RegKey parent, const std::u16string& subkey, RegKey* key) = 0;
  virtual Status OpenKey(RegKey parent, const std::u16string& subkey, RegKey* key) = 0;
  virtual Status CloseKey(RegKey key) = 0;
  // RegQueryValueExW of a REG_SZ into a buffer of `buffer_bytes` bytes:
  // kErrMoreData when the text and its NUL do not fit (nothing is stored).
  virtual Status QueryString(RegKey key, const std::u16string& name, uint32_t buffer_bytes,
                             std::u16string* value) = 0;
  virtual Status QueryDword(RegKey key, const std::u16string& name, uint32_t* value) = 0;
  // RegSetValueExW.
  virtual Status SetString(RegKey key, const std::u16string& name, const std::u16string& value) = 0;
  virtual Status SetDword(RegKey key, const std::u16string& name, uint32_t value) = 0;
  // RegDeleteValueW, RegDeleteTreeW (subkey empty = the key's contents).
  virtual Status DeleteValue(RegKey key, const std::u16string& name) = 0;
  virtual Status DeleteTree(RegKey key, const std::u16string& subkey) = 0;
  // RegEnumKeyExW: kErrNoMoreItems past the last.
  virtual Status EnumKey(RegKey key, uint32_t index, std::u16string* name) = 0;
};

// Closes a key on scope exit.
class ScopedRegKey {
 public:
  ScopedRegKey(Registry& registry) : registry_(registry) {}
  ~ScopedRegKey() {
    if (key_) registry_.CloseKey(key_);
  }
  ScopedRegKey(const ScopedRegKey&) = delete;
  ScopedRegKey& operator=(const ScopedRegKey&) = delete;
  RegKey* out() { return &key_; }
  RegKey get() const { return key_; }

 private:
  Registry& registry_;
  RegKey key_ = 0;
};

}  // namespace tw
