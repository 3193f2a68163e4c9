// A disk device whose vendor commands are answered by the simulated
// driver's logic on a machine state held in memory: no state file, so the
// benchmarks measure our code and the driver logic alone.
#pragma once

#include <chrono>
#include <cstring>

#include "base/bytes.h"
#include "platform/device_io.h"
#include "platform/sim/drivers.h"
#include "platform/sim/machine_state.h"
#include "storagebus/driver_contract.h"

namespace tw {

class CodePage;

// Slot 0 of `state` answers every request.
class MemoryDiskIo final : public DeviceIo {
 public:
  MemoryDiskIo(sim::MachineState& state, CodePage& cp) : state_(state), cp_(cp) {}
  Status Open(const std::u16string&, uint32_t, uint32_t, uint32_t, uint32_t, Handle* h) override {
    *h = 1;
    return kOk;
  }
  Status Control(Handle, uint32_t code, const void* in, uint32_t in_len, void* out, uint32_t out_len,
                 uint32_t* returned) override {
    if (code != kIoctlScsiPassThroughDirect || in_len < sptd::kBlockSize || out_len < sptd::kBlockSize)
      return kErrInvalidFunction;
    ByteSpan b(static_cast<uint8_t*>(out), out_len);
    if (out != in) std::memcpy(out, in, in_len);
    auto start = std::chrono::steady_clock::now();
    uint8_t cdb[16];
    std::memcpy(cdb, b.data + sptd::kCdb, 16);
    ByteSpan data(reinterpret_cast<uint8_t*>(static_cast<uintptr_t>(GetU64LE(b, sptd::kDataBuffer))),
                  GetU32LE(b, sptd::kDataTransferLength));
    sim::ScsiResult r = sim::VendorCommand(state_, 0, cdb, b.data[sptd::kDataIn] == 1, data, cp_);
    b.data[sptd::kScsiStatus] = r.check_condition ? sptd::kCheckCondition : 0;
    PutU32LE(b, sptd::kDataTransferLength, r.check_condition ? 0 : r.transferred);
    if (r.check_condition) PutU32BE(b, sptd::kSenseOffset + sptd::kSenseInformation, r.sense_information);
    *returned = sptd::kBlockSize;
    ++requests;
    driver_ms += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    return kOk;
  }
  void Close(Handle) override {}
  size_t requests = 0;
  double driver_ms = 0;  // time spent in the simulated driver's logic

 private:
  sim::MachineState& state_;
  CodePage& cp_;
};

}  // namespace tw
