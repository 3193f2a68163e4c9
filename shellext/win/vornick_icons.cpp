#include "shellext/win/vornick_icons.h"

#include <new>

#include "framework/win.h"
#include "shellext/win/com_ids.h"
#include "shellext/win/module.h"

namespace tw::shellext::win {

template <typename Interface, Overlay Kind>
CVornickIcon<Interface, Kind>::CVornickIcon(IUnknown* outer, REFIID iid)
    : CComObjectRoot(outer), iid_(iid), type_info_(iid) {}

template <typename Interface, Overlay Kind>
void* CVornickIcon<Interface, Kind>::FindInterface(REFIID iid) {
  if (IsEqualIID(iid, IID_IDispatch) || IsEqualIID(iid, iid_)) return static_cast<Interface*>(this);
  if (IsEqualIID(iid, IID_IShellIconOverlayIdentifier)) return static_cast<IShellIconOverlayIdentifier*>(this);
  return nullptr;
}

template <typename Interface, Overlay Kind>
OverlayState* CVornickIcon<Interface, Kind>::state() {
  if (OverlayState* s = ready_.load(std::memory_order_acquire)) return s;
  std::lock_guard<std::mutex> hold(making_);
  if (!state_) {
    machine_ = NewMachine(nullptr);
    drive_ = std::make_unique<ProtectedDrive>(machine_->platform());
    state_ = std::make_unique<OverlayState>(*drive_, *machine_->platform().clock);
    ready_.store(state_.get(), std::memory_order_release);
  }
  return state_.get();
}

template <typename Interface, Overlay Kind>
STDMETHODIMP CVornickIcon<Interface, Kind>::IsMemberOf(LPCWSTR path, DWORD) {
  return Guarded([&]() -> HRESULT {
    if (!path) return E_INVALIDARG;
    OverlayState* overlays = state();
    if (!overlays) return E_FAIL;
    return overlays->IsMember(Kind, fw::FromWide(path)) ? S_OK : S_FALSE;
  });
}

template <typename Interface, Overlay Kind>
STDMETHODIMP CVornickIcon<Interface, Kind>::GetOverlayInfo(LPWSTR icon_file, int size, int* index, DWORD* flags) {
  if (!icon_file || !index || !flags || size <= 0) return E_POINTER;
  lstrcpynW(icon_file, CVornickShlModule::Get().module_path().c_str(), size);
  // Icon groups counted in resource order: 221 is 0, 222 is 1.
  *index = Kind == Overlay::kLocked ? 0 : 1;
  *flags = ISIOI_ICONFILE | ISIOI_ICONINDEX;
  return S_OK;
}

template <typename Interface, Overlay Kind>
STDMETHODIMP CVornickIcon<Interface, Kind>::GetPriority(int* priority) {
  if (!priority) return E_POINTER;
  *priority = 0;
  return S_OK;
}

template class CVornickIcon<IVornickIconLock, Overlay::kLocked>;
template class CVornickIcon<IVornickIconUnLock, Overlay::kUnlocked>;

HRESULT CreateVornickIconLock(IUnknown* outer, IUnknown** inner) {
  auto* object = new (std::nothrow) CVornickIconLock(outer, kIidVornickIconLock);
  if (!object) return E_OUTOFMEMORY;
  *inner = object->inner();
  return S_OK;
}

HRESULT CreateVornickIconUnLock(IUnknown* outer, IUnknown** inner) {
  auto* object = new (std::nothrow) CVornickIconUnLock(outer, kIidVornickIconUnLock);
  if (!object) return E_OUTOFMEMORY;
  *inner = object->inner();
  return S_OK;
}

}  // namespace tw::shellext::win
