// The WNet port over mpr.
#include <windows.h>
#include <winnetwk.h>

#include <vector>

#include "platform/win32/wide.h"
#include "platform/win32/win32_ports.h"
#include "platform/wnet.h"

namespace tw {
namespace {

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

}  // namespace

std::unique_ptr<WNet> NewWin32WNet() { return std::make_unique<Win32WNet>(); }

}  // namespace tw
