#include "fuzz/reply_mutator.h"

#include <cstring>

#include "base/bytes.h"
#include "storagebus/driver_contract.h"

namespace tw::fuzzing {
namespace {
// Statuses a driver or provider might answer with.
const Status kStatuses[] = {kOk, 1, 2, 5, 31, 87, 111, 122, 234, 259, 1222, 0xC0000001u};
}  // namespace

uint8_t Patch(FuzzInput& in, uint8_t* buffer, size_t size) {
  const uint8_t control = in.Byte();
  for (int patches = control & 3; patches > 0 && size > 0; --patches) {
    size_t offset = in.U16() % size;
    std::vector<uint8_t> bytes = in.Take(in.Byte() % 64);
    for (size_t i = 0; i < bytes.size() && offset + i < size; ++i) buffer[offset + i] = bytes[i];
  }
  return control;
}

Status MutatingDeviceIo::Control(Handle handle, uint32_t code, const void* in, uint32_t in_len, void* out,
                                 uint32_t out_len, uint32_t* returned) {
  // A pass-through block points to the caller's data buffer of the length
  // it asks for; both are read before the driver rewrites the block.
  uint8_t* data = nullptr;
  uint32_t asked = 0;
  if (code == kIoctlScsiPassThroughDirect && in && in_len >= sptd::kBlockSize) {
    ConstByteSpan block(static_cast<const uint8_t*>(in), in_len);
    asked = GetU32LE(block, sptd::kDataTransferLength);
    data = reinterpret_cast<uint8_t*>(static_cast<uintptr_t>(GetU64LE(block, sptd::kDataBuffer)));
  }
  Status st = inner_.Control(handle, code, in, in_len, out, out_len, returned);
  if (in_.empty()) return st;
  uint8_t* o = static_cast<uint8_t*>(out);
  const uint8_t control = Patch(in_, o, out ? out_len : 0);
  if (data) {
    Patch(in_, data, asked);
    if ((control & 0x10) && out && out_len >= sptd::kBlockSize)
      PutU32LE(ByteSpan(o, out_len), sptd::kDataTransferLength, in_.U32());
  }
  if (control & 0x20) *returned = in_.U32() % (out_len + 1);  // the system never reports more
  if (control & 0x40) st = kStatuses[in_.Byte() % (sizeof kStatuses / sizeof kStatuses[0])];
  return st;
}

Status MutatingWNet::GetConnection(const std::u16string& local_name, uint32_t capacity_chars, std::u16string* remote) {
  Status st = inner_.GetConnection(local_name, capacity_chars, remote);
  if (in_.empty()) return st;
  const uint8_t control = in_.Byte();
  if (control & 1) *remote = in_.Text(300);
  if (control & 2) st = kStatuses[in_.Byte() % (sizeof kStatuses / sizeof kStatuses[0])];
  return st;
}

Status MutatingWNet::EnumResource(WNetEnumHandle handle, uint32_t* count, uint32_t buffer_bytes,
                                  std::vector<NetResource>* entries) {
  Status st = inner_.EnumResource(handle, count, buffer_bytes, entries);
  if (in_.empty()) return st;
  const uint8_t control = in_.Byte();
  if ((control & 1) && !entries->empty()) entries->erase(entries->begin() + in_.Byte() % entries->size());
  for (int added = control >> 1 & 3; added > 0; --added) {
    NetResource r;
    r.scope = in_.Byte() % 4;
    r.type = in_.Byte() % 3;
    r.display_type = in_.Byte();
    r.usage = in_.Byte();
    r.local_name = in_.Text(8);
    r.remote_name = in_.Text(300);
    r.comment = in_.Text(300);
    r.provider = (in_.Byte() & 1) ? entries->empty() ? u"" : entries->front().provider : in_.Text(40);
    entries->push_back(std::move(r));
  }
  if (control & 8)
    for (NetResource& r : *entries) r.remote_name = in_.Text(600);
  if (control & 0x10) st = kStatuses[in_.Byte() % (sizeof kStatuses / sizeof kStatuses[0])];
  *count = static_cast<uint32_t>(entries->size());
  return st;
}

}  // namespace tw::fuzzing
