#include "shellext/win/com_object.h"

#include "shellext/win/module.h"

namespace tw::shellext::win {

CComObjectRoot::CComObjectRoot(IUnknown* outer) : outer_(outer) { CVornickShlModule::Get().Lock(); }

CComObjectRoot::~CComObjectRoot() { CVornickShlModule::Get().Unlock(); }

STDMETHODIMP CComObjectRoot::Inner::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (IsEqualIID(iid, IID_IUnknown)) {
    *out = static_cast<IUnknown*>(this);
  } else if (void* found = self_->FindInterface(iid)) {
    *out = found;
  } else {
    return E_NOINTERFACE;
  }
  // Through the interface itself: for an aggregated object that is the outer's count.
  static_cast<IUnknown*>(*out)->AddRef();
  return S_OK;
}

STDMETHODIMP_(ULONG) CComObjectRoot::Inner::AddRef() { return InterlockedIncrement(&self_->refs_); }

STDMETHODIMP_(ULONG) CComObjectRoot::Inner::Release() {
  LONG n = InterlockedDecrement(&self_->refs_);
  if (n == 0) delete self_;
  return n;
}

}  // namespace tw::shellext::win
