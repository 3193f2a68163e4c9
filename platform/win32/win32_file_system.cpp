// The file-system port over kernel32 and shlwapi.
#include <windows.h>
#include <shlwapi.h>

#include <vector>

#include "platform/file_system.h"
#include "platform/win32/wide.h"
#include "platform/win32/win32_ports.h"

namespace tw {
namespace {

class Win32FileSystem final : public FileSystem {
 public:
  Status QueryDosName(const std::u16string& name, std::u16string* target) override {
    std::vector<wchar_t> buffer(4096);
    DWORD n = QueryDosDeviceW(W(name), buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) return GetLastError();
    *target = U(buffer.data());
    return kOk;
  }
  Status GetVolumeInfo(const std::u16string& root, std::u16string* label, uint32_t* serial, uint32_t* flags,
                              std::u16string* file_system) override {
    wchar_t name[MAX_PATH + 1] = {}, fs[MAX_PATH + 1] = {};
    DWORD s = 0, max = 0, f = 0;
    if (!GetVolumeInformationW(W(root), name, MAX_PATH + 1, &s, &max, &f, fs, MAX_PATH + 1)) return GetLastError();
    *label = U(name);
    *file_system = U(fs);
    *serial = s;
    *flags = f;
    return kOk;
  }
  bool PathExists(const std::u16string& path) override { return PathFileExistsW(W(path)) != FALSE; }
  Status MakeDirectory(const std::u16string& path) override {
    return CreateDirectoryW(W(path), nullptr) ? kOk : GetLastError();
  }
  Status RemoveFolder(const std::u16string& path) override {
    return RemoveDirectoryW(W(path)) ? kOk : GetLastError();
  }
  std::u16string ProgramPath() override {
    wchar_t buffer[MAX_PATH];
    DWORD n = GetModuleFileNameW(nullptr, buffer, MAX_PATH);
    return std::u16string(reinterpret_cast<const char16_t*>(buffer), n);
  }
};

}  // namespace

std::unique_ptr<FileSystem> NewWin32FileSystem() { return std::make_unique<Win32FileSystem>(); }

}  // namespace tw
