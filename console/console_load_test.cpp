// Many console programs at once on one simulated machine, as a user with a
// few terminals (and the manager) would run them: mounts racing for the
// same free slots, forced unmounts, snapshot takes on one disk, NFS
// connects and protected items, all started together. Every request a
// program reported as done must be visible afterwards, every refusal must
// have left nothing behind, and the state must still parse.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "base/text.h"
#include "platform/machine.h"
#include "platform/sim/protected_volumes.h"
#include "platform/sim/sim_machine.h"
#include "platform/testing/test_support.h"

extern char** environ;

namespace tw::console {
namespace {
namespace fs = std::filesystem;

struct Request {
  std::vector<std::string> args;
  int exit = -1;
  std::string out{};  // initialised so that brace lists may leave it out
};

std::string ReadAll(const fs::path& file) {
  std::ifstream in(file);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

class ConsoleLoadTest : public ::testing::Test {
 protected:
  ConsoleLoadTest() { ::setenv("TARNWICK_SIM_STATE", state_.c_str(), 1); }
  ~ConsoleLoadTest() override { ::unsetenv("TARNWICK_SIM_STATE"); }

  // Starts every request at once, then waits for all.
  void RunTogether(std::vector<Request>& requests) {
    std::vector<pid_t> pids;
    for (size_t i = 0; i < requests.size(); ++i) {
      std::vector<char*> argv{const_cast<char*>(TW_CONSOLE_PROGRAM)};
      for (std::string& a : requests[i].args) argv.push_back(a.data());
      argv.push_back(nullptr);
      posix_spawn_file_actions_t files;
      posix_spawn_file_actions_init(&files);
      std::string out = (folder_.path() / ("out" + std::to_string(i))).string();
      posix_spawn_file_actions_addopen(&files, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      posix_spawn_file_actions_addopen(&files, 2, "/dev/null", O_WRONLY, 0);
      pid_t pid = -1;
      EXPECT_EQ(posix_spawn(&pid, TW_CONSOLE_PROGRAM, &files, nullptr, argv.data(), environ), 0);
      posix_spawn_file_actions_destroy(&files);
      pids.push_back(pid);
    }
    for (size_t i = 0; i < requests.size(); ++i) {
      int status = 0;
      waitpid(pids[i], &status, 0);
      requests[i].exit = WIFEXITED(status) ? WEXITSTATUS(status) : 128;
      requests[i].out = ReadAll(folder_.path() / ("out" + std::to_string(i)));
    }
  }
  int RunOne(std::vector<std::string> args) {
    std::vector<Request> one{{std::move(args)}};
    RunTogether(one);
    return one[0].exit;
  }

  sim::MachineState State() {
    sim::MachineState s;
    auto machine = NewSimulatedMachine(state_, nullptr);
    EXPECT_EQ(machine->simulated()->Load(&s), kOk) << machine->simulated()->last_error();
    return s;
  }
  // The slot whose backing file is `host`, or -1.
  static int SlotOf(const sim::MachineState& s, const fs::path& host) {
    for (size_t i = 0; i < s.slots.size(); ++i)
      if (s.slots[i].used && fs::path(s.slots[i].host_path) == host) return static_cast<int>(i);
    return -1;
  }
  static int ReportedSlot(const Request& r) {
    size_t at = r.out.find("Mounted in slot ");
    return at == std::string::npos ? -1 : std::atoi(r.out.c_str() + at + 16);
  }
  std::string Cd(int i) {
    std::string name = "cd" + std::to_string(i) + ".iso";
    std::ofstream(folder_.path() / name) << std::string(4096, 'c');
    return Utf16ToUtf8(folder_.Win32Path(name));
  }
  fs::path CdHost(int i) { return folder_.path() / ("cd" + std::to_string(i) + ".iso"); }

  tw::testing::TempFolder folder_;
  fs::path state_ = folder_.path() / "state";
};

TEST_F(ConsoleLoadTest, ParallelRequestsAreAllVisibleAndRefusalsLeaveNothing) {
  // Two disks that take snapshots, an NFS server, a protected volume.
  for (const char* disk : {"a.img", "b.img"})
    ASSERT_EQ(RunOne({"mount", "image", Utf16ToUtf8(folder_.Win32Path(disk)), "--create", "16"}), 0);
  ASSERT_EQ(RunOne({"sim", "nfs-server", "127.0.0.1", "\\export\\home"}), 0);
  ASSERT_EQ(RunOne({"vvfs", "add", "T:", "--users", "alice"}), 0);
  const fs::path vault = sim::ProtectedVolumes(state_).Root('T');
  for (int i = 0; i < 4; ++i) std::ofstream(vault / ("f" + std::to_string(i) + ".txt")) << i;
  const int disk_a = SlotOf(State(), folder_.path() / "a.img"), disk_b = SlotOf(State(), folder_.path() / "b.img");
  ASSERT_GE(disk_a, 0);
  ASSERT_GE(disk_b, 0);

  // Round one: nine discs for six free slots, with everything else at once.
  std::vector<Request> round;
  for (int i = 0; i < 9; ++i) round.push_back({{"mount", "cd", Cd(i)}});
  for (int i = 0; i < 6; ++i)
    round.push_back({{"snapshot", "take", std::to_string(i % 2 ? disk_b : disk_a), "s" + std::to_string(i)}});
  for (const char* letter : {"P:", "Q:", "R:", "S:"}) round.push_back({{"nfs", "mount", letter, "127.0.0.1:\\export\\home"}});
  for (int i = 0; i < 4; ++i)
    round.push_back({{"vvfs", "protect", "T:\\f" + std::to_string(i) + ".txt", "--password", "pw"}});
  RunTogether(round);

  sim::MachineState s = State();
  std::map<int, int> cd_in_slot;  // slot -> disc
  for (int i = 0; i < 9; ++i) {
    const Request& r = round[static_cast<size_t>(i)];
    if (r.exit == 0) {
      EXPECT_EQ(SlotOf(s, CdHost(i)), ReportedSlot(r)) << "disc " << i << " said: " << r.out;
      EXPECT_TRUE(cd_in_slot.emplace(ReportedSlot(r), i).second) << "two discs told slot " << ReportedSlot(r);
    } else {
      EXPECT_EQ(SlotOf(s, CdHost(i)), -1) << "a refused mount left disc " << i << " plugged";
    }
  }
  // Racing for slots costs no mount while one is free.
  EXPECT_EQ(cd_in_slot.size(), 6u);
  for (int i = 0; i < 6; ++i) {
    const Request& r = round[9 + static_cast<size_t>(i)];
    ASSERT_EQ(r.exit, 0) << "snapshot s" << i << ": " << r.out;
    const auto& snaps = s.slots[static_cast<size_t>(i % 2 ? disk_b : disk_a)].snapshots;
    EXPECT_EQ(std::count_if(snaps.begin(), snaps.end(), [&](const sim::Snapshot& x) { return x.name == "s" + std::to_string(i); }), 1)
        << "snapshot s" << i << " is missing";
  }
  EXPECT_EQ(s.slots[static_cast<size_t>(disk_a)].snapshots.size() + s.slots[static_cast<size_t>(disk_b)].snapshots.size(), 6u);
  for (size_t i = 15; i < 19; ++i) {
    ASSERT_EQ(round[i].exit, 0) << round[i].args[2] << ": " << round[i].out;
    EXPECT_TRUE(std::any_of(s.net_connections.begin(), s.net_connections.end(),
                            [&](const sim::NetConnection& c) { return c.connected && c.local == round[i].args[2]; }))
        << round[i].args[2] << " is not connected";
  }
  sim::ProtectedState vs;
  ASSERT_EQ(sim::ProtectedVolumes(state_).Load(&vs), kOk);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(round[19 + static_cast<size_t>(i)].exit, 0);
    EXPECT_TRUE(vs.volumes['T'].items["\\f" + std::to_string(i) + ".txt"].is_protected) << "item f" << i;
  }

  // Round two: the discs come out by force while new ones go in and two
  // network drives go.
  round.clear();
  for (const auto& [slot, disc] : cd_in_slot) round.push_back({{"unmount", std::to_string(slot), "--force"}});
  for (int i = 9; i < 13; ++i) round.push_back({{"mount", "cd", Cd(i)}});
  round.push_back({{"nfs", "unmount", "P:"}});
  round.push_back({{"nfs", "unmount", "Q:"}});
  RunTogether(round);
  s = State();
  size_t at = 0;
  for (const auto& [slot, disc] : cd_in_slot) {
    const Request& r = round[at++];
    EXPECT_EQ(r.exit, 0) << "unmount " << slot << ": " << r.out;
    EXPECT_EQ(SlotOf(s, CdHost(disc)), -1) << "disc " << disc << " is still plugged after its unmount";
  }
  for (int i = 9; i < 13; ++i) {
    const Request& r = round[at++];
    if (r.exit == 0) EXPECT_EQ(SlotOf(s, CdHost(i)), ReportedSlot(r)) << "disc " << i << " said: " << r.out;
    else EXPECT_EQ(SlotOf(s, CdHost(i)), -1) << "a refused mount left disc " << i << " plugged";
  }
  for (const char* letter : {"P:", "Q:"}) {
    EXPECT_EQ(round[at++].exit, 0) << letter;
    EXPECT_FALSE(std::any_of(s.net_connections.begin(), s.net_connections.end(),
                             [&](const sim::NetConnection& c) { return c.connected && c.local == letter; }))
        << letter << " is still connected";
  }
  // Every letter belongs to one owner.
  std::multiset<char> letters;
  for (const sim::Slot& slot : s.slots)
    for (char c : slot.partitions)
      if (c) letters.insert(c);
  for (const sim::NetConnection& c : s.net_connections)
    if (c.connected && c.local.size() == 2) letters.insert(c.local[0]);
  for (char c : letters) EXPECT_EQ(letters.count(c), 1u) << c << ": is given twice";
  // No writer's temporary file is left.
  for (const fs::directory_entry& e : fs::directory_iterator(state_)) EXPECT_NE(e.path().extension(), ".tmp");
}

}  // namespace
}  // namespace tw::console
