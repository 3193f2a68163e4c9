#include "platform/sim/state_folder.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/file_lock.h"
#include "platform/sim/host_paths.h"

namespace tw {

namespace fs = std::filesystem;

fs::path SimStateFolder() {
  if (const char* s = std::getenv("TARNWICK_SIM_STATE"); s && *s) return fs::u8path(s);
  return sim::DefaultStateFolder();
}

namespace {

std::atomic<uint32_t> temp_counter{0};

// A name no other writer, thread or process, uses at the same time.
fs::path TempNameFor(const fs::path& file) {
  fs::path tmp = file;
  tmp += "." + std::to_string(CurrentProcessNumber()) + "-" + std::to_string(temp_counter.fetch_add(1)) + ".tmp";
  return tmp;
}

struct WaitCounters {
  std::atomic<uint64_t> requests{0}, total_us{0}, worst_us{0};
};
WaitCounters& Waits() {
  static WaitCounters w;
  return w;
}

}  // namespace

bool WriteFileAtomically(const fs::path& file, const std::string& content) {
  if (!MakePrivateFolder(file.parent_path())) return false;
  fs::path tmp = TempNameFor(file);
  if (!WriteNewPrivateFile(tmp, content)) return false;
  if (!RenameOver(tmp, file)) {
    std::error_code ec;
    fs::remove(tmp, ec);
    return false;
  }
  return true;
}

bool ReadWholeFile(const fs::path& file, std::string* content) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return false;
  std::ostringstream ss;
  ss << in.rdbuf();
  *content = ss.str();
  return !in.bad();
}

namespace sim {

LockWaits LockWaitsSoFar() {
  WaitCounters& w = Waits();
  return {w.requests.load(), w.total_us.load(), w.worst_us.load()};
}

StateFile::StateFile(fs::path folder, std::string name, int slot)
    : folder_(std::move(folder)), path_(folder_ / name), name_(std::move(name)), slot_(slot) {}

StateFile::~StateFile() = default;

bool StateFile::Stamp::operator==(const Stamp& o) const {
  return valid && o.valid && generation == o.generation && exists == o.exists && size == o.size && time == o.time;
}

bool StateFile::OpenLock(bool create) {
  if (lock_) return true;
  std::error_code ec;
  if (create ? !MakePrivateFolder(folder_) : !fs::is_directory(folder_, ec)) return false;
  auto lock = std::make_unique<FileLock>(folder_ / "state.lock");
  if (!lock->ok()) return false;
  lock_ = std::move(lock);
  return true;
}

StateFile::Request::Request(StateFile& file, bool exclusive) : file_(file), hold_(file.mutex_) {
  // A folder that does not exist yet holds an empty machine; only a change makes it.
  if (!file_.OpenLock(exclusive)) {
    ok_ = !exclusive;
    return;
  }
  auto start = std::chrono::steady_clock::now();
  locked_ = file_.lock_->Lock(file_.slot_, exclusive);
  ok_ = locked_;
  auto waited = static_cast<uint64_t>(
      std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start).count());
  WaitCounters& w = Waits();
  w.requests.fetch_add(1, std::memory_order_relaxed);
  w.total_us.fetch_add(waited, std::memory_order_relaxed);
  for (uint64_t worst = w.worst_us.load(); waited > worst && !w.worst_us.compare_exchange_weak(worst, waited);) {
  }
}

StateFile::Request::~Request() {
  if (locked_) file_.lock_->Unlock(file_.slot_);
}

StateFile::Stamp StateFile::Now() {
  Stamp s;
  s.valid = true;
  s.generation = lock_ ? lock_->ReadCounter(slot_) : 0;
  s.exists = FileSizeAndTime(path_, &s.size, &s.time);
  return s;
}

bool StateFile::Changed() { return !(Now() == remembered_); }

bool StateFile::SurelyUnchanged() {
  return lock_ && remembered_.valid && remembered_.generation != 0 && lock_->PeekCounter(slot_) == remembered_.generation;
}

bool StateFile::ReadText(std::string* text, bool* exists) {
  std::error_code ec;
  *exists = fs::exists(path_, ec);
  if (!*exists) {
    text->clear();
    return !ec;
  }
  return ReadWholeFile(path_, text);
}

void StateFile::Remember() { remembered_ = Now(); }

bool StateFile::WriteText(const std::string& text) {
  if (!lock_) return false;
  std::error_code ec;
  if (!swept_) {
    // Holding the exclusive lock, no writer of this file is at work: any
    // temporary file left is from one that died.
    swept_ = true;
    for (const fs::directory_entry& e : fs::directory_iterator(folder_, ec)) {
      std::string n = e.path().filename().u8string();
      if (n.size() > name_.size() + 5 && n.compare(0, name_.size() + 1, name_ + ".") == 0 &&
          n.compare(n.size() - 4, 4, ".tmp") == 0)
        fs::remove(e.path(), ec);
    }
  }
  fs::path tmp = TempNameFor(path_);
  if (!WriteNewPrivateFile(tmp, text)) return false;
  if (!RenameOver(tmp, path_)) {
    fs::remove(tmp, ec);
    return false;
  }
  lock_->WriteCounter(slot_, lock_->ReadCounter(slot_) + 1);
  remembered_ = Now();
  return true;
}

uint64_t StateFile::PeekGeneration() {
  std::lock_guard<std::mutex> hold(mutex_);
  return OpenLock(false) ? lock_->ReadCounter(slot_) : 0;
}

}  // namespace sim
}  // namespace tw
