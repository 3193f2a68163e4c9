// Locks that every program on the host honours, for state that several
// processes share: byte-range locks on one lock file, which die with the
// process that holds them (so no lock is ever left behind), and small
// counters kept in the same file. Natively these are open-file-description
// fcntl locks; on Windows LockFileEx, which Wine maps onto fcntl locks of
// the host file, so a native process and a Windows program under Wine
// exclude each other.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace tw {

class FileLock {
 public:
  // Lock bytes 0..kSlots-1; counter i lives at kCounterBase + 8 * i.
  static constexpr int kSlots = 8;
  static constexpr uint64_t kCounterBase = 64;

  // Opens (and creates, owner-only) the lock file; ok() tells whether it could.
  explicit FileLock(const std::filesystem::path& file);
  ~FileLock();
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;
  bool ok() const;

  // Blocks until this object holds lock byte `slot`, shared or exclusive.
  // Two objects exclude each other even within one process; two threads
  // on one object do not (the caller serializes them).
  bool Lock(int slot, bool exclusive);
  void Unlock(int slot);

  // A counter of the file; 0 when it was never written.
  uint64_t ReadCounter(int slot);
  bool WriteCounter(int slot, uint64_t value);
  // The same read without a system call where the build can map the file
  // (natively); a writer bumps a counter only after its change is complete.
  uint64_t PeekCounter(int slot);

 private:
  intptr_t handle_;
  const void* view_ = nullptr;  // the counters, mapped shared, or null
};

// Creates `folder` (and its parents) when missing; the folder itself is made
// readable by its owner only.
bool MakePrivateFolder(const std::filesystem::path& folder);
// Writes a new file that must not exist yet, readable by its owner only.
bool WriteNewPrivateFile(const std::filesystem::path& file, const std::string& content);
// Renames `from` over `to` in one step (readers see one or the other).
bool RenameOver(const std::filesystem::path& from, const std::filesystem::path& to);
// The size and last write time of a file (one system call); false when it
// does not exist or cannot be seen.
bool FileSizeAndTime(const std::filesystem::path& file, uint64_t* size, uint64_t* time);
// A number that names this process among the running ones.
uint32_t CurrentProcessNumber();

}  // namespace tw
