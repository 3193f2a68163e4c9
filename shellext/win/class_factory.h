// One generic class factory: it makes objects through the class's
// creation function. Factories are module objects, so they do not count
// as locks; LockServer does.
#pragma once

#include "shellext/win/module.h"

namespace tw::shellext::win {

class CClassFactory final : public IClassFactory {
 public:
  explicit CClassFactory(CreateObjectFn create) : create_(create) {}

  STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
  STDMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&refs_); }
  STDMETHODIMP_(ULONG) Release() override;
  STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** out) override;
  STDMETHODIMP LockServer(BOOL lock) override;

 private:
  CreateObjectFn create_;
  LONG refs_ = 1;
};

}  // namespace tw::shellext::win
