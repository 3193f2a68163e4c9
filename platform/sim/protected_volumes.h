// The protected-volume file system driver as the simulated machine answers
// it: volumes that report "VVFS", whose files and folders are real files
// in a backing folder of the state folder, with each item's protection
// (protected, unlocked, no-lock, password), the volume's users, and the
// shares and copies made. Kept in vvfs.state beside the machine's state,
// shared and cached as the rest of the machine is.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "base/status.h"
#include "platform/sim/state_folder.h"

namespace tw::sim {

// Win32 errors the driver answers with.
constexpr Status kErrInvalidPassword = 86;     // ERROR_INVALID_PASSWORD
constexpr Status kErrNoSuchUser = 1317;        // ERROR_NO_SUCH_USER
constexpr Status kErrFileNotEncrypted = 6007;  // ERROR_FILE_NOT_ENCRYPTED

struct ProtectedItem {
  bool is_protected = false;
  bool unlocked = false;
  bool no_lock = false;
  std::string digest;  // hex SHA-256 of the 32 password bytes
};

struct UserTransfer {
  std::string path;  // "\docs\a.txt" as the request gave it (UTF-8)
  std::string user;  // UTF-8
  bool operator==(const UserTransfer& o) const { return path == o.path && user == o.user; }
};

struct ProtectedVolume {
  std::string label = "Protected";
  std::vector<std::string> users;  // in the order the driver lists them (UTF-8)
  // By the item's path without its drive, lower case ("\" is the root).
  std::map<std::string, ProtectedItem> items;
  std::vector<UserTransfer> shares, copies;
};

struct ProtectedState {
  std::map<char, ProtectedVolume> volumes;  // by upper-case drive letter
};

// "\docs\a.txt" for "X:\Docs\a.txt" (lower case, no trailing separator,
// "\" for the root); false for paths that are no drive paths or climb
// out with "..".
bool ProtectedItemKey(const std::u16string& path, char* letter, std::string* key);

class ProtectedVolumes {
 public:
  explicit ProtectedVolumes(std::filesystem::path state_folder);

  Status Load(ProtectedState* state);
  // The same without a copy; the object is never changed in place.
  Status Current(std::shared_ptr<const ProtectedState>* state);
  Status Save(const ProtectedState& state);
  // Load, change, save; the change returns non-zero to skip the save and fail.
  Status Update(const std::function<Status(ProtectedState&)>& change);

  // The folder that holds a volume's files, and the folder a user's copies go to.
  std::filesystem::path Root(char letter) const;
  std::filesystem::path UserFolder(char letter, const std::string& user) const;
  // The host path of an item on a protected volume; false when the path is
  // on no protected volume.
  bool HostPath(const ProtectedState& state, const std::u16string& path, std::filesystem::path* host) const;

  // CreateFileW on an item: 0, or the error Windows gives (a missing item,
  // a folder opened without backup semantics).
  Status OpenItem(const std::u16string& path, uint32_t flags);
  // DeviceIoControl on a handle opened on `path` with `access`.
  Status Control(const std::u16string& path, uint32_t access, uint32_t code, const void* in, uint32_t in_len,
                 void* out, uint32_t out_len, uint32_t* returned);

 private:
  Status Command(ProtectedState& s, const std::u16string& path, const uint8_t* in);
  Status Transfer(ProtectedState& s, const std::u16string& path, uint32_t code, const uint8_t* in);

  std::filesystem::path folder_;
  SharedState<ProtectedState> state_;
};

class SimMachine;

// Set-up, as the driver's own tools would do it. A new volume takes its
// drive letter from the machine (so no device gets it) and starts with an
// empty backing folder; an existing one keeps its items.
Status AddProtectedVolume(SimMachine& machine, char letter, const std::string& label,
                          const std::vector<std::string>& users);
Status RemoveProtectedVolume(SimMachine& machine, char letter);
// Protects an existing item with a password (8-bit text, as the driver
// receives it), locked unless `unlocked`.
Status ProtectItemForSetup(SimMachine& machine, const std::u16string& path, const std::string& password,
                           bool unlocked, bool no_lock);

}  // namespace tw::sim
