// The part every COM object of the module shares: a reference count of its
// own, a lock on the module for as long as it lives, and aggregation (the
// object's IUnknown calls go to the outer object when it has one, and the
// outer object holds the inner, non-delegating IUnknown).
#pragma once

#include <windows.h>
#include <objbase.h>

#include <new>

namespace tw::shellext::win {

// A COM method's body: no C++ exception, an allocation failure included,
// may cross into the caller (Explorer has no handler for it).
template <typename Body>
HRESULT Guarded(Body body) noexcept {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

class CComObjectRoot {
 public:
  CComObjectRoot(const CComObjectRoot&) = delete;
  CComObjectRoot& operator=(const CComObjectRoot&) = delete;

  // The non-delegating IUnknown the class factory hands out.
  IUnknown* inner() { return &inner_; }

 protected:
  explicit CComObjectRoot(IUnknown* outer);
  virtual ~CComObjectRoot();
  // The object's interfaces other than IUnknown; null when it has none.
  virtual void* FindInterface(REFIID iid) = 0;
  IUnknown* controlling() { return outer_ ? outer_ : &inner_; }

 private:
  class Inner final : public IUnknown {
   public:
    explicit Inner(CComObjectRoot* self) : self_(self) {}
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

   private:
    CComObjectRoot* self_;
  };
  Inner inner_{this};
  IUnknown* outer_;
  LONG refs_ = 1;
};

// IUnknown of an object's interfaces: everything goes to the controlling unknown.
#define TW_DELEGATING_IUNKNOWN                                                                      \
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override { return controlling()->QueryInterface(iid, out); } \
  STDMETHODIMP_(ULONG) AddRef() override { return controlling()->AddRef(); }                        \
  STDMETHODIMP_(ULONG) Release() override { return controlling()->Release(); }

}  // namespace tw::shellext::win
