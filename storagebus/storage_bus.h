// StorageBus: the requests to the virtual SCSI adapter and to the virtual
// volume driver. Each operation opens its own handle, sends one request (or
// a short fixed sequence) and closes it. The only state is the adapter path.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "base/status.h"
#include "platform/device_io.h"
#include "platform/platform.h"
#include "storagebus/records.h"

namespace tw {

class StorageBus {
 public:
  explicit StorageBus(const Platform& platform) : p_(platform) {}
  // A copy talks to the same adapter with a data block of its own.
  StorageBus(const StorageBus& other) : p_(other.p_), adapter_path_(other.adapter_path_) {}
  StorageBus& operator=(const StorageBus& other) {
    p_ = other.p_;
    adapter_path_ = other.adapter_path_;
    return *this;
  }
  ~StorageBus();

  // Adapter side.
  // 0; kMinusOne when no matching adapter exists or the index is too
  // large; otherwise the error of the test open.
  Status SelectAdapter(uint32_t index);
  const std::u16string& adapter_path() const { return adapter_path_; }
  // The driver's ReturnCode when the request went through, else the error.
  Status PlugDevice(const DeviceRecord& record);
  // The record is overwritten with the answer, even when the request fails.
  Status QueryDevice(uint8_t slot, DeviceRecord* record);
  // The lowest free slot, or -1 (also when a query fails on the way).
  int FindFreeSlot(bool skip_slot_zero);
  Status UnplugDevice(uint8_t slot);
  // 0, 2 for a SCSI check condition (the sense information goes into
  // *transferred), or the Win32 error.
  Status SendVendorCommand(Handle disk, uint8_t op, uint64_t argument, const void* out_data,
                           uint32_t out_length, void* in_buffer, uint32_t in_capacity,
                           uint32_t* transferred, uint8_t byte_argument = 0);

  // Volume driver side.
  Status MountVolume(const VolumeRecord& record);
  Status GetVolumeCount(uint32_t* count);
  Status GetVolumeInfo(uint32_t index, VolumeRecord* record);
  bool IsVolumeActive(uint32_t index);
  Status SetVolumeState(uint32_t index, uint32_t value);
  // volume_path is "\\.\" followed by the record's VolumeName.
  Status DetachVolume(const std::u16string& volume_path);

 private:
  // Sends one SRB_IO_CONTROL buffer; false when the open or request failed
  // (*error then holds the Win32 error).
  bool SendAdapterRequest(uint32_t control_code, ByteSpan buffer, Status* error);
  Status OpenVolumeDriver(Handle* h);
  void WriteDiagnostic(const char* prefix, Status code);

  // The page-aligned data block of the last vendor command, kept for the
  // next one: a tree of thousands of snapshots is as many commands, and a
  // fresh block each time is a map and an unmap of the process's memory.
  struct DataBlock {
    std::mutex lock;
    void* data = nullptr;
    size_t size = 0;
    std::atomic<size_t> page{0};  // asked once: on Windows each ask is a system call
  };
  void* TakeDataBlock(size_t size, bool* kept);
  void ReturnDataBlock(void* data, bool kept);

  Platform p_;
  std::u16string adapter_path_;
  std::unique_ptr<DataBlock> block_ = std::make_unique<DataBlock>();
};

}  // namespace tw
