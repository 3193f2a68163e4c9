// The framework driven in-process under Wine: windows, message maps,
// dialogs from templates, data exchange, wizard sheets, menu routing and
// images from resources.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/validation.h"
#include "framework/app.h"
#include "framework/controls.h"
#include "framework/dialog.h"
#include "framework/image.h"
#include "framework/menu.h"
#include "framework/property_sheet.h"
#include "framework/testdata/framework_test_ids.h"

namespace tw::fw {
namespace {

class RecordingPrompter : public Prompter {
 public:
  std::vector<std::u16string> messages;
  int ShowMessage(const std::u16string& text, const std::u16string&, unsigned) override {
    messages.push_back(text);
    return kIdOk;
  }
};

void Pump() {
  MSG m;
  while (::PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
    ::TranslateMessage(&m);
    ::DispatchMessageW(&m);
  }
}

// ---- Windows and message maps -------------------------------------------

constexpr UINT kPing = WM_APP + 1;
constexpr UINT kPass = WM_APP + 2;

class CPingWindow : public CWindow {
 public:
  int pings = 0, passes = 0, child_commands = 0, finals = 0;
  TW_BEGIN_MSG_MAP(CPingWindow, CWindow)
    TW_MSG(kPing, OnPing)
    TW_MSG(kPass, OnPass)
  TW_END_MSG_MAP()
  LRESULT OnPing(WPARAM wp, LPARAM) {
    ++pings;
    return static_cast<LRESULT>(wp * 2);
  }
  LRESULT OnPass(WPARAM, LPARAM) {
    ++passes;
    SetMsgHandled(false);  // DefWindowProc answers 0 for an application message
    return 77;
  }

 protected:
  void OnFinalMessage(HWND) override { ++finals; }
};

class CReflectedButton : public CButton {
 public:
  int clicks = 0;
  TW_BEGIN_MSG_MAP(CReflectedButton, CButton)
    TW_MSG(kOcmBase + WM_COMMAND, OnReflected)
  TW_END_MSG_MAP()
  LRESULT OnReflected(WPARAM wp, LPARAM) {
    if (HIWORD(wp) == BN_CLICKED) ++clicks;
    return 0;
  }
};

TEST(Window, MessageMapDefaultReflectionAndFinalMessage) {
  CPingWindow w;
  ASSERT_TRUE(w.Create(nullptr, RECT{0, 0, 200, 100}, L"ping", WS_OVERLAPPEDWINDOW));
  EXPECT_EQ(CWindow::FromHandle(w.m_hWnd), &w);
  EXPECT_EQ(w.SendMessageW(kPing, 21), 42);
  EXPECT_EQ(w.pings, 1);
  EXPECT_EQ(w.SendMessageW(kPass), 0);  // passed on, so the handler's 77 is dropped
  EXPECT_EQ(w.passes, 1);

  CReflectedButton b;
  ASSERT_TRUE(b.CreateControl(L"BUTTON", w.m_hWnd, RECT{5, 5, 80, 30}, L"Go", WS_CHILD | BS_PUSHBUTTON, 0, 7));
  b.Click();
  EXPECT_EQ(b.clicks, 1);

  // A window object that dies first leaves no dangling pointer.
  {
    CPingWindow short_lived;
    short_lived.CreateControl(L"STATIC", w.m_hWnd, RECT{0, 0, 10, 10}, L"", WS_CHILD, 0, 8);
    HWND h = short_lived.m_hWnd;
    short_lived.UnsubclassWindow();
    EXPECT_EQ(CWindow::FromHandle(h), nullptr);
    ::DestroyWindow(h);
  }
  HWND h = w.m_hWnd;
  w.DestroyWindow();
  EXPECT_FALSE(::IsWindow(h));
  EXPECT_EQ(w.m_hWnd, nullptr);
  EXPECT_EQ(w.finals, 1);
}

std::vector<std::wstring> ArgumentsOf(const wchar_t* command_line) {
  struct ArgsApp : CApp {
    bool InitInstance() override { return false; }
  } app;
  app.Run(nullptr, command_line, SW_SHOWNORMAL);
  return app.arguments();
}

TEST(Window, CommandLineSplitsLikeTheRuntime) {
  EXPECT_EQ(ArgumentsOf(L"-a"), (std::vector<std::wstring>{L"-a"}));
  EXPECT_EQ(ArgumentsOf(L"  -A   x "), (std::vector<std::wstring>{L"-A", L"x"}));
  // A first argument is not a program name: backslashes before a quote count.
  EXPECT_EQ(ArgumentsOf(L"\"C:\\Program Files\\x.exe\" -a"),
            (std::vector<std::wstring>{L"C:\\Program Files\\x.exe", L"-a"}));
  EXPECT_EQ(ArgumentsOf(L"a\\\\\"b c\" d"), (std::vector<std::wstring>{L"a\\b c", L"d"}));
  EXPECT_TRUE(ArgumentsOf(L"").empty());
  EXPECT_TRUE(ArgumentsOf(nullptr).empty());
}

// ---- Dialogs and data exchange -----------------------------------------

// The way a page checks a number: the field's rule from the portable core,
// the failure through the exchange (message, focus, the pass stopped).
void CheckInt(CDataExchange& dx, int id, int min, int max) {
  long long v = 0;
  if (dx.failed() || !dx.saving() || !dx.Control(id)) return;
  if (!ParseIntegerField(FromWide(ItemText(dx.dialog()->m_hWnd, id)), min, max, &v)) dx.Fail(IntegerRangeMessage(min, max));
}

class CExchangeDialog : public CDialog {
 public:
  CExchangeDialog() : CDialog(IDD_EXCHANGE) {}
  std::wstring name = L"disk";
  std::wstring number = L"5";
  int inits = 0;
  BOOL OnInitDialog() override {
    ++inits;
    return CDialog::OnInitDialog();
  }
  void DoDataExchange(CDataExchange& dx) override {
    DDX_Text(dx, IDC_NAME, name, 8);
    CheckInt(dx, IDC_NUMBER, 1, 100);
    DDX_Text(dx, IDC_NUMBER, number);
  }
};

TEST(Dialogs, ModelessExchangeLoadsSavesAndRejects) {
  RecordingPrompter prompter;
  CExchangeDialog d;
  d.SetPrompter(&prompter);
  ASSERT_TRUE(d.CreateModeless());
  EXPECT_EQ(d.inits, 1);
  EXPECT_EQ(ItemText(d, IDC_NAME), L"disk");
  EXPECT_EQ(ItemText(d, IDC_NUMBER), L"5");
  EXPECT_EQ(::SendDlgItemMessageW(d, IDC_NAME, EM_GETLIMITTEXT, 0, 0), 8);

  ::SetDlgItemTextW(d, IDC_NAME, L"image");
  ::SetDlgItemTextW(d, IDC_NUMBER, L" 42 ");
  ASSERT_TRUE(d.UpdateData(true));
  EXPECT_EQ(d.name, L"image");
  EXPECT_EQ(d.number, L" 42 ");
  EXPECT_TRUE(prompter.messages.empty());

  // Out of range: the standard message, the focus on the edit, nothing
  // after it stored.
  ::SetDlgItemTextW(d, IDC_NUMBER, L"101");
  EXPECT_FALSE(d.UpdateData(true));
  ASSERT_EQ(prompter.messages.size(), 1u);
  EXPECT_EQ(prompter.messages[0], u"Enter an integer between 1 and 100.");
  EXPECT_EQ(::GetFocus(), d.GetDlgItem(IDC_NUMBER));
  EXPECT_EQ(d.number, L" 42 ");
  ::SetDlgItemTextW(d, IDC_NUMBER, L"4x");
  EXPECT_FALSE(d.UpdateData(true));
  EXPECT_EQ(prompter.messages.back(), u"Enter an integer between 1 and 100.");

  // A text longer than its limit (set behind the limit's back) is refused, not cut.
  ::SetDlgItemTextW(d, IDC_NUMBER, L"7");
  ::SetDlgItemTextW(d, IDC_NAME, L"much-too-long");
  EXPECT_FALSE(d.UpdateData(true));
  EXPECT_EQ(prompter.messages.back(), u"Enter no more than 8 characters.");
  EXPECT_EQ(d.name, L"image");

  // Texts are read whole, however long.
  const std::wstring long_text(5000, L'x');
  ::SetDlgItemTextW(d, IDC_NUMBER, long_text.c_str());
  EXPECT_EQ(ItemText(d, IDC_NUMBER), long_text);
  EXPECT_EQ(ItemText(d, 4242), L"");

  // OK with bad data keeps the dialog; Cancel ends it.
  d.SendMessageW(WM_COMMAND, IDOK);
  EXPECT_TRUE(d.IsWindowVisible() || d.IsWindow());
  d.DestroyWindow();
}

// Drives a modal dialog from a timer: the modal loop dispatches it.
struct ModalScript {
  static ModalScript* current;
  std::vector<std::wstring> numbers;  // typed in turn, OK pressed after each
  size_t step = 0;
  bool cancel_at_end = false;
  bool saw_visible = false;
  static void CALLBACK Tick(HWND, UINT, UINT_PTR id, DWORD) {
    ModalScript* s = current;
    HWND dlg = ::FindWindowW(nullptr, L"Exchange");
    if (!dlg) return;
    s->saw_visible = s->saw_visible || ::IsWindowVisible(dlg);
    if (s->step < s->numbers.size()) {
      ::SetDlgItemTextW(dlg, IDC_NUMBER, s->numbers[s->step++].c_str());
      ::PostMessageW(dlg, WM_COMMAND, IDOK, 0);
    } else {
      ::KillTimer(nullptr, id);
      ::PostMessageW(dlg, WM_COMMAND, s->cancel_at_end ? IDCANCEL : IDOK, 0);
    }
  }
};
ModalScript* ModalScript::current = nullptr;

TEST(Dialogs, ModalOkAfterAFailedTryAndCancel) {
  RecordingPrompter prompter;
  ModalScript script;
  script.numbers = {L"0", L"64"};
  ModalScript::current = &script;
  CExchangeDialog d;
  d.SetPrompter(&prompter);
  UINT_PTR t = ::SetTimer(nullptr, 0, 20, &ModalScript::Tick);
  EXPECT_EQ(d.DoModal(), IDOK);
  ::KillTimer(nullptr, t);
  EXPECT_EQ(prompter.messages.size(), 1u);
  EXPECT_EQ(d.number, L"64");
  EXPECT_EQ(d.m_hWnd, nullptr);

  ModalScript cancel;
  cancel.numbers = {L"99"};
  cancel.cancel_at_end = true;
  ModalScript::current = &cancel;
  CExchangeDialog d2;
  d2.SetPrompter(&prompter);
  t = ::SetTimer(nullptr, 0, 20, &ModalScript::Tick);
  // OK with 99 succeeds first: the script's second step never runs.
  EXPECT_EQ(d2.DoModal(), IDOK);
  ::KillTimer(nullptr, t);
  EXPECT_EQ(d2.number, L"99");
}

TEST(Dialogs, ModalLoopOnAHiddenModelessDialogNeverShowsIt) {
  CExchangeDialog d;
  ASSERT_TRUE(d.CreateModeless());
  EXPECT_FALSE(d.IsWindowVisible());
  ModalScript script;
  ModalScript::current = &script;
  UINT_PTR t = ::SetTimer(nullptr, 0, 20, &ModalScript::Tick);
  // FindWindow sees hidden windows too, so the script can end the loop.
  EXPECT_EQ(d.RunModalLoop(), IDOK);
  ::KillTimer(nullptr, t);
  EXPECT_FALSE(script.saw_visible);
  EXPECT_TRUE(d.IsWindow());
  d.DestroyWindow();
}

// ---- Wizard sheets ----------------------------------------------------

struct WizardLog {
  std::vector<std::string> events;
};

class CTestPage : public CPropertyPage {
 public:
  CTestPage(UINT id, WizardLog* log, const char* name) : CPropertyPage(id), log_(log), name_(name) {}
  LRESULT next_result = 0;
  int value = 1;
  bool finish_allowed = true;
  BOOL OnSetActive() override {
    log_->events.push_back(std::string("active ") + name_);
    DWORD buttons = PSWIZB_NEXT;
    if (sheet()->page(0) != this) buttons |= PSWIZB_BACK;
    if (sheet()->page(sheet()->page_count() - 1) == this) buttons = PSWIZB_BACK | PSWIZB_FINISH;
    sheet()->SetWizardButtons(buttons);
    return TRUE;
  }
  LRESULT OnWizardNext() override { return next_result; }
  BOOL OnWizardFinish() override {
    log_->events.push_back(std::string("finish ") + name_);
    return finish_allowed;
  }
  void DoDataExchange(CDataExchange& dx) override {
    CheckInt(dx, IDC_PAGE_EDIT, 1, 9);
    std::wstring text = std::to_wstring(value);
    DDX_Text(dx, IDC_PAGE_EDIT, text);
    if (dx.saving() && !dx.failed()) value = std::stoi(text);
  }

 private:
  WizardLog* log_;
  const char* name_;
};

TEST(Wizard, NextBackJumpValidationAndFinish) {
  RecordingPrompter prompter;
  WizardLog log;
  CTestPage p1(IDD_PAGE1, &log, "one"), p2(IDD_PAGE2, &log, "two"), p3(IDD_PAGE3, &log, "three");
  p1.SetPrompter(&prompter);
  p2.SetPrompter(&prompter);
  CPropertySheet sheet(L"Mount Device", true);
  sheet.AddPage(&p1);
  sheet.AddPage(&p2);
  sheet.AddPage(&p3);
  ASSERT_TRUE(sheet.CreateModeless());
  ASSERT_TRUE(sheet.IsWindow());
  Pump();
  EXPECT_EQ(sheet.GetActiveIndex(), 0);
  EXPECT_EQ(log.events.front(), "active one");

  // Bad data on the page keeps it.
  ::SetDlgItemTextW(p1, IDC_PAGE_EDIT, L"12");
  sheet.PressButton(PSBTN_NEXT);
  Pump();
  EXPECT_EQ(sheet.GetActiveIndex(), 0);
  EXPECT_EQ(prompter.messages.back(), u"Enter an integer between 1 and 9.");

  ::SetDlgItemTextW(p1, IDC_PAGE_EDIT, L"3");
  p1.next_result = -1;  // stay: the page is not even left, so nothing is stored
  sheet.PressButton(PSBTN_NEXT);
  Pump();
  EXPECT_EQ(sheet.GetActiveIndex(), 0);
  EXPECT_EQ(p1.value, 1);

  p1.next_result = 0;
  sheet.PressButton(PSBTN_NEXT);
  Pump();
  EXPECT_EQ(sheet.GetActiveIndex(), 1);
  EXPECT_EQ(p1.value, 3);
  // Back goes to the page added before.
  sheet.PressButton(PSBTN_BACK);
  Pump();
  EXPECT_EQ(sheet.GetActiveIndex(), 0);

  // A page id jumps over the page between.
  p1.next_result = IDD_PAGE3;
  sheet.PressButton(PSBTN_NEXT);
  Pump();
  EXPECT_EQ(sheet.GetActiveIndex(), 2);
  EXPECT_EQ(sheet.GetActivePage(), &p3);
  EXPECT_TRUE(sheet.SetActivePage(1));
  Pump();
  EXPECT_EQ(sheet.GetActiveIndex(), 1);
  EXPECT_TRUE(sheet.SetActivePageById(IDD_PAGE3));
  Pump();
  EXPECT_EQ(sheet.GetActiveIndex(), 2);

  p3.finish_allowed = false;
  sheet.PressButton(PSBTN_FINISH);
  Pump();
  EXPECT_FALSE(sheet.IsFinished());
  p3.finish_allowed = true;
  sheet.PressButton(PSBTN_FINISH);
  Pump();
  EXPECT_TRUE(sheet.IsFinished());
  EXPECT_EQ(log.events.back(), "finish three");
  if (sheet.IsWindow()) sheet.DestroyWindow();
}

// ---- Control wrappers ------------------------------------------------------

TEST(Controls, WrappersForwardToTheirControls) {
  CPingWindow host;
  ASSERT_TRUE(host.Create(nullptr, RECT{0, 0, 400, 300}, L"controls", WS_POPUP));
  auto make = [&](const wchar_t* cls, DWORD style, int id) {
    return ::CreateWindowExW(0, cls, L"", WS_CHILD | WS_VISIBLE | style, 0, 0, 120, 24, host,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
  };
  CSpinButtonCtrl spin;
  spin.Attach(make(UPDOWN_CLASSW, 0, 1));
  spin.SetRange(-5, 500);
  spin.SetPos(700);  // clamped by the control
  EXPECT_EQ(spin.GetPos(), 500);
  CSliderCtrl slider;
  slider.Attach(make(TRACKBAR_CLASSW, 0, 2));
  slider.SetRange(10, 20);
  slider.SetPos(15);
  EXPECT_EQ(slider.GetPos(), 15);
  slider.SetPos(99);
  EXPECT_EQ(slider.GetPos(), 20);
  CProgressBarCtrl progress;
  progress.Attach(make(PROGRESS_CLASSW, 0, 3));
  progress.SetRange(0, 4);
  progress.SetPos(3);
  EXPECT_EQ(progress.GetPos(), 3);
  CEdit edit;
  edit.Attach(make(L"EDIT", 0, 4));
  edit.SetLimitText(3);
  EXPECT_EQ(edit.SendMessageW(EM_GETLIMITTEXT), 3);
  CComboBox combo;
  combo.Attach(make(L"COMBOBOX", CBS_DROPDOWNLIST, 5));
  combo.AddString(L"one");
  combo.AddString(L"two");
  combo.SetCurSel(1);
  EXPECT_EQ(combo.GetCount(), 2);
  EXPECT_EQ(combo.GetItemText(combo.GetCurSel()), L"two");
  EXPECT_EQ(combo.GetItemText(7), L"");
  CListViewCtrl list;
  list.Attach(make(WC_LISTVIEWW, LVS_REPORT, 6));
  list.InsertColumn(0, L"Name", 60);
  list.InsertColumn(1, L"Size", 60);
  EXPECT_EQ(list.InsertItem(0, L"disk"), 0);
  EXPECT_TRUE(list.SetItemText(0, 1, L"8 GB"));
  EXPECT_TRUE(list.SetItemData(0, 0xF0000003));
  EXPECT_EQ(list.GetItemText(0, 1), L"8 GB");
  EXPECT_EQ(static_cast<unsigned long>(list.GetItemData(0)), 0xF0000003ul);
  CHeaderCtrl header;
  header.Attach(list.GetHeader());
  EXPECT_EQ(header.GetItemCount(), 2);
  EXPECT_EQ(header.GetItemText(1), L"Size");
  // SysLink is a common controls 6 class: the test program's manifest asks for it.
  CLinkCtrl link;
  link.Attach(make(WC_LINK, 0, 7));
  ASSERT_NE(link.m_hWnd, nullptr);
  link.SetText(L"<a>home</a>");
  EXPECT_TRUE(link.SetItemUrl(0, L"http://127.0.0.1/"));
  host.DestroyWindow();
}

// ---- Owner-drawn menu routing and images --------------------------------

class CCountingMenu : public COwnerDrawMenu {
 public:
  int measured = 0, drawn = 0;
  ULONG_PTR data = 0;
  HMENU menu = ::CreatePopupMenu();
  CCountingMenu() {
    RegisterMenuHandle(menu);
    data = reinterpret_cast<ULONG_PTR>(this) + 1;
    RegisterItemData(data);
  }
  ~CCountingMenu() override { ::DestroyMenu(menu); }
  void MeasureItem(HWND, MEASUREITEMSTRUCT* mis) override {
    ++measured;
    mis->itemHeight = 19;
  }
  void DrawItem(DRAWITEMSTRUCT*) override { ++drawn; }
};

TEST(Menus, OwnerDrawMessagesReachTheMenuObject) {
  CPingWindow owner;
  ASSERT_TRUE(owner.Create(nullptr, RECT{0, 0, 100, 100}, L"owner", WS_POPUP));
  {
    CCountingMenu menu;
    MEASUREITEMSTRUCT mis{};
    mis.CtlType = ODT_MENU;
    mis.itemData = menu.data;
    EXPECT_TRUE(owner.SendMessageW(WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&mis)));
    EXPECT_EQ(menu.measured, 1);
    EXPECT_EQ(mis.itemHeight, 19u);
    DRAWITEMSTRUCT dis{};
    dis.CtlType = ODT_MENU;
    dis.hwndItem = reinterpret_cast<HWND>(menu.menu);
    owner.SendMessageW(WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&dis));
    EXPECT_EQ(menu.drawn, 1);
  }
  // Once the menu object is gone nothing is routed to it.
  MEASUREITEMSTRUCT stale{};
  stale.CtlType = ODT_MENU;
  stale.itemData = 12345;
  EXPECT_FALSE(owner.SendMessageW(WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&stale)));
  owner.DestroyWindow();
}

TEST(Images, PngsByNameAndByNumberDecodeAtTheirSize) {
  CGdiPlusSession gdiplus;
  ASSERT_TRUE(gdiplus.ok());
  auto png = LoadNamedImage(L"TEST_PNG", 2011);
  ASSERT_NE(png, nullptr);
  EXPECT_EQ(png->GetWidth(), 18u);
  EXPECT_EQ(png->GetHeight(), 18u);
  auto bg = LoadNumberedImage(141, 24);
  ASSERT_NE(bg, nullptr);
  EXPECT_EQ(bg->GetWidth(), 800u);
  EXPECT_EQ(bg->GetHeight(), 480u);
  EXPECT_EQ(LoadNamedImage(L"NO_SUCH.PNG", 2011), nullptr);
  EXPECT_EQ(LoadNamedImage(L"", 2011), nullptr);
  EXPECT_EQ(LoadNumberedImage(999, 24), nullptr);
}

}  // namespace
}  // namespace tw::fw

int main(int argc, char** argv) {
  tw::fw::CApp::InitCommonControls(ICC_WIN95_CLASSES);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
