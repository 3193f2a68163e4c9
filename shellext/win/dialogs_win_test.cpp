// The extension's dialogs in-process under Wine, driven by messages, over
// a simulated protected volume P: with users alice, bob and carol.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "framework/image.h"
#include "resources/resource_ids.h"
#include "shellext/protected_test_support.h"
#include "shellext/win/copy_to_dlg.h"
#include "shellext/win/encrypt_dlg.h"
#include "shellext/win/password_notify_dlg.h"
#include "shellext/win/screen_script.h"
#include "shellext/win/win_shell_ui.h"

namespace tw::shellext::win {
namespace {

using testing::ScreenScript;

class DialogTest : public testing::ProtectedVolumeTest {
 protected:
  HINSTANCE instance = GetModuleHandleW(nullptr);
  WinShellUi ui{instance, nullptr, drive};
};

TEST_F(DialogTest, PasswordDialogIsFramedAndAnswersOkCancelAndClose) {
  CDlgPasswordNotify dlg(instance);
  ScreenScript script;
  bool checked = false;
  script.Then([&](HWND d) {
    checked = true;
    EXPECT_EQ(GetWindowLongPtrW(d, GWL_STYLE) & WS_CAPTION, 0);
    EXPECT_EQ(dlg.Title(), L"Pellowen");
    // The close button sits at the top right, 34 x 19.
    HWND close = GetDlgItem(d, IDC_CLOSE_BUTTON);
    ASSERT_NE(close, nullptr);
    RECT client, button;
    GetClientRect(d, &client);
    GetWindowRect(close, &button);
    MapWindowPoints(nullptr, d, reinterpret_cast<POINT*>(&button), 2);
    EXPECT_EQ(button.left, client.right - 39);
    EXPECT_EQ(button.top, 2);
    EXPECT_EQ(button.right - button.left, 34);
    EXPECT_EQ(button.bottom - button.top, 19);
    // Any point of the body drags the dialog.
    RECT w;
    GetWindowRect(d, &w);
    EXPECT_EQ(SendMessageW(d, WM_NCHITTEST, 0, MAKELPARAM(w.left + 20, w.top + 60)), HTCAPTION);
    // Hover and leave reach the skinned controls.
    CSkinBtn& close_button = dlg.close_button();
    SendMessageW(close_button, WM_MOUSEHOVER, 0, 0);
    EXPECT_TRUE(close_button.hover());
    SendMessageW(close_button, WM_LBUTTONDOWN, MK_LBUTTON, 0);
    EXPECT_TRUE(close_button.pressed());
    SendMessageW(close_button, WM_MOUSELEAVE, 0, 0);
    EXPECT_FALSE(close_button.hover());
    EXPECT_FALSE(close_button.pressed());
    SendMessageW(dlg.ok_button(), WM_MOUSEHOVER, 0, 0);
    EXPECT_TRUE(dlg.ok_button().hover());
    SendMessageW(dlg.ok_button(), WM_MOUSELEAVE, 0, 0);
    EXPECT_FALSE(dlg.ok_button().hover());
    // The first Tab turns on both buttons' focus cues.
    EXPECT_FALSE(dlg.ok_button().focus_cue());
    SetFocus(GetDlgItem(d, IDC_PASSWORD));
    PostMessageW(GetDlgItem(d, IDC_PASSWORD), WM_KEYDOWN, VK_TAB, 0);
    ScreenScript::Type(d, IDC_PASSWORD, L"s3cret");
    ScreenScript::Click(d, IDOK);
  });
  EXPECT_EQ(dlg.DoModal(), IDOK);
  EXPECT_TRUE(checked);
  EXPECT_EQ(dlg.password(), L"s3cret");
  EXPECT_TRUE(dlg.ok_button().focus_cue());
  EXPECT_TRUE(dlg.cancel_button().focus_cue());

  CDlgPasswordNotify cancelled(instance);
  ScreenScript cancel;
  cancel.Then([](HWND d) { ScreenScript::Click(d, IDC_PASSWORD_CANCEL); });
  EXPECT_EQ(cancelled.DoModal(), IDCANCEL);

  CDlgPasswordNotify closed(instance);
  ScreenScript close;
  close.Then([](HWND d) { ScreenScript::Click(d, IDC_CLOSE_BUTTON); });
  EXPECT_EQ(closed.DoModal(), IDCANCEL);
}

TEST_F(DialogTest, EncryptDialogEncryptsWithTheConfirmedPassword) {
  std::u16string file = MakeFile("\\a.txt");
  CEncryptDlg dlg(instance, ui.commands(), file);
  ScreenScript script;
  HWND dialog = nullptr;
  script.Then([&](HWND d) {
    dialog = d;
    ScreenScript::Click(d, IDOK);  // both empty
  });
  script.Then([&](HWND box) {
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    ScreenScript::Type(dialog, IDC_PASSWORD, L"abc");
    ScreenScript::Type(dialog, IDC_PASSWORD_CONFIRM, L"abd");
    ScreenScript::Click(dialog, IDOK);
  });
  script.Then([&](HWND box) {
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    ScreenScript::Type(dialog, IDC_PASSWORD_CONFIRM, L"abc");
    ScreenScript::Click(dialog, IDOK);
  });
  EXPECT_EQ(dlg.DoModal(), IDOK);
  ASSERT_EQ(script.boxes.size(), 2u);
  EXPECT_EQ(script.boxes[0], L"Pellowen Client|Password can't be empty!");
  EXPECT_EQ(script.boxes[1], L"Pellowen Client|Please confrim password!");
  ItemState state;
  EXPECT_TRUE(drive.QueryProtectionState(file, &state));
}

TEST_F(DialogTest, CopyDialogCopiesToEachUserWithProgress) {
  std::u16string file = MakeFile("\\a.txt", "content");
  CCopyToDlg dlg(instance, TransferMode::kCopy, file, drive, ui.commands());
  ScreenScript script;
  int progress_seen = 0;
  script.Then([&](HWND d) {
    EXPECT_EQ(ScreenScript::Text(d), L"Copy Files To");
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(d, IDC_SESSION_ONLY)));
    EXPECT_EQ(ScreenScript::Text(GetDlgItem(d, IDOK)), L"Ok");
    HWND list = GetDlgItem(d, IDC_USER_LIST);
    ASSERT_EQ(ListView_GetItemCount(list), 3);
    ListView_SetItemState(list, 1, LVIS_SELECTED, LVIS_SELECTED);
    ListView_SetItemState(list, 2, LVIS_SELECTED, LVIS_SELECTED);
    ScreenScript::Click(d, IDOK);
  });
  script.Then([&](HWND box) {
    // The summary comes after the progress dialog has gone.
    progress_seen = dlg.progress_window() && IsWindow(dlg.progress_window()) ? 2 : 1;
    PostMessageW(box, WM_COMMAND, IDOK, 0);
  });
  EXPECT_EQ(dlg.DoModal(), IDOK);
  EXPECT_EQ(progress_seen, 1);
  ASSERT_EQ(script.boxes.size(), 1u);
  EXPECT_EQ(script.boxes[0], L"Pellowen Client|Completed copy files to users, 2 successful, 0 failed.");
  sim::ProtectedVolumes volumes(fx.sim().folder());
  EXPECT_TRUE(std::filesystem::exists(volumes.UserFolder('P', "bob") / "a.txt"));
  EXPECT_TRUE(std::filesystem::exists(volumes.UserFolder('P', "carol") / "a.txt"));
  EXPECT_FALSE(std::filesystem::exists(volumes.UserFolder('P', "alice") / "a.txt"));
}

TEST_F(DialogTest, ShareDialogShowsTheSessionBoxAndAnEmptyListWhenTheDriverFails) {
  CCopyToDlg dlg(instance, TransferMode::kShare, u"C:\\not-protected.txt", drive, ui.commands());
  ScreenScript script;
  script.Then([&](HWND d) {
    EXPECT_EQ(ScreenScript::Text(d), L"Share Files To");
    EXPECT_TRUE(IsWindowVisible(GetDlgItem(d, IDC_SESSION_ONLY)));
    EXPECT_EQ(SendDlgItemMessageW(d, IDC_SESSION_ONLY, BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(ListView_GetItemCount(GetDlgItem(d, IDC_USER_LIST)), 0);
    ScreenScript::Click(d, IDOK);
  });
  EXPECT_EQ(dlg.DoModal(), IDOK);
  ASSERT_EQ(script.boxes.size(), 1u);
  EXPECT_EQ(script.boxes[0], L"Pellowen Client|Completed share files to users, 0 successful, 0 failed.");
}

}  // namespace
}  // namespace tw::shellext::win

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_WIN95_CLASSES};
  InitCommonControlsEx(&icc);
  tw::fw::CGdiPlusSession gdiplus;
  return RUN_ALL_TESTS();
}
