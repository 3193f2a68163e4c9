// Open-file-description locks: owned by the open file, not the process, so
// two FileLock objects of one process exclude each other, and closing an
// unrelated descriptor of the same file does not drop them (as it would
// classic POSIX record locks).
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "platform/file_lock.h"

namespace tw {

namespace {
constexpr size_t kMappedBytes = FileLock::kCounterBase + 8 * FileLock::kSlots;
}  // namespace

FileLock::FileLock(const std::filesystem::path& file)
    : handle_(::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600)) {
  if (handle_ < 0) return;
  int fd = static_cast<int>(handle_);
  // Reading a mapping past the end of a file faults: the file first gets
  // its full length (growing is the same for every process, so no race).
  struct stat st;
  if (::fstat(fd, &st) != 0 || (st.st_size < static_cast<off_t>(kMappedBytes) && ::ftruncate(fd, kMappedBytes) != 0))
    return;
  void* view = ::mmap(nullptr, kMappedBytes, PROT_READ, MAP_SHARED, fd, 0);
  if (view != MAP_FAILED) view_ = view;
}

FileLock::~FileLock() {
  if (view_) ::munmap(const_cast<void*>(view_), kMappedBytes);
  if (handle_ >= 0) ::close(static_cast<int>(handle_));
}

uint64_t FileLock::PeekCounter(int slot) {
  if (!view_) return ReadCounter(slot);
  // The file holds little-endian counters, as this host does.
  const auto* counter = reinterpret_cast<const uint64_t*>(static_cast<const char*>(view_) + kCounterBase + 8 * slot);
  return __atomic_load_n(counter, __ATOMIC_ACQUIRE);
}

bool FileLock::ok() const { return handle_ >= 0; }

namespace {

bool SetLock(intptr_t fd, int slot, short type) {
  struct flock fl = {};
  fl.l_type = type;
  fl.l_whence = SEEK_SET;
  fl.l_start = slot;
  fl.l_len = 1;
  while (::fcntl(static_cast<int>(fd), F_OFD_SETLKW, &fl) != 0)
    if (errno != EINTR) return false;
  return true;
}

}  // namespace

bool FileLock::Lock(int slot, bool exclusive) { return ok() && SetLock(handle_, slot, exclusive ? F_WRLCK : F_RDLCK); }

void FileLock::Unlock(int slot) {
  if (ok()) SetLock(handle_, slot, F_UNLCK);
}

uint64_t FileLock::ReadCounter(int slot) {
  unsigned char b[8] = {};
  if (!ok() || ::pread(static_cast<int>(handle_), b, 8, static_cast<off_t>(kCounterBase + 8 * slot)) != 8) return 0;
  uint64_t v = 0;
  for (int i = 7; i >= 0; --i) v = v << 8 | b[i];
  return v;
}

bool FileLock::WriteCounter(int slot, uint64_t value) {
  unsigned char b[8];
  for (int i = 0; i < 8; ++i) b[i] = static_cast<unsigned char>(value >> (8 * i));
  return ok() && ::pwrite(static_cast<int>(handle_), b, 8, static_cast<off_t>(kCounterBase + 8 * slot)) == 8;
}

bool MakePrivateFolder(const std::filesystem::path& folder) {
  std::error_code ec;
  if (std::filesystem::is_directory(folder, ec)) return true;
  std::filesystem::create_directories(folder.parent_path(), ec);
  if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return false;
  return std::filesystem::is_directory(folder, ec);
}

bool WriteNewPrivateFile(const std::filesystem::path& file, const std::string& content) {
  int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  size_t done = 0;
  while (done < content.size()) {
    ssize_t n = ::write(fd, content.data() + done, content.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  bool ok = ::close(fd) == 0 && done == content.size();
  if (!ok) ::unlink(file.c_str());
  return ok;
}

bool RenameOver(const std::filesystem::path& from, const std::filesystem::path& to) {
  return std::rename(from.c_str(), to.c_str()) == 0;
}

bool FileSizeAndTime(const std::filesystem::path& file, uint64_t* size, uint64_t* time) {
  struct stat st;
  if (::stat(file.c_str(), &st) != 0) return false;
  *size = static_cast<uint64_t>(st.st_size);
  // The inode too: a file renamed over another may get the same size and time.
  *time = static_cast<uint64_t>(st.st_mtim.tv_sec) * 1000000000u + static_cast<uint64_t>(st.st_mtim.tv_nsec) ^
          static_cast<uint64_t>(st.st_ino) << 40;
  return true;
}

uint32_t CurrentProcessNumber() { return static_cast<uint32_t>(::getpid()); }

}  // namespace tw
