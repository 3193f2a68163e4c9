// CVornickIconLock and CVornickIconUnLock: the overlay identifiers of
// locked and unlocked protected items.
#pragma once

#include <windows.h>
#include <shlobj.h>

#include <atomic>
#include <memory>
#include <mutex>

#include "platform/machine.h"
#include "shellext/overlay_state.h"
#include "shellext/win/com_object.h"
#include "shellext/win/type_info.h"
#include "shellext/win/vornick_shl.h"

namespace tw::shellext::win {

// Interface: the class's default dual interface; Kind: which items it marks.
template <typename Interface, Overlay Kind>
class CVornickIcon final : public CComObjectRoot, public Interface, public IShellIconOverlayIdentifier {
 public:
  CVornickIcon(IUnknown* outer, REFIID iid);

  TW_DELEGATING_IUNKNOWN
  TW_DISPATCH_FROM_TYPE_INFO

  STDMETHODIMP IsMemberOf(LPCWSTR path, DWORD attributes) override;
  STDMETHODIMP GetOverlayInfo(LPWSTR icon_file, int size, int* index, DWORD* flags) override;
  STDMETHODIMP GetPriority(int* priority) override;

 private:
  void* FindInterface(REFIID iid) override;
  // Made once, on first use, whichever thread comes first; null when the
  // machine cannot be made.
  OverlayState* state();

  IID iid_;
  CTypeInfoHolder type_info_;
  std::unique_ptr<Machine> machine_;
  std::unique_ptr<ProtectedDrive> drive_;
  std::unique_ptr<OverlayState> state_;
  std::mutex making_;
  std::atomic<OverlayState*> ready_{nullptr};
};

using CVornickIconLock = CVornickIcon<IVornickIconLock, Overlay::kLocked>;
using CVornickIconUnLock = CVornickIcon<IVornickIconUnLock, Overlay::kUnlocked>;

}  // namespace tw::shellext::win
