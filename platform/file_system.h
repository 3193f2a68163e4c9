// File-system port: DOS device names, volume information and the few file
// calls the core makes (kernel32 and shlwapi).
#pragma once

#include <cstdint>
#include <string>

#include "base/status.h"

namespace tw {

// GetVolumeInformationW file-system flags.
constexpr uint32_t kFileReadOnlyVolume = 0x00080000;
constexpr uint32_t kFileSupportsEncryption = 0x00020000;

class FileSystem {
 public:
  virtual ~FileSystem() = default;
  // QueryDosDeviceW of one name ("E:"): 0 and its first target, or
  // kErrFileNotFound when the name is free.
  virtual Status QueryDosName(const std::u16string& name, std::u16string* target) = 0;
  // GetVolumeInformationW of a root ("E:\").
  virtual Status GetVolumeInfo(const std::u16string& root, std::u16string* label, uint32_t* serial,
                                      uint32_t* flags, std::u16string* file_system) = 0;
  // PathFileExistsW.
  virtual bool PathExists(const std::u16string& path) = 0;
  // CreateDirectoryW: 0, or kErrAlreadyExists / kErrPathNotFound ...
  virtual Status MakeDirectory(const std::u16string& path) = 0;
  // RemoveDirectoryW: only an empty folder goes.
  virtual Status RemoveFolder(const std::u16string& path) = 0;
  // GetModuleFileNameW(NULL): the running program's full path.
  virtual std::u16string ProgramPath() = 0;
};

}  // namespace tw
