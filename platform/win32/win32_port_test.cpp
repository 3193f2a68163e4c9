// The Win32 ports against the Windows API as this system provides it. Under
// Wine there are no drivers, so these check the calls' failure paths and the
// services that do exist.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "base/text.h"
#include "platform/device_io.h"
#include "platform/machine.h"
#include "platform/system_services.h"
#include "platform/wmi.h"
#include "storagebus/disk_mapping.h"
#include "storagebus/storage_bus.h"
#include "storagebus/wmi_query.h"

namespace tw {
namespace {

class Win32PortTest : public ::testing::Test {
 protected:
  void SetUp() override {
    _putenv("TARNWICK_MACHINE=");
    machine = NewMachine(nullptr);
    ASSERT_EQ(machine->simulated(), nullptr);
  }
  std::unique_ptr<Machine> machine;
  const Platform& p() { return machine->platform(); }
};

TEST_F(Win32PortTest, OpeningAMissingDeviceGivesFileNotFound) {
  Handle h = 0;
  EXPECT_EQ(p().device_io->Open(u"\\\\.\\Velthorn_iVolume", kGenericRead | kGenericWrite, 3, kOpenExisting,
                                kFileFlagNoBuffering, &h),
            kErrFileNotFound);
  EXPECT_EQ(h, kInvalidHandle);
  StorageBus bus(p());
  uint32_t count = 7;
  EXPECT_EQ(bus.GetVolumeCount(&count), kErrFileNotFound);
  EXPECT_FALSE(bus.IsVolumeActive(0));
}

TEST_F(Win32PortTest, NoAdapterIsFound) {
  StorageBus bus(p());
  EXPECT_EQ(bus.SelectAdapter(0), kMinusOne);
  EXPECT_EQ(bus.FindFreeSlot(false), -1);
}

TEST_F(Win32PortTest, UnknownControlOnAFileFails) {
  wchar_t dir[MAX_PATH];
  GetTempPathW(MAX_PATH, dir);
  std::u16string path = reinterpret_cast<const char16_t*>(dir);
  path += u"tarnwick-ioctl.bin";
  { std::ofstream(Utf16ToUtf8(path)) << "x"; }
  Handle h;
  ASSERT_EQ(p().device_io->Open(path, kGenericRead, 3, kOpenExisting, 0, &h), kOk);
  uint32_t returned = 9;
  Status st = p().device_io->Control(h, kIoctlScsiMiniport, nullptr, 0, nullptr, 0, &returned);
  EXPECT_NE(st, kOk);  // 50 under Wine, 1 on Windows
  EXPECT_EQ(returned, 0u);
  p().device_io->Close(h);
  DeleteFileW(reinterpret_cast<const wchar_t*>(path.c_str()));
}

TEST_F(Win32PortTest, WmiAnswersDiskDrivesButNoneAreOurs) {
  WmiQuery q(*p().wmi);
  ASSERT_TRUE(q.connected());
  ASSERT_EQ(q.Execute(u"SELECT * FROM Win32_DiskDrive"), 0);
  ASSERT_FALSE(q.AtEnd());
  std::u16string id;
  EXPECT_TRUE(q.GetText(u"DeviceID", &id));
  EXPECT_FALSE(id.empty());
  DiskMapping map(p());
  EXPECT_EQ(map.GetSlotLetters(0), u"");
  EXPECT_EQ(map.FindSlotDisk(0), u"");
  std::unique_ptr<WmiConnection> c;
  EXPECT_NE(p().wmi->Connect(u"ROOT\\nonsense", &c), 0u);
}

TEST_F(Win32PortTest, SystemServices) {
  void* block = p().memory->Allocate(5000);
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(block) % p().memory->PageSize(), 0u);
  EXPECT_EQ(static_cast<uint8_t*>(block)[4999], 0);
  p().memory->Free(block);
  EXPECT_EQ(p().code_page->FromAnsi("caf\xe9", kCp1252), u"caf\u00e9");
  EXPECT_EQ(p().code_page->ToAnsi(u"\u20ac", kCp1252), "\x80");
  EXPECT_EQ(p().code_page->ToAnsi(u"\u4e2d", kCp1252), "?");
  EXPECT_FALSE(p().diagnostics->SystemMessage(2).empty());
  uint64_t before = p().clock->TickMs();
  p().clock->SleepMs(20);
  EXPECT_GE(p().clock->TickMs(), before + 10);
}

TEST(Win32MachineChoiceTest, SimulatedMachineOnRequest) {
  _putenv("TARNWICK_MACHINE=sim");
  EXPECT_TRUE(UsesSimulatedMachine());
  _putenv("TARNWICK_MACHINE=");
  EXPECT_FALSE(UsesSimulatedMachine());
}

}  // namespace
}  // namespace tw
