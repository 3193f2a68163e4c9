// LockFileEx on one handle per FileLock. Under Wine a lock that a host
// process holds makes LockFileEx fail at once (or retry only every 100 ms),
// so waiting is our own short back-off on ERROR_LOCK_VIOLATION.
#include <windows.h>

#include "platform/file_lock.h"

namespace tw {
namespace {

HANDLE H(intptr_t h) { return reinterpret_cast<HANDLE>(h); }

OVERLAPPED At(uint64_t offset) {
  OVERLAPPED o = {};
  o.Offset = static_cast<DWORD>(offset);
  o.OffsetHigh = static_cast<DWORD>(offset >> 32);
  return o;
}

}  // namespace

FileLock::FileLock(const std::filesystem::path& file)
    : handle_(reinterpret_cast<intptr_t>(CreateFileW(file.c_str(), GENERIC_READ | GENERIC_WRITE,
                                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                                     OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr))) {}

FileLock::~FileLock() {
  if (ok()) CloseHandle(H(handle_));
}

bool FileLock::ok() const { return H(handle_) != INVALID_HANDLE_VALUE && handle_ != 0; }

bool FileLock::Lock(int slot, bool exclusive) {
  if (!ok()) return false;
  DWORD flags = LOCKFILE_FAIL_IMMEDIATELY | (exclusive ? LOCKFILE_EXCLUSIVE_LOCK : 0);
  for (DWORD pause = 0;;) {
    OVERLAPPED o = At(static_cast<uint64_t>(slot));
    if (LockFileEx(H(handle_), flags, 0, 1, 0, &o)) return true;
    DWORD e = GetLastError();
    if (e != ERROR_LOCK_VIOLATION && e != ERROR_IO_PENDING) return false;
    Sleep(pause);
    pause = pause < 4 ? pause + 1 : 4;
  }
}

void FileLock::Unlock(int slot) {
  if (!ok()) return;
  OVERLAPPED o = At(static_cast<uint64_t>(slot));
  UnlockFileEx(H(handle_), 0, 1, 0, &o);
}

uint64_t FileLock::ReadCounter(int slot) {
  unsigned char b[8] = {};
  DWORD got = 0;
  OVERLAPPED o = At(kCounterBase + 8 * slot);
  if (!ok() || !ReadFile(H(handle_), b, 8, &got, &o) || got != 8) return 0;
  uint64_t v = 0;
  for (int i = 7; i >= 0; --i) v = v << 8 | b[i];
  return v;
}

uint64_t FileLock::PeekCounter(int slot) { return ReadCounter(slot); }

bool FileLock::WriteCounter(int slot, uint64_t value) {
  unsigned char b[8];
  for (int i = 0; i < 8; ++i) b[i] = static_cast<unsigned char>(value >> (8 * i));
  DWORD put = 0;
  OVERLAPPED o = At(kCounterBase + 8 * slot);
  return ok() && WriteFile(H(handle_), b, 8, &put, &o) && put == 8;
}

bool MakePrivateFolder(const std::filesystem::path& folder) {
  // The per-user folders it lives in are private to the user already.
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  return std::filesystem::is_directory(folder, ec);
}

bool WriteNewPrivateFile(const std::filesystem::path& file, const std::string& content) {
  HANDLE h = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  DWORD put = 0;
  bool ok = content.empty() || (WriteFile(h, content.data(), static_cast<DWORD>(content.size()), &put, nullptr) &&
                                put == content.size());
  ok = CloseHandle(h) && ok;
  if (!ok) DeleteFileW(file.c_str());
  return ok;
}

bool RenameOver(const std::filesystem::path& from, const std::filesystem::path& to) {
  return MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

bool FileSizeAndTime(const std::filesystem::path& file, uint64_t* size, uint64_t* time) {
  WIN32_FILE_ATTRIBUTE_DATA a;
  if (!GetFileAttributesExW(file.c_str(), GetFileExInfoStandard, &a)) return false;
  *size = static_cast<uint64_t>(a.nFileSizeHigh) << 32 | a.nFileSizeLow;
  *time = static_cast<uint64_t>(a.ftLastWriteTime.dwHighDateTime) << 32 | a.ftLastWriteTime.dwLowDateTime;
  return true;
}

uint32_t CurrentProcessNumber() { return GetCurrentProcessId(); }

}  // namespace tw
