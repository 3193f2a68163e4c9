#include "ui/win/accessible.h"

namespace tw::ui {
namespace {

bool Self(const VARIANT& child) { return child.vt == VT_I4 && child.lVal == CHILDID_SELF; }

// Forwards to the standard object, except for what the control says itself.
class Annotated final : public IAccessible {
 public:
  Annotated(HWND w, IAccessible* inner, AccessibleFacts facts) : w_(w), inner_(inner), facts_(std::move(facts)) {}

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IDispatch || iid == IID_IAccessible) {
      *out = static_cast<IAccessible*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(::InterlockedIncrement(&refs_)); }
  ULONG STDMETHODCALLTYPE Release() override {
    LONG n = ::InterlockedDecrement(&refs_);
    if (n == 0) {
      inner_->Release();
      delete this;
    }
    return static_cast<ULONG>(n);
  }
  // IDispatch
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override { return inner_->GetTypeInfoCount(n); }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT i, LCID l, ITypeInfo** t) override { return inner_->GetTypeInfo(i, l, t); }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID r, LPOLESTR* n, UINT c, LCID l, DISPID* d) override {
    return inner_->GetIDsOfNames(r, n, c, l, d);
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID d, REFIID r, LCID l, WORD f, DISPPARAMS* p, VARIANT* v, EXCEPINFO* e,
                                   UINT* a) override {
    return inner_->Invoke(d, r, l, f, p, v, e, a);
  }
  // IAccessible: the control's own facts
  HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
    if (!Self(child) || facts_.name.empty()) return inner_->get_accName(child, name);
    if (!name) return E_POINTER;
    *name = ::SysAllocString(facts_.name.c_str());
    return *name ? S_OK : E_OUTOFMEMORY;
  }
  HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
    if (!Self(child)) return inner_->get_accRole(child, role);
    if (!role) return E_POINTER;
    role->vt = VT_I4;
    role->lVal = facts_.role;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override {
    HRESULT hr = inner_->get_accState(child, state);
    if (SUCCEEDED(hr) && Self(child) && state->vt == VT_I4) state->lVal |= facts_.state;
    return hr;
  }
  HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override {
    if (!Self(child) || facts_.default_action.empty()) return inner_->get_accDefaultAction(child, action);
    if (!action) return E_POINTER;
    *action = ::SysAllocString(facts_.default_action.c_str());
    return *action ? S_OK : E_OUTOFMEMORY;
  }
  HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
    if (!Self(child) || facts_.default_action.empty()) return inner_->accDoDefaultAction(child);
    // A click, posted: the caller may be another program waiting for the answer.
    ::PostMessageW(w_, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(1, 1));
    ::PostMessageW(w_, WM_LBUTTONUP, 0, MAKELPARAM(1, 1));
    return S_OK;
  }
  // IAccessible: the rest as the standard object answers it
  HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** p) override { return inner_->get_accParent(p); }
  HRESULT STDMETHODCALLTYPE get_accChildCount(long* n) override { return inner_->get_accChildCount(n); }
  HRESULT STDMETHODCALLTYPE get_accChild(VARIANT c, IDispatch** d) override { return inner_->get_accChild(c, d); }
  HRESULT STDMETHODCALLTYPE get_accValue(VARIANT c, BSTR* v) override { return inner_->get_accValue(c, v); }
  HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT c, BSTR* d) override { return inner_->get_accDescription(c, d); }
  HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT c, BSTR* h) override { return inner_->get_accHelp(c, h); }
  HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* f, VARIANT c, long* t) override {
    return inner_->get_accHelpTopic(f, c, t);
  }
  HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT c, BSTR* k) override {
    return inner_->get_accKeyboardShortcut(c, k);
  }
  HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* f) override { return inner_->get_accFocus(f); }
  HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* s) override { return inner_->get_accSelection(s); }
  HRESULT STDMETHODCALLTYPE accSelect(long f, VARIANT c) override { return inner_->accSelect(f, c); }
  HRESULT STDMETHODCALLTYPE accLocation(long* l, long* t, long* w, long* h, VARIANT c) override {
    return inner_->accLocation(l, t, w, h, c);
  }
  HRESULT STDMETHODCALLTYPE accNavigate(long d, VARIANT s, VARIANT* e) override { return inner_->accNavigate(d, s, e); }
  HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* c) override { return inner_->accHitTest(x, y, c); }
  HRESULT STDMETHODCALLTYPE put_accName(VARIANT c, BSTR n) override { return inner_->put_accName(c, n); }
  HRESULT STDMETHODCALLTYPE put_accValue(VARIANT c, BSTR v) override { return inner_->put_accValue(c, v); }

 private:
  ~Annotated() = default;
  HWND w_;
  IAccessible* inner_;
  AccessibleFacts facts_;
  LONG refs_ = 1;
};

}  // namespace

LRESULT AnswerGetObject(HWND w, WPARAM wp, LPARAM lp, const AccessibleFacts& facts) {
  if (static_cast<LONG>(lp) != OBJID_CLIENT) return 0;
  IAccessible* inner = nullptr;
  if (FAILED(::CreateStdAccessibleObject(w, OBJID_CLIENT, IID_IAccessible, reinterpret_cast<void**>(&inner))) ||
      !inner)
    return 0;
  auto* object = new Annotated(w, inner, facts);
  LRESULT r = ::LresultFromObject(IID_IAccessible, wp, static_cast<IAccessible*>(object));
  object->Release();  // LresultFromObject holds its own reference
  return r < 0 ? 0 : r;
}

}  // namespace tw::ui
