// Creates each of the shell extension's classes through COM, as the shell
// does once the package is installed. Exit code 0 when all three answer.
#include <objbase.h>

#include <cstdio>
#include <string>

#include "shellext/class_ids.h"

int main() {
  if (FAILED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 2;
  int failures = 0;
  for (const tw::shellext::ClassIdentity* c : tw::shellext::kClasses) {
    std::wstring text(c->clsid, c->clsid + std::char_traits<char16_t>::length(c->clsid));
    CLSID clsid{};
    IUnknown* object = nullptr;
    HRESULT hr = ::CLSIDFromString(text.c_str(), &clsid);
    if (SUCCEEDED(hr)) hr = ::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                                               reinterpret_cast<void**>(&object));
    std::printf("%ls: %s (0x%08lx)\n", text.c_str(), SUCCEEDED(hr) ? "created" : "failed",
                static_cast<unsigned long>(hr));
    if (object) object->Release();
    failures += FAILED(hr);
  }
  ::CoUninitialize();
  return failures;
}
