// WMI over COM: the locator, ConnectServer, proxy security, and a query read
// into rows at once (every non-system property and its value).
#include <windows.h>
#include <wbemidl.h>

#include "platform/win32/win32_ports.h"
#include "platform/wmi.h"

namespace tw {
namespace {

template <class T>
struct ComPtr {
  T* p = nullptr;
  ~ComPtr() {
    if (p) p->Release();
  }
  T** out() { return &p; }
  T* operator->() const { return p; }
};

struct Bstr {
  explicit Bstr(const std::u16string& s) : b(SysAllocString(reinterpret_cast<const wchar_t*>(s.c_str()))) {}
  ~Bstr() { SysFreeString(b); }
  BSTR b;
};

WmiValue FromVariant(VARIANT& v) {
  switch (v.vt) {
    case VT_NULL:
    case VT_EMPTY: return WmiValue::Null();
    case VT_BSTR: return WmiValue::Text(std::u16string(reinterpret_cast<const char16_t*>(v.bstrVal), SysStringLen(v.bstrVal)));
    case VT_BOOL: return WmiValue::Bool(v.boolVal != VARIANT_FALSE);
    case VT_I1: return WmiValue::Int(v.cVal);
    case VT_UI1: return WmiValue::Int(v.bVal);
    case VT_I2: return WmiValue::Int(v.iVal);
    case VT_UI2: return WmiValue::Int(v.uiVal);
    case VT_I4: return WmiValue::Int(v.lVal);
    case VT_UI4: return WmiValue::Int(v.ulVal);
    case VT_I8: return WmiValue::Int(v.llVal);
    case VT_UI8: return WmiValue::Int(static_cast<int64_t>(v.ullVal));
    default: {
      VARIANT t;
      VariantInit(&t);
      WmiValue r = WmiValue::Null();
      if (SUCCEEDED(VariantChangeType(&t, &v, 0, VT_BSTR)))
        r = WmiValue::Text(std::u16string(reinterpret_cast<const char16_t*>(t.bstrVal), SysStringLen(t.bstrVal)));
      VariantClear(&t);
      return r;
    }
  }
}

class Win32WmiConnection final : public WmiConnection {
 public:
  explicit Win32WmiConnection(IWbemServices* s) : services_(s) {}
  ~Win32WmiConnection() override { services_->Release(); }

  Status ExecQuery(const std::u16string& wql, std::vector<WmiRow>* rows) override {
    rows->clear();
    ComPtr<IEnumWbemClassObject> e;
    Bstr language(u"WQL"), query(wql);
    HRESULT hr = services_->ExecQuery(language.b, query.b, WBEM_FLAG_FORWARD_ONLY | WBEM_FLAG_RETURN_IMMEDIATELY,
                                      nullptr, e.out());
    if (FAILED(hr)) return static_cast<Status>(hr);
    for (;;) {
      ComPtr<IWbemClassObject> obj;
      ULONG got = 0;
      hr = e->Next(WBEM_INFINITE, 1, obj.out(), &got);
      if (FAILED(hr)) return static_cast<Status>(hr);
      if (got == 0) break;
      WmiRow row;
      obj->BeginEnumeration(WBEM_FLAG_NONSYSTEM_ONLY);
      BSTR name = nullptr;
      VARIANT value;
      VariantInit(&value);
      while (obj->Next(0, &name, &value, nullptr, nullptr) == WBEM_S_NO_ERROR) {
        row.emplace_back(std::u16string(reinterpret_cast<const char16_t*>(name), SysStringLen(name)),
                         FromVariant(value));
        SysFreeString(name);
        VariantClear(&value);
      }
      obj->EndEnumeration();
      rows->push_back(std::move(row));
    }
    return 0;
  }

 private:
  IWbemServices* services_;
};

class Win32WmiService final : public WmiService {
 public:
  Status Connect(const std::u16string& name_space, std::unique_ptr<WmiConnection>* out) override {
    ComPtr<IWbemLocator> locator;
    HRESULT hr = CoCreateInstance(CLSID_WbemLocator, nullptr, CLSCTX_INPROC_SERVER, IID_IWbemLocator,
                                  reinterpret_cast<void**>(locator.out()));
    if (FAILED(hr)) return static_cast<Status>(hr);
    IWbemServices* services = nullptr;
    Bstr ns(name_space);
    hr = locator->ConnectServer(ns.b, nullptr, nullptr, nullptr, 0, nullptr, nullptr, &services);
    if (FAILED(hr)) return static_cast<Status>(hr);
    hr = CoSetProxyBlanket(services, RPC_C_AUTHN_WINNT, RPC_C_AUTHZ_NONE, nullptr, RPC_C_AUTHN_LEVEL_CALL,
                           RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE);
    if (FAILED(hr)) {
      services->Release();
      return static_cast<Status>(hr);
    }
    *out = std::make_unique<Win32WmiConnection>(services);
    return 0;
  }
};

}  // namespace

std::unique_ptr<WmiService> NewWin32Wmi() { return std::make_unique<Win32WmiService>(); }

}  // namespace tw
