// Adapter selection over device-interface enumerations the input makes up:
// the machine's own paths, any others (our prefix in any case, with any
// text after it, up to what the detail buffer holds), failures at any
// member. Whatever the list, a selected adapter is one path exactly as
// listed, the index-th of the first four that carry the prefix; a failed
// selection leaves the adapter as it was, and the bus then works or fails
// its requests cleanly.
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "base/text.h"
#include "contracts/storage_drivers.h"
#include "fuzz/fuzz_machine.h"
#include "platform/setup_api.h"
#include "storagebus/storage_bus.h"

namespace {

using tw::fuzzing::FuzzInput;

class MadeUpSetupApi final : public tw::SetupApi {
 public:
  MadeUpSetupApi(tw::SetupApi& inner, FuzzInput& in) : inner_(inner), in_(in) {}

  tw::Status GetClassDevs(const tw::Guid& interface_class, uint32_t flags, tw::DevInfoSet* set) override {
    const uint8_t control = in_.Byte();
    if (control == 0xFF) return 87;
    tw::Status st = inner_.GetClassDevs(interface_class, flags, set);
    if (st != tw::kOk) return st;
    std::vector<Member>& members = sets_[*set];
    members.clear();
    for (int n = control % 12; n > 0; --n) members.push_back(Made());
    return tw::kOk;
  }
  tw::Status GetInterfacePath(tw::DevInfoSet set, const tw::Guid& interface_class, uint32_t index,
                              uint32_t detail_bytes, std::u16string* path) override {
    const auto it = sets_.find(set);
    if (it == sets_.end()) std::abort();  // a set used after it was released
    // The made-up members first, then the machine's own.
    const std::vector<Member>& members = it->second;
    if (index >= members.size()) {
      const tw::Status st = inner_.GetInterfacePath(set, interface_class, index - static_cast<uint32_t>(members.size()),
                                                    detail_bytes, path);
      if (st == tw::kOk) listed_.push_back(*path);
      return st;
    }
    const Member& m = members[index];
    if (m.status != tw::kOk) return m.status;
    // SP_DEVICE_INTERFACE_DETAIL_DATA_W: the size field, the path, its NUL.
    if (detail_bytes < 4 + (m.path.size() + 1) * 2) return tw::kErrInsufficientBuffer;
    *path = m.path;
    listed_.push_back(m.path);
    return tw::kOk;
  }
  void DestroyDeviceInfoList(tw::DevInfoSet set) override {
    if (!sets_.erase(set)) std::abort();
    inner_.DestroyDeviceInfoList(set);
  }
  const std::vector<std::u16string>& listed() const { return listed_; }
  bool open_sets() const { return !sets_.empty(); }

 private:
  struct Member {
    tw::Status status = tw::kOk;
    std::u16string path;
  };
  Member Made() {
    Member m;
    const uint8_t kind = in_.Byte();
    if (kind >= 0xF0) {
      m.status = kind & 1 ? tw::kErrInsufficientBuffer : 13;
      return m;
    }
    std::u16string prefix(tw::kAdapterPathPrefix, tw::kAdapterPathPrefixLength);
    if (kind & 1) {
      for (char16_t& c : prefix)
        if ((in_.Byte() & 1) && c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - 32);
    }
    if (kind & 2) prefix.resize(in_.Byte() % (prefix.size() + 1));
    m.path = (kind & 4 ? prefix : std::u16string()) + in_.Text(64);
    if (kind & 8) m.path += std::u16string(in_.U16() % 512, u'x');  // near and past the stored length
    return m;
  }

  tw::SetupApi& inner_;
  FuzzInput& in_;
  std::map<tw::DevInfoSet, std::vector<Member>> sets_;
  std::vector<std::u16string> listed_;
};

// Members that carry the prefix, in order, at most four: what SelectAdapter
// may choose from.
std::vector<std::u16string> Choosable(const std::vector<std::u16string>& listed) {
  std::vector<std::u16string> out;
  const std::u16string_view prefix(tw::kAdapterPathPrefix, tw::kAdapterPathPrefixLength);
  for (const std::u16string& path : listed)
    if (out.size() < 4 && tw::StartsWithNoCase(path, prefix)) out.push_back(path);
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput in(data, size);
  tw::fuzzing::FuzzMachine& machine = tw::fuzzing::FuzzMachine::Get();
  tw::Platform p = machine.Begin(in);
  p.device_io = machine.plain().device_io;
  MadeUpSetupApi setup(*machine.plain().setup_api, in);
  p.setup_api = &setup;

  tw::StorageBus bus(p);
  std::u16string before;
  for (int round = 0; round < 2; ++round) {
    const size_t first = setup.listed().size();
    const uint32_t index = in.Byte() % 6;
    const tw::Status st = bus.SelectAdapter(index);
    if (setup.open_sets()) __builtin_trap();  // every enumeration released
    const std::vector<std::u16string> listed(setup.listed().begin() + first, setup.listed().end());
    const std::vector<std::u16string> choosable = Choosable(listed);
    if (st == tw::kOk) {
      // Not a shortened path, which could name another device.
      if (index >= choosable.size() || bus.adapter_path() != choosable[index] ||
          bus.adapter_path().size() > tw::kAdapterPathMaxChars)
        __builtin_trap();
    } else if (bus.adapter_path() != before) {
      __builtin_trap();
    }
    before = bus.adapter_path();
    tw::DeviceRecord r;
    const tw::Status query = bus.QueryDevice(0, &r);
    if (before.empty() && query == tw::kOk) __builtin_trap();  // no adapter, yet an answer
  }
  return 0;
}
