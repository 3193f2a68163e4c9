#include "ui/win/title_bar_dlg.h"

#include "framework/image.h"
#include "ui/win/menu_ex.h"

namespace tw::ui {
namespace {

bool g_region_pending = true;
constexpr COLORREF kButtonKey = RGB(192, 192, 192);

int Slot(CaptionButton b) {
  switch (b) {
    case CaptionButton::kClose: return 0;
    case CaptionButton::kMinimize: return 1;
    case CaptionButton::kMenu: return 2;
    default: return -1;
  }
}

RECT ToRect(const Rect& r) { return RECT{r.left, r.top, r.right, r.bottom}; }

Rect ScaleRect(const Rect& r, UINT dpi) {
  return Rect{fw::Scale(r.left, dpi), fw::Scale(r.top, dpi), fw::Scale(r.right, dpi), fw::Scale(r.bottom, dpi)};
}

int Unscale(int px, UINT dpi) { return ::MulDiv(px, fw::kBaseDpi, static_cast<int>(dpi)); }

}  // namespace

CTitleBarDlg::CTitleBarDlg(UINT template_id, HINSTANCE inst)
    : fw::CDialog(template_id, inst), button_top_(::GetSystemMetrics(SM_CYFRAME)) {
  HINSTANCE h = this->instance();
  big_icon_ = static_cast<HICON>(::LoadImageW(h, MAKEINTRESOURCEW(kFrameIcon), IMAGE_ICON, 0, 0, LR_DEFAULTSIZE));
  small_icon_ = static_cast<HICON>(::LoadImageW(h, MAKEINTRESOURCEW(kFrameIcon), IMAGE_ICON, 16, 16, 0));
  const CaptionButton buttons[3] = {CaptionButton::kClose, CaptionButton::kMinimize, CaptionButton::kMenu};
  for (int b = 0; b < 3; ++b)
    for (int i = 0; i < 3; ++i)
      bitmaps_[b][i].Attach(fw::LoadBitmapResource(
          static_cast<UINT>(CaptionBitmap(buttons[b], static_cast<CaptionImage>(i))), h));
}

CTitleBarDlg::~CTitleBarDlg() {
  if (big_icon_) ::DestroyIcon(big_icon_);
  if (small_icon_) ::DestroyIcon(small_icon_);
}

void CTitleBarDlg::ResetRegionPending() { g_region_pending = true; }

UINT CTitleBarDlg::TaskbarCreatedMessage() {
  static const UINT msg = ::RegisterWindowMessageW(L"TaskbarCreated");
  return msg;
}

void CTitleBarDlg::SetBackgroundImage(std::unique_ptr<Gdiplus::Image> image) {
  background_ = std::move(image);
  if (m_hWnd) Invalidate();
}

CaptionImage CTitleBarDlg::image_of(CaptionButton b) const {
  int s = Slot(b);
  return s < 0 ? CaptionImage::kNormal : images_[s];
}

BOOL CTitleBarDlg::OnInitDialog() {
  BOOL r = fw::CDialog::OnInitDialog();
  dpi_ = fw::DpiOf(m_hWnd);
  SendMessageW(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big_icon_));
  SendMessageW(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small_icon_));
  tray_ = NOTIFYICONDATAW{};
  tray_.cbSize = sizeof tray_;
  tray_.hWnd = m_hWnd;
  tray_.uID = kFrameIcon;
  tray_.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  tray_.uCallbackMessage = kWmFrameTrayIcon;
  tray_.hIcon = small_icon_;
  lstrcpynW(tray_.szTip, L"Velthorn", 128);
  return r;
}

CaptionRects CTitleBarDlg::WindowRects() const {
  // The skin's rules are in 96-DPI pixels.
  RECT wr = GetWindowRect();
  CaptionRects r =
      ComputeCaptionRects(Unscale(wr.right - wr.left, dpi_), ::GetSystemMetrics(SM_CXFRAME), button_top_);
  if (dpi_ == fw::kBaseDpi) return r;
  return CaptionRects{ScaleRect(r.close, dpi_), ScaleRect(r.minimize, dpi_), ScaleRect(r.menu, dpi_),
                      ScaleRect(r.icon, dpi_)};
}

void CTitleBarDlg::UpdateCaptionRects() {
  RECT wr = GetWindowRect();
  CaptionRects r = WindowRects();
  close_rect_ = ToRect(r.close.Offset(wr.left, wr.top));
  minimize_rect_ = ToRect(r.minimize.Offset(wr.left, wr.top));
  menu_rect_ = ToRect(r.menu.Offset(wr.left, wr.top));
  icon_rect_ = ToRect(r.icon.Offset(wr.left, wr.top));
}

void CTitleBarDlg::DrawCaptionButtons() {
  if (!m_hWnd || IsIconic()) return;
  UpdateCaptionRects();
  // A window not yet shown has nothing on screen to draw over: the first
  // paint draws the buttons.
  if (!IsWindowVisible()) return;
  CaptionRects r = WindowRects();
  fw::CWindowDC dc(m_hWnd);
  const Rect* rects[3] = {&r.close, &r.minimize, &r.menu};
  for (int b = 0; b < 3; ++b) {
    HBITMAP bmp = bitmaps_[b][static_cast<int>(images_[b])];
    SIZE s = fw::GetBitmapSize(bmp);
    const Rect& rc = *rects[b];
    // The bitmap at its scaled size: the rectangle and the bitmap may differ by a pixel.
    dc.DrawBitmapKeyed(bmp, rc.left, rc.top, Scaled(s.cx), Scaled(s.cy), 0, 0, s.cx, s.cy, kButtonKey);
  }
}

void CTitleBarDlg::ChooseImages(POINT client, bool button_down) {
  POINT screen = client;
  ::ClientToScreen(m_hWnd, &screen);
  UpdateCaptionRects();
  const RECT* rects[3] = {&close_rect_, &minimize_rect_, &menu_rect_};
  for (int b = 0; b < 3; ++b) images_[b] = ChooseCaptionImage(::PtInRect(rects[b], screen) != FALSE, button_down);
}

LRESULT CTitleBarDlg::OnEraseBkgnd(HDC hdc) {
  RECT rc = GetClientRect();
  HBITMAP opaque = dpi_ == fw::kBaseDpi ? fw::OpaqueBitmapOf(background_.get()) : nullptr;
  if (opaque) {
    SIZE s = fw::GetBitmapSize(opaque);
    fw::CDCHandle(hdc).DrawBitmap(opaque, 0, 0, s.cx, s.cy, 0, 0, s.cx, s.cy);
  } else if (background_) {
    Gdiplus::Graphics g(hdc);
    g.SetSmoothingMode(Gdiplus::SmoothingModeNone);
    g.SetPageUnit(Gdiplus::UnitPixel);
    if (dpi_ != fw::kBaseDpi) {
      g.SetInterpolationMode(Gdiplus::InterpolationModeHighQualityBicubic);
      g.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHighQuality);
    }
    g.DrawImage(background_.get(), 0, 0, Scaled(static_cast<INT>(background_->GetWidth())),
                Scaled(static_cast<INT>(background_->GetHeight())));
  } else {
    ::FillRect(hdc, &rc, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
  }
  if (g_region_pending) CutCorners(hdc, TRUE);
  for (auto& img : images_) img = CaptionImage::kNormal;
  CaptionRects r = WindowRects();
  const Rect* rects[3] = {&r.close, &r.minimize, &r.menu};
  fw::CDCHandle dc(hdc);
  for (int b = 0; b < 3; ++b) {
    HBITMAP bmp = bitmaps_[b][0];
    SIZE s = fw::GetBitmapSize(bmp);
    dc.DrawBitmapKeyed(bmp, rects[b]->left, rects[b]->top, Scaled(s.cx), Scaled(s.cy), 0, 0, s.cx, s.cy, kButtonKey);
  }
  return 1;
}

void CTitleBarDlg::CutCorners(HDC painted, BOOL redraw) {
  // Cleared first: setting the region with a redraw repaints the window,
  // and the erase must not cut the corners again from inside that repaint.
  g_region_pending = false;
  RECT rc = GetClientRect();
  int w = rc.right, h = rc.bottom;
  // Read the picture itself where it lies: reading the screen back would
  // see whatever covers the window at that moment.
  auto* bitmap = dynamic_cast<Gdiplus::Bitmap*>(background_.get());
  const int bw = bitmap ? static_cast<int>(bitmap->GetWidth()) : 0;
  const int bh = bitmap ? static_cast<int>(bitmap->GetHeight()) : 0;
  std::vector<Point> cut = CornerPixelsToCut(w, h, [&](int x, int y) {
    const int ix = Unscale(x, dpi_), iy = Unscale(y, dpi_);
    if (ix < bw && iy < bh) {
      Gdiplus::Color c;
      bitmap->GetPixel(ix, iy, &c);
      return c.GetAlpha() == 255 && (c.GetValue() & 0xFFFFFF) == 0xFFFFFF;
    }
    // Beyond the picture: what the erase drew there, white without a
    // picture, nothing (kept) before the first paint.
    if (painted) return ::GetPixel(painted, x, y) == RGB(255, 255, 255);
    return !background_;
  });
  HRGN region = ::CreateRectRgn(0, 0, w, h);
  for (Point p : cut) {
    HRGN dot = ::CreateRectRgn(p.x, p.y, p.x + 1, p.y + 1);
    ::CombineRgn(region, region, dot, RGN_DIFF);
    ::DeleteObject(dot);
  }
  // The window owns the region once it is set.
  if (!::SetWindowRgn(m_hWnd, region, redraw)) ::DeleteObject(region);
}

void CTitleBarDlg::ShowFrameMenu() {
  CMenuEx menu;
  if (!menu.LoadOwnerDrawn(kFrameMenu, instance())) return;
  POINT p{};
  ::GetCursorPos(&p);
  ::TrackPopupMenu(menu.FirstPopup(), 0, p.x, p.y, 0, m_hWnd, nullptr);
}

bool CTitleBarDlg::ProcessWindowMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
  if (msg == TaskbarCreatedMessage()) {
    result = Default();
    ::Shell_NotifyIconW(NIM_ADD, &tray_);
    result = 1;
    return true;
  }
  switch (msg) {
    case WM_MOVE:
    case WM_NCPAINT:
    case WM_NCACTIVATE:
    case WM_NOTIFY:
      if (fw::CDialog::ProcessWindowMessage(msg, wp, lp, result)) {
        DrawCaptionButtons();
        return true;
      }
      result = Default();
      DrawCaptionButtons();
      return true;
    case WM_PAINT:
      if (IsIconic()) {
        fw::CPaintDC dc(m_hWnd);
        SendMessageW(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.m_hDC));
        RECT rc = GetClientRect();
        int cx = ::GetSystemMetrics(SM_CXICON), cy = ::GetSystemMetrics(SM_CYICON);
        ::DrawIcon(dc, (rc.right - cx + 1) / 2, (rc.bottom - cy + 1) / 2, big_icon_);
        result = 0;
        return true;
      }
      result = Default();
      DrawCaptionButtons();
      return true;
    case WM_ERASEBKGND: result = OnEraseBkgnd(reinterpret_cast<HDC>(wp)); return true;
    case WM_QUERYDRAGICON: result = reinterpret_cast<LRESULT>(big_icon_); return true;
    case WM_MOUSEMOVE:
      if (mouse_.OnMouseMove()) TrackMouse(TME_LEAVE, 0);
      ChooseImages(fw::PointFromLParam(lp), (wp & MK_LBUTTON) != 0);
      DrawCaptionButtons();
      result = 0;
      return true;
    case WM_MOUSELEAVE:
      mouse_.OnLeave();
      for (auto& img : images_) img = CaptionImage::kNormal;
      DrawCaptionButtons();
      result = 0;
      return true;
    case WM_NCMOUSEMOVE:
      for (auto& img : images_) img = CaptionImage::kNormal;
      DrawCaptionButtons();
      result = Default();
      return true;
    case WM_LBUTTONDOWN:
      ChooseImages(fw::PointFromLParam(lp), true);
      DrawCaptionButtons();
      result = Default();
      return true;
    case WM_LBUTTONUP: {
      POINT p = fw::PointFromLParam(lp);
      POINT screen = p;
      ::ClientToScreen(m_hWnd, &screen);
      UpdateCaptionRects();
      result = 0;
      if (::PtInRect(&icon_rect_, screen)) return true;
      if (::PtInRect(&menu_rect_, screen)) ShowFrameMenu();
      else if (::PtInRect(&close_rect_, screen)) SendMessageW(WM_CLOSE);
      else if (::PtInRect(&minimize_rect_, screen)) SendMessageW(WM_SYSCOMMAND, SC_MINIMIZE);
      else if (!IsZoomed()) result = Default();
      if (!IsWindow()) return true;
      ChooseImages(p, false);
      DrawCaptionButtons();
      return true;
    }
    case WM_NCHITTEST: {
      POINT screen = fw::PointFromLParam(lp);
      RECT wr = GetWindowRect();
      RECT cr = GetClientRect();
      POINT client = screen;
      ::ScreenToClient(m_hWnd, &client);
      // The drag area is a 96-DPI figure: the rectangles keep their scale, the rest goes back to it.
      Point wp_pt{screen.x - wr.left, screen.y - wr.top};
      CaptionRects rects = WindowRects();
      if (dpi_ != fw::kBaseDpi) {
        wp_pt = Point{Unscale(wp_pt.x, dpi_), Unscale(wp_pt.y, dpi_)};
        client = POINT{Unscale(client.x, dpi_), Unscale(client.y, dpi_)};
        cr = RECT{0, 0, Unscale(cr.right, dpi_), Unscale(cr.bottom, dpi_)};
        rects = ComputeCaptionRects(Unscale(wr.right - wr.left, dpi_), ::GetSystemMetrics(SM_CXFRAME), button_top_);
      }
      if (IsDragPoint(rects, wp_pt, Point{client.x, client.y}, cr.right, cr.bottom)) {
        result = HTCAPTION;
        return true;
      }
      result = Default();
      return true;
    }
    case WM_SHOWWINDOW:
      result = Default();
      if (enforced_width_ != 0) {
        RECT wr = GetWindowRect();
        SetWindowPos(nullptr, wr.left, wr.top, Scaled(enforced_width_), Scaled(enforced_height_),
                     SWP_NOZORDER | SWP_NOACTIVATE);
      }
      // Cut before the window first shows: cut from the first paint, the
      // window would be drawn all over again.
      if (wp && g_region_pending) CutCorners(nullptr, FALSE);
      return true;
    case WM_DPICHANGED: {
      // Where the system suggests, then the content at the new scale.
      dpi_ = LOWORD(wp) ? LOWORD(wp) : fw::kBaseDpi;
      const RECT* to = reinterpret_cast<const RECT*>(lp);
      g_region_pending = true;
      if (to)
        SetWindowPos(nullptr, to->left, to->top, to->right - to->left, to->bottom - to->top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
      OnDpiChanged(dpi_);
      ::RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
      result = 0;
      return true;
    }
    case WM_SYSCOMMAND:
      if (IsIgnoredSysCommand(static_cast<unsigned>(wp))) {
        result = 0;
        return true;
      }
      break;
    case kWmFrameTrayIcon:
      result = Default();
      if (lp == WM_LBUTTONDBLCLK) {
        if (IsWindowVisible()) {
          ShowWindow(SW_HIDE);
        } else {
          ShowWindow(SW_RESTORE);
          ::SetForegroundWindow(m_hWnd);
        }
        ::Shell_NotifyIconW(NIM_DELETE, &tray_);
      }
      result = 1;
      return true;
    case WM_DESTROY:
      result = Default();
      background_.reset();
      ::Shell_NotifyIconW(NIM_DELETE, &tray_);
      return true;
  }
  return fw::CDialog::ProcessWindowMessage(msg, wp, lp, result);
}

}  // namespace tw::ui
