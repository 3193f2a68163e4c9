// Registry, WNet and file-system ports over advapi32, mpr and kernel32.
#include <windows.h>
#include <shlwapi.h>
#include <winnetwk.h>

#include <vector>

#include "platform/file_system.h"
#include "platform/registry.h"
#include "platform/win32/win32_ports.h"
#include "platform/wnet.h"

namespace tw {
namespace {

const wchar_t* W(const std::u16string& s) { return reinterpret_cast<const wchar_t*>(s.c_str()); }
std::u16string U(const wchar_t* s) { return s ? std::u16string(reinterpret_cast<const char16_t*>(s)) : std::u16string(); }
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

class Win32WNet final : public WNet {
 public:
  Status UseConnection(const NetResourceRequest& r, const char16_t* password, const char16_t* user, uint32_t flags,
                       uint32_t access_chars, std::u16string* access_name) override {
    NETRESOURCEW nr{};
    nr.dwScope = r.scope;
    nr.dwType = r.type;
    nr.dwDisplayType = r.display_type;
    nr.dwUsage = r.usage;
    nr.lpLocalName = const_cast<wchar_t*>(reinterpret_cast<const wchar_t*>(r.local_name));
    std::u16string remote = r.remote_name, provider = r.provider;
    nr.lpRemoteName = const_cast<wchar_t*>(W(remote));
    // The provider receives the option block through the comment pointer.
    nr.lpComment = r.comment.size ? reinterpret_cast<wchar_t*>(const_cast<uint8_t*>(r.comment.data)) : nullptr;
    nr.lpProvider = const_cast<wchar_t*>(W(provider));
    std::vector<wchar_t> access(access_chars ? access_chars : 1, 0);
    DWORD size = access_chars, result = 0;
    DWORD st = WNetUseConnectionW(nullptr, &nr, reinterpret_cast<const wchar_t*>(password),
                                  reinterpret_cast<const wchar_t*>(user), flags, access.data(), &size, &result);
    if (st == NO_ERROR) *access_name = U(access.data());
    return st;
  }
  Status CancelConnection2(const std::u16string& name, uint32_t flags, bool force) override {
    return WNetCancelConnection2W(W(name), flags, force);
  }
  Status GetConnection(const std::u16string& local_name, uint32_t capacity_chars, std::u16string* remote) override {
    std::vector<wchar_t> buffer(capacity_chars ? capacity_chars : 1, 0);
    DWORD n = capacity_chars;
    DWORD st = WNetGetConnectionW(W(local_name), buffer.data(), &n);
    if (st == NO_ERROR || st == ERROR_CONNECTION_UNAVAIL) *remote = U(buffer.data());
    return st;
  }
  Status OpenEnum(uint32_t scope, uint32_t type, uint32_t usage, WNetEnumHandle* handle) override {
    HANDLE h = nullptr;
    DWORD st = WNetOpenEnumW(scope, type, usage, nullptr, &h);
    *handle = reinterpret_cast<WNetEnumHandle>(h);
    return st;
  }
  Status EnumResource(WNetEnumHandle handle, uint32_t* count, uint32_t buffer_bytes,
                      std::vector<NetResource>* entries) override {
    entries->clear();
    std::vector<uint8_t> buffer(buffer_bytes ? buffer_bytes : 1);
    DWORD n = *count, size = buffer_bytes;
    DWORD st = WNetEnumResourceW(reinterpret_cast<HANDLE>(handle), &n, buffer.data(), &size);
    if (st != NO_ERROR) return st;
    auto* nr = reinterpret_cast<NETRESOURCEW*>(buffer.data());
    for (DWORD i = 0; i < n; ++i)
      entries->push_back({nr[i].dwScope, nr[i].dwType, nr[i].dwDisplayType, nr[i].dwUsage, U(nr[i].lpLocalName),
                          U(nr[i].lpRemoteName), U(nr[i].lpComment), U(nr[i].lpProvider)});
    *count = n;
    return NO_ERROR;
  }
  Status CloseEnum(WNetEnumHandle handle) override { return WNetCloseEnum(reinterpret_cast<HANDLE>(handle)); }
};

class Win32FileSystem final : public FileSystem {
 public:
  Status QueryDosName(const std::u16string& name, std::u16string* target) override {
    std::vector<wchar_t> buffer(4096);
    DWORD n = QueryDosDeviceW(W(name), buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) return GetLastError();
    *target = U(buffer.data());
    return kOk;
  }
  Status GetVolumeInfo(const std::u16string& root, std::u16string* label, uint32_t* serial, uint32_t* flags,
                              std::u16string* file_system) override {
    wchar_t name[MAX_PATH + 1] = {}, fs[MAX_PATH + 1] = {};
    DWORD s = 0, max = 0, f = 0;
    if (!GetVolumeInformationW(W(root), name, MAX_PATH + 1, &s, &max, &f, fs, MAX_PATH + 1)) return GetLastError();
    *label = U(name);
    *file_system = U(fs);
    *serial = s;
    *flags = f;
    return kOk;
  }
  bool PathExists(const std::u16string& path) override { return PathFileExistsW(W(path)) != FALSE; }
  Status MakeDirectory(const std::u16string& path) override {
    return CreateDirectoryW(W(path), nullptr) ? kOk : GetLastError();
  }
  Status RemoveFolder(const std::u16string& path) override {
    return RemoveDirectoryW(W(path)) ? kOk : GetLastError();
  }
  std::u16string ProgramPath() override {
    wchar_t buffer[MAX_PATH];
    DWORD n = GetModuleFileNameW(nullptr, buffer, MAX_PATH);
    return std::u16string(reinterpret_cast<const char16_t*>(buffer), n);
  }
};

}  // namespace

std::unique_ptr<Registry> NewWin32Registry() { return std::make_unique<Win32Registry>(); }
std::unique_ptr<WNet> NewWin32WNet() { return std::make_unique<Win32WNet>(); }
std::unique_ptr<FileSystem> NewWin32FileSystem() { return std::make_unique<Win32FileSystem>(); }

}  // namespace tw
