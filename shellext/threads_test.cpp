// Explorer calls the extension from several threads at once. Eight threads
// share one machine, one driver client and one overlay cache: some ask for
// overlays, some lock and unlock their own items, some plug and unplug
// disks, some write the registry. Every answer must stay right and no
// change may get lost. Run under ThreadSanitizer too, which catches a
// data race even when the answers happen to be right.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "base/text.h"
#include "platform/machine.h"
#include "platform/registry.h"
#include "platform/sim/protected_volumes.h"
#include "platform/sim/sim_machine.h"
#include "platform/system_services.h"
#include "platform/testing/test_support.h"
#include "shellext/overlay_state.h"
#include "shellext/protected_drive.h"
#include "storagebus/storage_bus.h"
#include "storagebus/testing/image_records.h"

namespace tw::shellext {
namespace {
namespace fs = std::filesystem;

TEST(ExtensionThreads, EightThreadsShareOneMachineAndOneOverlayCache) {
  tw::testing::TempFolder folder;
  auto machine = NewSimulatedMachine(folder.path() / "state", nullptr);
  const Platform& p = machine->platform();
  ASSERT_EQ(sim::AddProtectedVolume(*machine->simulated(), 'P', "Vault", {"alice"}), kOk);
  const fs::path root = sim::ProtectedVolumes(machine->simulated()->folder()).Root('P');
  for (int i = 0; i < 8; ++i) std::ofstream(root / ("f" + std::to_string(i) + ".txt")) << i;
  // f0 stays locked and f1 stays unlocked; the others belong to a thread each.
  ASSERT_EQ(sim::ProtectItemForSetup(*machine->simulated(), u"P:\\f0.txt", "pw", false, false), kOk);
  ASSERT_EQ(sim::ProtectItemForSetup(*machine->simulated(), u"P:\\f1.txt", "pw", true, false), kOk);

  ProtectedDrive drive(p);
  OverlayState overlays(drive, *p.clock);
  StorageBus bus(p);
  ASSERT_EQ(bus.SelectAdapter(0), kOk);
  constexpr int kRounds = 30;
  std::atomic<int> wrong{0}, failed{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 8; ++t)
    threads.emplace_back([&, t] {
      const std::u16string mine = U16("P:\\f" + std::to_string(t) + ".txt");
      for (int i = 0; i < kRounds; ++i) {
        // Everyone asks for the overlays of the items that do not change.
        wrong += !overlays.IsMember(Overlay::kLocked, u"P:\\f0.txt");
        wrong += overlays.IsMember(Overlay::kUnlocked, u"P:\\f0.txt");
        wrong += !overlays.IsMember(Overlay::kUnlocked, u"P:\\f1.txt");
        wrong += overlays.IsMember(Overlay::kLocked, u"C:\\f1.txt");
        switch (t % 4) {
          case 0:
          case 1:
            break;
          case 2: {  // its own item: protected, locked, unlocked, unprotected
            failed += drive.EncryptItem(mine, u"secret") != kOk;
            failed += drive.LockItem(mine) != kOk;
            wrong += !overlays.IsMember(Overlay::kLocked, mine);
            failed += drive.UnlockItem(mine, u"secret") != kOk;
            wrong += !overlays.IsMember(Overlay::kUnlocked, mine);
            failed += drive.DecryptItem(mine, u"secret") != kOk;
            break;
          }
          case 3: {  // a disk in its own slot, and a value of its own
            uint8_t slot = static_cast<uint8_t>(t);
            DeviceRecord disk = tw::testing::NewImageRecord(slot, folder.Win32Path("d" + std::to_string(t)));
            disk.set_create_new(i == 0);
            failed += bus.PlugDevice(disk) != kOk;
            DeviceRecord r;
            failed += bus.QueryDevice(slot, &r) != kOk || !r.in_use();
            failed += bus.UnplugDevice(slot) != kOk;
            RegKey key = 0;
            failed += p.registry->CreateKey(kHkeyCurrentUser, u"Software\\Threads", &key) != kOk;
            failed += p.registry->SetDword(key, U16("t" + std::to_string(t) + "-" + std::to_string(i)), i) != kOk;
            p.registry->CloseKey(key);
            break;
          }
        }
      }
    });
  for (std::thread& t : threads) t.join();
  EXPECT_EQ(wrong.load(), 0);
  EXPECT_EQ(failed.load(), 0);
  // The drive-root cache held: each root was asked about at most once per thread.
  EXPECT_LE(overlays.volume_checks(), 16u);

  // Nothing lost: every value written is there, no disk is left, and the
  // items the threads worked on are as they left them.
  RegKey key = 0;
  ASSERT_EQ(p.registry->OpenKey(kHkeyCurrentUser, u"Software\\Threads", &key), kOk);
  for (int t : {3, 7})
    for (int i = 0; i < kRounds; ++i) {
      uint32_t v = 99;
      EXPECT_EQ(p.registry->QueryDword(key, U16("t" + std::to_string(t) + "-" + std::to_string(i)), &v), kOk);
      EXPECT_EQ(v, static_cast<uint32_t>(i));
    }
  p.registry->CloseKey(key);
  sim::MachineState s;
  ASSERT_EQ(machine->simulated()->Load(&s), kOk);
  for (const sim::Slot& slot : s.slots) EXPECT_FALSE(slot.used);
  sim::ProtectedState vs;
  ASSERT_EQ(sim::ProtectedVolumes(machine->simulated()->folder()).Load(&vs), kOk);
  EXPECT_TRUE(vs.volumes['P'].items["\\f0.txt"].is_protected);
  EXPECT_FALSE(vs.volumes['P'].items["\\f2.txt"].is_protected);
  EXPECT_FALSE(vs.volumes['P'].items["\\f6.txt"].is_protected);
}

}  // namespace
}  // namespace tw::shellext
