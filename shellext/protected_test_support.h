// A simulated machine with a protected volume P: (users alice, bob and
// carol) and a screen that answers from a script, for the extension's tests.
#pragma once

#include <deque>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/text.h"
#include "platform/sim/protected_volumes.h"
#include "platform/testing/sim_fixture.h"
#include "resources/resource_ids.h"
#include "shellext/protected_drive.h"
#include "shellext/shell_ui.h"

namespace tw::shellext::testing {

class ProtectedVolumeTest : public ::testing::Test {
 protected:
  ProtectedVolumeTest() {
    EXPECT_EQ(sim::AddProtectedVolume(fx.sim(), 'P', "Vault", {"alice", "bob", "carol"}), kOk);
  }
  std::filesystem::path Root() { return sim::ProtectedVolumes(fx.sim().folder()).Root('P'); }
  std::filesystem::path Host(std::string path) {
    for (char& c : path)
      if (c == '\\') c = '/';
    return Root() / std::filesystem::u8path(path.substr(1));
  }
  // A real file under P:\ (path without the drive, "\docs\a.txt").
  std::u16string MakeFile(const std::string& path, const std::string& content = "data") {
    std::filesystem::path host = Host(path);
    std::filesystem::create_directories(host.parent_path());
    std::ofstream(host) << content;
    return U16("P:" + path);
  }
  std::u16string MakeFolder(const std::string& path) {
    std::filesystem::create_directories(Host(path));
    return U16("P:" + path);
  }
  void Protect(const std::u16string& path, const std::string& password, bool unlocked, bool no_lock = false) {
    ASSERT_EQ(sim::ProtectItemForSetup(fx.sim(), path, password, unlocked, no_lock), kOk);
  }
  sim::ProtectedState State() {
    sim::ProtectedState s;
    sim::ProtectedVolumes(fx.sim().folder()).Load(&s);
    return s;
  }
  // Operation bytes of the protect commands sent, in order.
  std::vector<int> Operations() {
    std::vector<int> ops;
    for (const auto& r : fx.io->requests)
      if (r.code == 0x9EEE8 && !r.in.empty()) ops.push_back(r.in[0]);
    return ops;
  }

  tw::testing::SimFixture fx;
  ProtectedDrive drive{fx.platform};
};

// Answers the extension's screen from a script and records what it showed.
class ScriptedUi final : public ShellUi {
 public:
  struct Shown {
    std::u16string text, caption;
    bool error_box = false;
  };
  std::u16string String(int id) override {
    static const std::map<int, const char*> kEnglish = {
        {IDS_FAILED, "Faild!"},
        {IDS_LOCK, "&Lock"},
        {IDS_UNLOCK, "&Unlock"},
        {IDS_NOW_LOCKED, "'%1' is now locked"},
        {IDS_NOW_UNLOCKED, "'%1' is now unLocked"},
        {IDS_CLIENT, "Pellowen Client"},
        {IDS_SHARE_FAILED, "Failed sharing files to %1, error code: %2."},
        {IDS_COPY_FAILED, "Failed copying files to %1, error code: %2."},
        {IDS_SHARE_DONE, "Completed share files to users, %1 successful, %2 failed."},
        {IDS_COPY_DONE, "Completed copy files to users, %1 successful, %2 failed."}};
    auto it = kEnglish.find(id);
    return it == kEnglish.end() ? u"?" : U16(it->second);
  }
  std::u16string Text(const TextById& text) override {
    text_ids.push_back(text.id);
    return FillInserts(String(text.id), text.inserts);
  }
  int Message(const std::u16string& text, const std::u16string& caption, unsigned) override {
    shown.push_back({text, caption, false});
    return 1;
  }
  void ErrorMessage(const std::u16string& text, const std::u16string& caption) override {
    shown.push_back({text, caption, true});
  }
  std::u16string SystemMessage(Status code) override { return u"system text " + U16(std::to_string(code)); }
  bool AskPassword(std::u16string* password) override {
    ++password_asked;
    if (passwords.empty()) return false;  // Cancel
    *password = passwords.front();
    passwords.pop_front();
    return true;
  }
  void RunEncryptDialog(const std::u16string& path) override { dialogs.push_back(u"encrypt " + path); }
  void RunCopyToDialog(TransferMode mode, const std::u16string& path) override {
    dialogs.push_back((mode == TransferMode::kShare ? u"share " : u"copy ") + path);
  }
  void SetWaitCursor(bool on) override { wait_cursor_changes += 1; }

  std::deque<std::u16string> passwords;
  std::vector<Shown> shown;
  std::vector<int> text_ids;  // the templates asked for, in order
  std::vector<std::u16string> dialogs;
  int password_asked = 0;
  int wait_cursor_changes = 0;
};

}  // namespace tw::shellext::testing
