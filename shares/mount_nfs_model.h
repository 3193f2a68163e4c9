// The "Mount Pellowen" dialog's fields and rules, and the device page's NFS
// mount command. The dialog window binds its controls to this model.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "base/status.h"
#include "platform/platform.h"
#include "shares/server_list.h"

namespace tw {

class MountNfsDialogModel {
 public:
  explicit MountNfsDialogModel(const Platform& platform) : p_(platform) {}

  // Fills the server list from the registry and the drive list with the
  // free letters from Z down; selects the first of each.
  void Open();

  const std::vector<ServerEntry>& servers() const { return servers_; }
  const std::vector<std::u16string>& drives() const { return drives_; }
  const std::vector<std::u16string>& paths() const { return paths_; }

  // Picking a server from the list copies its port into the Port field.
  void PickServer(int index);
  // The "R" button: asks the server's exports and puts them ahead of the
  // Path list's items. Problems are shown through the prompter.
  void RefreshExports();
  // OK: true when every field passes; else *message is the standard text
  // and the dialog stays open.
  bool Validate(std::u16string* message);

  // Field values as the controls hold them.
  std::u16string server;
  std::u16string port = u"6260";
  std::u16string path;
  std::u16string drive;
  std::u16string user;
  std::u16string password;
  bool persistent = true;
  int port_value() const;  // after Validate

 private:
  const Platform& p_;
  std::vector<ServerEntry> servers_;
  std::vector<std::u16string> drives_;
  std::vector<std::u16string> paths_;
  long long port_value_ = kDefaultNfsPort;
};

constexpr size_t kNfsFieldChars = 256;

// The NFS mount command: runs the dialog (false = Cancel), mounts, records
// the server and refreshes the page, or shows "Mount error".
// Returns the mount's result (kErrCancelled-free: 0 also when cancelled).
Status RunNfsMountCommand(const Platform& p, const std::function<bool(MountNfsDialogModel&)>& run_dialog,
                          const std::function<void()>& refresh_page);

}  // namespace tw
