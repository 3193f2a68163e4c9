#include "iscsi/portal_manager.h"

#include <algorithm>

#include "base/format.h"
#include "base/text.h"

namespace tw {
namespace {

bool Contains(const std::vector<RegisteredPortal>& list, const RegisteredPortal& p) {
  return std::any_of(list.begin(), list.end(), [&](const RegisteredPortal& q) { return SamePortal(p, q); });
}

}  // namespace

std::u16string CannotConnectMessage(std::u16string_view host, int error) {
  return Format(kMsgCannotConnect, {std::u16string(host), error});
}

std::u16string CheckAddHost(std::u16string_view host, std::u16string_view portText, uint16_t* port) {
  // The framework's integer field: blanks around an optionally signed
  // decimal number and nothing else.
  std::u16string_view t = portText;
  while (!t.empty() && (t.front() == u' ' || t.front() == u'\t')) t.remove_prefix(1);
  while (!t.empty() && (t.back() == u' ' || t.back() == u'\t')) t.remove_suffix(1);
  bool negative = false;
  if (!t.empty() && (t.front() == u'+' || t.front() == u'-')) {
    negative = t.front() == u'-';
    t.remove_prefix(1);
  }
  bool number = !t.empty() && t.size() <= 9;
  long value = 0;
  for (char16_t c : t) {
    if (c < u'0' || c > u'9') {
      number = false;
      break;
    }
    value = value * 10 + (c - u'0');
  }
  if (negative) value = -value;
  if (!number || value < 1 || value > 65535) return kMsgEnterPort;
  if (host.empty()) return kMsgEnterHost;
  *port = static_cast<uint16_t>(value);
  return {};
}

void PortalManagerModel::Open() {
  seen_ = ReadRegisteredPortals(registry_);
  LoadPortalsAndDiscover(registry_, discovery_, "");
  // Registered portals that did not answer: the next save drops them.
  const std::vector<RegisteredPortal> listed = ToRegistered(discovery_.lists());
  dropped_.clear();
  for (const RegisteredPortal& p : seen_)
    if (!Contains(listed, p)) dropped_.push_back(p);
  Refill();
}

void PortalManagerModel::Save(const std::vector<RegisteredPortal>& added) {
  const std::vector<RegisteredPortal> now = ReadRegisteredPortals(registry_);
  std::vector<RegisteredPortal> out;
  std::vector<IscsiPortal> gone;
  for (const IscsiPortal& portal : discovery_.lists().portals()) {
    const RegisteredPortal p = ToRegistered(portal);
    if (Contains(seen_, p) && !Contains(now, p) && !Contains(added, p)) gone.push_back(portal);
    else out.push_back(p);
  }
  // Removed elsewhere: gone from this list too, so that a later save does
  // not bring it back.
  for (const IscsiPortal& p : gone) discovery_.lists().RemovePortal(p.address, p.port);
  // What the registry holds besides: other programs' portals, kept.
  for (const RegisteredPortal& p : now)
    if (!Contains(out, p) && !Contains(dropped_, p)) out.push_back(p);
  WritePortals(registry_, out);
  seen_ = out;
  dropped_.clear();
  if (!gone.empty()) Refill();
}

void PortalManagerModel::Refill() {
  rows_.clear();
  for (const IscsiPortal& p : discovery_.lists().portals())
    rows_.push_back({U16(DottedAddress(p.address)), Format(u"%d", {unsigned{p.port}}), p});
}

int PortalManagerModel::Add(std::u16string_view host, uint16_t port) {
  const std::u16string portText = Format(u"%d", {unsigned{port}});
  for (const PortalRow& row : rows_) {
    if (EqualsNoCase(row.host, host) && row.port == portText) {
      prompter_.ShowMessage(kMsgHostExists, kMessageCaption, kMessageStyle);
      return static_cast<int>(kErrAlreadyExists);
    }
  }
  const std::vector<RegisteredPortal> before = ToRegistered(discovery_.lists());
  int rc = discovery_.DiscoverHost(host, port, "");
  if (rc == 0) {
    Refill();
    std::vector<RegisteredPortal> added;
    for (const RegisteredPortal& p : ToRegistered(discovery_.lists()))
      if (!Contains(before, p)) added.push_back(p);
    Save(added);
  } else {
    prompter_.ShowMessage(CannotConnectMessage(host, rc), kMessageCaption, kMessageStyle);
  }
  return rc;
}

void PortalManagerModel::Remove(const std::vector<size_t>& selectedRows) {
  std::vector<size_t> rows = selectedRows;
  std::sort(rows.begin(), rows.end());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  std::vector<IscsiPortal> portals;
  for (size_t r : rows)
    if (r < rows_.size()) portals.push_back(rows_[r].portal);
  for (const IscsiPortal& p : portals) {
    discovery_.lists().RemovePortal(p.address, p.port);
    dropped_.push_back(ToRegistered(p));
    Save({});
  }
  Refill();
}

}  // namespace tw
