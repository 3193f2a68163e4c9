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
#include "platform/testing/test_support.h"
#include "storagebus/disk_mapping.h"
#include "storagebus/storage_bus.h"
#include "storagebus/wmi_query.h"
#include "platform/file_system.h"
#include "platform/registry.h"
#include "platform/wnet.h"
#include "shares/nfs_shares.h"
#include "shares/server_list.h"
#include "devices/virtual_folder.h"
#include "platform/volume_mounts.h"

namespace tw {
namespace {

class Win32PortTest : public ::testing::Test {
 protected:
  void SetUp() override {
    _putenv("TARNWICK_MACHINE=");
    machine = NewMachine(&prompter);  // never a real message box in a test
    ASSERT_EQ(machine->simulated(), nullptr);
  }
  testing::ScriptedPrompter prompter;
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
  // The clock only has to move forward; how far a sleep goes is the system's.
  uint64_t before = p().clock->TickMs();
  p().clock->SleepMs(1);
  EXPECT_GE(p().clock->TickMs(), before);
}

TEST_F(Win32PortTest, RegistryRoundTrip) {
  Registry& r = *p().registry;
  r.DeleteTree(kHkeyCurrentUser, u"Software\\TarnwickPortTest");
  ScopedRegKey key(r);
  ASSERT_EQ(r.CreateKey(kHkeyCurrentUser, u"Software\\TarnwickPortTest\\Inner", key.out()), kOk);
  ASSERT_EQ(r.SetString(key.get(), u"Text", u"sixteen-chars-xx"), kOk);
  ASSERT_EQ(r.SetDword(key.get(), u"Number", 6260), kOk);
  std::u16string text;
  EXPECT_EQ(r.QueryString(key.get(), u"Text", 32, &text), kErrMoreData);  // 16 characters need 34 bytes
  ASSERT_EQ(r.QueryString(key.get(), u"Text", 34, &text), kOk);
  EXPECT_EQ(text, u"sixteen-chars-xx");
  uint32_t n = 0;
  ASSERT_EQ(r.QueryDword(key.get(), u"Number", &n), kOk);
  EXPECT_EQ(n, 6260u);
  EXPECT_EQ(r.QueryString(key.get(), u"Missing", 64, &text), kErrFileNotFound);
  ScopedRegKey parent(r);
  ASSERT_EQ(r.OpenKey(kHkeyCurrentUser, u"Software\\TarnwickPortTest", parent.out()), kOk);
  std::u16string child;
  ASSERT_EQ(r.EnumKey(parent.get(), 0, &child), kOk);
  EXPECT_EQ(child, u"Inner");
  EXPECT_EQ(r.EnumKey(parent.get(), 1, &child), kErrNoMoreItems);
  EXPECT_EQ(r.DeleteValue(key.get(), u"Text"), kOk);
  EXPECT_EQ(r.DeleteValue(key.get(), u"Text"), kErrFileNotFound);
  EXPECT_EQ(r.DeleteTree(kHkeyCurrentUser, u"Software\\TarnwickPortTest"), kOk);
  ScopedRegKey gone(r);
  EXPECT_EQ(r.OpenKey(kHkeyCurrentUser, u"Software\\TarnwickPortTest", gone.out()), kErrFileNotFound);
}

TEST_F(Win32PortTest, ServerListOnTheRealRegistry) {
  DeleteServerEntries(p(), 0);
  WriteServerEntry(p(), 0, {u"A", 1});
  WriteServerEntry(p(), 1, {u"B", 2});
  RecordUsedServer(p(), u"b", 3);
  auto list = ReadServerList(p());
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[0].server, u"b");
  EXPECT_EQ(list[0].port, 3u);
  EXPECT_EQ(list[1].server, u"A");
  DeleteServerEntries(p(), 0);
  EXPECT_TRUE(ReadServerList(p()).empty());
}

TEST_F(Win32PortTest, NetworkCallsFailWithoutANetworkProvider) {
  std::u16string remote;
  Status st = p().wnet->GetConnection(u"X:", 260, &remote);
  EXPECT_NE(st, kOk);  // 1200 under Wine
  std::u16string text = u"127.0.0.1:\\export";
  st = MountNfsShare(u"X:", &text, false, u"", u"", 6260, p());
  EXPECT_NE(st, kOk);  // 1222 under Wine: no network
  WNetEnumHandle h = 0;
  st = p().wnet->OpenEnum(kResourceConnected, kResourceTypeDisk, 0, &h);
  if (st == kOk) p().wnet->CloseEnum(h);
  uint32_t size = 0;
  Status list = ListNfsShares(false, nullptr, &size, p());
  EXPECT_TRUE(list == kOk || list == st) << list;
  EXPECT_EQ(size, 0u);
  ExportQueryRequest request;
  Bytes reply(64);
  uint32_t reply_size = 64;
  EXPECT_EQ(QueryServerExports(request, &reply, &reply_size, p()), kErrFileNotFound);  // no redirector
}

TEST_F(Win32PortTest, FileSystemCalls) {
  FileSystem& fs = *p().file_system;
  std::u16string target;
  EXPECT_EQ(fs.QueryDosName(u"C:", &target), kOk);
  EXPECT_FALSE(target.empty());
  EXPECT_EQ(fs.QueryDosName(u"Q:", &target), kErrFileNotFound);
  std::u16string label, fsname;
  uint32_t serial = 0, flags = 0;
  ASSERT_EQ(fs.GetVolumeInfo(u"C:\\", &label, &serial, &flags, &fsname), kOk);
  EXPECT_FALSE(fsname.empty());
  EXPECT_TRUE(fs.PathExists(u"C:\\windows"));
  EXPECT_FALSE(fs.PathExists(u"C:\\no\\such\\thing"));
  EXPECT_EQ(fs.MakeDirectory(u"C:\\no\\such\\thing"), kErrPathNotFound);
  std::u16string program = fs.ProgramPath();
  EXPECT_TRUE(EqualsNoCase(program.substr(program.size() - 4), u".exe"));
}

TEST_F(Win32PortTest, FolderMountCallsWithoutDrivers) {
  // No fmifs.dll under Wine: the format gives false without starting.
  Status error = 77;
  EXPECT_FALSE(FormatVolume(p(), u"\\\\.\\Volume{00000000-0000-0000-0000-000000000000}", &error));
  EXPECT_EQ(error, 0u);
  Guid a, b;
  ASSERT_EQ(p().volume_mounts->NewGuid(&a), kOk);
  ASSERT_EQ(p().volume_mounts->NewGuid(&b), kOk);
  EXPECT_NE(FormatGuid(a), FormatGuid(b));
  Status st = p().volume_mounts->SetMountPoint(u"C:\\no-such-folder\\", u"\\\\?\\Volume{00000000-0000-0000-0000-000000000000}\\");
  EXPECT_NE(st, kOk);  // 120 under Wine
  EXPECT_NE(p().volume_mounts->DeleteMountPoint(u"C:\\no-such-folder\\"), kOk);
  StorageBus bus(p());
  WizardData data(19);
  data.set_targetName(u"iqn.t");
  EXPECT_EQ(MountVirtualFolder(p(), bus, data, nullptr), kErrFileNotFound);  // no volume driver
  ASSERT_FALSE(prompter.shown.empty());
  EXPECT_EQ(prompter.shown.back().text, u"mount error 2");
}

TEST_F(Win32PortTest, FormatterNeverLoadsAFmifsBesideTheProgram) {
  wchar_t self[MAX_PATH] = {};
  ASSERT_GT(GetModuleFileNameW(nullptr, self, MAX_PATH), 0u);
  std::wstring folder(self);
  folder.resize(folder.find_last_of(L'\\') + 1);
  ASSERT_NE(GetFileAttributesW((folder + L"fmifs.dll").c_str()), INVALID_FILE_ATTRIBUTES) << "the build plants one";
  p().formatter->Load();
  // Wine has no fmifs.dll; Windows has one in the system folder.
  if (HMODULE m = GetModuleHandleW(L"fmifs.dll")) {
    wchar_t loaded[MAX_PATH] = {};
    GetModuleFileNameW(m, loaded, MAX_PATH);
    EXPECT_NE(std::wstring(loaded).rfind(folder, 0), 0u) << "the planted fmifs.dll was loaded";
  }
}

TEST(Win32MachineChoiceTest, SimulatedMachineOnRequest) {
  _putenv("TARNWICK_MACHINE=sim");
  EXPECT_TRUE(UsesSimulatedMachine());
  _putenv("TARNWICK_MACHINE=");
  EXPECT_FALSE(UsesSimulatedMachine());
}

}  // namespace
}  // namespace tw
