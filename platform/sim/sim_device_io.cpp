// CreateFileW / DeviceIoControl / CloseHandle against the simulated machine.
#include <algorithm>
#include <cstring>
#include <map>
#include <mutex>

#include "base/bytes.h"
#include "base/text.h"
#include "platform/device_io.h"
#include "platform/sim/sim_machine.h"
#include "platform/sim/nfs_provider.h"
#include "platform/sim/protected_volumes.h"
#include "platform/sockets.h"
#include "contracts/nfs_components.h"
#include "contracts/storage_drivers.h"

namespace tw::sim {
namespace {

enum class Kind { kAdapter, kDisk, kSystemDisk, kLetterVolume, kVolumeDriver, kVolume, kNfsDriver, kProtectedItem };

struct OpenObject {
  Kind kind;
  int slot = -1;
  std::string volume;  // "E:" or "Volume{...}" for volume handles
  std::u16string item;  // an item on a protected volume
  uint32_t access = 0;
};


class SimDeviceIo final : public DeviceIo {
 public:
  explicit SimDeviceIo(SimMachine& machine) : machine_(machine), protected_(machine.folder()) {}

  Status Open(const std::u16string& path, uint32_t access, uint32_t share, uint32_t disposition, uint32_t flags,
              Handle* handle) override {
    std::lock_guard<std::mutex> hold(mutex_);
    *handle = kInvalidHandle;
    if (disposition != kOpenExisting) return kErrInvalidParameter;
    std::shared_ptr<const MachineState> state_now;
    if (Status st = machine_.Current(&state_now)) return st;
    const MachineState& state = *state_now;
    OpenObject obj;
    if (!Resolve(state, path, &obj)) {
      Status st = protected_.OpenItem(path, flags);
      if (st != kOk) return st;
      obj.kind = Kind::kProtectedItem;
      obj.item = path;
      obj.access = access;
    }
    Handle h = next_handle_;
    next_handle_ += 4;
    open_[h] = obj;
    *handle = h;
    return kOk;
  }

  Status Control(Handle handle, uint32_t code, const void* in, uint32_t in_len, void* out, uint32_t out_len,
                 uint32_t* returned) override {
    std::lock_guard<std::mutex> hold(mutex_);
    *returned = 0;
    auto it = open_.find(handle);
    if (it == open_.end()) return kErrInvalidHandle;
    OpenObject& obj = it->second;
    switch (obj.kind) {
      case Kind::kAdapter:
        if (code != kIoctlScsiMiniport) return kErrInvalidFunction;
        return Miniport(in, in_len, out, out_len, returned);
      case Kind::kDisk:
      case Kind::kSystemDisk:
        if (code == kIoctlScsiPassThroughDirect) return PassThrough(obj, in, in_len, out, out_len, returned);
        if (code == kIoctlDiskUpdateProperties) return DiskStillThere(obj);
        return kErrInvalidFunction;
      case Kind::kLetterVolume:
      case Kind::kVolume:
        return VolumeControl(handle, obj, code);
      case Kind::kVolumeDriver:
        return VolumeDriver(code, in, in_len, out, out_len, returned);
      case Kind::kNfsDriver:
        if (code != kIoctlNfsListExports) return kErrInvalidFunction;
        return ListExports(in, in_len, out, out_len, returned);
      case Kind::kProtectedItem:
        return protected_.Control(obj.item, obj.access, code, in, in_len, out, out_len, returned);
    }
    return kErrInvalidFunction;
  }

  uint64_t ChangeCount() override { return machine_.generation(); }

  void Close(Handle handle) override {
    std::lock_guard<std::mutex> hold(mutex_);
    auto it = open_.find(handle);
    if (it == open_.end()) return;
    auto lock = locks_.find(it->second.volume);
    if (lock != locks_.end() && lock->second == handle) locks_.erase(lock);
    open_.erase(it);
  }

 private:
  static bool IsVolumeLetterPath(const std::u16string& path, char* letter) {
    if (path.size() != 6 || path.compare(0, 4, u"\\\\.\\") != 0 || path[5] != u':') return false;
    char16_t c = path[4] & ~0x20;
    if (c < u'A' || c > u'Z') return false;
    *letter = static_cast<char>(c);
    return true;
  }

  bool Resolve(const MachineState& state, const std::u16string& path, OpenObject* obj) {
    if (EqualsNoCase(path, kAdapterInterfacePath)) {
      obj->kind = Kind::kAdapter;
      return state.adapter_present;
    }
    if (EqualsNoCase(path, kVolumeDriverPath)) {
      obj->kind = Kind::kVolumeDriver;
      return true;
    }
    if (EqualsNoCase(path, kNfsDriverPath)) {
      obj->kind = Kind::kNfsDriver;
      return true;
    }
    if (EqualsNoCase(path, u"\\\\.\\PHYSICALDRIVE0")) {
      obj->kind = Kind::kSystemDisk;
      return true;
    }
    int slot = SlotOfDiskDeviceId(path);
    if (slot >= 0) {
      const Slot& s = state.slots[slot];
      uint8_t type = s.used ? s.record[devrec::kDeviceType] : 0;
      obj->kind = Kind::kDisk;
      obj->slot = slot;
      return s.used && type != kCdRom && type != kCdBurner;
    }
    char letter;
    if (IsVolumeLetterPath(path, &letter)) {
      obj->kind = Kind::kLetterVolume;
      obj->volume = std::string(1, letter) + ":";
      if (letter == 'C') return true;
      for (const Slot& s : state.slots)
        if (s.used && std::find(s.partitions.begin(), s.partitions.end(), letter) != s.partitions.end()) return true;
      return false;
    }
    if (StartsWithNoCase(path, u"\\\\.\\Volume{")) {
      obj->kind = Kind::kVolume;
      std::u16string name = path.substr(4);
      obj->volume = Utf16ToUtf8(name);
      return FindVolume(state, name) >= 0;
    }
    return false;
  }

  Status Miniport(const void* in, uint32_t in_len, void* out, uint32_t out_len, uint32_t* returned) {
    if (!in || !out || in_len < srb::kSize || out_len < in_len) return kErrInvalidParameter;
    Bytes buffer(static_cast<const uint8_t*>(in), static_cast<const uint8_t*>(in) + in_len);
    ByteSpan b(buffer);
    if (GetU32LE(b, srb::kHeaderLength) != srb::kSize ||
        std::memcmp(b.data + srb::kSignature, srb::kSignatureText, 8) != 0)
      return kErrInvalidParameter;
    uint32_t length = GetU32LE(b, srb::kLength);
    if (length > in_len - srb::kSize) return kErrInvalidParameter;
    ByteSpan data = b.Sub(srb::kSize, length);
    uint32_t code = GetU32LE(b, srb::kControlCode);
    Status driver = kOk;
    Status st = kOk;
    if (code == kVscsiCtlPlug || code == kVscsiCtlQuery) {
      if (length != devrec::kSize) {
        driver = kStatusInvalidParameter;
      } else if (code == kVscsiCtlPlug) {
        st = machine_.Update([&](MachineState& s) {
          driver = PlugDevice(s, machine_.context(), data);
          return driver == kOk;
        });
      } else {
        MachineState s;
        st = machine_.Load(&s);
        if (st == kOk) QueryDevice(s, data);
      }
    } else if (code == kVscsiCtlUnplug) {
      if (length < 1) {
        driver = kStatusInvalidParameter;
      } else {
        st = machine_.Update([&](MachineState& s) {
          driver = UnplugDevice(s, data.data[0]);
          return driver == kOk;
        });
      }
    } else {
      driver = kStatusInvalidDeviceRequest;
    }
    if (st != kOk) return st;
    PutU32LE(b, srb::kReturnCode, driver);
    std::memcpy(out, buffer.data(), buffer.size());
    *returned = in_len;
    return kOk;
  }

  Status DiskStillThere(const OpenObject& obj) {
    if (obj.kind == Kind::kSystemDisk) return kOk;
    std::shared_ptr<const MachineState> s_now;
    if (Status st = machine_.Current(&s_now)) return st;
    const MachineState& s = *s_now;
    return s.slots[obj.slot].used ? kOk : kErrNotReady;
  }

  Status PassThrough(const OpenObject& obj, const void* in, uint32_t in_len, void* out, uint32_t out_len,
                     uint32_t* returned) {
    if (!in || !out || in_len < sptd::kStructSize || out_len < sptd::kStructSize) return kErrInvalidParameter;
    Bytes block(static_cast<const uint8_t*>(in), static_cast<const uint8_t*>(in) + in_len);
    ByteSpan b(block);
    if (GetU16LE(b, sptd::kLength) != sptd::kStructSize || b.data[sptd::kCdbLength] == 0 ||
        b.data[sptd::kCdbLength] > 16 || b.data[sptd::kDataIn] > 2)
      return kErrInvalidParameter;
    uint32_t transfer = GetU32LE(b, sptd::kDataTransferLength);
    uint64_t pointer = GetU64LE(b, sptd::kDataBuffer);
    if (transfer > 0 && pointer == 0) return kErrInvalidParameter;
    uint8_t cdb[16] = {};
    std::memcpy(cdb, b.data + sptd::kCdb, b.data[sptd::kCdbLength]);
    // The caller's transfer buffer, as a driver would map it.
    ByteSpan data(reinterpret_cast<uint8_t*>(static_cast<uintptr_t>(pointer)), transfer);
    bool data_in = b.data[sptd::kDataIn] == 1;

    ScsiResult r;
    if (obj.kind == Kind::kSystemDisk) {
      r.check_condition = true;  // another maker's disk knows no vendor commands
      r.sense_information = kSenseInvalidOpcode;
    } else {
      Status st = machine_.Update([&](MachineState& s) {
        r = VendorCommand(s, obj.slot, cdb, data_in, data, machine_.code_page());
        return !r.check_condition;
      });
      if (st != kOk) return st;
    }
    b.data[sptd::kScsiStatus] = r.check_condition ? sptd::kCheckCondition : 0;
    PutU32LE(b, sptd::kDataTransferLength, r.check_condition ? 0 : r.transferred);
    if (r.check_condition) {
      uint32_t offset = GetU32LE(b, sptd::kSenseInfoOffset);
      uint8_t length = b.data[sptd::kSenseInfoLength];
      if (length >= 8 && b.Fits(offset, 8) && out_len >= offset + 8) {
        ByteSpan sense = b.Sub(offset, std::min<size_t>(length, b.size - offset));
        std::fill(sense.data, sense.data + sense.size, 0);
        sense.data[0] = 0x70;  // current error, fixed format
        sense.data[2] = 0x05;  // illegal request
        PutU32BE(sense, sptd::kSenseInformation, r.sense_information);
        sense.data[7] = static_cast<uint8_t>(std::min<size_t>(sense.size, 18) - 8);
      }
    }
    size_t n = std::min<size_t>(out_len, block.size());
    std::memcpy(out, block.data(), n);
    *returned = static_cast<uint32_t>(n);
    return kOk;
  }

  Status VolumeControl(Handle handle, const OpenObject& obj, uint32_t code) {
    std::shared_ptr<const MachineState> s_now;
    if (Status st = machine_.Current(&s_now)) return st;
    const MachineState& s = *s_now;
    auto lock = locks_.find(obj.volume);
    bool mine = lock != locks_.end() && lock->second == handle;
    switch (code) {
      case kFsctlLockVolume:
        if (mine) return kOk;  // the handle already holds it
        if (lock != locks_.end() || s.held_open.count(obj.volume)) return kErrAccessDenied;
        locks_[obj.volume] = handle;
        return kOk;
      case kFsctlUnlockVolume:
        if (!mine) return kErrNotLocked;
        locks_.erase(lock);
        return kOk;
      case kFsctlDismountVolume:
        // Windows dismounts even under open files; the lock is what protects them.
        return kOk;
      case kIoctlVvolDetach: {
        if (obj.kind != Kind::kVolume) return kErrInvalidFunction;
        std::u16string name = Utf8ToUtf16(obj.volume);
        return machine_.Update([&](MachineState& st) {
          int index = FindVolume(st, name);
          if (index < 0) return false;
          st.volumes[index].detached = true;
          return true;
        });
      }
    }
    return kErrInvalidFunction;
  }

  Status VolumeDriver(uint32_t code, const void* in, uint32_t in_len, void* out, uint32_t out_len,
                      uint32_t* returned) {
    ConstByteSpan input(static_cast<const uint8_t*>(in), in ? in_len : 0);
    ByteSpan output(static_cast<uint8_t*>(out), out ? out_len : 0);
    MachineState s;
    switch (code) {
      case kIoctlVvolMount: {
        Status driver = kOk;
        Status st = machine_.Update([&](MachineState& m) {
          driver = MountVolume(m, input);
          return driver == kOk;
        });
        return st != kOk ? st : driver;
      }
      case kIoctlVvolCount:
        if (output.size < 4) return kErrInsufficientBuffer;
        if (Status st = machine_.Load(&s)) return st;
        PutU32LE(output, 0, static_cast<uint32_t>(s.volumes.size()));
        *returned = 4;
        return kOk;
      case kIoctlVvolGetInfo: {
        if (input.size < 4) return kErrInvalidParameter;
        if (output.size < volrec::kSize) return kErrInsufficientBuffer;
        if (Status st = machine_.Load(&s)) return st;
        uint32_t index = GetU32LE(input, 0);
        if (index >= s.volumes.size()) return kErrInvalidParameter;
        std::memcpy(output.data, s.volumes[index].record.data(), volrec::kSize);
        *returned = volrec::kSize;
        return kOk;
      }
      case kIoctlVvolIsActive: {
        if (input.size < 4) return kErrInvalidParameter;
        if (Status st = machine_.Load(&s)) return st;
        uint32_t index = GetU32LE(input, 0);
        if (index >= s.volumes.size()) return kErrInvalidParameter;
        const VolumeEntry& v = s.volumes[index];
        return !v.detached && v.state == 0 ? kOk : kErrNotReady;
      }
      case kIoctlVvolSetState: {
        if (input.size < 8) return kErrInvalidParameter;
        uint32_t index = GetU32LE(input, 0), value = GetU32LE(input, 4);
        Status result = kOk;
        Status st = machine_.Update([&](MachineState& m) {
          if (index >= m.volumes.size()) {
            result = kErrInvalidParameter;
            return false;
          }
          m.volumes[index].state = value;
          return true;
        });
        return st != kOk ? st : result;
      }
    }
    return kErrInvalidFunction;
  }

  // IOCTL_NFS_LIST_EXPORTS: the export list of the server the request names.
  Status ListExports(const void* in, uint32_t in_len, void* out, uint32_t out_len, uint32_t* returned) {
    if (!in || in_len < exportreq::kSize || !out) return kErrInvalidParameter;
    ConstByteSpan req(static_cast<const uint8_t*>(in), in_len);
    std::string dotted = DottedAddress(GetU32LE(req, exportreq::kAddress));
    uint16_t port = GetU16LE(req, exportreq::kPort);
    std::string user = Utf16ToUtf8(GetUtf16Field(req, exportreq::kUser, exportreq::kTextField));
    std::string password = Utf16ToUtf8(GetUtf16Field(req, exportreq::kPassword, exportreq::kTextField));
    std::shared_ptr<const MachineState> s_now;
    if (Status st = machine_.Current(&s_now)) return st;
    const MachineState& s = *s_now;
    const NfsServer* server = FindNfsServer(s, dotted, port);
    if (!server) return 53;  // ERROR_BAD_NETPATH: nothing answers there
    if (!server->user.empty() && (user != server->user || password != server->password)) return 1326;
    std::u16string text;
    for (const std::string& e : server->exports) text += (text.empty() ? u"" : u",") + Utf8ToUtf16(e);
    size_t bytes = (text.size() + 1) * 2;
    if (bytes > out_len) return kErrInsufficientBuffer;
    ByteSpan reply(static_cast<uint8_t*>(out), out_len);
    PutUtf16Field(reply, 0, bytes, text);
    *returned = static_cast<uint32_t>(bytes);
    return kOk;
  }

  SimMachine& machine_;
  ProtectedVolumes protected_;
  std::map<Handle, OpenObject> open_;
  std::mutex mutex_;  // guards the tables: Explorer calls from several threads
  std::map<std::string, Handle> locks_;  // volume -> the handle holding its lock
  Handle next_handle_ = 0x104;
};

}  // namespace

std::unique_ptr<DeviceIo> NewSimDeviceIo(SimMachine& machine) { return std::make_unique<SimDeviceIo>(machine); }

}  // namespace tw::sim
