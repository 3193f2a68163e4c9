#include "shellext/win/type_info.h"

#include <string>

#include "shellext/win/module.h"

namespace tw::shellext::win {

CTypeInfoHolder::~CTypeInfoHolder() {
  if (info_) info_->Release();
}

HRESULT CTypeInfoHolder::Load() {
  if (info_) return S_OK;
  ITypeLib* lib = nullptr;
  // The library inside the module file itself, whether registered or not.
  HRESULT hr = LoadTypeLibEx(CVornickShlModule::Get().module_path().c_str(), REGKIND_NONE, &lib);
  if (FAILED(hr)) return hr;
  hr = lib->GetTypeInfoOfGuid(iid_, &info_);
  lib->Release();
  return hr;
}

HRESULT CTypeInfoHolder::GetTypeInfoCount(UINT* count) {
  if (!count) return E_POINTER;
  *count = 1;
  return S_OK;
}

HRESULT CTypeInfoHolder::GetTypeInfo(UINT index, LCID, ITypeInfo** info) {
  if (!info) return E_POINTER;
  *info = nullptr;
  if (index != 0) return DISP_E_BADINDEX;
  HRESULT hr = Load();
  if (FAILED(hr)) return hr;
  info_->AddRef();
  *info = info_;
  return S_OK;
}

HRESULT CTypeInfoHolder::GetIDsOfNames(LPOLESTR* names, UINT count, DISPID* ids) {
  HRESULT hr = Load();
  if (FAILED(hr)) return hr;
  return DispGetIDsOfNames(info_, names, count, ids);
}

HRESULT CTypeInfoHolder::Invoke(IDispatch* self, DISPID id, WORD flags, DISPPARAMS* params, VARIANT* result,
                                EXCEPINFO* error, UINT* arg_error) {
  HRESULT hr = Load();
  if (FAILED(hr)) return hr;
  return DispInvoke(self, info_, id, flags, params, result, error, arg_error);
}

}  // namespace tw::shellext::win
