// The registry port over advapi32.
#include <windows.h>

#include <vector>

#include "platform/registry.h"
#include "platform/win32/wide.h"
#include "platform/win32/win32_ports.h"

namespace tw {
namespace {

HKEY H(RegKey k) { return reinterpret_cast<HKEY>(k); }

class Win32Registry final : public Registry {
 public:
  Status CreateKey(RegKey parent, const std::u16string& subkey, RegKey* key) override {
    HKEY h = nullptr;
    LSTATUS st = RegCreateKeyExW(H(parent), W(subkey), 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr, &h, nullptr);
    *key = st == ERROR_SUCCESS ? reinterpret_cast<RegKey>(h) : 0;
    return static_cast<Status>(st);
  }
  Status OpenKey(RegKey parent, const std::u16string& subkey, RegKey* key) override {
    HKEY h = nullptr;
    LSTATUS st = RegOpenKeyExW(H(parent), W(subkey), 0, KEY_READ | KEY_WRITE, &h);
    if (st == ERROR_ACCESS_DENIED) st = RegOpenKeyExW(H(parent), W(subkey), 0, KEY_READ, &h);
    *key = st == ERROR_SUCCESS ? reinterpret_cast<RegKey>(h) : 0;
    return static_cast<Status>(st);
  }
  Status CloseKey(RegKey key) override { return static_cast<Status>(RegCloseKey(H(key))); }
  Status QueryString(RegKey key, const std::u16string& name, uint32_t buffer_bytes, std::u16string* value) override {
    std::vector<uint8_t> buffer(buffer_bytes + 2, 0);  // room for a terminator the writer left out
    DWORD type = 0, size = buffer_bytes;
    LSTATUS st = RegQueryValueExW(H(key), W(name), nullptr, &type, buffer.data(), &size);
    if (st != ERROR_SUCCESS) return static_cast<Status>(st);
    if (type != REG_SZ && type != REG_EXPAND_SZ) return ERROR_UNSUPPORTED_TYPE;
    const char16_t* text = reinterpret_cast<const char16_t*>(buffer.data());
    size_t n = 0;
    while (n < size / 2 && text[n]) ++n;
    value->assign(text, n);
    return kOk;
  }
  Status QueryDword(RegKey key, const std::u16string& name, uint32_t* value) override {
    DWORD type = 0, size = sizeof(DWORD), v = 0;
    LSTATUS st = RegQueryValueExW(H(key), W(name), nullptr, &type, reinterpret_cast<BYTE*>(&v), &size);
    if (st != ERROR_SUCCESS) return static_cast<Status>(st);
    if (type != REG_DWORD) return ERROR_UNSUPPORTED_TYPE;
    *value = v;
    return kOk;
  }
  Status SetString(RegKey key, const std::u16string& name, const std::u16string& value) override {
    return static_cast<Status>(RegSetValueExW(H(key), W(name), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                              static_cast<DWORD>((value.size() + 1) * 2)));
  }
  Status SetDword(RegKey key, const std::u16string& name, uint32_t value) override {
    DWORD v = value;
    return static_cast<Status>(RegSetValueExW(H(key), W(name), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v), 4));
  }
  Status DeleteValue(RegKey key, const std::u16string& name) override {
    return static_cast<Status>(RegDeleteValueW(H(key), W(name)));
  }
  Status DeleteTree(RegKey key, const std::u16string& subkey) override {
    return static_cast<Status>(RegDeleteTreeW(H(key), subkey.empty() ? nullptr : W(subkey)));
  }
  Status EnumKey(RegKey key, uint32_t index, std::u16string* name) override {
    wchar_t buffer[256];
    DWORD n = 256;
    LSTATUS st = RegEnumKeyExW(H(key), index, buffer, &n, nullptr, nullptr, nullptr, nullptr);
    if (st == ERROR_SUCCESS) name->assign(reinterpret_cast<const char16_t*>(buffer), n);
    return static_cast<Status>(st);
  }
};

}  // namespace

std::unique_ptr<Registry> NewWin32Registry() { return std::make_unique<Win32Registry>(); }

}  // namespace tw
