// Where the simulated machine keeps its state, so that devices outlive the
// program and several programs (GUI, console, tests, the shell extension in
// every program with a file dialog) share one machine at the same time.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "base/status.h"

namespace tw {

class FileLock;

// TARNWICK_SIM_STATE when set; otherwise a per-user folder:
// $XDG_STATE_HOME/tarnwick-sim or ~/.local/state/tarnwick-sim on Linux,
// %LOCALAPPDATA%\TarnwickSim on Windows. The folder is not created here.
std::filesystem::path SimStateFolder();

// Writes a file so that readers see either the old or the new content,
// never a part: a new owner-only file of a unique name beside it, renamed
// over it. Returns false (and leaves the old file) on any failure.
bool WriteFileAtomically(const std::filesystem::path& file, const std::string& content);

// Reads a whole file; false when it cannot be read.
bool ReadWholeFile(const std::filesystem::path& file, std::string* content);

namespace sim {

// The lock byte and generation counter of each shared file, in the folder's
// lock file.
constexpr int kMachineStateSlot = 0;
constexpr int kProtectedStateSlot = 1;
constexpr int kRegistryStateSlot = 2;

// How long requests of this process waited for the folder's lock.
struct LockWaits {
  uint64_t requests = 0;
  uint64_t total_us = 0;
  uint64_t worst_us = 0;
};
LockWaits LockWaitsSoFar();

// One file of the state folder. A request holds the file's lock (shared to
// read, exclusive to change) for its whole read-change-write, so requests
// of all processes and threads follow one another; the file's generation
// (bumped by every write) and its size and time tell whether a copy parsed
// earlier is still current.
class StateFile {
 public:
  StateFile(std::filesystem::path folder, std::string name, int slot);
  ~StateFile();
  const std::filesystem::path& path() const { return path_; }

  // One request: this object's mutex and the file's lock.
  class Request {
   public:
    Request(StateFile& file, bool exclusive);
    ~Request();
    Request(const Request&) = delete;
    Request& operator=(const Request&) = delete;
    // False when the lock could not be taken (the folder cannot be made).
    bool ok() const { return ok_; }

   private:
    StateFile& file_;
    std::unique_lock<std::mutex> hold_;
    bool locked_ = false, ok_ = true;
  };

  // Within a request: whether the file may differ from what Remember() saw.
  bool Changed();
  // Without a request, holding only mutex(): true when no program wrote the
  // file since Remember() (by its generation alone, so without a system
  // call; a hand edit is noticed by the next change).
  bool SurelyUnchanged();
  std::mutex& mutex() { return mutex_; }
  // Within a request: the file's text; *exists false for a missing file.
  bool ReadText(std::string* text, bool* exists);
  // Within a request: notes the file as it is now, as the cached copy.
  void Remember();
  // Within an exclusive request: replaces the file and bumps its generation.
  bool WriteText(const std::string& text);
  // The generation now, without a request (for pollers); 0 before any write.
  uint64_t PeekGeneration();

 private:
  struct Stamp {
    uint64_t generation = 0, size = 0, time = 0;
    bool exists = false, valid = false;
    bool operator==(const Stamp& o) const;
  };
  Stamp Now();
  bool OpenLock(bool create);

  std::filesystem::path folder_, path_;
  std::string name_;
  int slot_;
  std::mutex mutex_;
  std::unique_ptr<FileLock> lock_;
  Stamp remembered_;
  bool swept_ = false;  // temporary files of writers that died, removed once
  uint32_t next_temp_ = 0;
};

// A state file with its parsed form kept in memory, read again only when
// another program changed it.
template <class State>
class SharedState {
 public:
  using Parser = std::function<Status(const std::string& text, State* state, std::string* why)>;
  using Writer = std::function<std::string(const State& state)>;

  SharedState(std::filesystem::path folder, std::string name, int slot, Parser parse, Writer write)
      : file_(std::move(folder), std::move(name), slot), parse_(std::move(parse)), write_(std::move(write)) {}

  // The state as it is now; never changed in place (a change makes a new one).
  Status Read(std::shared_ptr<const State>* state, std::string* why) {
    {
      std::lock_guard<std::mutex> hold(file_.mutex());
      if (current_ && file_.SurelyUnchanged()) {
        *state = current_;
        return kOk;
      }
    }
    StateFile::Request request(file_, false);
    if (Status st = Refresh(request, why)) return st;
    *state = current_;
    return kOk;
  }

  // One atomic read-change-write. `change` returns non-zero to fail without
  // saving, and clears *save when there is nothing to save.
  Status Update(const std::function<Status(State& state, bool* save)>& change, std::string* why) {
    StateFile::Request request(file_, true);
    if (Status st = Refresh(request, why)) return st;
    State next = *current_;
    bool save = true;
    if (Status st = change(next, &save)) return st;
    if (!save) return kOk;
    if (!file_.WriteText(write_(next))) {
      *why = "cannot write " + file_.path().u8string();
      return kErrAccessDenied;
    }
    current_ = std::make_shared<const State>(std::move(next));
    return kOk;
  }

  // Writes a whole new state without reading the old one (which may be
  // damaged: this is how a user starts over).
  Status Replace(State state, std::string* why) {
    StateFile::Request request(file_, true);
    if (!request.ok() || !file_.WriteText(write_(state))) {
      *why = "cannot write " + file_.path().u8string();
      return kErrAccessDenied;
    }
    current_ = std::make_shared<const State>(std::move(state));
    return kOk;
  }

  uint64_t PeekGeneration() { return file_.PeekGeneration(); }
  const std::filesystem::path& path() const { return file_.path(); }

 private:
  Status Refresh(const StateFile::Request& request, std::string* why) {
    if (!request.ok()) {
      *why = "cannot lock " + file_.path().u8string();
      return kErrAccessDenied;
    }
    if (current_ && !file_.Changed()) return kOk;
    std::string text;
    bool exists = false;
    if (!file_.ReadText(&text, &exists)) {
      *why = "cannot read " + file_.path().u8string();
      return kErrFileCorrupt;
    }
    auto state = std::make_shared<State>();
    if (exists) {
      std::string reason;
      if (Status st = parse_(text, state.get(), &reason)) {
        *why = file_.path().u8string() + ": " + reason;
        return st;
      }
    }
    file_.Remember();
    current_ = std::move(state);
    return kOk;
  }

  StateFile file_;
  Parser parse_;
  Writer write_;
  std::shared_ptr<const State> current_;  // guarded by the requests
};

}  // namespace sim
}  // namespace tw
