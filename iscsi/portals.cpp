#include "iscsi/portals.h"

#include <algorithm>

#include "base/format.h"
#include "base/text.h"
#include "iscsi/login.h"

namespace tw {
namespace {

// Registry texts of at most 127 characters: a buffer of 128 UTF-16 units.
constexpr uint32_t kRegTextBytes = 128 * 2;

std::u16string PortalSubkey(int index) {
  return Format(u"%s\\Portal%d", {std::u16string(kPortalsKey), index});
}

uint16_t PortFromText(std::u16string_view text) {
  return static_cast<uint16_t>(ParseDecimal(Utf16ToUtf8(text)));
}

void ShowMessage(Prompter& prompter, const std::u16string& text) {
  prompter.ShowMessage(text, kMessageCaption, kMessageStyle);
}

}  // namespace

std::vector<RegisteredPortal> ReadRegisteredPortals(Registry& registry) {
  std::vector<RegisteredPortal> out;
  for (int i = 0; i < kMaxRegisteredPortals; ++i) {
    ScopedRegKey key(registry);
    if (registry.OpenKey(kHkeyLocalMachine, PortalSubkey(i), key.out()) != kOk) break;
    RegisteredPortal p;
    if (registry.QueryString(key.get(), u"Address", kRegTextBytes, &p.address) != kOk) break;
    if (registry.QueryString(key.get(), u"Port", kRegTextBytes, &p.port) != kOk) break;
    out.push_back(std::move(p));
  }
  return out;
}

void LoadPortalsAndDiscover(Registry& registry, IscsiDiscovery& discovery, std::string_view value) {
  for (const RegisteredPortal& p : ReadRegisteredPortals(registry)) {
    if (p.address.empty() || p.port.empty()) continue;
    discovery.DiscoverHost(p.address, PortFromText(p.port), value);
  }
}

Status SavePortals(Registry& registry, const IscsiLists& lists) {
  {
    ScopedRegKey service(registry);
    if (registry.OpenKey(kHkeyLocalMachine, kVScsiPrtServiceKey, service.out()) == kOk)
      registry.DeleteTree(service.get(), u"Portals");
  }
  Status result = kOk;
  int index = 0;
  for (const IscsiPortal& portal : lists.portals()) {
    ScopedRegKey key(registry);
    Status s = registry.CreateKey(kHkeyLocalMachine, PortalSubkey(index++), key.out());
    if (s != kOk) {
      result = s;
      continue;
    }
    s = registry.SetString(key.get(), u"Address", U16(DottedAddress(portal.address)));
    if (s != kOk) result = s;
    s = registry.SetString(key.get(), u"Port", Format(u"%d", {unsigned{portal.port}}));
    if (s != kOk) result = s;
  }
  return result;
}

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
      ShowMessage(prompter_, kMsgHostExists);
      return static_cast<int>(kErrAlreadyExists);
    }
  }
  int rc = discovery_.DiscoverHost(host, port, "");
  if (rc == 0) {
    Refill();
    SavePortals(registry_, discovery_.lists());
  } else {
    ShowMessage(prompter_, CannotConnectMessage(host, rc));
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

WizardButtons TargetPageModel::OnSetActive() {
  const uint32_t type = data_.type();
  // The value and the filter follow the wizard's type as it is now (after
  // Back from the CHAP page: the type this page stored). Next's type rule
  // keeps the type the wizard was started with.
  if (!stored_ || type != written_type_) entry_type_ = type;
  view_type_ = type;
  if (view_type_ == kTypeSharedIscsiDisk) {
    value_ = "Shared";
  } else if (view_type_ == kTypePrivateIscsiDisk) {
    value_ = "Private";
  } else {
    value_ = "All";
  }
  LoadPortalsAndDiscover(registry_, discovery_, value_);
  FillCombo();
  FillTargets();
  return WizardButtons::kBackNext;
}

std::u16string TargetPageModel::ComboText(size_t index) const {
  return index < combo_.size() ? U16(DottedAddress(combo_[index].address)) : std::u16string();
}

void TargetPageModel::FillCombo() {
  combo_ = discovery_.lists().portals();
  selection_ = combo_.empty() ? -1 : 0;
}

void TargetPageModel::SelectPortal(int index) {
  selection_ = (index >= 0 && static_cast<size_t>(index) < combo_.size()) ? index : -1;
  FillTargets();
}

void TargetPageModel::FillTargets() {
  rows_.clear();
  if (selection_ < 0) return;
  const uint32_t address = combo_[static_cast<size_t>(selection_)].address;
  for (const IscsiTarget& t : discovery_.lists().targets()) {
    if (t.portalAddress != address) continue;
    if (view_type_ == kTypeSharedIscsiDisk && t.isPrivate) continue;
    if (view_type_ == kTypePrivateIscsiDisk && !t.isPrivate) continue;
    Row row;
    row.name = t.name;
    row.isPrivate = t.isPrivate;
    row.type = t.isPrivate ? u"Private" : u"Shared";
    if (!t.portals.empty()) row.firstPortal = t.portals.front();
    rows_.push_back(std::move(row));
  }
}

void TargetPageModel::SetChecked(size_t row, bool checked) {
  if (row >= rows_.size()) return;
  if (checked)
    for (Row& r : rows_) r.checked = false;
  rows_[row].checked = checked;
}

WizardButtons TargetPageModel::SetNeedChap(bool checked) {
  need_chap_ = checked;
  return (need_chap_ || data_.type() == kTypeVirtualFolder) ? WizardButtons::kBackNext
                                                            : WizardButtons::kBackFinish;
}

void TargetPageModel::OnManagePathClosed(bool ok) {
  if (!ok) return;
  FillCombo();
  FillTargets();
}

const TargetPageModel::Row* TargetPageModel::CheckedRow() const {
  const Row* found = nullptr;
  for (const Row& r : rows_)
    if (r.checked) found = &r;
  return found;
}

void TargetPageModel::Store(const Row& row, uint32_t type) {
  data_.set_targetName(row.name);
  data_.set_portalAddress(row.firstPortal.address);
  data_.set_portalPort(row.firstPortal.port);
  data_.set_type(type);
  written_type_ = type;
  stored_ = true;
}

int TargetPageModel::OnNext() {
  const Row* row = CheckedRow();
  if (!row) {
    ShowMessage(prompter_, kMsgNoTarget);
    return kPageStay;
  }
  uint32_t type = kTypeIscsiDisk;
  if (entry_type_ == kTypePrivateIscsiDisk) {
    type = row->isPrivate ? kTypePrivateIscsiDisk : kTypeSharedIscsiDisk;
  } else if (entry_type_ == kTypeVirtualFolder) {
    type = kTypeVirtualFolder;
  }
  Store(*row, type);
  return (need_chap_ || type != kTypeVirtualFolder) ? kPageChap : kPageVirtualFolder;
}

bool TargetPageModel::OnFinish() {
  const Row* row = CheckedRow();
  if (!row) {
    ShowMessage(prompter_, kMsgNoTarget);
    return false;
  }
  Store(*row, row->isPrivate ? kTypePrivateIscsiDisk : kTypeSharedIscsiDisk);
  return true;
}

WizardButtons ChapPageModel::OnSetActive() const {
  return data_.type() == kTypeVirtualFolder ? WizardButtons::kBackNext : WizardButtons::kBackFinish;
}

void ChapPageModel::OnFinish(std::u16string_view user, std::u16string_view secret) {
  data_.set_chapUser(CutText(user, kMaxChars));
  data_.set_chapSecret(CutText(secret, kMaxChars));
}

}  // namespace tw
