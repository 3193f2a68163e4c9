// WNet port: the mpr.dll calls the network-share code makes, with their
// NETRESOURCEW fields and Win32 result codes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/bytes.h"
#include "base/status.h"

namespace tw {

constexpr uint32_t kResourceConnected = 1;
constexpr uint32_t kResourceRemembered = 3;
constexpr uint32_t kResourceTypeDisk = 1;
constexpr uint32_t kConnectUpdateProfile = 1;

constexpr Status kErrAlreadyAssigned = 85;
constexpr Status kErrBadNetName = 67;
constexpr Status kErrInvalidPassword = 86;
constexpr Status kErrBadArguments = 160;
constexpr Status kErrBufferOverflow = 111;
constexpr Status kErrBadDevice = 1200;
constexpr Status kErrConnectionUnavail = 1201;
constexpr Status kErrBadProvider = 1204;
constexpr Status kErrNoNetwork = 1222;
constexpr Status kErrNotConnected = 2250;

// A NETRESOURCEW as it is sent. The comment is a pointer in the Windows
// structure; here it carries the bytes the caller passes through it.
struct NetResourceRequest {
  uint32_t scope = 0, type = 0, display_type = 0, usage = 0;
  const char16_t* local_name = nullptr;  // null: no local device
  std::u16string remote_name;
  ConstByteSpan comment;  // empty: none
  std::u16string provider;
};

// A NETRESOURCEW as an enumeration returns it.
struct NetResource {
  uint32_t scope = 0, type = 0, display_type = 0, usage = 0;
  std::u16string local_name, remote_name, comment, provider;
};

using WNetEnumHandle = uintptr_t;

class WNet {
 public:
  virtual ~WNet() = default;
  // WNetUseConnectionW(no owner, resource, password, user, flags, access
  // name buffer of access_chars characters, &size, &result).
  virtual Status UseConnection(const NetResourceRequest& resource, const char16_t* password, const char16_t* user,
                               uint32_t flags, uint32_t access_chars, std::u16string* access_name) = 0;
  virtual Status CancelConnection2(const std::u16string& name, uint32_t flags, bool force) = 0;
  // WNetGetConnectionW into a buffer of capacity_chars characters.
  virtual Status GetConnection(const std::u16string& local_name, uint32_t capacity_chars, std::u16string* remote) = 0;
  virtual Status OpenEnum(uint32_t scope, uint32_t type, uint32_t usage, WNetEnumHandle* handle) = 0;
  // WNetEnumResourceW with *count entries asked for (0xFFFFFFFF: as many as
  // fit) and a buffer of buffer_bytes: the entries that fit, 259 when there
  // are no more, 234 when not even one fits.
  virtual Status EnumResource(WNetEnumHandle handle, uint32_t* count, uint32_t buffer_bytes,
                              std::vector<NetResource>* entries) = 0;
  virtual Status CloseEnum(WNetEnumHandle handle) = 0;
};

// The bytes one entry takes in a WNetEnumResourceW buffer (x64 structure
// plus its four strings), so every implementation fills buffers alike.
size_t NetResourceBytes(const NetResource& r);

}  // namespace tw
