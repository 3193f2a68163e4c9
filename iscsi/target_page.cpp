#include "iscsi/target_page.h"

#include "base/text.h"
#include "platform/sockets.h"

namespace tw {

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

TargetPageOutcome TargetPageModel::OnNext() {
  const Row* row = CheckedRow();
  if (!row) {
    prompter_.ShowMessage(kMsgNoTarget, kMessageCaption, kMessageStyle);
    return TargetPageOutcome::kStay;
  }
  uint32_t type = kTypeIscsiDisk;
  if (entry_type_ == kTypePrivateIscsiDisk) {
    type = row->isPrivate ? kTypePrivateIscsiDisk : kTypeSharedIscsiDisk;
  } else if (entry_type_ == kTypeVirtualFolder) {
    type = kTypeVirtualFolder;
  }
  Store(*row, type);
  return (need_chap_ || type != kTypeVirtualFolder) ? TargetPageOutcome::kChap : TargetPageOutcome::kVirtualFolder;
}

bool TargetPageModel::OnFinish() {
  const Row* row = CheckedRow();
  if (!row) {
    prompter_.ShowMessage(kMsgNoTarget, kMessageCaption, kMessageStyle);
    return false;
  }
  Store(*row, row->isPrivate ? kTypePrivateIscsiDisk : kTypeSharedIscsiDisk);
  return true;
}

}  // namespace tw
