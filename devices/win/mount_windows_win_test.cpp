// The mount windows under Wine, driven with messages: the wizard's page
// rules that live in the windows, and every kind of mount started with
// MountCommand on the simulated machine, through the windows, the way the
// device page starts it. The iSCSI cases use the tgt peer (TW_TGT_PORT),
// the cloud case the local verification service (TARNWICK_CLOUD_HOST).
#include <gtest/gtest.h>

#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <string>

#include "cloud/cloud_disk.h"
#include "devices/device_list.h"
#include "devices/win/add_target_wizard.h"
#include "devices/win/mount_windows.h"
#include "framework/app.h"
#include "iscsi/discovery.h"
#include "platform/registry.h"
#include "platform/sim/machine_state.h"
#include "platform/testing/sim_fixture.h"
#include "resources/resource_ids.h"
#include "shares/server_list.h"
#include "ui/win/localize.h"

namespace tw::ui {
namespace {

void Pump() {
  MSG m;
  while (::PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
    ::TranslateMessage(&m);
    ::DispatchMessageW(&m);
  }
}

std::wstring Text(HWND w) { return fw::WindowText(w); }
using fw::ItemText;
void Click(HWND dlg, int id) { ::SendMessageW(::GetDlgItem(dlg, id), BM_CLICK, 0, 0); }
// For buttons that open a modal window: the click must not nest the window's
// loop inside the script's timer.
void PostClick(HWND dlg, int id) {
  ::PostMessageW(dlg, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(dlg, id)));
}
void SetText(HWND dlg, int id, const std::wstring& t) { ::SetDlgItemTextW(dlg, id, t.c_str()); }

// The page a sheet shows, as a wizard page index (-1: none).
int PageIndex(HWND sheet) {
  HWND page = reinterpret_cast<HWND>(::SendMessageW(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
  auto* p = dynamic_cast<CImagePage*>(fw::CWindow::FromHandle(page));
  return p ? p->index() : -1;
}
HWND CurrentPage(HWND sheet) { return reinterpret_cast<HWND>(::SendMessageW(sheet, PSM_GETCURRENTPAGEHWND, 0, 0)); }
// Wine's wizard buttons.
constexpr int kBackButton = 0x3023, kNextButton = 0x3024, kFinishButton = 0x3025;
bool ButtonShown(HWND sheet, int id) {
  HWND b = ::GetDlgItem(sheet, id);
  return b && ::IsWindowVisible(b) && ::IsWindowEnabled(b);
}

// Runs the code under test while a thread timer works through steps; each
// step waits (returns false) until its window is there. A step that waits
// too long fails the test and every window of the thread is closed, so a
// broken flow cannot hang the run; so does a window still open after the
// last step (its modal loop would otherwise wait for the ctest time-out).
class Script {
 public:
  using Step = std::function<bool()>;
  void Add(const std::string& name, Step s) { steps_.push_back({name, std::move(s)}); }
  void Run(const std::function<void()>& body) {
    current_ = this;
    UINT_PTR t = ::SetTimer(nullptr, 0, 30, &Script::Tick);
    body();
    ::KillTimer(nullptr, t);
    current_ = nullptr;
    for (const auto& f : failures_) ADD_FAILURE() << f;
    for (const auto& s : steps_) ADD_FAILURE() << "step left: " << s.first;
    steps_.clear();
    failures_.clear();
    abandoned_ = false;
    waited_ = 0;
  }

 private:
  static BOOL CALLBACK CloseOne(HWND w, LPARAM) {
    if (::IsWindowVisible(w)) ::PostMessageW(w, WM_CLOSE, 0, 0);
    return TRUE;
  }
  // The caption of a visible window of this thread, or empty when none is.
  static std::wstring OpenWindow() {
    std::wstring caption;
    bool found = false;
    struct Search {
      std::wstring* caption;
      bool* found;
    } search{&caption, &found};
    ::EnumThreadWindows(
        ::GetCurrentThreadId(),
        [](HWND w, LPARAM lp) -> BOOL {
          if (!::IsWindowVisible(w)) return TRUE;
          auto* s = reinterpret_cast<Search*>(lp);
          *s->caption = Text(w);
          *s->found = true;
          return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return found ? (caption.empty() ? L"(untitled)" : caption) : L"";
  }
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    Script* s = current_;
    if (!s || s->busy_) return;
    s->busy_ = true;
    if (s->abandoned_) {
      ::EnumThreadWindows(::GetCurrentThreadId(), &Script::CloseOne, 0);
    } else if (s->steps_.empty()) {
      // The script is over; a window still shown after a short grace (a
      // posted close on its way) is one nobody will close.
      const std::wstring open = OpenWindow();
      if (open.empty()) {
        s->waited_ = 0;
      } else if (++s->waited_ > 60) {
        s->failures_.push_back("window left open after the last step: " +
                               std::string(open.begin(), open.end()));
        s->abandoned_ = true;
      }
    } else if (s->steps_.front().second()) {
      s->steps_.pop_front();
      s->waited_ = 0;
    } else if (++s->waited_ > 500) {
      s->failures_.push_back("step did not happen: " + s->steps_.front().first);
      s->steps_.clear();
      s->abandoned_ = true;
    }
    s->busy_ = false;
  }
  static Script* current_;
  std::deque<std::pair<std::string, Step>> steps_;
  std::vector<std::string> failures_;
  int waited_ = 0;
  bool busy_ = false, abandoned_ = false;
};
Script* Script::current_ = nullptr;

// A visible top-level window of this thread with the caption (other test
// programs under the same desktop may show windows of the same name).
HWND Top(const wchar_t* caption) {
  struct Search {
    const wchar_t* caption;
    HWND found;
  } search{caption, nullptr};
  ::EnumThreadWindows(
      ::GetCurrentThreadId(),
      [](HWND w, LPARAM lp) -> BOOL {
        auto* s = reinterpret_cast<Search*>(lp);
        if (!::IsWindowVisible(w) || Text(w) != s->caption) return TRUE;
        s->found = w;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// A simulated machine with the device page's side of a mount: the list
// model (its bus has the adapter selected), the program-wide iSCSI lists and
// a context bound to the windows.
class MountWindows : public ::testing::Test {
 protected:
  MountWindows() {
    fx.platform.clock = fx.machine->platform().clock;  // real discovery waits
    list.Create(600);
    BindMountWindows(ctx, nullptr);
  }
  sim::Slot SlotState(int slot) { return fx.State().slots[static_cast<size_t>(slot)]; }
  DeviceRecord Record(int slot) {
    DeviceRecord r;
    sim::Slot s = SlotState(slot);
    std::copy(s.record.begin(), s.record.begin() + std::min(s.record.size(), r.size()), r.data());
    return r;
  }
  int UsedSlots() {
    int n = 0;
    for (const auto& s : fx.State().slots) n += s.used;
    return n;
  }
  std::vector<std::u16string> Messages() {
    std::vector<std::u16string> out;
    for (const auto& s : fx.prompter.shown) out.push_back(s.text);
    return out;
  }
  std::u16string LastMessage() {
    auto m = Messages();
    return m.empty() ? u"(none)" : m.back();
  }
  const std::vector<DeviceRow>& Rows(uint32_t category) {
    list.SetCategory(category);
    list.Refresh(600);
    return list.rows();
  }
  // Steps that wait for the sheet on `index` and then act on the page.
  void OnPage(const std::string& name, int index, std::function<void(HWND sheet, HWND page)> act) {
    script.Add(name, [index, act] {
      HWND sheet = Top(L"Mount Device");
      if (!sheet || PageIndex(sheet) != index) return false;
      act(sheet, CurrentPage(sheet));
      return true;
    });
  }
  void Press(const std::string& name, int button) {
    script.Add(name, [button] {
      HWND sheet = Top(L"Mount Device");
      if (!sheet) return false;
      ::PostMessageW(sheet, PSM_PRESSBUTTON, static_cast<WPARAM>(button), 0);
      return true;
    });
  }

  testing::SimFixture fx;
  IscsiLists lists;
  IscsiDiscovery discovery{*fx.platform.sockets, lists, {}, fx.platform.code_page};
  DeviceListModel list{fx.platform};
  int refreshes = 0;  // of the device list, by the mount
  MountContext ctx{fx.platform, list.bus(), discovery, [this] { ++refreshes, list.Refresh(600); }, {}, {}, {}, {}};
  Script script;
};

// ---- Page rules in the windows (a modeless sheet) -------------------------

class WizardPages : public MountWindows {
 protected:
  void Open(int start, uint32_t type) {
    wizard = std::make_unique<MountWizard>(fx.platform, discovery, start, type);
    wizard->Start();
    sheet = std::make_unique<CAddTargetWizard>(*wizard, fx.platform, discovery);
    ASSERT_TRUE(sheet->Open(nullptr));
    // A cold Wine desktop may take a moment before the first page is there.
    for (int i = 0; i < 300 && !CurrentPage(sheet->m_hWnd); ++i) {
      Pump();
      ::Sleep(10);
    }
    Pump();
  }
  void TearDown() override {
    if (sheet && sheet->IsWindow()) sheet->DestroyWindow();
    Pump();
  }
  HWND page() const { return CurrentPage(sheet->m_hWnd); }
  int index() const { return PageIndex(sheet->m_hWnd); }
  void PressNow(int b) {
    sheet->PressButton(b);
    Pump();
  }
  std::unique_ptr<MountWizard> wizard;
  std::unique_ptr<CAddTargetWizard> sheet;
};

TEST_F(WizardPages, MovesFollowTheModelAndTheHeaderFollowsThePage) {
  Open(kPageSelectDevice, 0);
  EXPECT_EQ(index(), kPageSelectDevice);
  EXPECT_EQ(sheet->header().title(), L"Choose Device Type");
  EXPECT_NE(sheet->header().icon(), nullptr);  // the band shows the program's icon
  EXPECT_FALSE(ButtonShown(sheet->m_hWnd, kBackButton));  // page 0 offers Next only
  EXPECT_TRUE(ButtonShown(sheet->m_hWnd, kNextButton));
  // The pages sit below the band.
  EXPECT_GE(fw::CWindow(page()).GetRectInParent().top, CAddTargetWizard::kBandHeight);

  Click(page(), IDC_WIZ_RADIO_FIRST);  // Local Virtual Device
  PressNow(PSBTN_NEXT);
  EXPECT_EQ(index(), kPageSelectLocal);
  EXPECT_EQ(sheet->header().subtitle(), L"Select which type of image file do you want to mount.");
  // Back from page 5 shows page 4, the page added before it.
  PressNow(PSBTN_BACK);
  EXPECT_EQ(index(), kPageVirtualFolder);
  EXPECT_EQ(sheet->header().title(), L"Mount Virtual Folder");
  PressNow(PSBTN_NEXT);  // the folder page has no Next of its own: it stays
  PressNow(PSBTN_BACK);
  EXPECT_EQ(index(), kPageChap);

  // Each of the four local kinds leads to its page, which writes its type.
  const int pages[] = {kPageCd, kPageBurner, kPageImage, kPageVhd};
  const uint32_t types[] = {3, 4, 1, 2};
  for (int i = 0; i < 4; ++i) {
    ::SendMessageW(sheet->m_hWnd, kWmWizardGoTo, kPageSelectLocal, 0);
    Pump();
    ASSERT_EQ(index(), kPageSelectLocal);
    Click(page(), IDC_WIZ_RADIO_FIRST + i);
    PressNow(PSBTN_NEXT);
    EXPECT_EQ(index(), pages[i]);
    EXPECT_EQ(wizard->data.type(), types[i]);
    EXPECT_TRUE(ButtonShown(sheet->m_hWnd, kFinishButton));
  }
  // Back from the image page goes to page 5 (its own rule).
  ::SendMessageW(sheet->m_hWnd, kWmWizardGoTo, kPageImage, 0);
  Pump();
  PressNow(PSBTN_BACK);
  EXPECT_EQ(index(), kPageSelectLocal);
}

TEST_F(WizardPages, ImagePageSpinEnablingAndFinishChecks) {
  Open(kPageImage, 0);
  HWND p = page();
  HWND spin = ::GetDlgItem(p, IDC_WIZ_SPIN);
  EXPECT_EQ(ItemText(p, IDC_WIZ_SIZE), L"256");
  ::SendMessageW(spin, UDM_SETPOS32, 0, 0);
  ::SendMessageW(p, WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 0), reinterpret_cast<LPARAM>(spin));
  EXPECT_EQ(ItemText(p, IDC_WIZ_SIZE), L"16");
  ::SendMessageW(spin, UDM_SETPOS32, 0, 15);
  ::SendMessageW(p, WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 15), reinterpret_cast<LPARAM>(spin));
  EXPECT_EQ(ItemText(p, IDC_WIZ_SIZE), L"256");

  // Creating: size on, read-only off; opening: the other way round.
  EXPECT_TRUE(::IsWindowEnabled(::GetDlgItem(p, IDC_WIZ_SIZE)));
  EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(p, IDC_WIZ_READONLY)));
  Click(p, IDC_WIZ_OPEN);
  EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(p, IDC_WIZ_SIZE)));
  EXPECT_FALSE(::IsWindowEnabled(spin));
  EXPECT_TRUE(::IsWindowEnabled(::GetDlgItem(p, IDC_WIZ_READONLY)));
  Click(p, IDC_WIZ_CREATE);
  EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(p, IDC_WIZ_PASSWORD)));
  Click(p, IDC_WIZ_ENCRYPT);
  EXPECT_TRUE(::IsWindowEnabled(::GetDlgItem(p, IDC_WIZ_PASSWORD)));

  // An empty path, differing passwords and a size out of range keep the page.
  PressNow(PSBTN_FINISH);
  EXPECT_FALSE(sheet->IsFinished());
  EXPECT_EQ(LastMessage(), u"Please select a file to mount!");
  SetText(p, IDC_WIZ_PATH, L"c:\\disk.img");
  SetText(p, IDC_WIZ_PASSWORD, L"secret");
  SetText(p, IDC_WIZ_CONFIRM, L"Secret");
  PressNow(PSBTN_FINISH);
  EXPECT_FALSE(sheet->IsFinished());
  EXPECT_EQ(LastMessage(), u"Password and confirm password is not the same!");
  SetText(p, IDC_WIZ_CONFIRM, L"secret");
  SetText(p, IDC_WIZ_SIZE, L"8");
  PressNow(PSBTN_FINISH);
  EXPECT_FALSE(sheet->IsFinished());
  EXPECT_EQ(LastMessage(), u"Enter an integer between 16 and 65536.");
  SetText(p, IDC_WIZ_SIZE, L"32");
  PressNow(PSBTN_FINISH);
  EXPECT_TRUE(sheet->finished());
  EXPECT_EQ(wizard->image.size_mb(), 32u);
  EXPECT_EQ(wizard->image.password, u"secret");
}

TEST_F(WizardPages, VhdAllocateFollowsTheChoiceAndReadOnlyStays) {
  Open(kPageVhd, 0);
  HWND p = page();
  EXPECT_TRUE(::IsWindowEnabled(::GetDlgItem(p, IDC_WIZ_ALLOCATE)));
  EXPECT_TRUE(::IsWindowEnabled(::GetDlgItem(p, IDC_WIZ_READONLY)));
  Click(p, IDC_WIZ_OPEN);
  EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(p, IDC_WIZ_ALLOCATE)));
  EXPECT_TRUE(::IsWindowEnabled(::GetDlgItem(p, IDC_WIZ_READONLY)));
  EXPECT_EQ(::SendDlgItemMessageW(p, IDC_WIZ_PATH, EM_GETLIMITTEXT, 0, 0), 260);
}

TEST_F(WizardPages, BurnerSliderScalesAndKindSwitch) {
  Open(kPageBurner, 0);
  HWND p = page();
  HWND slider = ::GetDlgItem(p, IDC_WIZ_SLIDER);
  EXPECT_EQ(Text(p), L"Mount from a image file to CD/DVD-RW");
  EXPECT_EQ(::SendMessageW(slider, TBM_GETPOS, 0, 0), 670);
  EXPECT_EQ(::SendMessageW(slider, TBM_GETRANGEMAX, 0, 0), 700);
  // Switching to DVD moves the slider to 25 of 1..286 and keeps 670 MB.
  Click(p, IDC_WIZ_DVD);
  EXPECT_EQ(::SendMessageW(slider, TBM_GETPOS, 0, 0), 25);
  EXPECT_EQ(::SendMessageW(slider, TBM_GETRANGEMIN, 0, 0), 1);
  EXPECT_EQ(::SendMessageW(slider, TBM_GETRANGEMAX, 0, 0), 286);
  EXPECT_EQ(ItemText(p, IDC_WIZ_SIZE), L"670");
  ::SendMessageW(slider, TBM_SETPOS, TRUE, 286);
  ::SendMessageW(p, WM_HSCROLL, MAKEWPARAM(TB_THUMBTRACK, 286), reinterpret_cast<LPARAM>(slider));
  EXPECT_EQ(ItemText(p, IDC_WIZ_SIZE), L"654368");
  Click(p, IDC_WIZ_CD);
  EXPECT_EQ(::SendMessageW(slider, TBM_GETPOS, 0, 0), 670);
  EXPECT_EQ(ItemText(p, IDC_WIZ_SIZE), L"654368");  // until the slider moves
}

TEST_F(WizardPages, FolderPageEnablesTheSubFolderBox) {
  Open(kPageVirtualFolder, kTypeVirtualFolder);
  HWND p = page();
  EXPECT_EQ(ItemText(p, IDC_WIZ_FOLDER), L"c:\\");
  EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(p, IDC_WIZ_SUBFOLDER)));
  Click(p, IDC_WIZ_SUBFOLDER_CHECK);
  EXPECT_TRUE(::IsWindowEnabled(::GetDlgItem(p, IDC_WIZ_SUBFOLDER)));
  // A checked box with no name keeps the page.
  PressNow(PSBTN_FINISH);
  EXPECT_FALSE(sheet->IsFinished());
  EXPECT_EQ(LastMessage(), u"Folder name can't be empty.");
}

// ---- Local images end to end --------------------------------------------

TEST_F(MountWindows, ImageDiskWithPasswordThroughChoosePreferDisk) {
  std::u16string path = fx.folder.Win32Path("secret.img");
  script.Add("Choose Prefer Disk", [] {
    HWND w = Top(L"Choose Prefer Disk");
    if (!w) return false;
    ::CheckDlgButton(w, IDC_PREFER_DONT_ASK, BST_CHECKED);
    PostClick(w, IDC_PREFER_IMAGE);
    return true;
  });
  OnPage("image page", kPageImage, [&](HWND, HWND p) {
    HWND spin = ::GetDlgItem(p, IDC_WIZ_SPIN);
    ::SendMessageW(spin, UDM_SETPOS32, 0, 0);
    ::SendMessageW(p, WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 0), reinterpret_cast<LPARAM>(spin));
    SetText(p, IDC_WIZ_PATH, fw::ToWide(path));
    Click(p, IDC_WIZ_ENCRYPT);
    SetText(p, IDC_WIZ_PASSWORD, L"pass word");
    SetText(p, IDC_WIZ_CONFIRM, L"pass word");
  });
  Press("finish", PSBTN_FINISH);
  script.Run([&] { MountCommand(ctx, kCategoryVirtualDisk); });
  ASSERT_TRUE(SlotState(0).used);
  EXPECT_EQ(refreshes, 1);  // the list shows the new disk
  EXPECT_EQ(Record(0).device_type(), kImageDisk);
  EXPECT_TRUE(Record(0).has_password());
  EXPECT_EQ(Record(0).new_size(), 16u << 20);
  EXPECT_EQ(Rows(kCategoryVirtualDisk).size(), 1u);
  // The choice was stored: the next mount goes straight to the image page.
  ScopedRegKey key(*fx.platform.registry);
  uint32_t prefer = 9;
  ASSERT_EQ(fx.platform.registry->OpenKey(kHkeyLocalMachine, kClientKey, key.out()), kOk);
  ASSERT_EQ(fx.platform.registry->QueryDword(key.get(), u"PreferDisk", &prefer), kOk);
  EXPECT_EQ(prefer, 0u);

  ASSERT_EQ(list.bus().UnplugDevice(0), kOk);
  auto existing = [&](const wchar_t* password) {
    OnPage("image page again", kPageImage, [&, password](HWND, HWND p) {
      Click(p, IDC_WIZ_OPEN);
      SetText(p, IDC_WIZ_PATH, fw::ToWide(path));
      Click(p, IDC_WIZ_ENCRYPT);
      SetText(p, IDC_WIZ_PASSWORD, password);
      SetText(p, IDC_WIZ_CONFIRM, password);
    });
    Press("finish", PSBTN_FINISH);
    script.Run([&] { MountCommand(ctx, kCategoryVirtualDisk); });
  };
  existing(L"Xass word");
  EXPECT_EQ(LastMessage(), u"Can not mount this image file, password incorrect!");
  EXPECT_EQ(UsedSlots(), 0);
  existing(L"pass word");
  EXPECT_TRUE(SlotState(0).used);
  EXPECT_EQ(Rows(kCategoryVirtualDisk).size(), 1u);
}

TEST_F(MountWindows, VhdFromTheLocalPageAndCancelPlugsNothing) {
  OnPage("local kinds", kPageSelectLocal, [](HWND, HWND p) { Click(p, IDC_WIZ_RADIO_FIRST + 3); });
  Press("next", PSBTN_NEXT);
  OnPage("vhd page", kPageVhd, [&](HWND, HWND p) {
    SetText(p, IDC_WIZ_PATH, fw::ToWide(fx.folder.Win32Path("disk.vhd")));
    Click(p, IDC_WIZ_ALLOCATE);
  });
  Press("finish", PSBTN_FINISH);
  script.Run([&] { MountCommand(ctx, kCategoryAll); });
  ASSERT_TRUE(SlotState(0).used);
  EXPECT_EQ(Record(0).device_type(), kVhdDisk);
  EXPECT_EQ(Record(0).new_size(), 256u << 20);
  EXPECT_EQ(Rows(kCategoryAll).size(), 1u);

  Press("cancel", PSBTN_CANCEL);
  script.Run([&] { MountCommand(ctx, kCategoryCdDvd); });
  EXPECT_EQ(UsedSlots(), 1);
}

TEST_F(MountWindows, IsoIsListedWithItsLetterAndABurnerAsDvd) {
  std::filesystem::path iso = fx.folder.path() / "disc.iso";
  std::ofstream(iso, std::ios::binary) << std::string(1 << 20, 'x');
  OnPage("cd page", kPageCd, [&](HWND, HWND p) { SetText(p, IDC_WIZ_PATH, fw::ToWide(fx.folder.Win32Path("disc.iso"))); });
  Press("finish", PSBTN_FINISH);
  script.Run([&] { MountCommand(ctx, kCategoryCdDvd); });
  ASSERT_TRUE(SlotState(0).used);
  EXPECT_EQ(Record(0).device_type(), kCdRom);
  const auto& rows = Rows(kCategoryCdDvd);
  ASSERT_EQ(rows.size(), 1u);
  bool letter = false;
  for (const auto& t : rows[0].texts) letter |= t.size() == 2 && t[1] == u':' && t[0] >= u'D';
  EXPECT_TRUE(letter);

  OnPage("burner page", kPageBurner, [&](HWND, HWND p) {
    Click(p, IDC_WIZ_DVD);
    HWND slider = ::GetDlgItem(p, IDC_WIZ_SLIDER);
    ::SendMessageW(slider, TBM_SETPOS, TRUE, 10);
    ::SendMessageW(p, WM_HSCROLL, MAKEWPARAM(TB_ENDTRACK, 0), reinterpret_cast<LPARAM>(slider));
    SetText(p, IDC_WIZ_PATH, fw::ToWide(fx.folder.Win32Path("burn.iso")));
  });
  Press("finish", PSBTN_FINISH);
  script.Run([&] { MountCommand(ctx, kCategoryBurner); });
  ASSERT_TRUE(SlotState(1).used);
  EXPECT_EQ(Record(1).device_type(), kCdBurner);
  EXPECT_EQ(Record(1).disc_kind(), 1u);
  EXPECT_EQ(Record(1).burner_new_size(), uint64_t{800} << 20);
  EXPECT_EQ(Rows(kCategoryBurner).size(), 1u);
}

// ---- iSCSI through the portal manager, and a virtual folder ---------------

uint16_t TgtPort() {
  const char* p = std::getenv("TW_TGT_PORT");
  return static_cast<uint16_t>(p ? std::atoi(p) : 0);
}

TEST_F(MountWindows, IscsiTargetFoundThroughThePortalManager) {
  if (!TgtPort()) GTEST_SKIP() << "TW_TGT_PORT is not set (the tgt peer fixture)";
  const std::wstring port = std::to_wstring(TgtPort());
  OnPage("target page, empty", kPageChooseTarget, [](HWND, HWND p) {
    EXPECT_EQ(::SendDlgItemMessageW(p, IDC_TARGET_PORTAL, CB_GETCOUNT, 0, 0), 0);
    PostClick(p, IDC_TARGET_MANAGE);
  });
  for (int round = 0; round < 2; ++round) {
    script.Add("portal manager", [] {
      HWND w = Top(L"Portal Manager");
      if (!w) return false;
      PostClick(w, IDC_PORTAL_ADD);
      return true;
    });
    script.Add("add host", [port] {
      HWND w = Top(L"Add Host");
      if (!w) return false;
      EXPECT_EQ(ItemText(w, IDC_HOST_PORT), L"3260");
      SetText(w, IDC_HOST_NAME, L"127.0.0.1");
      SetText(w, IDC_HOST_PORT, port);
      PostClick(w, IDOK);
      return true;
    });
  }
  script.Add("portal manager lists it", [] {
    HWND w = Top(L"Portal Manager");
    if (!w || Top(L"Add Host")) return false;
    HWND lv = ::GetDlgItem(w, IDC_PORTAL_LIST);
    if (ListView_GetItemCount(lv) != 1) return false;
    PostClick(w, IDOK);
    return true;
  });
  // The target page refills its portal list from the portal manager.
  script.Add("target page refilled", [] {
    HWND sheet = Top(L"Mount Device");
    return sheet && PageIndex(sheet) == kPageChooseTarget &&
           ::SendDlgItemMessageW(CurrentPage(sheet), IDC_TARGET_PORTAL, CB_GETCOUNT, 0, 0) == 1;
  });
  OnPage("target page, filled", kPageChooseTarget, [](HWND sheet, HWND p) {
    HWND lv = ::GetDlgItem(p, IDC_TARGET_LIST);
    ASSERT_GE(ListView_GetItemCount(lv), 2);
    ListView_SetCheckState(lv, 0, TRUE);
    ListView_SetCheckState(lv, 1, TRUE);
    EXPECT_FALSE(ListView_GetCheckState(lv, 0));  // at most one
    EXPECT_TRUE(ListView_GetCheckState(lv, 1));
    EXPECT_TRUE(ButtonShown(sheet, kNextButton));
    Click(p, IDC_TARGET_NEED_CHAP);  // off: Finish
    EXPECT_TRUE(ButtonShown(sheet, kFinishButton));
    EXPECT_FALSE(ButtonShown(sheet, kNextButton));
  });
  Press("finish", PSBTN_FINISH);
  script.Run([&] { MountCommand(ctx, kCategoryIscsi); });
  EXPECT_EQ(Messages(), std::vector<std::u16string>{u"Host already exists!"});
  ASSERT_TRUE(SlotState(1).used);  // iSCSI mounts leave slot 0 alone
  DeviceRecord r = Record(1);
  EXPECT_EQ(r.device_type(), kTypeSharedIscsiDisk);  // finished on the target page
  EXPECT_EQ(r.target_name().rfind("iqn.2026-01.test.tarnwick:", 0), 0u) << r.target_name();
  EXPECT_EQ(r.user_name(), "");
  EXPECT_EQ(Rows(kCategoryIscsi).size(), 1u);
  // The portal was saved.
  EXPECT_EQ(ReadRegisteredPortals(*fx.platform.registry).size(), 1u);
}

TEST_F(MountWindows, VirtualFolderThroughTargetChapAndFolderPages) {
  if (!TgtPort()) GTEST_SKIP() << "TW_TGT_PORT is not set (the tgt peer fixture)";
  ScopedRegKey key(*fx.platform.registry);
  ASSERT_EQ(fx.platform.registry->CreateKey(kHkeyLocalMachine, std::u16string(kPortalsKey) + u"\\Portal0", key.out()), kOk);
  fx.platform.registry->SetString(key.get(), u"Address", u"127.0.0.1");
  fx.platform.registry->SetString(key.get(), u"Port", U16(std::to_string(TgtPort())));
  std::filesystem::create_directories(fx.folder.path() / "mnt");
  OnPage("target page", kPageChooseTarget, [](HWND sheet, HWND p) {
    HWND lv = ::GetDlgItem(p, IDC_TARGET_LIST);
    ASSERT_GE(ListView_GetItemCount(lv), 1);
    ListView_SetCheckState(lv, 0, TRUE);
    Click(p, IDC_TARGET_NEED_CHAP);  // off: a folder goes straight to its page
    EXPECT_TRUE(ButtonShown(sheet, kNextButton));
  });
  Press("next", PSBTN_NEXT);
  OnPage("folder page without CHAP", kPageVirtualFolder, [](HWND sheet, HWND) {
    EXPECT_TRUE(ButtonShown(sheet, kFinishButton));
  });
  // Back goes through the CHAP page, the page before the folder page.
  Press("back to the chap page", PSBTN_BACK);
  OnPage("chap page on the way back", kPageChap, [](HWND sheet, HWND) {
    ::PostMessageW(sheet, PSM_PRESSBUTTON, PSBTN_BACK, 0);
  });
  // Back on the target page the buttons follow its box again (Next, not the
  // pages' Finish), and the box is as it was left.
  OnPage("target page again", kPageChooseTarget, [](HWND sheet, HWND p) {
    EXPECT_EQ(::IsDlgButtonChecked(p, IDC_TARGET_NEED_CHAP), static_cast<UINT>(BST_UNCHECKED));
    EXPECT_TRUE(ButtonShown(sheet, kNextButton));
    EXPECT_FALSE(ButtonShown(sheet, kFinishButton));
    Click(p, IDC_TARGET_NEED_CHAP);  // on again: the CHAP page comes first
    EXPECT_EQ(::IsDlgButtonChecked(p, IDC_TARGET_NEED_CHAP), static_cast<UINT>(BST_CHECKED));
    // Each showing discovers again and refills the list, unchecked.
    HWND lv = ::GetDlgItem(p, IDC_TARGET_LIST);
    ASSERT_GE(ListView_GetItemCount(lv), 1);
    EXPECT_FALSE(ListView_GetCheckState(lv, 0));
    ListView_SetCheckState(lv, 0, TRUE);
    EXPECT_TRUE(ButtonShown(sheet, kNextButton));
  });
  Press("next", PSBTN_NEXT);
  OnPage("chap page", kPageChap, [](HWND sheet, HWND p) {
    EXPECT_TRUE(ButtonShown(sheet, kNextButton));
    SetText(p, IDC_CHAP_USER, L"user");
  });
  Press("next", PSBTN_NEXT);
  OnPage("folder page", kPageVirtualFolder, [&](HWND, HWND p) {
    SetText(p, IDC_WIZ_FOLDER, fw::ToWide(fx.folder.Win32Path("mnt")));
    Click(p, IDC_WIZ_SUBFOLDER_CHECK);
    SetText(p, IDC_WIZ_SUBFOLDER, L"v");
    Click(p, IDC_WIZ_KEEP_CONTENT);
  });
  Press("finish", PSBTN_FINISH);
  script.Run([&] { MountCommand(ctx, kCategoryFolders); });
  EXPECT_TRUE(Messages().empty()) << std::string(Messages().front().begin(), Messages().front().end());
  auto volumes = fx.State().volumes;
  ASSERT_EQ(volumes.size(), 1u);
  EXPECT_NE(volumes[0].mount_point.find("mnt\\v\\"), std::string::npos) << volumes[0].mount_point;
  EXPECT_TRUE(volumes[0].file_system.empty());  // kept its content: no format
  EXPECT_TRUE(std::filesystem::is_directory(fx.folder.path() / "mnt" / "v"));
  EXPECT_EQ(Rows(kCategoryFolders).size(), 1u);
}

// ---- Cloud and NFS --------------------------------------------------------

TEST_F(MountWindows, CloudDiskAgainstTheLocalService) {
  if (!std::getenv(kCloudHostVariable)) GTEST_SKIP() << "no local verification service";
  auto account = [&](const wchar_t* user, const wchar_t* password) {
    script.Add("cloud dialog", [user, password] {
      HWND w = Top(L"Mount Cloud Disk");
      if (!w) return false;
      EXPECT_EQ(ItemText(w, IDC_CLOUD_USER), L"");
      SetText(w, IDC_CLOUD_USER, user);
      SetText(w, IDC_CLOUD_PASSWORD, password);
      PostClick(w, IDOK);
      return true;
    });
    script.Run([&] { MountCommand(ctx, kCategoryCloud); });
  };
  account(L"alice", L"wrong");
  EXPECT_EQ(LastMessage(), u"Couldn't logon to Velthorn cloud space.\r\n");
  EXPECT_EQ(UsedSlots(), 0);
  EXPECT_EQ(refreshes, 0);  // a failed mount leaves the list alone
  account(L"alice", L"s3cret w");
  EXPECT_EQ(LastMessage(), u"Mounted successfully.");
  EXPECT_EQ(refreshes, 1);
  ASSERT_TRUE(SlotState(1).used);
  EXPECT_EQ(Record(1).device_type(), 21);
  EXPECT_EQ(Record(1).target_name(), "disk7");
  EXPECT_EQ(Rows(kCategoryCloud).size(), 1u);
}

TEST_F(MountWindows, NfsShareOfASimulatedServer) {
  fx.Change([](sim::MachineState& s) {
    sim::NfsServer server;
    server.address = "127.0.0.1";
    server.port = 2049;
    server.exports = {"\\export\\home", "\\data"};
    s.nfs_servers.push_back(server);
  });
  script.Add("empty registry", [] {
    HWND w = Top(L"Mount Pellowen");
    if (!w) return false;
    EXPECT_EQ(::SendDlgItemMessageW(w, IDC_NFS_SERVER, CB_GETCOUNT, 0, 0), 0);
    EXPECT_EQ(ItemText(w, IDC_NFS_PORT), L"6260");
    EXPECT_EQ(ItemText(w, IDC_NFS_DRIVE), L"Z:");
    EXPECT_EQ(::IsDlgButtonChecked(w, IDC_NFS_PERSISTENT), BST_CHECKED);
    SetText(w, IDC_NFS_SERVER, L"127.0.0.1");
    SetText(w, IDC_NFS_PORT, L"70000");
    PostClick(w, IDOK);  // out of range: stays
    return true;
  });
  script.Add("refresh the exports", [] {
    HWND w = Top(L"Mount Pellowen");
    if (!w) return false;
    SetText(w, IDC_NFS_PORT, L"2049");
    Click(w, IDC_NFS_REFRESH);
    EXPECT_EQ(::SendDlgItemMessageW(w, IDC_NFS_PATH, CB_GETCOUNT, 0, 0), 2);
    ::SendDlgItemMessageW(w, IDC_NFS_PATH, CB_SETCURSEL, 1, 0);
    PostClick(w, IDOK);
    return true;
  });
  script.Run([&] { MountCommand(ctx, kCategoryNfs); });
  EXPECT_EQ(Messages(), std::vector<std::u16string>{u"Enter an integer between 1 and 65535."});
  const auto& rows = Rows(kCategoryNfs);
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].texts[0].substr(0, 2), u"Z:");

  // Now the server is listed: picking it copies its port.
  std::vector<ServerEntry> servers = ReadServerList(fx.platform);
  ASSERT_EQ(servers.size(), 1u);
  RecordUsedServer(fx.platform, u"10.0.0.7", 7000);
  script.Add("pick a server", [] {
    HWND w = Top(L"Mount Pellowen");
    if (!w) return false;
    EXPECT_EQ(::SendDlgItemMessageW(w, IDC_NFS_SERVER, CB_GETCOUNT, 0, 0), 2);
    EXPECT_EQ(ItemText(w, IDC_NFS_PORT), L"6260");
    EXPECT_EQ(ItemText(w, IDC_NFS_DRIVE), L"Y:");  // Z: is taken now
    ::SendDlgItemMessageW(w, IDC_NFS_SERVER, CB_SETCURSEL, 1, 0);
    ::SendMessageW(w, WM_COMMAND, MAKEWPARAM(IDC_NFS_SERVER, CBN_SELCHANGE),
                   reinterpret_cast<LPARAM>(::GetDlgItem(w, IDC_NFS_SERVER)));
    EXPECT_EQ(ItemText(w, IDC_NFS_PORT), L"2049");
    PostClick(w, IDCANCEL);
    return true;
  });
  script.Run([&] { MountCommand(ctx, kCategoryNfs); });
}

// ---- Both languages --------------------------------------------------------

// A string table entry in one language ("" when there is none).
std::wstring TableString(UINT id, LANGID lang) {
  HMODULE inst = ::GetModuleHandleW(nullptr);
  HRSRC r = ::FindResourceExW(inst, RT_STRING, MAKEINTRESOURCEW(id / 16 + 1), lang);
  if (!r) return L"";
  auto* p = static_cast<const WCHAR*>(::LockResource(::LoadResource(inst, r)));
  DWORD size = ::SizeofResource(inst, r) / sizeof(WCHAR), at = 0;
  for (UINT i = 0; i < 16 && at < size; ++i) {
    DWORD n = p[at++];
    if (i == id % 16) return std::wstring(p + at, n);
    at += n;
  }
  return L"";
}

BOOL CALLBACK CollectText(HWND w, LPARAM lp) {
  wchar_t cls[32] = {};
  ::GetClassNameW(w, cls, 32);
  std::wstring t = Text(w);
  if (!t.empty() && lstrcmpiW(cls, L"Edit") && lstrcmpiW(cls, L"ComboBox"))
    reinterpret_cast<std::vector<std::wstring>*>(lp)->push_back(t);
  return TRUE;
}

TEST(MountWindowTexts, EveryTextOfTheTemplatesHasAChineseVersion) {
  const LANGID en = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);
  const LANGID zh = MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED);
  std::map<std::wstring, std::wstring> table;
  for (UINT id = IDS_MOUNT_FIRST; id < 60000; ++id) {
    std::wstring e = TableString(id, en);
    if (e.empty()) continue;
    std::wstring z = TableString(id, zh);
    EXPECT_FALSE(z.empty()) << "no Chinese entry for " << id;
    table[e] = z;
  }
  ASSERT_GT(table.size(), 100u);
  // The pages are child templates: they need a parent.
  HWND parent = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  for (UINT dialog : {IDD_MOUNT_SELECT_DEVICE, IDD_MOUNT_SELECT_LOCAL, IDD_MOUNT_IMAGE, IDD_MOUNT_VHD, IDD_MOUNT_CD,
                      IDD_MOUNT_BURNER, IDD_MOUNT_FOLDER, IDD_CHOOSE_PREFER_DISK, IDD_CHOOSE_TARGET, IDD_SET_CHAP,
                      IDD_PORTAL_MANAGER, IDD_ADD_HOST, IDD_MOUNT_CLOUD, IDD_MOUNT_NFS}) {
    HWND d = ::CreateDialogParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(dialog), parent,
                                  [](HWND, UINT, WPARAM, LPARAM) -> INT_PTR { return FALSE; }, 0);
    ASSERT_TRUE(d) << dialog;
    std::vector<std::wstring> texts{Text(d)};
    ::EnumChildWindows(d, CollectText, reinterpret_cast<LPARAM>(&texts));
    ::DestroyWindow(d);
    for (const auto& t : texts)
      if (t != L"CD" && t != L"R") {
        EXPECT_TRUE(table.count(t)) << "template " << dialog << ": no string for the text";
      }
  }
  ::DestroyWindow(parent);
}

}  // namespace
}  // namespace tw::ui

int main(int argc, char** argv) {
  tw::fw::CApp::InitCommonControls(ICC_WIN95_CLASSES | ICC_LINK_CLASS);
  ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  tw::ui::LoadTranslations();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
