#include "platform/testing/test_support.h"

#include <atomic>
#include <chrono>
#include <random>

#include "base/text.h"

namespace tw::testing {
namespace fs = std::filesystem;

TempFolder::TempFolder() {
  static std::atomic<int> counter{0};
  auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  std::mt19937_64 rng(static_cast<uint64_t>(stamp) ^ static_cast<uint64_t>(counter.fetch_add(1)));
  path_ = fs::temp_directory_path() / ("tarnwick-test-" + std::to_string(rng() % 1000000000ull));
  fs::create_directories(path_);
}

TempFolder::~TempFolder() {
  std::error_code ec;
  fs::remove_all(path_, ec);
}

std::u16string TempFolder::Win32Path(const std::string& name) const {
#ifdef _WIN32
  return (path_ / name).u16string();
#else
  std::string p = (path_ / name).string();
  for (char& c : p)
    if (c == '/') c = '\\';
  return U16("Z:" + p);
#endif
}

int ScriptedPrompter::ShowMessage(const std::u16string& text, const std::u16string& caption, unsigned style) {
  shown.push_back({text, caption, style});
  if (answers.empty()) return kIdOk;
  int a = answers.front();
  answers.pop_front();
  return a;
}

Status RecordingDeviceIo::Open(const std::u16string& path, uint32_t access, uint32_t share, uint32_t disposition,
                               uint32_t flags, Handle* handle) {
  opened.push_back(path);
  open_flags.push_back(flags);
  if (fail_open) {
    if (Status st = fail_open(path)) {
      *handle = kInvalidHandle;
      return st;
    }
  }
  Status st = inner_.Open(path, access, share, disposition, flags, handle);
  if (st == kOk) ++open_handles;
  return st;
}

Status RecordingDeviceIo::Control(Handle handle, uint32_t code, const void* in, uint32_t in_len, void* out,
                                  uint32_t out_len, uint32_t* returned) {
  Request r{handle, code, {}};
  if (in) r.in.assign(static_cast<const uint8_t*>(in), static_cast<const uint8_t*>(in) + in_len);
  requests.push_back(r);
  if (fail) {
    if (Status st = fail(r)) {
      *returned = 0;
      return st;
    }
  }
  return inner_.Control(handle, code, in, in_len, out, out_len, returned);
}

void RecordingDeviceIo::Close(Handle handle) {
  --open_handles;
  inner_.Close(handle);
}

}  // namespace tw::testing
