#include "iscsi/pdu.h"

#include <cstring>

namespace tw {

IscsiPdu::~IscsiPdu() {
  // Unlink the chain first so each PDU dies with an empty `next`.
  std::unique_ptr<IscsiPdu> rest = std::move(next);
  while (rest) rest = std::move(rest->next);
}

ConstByteSpan IscsiPdu::UsedData() const {
  size_t used = DataSegmentLength();
  if (used > data.size()) used = data.size();
  return {data.data(), used};
}

std::unique_ptr<IscsiPdu> NewPdu(uint32_t ahsLength, uint32_t dataCapacity) {
  auto pdu = std::make_unique<IscsiPdu>();
  pdu->ahsLength = ahsLength;
  pdu->ahs.assign(ahsLength, 0);
  pdu->dataCapacity = dataCapacity;
  pdu->data.assign(dataCapacity, 0);
  return pdu;
}

int AddTextKey(IscsiPdu& pdu, std::string_view key, std::string_view value) {
  const size_t used = pdu.DataSegmentLength();
  const size_t entry = key.size() + 1 + value.size() + 1;
  const size_t capacity = pdu.dataCapacity < pdu.data.size() ? pdu.dataCapacity : pdu.data.size();
  if (used > capacity || entry > capacity - used) return kIscsiRejected;
  uint8_t* p = pdu.data.data() + used;
  std::memcpy(p, key.data(), key.size());
  p[key.size()] = '=';
  std::memcpy(p + key.size() + 1, value.data(), value.size());
  p[entry - 1] = 0;
  PutU24BE(pdu.Bhs(), bhs::kDataSegmentLength, static_cast<uint32_t>(used + entry));
  return 0;
}

int FindTextKeyIn(std::string_view key, ConstByteSpan data, size_t bufferSize, std::string* value) {
  if (key.empty()) return 0;
  const uint8_t* p = data.data;
  const size_t n = data.size;
  size_t i = 0;
  while (i < n) {
    if (p[i] == 0) {  // between entries
      ++i;
      continue;
    }
    size_t key_end = i;
    while (key_end < n && p[key_end] != '=' && p[key_end] != 0) ++key_end;
    size_t entry_end = key_end;
    while (entry_end < n && p[entry_end] != 0) ++entry_end;
    const bool has_value = key_end < n && p[key_end] == '=';
    if (has_value && key_end - i == key.size() &&
        std::memcmp(p + i, key.data(), key.size()) == 0) {
      size_t length = entry_end - (key_end + 1);
      if (bufferSize == 0) {
        length = 0;
      } else if (length > bufferSize - 1) {
        length = bufferSize - 1;
      }
      value->assign(reinterpret_cast<const char*>(p + key_end + 1), length);
      return 1;
    }
    i = entry_end;
  }
  return 0;
}

int FindTextKey(std::string_view key, const IscsiPdu& pdu, size_t bufferSize, std::string* value) {
  return FindTextKeyIn(key, pdu.UsedData(), bufferSize, value);
}

int SerializePdu(IscsiPdu& pdu, uint8_t* out, uint32_t* size) {
  const uint32_t used = pdu.DataSegmentLength();
  if (used > pdu.data.size()) {
    *size = 0;
    return -1;
  }
  const uint32_t ahs = (pdu.ahsLength + 3u) & ~3u;
  pdu.ahsLength = ahs;
  pdu.ahs.resize(ahs, 0);
  const uint32_t padded = (used + 3u) & ~3u;
  const uint32_t total = static_cast<uint32_t>(kBhsSize) + ahs + padded;
  if (out == nullptr || *size < total) {
    *size = total;
    return -1;
  }
  std::memset(out, 0, *size);
  std::memcpy(out, pdu.bhs, kBhsSize);
  if (ahs) std::memcpy(out + kBhsSize, pdu.ahs.data(), ahs);
  if (used) std::memcpy(out + kBhsSize + ahs, pdu.data.data(), used);
  *size = total;
  return static_cast<int>(total);
}

std::vector<std::string_view> TextEntries(ConstByteSpan data) {
  std::vector<std::string_view> entries;
  const char* p = reinterpret_cast<const char*>(data.data);
  size_t i = 0;
  while (i < data.size) {
    size_t end = i;
    while (end < data.size && p[end] != 0) ++end;
    if (end == i) break;  // an empty entry ends the walk
    entries.emplace_back(p + i, end - i);
    i = end + 1;
  }
  return entries;
}

}  // namespace tw
