#include "shellext/win/module.h"

#include <new>

#include "framework/image.h"
#include "resources/resource_ids.h"
#include "shellext/win/class_factory.h"
#include "shellext/win/com_ids.h"
#include "shellext/win/com_object.h"

namespace tw::shellext::win {

CVornickShlModule& CVornickShlModule::Get() {
  static CVornickShlModule module;
  return module;
}

void CVornickShlModule::Attach(HINSTANCE instance) {
  instance_ = instance;
  wchar_t path[MAX_PATH] = {};
  DWORD n = GetModuleFileNameW(instance, path, MAX_PATH);
  module_path_.assign(path, n);
  InitializeCriticalSection(&lock_);
  classes_[0] = {&kClsidVornickContext, &CreateVornickContext, nullptr};
  classes_[1] = {&kClsidVornickIconLock, &CreateVornickIconLock, nullptr};
  classes_[2] = {&kClsidVornickIconUnLock, &CreateVornickIconUnLock, nullptr};
}

void CVornickShlModule::Detach() {
  // The factories and bitmaps go with the process; GDI+ and COM may not be
  // shut down under the loader lock.
  DeleteCriticalSection(&lock_);
}

void CVornickShlModule::StartUp() {
  if (started_) return;
  started_ = true;
  // The shell's thread has COM already: this only adds a reference (or is
  // refused for a free-threaded caller, which changes nothing).
  (void)CoInitialize(nullptr);
  gdiplus_ = new fw::CGdiPlusSession;
  const int ids[3] = {IDB_MENU_APP, IDB_LOCKED, IDB_UNLOCKED};
  for (int i = 0; i < 3; ++i) bitmaps_[i] = LoadBitmapW(instance_, MAKEINTRESOURCEW(ids[i]));
}

HBITMAP CVornickShlModule::menu_bitmap(int id) const {
  switch (id) {
    case IDB_MENU_APP: return bitmaps_[0];
    case IDB_LOCKED: return bitmaps_[1];
    case IDB_UNLOCKED: return bitmaps_[2];
  }
  return nullptr;
}

HRESULT CVornickShlModule::GetClassObject(REFCLSID clsid, REFIID iid, void** out) {
  return Guarded([&]() -> HRESULT {
    if (!out) return E_POINTER;
    *out = nullptr;
    for (ClassEntry& c : classes_) {
      if (!IsEqualCLSID(clsid, *c.clsid)) continue;
      EnterCriticalSection(&lock_);
      StartUp();
      if (!c.factory) c.factory = new (std::nothrow) CClassFactory(c.create);
      IClassFactory* factory = c.factory;
      LeaveCriticalSection(&lock_);
      if (!factory) return E_OUTOFMEMORY;
      return factory->QueryInterface(iid, out);
    }
    return CLASS_E_CLASSNOTAVAILABLE;
  });
}

}  // namespace tw::shellext::win
