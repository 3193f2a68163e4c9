// WMI of the simulated machine: the disk drives, partitions, logical disks
// and CD/DVD drives that Windows would show for the plugged slots, and the
// WQL forms the disk mapping asks (SELECT * FROM class; ASSOCIATORS OF).
#include <algorithm>

#include "base/text.h"
#include "platform/sim/sim_machine.h"
#include "platform/wmi.h"
#include "contracts/storage_drivers.h"

namespace tw::sim {
namespace {

constexpr Status kWbemInvalidQuery = 0x80041017;
constexpr Status kWbemInvalidNamespace = 0x8004100E;
constexpr Status kWbemInvalidClass = 0x80041010;

const char16_t kOwnDiskCaption[] = u"Velthorn Virtual Disk SCSI Disk Device";
const char16_t kOwnCdCaption[] = u"Velthorn Virtual CdRom SCSI CdRom Device";

bool IsCd(const Slot& s) {
  uint8_t t = s.record[devrec::kDeviceType];
  return t == kCdRom || t == kCdBurner;
}

std::u16string Num(long long n) { return U16(std::to_string(n)); }

WmiRow DiskRow(const std::u16string& caption, const std::u16string& id, int index, int target, uint64_t size) {
  return {{u"Caption", WmiValue::Text(caption)},
          {u"DeviceID", WmiValue::Text(id)},
          {u"Index", WmiValue::Int(index)},
          {u"InterfaceType", WmiValue::Text(u"SCSI")},
          {u"MediaType", WmiValue::Text(u"Fixed hard disk media")},
          {u"Model", WmiValue::Text(caption)},
          {u"SCSIPort", WmiValue::Int(index == 0 ? 0 : 2)},
          {u"SCSITargetId", WmiValue::Int(target)},
          {u"Size", WmiValue::Text(Num(static_cast<long long>(size)))}};
}

std::u16string PartitionId(int disk, int k) { return u"Disk #" + Num(disk) + u", Partition #" + Num(k); }

// Disks as (disk index, slot or -1, letters per partition).
struct DiskView {
  int index;
  int slot;
  std::vector<char> partitions;
};
std::vector<DiskView> Disks(const MachineState& s) {
  std::vector<DiskView> disks{{0, -1, {'C'}}};
  for (int i = 0; i < kSlotCount; ++i)
    if (s.slots[i].used && !IsCd(s.slots[i])) disks.push_back({i + 1, i, s.slots[i].partitions});
  return disks;
}

// Reads a WQL string literal at `pos` (just after the opening quote) and
// undoes its escapes; a backslash that escapes nothing makes the query invalid.
bool ReadWqlString(const std::u16string& q, size_t* pos, std::u16string* out) {
  out->clear();
  for (size_t i = *pos; i < q.size(); ++i) {
    char16_t c = q[i];
    if (c == u'"') {
      *pos = i + 1;
      return true;
    }
    if (c == u'\\') {
      if (i + 1 >= q.size() || (q[i + 1] != u'\\' && q[i + 1] != u'"')) return false;
      out->push_back(q[++i]);
    } else {
      out->push_back(c);
    }
  }
  return false;
}

std::u16string Trim(std::u16string s) {
  while (!s.empty() && s.back() == u' ') s.pop_back();
  size_t b = s.find_first_not_of(u' ');
  return b == std::u16string::npos ? std::u16string() : s.substr(b);
}

class SimWmiConnection final : public WmiConnection {
 public:
  explicit SimWmiConnection(SimMachine& m) : machine_(m) {}

  Status ExecQuery(const std::u16string& wql, std::vector<WmiRow>* rows) override {
    rows->clear();
    std::shared_ptr<const MachineState> s_now;
    if (machine_.Current(&s_now) != kOk) return 0x80041001;  // WBEM_E_FAILED
    const MachineState& s = *s_now;
    std::u16string q = Trim(wql);
    std::u16string select = u"SELECT * FROM ";
    if (StartsWithNoCase(q, select)) return Select(s, Trim(q.substr(select.size())), rows);
    std::u16string assoc = u"ASSOCIATORS OF {";
    if (StartsWithNoCase(q, assoc)) return Associators(s, q.substr(assoc.size()), rows);
    return kWbemInvalidQuery;
  }

 private:
  Status Select(const MachineState& s, const std::u16string& cls, std::vector<WmiRow>* rows) {
    if (EqualsNoCase(cls, u"Win32_DiskDrive")) {
      for (const DiskView& d : Disks(s)) {
        if (d.slot < 0)
          rows->push_back(DiskRow(u"Generic SSD 256GB", u"\\\\.\\PHYSICALDRIVE0", 0, 0, 256000000000ull));
        else
          rows->push_back(DiskRow(kOwnDiskCaption, DiskDeviceId(d.slot), d.index, d.slot,
                                  GetU64LE(ConstByteSpan(s.slots[d.slot].record), devrec::kCapacity)));
      }
      return kOk;
    }
    if (EqualsNoCase(cls, u"Win32_CDROMDrive")) {
      for (int i = 0; i < kSlotCount; ++i) {
        const Slot& slot = s.slots[i];
        if (!slot.used || !IsCd(slot)) continue;
        char letter = slot.partitions.empty() ? 0 : slot.partitions[0];
        WmiRow row{{u"Caption", WmiValue::Text(kOwnCdCaption)},
                   {u"DeviceID", WmiValue::Text(u"SCSI\\CDROM&VEN_VELTHORN&PROD_VIRTUAL_CDROM\\5&1C0A7B&0&00000" +
                                                Num(i))},
                   {u"Drive", letter ? WmiValue::Text(U16(std::string(1, letter) + ":")) : WmiValue::Null()},
                   {u"Id", letter ? WmiValue::Text(U16(std::string(1, letter) + ":")) : WmiValue::Null()},
                   {u"SCSITargetId", WmiValue::Int(i)}};
        rows->push_back(row);
      }
      return kOk;
    }
    if (EqualsNoCase(cls, u"Win32_DiskPartition") || EqualsNoCase(cls, u"Win32_LogicalDisk")) {
      for (const DiskView& d : Disks(s))
        for (size_t k = 0; k < d.partitions.size(); ++k) {
          if (EqualsNoCase(cls, u"Win32_DiskPartition"))
            rows->push_back(PartitionRow(d.index, static_cast<int>(k)));
          else if (d.partitions[k])
            rows->push_back(LogicalDiskRow(d.partitions[k]));
        }
      return kOk;
    }
    return kWbemInvalidClass;
  }

  static WmiRow PartitionRow(int disk, int k) {
    return {{u"DeviceID", WmiValue::Text(PartitionId(disk, k))},
            {u"DiskIndex", WmiValue::Int(disk)},
            {u"Index", WmiValue::Int(k)}};
  }
  static WmiRow LogicalDiskRow(char letter) {
    return {{u"DeviceID", WmiValue::Text(U16(std::string(1, letter) + ":"))},
            {u"DriveType", WmiValue::Int(3)},
            {u"FileSystem", WmiValue::Text(u"NTFS")}};
  }

  // "{Class.DeviceID="..."} WHERE AssocClass = Name"
  Status Associators(const MachineState& s, const std::u16string& rest, std::vector<WmiRow>* rows) {
    size_t dot = rest.find(u'.');
    if (dot == std::u16string::npos) return kWbemInvalidQuery;
    std::u16string cls = rest.substr(0, dot);
    std::u16string key = u"DeviceID=\"";
    if (rest.compare(dot + 1, key.size(), key) != 0) return kWbemInvalidQuery;
    size_t pos = dot + 1 + key.size();
    std::u16string id;
    if (!ReadWqlString(rest, &pos, &id)) return kWbemInvalidQuery;
    if (pos >= rest.size() || rest[pos] != u'}') return kWbemInvalidQuery;
    std::u16string where = Trim(rest.substr(pos + 1));
    std::u16string prefix = u"WHERE AssocClass = ";
    if (!StartsWithNoCase(where, prefix)) return kWbemInvalidQuery;
    std::u16string assoc = Trim(where.substr(prefix.size()));

    if (EqualsNoCase(cls, u"Win32_DiskDrive") && EqualsNoCase(assoc, u"Win32_DiskDriveToDiskPartition")) {
      for (const DiskView& d : Disks(s)) {
        std::u16string did = d.slot < 0 ? u"\\\\.\\PHYSICALDRIVE0" : DiskDeviceId(d.slot);
        if (!EqualsNoCase(did, id)) continue;
        for (size_t k = 0; k < d.partitions.size(); ++k) rows->push_back(PartitionRow(d.index, static_cast<int>(k)));
      }
      return kOk;
    }
    if (EqualsNoCase(cls, u"Win32_DiskPartition") && EqualsNoCase(assoc, u"Win32_LogicalDiskToPartition")) {
      for (const DiskView& d : Disks(s))
        for (size_t k = 0; k < d.partitions.size(); ++k)
          if (EqualsNoCase(PartitionId(d.index, static_cast<int>(k)), id) && d.partitions[k])
            rows->push_back(LogicalDiskRow(d.partitions[k]));
      return kOk;
    }
    return kWbemInvalidQuery;
  }

  SimMachine& machine_;
};

class SimWmiService final : public WmiService {
 public:
  explicit SimWmiService(SimMachine& m) : machine_(m) {}
  Status Connect(const std::u16string& name_space, std::unique_ptr<WmiConnection>* out) override {
    if (!EqualsNoCase(name_space, u"ROOT\\cimv2")) return kWbemInvalidNamespace;
    *out = std::make_unique<SimWmiConnection>(machine_);
    return kOk;
  }

 private:
  SimMachine& machine_;
};

}  // namespace

std::unique_ptr<WmiService> NewSimWmi(SimMachine& machine) { return std::make_unique<SimWmiService>(machine); }

}  // namespace tw::sim
