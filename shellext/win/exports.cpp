// The module's four entry points and DllMain.
#include <windows.h>
#include <oleauto.h>

#include "platform/registry.h"
#include "platform/win32/win32_ports.h"
#include "shellext/registration_table.h"
#include "shellext/win/com_ids.h"
#include "shellext/win/com_object.h"
#include "shellext/win/module.h"

using tw::shellext::win::CVornickShlModule;

namespace {

// The thread runs registration in the system's locale, and gets its own back.
class SystemLocaleScope {
 public:
  SystemLocaleScope() : saved_(GetThreadLocale()) { SetThreadLocale(LOCALE_SYSTEM_DEFAULT); }
  ~SystemLocaleScope() { SetThreadLocale(saved_); }

 private:
  LCID saved_;
};

HRESULT FromStatus(tw::Status st) { return st == tw::kOk ? S_OK : HRESULT_FROM_WIN32(st); }

std::u16string ModulePath() {
  const std::wstring& p = CVornickShlModule::Get().module_path();
  return std::u16string(p.begin(), p.end());
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    DisableThreadLibraryCalls(instance);
    CVornickShlModule::Get().Attach(instance);
  } else if (reason == DLL_PROCESS_DETACH) {
    CVornickShlModule::Get().Detach();
  }
  return TRUE;
}

extern "C" HRESULT WINAPI DllCanUnloadNow() { return CVornickShlModule::Get().lock_count() == 0 ? S_OK : S_FALSE; }

extern "C" HRESULT WINAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
  return CVornickShlModule::Get().GetClassObject(clsid, iid, out);
}

extern "C" HRESULT WINAPI DllRegisterServer() {
  return tw::shellext::win::Guarded([&]() -> HRESULT {
    SystemLocaleScope locale;
    auto registry = tw::NewWin32Registry();
    HRESULT hr = FromStatus(tw::shellext::RegisterEntries(*registry, ModulePath()));
    if (FAILED(hr)) return hr;
    ITypeLib* lib = nullptr;
    std::wstring path = CVornickShlModule::Get().module_path();
    hr = LoadTypeLibEx(path.c_str(), REGKIND_NONE, &lib);
    if (FAILED(hr)) return hr;
    hr = RegisterTypeLib(lib, &path[0], nullptr);
    lib->Release();
    return hr;
  });
}

extern "C" HRESULT WINAPI DllUnregisterServer() {
  return tw::shellext::win::Guarded([&]() -> HRESULT {
    SystemLocaleScope locale;
    auto registry = tw::NewWin32Registry();
    HRESULT hr = FromStatus(tw::shellext::UnregisterEntries(*registry, tw::shellext::EntrySet::kClasses));
    if (FAILED(hr)) return hr;
    // The library's own identity decides what is removed.
    ITypeLib* lib = nullptr;
    hr = LoadTypeLibEx(CVornickShlModule::Get().module_path().c_str(), REGKIND_NONE, &lib);
    if (FAILED(hr)) return hr;
    TLIBATTR* attr = nullptr;
    hr = lib->GetLibAttr(&attr);
    if (SUCCEEDED(hr)) {
      hr = UnRegisterTypeLib(attr->guid, attr->wMajorVerNum, attr->wMinorVerNum, attr->lcid, attr->syskind);
      // Already gone counts as removed.
      if (hr == TYPE_E_REGISTRYACCESS || hr == TYPE_E_CANTLOADLIBRARY) hr = S_OK;
      lib->ReleaseTLibAttr(attr);
    }
    lib->Release();
    if (FAILED(hr)) return hr;
    return FromStatus(tw::shellext::UnregisterEntries(*registry, tw::shellext::EntrySet::kModule));
  });
}
