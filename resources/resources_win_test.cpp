// Every picture and string a deliverable names is in its resources, at
// its size, and the Chinese strings survive the resource compiler.
#include <gtest/gtest.h>

#include <windows.h>
#include <objidl.h>

#include <commctrl.h>
#include <gdiplus.h>

#include <cstring>
#include <initializer_list>
#include <memory>
#include <string>

#include "framework/image.h"
#include "resources/resource_ids.h"
#ifdef TW_TEST_TARNWICK
#include "ui/layout/frame.h"
#endif

namespace {

SIZE BitmapSize(UINT id) {
  HBITMAP b = static_cast<HBITMAP>(
      ::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
  SIZE s{0, 0};
  BITMAP bm{};
  if (b && ::GetObjectW(b, sizeof bm, &bm)) s = SIZE{bm.bmWidth, bm.bmHeight};
  if (b) ::DeleteObject(b);
  return s;
}

SIZE ImageSize(const wchar_t* name, const wchar_t* type) {
  std::unique_ptr<Gdiplus::Image> img = tw::fw::LoadImageResource(nullptr, name, type);
  return img ? SIZE{static_cast<LONG>(img->GetWidth()), static_cast<LONG>(img->GetHeight())} : SIZE{0, 0};
}

// A string from one language's table, read from the resource itself.
std::wstring StringIn(UINT id, LANGID lang) {
  HMODULE m = ::GetModuleHandleW(nullptr);
  HRSRC r = ::FindResourceExW(m, RT_STRING, MAKEINTRESOURCEW(id / 16 + 1), lang);
  if (!r) return L"<missing>";
  const WCHAR* p = static_cast<const WCHAR*>(::LockResource(::LoadResource(m, r)));
  for (UINT i = 0; i < id % 16; ++i) p += 1 + *p;
  return std::wstring(p + 1, *p);
}

bool HasIcon(UINT id) { return ::FindResourceW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), RT_GROUP_ICON) != nullptr; }

const LANGID kEnglish = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);
const LANGID kChinese = MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED);

#define EXPECT_SIZE(s, w, h) \
  do {                       \
    SIZE got = (s);          \
    EXPECT_EQ(got.cx, w);    \
    EXPECT_EQ(got.cy, h);    \
  } while (0)

#ifdef TW_TEST_TARNWICK
TEST(ManagerResources, PicturesAtTheirSizes) {
  // Every caption picture the frame asks for is the named one for its state
  // and loads at its button's height, covering the button's width (the
  // close button covers the minimize picture's last column).
  using tw::ui::CaptionButton;
  using tw::ui::CaptionImage;
  const tw::ui::CaptionRects r = tw::ui::ComputeCaptionRects(800, 4, 4);
  struct {
    CaptionButton button;
    tw::ui::Rect rect;
    UINT normal, hover, pressed;
  } buttons[] = {{CaptionButton::kClose, r.close, IDB_CLOSE, IDB_CLOSE_HOVER, IDB_CLOSE_PRESSED},
                 {CaptionButton::kMinimize, r.minimize, IDB_MINIMIZE, IDB_MINIMIZE_HOVER, IDB_MINIMIZE_PRESSED},
                 {CaptionButton::kMenu, r.menu, IDB_MENU, IDB_MENU_HOVER, IDB_MENU_PRESSED}};
  for (const auto& b : buttons) {
    EXPECT_EQ(tw::ui::CaptionBitmap(b.button, CaptionImage::kNormal), static_cast<int>(b.normal));
    EXPECT_EQ(tw::ui::CaptionBitmap(b.button, CaptionImage::kHover), static_cast<int>(b.hover));
    EXPECT_EQ(tw::ui::CaptionBitmap(b.button, CaptionImage::kPressed), static_cast<int>(b.pressed));
    for (UINT id : {b.normal, b.hover, b.pressed}) {
      SIZE s = BitmapSize(id);
      EXPECT_EQ(s.cy, b.rect.Height()) << id;
      EXPECT_GE(s.cx, b.rect.Width()) << id;
      EXPECT_LE(s.cx, b.rect.Width() + 1) << id;
    }
  }
  EXPECT_SIZE(BitmapSize(IDB_BUTTON_STRIP), 424, 40);
  EXPECT_SIZE(BitmapSize(IDB_HEADER_PRESSED), 9, 34);
  EXPECT_SIZE(BitmapSize(IDB_SCROLL_SKIN), 135, 45);
  EXPECT_SIZE(BitmapSize(IDB_STATIC_BG), 7, 50);
  EXPECT_SIZE(BitmapSize(IDB_HEADER_BG), 1, 18);
  EXPECT_SIZE(BitmapSize(IDB_HEADER_EDGE), 1, 34);
  EXPECT_SIZE(BitmapSize(IDB_BOTTOM_STRIP), 619, 53);
  EXPECT_SIZE(BitmapSize(IDB_HEADER_HOVER), 7, 34);
  EXPECT_GT(BitmapSize(IDB_ABOUT_BG).cx, 0);
  EXPECT_GT(BitmapSize(IDB_OPTIONS_BG).cx, 0);
  EXPECT_EQ(BitmapSize(IDB_LIST_BUTTON_STRIP).cx % 4, 0);
  for (UINT id : {IDB_SNAP_BASE, IDB_SNAP_HERE, IDB_SNAP_NODE, IDB_SNAP_CURRENT}) EXPECT_SIZE(BitmapSize(id), 32, 32);
  EXPECT_GT(BitmapSize(IDB_SNAP_LINK).cx, 0);
  EXPECT_GT(BitmapSize(IDB_SNAP_BRANCH).cy, 0);
  EXPECT_GT(BitmapSize(IDB_WIZARD_PATTERN).cx, 0);

  EXPECT_SIZE(ImageSize(MAKEINTRESOURCEW(IDB_BACKGROUND), MAKEINTRESOURCEW(TW_RT_BACKGROUND)), 800, 480);
  const wchar_t* type = MAKEINTRESOURCEW(TW_RT_PNG_BY_NAME);
  EXPECT_SIZE(ImageSize(L"BG.PNG", type), 180, 420);
  for (const wchar_t* n : {L"FRISTMENU_BG.PNG", L"MENU_BG.PNG", L"SELECT.PNG"}) EXPECT_SIZE(ImageSize(n, type), 180, 51);
  for (const wchar_t* n : {L"CHILDITEM_BG.PNG", L"CHILDITEMSEL_BG.PNG"}) EXPECT_SIZE(ImageSize(n, type), 180, 36);
  for (const wchar_t* n : {L"CLOUD.PNG", L"TOOLS.PNG", L"HELP.PNG"}) EXPECT_GT(ImageSize(n, type).cx, 0) << n;

  for (UINT id : {IDI_APP, IDI_DEVICE_DISK, IDI_DEVICE_CDROM, IDI_DEVICE_ISCSI, IDI_DEVICE_NETWORK, IDI_PORTAL})
    EXPECT_TRUE(HasIcon(id)) << id;
  HICON small = static_cast<HICON>(::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_DEVICE_DISK), IMAGE_ICON, 24, 24, 0));
  EXPECT_NE(small, nullptr);
  if (small) ::DestroyIcon(small);
}

// The pictures decoded when the program was built are, pixel for pixel,
// what GDI+ decodes from the PNGs they came from.
TEST(ManagerResources, BuiltPicturesAreTheirPngsDecoded) {
  struct Picture {
    const wchar_t* name;
    UINT type;
    const char* png;
  };
  const Picture pictures[] = {{MAKEINTRESOURCEW(IDB_BACKGROUND), TW_RT_BACKGROUND, "bg_main.png"},
                              {L"BG.PNG", TW_RT_PNG_BY_NAME, "BG.PNG"},
                              {L"FRISTMENU_BG.PNG", TW_RT_PNG_BY_NAME, "FRISTMENU_BG.PNG"},
                              {L"MENU_BG.PNG", TW_RT_PNG_BY_NAME, "MENU_BG.PNG"},
                              {L"SELECT.PNG", TW_RT_PNG_BY_NAME, "SELECT.PNG"},
                              {L"CHILDITEM_BG.PNG", TW_RT_PNG_BY_NAME, "CHILDITEM_BG.PNG"},
                              {L"CHILDITEMSEL_BG.PNG", TW_RT_PNG_BY_NAME, "CHILDITEMSEL_BG.PNG"},
                              {L"CLOUD.PNG", TW_RT_PNG_BY_NAME, "CLOUD.PNG"},
                              {L"TOOLS.PNG", TW_RT_PNG_BY_NAME, "TOOLS.PNG"},
                              {L"HELP.PNG", TW_RT_PNG_BY_NAME, "HELP.PNG"}};
  for (const Picture& p : pictures) {
    std::string png = std::string("Z:") + TW_IMAGES_DIR + "/" + p.png;
    std::unique_ptr<Gdiplus::Image> built = tw::fw::LoadImageResource(nullptr, p.name, MAKEINTRESOURCEW(p.type));
    Gdiplus::Bitmap decoded(std::wstring(png.begin(), png.end()).c_str());
    ASSERT_TRUE(built) << p.png;
    ASSERT_EQ(decoded.GetLastStatus(), Gdiplus::Ok) << png;
    auto* bitmap = static_cast<Gdiplus::Bitmap*>(built.get());
    const UINT w = decoded.GetWidth(), h = decoded.GetHeight();
    ASSERT_EQ(bitmap->GetWidth(), w) << p.png;
    ASSERT_EQ(bitmap->GetHeight(), h) << p.png;
    Gdiplus::Rect all(0, 0, static_cast<INT>(w), static_cast<INT>(h));
    Gdiplus::BitmapData a{}, b{};
    ASSERT_EQ(bitmap->LockBits(&all, Gdiplus::ImageLockModeRead, PixelFormat32bppARGB, &a), Gdiplus::Ok);
    ASSERT_EQ(decoded.LockBits(&all, Gdiplus::ImageLockModeRead, PixelFormat32bppARGB, &b), Gdiplus::Ok);
    int differing = 0;
    for (UINT y = 0; y < h; ++y)
      differing += std::memcmp(static_cast<const char*>(a.Scan0) + static_cast<ptrdiff_t>(y) * a.Stride,
                               static_cast<const char*>(b.Scan0) + static_cast<ptrdiff_t>(y) * b.Stride, w * 4) != 0;
    bitmap->UnlockBits(&a);
    decoded.UnlockBits(&b);
    EXPECT_EQ(differing, 0) << p.png << ": rows that differ";
  }
}

TEST(ManagerResources, MenusAndStringsInBothLanguages) {
  HMENU tray = ::LoadMenuW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDM_TRAY));
  ASSERT_NE(tray, nullptr);
  HMENU popup = ::GetSubMenu(tray, 0);
  ASSERT_EQ(::GetMenuItemCount(popup), 8);
  const UINT ids[] = {ID_TRAY_SHOW, 0, ID_OPTIONS, 0, ID_TRAY_HOMEPAGE, ID_TRAY_HELP, 0, IDCANCEL};
  for (int i = 0; i < 8; ++i) EXPECT_EQ(::GetMenuItemID(popup, i), ids[i] ? ids[i] : 0u) << i;
  ::DestroyMenu(tray);
  HMENU frame = ::LoadMenuW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDM_FRAME));
  ASSERT_NE(frame, nullptr);
  EXPECT_EQ(::GetMenuItemCount(::GetSubMenu(frame, 0)), 7);
  ::DestroyMenu(frame);
  EXPECT_EQ(StringIn(IDS_APP_TITLE, kEnglish), L"Velthorn Tarnwick");
  EXPECT_EQ(StringIn(IDS_TRAY_TIP, kChinese), L"Velthorn Pellowen");
  EXPECT_NE(::FindResourceW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_MAIN), RT_DIALOG), nullptr);
}

HWND Open(UINT id, HWND parent) {
  return ::CreateDialogParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), parent,
                              [](HWND, UINT, WPARAM, LPARAM) -> INT_PTR { return FALSE; }, 0);
}

TEST(ManagerResources, MainWindowAndPagesHaveTheirControls) {
  HWND main = Open(IDD_MAIN, nullptr);
  ASSERT_NE(main, nullptr);
  EXPECT_TRUE(::GetWindowLongPtrW(main, GWL_EXSTYLE) & WS_EX_APPWINDOW);
  EXPECT_FALSE(::GetWindowLongPtrW(main, GWL_STYLE) & WS_CAPTION);
  HWND area = ::GetDlgItem(main, IDC_PAGE_AREA);
  ASSERT_NE(area, nullptr);
  ASSERT_NE(::GetDlgItem(main, IDC_LEFT_MENU_PLACE), nullptr);
  struct {
    UINT page;
    bool visible;
    std::initializer_list<int> controls;
  } pages[] = {
      {IDD_DEVICE_PAGE, true, {IDC_PAGE_TITLE, IDC_DEVICE_LIST, IDC_MOUNT, IDC_UNMOUNT, IDC_REFRESH, IDC_PAGE_BOTTOM}},
      {IDD_OPTIONS_PAGE, false,
       {IDC_PAGE_TITLE, IDC_SERVER_LIST, IDC_SERVER_TOP, IDC_SERVER_UP, IDC_SERVER_DOWN, IDC_SERVER_BOTTOM,
        IDC_SERVER_DELETE, IDC_START_WITH_WINDOWS, IDC_APPLY, IDC_PAGE_BOTTOM}},
      {IDD_ABOUT_PAGE, false, {IDC_PAGE_TITLE, IDC_ABOUT_NAME, IDC_PAGE_BOTTOM}},
  };
  for (auto& p : pages) {
    HWND h = Open(p.page, area);
    ASSERT_NE(h, nullptr) << p.page;
    EXPECT_EQ((::GetWindowLongPtrW(h, GWL_STYLE) & WS_VISIBLE) != 0, p.visible) << p.page;
    for (int id : p.controls) EXPECT_NE(::GetDlgItem(h, id), nullptr) << p.page << " " << id;
  }
  // The options page's list buttons and Apply start disabled.
  HWND options = ::FindWindowExW(area, nullptr, nullptr, nullptr);
  for (HWND h = options; h; h = ::GetWindow(h, GW_HWNDNEXT)) {
    if (!::GetDlgItem(h, IDC_APPLY)) continue;
    EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(h, IDC_APPLY)));
    EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(h, IDC_SERVER_TOP)));
    EXPECT_TRUE(::IsWindowEnabled(::GetDlgItem(h, IDC_START_WITH_WINDOWS)));
  }
  ::DestroyWindow(main);
}
#endif

#ifdef TW_TEST_PELLOWEN
TEST(ShellExtensionResources, StringsPicturesAndIcons) {
  EXPECT_EQ(StringIn(IDS_FAILED, kEnglish), L"Faild!");
  EXPECT_EQ(StringIn(IDS_LOCK, kEnglish), L"&Lock");
  EXPECT_EQ(StringIn(IDS_NOW_UNLOCKED, kEnglish), L"'%1' is now unLocked");
  EXPECT_EQ(StringIn(IDS_CLIENT, kEnglish), L"Pellowen Client");
  // UTF-8 in the script must come out as these characters, not bytes.
  EXPECT_EQ(StringIn(IDS_LOCK, kChinese), L"\x9501\x5b9a(&L)");
  EXPECT_EQ(StringIn(IDS_CLIENT, kChinese), L"Pellowen \x5ba2\x6237\x7aef");
  EXPECT_EQ(StringIn(IDS_COPY_DONE, kEnglish), L"Completed copy files to users, %1 successful, %2 failed.");
  EXPECT_EQ(StringIn(IDS_SHARE_FAILED, kEnglish), L"Failed sharing files to %1, error code: %2.");
  // Templates filled by number: every text, in both languages, names each
  // of its inserts once.
  for (UINT id : {IDS_NOW_LOCKED, IDS_NOW_UNLOCKED, IDS_SHARE_FAILED, IDS_COPY_FAILED, IDS_SHARE_DONE, IDS_COPY_DONE}) {
    const int inserts = id == IDS_NOW_LOCKED || id == IDS_NOW_UNLOCKED ? 1 : 2;
    for (LANGID lang : {kEnglish, kChinese}) {
      std::wstring t = StringIn(id, lang);
      EXPECT_EQ(t.find(L"%s"), std::wstring::npos) << id;
      for (int k = 1; k <= 3; ++k) {
        std::wstring mark = L"%" + std::to_wstring(k);
        EXPECT_EQ(t.find(mark) != std::wstring::npos, k <= inserts) << id << " " << lang;
      }
    }
  }
  for (UINT id : {IDD_PASSWORD_NOTIFY, IDD_ENCRYPT, IDD_COPY_TO, IDD_PROGRESS})
    EXPECT_NE(::FindResourceW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), RT_DIALOG), nullptr) << id;
  EXPECT_SIZE(ImageSize(MAKEINTRESOURCEW(IDP_CLOSE), L"PNG"), 34, 19);
  struct {
    UINT dialog;
    std::initializer_list<int> controls;
  } dialogs[] = {{IDD_PASSWORD_NOTIFY, {IDC_PASSWORD, IDOK, IDC_PASSWORD_CANCEL}},
                 {IDD_ENCRYPT, {IDC_PASSWORD, IDC_PASSWORD_CONFIRM, IDOK, IDCANCEL}},
                 {IDD_COPY_TO, {IDC_USER_LIST, IDC_SESSION_ONLY, IDOK, IDCANCEL}},
                 {IDD_PROGRESS, {IDC_PROGRESS_BAR}}};
  for (auto& d : dialogs) {
    HWND h = ::CreateDialogParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(d.dialog), nullptr,
                                  [](HWND, UINT, WPARAM, LPARAM) -> INT_PTR { return FALSE; }, 0);
    ASSERT_NE(h, nullptr) << d.dialog;
    for (int id : d.controls) EXPECT_NE(::GetDlgItem(h, id), nullptr) << d.dialog << " " << id;
    ::DestroyWindow(h);
  }
  for (UINT id : {IDB_MENU_APP, IDB_LOCKED, IDB_UNLOCKED}) EXPECT_SIZE(BitmapSize(id), 16, 16);
  EXPECT_GT(BitmapSize(IDB_TITLE_PATTERN).cx, 0);
  for (UINT id : {IDI_OVERLAY_LOCK, IDI_OVERLAY_UNLOCK, IDI_PASSWORD, IDI_USER}) EXPECT_TRUE(HasIcon(id)) << id;
}
#endif

}  // namespace

int main(int argc, char** argv) {
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES};
  ::InitCommonControlsEx(&icc);
  tw::fw::CGdiPlusSession gdiplus;
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
