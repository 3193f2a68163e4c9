#include "shellext/win/class_factory.h"

#include <new>

#include "shellext/win/com_object.h"

namespace tw::shellext::win {

STDMETHODIMP CClassFactory::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory)) {
    *out = static_cast<IClassFactory*>(this);
    AddRef();
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) CClassFactory::Release() {
  LONG n = InterlockedDecrement(&refs_);
  if (n == 0) delete this;
  return n;
}

STDMETHODIMP CClassFactory::CreateInstance(IUnknown* outer, REFIID iid, void** out) {
  return Guarded([&]() -> HRESULT {
    if (!out) return E_POINTER;
    *out = nullptr;
    // An outer object may only ask for the inner IUnknown.
    if (outer && !IsEqualIID(iid, IID_IUnknown)) return CLASS_E_NOAGGREGATION;
    IUnknown* inner = nullptr;
    HRESULT hr = create_(outer, &inner);
    if (FAILED(hr)) return hr;
    hr = inner->QueryInterface(iid, out);
    inner->Release();
    return hr;
  });
}

STDMETHODIMP CClassFactory::LockServer(BOOL lock) {
  if (lock) CVornickShlModule::Get().Lock();
  else CVornickShlModule::Get().Unlock();
  return S_OK;
}

}  // namespace tw::shellext::win
