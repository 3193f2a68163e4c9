// The snapshot windows under Wine, end to end: the commands run with the
// real runners on the simulated machine, a thread timer drives the modal
// dialogs as a user would, and the machine's snapshot tree is checked.
#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <string>

#include "devices/snapshots/snapshot_messages.h"
#include "devices/snapshots/snapshot_test_support.h"
#include "devices/snapshots/win/snapshot_manager_dlg.h"
#include "devices/snapshots/win/snapshot_windows.h"
#include "framework/app.h"
#include "resources/resource_ids.h"
#include "ui/win/localize.h"

namespace tw::ui {
namespace {

using R = SnapshotCommandResult;

// Steps run one per timer tick while a modal loop runs; a step that returns
// false is tried again on the next tick (its window is not up yet).
class ModalScript {
 public:
  using Step = std::function<bool()>;
  explicit ModalScript(std::deque<Step> steps) : steps_(std::move(steps)) {
    current_ = this;
    timer_ = ::SetTimer(nullptr, 0, 15, &ModalScript::Tick);
  }
  ~ModalScript() {
    ::KillTimer(nullptr, timer_);
    current_ = nullptr;
  }
  bool finished() const { return steps_.empty(); }

 private:
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    ModalScript* s = current_;
    if (!s || s->steps_.empty() || s->busy_) return;
    // A step may start a nested loop (a message box); ticks meanwhile wait.
    s->busy_ = true;
    Step step = s->steps_.front();
    if (step()) s->steps_.pop_front();
    s->busy_ = false;
  }
  static inline ModalScript* current_ = nullptr;
  std::deque<Step> steps_;
  UINT_PTR timer_ = 0;
  bool busy_ = false;
};

HWND FindDialog(const wchar_t* caption) {
  HWND h = ::FindWindowW(L"#32770", caption);
  return h && ::IsWindowVisible(h) ? h : nullptr;
}

CSnapshotManagerDlg* Manager() {
  HWND h = FindDialog(L"Snapshot Manager");
  return h ? dynamic_cast<CSnapshotManagerDlg*>(fw::CWindow::FromHandle(h)) : nullptr;
}

using fw::ItemText;

bool Enabled(HWND dlg, int id) { return ::IsWindowEnabled(::GetDlgItem(dlg, id)) != FALSE; }

// Types into a box as the keyboard does (replacing its text): a multi-line
// box tells nothing of WM_SETTEXT.
void Type(HWND dlg, int id, const wchar_t* text) {
  HWND box = ::GetDlgItem(dlg, id);
  ::SendMessageW(box, EM_SETSEL, 0, -1);
  ::SendMessageW(box, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text));
}

void Click(HWND dlg, int id) { ::SendMessageW(dlg, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(dlg, id))); }

// A click on the middle of a node's box, where the view shows it now.
void ClickNode(CSnapshotManagerDlg* m, int node) {
  Rect b = m->view().scale().Px(m->model().tree().Box(node));
  int x = (b.left + b.right) / 2 - m->view().scroller().x();
  int y = (b.top + b.bottom) / 2 - m->view().scroller().y();
  m->view().SendMessageW(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
  m->view().SendMessageW(WM_LBUTTONUP, 0, MAKELPARAM(x, y));
}

int NodeNamed(const SnapshotTree& t, const std::u16string& name) {
  for (size_t i = 0; i < t.size(); ++i)
    if (t.node(static_cast<int>(i)).name == name) return static_cast<int>(i);
  return kNoNode;
}

std::u16string SelectedName(CSnapshotManagerDlg* m) { return m->model().tree().node(m->model().tree().selected()).name; }

// Reads pixels of what the view paints.
class Canvas {
 public:
  Canvas(int w, int h) {
    HDC screen = ::GetDC(nullptr);
    dc_ = ::CreateCompatibleDC(screen);
    bmp_ = ::CreateCompatibleBitmap(screen, w, h);
    ::ReleaseDC(nullptr, screen);
    old_ = ::SelectObject(dc_, bmp_);
  }
  ~Canvas() {
    ::SelectObject(dc_, old_);
    ::DeleteObject(bmp_);
    ::DeleteDC(dc_);
  }
  HDC dc() const { return dc_; }
  COLORREF At(int x, int y) const { return ::GetPixel(dc_, x, y); }

 private:
  HDC dc_;
  HBITMAP bmp_;
  HGDIOBJ old_;
};

// Notes the pointer the user sees whenever a message comes up.
class CursorNotingPrompter final : public Prompter {
 public:
  explicit CursorNotingPrompter(Prompter& inner) : inner_(inner) {}
  int ShowMessage(const std::u16string& text, const std::u16string& caption, unsigned style) override {
    cursors.push_back(::GetCursor());
    return inner_.ShowMessage(text, caption, style);
  }
  std::vector<HCURSOR> cursors;

 private:
  Prompter& inner_;
};

class SnapshotWindowsTest : public ::testing::Test, public testing::SnapshotMachine {
 protected:
  // Opens the manager on `slot`, runs `steps` in it, and closes it with
  // "Close" when they are done.
  SnapshotCommandOutcome RunManager(int slot, std::deque<ModalScript::Step> steps) {
    steps.push_back([] {
      CSnapshotManagerDlg* m = Manager();
      if (m) Click(*m, IDCANCEL);
      return m != nullptr;
    });
    ModalScript script(std::move(steps));
    SnapshotCommandOutcome o = OpenSnapshotManager(platform, static_cast<uint32_t>(slot), SnapshotManagerRunner(nullptr));
    EXPECT_TRUE(script.finished());
    return o;
  }
  // Three snapshots: "Monday" with the children "Tuesday" and "Wednesday";
  // the disk runs on "Wednesday".
  void ThreeSnapshots(int slot) {
    AddSnapshot(slot, 1, 0, "Monday", "first");
    AddSnapshot(slot, 2, 1, "Tuesday", "second");
    AddSnapshot(slot, 3, 1, "Wednesday", "third");
    SetCurrent(slot, 3);
  }
};

// ---- The Snapshot Manager --------------------------------------------------

TEST_F(SnapshotWindowsTest, WithoutSnapshotsTwoNodesAndATakeFromThePresentState) {
  PlugImage(0);
  bool checked = false;
  SnapshotCommandOutcome o = RunManager(0, {
      [&] {
        CSnapshotManagerDlg* m = Manager();
        if (!m) return false;
        const SnapshotTree& t = m->model().tree();
        EXPECT_EQ(t.size(), 2u);
        EXPECT_EQ(t.selected(), t.present_state());
        EXPECT_FALSE(Enabled(*m, IDC_SNAP_GOTO));
        EXPECT_FALSE(Enabled(*m, IDC_SNAP_DELETE));
        EXPECT_FALSE(Enabled(*m, IDC_SNAP_MERGE));
        EXPECT_TRUE(Enabled(*m, IDC_SNAP_TAKE));
        EXPECT_EQ(ItemText(*m, IDC_SNAP_NAME), L"");
        EXPECT_EQ(::GetFocus(), m->view().m_hWnd);
        EXPECT_EQ(::SendDlgItemMessageW(*m, IDC_SNAP_NAME, EM_GETLIMITTEXT, 0, 0), 31);
        EXPECT_EQ(::SendDlgItemMessageW(*m, IDC_SNAP_DESCRIPTION, EM_GETLIMITTEXT, 0, 0), 1023);
        // An empty name is refused before anything is sent.
        Click(*m, IDC_SNAP_TAKE);
        EXPECT_EQ(Texts().back(), kMsgInputName);
        Type(*m, IDC_SNAP_NAME, L"Clean install");
        Type(*m, IDC_SNAP_DESCRIPTION, L"before the update");
        Click(*m, IDC_SNAP_TAKE);
        EXPECT_EQ(Texts().back(), kMsgCreateDone);
        // Rebuilt: the new snapshot is current and the present state hangs under it.
        EXPECT_EQ(t.size(), 3u);
        int made = NodeNamed(t, u"Clean install");
        if (made == kNoNode) return true;
        EXPECT_EQ(t.node(made).kind, SnapshotNodeKind::kCurrentSnapshot);
        EXPECT_EQ(t.node(t.present_state()).parent, made);
        // The same name again is refused.
        Type(*m, IDC_SNAP_NAME, L"Clean install");
        Click(*m, IDC_SNAP_TAKE);
        EXPECT_EQ(Texts().back(), kMsgDuplicateName);
        checked = true;
        return true;
      }});
  EXPECT_EQ(o.result, R::kDone);
  ASSERT_TRUE(checked);
  // Taken from the present state: identifier 0, byte argument 1.
  int takes = 0;
  for (const testing::SentCdb& c : Sent())
    if (c.op == kScsiOpTakeSnapshot) {
      ++takes;
      EXPECT_EQ(c.id, 0u);
      EXPECT_EQ(c.byte_argument, 1);
    }
  EXPECT_EQ(takes, 1);
  sim::MachineState s = State();
  ASSERT_EQ(s.slots[0].snapshots.size(), 1u);
  EXPECT_EQ(s.slots[0].snapshots[0].name, "Clean install");
  EXPECT_EQ(s.slots[0].snapshots[0].description, "before the update");
  // The manager's disk handle is closed with the command.
  EXPECT_EQ(io->open_handles, 0);
}

TEST_F(SnapshotWindowsTest, ClicksAndArrowKeysSelectTheNodesTheLayoutPutsThere) {
  PlugImage(1);
  ThreeSnapshots(1);
  bool checked = false;
  RunManager(1, {[&] {
    CSnapshotManagerDlg* m = Manager();
    if (!m) return false;
    const SnapshotTree& t = m->model().tree();
    EXPECT_EQ(t.size(), 5u);
    // A snapshot with children: no go-to, no delete; merge as the driver says.
    ClickNode(m, NodeNamed(t, u"Monday"));
    EXPECT_EQ(SelectedName(m), u"Monday");
    EXPECT_EQ(ItemText(*m, IDC_SNAP_NAME), L"Monday");
    EXPECT_EQ(ItemText(*m, IDC_SNAP_DESCRIPTION), L"first");
    EXPECT_FALSE(Enabled(*m, IDC_SNAP_GOTO));
    EXPECT_FALSE(Enabled(*m, IDC_SNAP_DELETE));
    EXPECT_TRUE(Enabled(*m, IDC_SNAP_MERGE));
    // A leaf that is not current: go-to and delete.
    ClickNode(m, NodeNamed(t, u"Tuesday"));
    EXPECT_EQ(SelectedName(m), u"Tuesday");
    EXPECT_TRUE(Enabled(*m, IDC_SNAP_GOTO));
    EXPECT_TRUE(Enabled(*m, IDC_SNAP_DELETE));
    // The root cannot be selected; an empty cell selects nothing.
    ClickNode(m, t.root());
    EXPECT_EQ(SelectedName(m), u"Tuesday");
    m->view().SendMessageW(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(600, 150));
    EXPECT_EQ(SelectedName(m), u"Tuesday");
    // Keys: Left to the parent, never to the root; Right to the main line.
    m->view().SendMessageW(WM_KEYDOWN, VK_LEFT, 0);
    EXPECT_EQ(SelectedName(m), u"Monday");
    m->view().SendMessageW(WM_KEYDOWN, VK_LEFT, 0);
    EXPECT_EQ(SelectedName(m), u"Monday");
    m->view().SendMessageW(WM_KEYDOWN, VK_RIGHT, 0);
    EXPECT_EQ(SelectedName(m), u"Tuesday");
    // The view takes the arrow keys from the dialog manager.
    EXPECT_TRUE(m->view().SendMessageW(WM_GETDLGCODE) & DLGC_WANTARROWS);
    // The hand over nodes, the arrow over the root and over nothing.
    Rect b = t.Box(NodeNamed(t, u"Tuesday"));
    EXPECT_EQ(m->view().CursorAt({(b.left + b.right) / 2, (b.top + b.bottom) / 2}), ::LoadCursorW(nullptr, IDC_HAND));
    Rect r = t.Box(t.root());
    EXPECT_EQ(m->view().CursorAt({(r.left + r.right) / 2, (r.top + r.bottom) / 2}), ::LoadCursorW(nullptr, IDC_ARROW));
    EXPECT_EQ(m->view().CursorAt({600, 150}), ::LoadCursorW(nullptr, IDC_ARROW));
    // At 200 %: the boxes are twice as far apart, the 96-DPI middle of
    // Tuesday's box lies in Monday's, and the bars are twice as wide.
    m->view().SendMessageW(WM_DPICHANGED_AFTERPARENT, 192);
    ClickNode(m, NodeNamed(t, u"Tuesday"));
    EXPECT_EQ(SelectedName(m), u"Tuesday");
    m->view().SendMessageW(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM((b.left + b.right) / 2, (b.top + b.bottom) / 2));
    EXPECT_EQ(SelectedName(m), u"Monday");
    const ViewportLayout& v = m->view().scroller().layout();
    EXPECT_EQ(v.drawing.width, 2 * (t.Extent().width + kExtentMargin));
    RECT bar{};
    ::GetWindowRect(m->view().vertical_bar(), &bar);
    EXPECT_EQ(bar.right - bar.left, 2 * kScrollBarSize);
    m->view().SendMessageW(WM_DPICHANGED_AFTERPARENT, 96);
    ClickNode(m, NodeNamed(t, u"Tuesday"));
    EXPECT_EQ(SelectedName(m), u"Tuesday");
    checked = true;
    return true;
  }});
  EXPECT_TRUE(checked);
}

TEST_F(SnapshotWindowsTest, AnEditedNameIsStoredBeforeTheNextNodeShowsAndACleardNameIsRefusedOnClose) {
  PlugImage(2);
  ThreeSnapshots(2);
  std::wstring shown_when_switched;
  RunManager(2, {[&] {
    CSnapshotManagerDlg* m = Manager();
    if (!m) return false;
    const SnapshotTree& t = m->model().tree();
    ClickNode(m, NodeNamed(t, u"Tuesday"));
    Type(*m, IDC_SNAP_NAME, L"Tuesday night");
    EXPECT_TRUE(m->model().edited());
    ClickNode(m, NodeNamed(t, u"Monday"));
    shown_when_switched = ItemText(*m, IDC_SNAP_NAME);
    // The tree shows the stored name at once.
    EXPECT_NE(NodeNamed(t, u"Tuesday night"), kNoNode);
    // Now clear Monday's name and close.
    Type(*m, IDC_SNAP_NAME, L"");
    return true;
  }});
  EXPECT_EQ(shown_when_switched, L"Monday");
  sim::MachineState s = State();
  EXPECT_EQ(Find(s, 2, 2)->name, "Tuesday night");
  EXPECT_EQ(Find(s, 2, 2)->description, "second");
  EXPECT_EQ(Texts().back(), kMsgNameNone);
  EXPECT_EQ(Find(s, 2, 1)->name, "Monday");
}

TEST_F(SnapshotWindowsTest, GoToDeleteAndMergeThroughTheButtons) {
  PlugImage(3);
  ThreeSnapshots(3);
  Change([](sim::MachineState& s) { s.held_open.insert("D:"); });
  CursorNotingPrompter noting(prompter);
  platform.prompter = &noting;
  const HCURSOR wait = ::LoadCursorW(nullptr, IDC_WAIT);
  RunManager(3, {[&] {
    CSnapshotManagerDlg* m = Manager();
    if (!m) return false;
    const SnapshotTree& t = m->model().tree();
    // A held-open volume: the lock fails, nothing changes.
    ClickNode(m, NodeNamed(t, u"Tuesday"));
    prompter.answers = {kIdYes};
    Click(*m, IDC_SNAP_GOTO);
    EXPECT_EQ(Texts().back(), kMsgLockFailed);
    // The question comes before the wait; the lock's failure during it.
    EXPECT_EQ(noting.cursors.size(), 2u);
    EXPECT_NE(noting.cursors.front(), wait);
    EXPECT_EQ(noting.cursors.back(), wait);
    EXPECT_NE(::GetCursor(), wait);
    EXPECT_EQ(State().slots[3].current, 3u);
    EXPECT_EQ(t.node(t.present_state()).parent, NodeNamed(t, u"Wednesday"));
    EXPECT_EQ(SelectedName(m), u"Tuesday");
    // Released: the go-to goes through and the tree follows.
    Change([](sim::MachineState& s) { s.held_open.clear(); });
    prompter.answers = {kIdYes};
    Click(*m, IDC_SNAP_GOTO);
    EXPECT_EQ(State().slots[3].current, 2u);
    EXPECT_EQ(t.node(t.present_state()).parent, NodeNamed(t, u"Tuesday"));
    EXPECT_EQ(t.node(NodeNamed(t, u"Tuesday")).kind, SnapshotNodeKind::kCurrentSnapshot);
    // "No" to the delete question keeps the snapshot; "Yes" deletes it.
    ClickNode(m, NodeNamed(t, u"Wednesday"));
    EXPECT_TRUE(Enabled(*m, IDC_SNAP_DELETE));
    prompter.answers = {kIdNo};
    Click(*m, IDC_SNAP_DELETE);
    EXPECT_NE(NodeNamed(t, u"Wednesday"), kNoNode);
    prompter.answers = {kIdYes};
    Click(*m, IDC_SNAP_DELETE);
    EXPECT_EQ(NodeNamed(t, u"Wednesday"), kNoNode);
    EXPECT_EQ(Find(State(), 3, 3), nullptr);
    // Merge asks first and reports the driver's answer.
    ClickNode(m, NodeNamed(t, u"Monday"));
    prompter.answers = {kIdYes};
    Click(*m, IDC_SNAP_MERGE);
    EXPECT_EQ(Texts().back(), kMsgMergeDone);
    // Committed: "Tuesday" now hangs from the base image.
    EXPECT_EQ(NodeNamed(t, u"Monday"), kNoNode);
    EXPECT_EQ(t.node(NodeNamed(t, u"Tuesday")).parent, t.root());
    return true;
  }});
  EXPECT_EQ(CountOp(kScsiOpMergeSnapshot), 1);
  EXPECT_EQ(CountOp(kScsiOpRevert), 1);
}

TEST_F(SnapshotWindowsTest, ScrollingATreeWiderAndTallerThanTheWindow) {
  PlugImage(4);
  // A main line of 12 snapshots, each with two branches: wide and tall.
  uint64_t id = 1;
  uint64_t parent = 0;
  for (int i = 0; i < 12; ++i) {
    uint64_t main = id++;
    AddSnapshot(4, main, parent, "m" + std::to_string(i));
    AddSnapshot(4, id, main, "a" + std::to_string(i));
    ++id;
    AddSnapshot(4, id, main, "b" + std::to_string(i));
    ++id;
    parent = main;
  }
  SetCurrent(4, parent);
  RunManager(4, {[&] {
    CSnapshotManagerDlg* m = Manager();
    if (!m) return false;
    CSnapshotView& v = m->view();
    const SnapshotTree& t = m->model().tree();
    const ViewportLayout& l = v.scroller().layout();
    EXPECT_TRUE(l.horizontal_bar && l.vertical_bar);
    EXPECT_TRUE(::IsWindowVisible(v.horizontal_bar()) && ::IsWindowVisible(v.vertical_bar()));
    RECT hb, vb;
    ::GetClientRect(v.horizontal_bar(), &hb);
    ::GetClientRect(v.vertical_bar(), &vb);
    EXPECT_EQ(hb.bottom, kScrollBarSize);
    EXPECT_EQ(vb.right, kScrollBarSize);
    // Lines of 32 pixels, pages of 65 across and 195 down, clamped at the ends.
    v.SendMessageW(WM_VSCROLL, SB_LINEDOWN, reinterpret_cast<LPARAM>(v.vertical_bar()));
    EXPECT_EQ(v.scroller().y(), 32);
    v.SendMessageW(WM_VSCROLL, SB_PAGEDOWN, reinterpret_cast<LPARAM>(v.vertical_bar()));
    EXPECT_EQ(v.scroller().y(), std::min(227, l.max_y));
    v.SendMessageW(WM_HSCROLL, SB_PAGEDOWN, reinterpret_cast<LPARAM>(v.horizontal_bar()));
    EXPECT_EQ(v.scroller().x(), 65);
    v.SendMessageW(WM_HSCROLL, SB_LINEUP, reinterpret_cast<LPARAM>(v.horizontal_bar()));
    EXPECT_EQ(v.scroller().x(), 33);
    for (int i = 0; i < 100; ++i) v.SendMessageW(WM_HSCROLL, SB_PAGEDOWN, reinterpret_cast<LPARAM>(v.horizontal_bar()));
    EXPECT_EQ(v.scroller().x(), l.max_x);
    EXPECT_EQ(::GetScrollPos(v.horizontal_bar(), SB_CTL), l.max_x);
    // Scrolled, a click still lands on the node drawn under the pointer.
    ClickNode(m, NodeNamed(t, u"b11"));
    EXPECT_EQ(SelectedName(m), u"b11");
    // Keys bring the node they select into view.
    v.SendMessageW(WM_HSCROLL, SB_LEFT, reinterpret_cast<LPARAM>(v.horizontal_bar()));
    v.SendMessageW(WM_VSCROLL, SB_TOP, reinterpret_cast<LPARAM>(v.vertical_bar()));
    EXPECT_EQ(v.scroller().x(), 0);
    v.SendMessageW(WM_KEYDOWN, VK_LEFT, 0);
    EXPECT_EQ(SelectedName(m), u"m11");
    Rect b = t.Box(t.selected());
    Rect vis = v.scroller().Visible();
    EXPECT_TRUE(b.left >= vis.left && b.right <= vis.right && b.top >= vis.top && b.bottom <= vis.bottom);
    return true;
  }});
}

TEST_F(SnapshotWindowsTest, TheSelectedBoxIsDarkBlueWithTheFocusAndGreyWithout) {
  PlugImage(5);
  ThreeSnapshots(5);
  RunManager(5, {[&] {
    CSnapshotManagerDlg* m = Manager();
    if (!m) return false;
    const SnapshotTree& t = m->model().tree();
    ClickNode(m, NodeNamed(t, u"Monday"));
    CSnapshotView& v = m->view();
    Rect b = t.Box(t.selected());
    Rect other = t.Box(NodeNamed(t, u"Tuesday"));
    Canvas c(800, 600);
    v.Paint(c.dc());
    EXPECT_EQ(c.At(b.left + 1, b.bottom - 2), RGB(10, 36, 106));
    EXPECT_EQ(c.At(other.left + 1, other.bottom - 2), RGB(255, 255, 255));
    // The node's picture is drawn in its box (not all white, not all fill).
    Point at = t.PictureOrigin(t.selected(), 32);
    bool picture = false;
    for (int y = at.y + 4; y < at.y + 28 && !picture; ++y)
      for (int x = at.x + 4; x < at.x + 28 && !picture; ++x)
        picture = c.At(x, y) != RGB(10, 36, 106);
    EXPECT_TRUE(picture);
    // The name is white on the fill.
    bool white_text = false;
    Rect tr = t.TextRect(t.selected());
    for (int y = tr.top; y < tr.bottom && !white_text; ++y)
      for (int x = tr.left; x < tr.right && !white_text; ++x) white_text = c.At(x, y) == RGB(255, 255, 255);
    EXPECT_TRUE(white_text);
    ::SetFocus(::GetDlgItem(*m, IDC_SNAP_NAME));
    v.Paint(c.dc());
    EXPECT_EQ(c.At(b.left + 1, b.bottom - 2), RGB(212, 208, 200));
    // Its own scroll bar holding the focus counts as the view's.
    ::SetFocus(v.horizontal_bar());
    EXPECT_TRUE(v.HasFocus());
    return true;
  }});
}

// ---- The device page's commands -------------------------------------------

TEST_F(SnapshotWindowsTest, CreateSnapshotDialogTakesWithTheTypedTexts) {
  PlugImage(6);
  {
    ModalScript script({[] {
      HWND d = FindDialog(L"Create Snapshot");
      if (!d) return false;
      EXPECT_EQ(::SendDlgItemMessageW(d, IDC_CREATE_NAME, EM_GETLIMITTEXT, 0, 0), 31);
      EXPECT_EQ(::SendDlgItemMessageW(d, IDC_CREATE_DESCRIPTION, EM_GETLIMITTEXT, 0, 0), 1023);
      ::SetDlgItemTextW(d, IDC_CREATE_NAME, L"Before upgrade");
      ::SetDlgItemTextW(d, IDC_CREATE_DESCRIPTION, L"line one\r\nline two");
      Click(d, IDOK);
      return true;
    }});
    EXPECT_EQ(TakeSnapshotOfDevice(platform, 6, CreateSnapshotDialogRunner(nullptr)).result, R::kDone);
    EXPECT_TRUE(script.finished());
  }
  EXPECT_EQ(Texts().back(), kMsgTakeDone);
  sim::MachineState s = State();
  ASSERT_EQ(s.slots[6].snapshots.size(), 1u);
  EXPECT_EQ(s.slots[6].snapshots[0].name, "Before upgrade");
  EXPECT_EQ(s.slots[6].snapshots[0].description, "line one\r\nline two");
  {
    ModalScript cancel({[] {
      HWND d = FindDialog(L"Create Snapshot");
      if (!d) return false;
      ::SetDlgItemTextW(d, IDC_CREATE_NAME, L"never");
      Click(d, IDCANCEL);
      return true;
    }});
    EXPECT_EQ(TakeSnapshotOfDevice(platform, 6, CreateSnapshotDialogRunner(nullptr)).result, R::kStopped);
  }
  EXPECT_EQ(State().slots[6].snapshots.size(), 1u);
}

TEST_F(SnapshotWindowsTest, ChangeChapSecretDialogAndAFailedChangeTellsTheUser) {
  PlugIscsi(7, "alice", "old-secret");
  auto type = [](const wchar_t* old_s, const wchar_t* name, const wchar_t* new_s) {
    return [=] {
      HWND d = FindDialog(L"Change CHAP Secret");
      if (!d) return false;
      // The secrets are masked, as every password box of the product; the name is not.
      auto masked = [d](int id) { return (::GetWindowLongW(::GetDlgItem(d, id), GWL_STYLE) & ES_PASSWORD) != 0; };
      EXPECT_TRUE(masked(IDC_OLD_SECRET));
      EXPECT_TRUE(masked(IDC_NEW_SECRET));
      EXPECT_FALSE(masked(IDC_CHAP_NAME));
      ::SetDlgItemTextW(d, IDC_OLD_SECRET, old_s);
      ::SetDlgItemTextW(d, IDC_CHAP_NAME, name);
      ::SetDlgItemTextW(d, IDC_NEW_SECRET, new_s);
      Click(d, IDOK);
      return true;
    };
  };
  {
    ModalScript script({type(L"old-secret", L"bob", L"new-secret")});
    EXPECT_EQ(ChangeDeviceSecret(platform, 7, ChangeSecretDialogRunner(nullptr)).result, R::kDone);
  }
  EXPECT_TRUE(prompter.shown.empty());
  EXPECT_EQ(State().slots[7].chap_user, "bob");
  EXPECT_EQ(State().slots[7].chap_secret, "new-secret");
  {
    ModalScript script({type(L"wrong", L"bob", L"other")});
    EXPECT_EQ(ChangeDeviceSecret(platform, 7, ChangeSecretDialogRunner(nullptr)).result, R::kFailed);
  }
  EXPECT_EQ(Texts().back(), u"Change CHAP secret error 2");
  EXPECT_EQ(State().slots[7].chap_secret, "new-secret");
}

// The messages of a real prompter belong to the manager while it is up,
// and to the main window again after.
TEST_F(SnapshotWindowsTest, MessagesOfTheManagerAreOwnedByIt) {
  PlugImage(0);
  LocalizedPrompter real(reinterpret_cast<HWND>(0));
  platform.prompter = &real;
  HWND owner_seen = nullptr, manager = nullptr;
  std::wstring text_seen;
  {
    ModalScript script({[&] {
                          CSnapshotManagerDlg* m = Manager();
                          if (!m) return false;
                          manager = *m;
                          // Posted: the message box must not run inside this tick.
                          ::PostMessageW(*m, WM_COMMAND, IDC_SNAP_TAKE, 0);  // empty name: a message box
                          return true;
                        },
                        [&] {
                          HWND box = FindDialog(L"Tarnwick Pro");
                          if (!box) return false;
                          owner_seen = ::GetWindow(box, GW_OWNER);
                          text_seen = ItemText(box, 0xFFFF);
                          ::SendMessageW(box, WM_COMMAND, IDOK, 0);
                          return true;
                        },
                        [&] {
                          CSnapshotManagerDlg* m = Manager();
                          if (m) Click(*m, IDCANCEL);
                          return m != nullptr;
                        }});
    OpenSnapshotManager(platform, 0, SnapshotManagerRunner(nullptr));
    EXPECT_TRUE(script.finished());
  }
  EXPECT_EQ(owner_seen, manager);
  EXPECT_EQ(text_seen, L"You should input snapshot name!");
  EXPECT_EQ(real.owner(), nullptr);
}

// Every text the windows and the commands show has a Chinese version.
TEST(SnapshotStrings, EveryTextHasAChineseVersion) {
  HINSTANCE inst = ::GetModuleHandleW(nullptr);
  auto block = [&](LANGID lang, int id) {
    std::vector<std::u16string> out(16);
    HRSRC r = ::FindResourceExW(inst, RT_STRING, MAKEINTRESOURCEW(id / 16 + 1), lang);
    if (!r) return out;
    auto* p = static_cast<const WCHAR*>(::LockResource(::LoadResource(inst, r)));
    for (int i = 0; i < 16; ++i) {
      WORD n = *p++;
      out[i].assign(reinterpret_cast<const char16_t*>(p), n);
      p += n;
    }
    return out;
  };
  Translator table;
  for (int id = IDS_SNAP_FIRST; id < 60500; id += 16) {
    auto en = block(MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), id);
    auto zh = block(MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED), id);
    for (int i = 0; i < 16; ++i)
      if (!en[i].empty()) {
        EXPECT_FALSE(zh[i].empty()) << fw::ToWide(en[i]).c_str();
        if (!zh[i].empty()) table.Add(en[i], zh[i]);
      }
  }
  for (const char16_t* text :
       {kMsgTakeDone, kMsgTakeError, kMsgRevertQuestion, kCaptionAreYouSure, kMsgRevertDone, kMsgRevertError,
        kMsgLockFailed, kMsgChangeSecretError, kMsgSecretTooLong, kMsgSecretNotInCodePage, kMsgInputName,
        kMsgDuplicateName, kMsgCreateDone, kMsgGoToQuestion, kMsgCannotRevert, kMsgMergeQuestion, kCaptionQuestion,
        kMsgMergeDone, kMsgMergeError, kMsgDeleteQuestion, kMsgDeleteError, kMsgNameNone, kBaseImageText,
        kPresentStateText, u"Snapshot Manager", u"Create Snapshot", u"Change CHAP Secret", u"&Take Snapshot",
        u"&Revert Snapshot", u"&Snapshot Manager", u"&Modify Password"})
    EXPECT_NE(table.Translate(text), text) << fw::ToWide(text).c_str();
  // Templates keep their values.
  EXPECT_EQ(table.Translate(u"Delete snapshot error 2"), u"删除快照错误 2");
}

}  // namespace
}  // namespace tw::ui

int main(int argc, char** argv) {
  tw::fw::CApp::InitCommonControls(ICC_WIN95_CLASSES);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
