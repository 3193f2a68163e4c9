#include "shares/mount_nfs_model.h"

#include "base/format.h"
#include "base/product.h"
#include "base/text.h"
#include "base/validation.h"
#include "platform/file_system.h"
#include "platform/prompter.h"
#include "platform/sockets.h"
#include "platform/system_services.h"
#include "shares/nfs_shares.h"

namespace tw {

void MountNfsDialogModel::Open() {
  servers_ = ReadServerList(p_);
  if (!servers_.empty()) server = servers_[0].server;  // the Port field keeps 6260 until a pick
  drives_.clear();
  for (char16_t c = u'Z'; c >= u'C'; --c) {
    std::u16string name = Format(u"%c:", {c});
    std::u16string target;
    if (p_.file_system->QueryDosName(name, &target) == kErrFileNotFound) drives_.push_back(name);
  }
  drive = drives_.empty() ? u"" : drives_[0];
}

void MountNfsDialogModel::PickServer(int index) {
  if (index < 0 || static_cast<size_t>(index) >= servers_.size()) return;
  server = servers_[index].server;
  port = Format(u"%d", {static_cast<unsigned>(servers_[index].port)});
}

void MountNfsDialogModel::RefreshExports() {
  // Taking the field values validates the port first, as OK does; an
  // invalid one never becomes a query for port 0.
  long long port_number = 0;
  if (!ParseIntegerField(port, 1, 65535, &port_number)) {
    p_.prompter->ShowMessage(IntegerRangeMessage(1, 65535), kAppTitle, kMbOk | kMbIconWarning);
    return;
  }
  std::string host = p_.code_page->ToAnsi(server);
  if (host.size() > 256) host.resize(256);
  std::vector<uint32_t> addresses;
  if (host.empty() || !p_.sockets->GetHostByName(host, &addresses) || addresses.empty()) {
    p_.prompter->ShowMessage(u"Cant resolve the host", kAppTitle, kMbOk);
    return;
  }
  ExportQueryRequest request;
  request.set_address(addresses[0]);
  request.set_port(static_cast<uint16_t>(port_number));
  request.set_user(user);
  request.set_password(password);
  Bytes reply(exportreq::kReplySize, 0);
  uint32_t size = static_cast<uint32_t>(reply.size());
  Status st = QueryServerExports(request, &reply, &size, p_);
  if (st != kOk) {
    p_.prompter->ShowMessage(Format(u"List error %x", {st}), kAppTitle, kMbOk);
    return;
  }
  std::u16string text = GetUtf16Field(reply, 0, reply.size());
  std::vector<std::u16string> listed = SplitList(text, u',', EmptyItems::kKeep);
  paths_.insert(paths_.begin(), listed.begin(), listed.end());
}

bool MountNfsDialogModel::Validate(std::u16string* message) {
  long long v = 0;
  if (!ParseIntegerField(port, 1, 65535, &v)) {
    *message = IntegerRangeMessage(1, 65535);
    return false;
  }
  for (const std::u16string* text : {&path, &user, &password})
    if (text->size() > kNfsFieldChars) {
      *message = TextLengthMessage(kNfsFieldChars);
      return false;
    }
  port_value_ = v;
  return true;
}

int MountNfsDialogModel::port_value() const { return static_cast<int>(port_value_); }

Status RunNfsMountCommand(const Platform& p, const std::function<bool(MountNfsDialogModel&)>& run_dialog,
                          const std::function<void()>& refresh_page) {
  MountNfsDialogModel dialog(p);
  dialog.Open();
  if (!run_dialog(dialog)) return kOk;
  std::u16string invalid;
  if (!dialog.Validate(&invalid)) {  // a window validates on OK; a caller that did not is refused here
    p.prompter->ShowMessage(invalid, kAppTitle, kMbOk | kMbIconWarning);
    return kErrInvalidParameter;
  }
  std::u16string remote = Format(u"%s:\\%s", {dialog.server, dialog.path});
  Status st = MountNfsShare(dialog.drive, &remote, dialog.persistent, dialog.user, dialog.password,
                            dialog.port_value(), p);
  if (st != kOk) {
    p.prompter->ShowMessage(u"Mount error", kAppTitle, kMbOk);
    return st;
  }
  RecordUsedServer(p, dialog.server, static_cast<uint32_t>(dialog.port_value()));
  if (refresh_page) refresh_page();
  return kOk;
}

}  // namespace tw
