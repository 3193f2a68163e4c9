#include "shares/nfs_option_model.h"

#include <utility>

#include "base/format.h"
#include "base/text.h"
#include "base/validation.h"
#include "platform/file_system.h"
#include "platform/registry.h"
#include "product/product_settings.h"
#include "shares/server_list.h"

namespace tw {

void NfsOptionPageModel::Open() {
  Reload();
  start_ = StartsWithWindows(p_);
}

void NfsOptionPageModel::Reload() {
  rows_.clear();
  for (int i = 0; i < kMaxServers; ++i) {
    ServerEntry e;
    if (!ReadServerEntry(p_, i, &e)) continue;  // the page skips an unreadable index
    rows_.push_back({e.server, Format(u"%d", {static_cast<unsigned>(e.port)})});
  }
  mark_ = selected_ = -1;
}

void NfsOptionPageModel::OnItemChanged(int row) {
  int last = static_cast<int>(rows_.size()) - 1;
  buttons_.top = buttons_.up = row > 0;
  buttons_.down = buttons_.bottom = row >= 0 && row != last;
  buttons_.del = row >= 0;
}

void NfsOptionPageModel::Select(int row) {
  if (row < -1 || row >= static_cast<int>(rows_.size())) return;
  selected_ = row;
  if (row >= 0) mark_ = row;
  OnItemChanged(row);
}

void NfsOptionPageModel::Exchange(int a, int b) {
  std::swap(rows_[a], rows_[b]);
  selected_ = mark_ = b;
  OnItemChanged(b);
  Modified();
}

void NfsOptionPageModel::Modified() {
  modified_ = true;
  buttons_.apply = true;
}

void NfsOptionPageModel::Top() {
  if (mark_ > 0 && mark_ < static_cast<int>(rows_.size())) Exchange(mark_, 0);
}
void NfsOptionPageModel::Up() {
  if (mark_ > 0 && mark_ < static_cast<int>(rows_.size())) Exchange(mark_, mark_ - 1);
}
void NfsOptionPageModel::Down() {
  int last = static_cast<int>(rows_.size()) - 1;
  if (mark_ >= 0 && mark_ < last) Exchange(mark_, mark_ + 1);
}
void NfsOptionPageModel::Bottom() {
  int last = static_cast<int>(rows_.size()) - 1;
  if (mark_ >= 0 && mark_ < last) Exchange(mark_, last);
}

void NfsOptionPageModel::Delete() {
  if (mark_ < 0 || mark_ >= static_cast<int>(rows_.size())) return;
  rows_.erase(rows_.begin() + mark_);
  // The list control moves the selection off the deleted row.
  if (mark_ >= static_cast<int>(rows_.size())) mark_ = static_cast<int>(rows_.size()) - 1;
  selected_ = mark_;
  OnItemChanged(mark_);
  Modified();
  if (rows_.empty()) buttons_.del = false;
}

void NfsOptionPageModel::SetStartWithWindows(bool on) {
  start_ = on;
  Modified();
}

std::u16string NfsOptionPageModel::StartCommand() const {
  return u"\"" + CutText(p_.file_system->ProgramPath(), 260) + u"\" -a";
}

bool NfsOptionPageModel::Apply() {
  bool start = start_;
  DeleteServerEntries(p_, 0);
  for (size_t i = 0; i < rows_.size(); ++i) {
    long long port = 0;
    ParseIntegerField(rows_[i].port, 0, 0xFFFFFFFFll, &port);
    WriteServerEntry(p_, static_cast<int>(i), {rows_[i].server, static_cast<uint32_t>(port)});
  }
  std::u16string command = StartCommand();
  ScopedRegKey run(*p_.registry);
  if (p_.registry->CreateKey(kHkeyLocalMachine, kRunKey, run.out()) != kOk) return false;
  if (start) {
    if (p_.registry->SetString(run.get(), kRunValue, command) != kOk) return false;
  } else {
    p_.registry->DeleteValue(run.get(), kRunValue);  // a missing value is no failure
  }
  modified_ = false;
  buttons_.apply = false;
  return true;
}

}  // namespace tw
