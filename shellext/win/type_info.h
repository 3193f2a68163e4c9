// IDispatch answered from the module's type library (resource TYPELIB 1):
// one type information, that of the object's default interface.
#pragma once

#include <windows.h>
#include <oleauto.h>

namespace tw::shellext::win {

class CTypeInfoHolder {
 public:
  explicit CTypeInfoHolder(REFIID iid) : iid_(iid) {}
  ~CTypeInfoHolder();
  CTypeInfoHolder(const CTypeInfoHolder&) = delete;
  CTypeInfoHolder& operator=(const CTypeInfoHolder&) = delete;

  HRESULT GetTypeInfoCount(UINT* count);
  HRESULT GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info);
  HRESULT GetIDsOfNames(LPOLESTR* names, UINT count, DISPID* ids);
  HRESULT Invoke(IDispatch* self, DISPID id, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO* error,
                 UINT* arg_error);

 private:
  HRESULT Load();
  IID iid_;
  ITypeInfo* info_ = nullptr;
};

// The IDispatch methods of an object with a CTypeInfoHolder member `type_info_`.
#define TW_DISPATCH_FROM_TYPE_INFO                                                                       \
  STDMETHODIMP GetTypeInfoCount(UINT* count) override { return type_info_.GetTypeInfoCount(count); }    \
  STDMETHODIMP GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override {                          \
    return type_info_.GetTypeInfo(index, lcid, info);                                                   \
  }                                                                                                     \
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {         \
    return type_info_.GetIDsOfNames(names, count, ids);                                                 \
  }                                                                                                     \
  STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,         \
                      EXCEPINFO* error, UINT* arg_error) override {                                     \
    return type_info_.Invoke(this, id, flags, params, result, error, arg_error);                        \
  }

}  // namespace tw::shellext::win
