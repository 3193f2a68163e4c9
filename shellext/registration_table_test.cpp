#include "shellext/registration_table.h"

#include <gtest/gtest.h>

#include "platform/registry.h"
#include "platform/testing/sim_fixture.h"
#include "shellext/class_ids.h"

namespace tw::shellext {
namespace {

constexpr char16_t kModule[] = u"C:\\Program Files\\Pellowen\\PellowenShl.dll";
constexpr char16_t kOverlays[] = u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ShellIconOverlayIdentifiers";

class RegistrationTest : public ::testing::Test {
 protected:
  Registry& reg() { return *fx.platform.registry; }
  bool Exists(RegKey root, const std::u16string& key) {
    ScopedRegKey k(reg());
    return reg().OpenKey(root, key, k.out()) == kOk;
  }
  std::u16string Value(RegKey root, const std::u16string& key, const std::u16string& name = u"") {
    ScopedRegKey k(reg());
    std::u16string v;
    if (reg().OpenKey(root, key, k.out()) != kOk || reg().QueryString(k.get(), name, 4096, &v) != kOk)
      return u"<none>";
    return v;
  }
  int Children(RegKey root, const std::u16string& key) {
    ScopedRegKey k(reg());
    if (reg().OpenKey(root, key, k.out()) != kOk) return -1;
    std::u16string name;
    int n = 0;
    while (reg().EnumKey(k.get(), n, &name) == kOk) ++n;
    return n;
  }
  tw::testing::SimFixture fx;
};

TEST_F(RegistrationTest, EveryClassNamesTheModuleAndTheTypeLibrary) {
  ASSERT_EQ(RegisterEntries(reg(), kModule), kOk);
  for (const ClassIdentity* c : kClasses) {
    std::u16string key = std::u16string(u"CLSID\\") + c->clsid;
    EXPECT_EQ(Value(kHkeyClassesRoot, key), std::u16string(c->name) + u" Class");
    EXPECT_EQ(Value(kHkeyClassesRoot, key, u"AppID"), kAppId);
    EXPECT_EQ(Value(kHkeyClassesRoot, key + u"\\InprocServer32"), kModule);
    EXPECT_EQ(Value(kHkeyClassesRoot, key + u"\\InprocServer32", u"ThreadingModel"), u"Apartment");
    EXPECT_EQ(Value(kHkeyClassesRoot, key + u"\\TypeLib"), kLibId);
    EXPECT_TRUE(Exists(kHkeyClassesRoot, key + u"\\Programmable"));
    std::u16string prog = std::u16string(u"VornickShl.") + c->name;
    EXPECT_EQ(Value(kHkeyClassesRoot, prog + u"\\CurVer"), prog + u".1");
    EXPECT_EQ(Value(kHkeyClassesRoot, prog + u".1\\CLSID"), c->clsid);
  }
  EXPECT_EQ(Value(kHkeyClassesRoot, u"AppID\\VornickShl.DLL", u"AppID"), kAppId);
  for (const char16_t* owner : {u"*", u"folder", u"Directory\\Background"})
    EXPECT_EQ(Value(kHkeyClassesRoot, std::u16string(owner) + u"\\ShellEx\\ContextMenuHandlers\\VornickContext"),
              kContextClass.clsid);
  EXPECT_EQ(Value(kHkeyLocalMachine, std::u16string(kOverlays) + u"\\VornickIconUnLock"), kIconUnlockClass.clsid);
  EXPECT_TRUE(Exists(kHkeyClassesRoot, std::u16string(u"CLSID\\") + kContextClass.clsid +
                                           u"\\ShellEx\\MayChangeDefaultMenu"));
}

TEST_F(RegistrationTest, RegisteringTwiceLeavesOneSetAndReplacedKeysLoseStrayContent) {
  ASSERT_EQ(RegisterEntries(reg(), u"C:\\old\\PellowenShl.dll"), kOk);
  std::u16string clsid_key = std::u16string(u"CLSID\\") + kContextClass.clsid;
  ScopedRegKey stray(reg());
  ASSERT_EQ(reg().CreateKey(kHkeyClassesRoot, clsid_key + u"\\Stale", stray.out()), kOk);
  ASSERT_EQ(RegisterEntries(reg(), kModule), kOk);
  EXPECT_FALSE(Exists(kHkeyClassesRoot, clsid_key + u"\\Stale"));
  EXPECT_EQ(Value(kHkeyClassesRoot, clsid_key + u"\\InprocServer32"), kModule);
  EXPECT_EQ(Children(kHkeyClassesRoot, u"*\\ShellEx\\ContextMenuHandlers"), 1);
  EXPECT_EQ(Children(kHkeyLocalMachine, kOverlays), 2);
  EXPECT_EQ(Children(kHkeyClassesRoot, clsid_key), 6);  // ProgID, VIProgID, Programmable, InprocServer32, TypeLib, ShellEx
}

TEST_F(RegistrationTest, UnregisteringRemovesTheEntriesAndKeepsTheSharedKeys) {
  // Another program's handler and class share the kept keys.
  ScopedRegKey other(reg()), other_class(reg());
  ASSERT_EQ(reg().CreateKey(kHkeyClassesRoot, u"*\\ShellEx\\ContextMenuHandlers\\Other", other.out()), kOk);
  ASSERT_EQ(reg().CreateKey(kHkeyClassesRoot, u"VornickShl.VornickContext\\Foreign", other_class.out()), kOk);
  ASSERT_EQ(RegisterEntries(reg(), kModule), kOk);
  ASSERT_EQ(UnregisterEntries(reg()), kOk);

  for (const char16_t* owner : {u"*", u"folder", u"Directory\\Background"}) {
    std::u16string handlers = std::u16string(owner) + u"\\ShellEx\\ContextMenuHandlers";
    EXPECT_FALSE(Exists(kHkeyClassesRoot, handlers + u"\\VornickContext"));
    EXPECT_TRUE(Exists(kHkeyClassesRoot, handlers));
  }
  EXPECT_TRUE(Exists(kHkeyClassesRoot, u"*\\ShellEx\\ContextMenuHandlers\\Other"));
  EXPECT_FALSE(Exists(kHkeyLocalMachine, std::u16string(kOverlays) + u"\\VornickIconLock"));
  EXPECT_FALSE(Exists(kHkeyLocalMachine, std::u16string(kOverlays) + u"\\VornickIconUnLock"));
  EXPECT_TRUE(Exists(kHkeyLocalMachine, kOverlays));
  EXPECT_TRUE(Exists(kHkeyClassesRoot, u"CLSID"));
  EXPECT_TRUE(Exists(kHkeyClassesRoot, u"AppID"));
  EXPECT_EQ(Children(kHkeyClassesRoot, u"CLSID"), 0);
  EXPECT_FALSE(Exists(kHkeyClassesRoot, std::u16string(u"AppID\\") + kAppId));
  EXPECT_FALSE(Exists(kHkeyClassesRoot, u"VornickShl.VornickIconLock.1"));
  // A removed key with a foreign key below keeps its key, not its values.
  EXPECT_TRUE(Exists(kHkeyClassesRoot, u"VornickShl.VornickContext\\Foreign"));
  EXPECT_EQ(Value(kHkeyClassesRoot, u"VornickShl.VornickContext"), u"<none>");
  // Unregistering what is gone is no failure.
  EXPECT_EQ(UnregisterEntries(reg()), kOk);
}

TEST(RegistrationTable, KindsOfTheSharedKeys) {
  int kept_handlers = 0, replaced = 0;
  for (const RegEntry& e : RegistrationEntries()) {
    if (e.key == u"*\\ShellEx\\ContextMenuHandlers") kept_handlers += e.kind == EntryKind::kKept;
    if (e.kind == EntryKind::kReplaced) ++replaced;
  }
  EXPECT_EQ(kept_handlers, 1);
  EXPECT_EQ(replaced, 3 * 2 + 3 + 2);  // CLSID + Programmable per class, 3 handlers, 2 overlays
}

}  // namespace
}  // namespace tw::shellext
