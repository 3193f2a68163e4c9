// WizardData: the mount wizard's 2,080-byte block, zero-filled
// when the wizard starts, with the iSCSI fields at their
// offsets. Kept as bytes (little-endian words as in the Windows program's
// memory, UTF-16LE texts with a NUL) and reached only through the accessors.
// The virtual-folder fields (1548 on) belong to the folder
// code; this class leaves them alone.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>

#include "base/bytes.h"
#include "base/text.h"

namespace tw {

// The types the wizard's iSCSI flows store.
constexpr uint32_t kTypeIscsiDisk = 16;
constexpr uint32_t kTypeSharedIscsiDisk = 17;
constexpr uint32_t kTypePrivateIscsiDisk = 18;
constexpr uint32_t kTypeVirtualFolder = 19;

class WizardData {
 public:
  static constexpr size_t kSize = 2080;
  static constexpr size_t kType = 0;            // u32
  static constexpr size_t kPortalAddress = 4;   // u32, network order
  static constexpr size_t kPortalPort = 8;      // u16, host order
  static constexpr size_t kTargetName = 10;     // 256 UTF-16 characters
  static constexpr size_t kChapUser = 522;      // 256 UTF-16 characters
  static constexpr size_t kChapSecret = 1034;   // 256 UTF-16 characters
  static constexpr size_t kTextBytes = 512;

  WizardData() : bytes_(kSize, 0) {}
  explicit WizardData(uint32_t type) : WizardData() { set_type(type); }

  uint32_t type() const { return GetU32LE(bytes_, kType); }
  void set_type(uint32_t v) { PutU32LE(bytes_, kType, v); }
  // The address's four octets in wire order, as the in-memory value of a
  // network-order u32 lies on the little-endian machine.
  uint32_t portalAddress() const {
    uint32_t v;
    std::memcpy(&v, bytes_.data() + kPortalAddress, 4);
    return v;
  }
  void set_portalAddress(uint32_t v) { std::memcpy(bytes_.data() + kPortalAddress, &v, 4); }
  uint16_t portalPort() const { return GetU16LE(bytes_, kPortalPort); }
  void set_portalPort(uint16_t v) { PutU16LE(bytes_, kPortalPort, v); }
  std::u16string targetName() const { return GetUtf16Field(bytes_, kTargetName, kTextBytes); }
  void set_targetName(std::u16string_view t) { SetText(kTargetName, t); }
  std::u16string chapUser() const { return GetUtf16Field(bytes_, kChapUser, kTextBytes); }
  void set_chapUser(std::u16string_view t) { SetText(kChapUser, t); }
  std::u16string chapSecret() const { return GetUtf16Field(bytes_, kChapSecret, kTextBytes); }
  void set_chapSecret(std::u16string_view t) { SetText(kChapSecret, t); }

  Bytes& bytes() { return bytes_; }
  const Bytes& bytes() const { return bytes_; }

 private:
  // The whole field is cleared first: no tail of an older, longer text (a
  // secret) stays behind the terminator.
  void SetText(size_t offset, std::u16string_view t) {
    std::memset(bytes_.data() + offset, 0, kTextBytes);
    PutUtf16Field(bytes_, offset, kTextBytes, t);
  }
  Bytes bytes_;
};

}  // namespace tw
