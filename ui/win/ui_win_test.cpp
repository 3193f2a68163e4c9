// The skinned controls, frame, left menu and scroll bars driven by
// messages in-process under Wine.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "framework/app.h"
#include "framework/image.h"
#include "resources/resource_ids.h"
#include "ui/win/accessible.h"
#include "ui/win/left_menu_bar.h"
#include "ui/win/list_ctrl.h"
#include "ui/win/memory_dc.h"
#include "ui/win/menu_ex.h"
#include "ui/win/skin_controls.h"
#include "ui/win/skin_scroll.h"
#include "ui/win/title_bar_dlg.h"

namespace tw::ui {
namespace {

void Pump() {
  MSG m;
  while (::PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
    ::TranslateMessage(&m);
    ::DispatchMessageW(&m);
  }
}

LPARAM Pt(int x, int y) { return MAKELPARAM(x, y); }

// A top-level window that records what its children tell it.
class CHost : public fw::CWindow {
 public:
  struct Scroll {
    UINT msg;
    int code, pos;
  };
  std::vector<Scroll> scrolls;
  std::vector<std::u16string> selected;
  std::vector<UINT> notify_codes;
  std::vector<WPARAM> commands;
  bool Make(int w = 640, int h = 480) {
    return Create(nullptr, RECT{50, 50, 50 + w, 50 + h}, L"host", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN) != nullptr;
  }
  ~CHost() override {
    if (IsWindow()) DestroyWindow();
  }
  int Count(int code) const {
    int n = 0;
    for (auto& s : scrolls) n += s.code == code;
    return n;
  }
  TW_BEGIN_MSG_MAP(CHost, fw::CWindow)
    TW_MSG(WM_VSCROLL, OnScroll)
    TW_MSG(WM_HSCROLL, OnScroll)
    TW_MSG(kWmMenuItemSelected, OnSelected)
    TW_MSG(WM_NOTIFY, OnNotify)
    TW_MSG(WM_COMMAND, OnCommand)
  TW_END_MSG_MAP()
  LRESULT OnCommand(WPARAM wp, LPARAM) {
    commands.push_back(wp);
    return 0;
  }
  LRESULT OnScroll(WPARAM wp, LPARAM) {
    scrolls.push_back({0, LOWORD(wp), HIWORD(wp)});
    return 0;
  }
  LRESULT OnSelected(WPARAM, LPARAM lp) {
    selected.push_back(reinterpret_cast<const char16_t*>(lp));
    return 0;
  }
  LRESULT OnNotify(WPARAM, LPARAM lp) {
    notify_codes.push_back(reinterpret_cast<NMHDR*>(lp)->code);
    SetMsgHandled(false);
    return 0;
  }
};

// Reads one pixel of what `draw` paints into a memory bitmap.
class Canvas {
 public:
  Canvas(int w, int h) {
    HDC screen = ::GetDC(nullptr);
    dc_ = ::CreateCompatibleDC(screen);
    bmp_ = ::CreateCompatibleBitmap(screen, w, h);
    ::ReleaseDC(nullptr, screen);
    old_ = ::SelectObject(dc_, bmp_);
    RECT r{0, 0, w, h};
    ::FillRect(dc_, &r, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
  }
  ~Canvas() {
    ::SelectObject(dc_, old_);
    ::DeleteObject(bmp_);
    ::DeleteDC(dc_);
  }
  HDC dc() const { return dc_; }
  COLORREF At(int x, int y) const { return ::GetPixel(dc_, x, y); }
  bool Contains(const RECT& r, COLORREF c) const {
    for (int y = r.top; y < r.bottom; ++y)
      for (int x = r.left; x < r.right; ++x)
        if (At(x, y) == c) return true;
    return false;
  }

 private:
  HDC dc_;
  HBITMAP bmp_;
  HGDIOBJ old_;
};

// ---- Buttons -------------------------------------------------------------

TEST(ButtonEx, StateImagesHoverAndLooks) {
  CHost host;
  ASSERT_TRUE(host.Make());
  HWND b = ::CreateWindowExW(0, L"BUTTON", L"Apply", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 10, 10, 80, 25,
                             host, reinterpret_cast<HMENU>(1), nullptr, nullptr);
  CButtonEx button;
  ASSERT_TRUE(button.Attach(b));
  EXPECT_EQ(button.GetStyle() & BS_TYPEMASK, BS_OWNERDRAW);
  EXPECT_FALSE(button.LoadStateImages(9999));
  ASSERT_TRUE(button.LoadStateImages(IDB_BUTTON_STRIP));
  for (ButtonLook look : {ButtonLook::kNormal, ButtonLook::kPressed, ButtonLook::kHover, ButtonLook::kDisabled}) {
    SIZE s = fw::GetBitmapSize(button.state_image(look));
    EXPECT_EQ(s.cx, 80);
    EXPECT_EQ(s.cy, 25);
  }
  for (int round = 0; round < 3; ++round) {
    button.SendMessageW(WM_MOUSEMOVE, 0, Pt(5, 5));
    EXPECT_TRUE(button.tracking()) << round;
    button.SendMessageW(WM_MOUSEHOVER, 0, Pt(5, 5));
    EXPECT_TRUE(button.hover());
    EXPECT_EQ(button.CurrentLook(false), ButtonLook::kHover);
    EXPECT_EQ(button.CurrentLook(true), ButtonLook::kPressed);
    button.SendMessageW(WM_MOUSELEAVE);
    EXPECT_FALSE(button.hover());
    EXPECT_FALSE(button.tracking());
  }
  EXPECT_EQ(button.CurrentLook(false), ButtonLook::kNormal);
  button.EnableWindow(FALSE);
  EXPECT_EQ(button.CurrentLook(true), ButtonLook::kDisabled);

  Canvas c(80, 25);
  RECT rc{0, 0, 80, 25};
  button.Draw(c.dc(), rc, ButtonLook::kPressed);
  EXPECT_EQ(c.At(40, 4), RGB(201, 201, 201));  // top edge of the gradient
  EXPECT_EQ(c.At(0, 0), RGB(255, 255, 255));    // magenta corner left out: the white back buffer
  EXPECT_NE(c.At(40, 0), RGB(255, 0, 255));
  button.Draw(c.dc(), rc, ButtonLook::kNormal);
  EXPECT_EQ(c.At(40, 4), RGB(255, 255, 255));
  COLORREF bottom = c.At(40, 20);  // the last row, one step short of the end colour
  EXPECT_NEAR(GetRValue(bottom), 224, 2);
  EXPECT_EQ(GetRValue(bottom), GetBValue(bottom));
  button.Draw(c.dc(), rc, ButtonLook::kDisabled);
  EXPECT_TRUE(c.Contains(RECT{20, 6, 60, 19}, RGB(192, 192, 192)));  // grey caption
}

// ---- Menus ---------------------------------------------------------------

TEST(MenuEx, BuildsOwnerDrawnItemsMeasuresAndDraws) {
  CHost owner;
  ASSERT_TRUE(owner.Make());
  CMenuEx menu;
  ASSERT_TRUE(menu.LoadOwnerDrawn(IDM_FRAME));
  HMENU popup = menu.FirstPopup();
  ASSERT_NE(popup, nullptr);
  ASSERT_EQ(::GetMenuItemCount(popup), 7);
  ASSERT_EQ(menu.sub_menus().size(), 1u);
  const auto& items = menu.sub_menus()[0]->items();
  ASSERT_EQ(items.size(), 7u);
  EXPECT_EQ(items[0]->text, L"&Help");
  EXPECT_EQ(items[0]->id, ID_FRAME_HELP);
  EXPECT_EQ(items[1]->id, 0);
  EXPECT_EQ(items[6]->id, ID_ABOUT);
  MENUITEMINFOW mi{};
  mi.cbSize = sizeof mi;
  mi.fMask = MIIM_FTYPE | MIIM_DATA | MIIM_ID;
  ASSERT_TRUE(::GetMenuItemInfoW(popup, 0, TRUE, &mi));
  EXPECT_TRUE(mi.fType & MFT_OWNERDRAW);
  EXPECT_EQ(mi.wID, static_cast<UINT>(ID_FRAME_HELP));

  MEASUREITEMSTRUCT sep{};
  sep.CtlType = ODT_MENU;
  sep.itemData = reinterpret_cast<ULONG_PTR>(items[1].get());
  owner.SendMessageW(WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&sep));
  EXPECT_EQ(sep.itemHeight, 6u);
  MEASUREITEMSTRUCT cmd{};
  cmd.CtlType = ODT_MENU;
  cmd.itemData = reinterpret_cast<ULONG_PTR>(items[0].get());
  owner.SendMessageW(WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&cmd));
  EXPECT_EQ(cmd.itemHeight, 19u);
  EXPECT_GT(cmd.itemWidth, 16u + 10u);
  // The label, as drawn in the menu's font, fits in what the drawing leaves
  // free (30 pixels on the left, 15 on the right).
  {
    fw::CClientDC dc(owner);
    fw::CFont font(::CreateFontW(-12, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"MS Shell Dlg"));
    fw::CSelect sel(dc, font);
    std::wstring label = items[0]->text;
    label.erase(std::remove(label.begin(), label.end(), L'&'), label.end());
    EXPECT_GE(static_cast<int>(cmd.itemWidth), dc.GetTextExtent(label).cx + 45) << label;
  }

  // A disabled command under the pointer: grey text on the darker fill.
  Canvas c(160, 19);
  CMenuEx::Item tabbed{L"Open\tCtrl+O", 5, -1};
  DRAWITEMSTRUCT dis{};
  dis.CtlType = ODT_MENU;
  dis.hDC = c.dc();
  dis.rcItem = RECT{0, 0, 160, 19};
  dis.itemData = reinterpret_cast<ULONG_PTR>(&tabbed);
  dis.itemState = ODS_SELECTED | ODS_DISABLED;
  menu.DrawItem(&dis);
  EXPECT_EQ(c.At(10, 9), RGB(119, 127, 134));
  EXPECT_TRUE(c.Contains(RECT{30, 2, 80, 17}, RGB(192, 192, 192)));
  // Label on the left, accelerator right-aligned; nothing in between.
  dis.itemState = 0;
  menu.DrawItem(&dis);
  EXPECT_EQ(c.At(10, 9), RGB(93, 98, 106));
  EXPECT_EQ(c.At(100, 1), RGB(251, 252, 255));
  EXPECT_TRUE(c.Contains(RECT{30, 2, 60, 17}, RGB(30, 56, 110)));
  EXPECT_TRUE(c.Contains(RECT{110, 2, 145, 17}, RGB(30, 56, 110)));
  EXPECT_FALSE(c.Contains(RECT{70, 0, 95, 19}, RGB(30, 56, 110)));
  dis.itemState = ODS_SELECTED;
  menu.DrawItem(&dis);
  EXPECT_EQ(c.At(10, 9), RGB(212, 215, 217));
  EXPECT_EQ(c.At(0, 0), RGB(119, 127, 134));

  // Loading another menu replaces the first one.
  ASSERT_TRUE(menu.LoadOwnerDrawn(IDM_TRAY));
  EXPECT_EQ(::GetMenuItemCount(menu.FirstPopup()), 8);
  EXPECT_EQ(menu.sub_menus().size(), 1u);
  EXPECT_EQ(menu.sub_menus()[0]->items()[0]->text, L"Sho&w Dialog");
}

// ---- List and header -------------------------------------------------------

HWND MakeList(HWND parent, int id, DWORD extra_style, int w = 400, int h = 200) {
  return ::CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"", WS_CHILD | WS_VISIBLE | LVS_REPORT | extra_style, 10,
                           10, w, h, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
}

void FillList(fw::CListViewCtrl& list, int rows, int col_width, int cols = 2) {
  for (int c = 0; c < cols; ++c) list.InsertColumn(c, c == 0 ? L"Name" : L"Size", col_width);
  for (int i = 0; i < rows; ++i) {
    std::wstring t = L"row " + std::to_wstring(i);
    list.InsertItem(i, t.c_str());
    list.SetItemText(i, 1, L"1 GB");
    list.SetItemData(i, i % 5);
  }
}

TEST(ListCtrl, RowHeightHeaderTooltipsAndThumbScrolling) {
  CHost host;
  ASSERT_TRUE(host.Make());
  CMyListCtrl list;
  ASSERT_TRUE(list.Attach(MakeList(host, 300, 0)));
  FillList(list, 100, 300);
  EXPECT_TRUE(list.GetStyle() & LVS_OWNERDRAWFIXED);
  list.SetRowHeight();
  RECT item{};
  item.left = LVIR_BOUNDS;
  list.SendMessageW(LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&item));
  EXPECT_EQ(item.bottom - item.top, 25);
  ::SetWindowPos(list, nullptr, 0, 0, 400, 201, SWP_NOMOVE | SWP_NOZORDER);  // re-lays the header out
  RECT hr = list.header().GetWindowRect();
  EXPECT_EQ(hr.bottom - hr.top, 34);

  RECT label{};
  list.GetSubItemRect(2, 0, LVIR_LABEL, &label);
  POINT in_label{label.left + 15, (label.top + label.bottom) / 2};
  EXPECT_EQ(list.TooltipTextAt(in_label), L"Protect the current disk partition");
  RECT other{};
  list.GetSubItemRect(2, 1, LVIR_LABEL, &other);
  EXPECT_EQ(list.TooltipTextAt(POINT{other.left + 10, (other.top + other.bottom) / 2}), L"");
  list.GetSubItemRect(4, 0, LVIR_LABEL, &label);
  EXPECT_EQ(list.TooltipTextAt(POINT{label.left + 15, (label.top + label.bottom) / 2}), L"");
  list.GetSubItemRect(0, 0, LVIR_LABEL, &label);
  EXPECT_EQ(list.TooltipTextAt(POINT{label.left + 15, (label.top + label.bottom) / 2}),
            L"Protect the current disk partition table");
  // A text wider than its cell is cut, and the cell's tooltip gives it whole.
  const std::wstring path = L"Z:\\tmp\\screenshots\\of\\the\\manager\\backup.img";
  list.SetItemText(3, 1, path.c_str());
  list.SendMessageW(LVM_SETCOLUMNWIDTH, 1, 90);
  EXPECT_FALSE(list.CellTextFits(3, 1));
  list.GetSubItemRect(3, 1, LVIR_LABEL, &other);
  EXPECT_EQ(list.TooltipTextAt(POINT{other.left + 10, (other.top + other.bottom) / 2}), path);
  list.SendMessageW(LVM_SETCOLUMNWIDTH, 0, 40);
  list.SendMessageW(LVM_SETCOLUMNWIDTH, 1, 350);
  EXPECT_TRUE(list.CellTextFits(3, 1));
  list.GetSubItemRect(3, 1, LVIR_LABEL, &other);
  EXPECT_EQ(list.TooltipTextAt(POINT{other.left + 10, (other.top + other.bottom) / 2}), L"");
  list.SendMessageW(LVM_SETCOLUMNWIDTH, 0, 300);
  list.SendMessageW(LVM_SETCOLUMNWIDTH, 1, 300);

  // Drawing a row: selected cells in the selection colour, the icon strip
  // white, grid lines along the bottom and between the columns.
  list.SetItemState(1, LVIS_SELECTED, LVIS_SELECTED);
  RECT row{};
  row.left = LVIR_BOUNDS;
  list.SendMessageW(LVM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&row));
  RECT second_cell{};
  list.GetSubItemRect(1, 1, LVIR_LABEL, &second_cell);
  Canvas rowc(row.right + 10, row.bottom + 10);
  DRAWITEMSTRUCT dis{};
  dis.CtlType = ODT_LISTVIEW;
  dis.itemID = 1;
  dis.hwndItem = list.m_hWnd;
  dis.hDC = rowc.dc();
  dis.rcItem = row;
  list.SendMessageW(fw::kOcmBase + WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&dis));
  EXPECT_EQ(rowc.At(row.left + 2, row.top + 3), RGB(255, 255, 255));          // icon strip
  EXPECT_EQ(rowc.At(row.left + 200, row.top + 3), RGB(204, 225, 252));        // selected cell
  EXPECT_EQ(rowc.At(row.left + 200, row.bottom - 1), RGB(225, 225, 245));     // bottom grid line
  EXPECT_EQ(rowc.At(second_cell.left, row.top + 3), RGB(225, 225, 245));     // column line
  EXPECT_TRUE(rowc.Contains(RECT{row.left + 30, row.top + 3, row.left + 290, row.bottom - 3}, RGB(0, 0, 0)));
  list.SetItemState(1, 0, LVIS_SELECTED | LVIS_FOCUSED);
  list.SendMessageW(fw::kOcmBase + WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&dis));
  EXPECT_EQ(rowc.At(row.left + 200, row.top + 3), RGB(255, 255, 255));

  // The device list's image list: four 24 x 24 icons, drawn in the first column.
  fw::CImageList icons;
  ASSERT_TRUE(icons.Create(24, 24, ILC_COLOR32 | ILC_MASK, 4, 0));
  for (UINT id : {IDI_DEVICE_DISK, IDI_DEVICE_CDROM, IDI_DEVICE_ISCSI, IDI_DEVICE_NETWORK})
    EXPECT_GE(icons.AddIconResource(id), 0);
  EXPECT_EQ(icons.AddIconResource(9999), -1);
  EXPECT_EQ(icons.GetImageCount(), 4);
  {
    // The icons' bitmaps are added as they are: the list holds what
    // ImageList_AddIcon stores, pictures and masks alike.
    HIMAGELIST reference = ImageList_Create(24, 24, ILC_COLOR32 | ILC_MASK, 4, 0);
    for (UINT id : {IDI_DEVICE_DISK, IDI_DEVICE_CDROM, IDI_DEVICE_ISCSI, IDI_DEVICE_NETWORK}) {
      HICON icon = static_cast<HICON>(
          ::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), IMAGE_ICON, 24, 24, 0));
      ImageList_AddIcon(reference, icon);
      ::DestroyIcon(icon);
    }
    auto strip = [](HIMAGELIST list, bool mask) {
      IMAGEINFO info{};
      ImageList_GetImageInfo(list, 0, &info);
      HBITMAP b = mask ? info.hbmMask : info.hbmImage;
      SIZE s = fw::GetBitmapSize(b);
      BITMAPINFO bi{};
      bi.bmiHeader = {sizeof(BITMAPINFOHEADER), s.cx, -s.cy, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
      std::vector<uint32_t> px(static_cast<size_t>(s.cx) * static_cast<size_t>(s.cy));
      HDC screen = ::GetDC(nullptr);
      ::GetDIBits(screen, b, 0, static_cast<UINT>(s.cy), px.data(), &bi, DIB_RGB_COLORS);
      ::ReleaseDC(nullptr, screen);
      return px;
    };
    EXPECT_EQ(strip(icons.m_hImageList, false), strip(reference, false));
    EXPECT_EQ(strip(icons.m_hImageList, true), strip(reference, true));
    ImageList_Destroy(reference);
  }
  EXPECT_EQ(icons.GetIconSize().cx, 24);
  LVITEMW image{};
  image.mask = LVIF_IMAGE;
  image.iItem = 1;
  image.iImage = 0;
  list.SendMessageW(LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&image));
  list.SetIconList(icons);
  list.SendMessageW(fw::kOcmBase + WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&dis));
  EXPECT_LT(GetRValue(rowc.At(row.left + 10, row.top + 10)), 100);  // the disk icon's dark body

  // Scrolled right, then a vertical thumb move: only the rows move.
  list.Scroll(150, 0);
  int h_before = ::GetScrollPos(list, SB_HORZ);
  EXPECT_GT(h_before, 0);
  list.SendMessageW(WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 30));
  EXPECT_EQ(list.GetTopIndex(), 30);
  EXPECT_EQ(::GetScrollPos(list, SB_HORZ), h_before);
  list.SendMessageW(WM_VSCROLL, MAKEWPARAM(SB_THUMBTRACK, 10));
  EXPECT_EQ(list.GetTopIndex(), 10);
  // Other codes keep the list's own handling.
  list.SendMessageW(WM_VSCROLL, MAKEWPARAM(SB_LINEDOWN, 0));
  EXPECT_EQ(list.GetTopIndex(), 11);

  // A click records the cell under the pointer.
  list.SendMessageW(WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 0));
  list.Scroll(-1000, 0);
  list.GetSubItemRect(1, 1, LVIR_LABEL, &other);
  list.SendMessageW(WM_LBUTTONDOWN, MK_LBUTTON, Pt(other.left + 5, (other.top + other.bottom) / 2));
  list.SendMessageW(WM_LBUTTONUP, 0, Pt(other.left + 5, (other.top + other.bottom) / 2));
  EXPECT_EQ(list.last_click_item(), 1);
  EXPECT_EQ(list.last_click_column(), 1);
}

TEST(ListCtrl, HeaderHoverPressAndTooltipRequests) {
  CHost host;
  ASSERT_TRUE(host.Make());
  CMyListCtrl list;
  ASSERT_TRUE(list.Attach(MakeList(host, 302, 0)));
  FillList(list, 10, 150);
  list.SetRowHeight();
  CMyHeaderCtrl& header = list.header();
  header.SendMessageW(WM_MOUSEMOVE, 0, Pt(20, 10));
  header.SendMessageW(WM_MOUSEHOVER, 0, Pt(20, 10));
  EXPECT_EQ(header.pointer().hover_index(), 0);
  EXPECT_EQ(header.pointer().ImageFor(0), HeaderPointer::Image::kHovered);
  header.SendMessageW(WM_LBUTTONDOWN, MK_LBUTTON, Pt(200, 10));
  EXPECT_EQ(header.pointer().ImageFor(1), HeaderPointer::Image::kPressed);
  header.SendMessageW(WM_LBUTTONUP, 0, Pt(200, 10));
  EXPECT_FALSE(header.pointer().pressed());
  header.SendMessageW(WM_MOUSELEAVE);
  EXPECT_EQ(header.pointer().ImageFor(0), HeaderPointer::Image::kBackground);

  // The header paints its images: the pressed column differs from the rest.
  Canvas plain(300, 34), pressed(300, 34);
  header.Paint(plain.dc());
  header.SendMessageW(WM_MOUSEMOVE, 0, Pt(200, 10));
  header.SendMessageW(WM_LBUTTONDOWN, MK_LBUTTON, Pt(200, 10));
  header.Paint(pressed.dc());
  EXPECT_EQ(plain.At(20, 5), pressed.At(20, 5));
  EXPECT_NE(plain.At(200, 5), pressed.At(200, 5));
  header.SendMessageW(WM_LBUTTONUP, 0, Pt(200, 10));

  // The tooltip asks the list for its text at the pointer.
  RECT label{};
  list.GetSubItemRect(2, 0, LVIR_LABEL, &label);
  POINT p{label.left + 15, (label.top + label.bottom) / 2};
  list.SendMessageW(WM_MOUSEMOVE, 0, Pt(p.x, p.y));
  NMTTDISPINFOW di{};
  di.hdr.hwndFrom = list.tooltip().m_hWnd;
  di.hdr.code = TTN_GETDISPINFOW;
  list.SendMessageW(WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&di));
  ASSERT_NE(di.lpszText, nullptr);
  EXPECT_STREQ(di.lpszText, L"Protect the current disk partition");
  NMTTDISPINFOA da{};
  da.hdr.hwndFrom = list.tooltip().m_hWnd;
  da.hdr.code = TTN_GETDISPINFOA;
  list.SendMessageW(WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&da));
  ASSERT_NE(da.lpszText, nullptr);
  EXPECT_STREQ(da.lpszText, "Protect the current disk partition");
  // Over the second column: no text.
  RECT second{};
  list.GetSubItemRect(2, 1, LVIR_LABEL, &second);
  list.SendMessageW(WM_MOUSEMOVE, 0, Pt(second.left + 10, p.y));
  list.SendMessageW(WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&di));
  EXPECT_STREQ(di.lpszText, L"");
}

TEST(Statics, StripTitleBandAndMemoryDc) {
  CHost host;
  ASSERT_TRUE(host.Make());
  CMyStatic strip;
  ASSERT_TRUE(strip.Attach(::CreateWindowExW(0, L"STATIC", L"Ready", WS_CHILD | WS_VISIBLE, 0, 0, 300, 53, host, nullptr,
                                             nullptr, nullptr)));
  Canvas c(300, 53);
  strip.Paint(c.dc());
  // The default image is 159 (7 x 50): stretched across, 50 rows high.
  COLORREF top = c.At(150, 0);
  EXPECT_GT(GetRValue(top), 200);
  EXPECT_EQ(c.At(150, 51), RGB(255, 255, 255));
  ASSERT_TRUE(strip.SetImage(IDB_BOTTOM_STRIP));
  strip.Paint(c.dc());
  EXPECT_NE(c.At(150, 51), RGB(255, 255, 255));
  EXPECT_TRUE(c.Contains(RECT{5, 10, 60, 45}, RGB(0, 0, 0)));  // the text, 5 pixels in
  EXPECT_FALSE(c.Contains(RECT{0, 10, 4, 45}, RGB(0, 0, 0)));

  CHeaderTitle band;
  ASSERT_TRUE(band.Attach(::CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 0, 0, 300, 60, host, nullptr,
                                            nullptr, nullptr)));
  band.SetTitle(L"Mount Device");
  band.SetSubtitle(L"Select");
  Canvas b(300, 60);
  band.Paint(b.dc());
  EXPECT_EQ(b.At(5, 5), RGB(255, 255, 255));
  EXPECT_TRUE(b.Contains(RECT{20, 15, 120, 32}, RGB(0, 0, 0)));
  EXPECT_TRUE(b.Contains(RECT{45, 35, 120, 55}, RGB(0, 0, 0)));
  EXPECT_FALSE(b.Contains(RECT{0, 0, 19, 60}, RGB(0, 0, 0)));

  // Drawing into a memory DC reaches the target only when it is destroyed.
  Canvas t(50, 50);
  RECT r{10, 10, 40, 40};
  {
    CMemoryDC mem(t.dc(), &r);
    EXPECT_TRUE(mem.off_screen());
    mem.FillSolidRect(RECT{20, 20, 30, 30}, RGB(255, 0, 0));
    EXPECT_EQ(t.At(25, 25), RGB(0, 0, 0));
  }
  EXPECT_EQ(t.At(25, 25), RGB(255, 0, 0));
  EXPECT_EQ(t.At(12, 12), RGB(255, 255, 255));  // the rest of the rectangle: white
  EXPECT_EQ(t.At(5, 5), RGB(0, 0, 0));          // outside it: untouched
}

// ---- Scroll bars -----------------------------------------------------------

TEST(SkinScrollBar, ArrowRepeatThumbDragAndInfo) {
  CHost host;
  ASSERT_TRUE(host.Make());
  fw::CBitmap skin(fw::LoadBitmapResource(IDB_SCROLL_SKIN));
  ASSERT_FALSE(skin.IsNull());
  CSkinScrollBar bar;
  ASSERT_TRUE(bar.Create(host, RECT{0, 0, 40, 200}, SBS_VERT | WS_VISIBLE, kVertBarId));
  bar.SetSkin(skin);
  EXPECT_EQ(bar.cell(), 15);
  RECT wr = bar.GetWindowRect();
  EXPECT_EQ(wr.right - wr.left, 15);
  SCROLLINFO si{};
  si.cbSize = sizeof si;
  si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
  si.nMax = 99;
  si.nPage = 10;
  bar.SendMessageW(SBM_SETSCROLLINFO, TRUE, reinterpret_cast<LPARAM>(&si));
  SCROLLINFO got{};
  got.cbSize = sizeof got;
  got.fMask = SIF_ALL;
  bar.SendMessageW(SBM_GETSCROLLINFO, 0, reinterpret_cast<LPARAM>(&got));
  EXPECT_EQ(got.nMax, 99);
  EXPECT_EQ(got.nPage, 10u);

  bar.SendMessageW(WM_LBUTTONDOWN, MK_LBUTTON, Pt(7, 192));
  ASSERT_EQ(host.scrolls.size(), 1u);
  EXPECT_EQ(host.scrolls[0].code, SB_LINEDOWN);
  bar.SendMessageW(WM_TIMER, 200);
  EXPECT_EQ(host.Count(SB_LINEDOWN), 2);
  EXPECT_TRUE(bar.logic().repeating());
  bar.SendMessageW(WM_TIMER, 100);
  EXPECT_EQ(host.Count(SB_LINEDOWN), 3);
  bar.SendMessageW(WM_MOUSEMOVE, MK_LBUTTON, Pt(7, 100));
  bar.SendMessageW(WM_TIMER, 100);
  EXPECT_EQ(host.Count(SB_LINEDOWN), 3);
  bar.SendMessageW(WM_MOUSEMOVE, MK_LBUTTON, Pt(30, 192));  // beside the bar counts as off it
  bar.SendMessageW(WM_TIMER, 100);
  EXPECT_EQ(host.Count(SB_LINEDOWN), 3);
  bar.SendMessageW(WM_MOUSEMOVE, MK_LBUTTON, Pt(7, 195));
  bar.SendMessageW(WM_TIMER, 100);
  EXPECT_EQ(host.Count(SB_LINEDOWN), 4);
  bar.SendMessageW(WM_LBUTTONUP, 0, Pt(7, 195));
  EXPECT_NE(::GetCapture(), bar.m_hWnd);
  bar.SendMessageW(WM_TIMER, 100);
  EXPECT_EQ(host.Count(SB_LINEDOWN), 4);

  // Holding on the track below the thumb pages until the thumb is there;
  // here the owner moves the position as a list would.
  host.scrolls.clear();
  bar.SendMessageW(WM_LBUTTONDOWN, MK_LBUTTON, Pt(7, 120));
  EXPECT_EQ(host.scrolls.back().code, SB_PAGEDOWN);
  for (int i = 0; i < 20; ++i) {
    SCROLLINFO pos{};
    pos.cbSize = sizeof pos;
    pos.fMask = SIF_POS;
    pos.nPos = std::min(90, 10 * host.Count(SB_PAGEDOWN));
    bar.SendMessageW(SBM_SETSCROLLINFO, FALSE, reinterpret_cast<LPARAM>(&pos));
    bar.SendMessageW(WM_TIMER, i == 0 ? 200 : 100);
  }
  bar.SendMessageW(WM_LBUTTONUP, 0, Pt(7, 120));
  EXPECT_GE(host.Count(SB_PAGEDOWN), 4);
  EXPECT_LE(host.Count(SB_PAGEDOWN), 7);  // stopped with the thumb at the pointer, not at the end
  SCROLLINFO reset{};
  reset.cbSize = sizeof reset;
  reset.fMask = SIF_POS;
  bar.SendMessageW(SBM_SETSCROLLINFO, FALSE, reinterpret_cast<LPARAM>(&reset));

  // Double-clicks do nothing.
  host.scrolls.clear();
  bar.SendMessageW(WM_LBUTTONDBLCLK, MK_LBUTTON, Pt(7, 192));
  EXPECT_TRUE(host.scrolls.empty());

  // Drag the thumb (15..32 at the top) far past the end.
  bar.SendMessageW(WM_LBUTTONDOWN, MK_LBUTTON, Pt(7, 20));
  EXPECT_TRUE(bar.logic().dragging());
  for (int y = 20; y <= 260; y += 3) bar.SendMessageW(WM_MOUSEMOVE, MK_LBUTTON, Pt(30, y));
  ASSERT_FALSE(host.scrolls.empty());
  for (auto& s : host.scrolls) {
    EXPECT_EQ(s.code, SB_THUMBTRACK);
    EXPECT_LE(s.pos, 90);
  }
  EXPECT_EQ(host.scrolls.back().pos, 90);
  bar.SendMessageW(WM_LBUTTONUP, 0, Pt(7, 260));
  EXPECT_EQ(host.scrolls.back().code, SB_THUMBPOSITION);
  EXPECT_EQ(host.scrolls.back().pos, 90);
  EXPECT_FALSE(bar.logic().dragging());
  bar.DestroyWindow();
}

class CWatchedList : public CMyListCtrl {
 public:
  HWND parent_at_destroy = nullptr;
  RECT rect_at_destroy{};
  TW_BEGIN_MSG_MAP(CWatchedList, CMyListCtrl)
    TW_MSG(WM_DESTROY, OnDestroy)
  TW_END_MSG_MAP()
  LRESULT OnDestroy(WPARAM, LPARAM) {
    parent_at_destroy = GetParent();
    rect_at_destroy = GetRectInParent();
    SetMsgHandled(false);
    return 0;
  }
};

TEST(SkinScrollWnd, WrapsForwardsSyncsAndUnwraps) {
  CHost host;
  ASSERT_TRUE(host.Make());
  fw::CBitmap skin(fw::LoadBitmapResource(IDB_SCROLL_SKIN));
  CWatchedList list;
  ASSERT_TRUE(list.Attach(MakeList(host, 400, 0)));
  FillList(list, 50, 150);
  list.SetRowHeight();
  ASSERT_TRUE(list.GetStyle() & WS_VSCROLL);
  ASSERT_FALSE(list.GetStyle() & WS_HSCROLL);
  RECT before = list.GetRectInParent();
  CSkinScrollWnd* frame = WrapWithSkinScrollBars(list, skin);
  ASSERT_NE(frame, nullptr);
  EXPECT_EQ(WrapWithSkinScrollBars(list, skin), nullptr);  // once only
  Pump();
  HWND fh = frame->m_hWnd;
  EXPECT_EQ(frame->Text(), L"SkinScrollBarFrame");
  EXPECT_EQ(::GetDlgCtrlID(fh), 400);
  EXPECT_EQ(list.GetParent(), frame->clip_window());
  EXPECT_EQ(::GetDlgCtrlID(frame->clip_window()), 200);
  EXPECT_EQ(frame->GetRectInParent().left, before.left);
  EXPECT_TRUE(frame->GetExStyle() & WS_EX_CLIENTEDGE);
  EXPECT_FALSE(list.GetExStyle() & WS_EX_CLIENTEDGE);
  EXPECT_TRUE(frame->vertical().IsWindowVisible());
  EXPECT_FALSE(frame->horizontal().IsWindowVisible());
  EXPECT_EQ(frame->size_box_mode(), 0);
  // The clip window cuts the native bar away.
  RECT clip{}, lr{};
  ::GetWindowRect(frame->clip_window(), &clip);
  ::GetWindowRect(list, &lr);
  EXPECT_LT(clip.right, lr.right);

  // Paint syncs the bar with the list's scroll state.
  ::RedrawWindow(list, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
  EXPECT_EQ(frame->vertical().logic().info().nMax, 49);
  // A bar's message reaches the list, and the bar follows.
  frame->SendMessageW(WM_VSCROLL, MAKEWPARAM(SB_LINEDOWN, 0), reinterpret_cast<LPARAM>(frame->vertical().m_hWnd));
  EXPECT_EQ(list.GetTopIndex(), 1);
  EXPECT_EQ(frame->vertical().logic().info().nPos, 1);
  frame->SendMessageW(WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 20), reinterpret_cast<LPARAM>(frame->vertical().m_hWnd));
  EXPECT_EQ(list.GetTopIndex(), 20);
  EXPECT_EQ(frame->vertical().logic().info().nPos, 20);
  // Notifications from the list still reach the page that owns it.
  host.notify_codes.clear();
  NMHDR nm{list.m_hWnd, 400, NM_CLICK};
  ::SendMessageW(frame->clip_window(), WM_NOTIFY, 400, reinterpret_cast<LPARAM>(&nm));
  EXPECT_EQ(host.notify_codes, (std::vector<UINT>{static_cast<UINT>(NM_CLICK)}));

  list.DestroyWindow();
  EXPECT_FALSE(::IsWindow(fh));
  EXPECT_EQ(list.parent_at_destroy, host.m_hWnd);
  EXPECT_EQ(list.rect_at_destroy.left, before.left);
  EXPECT_EQ(list.rect_at_destroy.bottom, before.bottom);

  // Both bars: both skin bars and the size box.
  CMyListCtrl wide;
  ASSERT_TRUE(wide.Attach(MakeList(host, 401, 0)));
  FillList(wide, 50, 300);
  ASSERT_TRUE((wide.GetStyle() & (WS_VSCROLL | WS_HSCROLL)) == (WS_VSCROLL | WS_HSCROLL));
  CSkinScrollWnd* f2 = WrapWithSkinScrollBars(wide, skin);
  ASSERT_NE(f2, nullptr);
  Pump();
  EXPECT_TRUE(f2->vertical().IsWindowVisible());
  EXPECT_TRUE(f2->horizontal().IsWindowVisible());
  EXPECT_EQ(f2->size_box_mode(), 2);
  // A horizontal thumb move scrolls horizontally only.
  f2->SendMessageW(WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 120), reinterpret_cast<LPARAM>(f2->horizontal().m_hWnd));
  EXPECT_EQ(::GetScrollPos(wide, SB_HORZ), 120);
  EXPECT_EQ(wide.GetTopIndex(), 0);
  // Destroyed with its parent: no fault, and everything is gone.
  HWND f2h = f2->m_hWnd;
  host.DestroyWindow();
  EXPECT_FALSE(::IsWindow(f2h));
}

// ---- Left menu -------------------------------------------------------------

int HeightOf(HWND w) {
  RECT r{};
  ::GetWindowRect(w, &r);
  return r.bottom - r.top;
}

int TopOf(HWND w) {
  RECT r{};
  ::GetWindowRect(w, &r);
  ::MapWindowPoints(HWND_DESKTOP, ::GetParent(w), reinterpret_cast<POINT*>(&r), 2);
  return r.top;
}

TEST(LeftMenu, SelectionHeightsAndNotices) {
  CHost host;
  ASSERT_TRUE(host.Make());
  CLeftMenuBar bar;
  ASSERT_TRUE(bar.Create(host, RECT{0, 0, 180, 420}));
  EXPECT_EQ(bar.GetDlgCtrlID(), 0xFFFF);
  CLeftMenuItem* pellowen = bar.AddMenuItem(u"Pellowen", L"CLOUD.PNG");
  ASSERT_NE(pellowen, nullptr);
  EXPECT_EQ(pellowen->normal_image(), L"FRISTMENU_BG.PNG");
  pellowen->SetSelected(true);
  EXPECT_EQ(host.selected, (std::vector<std::u16string>{u"Pellowen"}));
  CLeftMenuItem* tools = bar.AddMenuItem(u"Tools", L"TOOLS.PNG");
  EXPECT_EQ(tools->normal_image(), L"MENU_BG.PNG");
  CLeftMenuItem* persisted = bar.AddMenuItem(u"Persisted Devices", L"", tools);
  CLeftMenuItem* options = bar.AddMenuItem(u"Options", L"", tools);
  CLeftMenuItem* help = bar.AddMenuItem(u"Help", L"HELP.PNG");
  CLeftMenuItem* about = bar.AddMenuItem(u"About", L"", help);
  ASSERT_TRUE(persisted && options && help && about);
  EXPECT_EQ(persisted->normal_image(), L"CHILDITEM_BG.PNG");
  EXPECT_EQ(persisted->GetParent(), tools->m_hWnd);
  EXPECT_EQ(TopOf(*options), 97);
  EXPECT_EQ(TopOf(*tools), 51);
  EXPECT_EQ(HeightOf(*tools), 51);

  tools->SendMessageW(WM_LBUTTONUP, 0, Pt(20, 20));
  EXPECT_EQ(host.selected.back(), u"Tools");
  EXPECT_FALSE(pellowen->selected());
  EXPECT_EQ(HeightOf(*tools), 145);
  EXPECT_EQ(HeightOf(*pellowen), 49);
  EXPECT_EQ(TopOf(*tools), 49);
  EXPECT_EQ(TopOf(*help), 49 + 145);

  options->SendMessageW(WM_LBUTTONUP, 0, Pt(20, 10));
  EXPECT_EQ(host.selected.back(), u"Options");
  persisted->SendMessageW(WM_LBUTTONUP, 0, Pt(20, 10));
  EXPECT_EQ(host.selected.back(), u"Persisted Devices");
  EXPECT_FALSE(options->selected());
  EXPECT_TRUE(tools->selected());

  help->SendMessageW(WM_LBUTTONUP, 0, Pt(20, 10));
  EXPECT_EQ(HeightOf(*tools), 49);
  EXPECT_EQ(HeightOf(*help), 109);
  EXPECT_EQ(TopOf(*help), 98);
  size_t n = host.selected.size();
  help->SendMessageW(WM_LBUTTONUP, 0, Pt(20, 10));  // already selected
  EXPECT_EQ(host.selected.size(), n);
  tools->SendMessageW(WM_LBUTTONUP, 0, Pt(20, 10));  // its sub-item was selected
  EXPECT_EQ(host.selected.size(), n + 2);
  EXPECT_EQ(host.selected.back(), u"Tools");
  EXPECT_FALSE(persisted->selected());

  // A notice with a pointer that is not one of the bar's items is dropped.
  EXPECT_EQ(bar.SendMessageW(kWmMenuItemSelected, 0x1234, 0), 0);
  EXPECT_EQ(tools->SendMessageW(kWmMenuItemSelected, reinterpret_cast<WPARAM>(help), 0), 0);
  EXPECT_EQ(host.selected.size(), n + 2);

  // Hover colour and the hand cursor.
  tools->SendMessageW(WM_MOUSEHOVER);
  EXPECT_TRUE(tools->hover());
  tools->SendMessageW(WM_MOUSELEAVE);
  EXPECT_FALSE(tools->hover());

  // A selected item draws its selected background.
  Canvas c(180, 145);
  tools->Paint(c.dc());
  COLORREF px = c.At(100, 3);
  EXPECT_GT(GetBValue(px), GetRValue(px) + 60);  // the blue of SELECT.PNG
  pellowen->Paint(c.dc());
  px = c.At(100, 3);
  EXPECT_LT(GetBValue(px), 90);  // the dark item background
}


// ---- Accessibility ---------------------------------------------------------

// What a screen reader gets of a window's client object, the way it asks:
// WM_GETOBJECT, then ObjectFromLresult (AccessibleObjectFromWindow does not
// reach a window's own answer under Wine).
struct Heard {
  bool answered = false;
  std::wstring name;
  long role = 0, state = 0;
  IAccessible* object = nullptr;
  ~Heard() {
    if (object) object->Release();
  }
};
void Hear(HWND w, Heard* out) {
  LRESULT r = ::SendMessageW(w, WM_GETOBJECT, 0, static_cast<LPARAM>(OBJID_CLIENT));
  if (r <= 0 || FAILED(::ObjectFromLresult(r, IID_IAccessible, 0, reinterpret_cast<void**>(&out->object))) ||
      !out->object)
    return;
  out->answered = true;
  VARIANT self{};
  self.vt = VT_I4;
  self.lVal = CHILDID_SELF;
  BSTR name = nullptr;
  if (SUCCEEDED(out->object->get_accName(self, &name)) && name) out->name = name;
  ::SysFreeString(name);
  VARIANT v{};
  if (SUCCEEDED(out->object->get_accRole(self, &v)) && v.vt == VT_I4) out->role = v.lVal;
  VARIANT st{};
  if (SUCCEEDED(out->object->get_accState(self, &st)) && st.vt == VT_I4) out->state = st.lVal;
}

TEST(Accessible, OwnerDrawnControlsTellNamesRolesStatesAndAct) {
  ASSERT_TRUE(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
  {
    CHost host;
    ASSERT_TRUE(host.Make());
    CLeftMenuBar bar;
    ASSERT_TRUE(bar.Create(host, RECT{0, 0, 180, 420}));
    CLeftMenuItem* devices = bar.AddMenuItem(u"Devices", L"CLOUD.PNG");
    CLeftMenuItem* tools = bar.AddMenuItem(u"Tools", L"TOOLS.PNG");
    ASSERT_TRUE(devices && tools && bar.AddMenuItem(u"Options", L"", tools));
    devices->SetSelected(true);
    Heard item;
    Hear(*tools, &item);
    ASSERT_TRUE(item.answered);
    EXPECT_EQ(item.name, L"Tools");
    EXPECT_EQ(item.role, ROLE_SYSTEM_OUTLINEITEM);
    EXPECT_EQ(item.state & (STATE_SYSTEM_SELECTED | STATE_SYSTEM_COLLAPSED | STATE_SYSTEM_FOCUSABLE),
              STATE_SYSTEM_COLLAPSED | STATE_SYSTEM_FOCUSABLE);
    // Its default action opens the page, as a click does.
    VARIANT self{};
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    ASSERT_EQ(item.object->accDoDefaultAction(self), S_OK);
    Pump();
    EXPECT_TRUE(tools->selected());
    Heard open;
    Hear(*tools, &open);
    EXPECT_EQ(open.state & (STATE_SYSTEM_SELECTED | STATE_SYSTEM_EXPANDED), STATE_SYSTEM_SELECTED | STATE_SYSTEM_EXPANDED);

    HWND b = ::CreateWindowExW(0, L"BUTTON", L"&Mount && Go", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 200, 10, 80, 25,
                               host, reinterpret_cast<HMENU>(7), nullptr, nullptr);
    CButtonEx button;
    ASSERT_TRUE(button.Attach(b));
    Heard pressed;
    Hear(b, &pressed);
    ASSERT_TRUE(pressed.answered);
    EXPECT_EQ(pressed.name, L"Mount & Go");
    EXPECT_EQ(pressed.role, ROLE_SYSTEM_PUSHBUTTON);
    ASSERT_EQ(pressed.object->accDoDefaultAction(self), S_OK);
    Pump();
    EXPECT_NE(std::find(host.commands.begin(), host.commands.end(), MAKEWPARAM(7, BN_CLICKED)), host.commands.end());

    CMyListCtrl list;
    ASSERT_TRUE(list.Attach(MakeList(host, 303, 0)));
    FillList(list, 2, 100);
    Heard header;
    Hear(list.GetHeader(), &header);
    ASSERT_TRUE(header.answered);
    EXPECT_EQ(header.name, L"Name, Size");
    EXPECT_EQ(header.role, ROLE_SYSTEM_LIST);
    // Other objects are the system's to answer.
    EXPECT_EQ(::SendMessageW(b, WM_GETOBJECT, 0, static_cast<LPARAM>(OBJID_VSCROLL)), 0);
  }
  ::CoUninitialize();
}

// ---- The frame -----------------------------------------------------------

class CTestFrame : public CTitleBarDlg {
 public:
  std::vector<UINT> log;
  TW_BEGIN_MSG_MAP(CTestFrame, CTitleBarDlg)
    TW_MSG(WM_CLOSE, OnClose)
    TW_MSG(WM_SYSCOMMAND, OnSysCommand)
  TW_END_MSG_MAP()
  LRESULT OnClose(WPARAM, LPARAM) {
    log.push_back(WM_CLOSE);
    SetMsgHandled(false);
    return 0;
  }
  LRESULT OnSysCommand(WPARAM wp, LPARAM) {
    log.push_back(static_cast<UINT>(wp & 0xFFF0));
    return 0;  // kept from the window manager in the test
  }
};

class CCloseLogFrame : public CTitleBarDlg {
 public:
  int closes = 0;
  TW_BEGIN_MSG_MAP(CCloseLogFrame, CTitleBarDlg)
    TW_MSG(WM_CLOSE, OnClose)
  TW_END_MSG_MAP()
  LRESULT OnClose(WPARAM, LPARAM) {
    ++closes;
    return 0;
  }
};

bool RegionHas(HWND w, int x, int y) {
  HRGN r = ::CreateRectRgn(0, 0, 0, 0);
  int kind = ::GetWindowRgn(w, r);
  bool in = kind != ERROR && ::PtInRegion(r, x, y);
  ::DeleteObject(r);
  return in;
}

// How deep background erases nest in a frame: setting the region repaints
// the window from inside the erase that cut it.
class CEraseDepthFrame : public CTitleBarDlg {
 public:
  int depth = 0, deepest = 0;
  bool ProcessWindowMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override {
    if (msg != WM_ERASEBKGND) return CTitleBarDlg::ProcessWindowMessage(msg, wp, lp, result);
    deepest = std::max(deepest, ++depth);
    bool handled = CTitleBarDlg::ProcessWindowMessage(msg, wp, lp, result);
    --depth;
    return handled;
  }
};

TEST(TitleBar, FirstPaintCutsTheCornersOnce) {
  CTitleBarDlg::ResetRegionPending();
  CEraseDepthFrame frame;
  frame.SetBackgroundImage(fw::LoadNumberedImage(IDB_BACKGROUND, TW_RT_BACKGROUND));
  frame.SetEnforcedSize(800, 480);
  ASSERT_TRUE(frame.CreateModeless());
  frame.ShowWindow(SW_SHOW);
  ::RedrawWindow(frame, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_FRAME);
  Pump();
  EXPECT_FALSE(RegionHas(frame, 0, 0));
  EXPECT_TRUE(RegionHas(frame, 400, 240));
  // The repaint that setting the region causes draws once more; it does not cut again.
  EXPECT_LE(frame.deepest, 2);
  frame.DestroyWindow();
}

TEST(TitleBar, RegionCaptionButtonsDragAreaTrayAndSize) {
  CTitleBarDlg::ResetRegionPending();
  CTestFrame frame;
  frame.SetBackgroundImage(fw::LoadNumberedImage(IDB_BACKGROUND, TW_RT_BACKGROUND));
  ASSERT_NE(frame.background_image(), nullptr);
  frame.SetEnforcedSize(800, 480);
  ASSERT_TRUE(frame.CreateModeless());
  frame.ShowWindow(SW_HIDE);
  frame.ShowWindow(SW_SHOW);
  RECT wr = frame.GetWindowRect();
  EXPECT_EQ(wr.right - wr.left, 800);
  EXPECT_EQ(wr.bottom - wr.top, 480);
  ::RedrawWindow(frame, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_FRAME);
  Pump();
  EXPECT_FALSE(RegionHas(frame, 0, 0));
  EXPECT_FALSE(RegionHas(frame, 799, 479));
  EXPECT_TRUE(RegionHas(frame, 6, 6));
  EXPECT_TRUE(RegionHas(frame, 400, 240));
  EXPECT_EQ(frame.tray_record().uID, 128u);
  EXPECT_EQ(frame.tray_record().uCallbackMessage, static_cast<UINT>(kWmFrameTrayIcon));
  EXPECT_STREQ(frame.tray_record().szTip, L"Velthorn");

  CaptionRects r = ComputeCaptionRects(800, ::GetSystemMetrics(SM_CXFRAME), ::GetSystemMetrics(SM_CYFRAME));
  POINT close{(r.close.left + r.close.right) / 2, (r.close.top + r.close.bottom) / 2};
  POINT minimize{(r.minimize.left + r.minimize.right) / 2, (r.minimize.top + r.minimize.bottom) / 2};
  auto hit = [&](int x, int y) { return frame.SendMessageW(WM_NCHITTEST, 0, Pt(wr.left + x, wr.top + y)); };
  EXPECT_EQ(hit(300, 10), HTCAPTION);
  EXPECT_EQ(hit(300, 49), HTCAPTION);
  EXPECT_NE(hit(300, 50), HTCAPTION);
  EXPECT_NE(hit(close.x, close.y), HTCAPTION);

  frame.SendMessageW(WM_MOUSEMOVE, 0, Pt(close.x, close.y));
  EXPECT_EQ(frame.image_of(CaptionButton::kClose), CaptionImage::kHover);
  EXPECT_EQ(frame.image_of(CaptionButton::kMinimize), CaptionImage::kNormal);
  frame.SendMessageW(WM_MOUSEMOVE, MK_LBUTTON, Pt(close.x, close.y));
  EXPECT_EQ(frame.image_of(CaptionButton::kClose), CaptionImage::kPressed);
  frame.SendMessageW(WM_MOUSEMOVE, 0, Pt(300, 200));
  EXPECT_EQ(frame.image_of(CaptionButton::kClose), CaptionImage::kNormal);
  EXPECT_EQ(CaptionBitmap(CaptionButton::kClose, frame.image_of(CaptionButton::kClose)), 132);

  // Pressed on close, released elsewhere: nothing.
  frame.SendMessageW(WM_LBUTTONDOWN, MK_LBUTTON, Pt(close.x, close.y));
  frame.SendMessageW(WM_LBUTTONUP, 0, Pt(300, 200));
  EXPECT_TRUE(frame.log.empty());
  frame.SendMessageW(WM_LBUTTONUP, 0, Pt(minimize.x, minimize.y));
  EXPECT_EQ(frame.log, (std::vector<UINT>{SC_MINIMIZE}));
  frame.SendMessageW(WM_LBUTTONUP, 0, Pt(10, 10));  // the icon area
  EXPECT_EQ(frame.log.size(), 1u);
  frame.SendMessageW(WM_LBUTTONUP, 0, Pt(close.x, close.y));
  EXPECT_EQ(frame.log.back(), static_cast<UINT>(WM_CLOSE));

  // The frame's own tray icon toggles the window.
  frame.ShowWindow(SW_SHOW);
  EXPECT_EQ(frame.SendMessageW(kWmFrameTrayIcon, 128, WM_LBUTTONDBLCLK), 1);
  EXPECT_FALSE(frame.IsWindowVisible());
  frame.SendMessageW(kWmFrameTrayIcon, 128, WM_LBUTTONDBLCLK);
  EXPECT_TRUE(frame.IsWindowVisible());
  EXPECT_EQ(frame.SendMessageW(CTitleBarDlg::TaskbarCreatedMessage()), 1);
  EXPECT_EQ(frame.SendMessageW(WM_QUERYDRAGICON), reinterpret_cast<LRESULT>(frame.SendMessageW(WM_GETICON, ICON_BIG)));
  frame.DestroyWindow();
  EXPECT_EQ(frame.background_image(), nullptr);

  // System commands other than 0x10 to 0x1F reach the default handling.
  CCloseLogFrame sys;
  ASSERT_TRUE(sys.CreateModeless());
  sys.SendMessageW(WM_SYSCOMMAND, SC_CLOSE);
  EXPECT_EQ(sys.closes, 1);
  sys.DestroyWindow();

  // A background without white corners: a rectangular window.
  CTitleBarDlg::ResetRegionPending();
  CTestFrame dark;
  dark.SetBackgroundImage(fw::LoadNamedImage(L"BG.PNG", TW_RT_PNG_BY_NAME));
  dark.SetEnforcedSize(180, 420);
  ASSERT_TRUE(dark.CreateModeless());
  dark.ShowWindow(SW_HIDE);
  dark.ShowWindow(SW_SHOW);
  ::RedrawWindow(dark, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
  Pump();
  EXPECT_TRUE(RegionHas(dark, 0, 0));
  EXPECT_TRUE(RegionHas(dark, 179, 419));
  dark.DestroyWindow();
}

}  // namespace
}  // namespace tw::ui

int main(int argc, char** argv) {
  tw::fw::CApp::InitCommonControls(ICC_WIN95_CLASSES);
  tw::fw::CGdiPlusSession gdiplus;
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
