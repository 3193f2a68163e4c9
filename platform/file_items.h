// File-item port: the attribute and folder-listing calls of kernel32
// (GetFileAttributesW, FindFirstFileW / FindNextFileW / FindClose).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/status.h"

namespace tw {

constexpr uint32_t kFileAttributeDirectory = 0x10;
constexpr uint32_t kFileAttributeArchive = 0x20;
constexpr uint32_t kInvalidFileAttributes = 0xFFFFFFFFu;

class FileItems {
 public:
  virtual ~FileItems() = default;
  // GetFileAttributesW: the attributes, or kInvalidFileAttributes when the
  // item cannot be read.
  virtual uint32_t GetAttributes(const std::u16string& path) = 0;
  // The names a FindFirstFileW / FindNextFileW walk over `pattern`
  // ("X:\dir\*") gives, "." and ".." included for a folder that is not a
  // root. 0, or the error of FindFirstFileW (nothing listed).
  virtual Status ListFolder(const std::u16string& pattern, std::vector<std::u16string>* names) = 0;
};

}  // namespace tw
