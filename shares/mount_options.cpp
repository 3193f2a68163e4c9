#include "shares/mount_options.h"

#include "base/format.h"
#include "base/text.h"
#include "platform/system_services.h"

namespace tw {

ShareMountOptions::ShareMountOptions() : block(mountopt::kBlockSize, 0) {
  PutU16LE(block, mountopt::kTag, mountopt::kTagValue);
}

void ShareMountOptions::Terminate() {
  if (last_entry >= 0) PutU32LE(block, static_cast<size_t>(last_entry) + mountopt::kNextOffset, 0);
}

namespace {

std::u16string ReadText(const Bytes& block, size_t at, size_t bytes) {
  std::u16string s;
  for (size_t i = 0; i < bytes; i += 2) s.push_back(GetU16LE(block, at + i));
  return s;
}

struct EntryView {
  size_t offset;
  uint32_t next;
  std::u16string name, value;
};

EntryView ReadEntry(const Bytes& block, size_t off) {
  EntryView e;
  e.offset = off;
  e.next = GetU32LE(block, off + mountopt::kNextOffset);
  size_t name_len = block[off + mountopt::kNameLength];
  size_t value_len = GetU16LE(block, off + mountopt::kValueLength);
  e.name = ReadText(block, off + mountopt::kName, name_len);
  e.value = ReadText(block, off + mountopt::kName + name_len + 2, value_len);
  return e;
}

// Every entry written so far. The walk ends at the last entry the
// descriptor knows: until the block is terminated, the last entry's
// next-entry offset still points past it (up to the end of a full block).
std::vector<EntryView> Walk(const ShareMountOptions& o) {
  std::vector<EntryView> out;
  if (o.last_entry < 0) return out;
  size_t off = mountopt::kFirstEntry;
  for (;;) {
    out.push_back(ReadEntry(o.block, off));
    if (off == static_cast<size_t>(o.last_entry) || out.back().next == 0) break;
    off += out.back().next;
    if (off > static_cast<size_t>(o.last_entry)) break;
  }
  return out;
}

}  // namespace

std::vector<ShareMountOptions::Option> ShareMountOptions::Entries() const {
  std::vector<Option> out;
  for (const EntryView& e : Walk(*this)) out.push_back({e.name, e.value});
  return out;
}

bool InsertMountOption(const std::u16string& name, const std::u16string& value, ShareMountOptions* o,
                       Diagnostics& diagnostics) {
  size_t name_len = name.size() * 2, value_len = value.size() * 2;
  size_t size = (mountopt::kEntryOverhead + name_len + value_len + 3) & ~size_t{3};
  for (const EntryView& e : Walk(*o)) {
    if (e.name.size() * 2 != name_len || e.name != name) continue;
    diagnostics.WriteErr(FormatUtf8("Found a duplicate option '%s%s%s' while parsing '%s%s%s'.",
                                    {e.name, e.value.empty() ? "" : "=", e.value, name, value.empty() ? "" : "=",
                                     value}));
    return false;
  }
  // The name's length is one byte in the entry.
  if (size > o->free_bytes || name_len > 0xFF) {
    diagnostics.WriteErr("Out of space for options!");
    return false;
  }
  size_t off = o->last_entry < 0 ? mountopt::kFirstEntry
                                 : static_cast<size_t>(o->last_entry) +
                                       GetU32LE(o->block, static_cast<size_t>(o->last_entry) + mountopt::kNextOffset);
  ByteSpan b(o->block);
  b.data[off + mountopt::kFlags] = 0;
  b.data[off + mountopt::kNameLength] = static_cast<uint8_t>(name_len);
  PutU16LE(b, off + mountopt::kValueLength, static_cast<uint16_t>(value_len));
  PutUtf16Field(b, off + mountopt::kName, name_len + 2, name);
  if (!value.empty()) PutUtf16Field(b, off + mountopt::kName + name_len + 2, value_len + 2, value);
  PutU32LE(b, off + mountopt::kNextOffset, static_cast<uint32_t>(size));
  PutU32LE(b, mountopt::kEntriesLength,
           static_cast<uint32_t>(off - mountopt::kFirstEntry + mountopt::kEntryOverhead + name_len + value_len));
  o->free_bytes -= size;
  o->last_entry = static_cast<long>(off);
  return true;
}

}  // namespace tw
