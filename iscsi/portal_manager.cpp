#include "iscsi/portal_manager.h"

#include <algorithm>

#include "base/format.h"
#include "base/text.h"

namespace tw {

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
  LoadPortalsAndDiscover(registry_, discovery_, "");
  Refill();
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
  int rc = discovery_.DiscoverHost(host, port, "");
  if (rc == 0) {
    Refill();
    SavePortals(registry_, discovery_.lists());
  } else {
    prompter_.ShowMessage(CannotConnectMessage(host, rc), kMessageCaption, kMessageStyle);
  }
  return rc;
}

void PortalManagerModel::Remove(const std::vector<size_t>& selectedRows) {
  std::vector<size_t> rows = selectedRows;
  std::sort(rows.begin(), rows.end());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  // Delete from the bottom so the indexes of the others stay right.
  for (auto it = rows.rbegin(); it != rows.rend(); ++it) {
    if (*it >= rows_.size()) continue;
    const IscsiPortal p = rows_[*it].portal;
    discovery_.lists().RemovePortal(p.address, p.port);
    SavePortals(registry_, discovery_.lists());
    rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(*it));
  }
  Refill();
}

}  // namespace tw
