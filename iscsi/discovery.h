// SendTargets discovery and the program-wide portal and target
// lists. The lists are one object the program owns and hands down by
// reference (IscsiLists); nothing here is global.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "iscsi/session.h"
#include "platform/sockets.h"

namespace tw {

class CodePage;

struct IscsiPortal {
  uint32_t address = 0;  // network order
  uint16_t port = 0;     // host order
  bool operator==(const IscsiPortal& o) const { return address == o.address && port == o.port; }
};

struct IscsiTarget {
  std::u16string name;         // up to 255 characters, each received byte widened
  uint32_t portalAddress = 0;  // the portal it was first recorded through
  bool isPrivate = false;      // first recorded from a SendTargets=Private answer
  std::vector<IscsiPortal> portals;  // every portal it was found through, in order
};

// The program-wide portal list (no two equal address+port) and target list
// (no two names equal without regard to case). Touched by one thread only.
class IscsiLists {
 public:
  const std::vector<IscsiPortal>& portals() const { return portals_; }
  const std::vector<IscsiTarget>& targets() const { return targets_; }

  void AddPortal(uint32_t address, uint16_t port);
  void RemovePortal(uint32_t address, uint16_t port);
  // The entry whose name equals `name` without regard to case (left as it
  // was), or a new one appended. The reference is valid until the list
  // changes again.
  IscsiTarget& RecordTarget(std::u16string_view name, bool isPrivate, uint32_t portalAddress);
  void AddTargetPortal(IscsiTarget& entry, uint32_t address, uint16_t port);
  void DropTargetsOfPortal(uint32_t address);
  void Clear() {
    portals_.clear();
    targets_.clear();
  }

 private:
  std::vector<IscsiPortal> portals_;
  std::vector<IscsiTarget> targets_;
};

// Bound on the joined data of one SendTargets exchange (ours; the protocol has
// none): past it the exchange is rejected (-1).
constexpr size_t kMaxSendTargetsData = 16u << 20;

// Bound on the parts of one SendTargets exchange (ours): a target that
// answers every continuation with another part is given up on.
constexpr size_t kMaxTextParts = 1024;

// One text exchange on the session's current connection: the request, then
// every Text Response up to the one whose Target Transfer Tag is
// 0xFFFFFFFF. The data of all responses of the exchange is joined before it
// is walked (a key=value pair may be cut at a PDU boundary); the names go
// to session.discovered only when the last response arrived. 0, -1
// (another opcode, too much data, too many parts, longer than ioTimeoutMs
// in all, a part repeated) or a socket error. Empty value = "All".
int SendTargets(IscsiSession& session, std::string_view value);

// The logout exchange: 0, -1 or a socket error.
int Logout(IscsiSession& session);

// The program's discovery initiator: the sockets port, the program-wide
// lists and the settings. An empty value stands for "absent".
class IscsiDiscovery {
 public:
  IscsiDiscovery(Sockets& sockets, IscsiLists& lists, InitiatorConfig config = {},
                 CodePage* codePage = nullptr)
      : sockets_(sockets), lists_(lists), config_(std::move(config)), code_page_(codePage) {}

  // One discovery session merged into the lists. 0, -1 or the
  // connection error; a text exchange that failed, or whose logout met an
  // answer to a text request, merges nothing. *namesFound (when given) gets the number of names
  // the session collected.
  int DiscoverPortal(uint32_t address, uint16_t port, std::string_view value, bool replace,
                     size_t* namesFound = nullptr);

  // Resolves the host text and runs the passes: with no value or "All",
  // "Shared" (replace), then "Private"; when neither named a target, "All"
  // (replace) as well, so a standard RFC 3720 target (which answers the two
  // vendor values with nothing) is found. 0 when any pass returned 0,
  // otherwise the error of the last pass; the resolution's error when the
  // host cannot be resolved. Another value: one pass with it (replace).
  int DiscoverHost(std::u16string_view hostText, uint16_t port, std::string_view value);

  // The host text as the ANSI code page has it (at most 255 bytes), and
  // its IPv4 address: the dotted form, or gethostbyname's first address.
  // 0 or the resolution's Winsock error.
  int ResolveHost(std::u16string_view hostText, uint32_t* address);

  IscsiLists& lists() { return lists_; }
  const IscsiLists& lists() const { return lists_; }
  InitiatorConfig& config() { return config_; }
  Sockets& sockets() { return sockets_; }

 private:
  Sockets& sockets_;
  IscsiLists& lists_;
  InitiatorConfig config_;
  CodePage* code_page_;
  bool ask_for_text_parts_ = false;  // within one DiscoverHost
};

}  // namespace tw
