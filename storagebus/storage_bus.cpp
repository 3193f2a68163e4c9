#include "storagebus/storage_bus.h"

#include <cstring>
#include <vector>

#include "base/format.h"
#include "base/text.h"
#include "platform/setup_api.h"
#include "platform/system_services.h"

namespace tw {

namespace {
constexpr uint32_t kReadWrite = kGenericRead | kGenericWrite;
constexpr uint32_t kShareReadWrite = kFileShareRead | kFileShareWrite;
constexpr uint32_t kDetailBufferBytes = 1024;
constexpr size_t kMaxAdapters = 4;
constexpr size_t kKeptDataBlockBytes = 64 * 1024;
}  // namespace

Status StorageBus::SelectAdapter(uint32_t index) {
  DevInfoSet set = 0;
  if (p_.setup_api->GetClassDevs(kGuidDevInterfaceStoragePort, kDigcfPresent | kDigcfDeviceInterface, &set) != kOk)
    return kMinusOne;
  std::vector<std::u16string> found;
  for (uint32_t member = 0;; ++member) {
    std::u16string path;
    if (p_.setup_api->GetInterfacePath(set, kGuidDevInterfaceStoragePort, member, kDetailBufferBytes, &path) != kOk)
      break;
    if (StartsWithNoCase(path, std::u16string_view(kAdapterPathPrefix, kAdapterPathPrefixLength)) &&
        found.size() < kMaxAdapters)
      found.push_back(CutText(path, kAdapterPathMaxChars));
  }
  p_.setup_api->DestroyDeviceInfoList(set);
  if (index >= found.size()) return kMinusOne;

  Handle h = kInvalidHandle;
  Status st = p_.device_io->Open(found[index], kReadWrite, kShareReadWrite, kOpenExisting, 0, &h);
  if (st != kOk) return st;
  adapter_path_ = found[index];
  p_.device_io->Close(h);
  return kOk;
}

bool StorageBus::SendAdapterRequest(uint32_t control_code, ByteSpan buffer, Status* error) {
  Handle h = kInvalidHandle;
  *error = p_.device_io->Open(adapter_path_, kReadWrite, kShareReadWrite, kOpenExisting, 0, &h);
  if (*error != kOk) return false;
  ByteSpan b = buffer;
  PutU32LE(b, srb::kHeaderLength, srb::kSize);
  PutBytes(b, srb::kSignature, srb::kSignatureText, sizeof srb::kSignatureText);
  PutU32LE(b, srb::kTimeout, srb::kTimeoutSeconds);
  PutU32LE(b, srb::kControlCode, control_code);
  PutU32LE(b, srb::kReturnCode, 0);
  PutU32LE(b, srb::kLength, static_cast<uint32_t>(buffer.size - srb::kSize));
  uint32_t returned = 0;
  auto size = static_cast<uint32_t>(buffer.size);
  *error = p_.device_io->Control(h, kIoctlScsiMiniport, buffer.data, size, buffer.data, size, &returned);
  p_.device_io->Close(h);
  return *error == kOk;
}

Status StorageBus::PlugDevice(const DeviceRecord& record) {
  Bytes buffer(srb::kSize + devrec::kSize, 0);
  PutBytes(buffer, srb::kSize, record.data(), devrec::kSize);
  Status error;
  if (!SendAdapterRequest(kVscsiCtlPlug, buffer, &error)) return error;
  return GetU32LE(buffer, srb::kReturnCode);
}

Status StorageBus::QueryDevice(uint8_t slot, DeviceRecord* record) {
  // On the stack: a device list asks this of every slot on each refresh.
  uint8_t buffer[srb::kSize + devrec::kSize] = {};
  buffer[srb::kSize] = slot;
  Status error;
  SendAdapterRequest(kVscsiCtlQuery, ByteSpan(buffer, sizeof buffer), &error);
  std::memcpy(record->data(), buffer + srb::kSize, devrec::kSize);
  return error;
}

int StorageBus::FindFreeSlot(bool skip_slot_zero) {
  for (int slot = skip_slot_zero ? 1 : 0; slot < kSlotCount; ++slot) {
    DeviceRecord rec;
    if (QueryDevice(static_cast<uint8_t>(slot), &rec) != kOk) return -1;
    if (!rec.in_use()) return slot;
  }
  return -1;
}

Status StorageBus::UnplugDevice(uint8_t slot) {
  Bytes buffer(srb::kSize + 1, 0);
  buffer[srb::kSize] = slot;
  Status error;
  SendAdapterRequest(kVscsiCtlUnplug, buffer, &error);
  return error;
}

StorageBus::~StorageBus() {
  if (block_ && block_->data) p_.memory->Free(block_->data);
}

void* StorageBus::TakeDataBlock(size_t size, bool* kept) {
  *kept = false;
  // Another thread's command under way keeps the block; this one gets a
  // fresh one, as does a long answer, which is not worth holding on to.
  if (!block_ || size > kKeptDataBlockBytes || !block_->lock.try_lock()) return p_.memory->Allocate(size);
  if (block_->size < size) {
    p_.memory->Free(block_->data);
    block_->data = p_.memory->Allocate(size);
    block_->size = block_->data ? size : 0;
  } else {
    // As a fresh block would be: nothing of the last answer goes out.
    std::memset(block_->data, 0, size);
  }
  if (!block_->data) {
    block_->lock.unlock();
    return nullptr;
  }
  *kept = true;
  return block_->data;
}

void StorageBus::ReturnDataBlock(void* data, bool kept) {
  if (kept) block_->lock.unlock();
  else p_.memory->Free(data);
}

Status StorageBus::SendVendorCommand(Handle disk, uint8_t op, uint64_t argument, const void* out_data,
                                     uint32_t out_length, void* in_buffer, uint32_t in_capacity,
                                     uint32_t* transferred, uint8_t byte_argument) {
  uint8_t block_bytes[sptd::kBlockSize] = {};
  ByteSpan block(block_bytes, sizeof block_bytes);
  uint32_t transfer = out_length > in_capacity ? out_length : in_capacity;
  PutU16LE(block, sptd::kLength, sptd::kStructSize);
  PutU8(block, sptd::kCdbLength, 16);
  PutU8(block, sptd::kSenseInfoLength, sptd::kSenseLength);
  PutU32LE(block, sptd::kSenseInfoOffset, sptd::kSenseOffset);
  PutU32LE(block, sptd::kTimeOutValue, sptd::kTimeoutSeconds);
  PutU8(block, sptd::kDataIn, out_length == 0 ? 1 : 0);
  PutU32LE(block, sptd::kDataTransferLength, transfer);
  PutU8(block, sptd::kCdb, op);
  PutU64LE(block, sptd::kCdb + 1, argument);
  PutU8(block, sptd::kCdb + 9, byte_argument);

  size_t page = block_ ? block_->page.load(std::memory_order_relaxed) : 0;
  if (page == 0) {
    page = p_.memory->PageSize();
    if (block_) block_->page.store(page, std::memory_order_relaxed);
  }
  size_t alloc = transfer > page ? transfer : page;
  bool kept = false;
  void* data = TakeDataBlock(alloc, &kept);
  if (!data) {
    *transferred = 0;
    return kErrNotEnoughMemory;
  }
  if (out_length && out_data) std::memcpy(data, out_data, out_length);
  PutU64LE(block, sptd::kDataBuffer, static_cast<uint64_t>(reinterpret_cast<uintptr_t>(data)));

  uint32_t returned = 0;
  Status st = p_.device_io->Control(disk, kIoctlScsiPassThroughDirect, block_bytes, sptd::kBlockSize, block_bytes,
                                    sptd::kBlockSize, &returned);
  if (st != kOk) {
    ReturnDataBlock(data, kept);
    *transferred = 0;
    return st;
  }
  if (GetU8(block, sptd::kScsiStatus) == sptd::kCheckCondition) {
    ReturnDataBlock(data, kept);
    *transferred = GetU32BE(block, sptd::kSenseOffset + sptd::kSenseInformation);
    return sptd::kCheckCondition;
  }
  uint32_t got = GetU32LE(block, sptd::kDataTransferLength);
  if (in_buffer && in_capacity) {
    // Never more than the data buffer really holds, whatever the driver says.
    size_t n = got < in_capacity ? got : in_capacity;
    if (n > alloc) n = alloc;
    std::memcpy(in_buffer, data, n);
  }
  ReturnDataBlock(data, kept);
  *transferred = got;
  return kOk;
}

void StorageBus::WriteDiagnostic(const char* prefix, Status code) {
  p_.diagnostics->WriteErr(FormatUtf8("%s %s %d", {prefix, p_.diagnostics->SystemMessage(code), code}));
}

Status StorageBus::OpenVolumeDriver(Handle* h) {
  Status st = p_.device_io->Open(kVolumeDriverPath, kReadWrite, kShareReadWrite, kOpenExisting,
                                 kFileFlagNoBuffering, h);
  if (st != kOk) WriteDiagnostic("", st);
  return st;
}

Status StorageBus::MountVolume(const VolumeRecord& record) {
  Handle h;
  if (Status st = OpenVolumeDriver(&h); st != kOk) return st;
  uint32_t returned = 0;
  Status st = p_.device_io->Control(h, kIoctlVvolMount, record.data(), volrec::kSize, nullptr, 0, &returned);
  if (st != kOk) WriteDiagnostic("idisk:", st);
  p_.device_io->Close(h);
  return st;
}

Status StorageBus::GetVolumeCount(uint32_t* count) {
  Handle h;
  if (Status st = OpenVolumeDriver(&h); st != kOk) return st;
  uint8_t out[4] = {};
  uint32_t returned = 0;
  Status st = p_.device_io->Control(h, kIoctlVvolCount, nullptr, 0, out, 4, &returned);
  if (st == kOk) *count = GetU32LE(ConstByteSpan(out, 4), 0);
  else WriteDiagnostic("idisk:", st);
  p_.device_io->Close(h);
  return st;
}

Status StorageBus::GetVolumeInfo(uint32_t index, VolumeRecord* record) {
  Handle h;
  if (Status st = OpenVolumeDriver(&h); st != kOk) return st;
  uint8_t in[4];
  PutU32LE(ByteSpan(in, 4), 0, index);
  uint32_t returned = 0;
  Status st = p_.device_io->Control(h, kIoctlVvolGetInfo, in, 4, record->data(), volrec::kSize, &returned);
  if (st != kOk) WriteDiagnostic("idisk:", st);
  p_.device_io->Close(h);
  return st;
}

bool StorageBus::IsVolumeActive(uint32_t index) {
  Handle h;
  if (OpenVolumeDriver(&h) != kOk) return false;
  uint8_t in[4];
  PutU32LE(ByteSpan(in, 4), 0, index);
  uint32_t returned = 0;
  Status st = p_.device_io->Control(h, kIoctlVvolIsActive, in, 4, nullptr, 0, &returned);
  p_.device_io->Close(h);
  return st == kOk;
}

Status StorageBus::SetVolumeState(uint32_t index, uint32_t value) {
  Handle h;
  if (Status st = OpenVolumeDriver(&h); st != kOk) return st;
  uint8_t in[8];
  PutU32LE(ByteSpan(in, 8), 0, index);
  PutU32LE(ByteSpan(in, 8), 4, value);
  uint32_t returned = 0;
  Status st = p_.device_io->Control(h, kIoctlVvolSetState, in, 8, nullptr, 0, &returned);
  if (st != kOk) WriteDiagnostic("idisk:", st);
  p_.device_io->Close(h);
  return st;
}

Status StorageBus::DetachVolume(const std::u16string& volume_path) {
  Handle h = kInvalidHandle;
  Status st = p_.device_io->Open(volume_path, kReadWrite, kShareReadWrite, kOpenExisting, kFileFlagNoBuffering, &h);
  if (st != kOk) return st;
  ScopedHandle closer(*p_.device_io, h);
  uint32_t returned = 0;
  // Locked from here to the unlock, so nothing reopens it while detached.
  if ((st = p_.device_io->Control(h, kFsctlLockVolume, nullptr, 0, nullptr, 0, &returned)) != kOk) return st;
  if ((st = p_.device_io->Control(h, kIoctlVvolDetach, nullptr, 0, nullptr, 0, &returned)) != kOk) {
    WriteDiagnostic("idisk:", st);
    return st;
  }
  if ((st = p_.device_io->Control(h, kFsctlDismountVolume, nullptr, 0, nullptr, 0, &returned)) != kOk) return st;
  return p_.device_io->Control(h, kFsctlUnlockVolume, nullptr, 0, nullptr, 0, &returned);
}

}  // namespace tw
