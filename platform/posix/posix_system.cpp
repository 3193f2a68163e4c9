// Native system services. The ANSI code page is 1252, as on a Western
// Windows; UTF-8 is there for callers that ask for it.
#include <sys/mman.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

#include "base/text.h"
#include "platform/sockets.h"
#include "platform/system.h"
#include "platform/stdio_diagnostics.h"
#include "platform/system_services.h"

namespace tw {
namespace {

class PosixMemory final : public VirtualMemory {
 public:
  void* Allocate(size_t bytes) override {
    size_t page = PageSize();
    size_t total = bytes == 0 ? page : (bytes + page - 1) / page * page;
    void* p = mmap(nullptr, total + page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED) return nullptr;
    // The first page keeps the length for Free; the block starts after it.
    *static_cast<size_t*>(p) = total + page;
    return static_cast<char*>(p) + page;
  }
  void Free(void* block) override {
    if (!block) return;
    char* base = static_cast<char*>(block) - PageSize();
    munmap(base, *reinterpret_cast<size_t*>(base));
  }
  size_t PageSize() const override { return static_cast<size_t>(sysconf(_SC_PAGESIZE)); }
};

class SteadyClock final : public Clock {
 public:
  void SleepMs(uint32_t ms) override { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
  uint64_t TickMs() override {
    return static_cast<uint64_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
            .count());
  }
};

// Code points 0x80..0x9F of windows-1252; 0 marks the five unassigned ones.
const char16_t k1252High[32] = {0x20AC, 0, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
                                0x2039, 0x0152, 0, 0x017D, 0, 0, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
                                0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0, 0x017E, 0x0178};

class TableCodePage final : public CodePage {
 public:
  std::string ToAnsi(std::u16string_view text, uint32_t cp) override {
    if (Resolve(cp) == kCpUtf8) return Utf16ToUtf8(text);
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
      char16_t c = text[i];
      if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size()) ++i;  // one '?' per surrogate pair
      if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
        out.push_back(static_cast<char>(c));
        continue;
      }
      char mapped = '?';
      for (int k = 0; k < 32; ++k)
        if (k1252High[k] == c) mapped = static_cast<char>(0x80 + k);
      out.push_back(mapped);
    }
    return out;
  }
  bool ToAnsiExact(std::u16string_view text, std::string* out, uint32_t cp) override {
    if (Resolve(cp) == kCpUtf8) {
      *out = Utf16ToUtf8(text);
      return FromAnsi(*out, cp) == text;  // lone surrogates do not survive
    }
    *out = ToAnsi(text, cp);
    // '?' comes out for '?' or for a character the table lacks.
    if (out->size() != text.size()) return false;
    for (size_t i = 0; i < text.size(); ++i)
      if ((*out)[i] == '?' && text[i] != u'?') return false;
    return true;
  }
  std::u16string FromAnsi(std::string_view bytes, uint32_t cp) override {
    if (Resolve(cp) == kCpUtf8) return Utf8ToUtf16(bytes);
    std::u16string out;
    out.reserve(bytes.size());
    for (unsigned char b : bytes) {
      if (b >= 0x80 && b <= 0x9F) {
        char16_t m = k1252High[b - 0x80];
        out.push_back(m ? m : static_cast<char16_t>(b));  // unassigned bytes map to C1, as Windows does
      } else {
        out.push_back(b);
      }
    }
    return out;
  }
  uint32_t AnsiCodePage() override { return kCp1252; }

 private:
  static uint32_t Resolve(uint32_t cp) { return cp == kCpAcp ? kCp1252 : cp; }
};

class PosixDiagnostics final : public StdioDiagnostics {
 public:
  std::string SystemMessage(Status code) override;
};

// The texts Windows gives for the codes the core meets.
std::string PosixDiagnostics::SystemMessage(Status code) {
  switch (code) {
    case 1: return "Incorrect function.";
    case 2: return "The system cannot find the file specified.";
    case 3: return "The system cannot find the path specified.";
    case 5: return "Access is denied.";
    case 6: return "The handle is invalid.";
    case 8: return "Not enough memory resources are available to process this command.";
    case 21: return "The device is not ready.";
    case 31: return "A device attached to the system is not functioning.";
    case 32: return "The process cannot access the file because it is being used by another process.";
    case 50: return "The request is not supported.";
    case 87: return "The parameter is incorrect.";
    case 206: return "The filename or extension is too long.";
    case 1113: return "No mapping for the Unicode character exists in the target multi-byte code page.";
    case 120: return "This function is not supported on this system.";
    case 122: return "The data area passed to a system call is too small.";
    case 123: return "The filename, directory name, or volume label syntax is incorrect.";
    case 158: return "The segment is already unlocked.";
    case 183: return "Cannot create a file when that file already exists.";
    case 259: return "No more data is available.";
    case 1117: return "The request could not be performed because of an I/O device error.";
    case 1392: return "The file or directory is corrupted and unreadable.";
    default: return {};
  }
}

}  // namespace

SystemServices NewSystemServices() {
  SystemServices s;
  s.memory = std::make_unique<PosixMemory>();
  s.clock = std::make_unique<SteadyClock>();
  s.code_page = std::make_unique<TableCodePage>();
  s.diagnostics = std::make_unique<PosixDiagnostics>();
  s.sockets = NewSystemSockets();
  return s;
}

}  // namespace tw
