// The module: its lock count (live objects plus server locks), the table of
// its three classes with their class factories, made once under the
// module's critical section, and what start-up prepares for the objects.
#pragma once

#include <windows.h>
#include <objbase.h>

#include <string>

namespace tw::fw {
class CGdiPlusSession;
}

namespace tw::shellext::win {

// Makes an object of a class: a fresh one per call, aggregated when
// `outer` is given; returns its non-delegating IUnknown with one reference.
using CreateObjectFn = HRESULT (*)(IUnknown* outer, IUnknown** inner);

class CVornickShlModule {
 public:
  static CVornickShlModule& Get();

  // From DllMain.
  void Attach(HINSTANCE instance);
  void Detach();

  void Lock() { InterlockedIncrement(&locks_); }
  void Unlock() { InterlockedDecrement(&locks_); }
  LONG lock_count() const { return locks_; }

  // DllGetClassObject.
  HRESULT GetClassObject(REFCLSID clsid, REFIID iid, void** out);

  HINSTANCE instance() const { return instance_; }
  const std::wstring& module_path() const { return module_path_; }
  // Menu bitmaps 223, 226 and 227, loaded at start-up; null before it.
  HBITMAP menu_bitmap(int id) const;

 private:
  // Start-up, once, under the critical section: COM and GDI+ for the
  // dialogs, and the menu bitmaps.
  void StartUp();

  struct ClassEntry {
    const CLSID* clsid;
    CreateObjectFn create;
    IClassFactory* factory;
  };
  HINSTANCE instance_ = nullptr;
  std::wstring module_path_;
  volatile LONG locks_ = 0;
  CRITICAL_SECTION lock_{};
  bool started_ = false;
  // Never deleted: GDI+ may not be shut down under the loader lock.
  fw::CGdiPlusSession* gdiplus_ = nullptr;
  HBITMAP bitmaps_[3] = {};
  ClassEntry classes_[3];
};

// The classes' creation functions.
HRESULT CreateVornickContext(IUnknown* outer, IUnknown** inner);
HRESULT CreateVornickIconLock(IUnknown* outer, IUnknown** inner);
HRESULT CreateVornickIconUnLock(IUnknown* outer, IUnknown** inner);

}  // namespace tw::shellext::win
