// NFS shares as network drives: mounting through the "VNFS Network"
// provider, unmounting, listing its connections, and asking the NFS
// redirector for a server's exports. Each returns a Win32 code and writes
// its one-line diagnostics.
#pragma once

#include <array>
#include <string>

#include "base/bytes.h"
#include "base/secure_zero.h"
#include "base/status.h"
#include "platform/platform.h"
#include "shares/mount_options.h"

namespace tw {

constexpr Status kErrUncTooLong = 0x8007007A;
constexpr size_t kUncChars = 260;
constexpr size_t kUncHostChars = 130;

// One listed connection (2,064 bytes).
namespace sharerec {
constexpr size_t kSize = 2064;
constexpr size_t kScope = 0, kType = 4, kDisplayType = 8, kUsage = 12;
constexpr size_t kLocalName = 16, kRemote = 528, kLocation = 1040, kProvider = 1552;
constexpr size_t kTextField = 512;
}  // namespace sharerec

class NfsShareRecord {
 public:
  explicit NfsShareRecord(ConstByteSpan bytes) : bytes_(bytes) {}
  uint32_t scope() const { return GetU32LE(bytes_, sharerec::kScope); }
  uint32_t type() const { return GetU32LE(bytes_, sharerec::kType); }
  uint32_t display_type() const { return GetU32LE(bytes_, sharerec::kDisplayType); }
  uint32_t usage() const { return GetU32LE(bytes_, sharerec::kUsage); }
  std::u16string local_name() const;
  std::u16string remote() const;
  std::u16string location() const;
  std::u16string provider() const;

 private:
  ConstByteSpan bytes_;
};

class ExportQueryRequest {
 public:
  ExportQueryRequest() { bytes_.fill(0); }
  ~ExportQueryRequest() { SecureZero(bytes_.data(), bytes_.size()); }  // it carries the password
  ExportQueryRequest(const ExportQueryRequest&) = default;
  ExportQueryRequest& operator=(const ExportQueryRequest&) = default;
  void set_address(uint32_t network_order) { PutU32LE(span(), exportreq::kAddress, network_order); }
  void set_port(uint16_t port) { PutU16LE(span(), exportreq::kPort, port); }
  void set_user(std::u16string_view u);
  void set_password(std::u16string_view p);
  ByteSpan span() { return {bytes_.data(), bytes_.size()}; }
  const uint8_t* data() const { return bytes_.data(); }
  static constexpr size_t size() { return exportreq::kSize; }

 private:
  std::array<uint8_t, exportreq::kSize> bytes_;
};

// The text is changed in place: slashes become backslashes and, once
// parsed, it holds the host alone.
Status ParseRemotePath(std::u16string* remote_path, ShareMountOptions* options, std::u16string* unc,
                       const Platform& p);
Status ConnectNfsShare(const std::u16string& local_name, std::u16string* remote_path, bool persistent,
                       ShareMountOptions* options, const Platform& p);
Status MountNfsShare(const std::u16string& local_name, std::u16string* remote_path, bool persistent,
                     const std::u16string& user, const std::u16string& password, int port, const Platform& p);
Status UnmountNfsShare(const std::u16string& local_name, const Platform& p);
// records->size() is the capacity in bytes; *size gets the bytes needed.
// 111 when the records do not all fit.
Status ListNfsShares(bool remembered, Bytes* records, uint32_t* size, const Platform& p);
// The reply is the export list as UTF-16, comma-separated, zero-ended;
// *reply_size in: the capacity, out: the bytes returned.
Status QueryServerExports(const ExportQueryRequest& request, Bytes* reply, uint32_t* reply_size, const Platform& p);

}  // namespace tw
