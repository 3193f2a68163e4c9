// Helpers for tests over the ports: a temporary state folder, a clock that
// does not sleep, a prompter that answers from a script, and a device-I/O
// wrapper that counts requests and fails chosen ones.
#pragma once

#include <deque>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "platform/device_io.h"
#include "platform/prompter.h"
#include "platform/system_services.h"

namespace tw::testing {

class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const std::filesystem::path& path() const { return path_; }
  // The Win32 path under which the simulated machine finds `name` in this
  // folder (Z:\... on a POSIX host, the path itself on Windows).
  std::u16string Win32Path(const std::string& name) const;

 private:
  std::filesystem::path path_;
};

class FakeClock final : public Clock {
 public:
  void SleepMs(uint32_t ms) override {
    sleeps.push_back(ms);
    now += ms;
  }
  uint64_t TickMs() override { return now; }
  std::vector<uint32_t> sleeps;
  uint64_t now = 1000;
};

// Keeps every diagnostic line instead of printing it.
class CapturingDiagnostics final : public Diagnostics {
 public:
  void WriteErr(std::string_view line) override { err.emplace_back(line); }
  void WriteOut(std::string_view line) override { out.emplace_back(line); }
  std::string SystemMessage(Status code) override { return "message " + std::to_string(code); }
  void Clear() {
    out.clear();
    err.clear();
  }
  std::vector<std::string> out, err;
};

class ScriptedPrompter final : public Prompter {
 public:
  struct Shown {
    std::u16string text, caption;
    unsigned style;
  };
  int ShowMessage(const std::u16string& text, const std::u16string& caption, unsigned style) override;
  // Answers for the coming questions, in order; kIdOk once they run out.
  std::deque<int> answers;
  std::vector<Shown> shown;
};

// Forwards to another DeviceIo; `fail` may refuse a request first.
class RecordingDeviceIo final : public DeviceIo {
 public:
  explicit RecordingDeviceIo(DeviceIo& inner) : inner_(inner) {}
  Status Open(const std::u16string& path, uint32_t access, uint32_t share, uint32_t disposition, uint32_t flags,
              Handle* handle) override;
  Status Control(Handle handle, uint32_t code, const void* in, uint32_t in_len, void* out, uint32_t out_len,
                 uint32_t* returned) override;
  void Close(Handle handle) override;
  uint64_t ChangeCount() override { return inner_.ChangeCount(); }

  struct Request {
    Handle handle;
    uint32_t code;
    std::vector<uint8_t> in;
  };
  std::vector<std::u16string> opened;
  std::vector<uint32_t> open_flags;
  std::vector<Request> requests;
  int open_handles = 0;
  // Returns non-zero to fail the request with that error.
  std::function<Status(const Request&)> fail;
  std::function<Status(const std::u16string&)> fail_open;

 private:
  DeviceIo& inner_;
};

}  // namespace tw::testing
