// The simulated machine's own contract: state that survives, refuses to be
// half-read, and maps paths and letters as Windows would.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <thread>
#include <vector>

#ifndef _WIN32
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "base/text.h"
#include "contracts/storage_drivers.h"
#include "platform/device_io.h"
#include "platform/sim/drivers.h"
#include "platform/sim/machine_state.h"
#include "platform/sim/sim_machine.h"
#include "platform/sim/state_folder.h"
#include "platform/testing/sim_fixture.h"

namespace tw::sim {
namespace {
namespace fs = std::filesystem;

MachineState Sample() {
  MachineState s;
  s.adapter_present = false;
  s.partitions_per_disk = 2;
  s.unlettered_partitions = 1;
  Slot& slot = s.slots[3];
  slot.used = true;
  slot.record.assign(1836, 0);
  slot.record[0] = 3;
  slot.host_path = "/tmp/a b.img";
  slot.partitions = {'E', 0};
  slot.snapshots.push_back({1, 0, "first", ""});
  slot.snapshots.push_back({2, 1, "sec ond", "line\nbreak"});
  slot.current = 2;
  slot.next_snapshot_id = 3;
  slot.chap_secret = "s3cret";
  VolumeEntry v;
  v.record.assign(2830, 7);
  v.detached = true;
  v.state = 1;
  s.volumes.push_back(v);
  s.image_digests["/tmp/a b.img"] = std::string("\x01\x00\xff", 3);
  s.held_open.insert("E:");
  s.claimed_letters['Z'] = "nfs";
  return s;
}

TEST(MachineStateTest, TextFormRoundTrips) {
  MachineState back;
  std::string error;
  ASSERT_EQ(ParseState(SerializeState(Sample()), &back, &error), kOk) << error;
  EXPECT_EQ(SerializeState(back), SerializeState(Sample()));
  EXPECT_FALSE(back.adapter_present);
  EXPECT_EQ(back.slots[3].snapshots[1].description, "line\nbreak");
  EXPECT_EQ(back.image_digests.begin()->second.size(), 3u);
  EXPECT_EQ(back.claimed_letters.at('Z'), "nfs");
}

TEST(MachineStateTest, DamagedTextIsRefusedWithAReason) {
  std::string good = SerializeState(Sample());
  MachineState s;
  std::string error;
  EXPECT_EQ(ParseState(good.substr(0, good.size() / 2), &s, &error), kErrFileCorrupt);
  EXPECT_FALSE(error.empty());
  std::string flipped = good;
  flipped[40] ^= 1;
  EXPECT_EQ(ParseState(flipped, &s, &error), kErrFileCorrupt);
  EXPECT_EQ(ParseState("", &s, &error), kErrFileCorrupt);
  EXPECT_EQ(ParseState(std::string(5000, '\xff'), &s, &error), kErrFileCorrupt);
  // A well-formed file whose lines make no sense is refused too.
  std::string body = "tarnwick-sim-machine 1\nslot 9 x00 x x 0 0 1 x x\n";
  MachineState fresh;
  std::string with_sum = SerializeState(fresh);
  EXPECT_EQ(ParseState(body + with_sum.substr(with_sum.rfind("checksum")), &s, &error), kErrFileCorrupt);
}

TEST(SimMachineTest, TwoProgramsShareOneMachineAndACorruptFileFailsClearly) {
  testing::SimFixture a;
  a.Change([](MachineState& s) { s.held_open.insert("D:"); });
  auto other = NewSimulatedMachine(a.folder.path() / "state", nullptr);
  MachineState seen;
  ASSERT_EQ(other->simulated()->Load(&seen), kOk);
  EXPECT_EQ(seen.held_open.count("D:"), 1u);
  EXPECT_FALSE(fs::exists(a.sim().state_file().string() + ".tmp"));

  // A file damaged behind the programs' backs (not through a request) is
  // refused by the next program that reads it and by the next change.
  { std::ofstream(a.sim().state_file(), std::ios::trunc) << "tarnwick-sim-machine 1\nadapter 1\n"; }
  auto next = NewSimulatedMachine(a.folder.path() / "state", nullptr);
  Handle h;
  EXPECT_EQ(next->platform().device_io->Open(kAdapterInterfacePath, kGenericRead | kGenericWrite, 3, kOpenExisting, 0, &h),
            kErrFileCorrupt);
  EXPECT_EQ(h, kInvalidHandle);
  EXPECT_NE(next->simulated()->last_error().find("checksum"), std::string::npos);
  EXPECT_EQ(a.sim().Update([](MachineState&) { return true; }), kErrFileCorrupt);
  EXPECT_NE(a.sim().last_error().find("checksum"), std::string::npos);
}

TEST(SimMachineTest, HostPathsStayInsideTheirDrive) {
#ifndef _WIN32
  EXPECT_EQ(HostPathFor(u"Z:\\tmp\\x.img", "/state"), "/tmp/x.img");
  EXPECT_EQ(HostPathFor(u"d:\\images\\x.img", "/state"), "/state/drive_d/images/x.img");
  EXPECT_EQ(HostPathFor(u"D:\\..\\..\\etc\\passwd", "/state"), "");
  EXPECT_EQ(HostPathFor(u"D:\\a..b\\c", "/state"), "/state/drive_d/a..b/c");
#endif
  EXPECT_EQ(HostPathFor(u"\\\\server\\share\\x", "/state"), "");
  EXPECT_EQ(HostPathFor(u"x.img", "/state"), "");
  EXPECT_EQ(HostPathFor(u"1:\\x", "/state"), "");
}

TEST(SimMachineTest, LettersRunOutCleanly) {
  MachineState s;
  for (char c = 'D'; c <= 'Y'; ++c) s.claimed_letters[c] = "other";
  EXPECT_EQ(FreeLetter(s), 'Z');
  s.claimed_letters['Z'] = "other";
  EXPECT_EQ(FreeLetter(s), 0);
}

TEST(SimMachineTest, VendorCommandsRejectShortBuffers) {
  MachineState s;
  s.slots[0].used = true;
  s.slots[0].record.assign(1836, 0);
  s.slots[0].record[1] = 1;
  uint8_t cdb[16] = {0xE2};
  cdb[9] = 1;
  uint8_t small[16] = {};
  auto* cp = testing::SimFixture().platform.code_page;
  ScsiResult r = VendorCommand(s, 0, cdb, false, {small, sizeof small}, *cp);
  EXPECT_TRUE(r.check_condition);
  EXPECT_EQ(r.sense_information, kSenseBadData);
  cdb[0] = 0xE3;
  r = VendorCommand(s, 0, cdb, true, {small, 2}, *cp);
  EXPECT_TRUE(r.check_condition);
  cdb[0] = 0x28;  // READ(10): not a vendor command
  r = VendorCommand(s, 0, cdb, true, {small, sizeof small}, *cp);
  EXPECT_EQ(r.sense_information, kSenseInvalidOpcode);
  EXPECT_TRUE(VendorCommand(s, 5, cdb, true, {small, 16}, *cp).check_condition);  // empty slot
  // A name that fills its field without a terminator is refused, not stored long.
  s.slots[0].snapshots.push_back({1, 0, "a", ""});
  uint8_t set[16] = {0xE5, 1};
  std::vector<uint8_t> record(1064, 0);
  std::fill(record.begin() + 8, record.begin() + 40, 'n');
  r = VendorCommand(s, 0, set, false, {record.data(), record.size()}, *cp);
  EXPECT_TRUE(r.check_condition);
  EXPECT_EQ(s.slots[0].snapshots[0].name, "a");
  record[39] = 0;
  EXPECT_FALSE(VendorCommand(s, 0, set, false, {record.data(), record.size()}, *cp).check_condition);
  EXPECT_EQ(s.slots[0].snapshots[0].name.size(), 31u);
}

// The driver answers from an index over the snapshots; after any mix of
// takes, branches, merges and deletes its answers are those of the list
// itself: every snapshot found, every parent's children in creation order.
TEST(SimMachineTest, SnapshotAnswersFollowEveryChangeOfTheTree) {
  MachineState s;
  Slot& slot = s.slots[0];
  slot.used = true;
  slot.record.assign(1836, 0);
  slot.record[1] = 1;
  testing::SimFixture fixture;
  CodePage* cp = fixture.platform.code_page;
  auto command = [&](uint8_t op, uint64_t id, uint8_t argument, bool in, std::vector<uint8_t>* data) {
    uint8_t cdb[16] = {op};
    for (int i = 0; i < 8; ++i) cdb[1 + i] = static_cast<uint8_t>(id >> (8 * i));
    cdb[9] = argument;
    return VendorCommand(s, 0, cdb, in, {data->data(), data->size()}, *cp);
  };
  std::vector<uint8_t> take(kTakeSnapshotDataSize, 0);
  take[0] = 'n';
  std::vector<uint8_t> out(snaprec::kSize * 64);
  std::srand(21);
  for (int step = 0; step < 400; ++step) {
    const size_t n = slot.snapshots.size();
    const uint64_t some = n ? slot.snapshots[static_cast<size_t>(std::rand()) % n].id : 0;
    switch (std::rand() % 6) {
      case 0: case 1: case 2: command(0xE2, 0, 1, false, &take); break;  // from the present state
      case 3: if (some) command(0xE2, some, 0, false, &take); break;     // a branch off an older one
      case 4: if (some) command(0xE9, some, 0, false, &out); break;      // merge into its parent
      case 5: if (some) command(0xEB, some, 0, false, &out); break;      // delete (refused with children)
    }
    std::vector<uint64_t> parents = {0};
    for (const Snapshot& x : slot.snapshots) parents.push_back(x.id);
    for (uint64_t parent : parents) {
      std::vector<uint64_t> expected, listed;
      for (const Snapshot& x : slot.snapshots)
        if (x.parent == parent) expected.push_back(x.id);
      ScsiResult r = command(0xE6, parent, 0, true, &out);
      ASSERT_FALSE(r.check_condition) << step;
      for (size_t at = 0; at + snaprec::kSize <= r.transferred && at < out.size(); at += snaprec::kSize)
        listed.push_back(GetU64LE(ConstByteSpan(out.data(), out.size()), at + snaprec::kId));
      EXPECT_EQ(listed, expected) << "step " << step << ", children of " << parent;
      if (parent) {
        EXPECT_FALSE(command(0xE4, parent, 0, true, &out).check_condition) << step;
      }
    }
    EXPECT_TRUE(command(0xE4, slot.next_snapshot_id, 0, true, &out).check_condition);  // not yet taken
  }
  EXPECT_GT(slot.snapshots.size(), 20u);
}

// Many writers at once, as the console, the manager and the shell extension
// are: threads sharing one machine object and threads with one each (each
// its own lock handle, as another process has). A lost update shows as a
// missing name; a torn or stale read as a count that goes back.
TEST(SharedMachineTest, ConcurrentChangesAreNeverLost) {
  tw::testing::TempFolder folder;
  const fs::path state = folder.path() / "state";
  auto shared = NewSimulatedMachine(state, nullptr);
  constexpr int kThreads = 8, kChanges = 40;
  std::vector<std::thread> threads;
  std::vector<int> went_back(kThreads, 0);
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([&, t] {
      std::unique_ptr<Machine> own = t % 2 ? NewSimulatedMachine(state, nullptr) : nullptr;
      SimMachine& m = own ? *own->simulated() : *shared->simulated();
      size_t seen = 0;
      for (int i = 0; i < kChanges; ++i) {
        EXPECT_EQ(m.Update([&](MachineState& s) {
          s.held_open.insert("t" + std::to_string(t) + "-" + std::to_string(i));
          return true;
        }),
                  kOk);
        std::shared_ptr<const MachineState> now;
        ASSERT_EQ(m.Current(&now), kOk);
        if (now->held_open.size() < seen) ++went_back[t];
        seen = now->held_open.size();
      }
    });
  for (std::thread& t : threads) t.join();
  MachineState end;
  ASSERT_EQ(NewSimulatedMachine(state, nullptr)->simulated()->Load(&end), kOk);
  EXPECT_EQ(end.held_open.size(), size_t{kThreads * kChanges});
  for (int t = 0; t < kThreads; ++t) EXPECT_EQ(went_back[t], 0) << "thread " << t;
  // The cached machine sees the last change of the others.
  MachineState cached;
  ASSERT_EQ(shared->simulated()->Load(&cached), kOk);
  EXPECT_EQ(cached.held_open.size(), end.held_open.size());
  EXPECT_GE(shared->simulated()->generation(), uint64_t{kThreads * kChanges});
}

// The test command runs this from a native process and from a Windows
// program under Wine at once, on one folder (TW_SHARED_STATE): each side's
// lock must hold the other off, so that no change of either gets lost.
TEST(SharedMachineTest, NativeAndWindowsProgramsAtOnce) {
  const char* folder = std::getenv("TW_SHARED_STATE");
  if (!folder) GTEST_SKIP() << "run by scripts/test.sh with the other world beside it";
#ifdef _WIN32
  const std::string mine = "windows", other = "native";
#else
  const std::string mine = "native", other = "windows";
#endif
  auto machine = NewSimulatedMachine(fs::u8path(folder), nullptr);
  SimMachine& m = *machine->simulated();
  auto count = [&](const std::string& tag) {
    std::shared_ptr<const MachineState> s;
    EXPECT_EQ(m.Current(&s), kOk) << m.last_error();
    return s ? std::count_if(s->held_open.begin(), s->held_open.end(),
                             [&](const std::string& n) { return n.compare(0, tag.size() + 1, tag + "-") == 0; })
             : 0;
  };
  if (const char* total = std::getenv("TW_SHARED_EXPECT")) {  // the check after both have run
    EXPECT_EQ(count("native") + count("windows"), std::atoi(total));
    return;
  }
  // The native side starts once the other is under way, so that they overlap.
  for (int i = 0; i < 600 && std::getenv("TW_SHARED_WAIT") && count(other) == 0; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  const auto before = count(other);
  constexpr int kThreads = 4, kChanges = 150;
  // Native waiters are woken by the kernel while Wine polls for the lock, so
  // four native threads with no pause would keep it nearly all the time; a
  // program's requests come at a pace, and the overlap is what is checked.
  const bool paced = std::getenv("TW_SHARED_WAIT") != nullptr;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([&, t] {
      for (int i = 0; i < kChanges; ++i) {
        EXPECT_EQ(m.Update([&](MachineState& s) {
          s.held_open.insert(mine + "-" + std::to_string(t) + "-" + std::to_string(i));
          return true;
        }),
                  kOk);
        if (paced) std::this_thread::sleep_for(std::chrono::milliseconds(2));
      }
    });
  for (std::thread& t : threads) t.join();
  EXPECT_EQ(count(mine), kThreads * kChanges);
  const auto during = count(other) - before;
  std::printf("%s: %d changes made while %ld of the other side's came in\n", mine.c_str(), kThreads * kChanges,
              static_cast<long>(during));
  if (std::getenv("TW_SHARED_WAIT")) {
    EXPECT_GT(during, 0) << "the two sides did not overlap";
  }
}

#ifndef _WIN32
// A program killed in the middle of a request leaves no lock behind, and the
// state folder and its files are the user's alone.
TEST(SharedMachineTest, AKilledHolderFreesTheLockAndFilesArePrivate) {
  tw::testing::TempFolder folder;
  const fs::path state = folder.path() / "state";
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    auto m = NewSimulatedMachine(state, nullptr);
    m->simulated()->Update([&](MachineState& s) {
      s.held_open.insert("half");
      std::ofstream(state / "machine.state.999999-0.tmp") << "torn";  // as if cut off while writing
      (void)!write(ready[1], "x", 1);
      pause();  // killed here, inside the request
      return true;
    });
    _exit(0);
  }
  char c;
  ASSERT_EQ(read(ready[0], &c, 1), 1);
  kill(child, SIGKILL);
  int status = 0;
  waitpid(child, &status, 0);
  close(ready[0]);
  close(ready[1]);

  auto m = NewSimulatedMachine(state, nullptr);
  ASSERT_EQ(m->simulated()->Update([](MachineState& s) {
    s.held_open.insert("after");
    return true;
  }),
            kOk);
  MachineState s;
  ASSERT_EQ(m->simulated()->Load(&s), kOk);
  EXPECT_EQ(s.held_open, std::set<std::string>{"after"});

  struct stat st;
  ASSERT_EQ(stat(state.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  for (const fs::directory_entry& e : fs::directory_iterator(state)) {
    ASSERT_EQ(stat(e.path().c_str(), &st), 0);
    if (S_ISREG(st.st_mode)) {
      EXPECT_EQ(st.st_mode & 0777, 0600u) << e.path();
    }
    EXPECT_NE(e.path().extension(), ".tmp") << e.path();
  }
}
#endif

}  // namespace
}  // namespace tw::sim
