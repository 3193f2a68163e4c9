// Small system ports: virtual memory, clock, ANSI code page, diagnostics.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/status.h"

namespace tw {

class VirtualMemory {
 public:
  virtual ~VirtualMemory() = default;
  // VirtualAlloc(MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE): zero-filled,
  // page-aligned, at least one page. nullptr when it cannot be had.
  virtual void* Allocate(size_t bytes) = 0;
  // VirtualFree(MEM_RELEASE) of a block from Allocate; nullptr is ignored.
  virtual void Free(void* block) = 0;
  virtual size_t PageSize() const = 0;
};

class Clock {
 public:
  virtual ~Clock() = default;
  virtual void SleepMs(uint32_t ms) = 0;
  // Milliseconds since an arbitrary start (GetTickCount64).
  virtual uint64_t TickMs() = 0;
};

constexpr uint32_t kCpAcp = 0;
constexpr uint32_t kCp1252 = 1252;
constexpr uint32_t kCpUtf8 = 65001;

class CodePage {
 public:
  virtual ~CodePage() = default;
  // WideCharToMultiByte: characters the code page lacks become '?'.
  virtual std::string ToAnsi(std::u16string_view text, uint32_t code_page = kCpAcp) = 0;
  // WideCharToMultiByte without best-fit mapping: false when a character
  // has no exact counterpart in the code page (*out is then unspecified).
  virtual bool ToAnsiExact(std::u16string_view text, std::string* out, uint32_t code_page = kCpAcp) = 0;
  // MultiByteToWideChar.
  virtual std::u16string FromAnsi(std::string_view bytes, uint32_t code_page = kCpAcp) = 0;
  // GetACP.
  virtual uint32_t AnsiCodePage() = 0;
};

// The one-line diagnostics the low-level functions write; nothing reads them.
class Diagnostics {
 public:
  virtual ~Diagnostics() = default;
  virtual void WriteErr(std::string_view line) = 0;
  virtual void WriteOut(std::string_view line) = 0;
  // FormatMessageW(FROM_SYSTEM | IGNORE_INSERTS, code, default language),
  // as UTF-8 with the trailing line break removed; empty when there is none.
  virtual std::string SystemMessage(Status code) = 0;
};

}  // namespace tw
