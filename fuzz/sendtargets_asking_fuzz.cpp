// The SendTargets asking path against a target that reacts to what it is
// sent: the input picks the names, how the answer is cut into parts,
// which parts the target sends unasked (at once, or late enough that the
// initiator's wait may run out first), what it does with a continuation
// it did not need (ignore it, answer it with the next part, send a part
// again, reject it, hang up) and whether each select sees a late part
// arrive. Whatever happens, the target list is the whole list or nothing,
// and a target that never ends is given up on.
#include <algorithm>
#include <cstdlib>
#include <set>
#include <string>

#include "base/text.h"
#include "fuzz/reply_mutator.h"
#include "iscsi/discovery.h"
#include "iscsi/testing/scripted_target.h"

namespace {

using tw::Bytes;
using tw::fuzzing::FuzzInput;

constexpr uint32_t kNoTag = 0xFFFFFFFFu;

enum PartMode : uint8_t { kAsked, kUnaskedAtOnce, kUnaskedLate };
enum Stray : uint8_t { kIgnore, kNextPart, kRepeat, kReject, kHangUp, kStrayKinds };

struct Script {
  std::vector<Bytes> parts;
  std::vector<PartMode> modes;  // of parts 1..n-1 (the first answers the request)
  bool endless = false;         // every continuation gets another empty, non-final part
};

// One connection's target, run inside Send: what it answers is queued for
// Recv. Bytes up to `arrived_` are there; the rest were sent late and are
// still on their way.
class Target {
 public:
  Target(const Script& script, FuzzInput& in) : script_(script), in_(in) {}

  void Receive(const uint8_t* data, size_t n) {
    request_.insert(request_.end(), data, data + n);
    for (;;) {
      if (request_.size() < 48) return;
      const size_t length = size_t{request_[5]} << 16 | size_t{request_[6]} << 8 | request_[7];
      const size_t whole = 48 + ((length + 3) & ~size_t{3});
      if (request_.size() < whole) return;
      const Bytes pdu(request_.begin(), request_.begin() + whole);
      request_.erase(request_.begin(), request_.begin() + whole);
      Answer(pdu, length);
    }
  }

  // Bytes for recv; 0 at a hang-up, -1 when nothing is coming (the
  // receive time-out).
  int Take(uint8_t* out, size_t max) {
    if (taken_ >= queue_.size()) return hung_up_ ? 0 : -1;
    if (taken_ >= arrived_) arrived_ = queue_.size();  // a blocking recv waits for the late part
    const size_t n = std::min(max, arrived_ - taken_);
    std::copy(queue_.begin() + taken_, queue_.begin() + taken_ + n, out);
    taken_ += n;
    return static_cast<int>(n);
  }
  // Whether select sees something to read within its wait.
  bool Readable() {
    if (taken_ < arrived_) return true;
    if (taken_ >= queue_.size()) return hung_up_;
    if (in_.Byte() & 1) arrived_ = queue_.size();  // the late part comes in time
    return taken_ < arrived_;
  }
  int continuations() const { return continuations_; }

 private:
  uint32_t Tag(size_t part) const {
    return !script_.endless && part + 1 == script_.parts.size() ? kNoTag : 0x100u + static_cast<uint32_t>(part);
  }
  void Queue(const Bytes& bytes, bool late) {
    if (hung_up_) return;
    queue_.insert(queue_.end(), bytes.begin(), bytes.end());
    if (!late) arrived_ = queue_.size();
  }
  void SendPart(size_t part, bool late) {
    tw::testing::PduSpec p;
    p.opcode = 0x24;
    p.ttt = Tag(part);
    p.flags = p.ttt == kNoTag ? 0x80 : 0x40;
    p.itt = itt_;
    p.statSN = stat_sn_++;
    if (part < script_.parts.size()) p.data = script_.parts[part];
    Queue(tw::testing::Pdu(p), late);
  }
  // Part `part`, then every part after it that goes unasked.
  void SendFrom(size_t part) {
    SendPart(part, false);
    next_ = part + 1;
    while (!script_.endless && next_ < script_.parts.size() && script_.modes[next_ - 1] != kAsked) {
      SendPart(next_, script_.modes[next_ - 1] == kUnaskedLate);
      ++next_;
    }
  }
  void Answer(const Bytes& pdu, size_t length) {
    const uint8_t opcode = pdu[0] & 0x3F;
    if (opcode == 0x03) {
      const bool first = logins_++ == 0;
      Queue(first ? tw::testing::LoginResponse(0x81, {{"TargetPortalGroupTag", "1"}, {"AuthMethod", "None"}})
                  : tw::testing::LoginResponse(0x87, {{"FirstBurstLength", "65536"}}),
            false);
      stat_sn_ = 3;
      return;
    }
    if (opcode == 0x06) {
      Queue(tw::testing::LogoutResponse(), false);
      hung_up_ = true;
      return;
    }
    if (opcode != 0x04) return;
    const uint32_t ttt = uint32_t{pdu[20]} << 24 | uint32_t{pdu[21]} << 16 | uint32_t{pdu[22]} << 8 | pdu[23];
    if (length > 0) {  // the request
      itt_ = uint32_t{pdu[16]} << 24 | uint32_t{pdu[17]} << 16 | uint32_t{pdu[18]} << 8 | pdu[19];
      SendFrom(0);
      return;
    }
    ++continuations_;
    if (script_.endless) {
      SendPart(next_++, false);
      return;
    }
    if (next_ > 0 && next_ < script_.parts.size() && ttt == Tag(next_ - 1)) {
      SendFrom(next_);  // asked for the part it was waiting to be asked for
      return;
    }
    switch (in_.Byte() % kStrayKinds) {
      case kIgnore:
        break;
      case kNextPart:
        if (next_ < script_.parts.size()) SendFrom(next_);
        break;
      case kRepeat:
        // The part after the one the request names, as if asked for it.
        for (size_t i = 0; i + 1 < next_; ++i)
          if (Tag(i) == ttt) SendPart(i + 1, false);
        break;
      case kReject: {
        tw::testing::PduSpec r;
        r.opcode = 0x3F;
        r.flags = 0x80;
        r.data = Bytes(pdu.begin(), pdu.begin() + 48);
        Queue(tw::testing::Pdu(r), false);
        break;
      }
      default:
        hung_up_ = true;
    }
  }

  const Script& script_;
  FuzzInput& in_;
  Bytes request_;
  Bytes queue_;
  size_t taken_ = 0;
  size_t arrived_ = 0;
  bool hung_up_ = false;
  int logins_ = 0;
  uint32_t itt_ = 0;
  uint32_t stat_sn_ = 1;
  size_t next_ = 0;
  int continuations_ = 0;
};

// A Sockets port whose one peer is the Target above; connects succeed at once.
class TargetSockets final : public tw::Sockets {
 public:
  TargetSockets(const Script& script, FuzzInput& in) : script_(script), in_(in) {}
  tw::SocketHandle Socket(int, int, int) override {
    targets_.emplace_back(script_, in_);
    return targets_.size();
  }
  int SetSockOpt(tw::SocketHandle, int, uint32_t) override { return 0; }
  int GetSocketError(tw::SocketHandle) override { return 0; }
  int IoctlSocket(tw::SocketHandle, long, uint32_t) override { return 0; }
  int Connect(tw::SocketHandle, uint32_t, uint16_t) override { return 0; }
  int Bind(tw::SocketHandle, uint32_t, uint16_t) override { return 0; }
  int Listen(tw::SocketHandle, int) override { return 0; }
  tw::SocketHandle Accept(tw::SocketHandle) override { return Fail(tw::kWsaEInval), tw::kInvalidSocket; }
  int GetSockName(tw::SocketHandle, uint32_t*, uint16_t*) override { return 0; }
  int Select(tw::SocketHandle s, tw::SelectSets* sets, uint32_t) override {
    const bool read = sets->read && targets_[s - 1].Readable();
    *sets = {read, sets->write, false};
    return int{read} + int{sets->write};
  }
  int Send(tw::SocketHandle s, const uint8_t* data, int length) override {
    targets_[s - 1].Receive(data, static_cast<size_t>(length));
    return length;
  }
  int Recv(tw::SocketHandle s, uint8_t* data, int length) override {
    const int n = targets_[s - 1].Take(data, static_cast<size_t>(length));
    return n < 0 ? Fail(tw::kWsaETimedOut) : n;
  }
  int CloseSocket(tw::SocketHandle) override { return 0; }
  uint32_t InetAddr(const std::string&) override { return 0x0100007F; }
  bool GetHostByName(const std::string&, std::vector<uint32_t>*) override { return false; }
  int LastError() override { return last_error_; }
  const std::vector<Target>& targets() const { return targets_; }

 private:
  int Fail(int e) {
    last_error_ = e;
    return tw::kSocketError;
  }
  const Script& script_;
  FuzzInput& in_;
  std::vector<Target> targets_;
  int last_error_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput in(data, size);
  Script script;
  const uint8_t shape = in.Byte();
  script.endless = shape == 0xFF;
  std::set<std::string> expected;
  Bytes whole;
  const int names = 1 + shape % 12;
  for (int i = 0; i < names; ++i) {
    std::string name = "iqn.2026-01.fuzz:t" + std::to_string(i) + "-";
    for (uint8_t k = in.Byte() % 40; k > 0; --k) name += static_cast<char>('a' + in.Byte() % 26);
    expected.insert(name);
    const Bytes entry = tw::testing::TextData({{"TargetName", name}, {"TargetAddress", "127.0.0.1:3260,1"}});
    whole.insert(whole.end(), entry.begin(), entry.end());
  }
  // Cuts anywhere, empty parts included.
  const size_t parts = 1 + in.Byte() % 24;
  std::vector<size_t> cuts;
  for (size_t i = 1; i < parts; ++i) cuts.push_back(in.U16() % (whole.size() + 1));
  std::sort(cuts.begin(), cuts.end());
  size_t from = 0;
  for (size_t cut : cuts) {
    script.parts.emplace_back(whole.begin() + from, whole.begin() + cut);
    from = cut;
  }
  script.parts.emplace_back(whole.begin() + from, whole.end());
  for (size_t i = 1; i < parts; ++i) script.modes.push_back(static_cast<PartMode>(in.Byte() % 3));

  TargetSockets sockets(script, in);
  tw::InitiatorConfig config;
  config.connectTimeoutMs = 1;
  config.ioTimeoutMs = 60000;  // time passes only in the product's own clock reads
  tw::IscsiLists lists;
  tw::IscsiDiscovery discovery(sockets, lists, config);
  const int rc = discovery.DiscoverHost(u"127.0.0.1", 3260, (shape & 0x80) ? "All" : "");

  std::set<std::string> found;
  for (const tw::IscsiTarget& t : lists.targets()) found.insert(tw::Utf16ToUtf8(t.name));
  if (script.endless) {
    if (!found.empty() || rc == 0) __builtin_trap();
  } else if (!found.empty() && (found != expected || rc != 0)) {
    __builtin_trap();  // part of the list, or names spliced from repeated parts
  }
  for (const Target& t : sockets.targets())
    if (t.continuations() > static_cast<int>(tw::kMaxTextParts) + 1) __builtin_trap();
  return 0;
}
