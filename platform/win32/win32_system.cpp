// System services over kernel32.
#include <windows.h>

#include <cstdio>

#include "base/text.h"
#include "platform/sockets.h"
#include "platform/system.h"
#include "platform/stdio_diagnostics.h"
#include "platform/system_services.h"

namespace tw {
namespace {

class Win32Memory final : public VirtualMemory {
 public:
  void* Allocate(size_t bytes) override {
    return VirtualAlloc(nullptr, bytes ? bytes : 1, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  }
  void Free(void* block) override {
    if (block) VirtualFree(block, 0, MEM_RELEASE);
  }
  size_t PageSize() const override {
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    return info.dwPageSize;
  }
};

class Win32Clock final : public Clock {
 public:
  void SleepMs(uint32_t ms) override { Sleep(ms); }
  uint64_t TickMs() override { return GetTickCount64(); }
};

class Win32CodePage final : public CodePage {
 public:
  std::string ToAnsi(std::u16string_view text, uint32_t cp) override {
    if (text.empty()) return {};
    auto* w = reinterpret_cast<const wchar_t*>(text.data());
    int n = WideCharToMultiByte(cp, 0, w, static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(n > 0 ? n : 0, '\0');
    if (n > 0) WideCharToMultiByte(cp, 0, w, static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
    return out;
  }
  bool ToAnsiExact(std::u16string_view text, std::string* out, uint32_t cp) override {
    out->clear();
    if (text.empty()) return true;
    auto* w = reinterpret_cast<const wchar_t*>(text.data());
    const int length = static_cast<int>(text.size());
    // UTF-8 takes neither flag nor default character; it fails on what it cannot carry.
    if (cp == CP_ACP) cp = GetACP();
    const bool utf8 = cp == CP_UTF8;
    const DWORD flags = utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
    BOOL usedDefault = FALSE;
    BOOL* used = utf8 ? nullptr : &usedDefault;
    int n = WideCharToMultiByte(cp, flags, w, length, nullptr, 0, nullptr, used);
    if (n <= 0 || usedDefault) return false;
    out->assign(n, '\0');
    n = WideCharToMultiByte(cp, flags, w, length, out->data(), n, nullptr, used);
    return n > 0 && !usedDefault;
  }
  std::u16string FromAnsi(std::string_view bytes, uint32_t cp) override {
    if (bytes.empty()) return {};
    int n = MultiByteToWideChar(cp, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::u16string out(n > 0 ? n : 0, u'\0');
    if (n > 0)
      MultiByteToWideChar(cp, 0, bytes.data(), static_cast<int>(bytes.size()), reinterpret_cast<wchar_t*>(out.data()), n);
    return out;
  }
  uint32_t AnsiCodePage() override { return GetACP(); }
};

class Win32Diagnostics final : public StdioDiagnostics {
 public:
  std::string SystemMessage(Status code) override {
    wchar_t* text = nullptr;
    DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                             nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string out;
    if (n && text) out = Utf16ToUtf8(std::u16string(reinterpret_cast<const char16_t*>(text), n));
    if (text) LocalFree(text);
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r' || out.back() == ' ')) out.pop_back();
    return out;
  }
};

}  // namespace

SystemServices NewSystemServices() {
  SystemServices s;
  s.memory = std::make_unique<Win32Memory>();
  s.clock = std::make_unique<Win32Clock>();
  s.code_page = std::make_unique<Win32CodePage>();
  s.diagnostics = std::make_unique<Win32Diagnostics>();
  s.sockets = NewSystemSockets();
  return s;
}

}  // namespace tw
