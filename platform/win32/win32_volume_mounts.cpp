// Mount points (kernel32), GUIDs (ole32) and FormatEx from fmifs.dll.
#include <windows.h>
#include <objbase.h>

#include "platform/volume_mounts.h"
#include "platform/win32/wide.h"
#include "platform/win32/win32_ports.h"

namespace tw {
namespace {

class Win32VolumeMounts final : public VolumeMounts {
 public:
  Status SetMountPoint(const std::u16string& folder, const std::u16string& volume_name) override {
    return SetVolumeMountPointW(W(folder), W(volume_name)) ? kOk : GetLastError();
  }
  Status DeleteMountPoint(const std::u16string& folder) override {
    return DeleteVolumeMountPointW(W(folder)) ? kOk : GetLastError();
  }
  Status NewGuid(Guid* g) override {
    GUID guid;
    HRESULT hr = CoCreateGuid(&guid);
    if (FAILED(hr)) return static_cast<Status>(hr);
    g->data1 = guid.Data1;
    g->data2 = guid.Data2;
    g->data3 = guid.Data3;
    for (int i = 0; i < 8; ++i) g->data4[i] = guid.Data4[i];
    return kOk;
  }
};

// FormatEx(root, media, file system, label, quick, cluster size, callback).
using FormatCallback = BOOLEAN(WINAPI*)(int command, DWORD sub_action, PVOID info);
using FormatExFn = void(WINAPI*)(PWCHAR, int, PWCHAR, PWCHAR, BOOL, DWORD, FormatCallback);

// The callback has no context argument: the running format is found here.
thread_local const std::function<bool(uint32_t, uint32_t, const void*)>* g_callback = nullptr;

BOOLEAN WINAPI Forward(int command, DWORD sub_action, PVOID info) {
  return g_callback && (*g_callback)(static_cast<uint32_t>(command), sub_action, info) ? TRUE : FALSE;
}

class Win32Formatter final : public Formatter {
 public:
  ~Win32Formatter() override {
    if (module_) FreeLibrary(module_);
  }
  bool Load() override {
    // From the system folder only: a bare name would also search the
    // program's folder and the current one, where anyone could leave a copy.
    if (!module_) module_ = LoadLibraryExW(L"fmifs.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (module_ && !format_) format_ = reinterpret_cast<FormatExFn>(reinterpret_cast<void*>(GetProcAddress(module_, "FormatEx")));
    return format_ != nullptr;
  }
  void FormatEx(const FormatRequest& r,
                const std::function<bool(uint32_t, uint32_t, const void*)>& callback) override {
    if (!Load()) return;
    std::u16string volume = r.volume, fs = r.file_system, label = r.label;
    g_callback = &callback;
    format_(const_cast<PWCHAR>(W(volume)), static_cast<int>(r.media), const_cast<PWCHAR>(W(fs)),
            const_cast<PWCHAR>(W(label)), r.quick, r.cluster_bytes, Forward);
    g_callback = nullptr;
  }
  Status LastError() override { return GetLastError(); }

 private:
  HMODULE module_ = nullptr;
  FormatExFn format_ = nullptr;
};

}  // namespace

std::unique_ptr<VolumeMounts> NewWin32VolumeMounts() { return std::make_unique<Win32VolumeMounts>(); }
std::unique_ptr<Formatter> NewWin32Formatter() { return std::make_unique<Win32Formatter>(); }

}  // namespace tw
