#include "iscsi/discovery.h"

#include <algorithm>
#include <chrono>

#include "base/text.h"
#include "iscsi/connection.h"
#include "iscsi/login.h"
#include "iscsi/pdu.h"
#include "platform/system_services.h"

namespace tw {
namespace {

constexpr uint32_t kTextDataCapacity = 48;
constexpr size_t kMaxNameChars = 255;

bool EqualsNoCase8(std::string_view a, std::string_view b) {
  return EqualsNoCase(std::u16string(a.begin(), a.end()), std::u16string(b.begin(), b.end()));
}

std::u16string Widen(std::string_view bytes) {
  std::u16string s;
  s.reserve(bytes.size());
  for (char c : bytes) s += static_cast<char16_t>(static_cast<unsigned char>(c));
  return s;
}

// step 6 of the discovery over the joined data of the exchange.
void CollectNames(IscsiSession& session, ConstByteSpan data) {
  static constexpr std::string_view kTargetName = "TargetName=";
  for (std::string_view entry : TextEntries(data)) {
    if (entry.substr(0, kTargetName.size()) != kTargetName) continue;
    std::string_view name = entry.substr(kTargetName.size(), kMaxNameChars);
    if (!name.empty()) session.discovered.emplace_back(name);
  }
}

std::unique_ptr<IscsiPdu> BuildTextRequest(IscsiSession& session, std::string_view value) {
  auto pdu = NewPdu(0, kTextDataCapacity);
  ByteSpan b = pdu->Bhs();
  PutU8(b, bhs::kOpcode, kOpTextRequest);
  PutU8(b, bhs::kFlags, kFinalBit);
  PutU32LE(b, bhs::kInitiatorTaskTag, session.textTaskTag++);
  PutU32BE(b, bhs::kTargetTransferTag, kTransferTagNone);
  PutU32BE(b, bhs::kCmdSn, session.cmdSN);
  PutU32BE(b, bhs::kExpStatSn, session.current->expStatSN);
  AddTextKey(*pdu, "SendTargets", value.empty() ? std::string_view("All") : value);
  return pdu;
}

// Asks for the rest of an answer that did not fit one Text Response: the
// same task tag, the target's transfer tag echoed, no data.
std::unique_ptr<IscsiPdu> BuildTextContinuation(IscsiSession& session, ConstByteSpan response_bhs) {
  auto pdu = NewPdu(0, 0);
  ByteSpan b = pdu->Bhs();
  PutU8(b, bhs::kOpcode, kOpTextRequest);
  PutU8(b, bhs::kFlags, kFinalBit);
  PutBytes(b, bhs::kInitiatorTaskTag, response_bhs.data + bhs::kInitiatorTaskTag, 4);
  PutU32BE(b, bhs::kTargetTransferTag, GetU32BE(response_bhs, bhs::kTargetTransferTag));
  PutU32BE(b, bhs::kCmdSn, session.cmdSN);
  PutU32BE(b, bhs::kExpStatSn, session.current->expStatSN);
  return pdu;
}

std::unique_ptr<IscsiPdu> BuildLogoutRequest(IscsiSession& session) {
  auto pdu = NewPdu(0, 0);
  ByteSpan b = pdu->Bhs();
  PutU8(b, bhs::kOpcode, kOpLogoutRequest);
  PutU8(b, bhs::kFlags, kFinalBit);  // reason code 0: close the session
  const uint8_t tag[4] = {0x44, 0x44, 0xFF, 0xFF};
  PutBytes(b, bhs::kInitiatorTaskTag, tag, 4);
  PutU16BE(b, bhs::kCid, static_cast<uint16_t>(session.current->cid));
  PutU32BE(b, bhs::kCmdSn, session.cmdSN);
  PutU32BE(b, bhs::kExpStatSn, session.current->expStatSN);
  return pdu;
}

}  // namespace

void IscsiLists::AddPortal(uint32_t address, uint16_t port) {
  const IscsiPortal p{address, port};
  if (std::find(portals_.begin(), portals_.end(), p) == portals_.end()) portals_.push_back(p);
}

void IscsiLists::RemovePortal(uint32_t address, uint16_t port) {
  const IscsiPortal p{address, port};
  portals_.erase(std::remove(portals_.begin(), portals_.end(), p), portals_.end());
}

IscsiTarget& IscsiLists::RecordTarget(std::u16string_view name, bool isPrivate,
                                      uint32_t portalAddress) {
  for (IscsiTarget& t : targets_)
    if (EqualsNoCase(t.name, name)) return t;
  IscsiTarget t;
  t.name = std::u16string(name.substr(0, kMaxNameChars));
  t.isPrivate = isPrivate;
  t.portalAddress = portalAddress;
  targets_.push_back(std::move(t));
  return targets_.back();
}

void IscsiLists::AddTargetPortal(IscsiTarget& entry, uint32_t address, uint16_t port) {
  const IscsiPortal p{address, port};
  if (std::find(entry.portals.begin(), entry.portals.end(), p) == entry.portals.end())
    entry.portals.push_back(p);
}

void IscsiLists::DropTargetsOfPortal(uint32_t address) {
  targets_.erase(std::remove_if(targets_.begin(), targets_.end(),
                                [&](const IscsiTarget& t) { return t.portalAddress == address; }),
                 targets_.end());
}

int SendTargets(IscsiSession& session, std::string_view value) {
  IscsiConnection* c = session.current;
  if (!c) return kIscsiRejected;
  std::unique_ptr<IscsiPdu> request = BuildTextRequest(session, value);
  int rc = SendPdu(session.sockets, c->socket, *request);
  if (rc != 0) {
    c->state = kConnFailed;
    return rc;
  }
  request.reset();

  const auto started = std::chrono::steady_clock::now();
  const uint32_t firstWait =
      std::min(session.config.textContinuationWaitMs, session.config.ioTimeoutMs);
  const auto budget = std::chrono::milliseconds(uint64_t{firstWait} + session.config.ioTimeoutMs);
  Bytes joined;
  std::vector<uint32_t> tags;  // transfer tags of the parts so far
  // Targets either send every part unasked or wait for a continuation
  // request after each. The first wait is long enough for a loaded target
  // that sends unasked; a target silent that long needs asking, and is
  // asked for every later part without waiting again.
  bool& asking = session.askForTextParts;
  const auto fail = [&](int error) {
    c->state = kConnFailed;
    return error;
  };
  for (;;) {
    int error = 0;
    std::unique_ptr<IscsiPdu> response = ReceivePdu(session, c->socket, &error);
    if (!response) return fail(error);
    if (response->Opcode() != kOpTextResponse) return fail(kIscsiRejected);
    ++c->expStatSN;
    const ConstByteSpan data = response->UsedData();
    if (data.size > kMaxSendTargetsData - joined.size()) return fail(kIscsiRejected);
    joined.insert(joined.end(), data.data, data.data + data.size);
    const uint32_t tag = GetU32BE(response->Bhs(), bhs::kTargetTransferTag);
    if (tag == kTransferTagNone) {
      CollectNames(session, joined);
      return 0;
    }
    // A part seen twice answers a continuation the target had already
    // served unasked: joined again it would splice repeated bytes into
    // the names.
    if (std::find(tags.begin(), tags.end(), tag) != tags.end()) return fail(kIscsiRejected);
    tags.push_back(tag);
    if (tags.size() >= kMaxTextParts || std::chrono::steady_clock::now() - started > budget)
      return fail(kIscsiRejected);
    if (!asking) {
      if (c->received.held() > 0) continue;  // the next part came with this one
      SelectSets sets;
      sets.read = true;
      const int ready = session.sockets.Select(c->socket, &sets, firstWait);
      if (ready < 0) {
        const int e = session.sockets.LastError();
        return fail(e ? e : kIscsiRejected);
      }
      if (ready > 0 && sets.read) continue;  // the next part is already arriving
      asking = true;
    }
    std::unique_ptr<IscsiPdu> more = BuildTextContinuation(session, response->Bhs());
    rc = SendPdu(session.sockets, c->socket, *more);
    if (rc != 0) return fail(rc);
  }
}

int Logout(IscsiSession& session) {
  IscsiConnection* c = session.current;
  if (!c || c->state == kConnLoggedOut) return 0;
  c->state = kConnLogoutSending;
  std::unique_ptr<IscsiPdu> request = BuildLogoutRequest(session);
  int rc = SendPdu(session.sockets, c->socket, *request);
  if (rc != 0) return rc;
  c->state = kConnLogoutSent;
  request.reset();
  int error = 0;
  std::unique_ptr<IscsiPdu> response = ReceivePdu(session, c->socket, &error);
  if (!response) return error;
  if (response->Opcode() == kOpTextResponse) session.strayTextAnswer = true;
  if (response->Opcode() != kOpLogoutResponse || GetU8(response->Bhs(), bhs::kResponse) != 0)
    return kIscsiRejected;
  c->state = kConnLoggedOut;
  session.loggedIn = false;
  return 0;
}

int IscsiDiscovery::DiscoverPortal(uint32_t address, uint16_t port, std::string_view value,
                                   bool replace, size_t* namesFound) {
  if (namesFound) *namesFound = 0;
  IscsiSession session(sockets_, config_, address, port);
  session.askForTextParts = ask_for_text_parts_;
  int result = OpenConnection(session);
  if (result == 0) {
    int rc = Login(session);
    if (rc == kIscsiRejected) {
      result = kIscsiRejected;
    } else {
      const int exchange = session.loggedIn ? SendTargets(session, value) : 0;
      if (exchange != 0) {
        // A list cut short would replace the portal's targets with part
        // of them: an exchange that did not end is a failure, nothing kept.
        result = exchange;
      } else {
        Logout(session);
        CloseConnection(session, session.current);
        result = session.strayTextAnswer ? kIscsiRejected : 0;
      }
      if (result != 0) session.discovered.clear();
    }
  }
  ask_for_text_parts_ = session.askForTextParts;
  // Step 7 on: the session's destructor closes what is still open.
  if (namesFound) *namesFound = session.discovered.size();
  if (session.discovered.empty()) return result;
  if (replace) {
    lists_.DropTargetsOfPortal(address);
    lists_.AddPortal(address, port);
  }
  const bool isPrivate = EqualsNoCase8(value, "Private");
  for (const std::string& name : session.discovered) {
    IscsiTarget& entry = lists_.RecordTarget(Widen(name), isPrivate, address);
    lists_.AddTargetPortal(entry, address, port);
  }
  return 0;
}

int IscsiDiscovery::ResolveHost(std::u16string_view hostText, uint32_t* address) {
  std::string ansi;
  if (code_page_) {
    ansi = code_page_->ToAnsi(hostText);
  } else {
    for (char16_t ch : hostText) ansi += ch < 0x80 ? static_cast<char>(ch) : '?';
  }
  if (ansi.size() > kMaxNameChars) ansi.resize(kMaxNameChars);
  const uint32_t dotted = sockets_.InetAddr(ansi);
  if (dotted != kInaddrNone) {
    *address = dotted;
    return 0;
  }
  std::vector<uint32_t> addresses;
  if (!sockets_.GetHostByName(ansi, &addresses) || addresses.empty()) {
    int e = sockets_.LastError();
    return e ? e : kWsaHostNotFound;
  }
  *address = addresses.front();
  return 0;
}

int IscsiDiscovery::DiscoverHost(std::u16string_view hostText, uint16_t port,
                                 std::string_view value) {
  uint32_t address = 0;
  int rc = ResolveHost(hostText, &address);
  if (rc != 0) return rc;
  // A portal that needed asking in one pass is asked at once in the next.
  struct AskingForThisHost {
    bool& flag;
    explicit AskingForThisHost(bool& f) : flag(f) { flag = false; }
    ~AskingForThisHost() { flag = false; }
  } asking(ask_for_text_parts_);
  if (!value.empty() && !EqualsNoCase8(value, "All")) return DiscoverPortal(address, port, value, true);

  size_t shared = 0, priv = 0;
  const int pass1 = DiscoverPortal(address, port, "Shared", true, &shared);
  const int pass2 = DiscoverPortal(address, port, "Private", false, &priv);
  if (shared + priv > 0) return (pass1 == 0 || pass2 == 0) ? 0 : pass2;
  // Neither vendor value named a target (a standard target answers both
  // with an empty Text Response): ask for every target. A portal that
  // failed both passes is asked too, as the third pass does.
  const int pass3 = DiscoverPortal(address, port, value.empty() ? "All" : value, true);
  return (pass1 == 0 || pass2 == 0) ? 0 : pass3;
}

}  // namespace tw
