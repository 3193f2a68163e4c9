// What crosses the boundary to the maker's NFS components: the network
// provider's name, the connection comment block, and the redirector's
// export query. Included by the share code and by the simulated machine.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tw {

constexpr char16_t kNfsProviderName[] = u"VNFS Network";
constexpr char16_t kNfsDriverPath[] = u"\\\\.\\VNfsDriver";
constexpr uint32_t kIoctlNfsListExports = 0x282018;
static_assert(kIoctlNfsListExports == ((0x28u << 16) | (0x806u << 2)), "IOCTL_NFS_LIST_EXPORTS");

// ShareMountOptions: a 2,187-byte block of option entries.
namespace mountopt {
constexpr size_t kBlockSize = 2187;
constexpr size_t kTag = 2;             // u16
constexpr uint16_t kTagValue = 0x5E31;
constexpr size_t kEntriesLength = 4;   // u32
constexpr size_t kFirstEntry = 8;
constexpr size_t kEntryBytes = kBlockSize - kFirstEntry;  // 2,179
// MountOptionEntry.
constexpr size_t kNextOffset = 0;   // u32
constexpr size_t kFlags = 4;
constexpr size_t kNameLength = 5;   // bytes, without terminator
constexpr size_t kValueLength = 6;  // u16, bytes, without terminator
constexpr size_t kName = 8;
constexpr size_t kEntryOverhead = 12;
}  // namespace mountopt

// ExportQueryRequest (1,032 bytes) and its reply.
namespace exportreq {
constexpr size_t kSize = 1032;
constexpr size_t kAddress = 0;  // u32, network order
constexpr size_t kPort = 4;     // u16 LE
constexpr size_t kUser = 6;     // 512 bytes UTF-16
constexpr size_t kPassword = 518;
constexpr size_t kTextField = 512;
constexpr size_t kReplySize = 131072;
}  // namespace exportreq

}  // namespace tw
