// File attributes and folder listings over kernel32.
#include <windows.h>

#include "platform/file_items.h"
#include "platform/win32/wide.h"
#include "platform/win32/win32_ports.h"

namespace tw {
namespace {

class Win32FileItems final : public FileItems {
 public:
  uint32_t GetAttributes(const std::u16string& path) override { return GetFileAttributesW(W(path)); }

  Status ListFolder(const std::u16string& pattern, std::vector<std::u16string>* names) override {
    names->clear();
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW(W(pattern), &data);
    if (find == INVALID_HANDLE_VALUE) return GetLastError();
    do {
      const auto* name = reinterpret_cast<const char16_t*>(data.cFileName);
      names->emplace_back(name);
    } while (FindNextFileW(find, &data));
    FindClose(find);
    return kOk;
  }
};

}  // namespace

std::unique_ptr<FileItems> NewWin32FileItems() { return std::make_unique<Win32FileItems>(); }

}  // namespace tw
