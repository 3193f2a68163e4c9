#include "ui/win/skin_controls.h"

#include <algorithm>

#include "framework/dpi.h"
#include "ui/win/accessible.h"
#include "ui/win/memory_dc.h"

namespace tw::ui {
namespace {

COLORREF Ref(Rgb c) { return RGB(c.r, c.g, c.b); }
constexpr COLORREF kKeyMagenta = RGB(255, 0, 255);

}  // namespace

// ---- CButtonEx -----------------------------------------------------------

bool CButtonEx::Attach(HWND button) {
  if (!SubclassWindow(button)) return false;
  LONG_PTR style = GetStyle();
  ::SetWindowLongPtrW(m_hWnd, GWL_STYLE, (style & ~static_cast<LONG_PTR>(BS_TYPEMASK)) | BS_OWNERDRAW);
  Invalidate();
  return true;
}

bool CButtonEx::LoadStateImages(UINT bitmap_id, HINSTANCE inst) {
  strip_id_ = bitmap_id;
  strip_inst_ = inst;
  strip_.Attach(fw::LoadBitmapResource(bitmap_id, inst));
  for (auto& b : images_) b.DeleteObject();
  RECT rc = GetClientRect();
  have_images_ = !strip_.IsNull() && rc.right > 0 && rc.bottom > 0;
  if (have_images_) Invalidate();
  return have_images_;
}

HBITMAP CButtonEx::state_image(ButtonLook look) {
  // Cut the first time the look is drawn: most buttons are never pressed.
  fw::CBitmap& img = images_[static_cast<int>(look)];
  if (!img.IsNull() || !have_images_) return img;
  const ButtonLook frames[4] = {ButtonLook::kPressed, ButtonLook::kHover, ButtonLook::kNormal, ButtonLook::kDisabled};
  const int frame = static_cast<int>(std::find(frames, frames + 4, look) - frames);
  SIZE s = fw::GetBitmapSize(strip_);
  RECT rc = GetClientRect();
  int w = rc.right, h = rc.bottom;
  fw::CClientDC screen(m_hWnd);
  fw::CDC src, dst;
  src.CreateCompatibleDC(screen);
  dst.CreateCompatibleDC(screen);
  fw::CSelect sel_src(src, strip_);
  ::SetStretchBltMode(dst, COLORONCOLOR);
  Rect fr = StripFrameRect(s.cx, s.cy, frame);
  img.Attach(::CreateCompatibleBitmap(screen, w, h));
  fw::CSelect sel_dst(dst, img);
  ::StretchBlt(dst, 0, 0, w, h, src, fr.left, fr.top, fr.Width(), fr.Height(), SRCCOPY);
  return img;
}

ButtonLook CButtonEx::CurrentLook(bool selected) const {
  return ChooseButtonLook(!IsWindowEnabled(), selected, hover_.hover());
}

void CButtonEx::Draw(HDC target, const RECT& rc, ButtonLook look) {
  CMemoryDC dc(target, &rc);
  int w = rc.right - rc.left, h = rc.bottom - rc.top;
  if (have_images_) {
    HBITMAP img = state_image(look);
    const ButtonMargins& m = margins_;
    // The border strips only; the middle is the gradient.
    dc.DrawBitmapKeyed(img, rc.left, rc.top, w, m.top, 0, 0, w, m.top, kKeyMagenta);
    dc.DrawBitmapKeyed(img, rc.left, rc.bottom - m.bottom, w, m.bottom, 0, h - m.bottom, w, m.bottom, kKeyMagenta);
    dc.DrawBitmapKeyed(img, rc.left, rc.top + m.top, m.left, h - m.top - m.bottom, 0, m.top, m.left,
                       h - m.top - m.bottom, kKeyMagenta);
    dc.DrawBitmapKeyed(img, rc.right - m.right, rc.top + m.top, m.right, h - m.top - m.bottom, w - m.right, m.top,
                       m.right, h - m.top - m.bottom, kKeyMagenta);
  }
  Rect inner = ButtonInnerRect(Rect{rc.left, rc.top, rc.right, rc.bottom}, margins_);
  Gradient3 g = ButtonGradient(look);
  dc.VerticalGradient3(RECT{inner.left, inner.top, inner.right, inner.bottom}, Ref(g.top), Ref(g.middle),
                       Ref(g.bottom));
  fw::CSelect sel(dc, font_);
  dc.SetBkMode(TRANSPARENT);
  dc.SetTextColor(look == ButtonLook::kDisabled ? RGB(192, 192, 192) : font_.text_colour());
  RECT tr = rc;
  dc.DrawTextW(Text(), &tr, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  if (focused_) {
    RECT f{inner.left + 1, inner.top + 1, inner.right - 1, inner.bottom - 1};
    dc.SetTextColor(RGB(0, 0, 0));
    ::SetBkColor(dc, RGB(255, 255, 255));
    ::DrawFocusRect(dc, &f);
  }
}

LRESULT CButtonEx::OnDrawItem(WPARAM, LPARAM lp) {
  auto* dis = reinterpret_cast<DRAWITEMSTRUCT*>(lp);
  ButtonLook look = ChooseButtonLook((dis->itemState & ODS_DISABLED) != 0, (dis->itemState & ODS_SELECTED) != 0,
                                     hover_.hover());
  focused_ = (dis->itemState & ODS_FOCUS) && !(dis->itemState & ODS_NOFOCUSRECT);
  Draw(dis->hDC, dis->rcItem, look);
  focused_ = false;
  return TRUE;
}

LRESULT CButtonEx::OnGetDlgCode(WPARAM, LPARAM lp) {
  // Enter on the focused button presses it, as on a standard push button
  // (an owner-drawn one would otherwise send the dialog's default command).
  LRESULT code = Default();
  if (auto* m = reinterpret_cast<const MSG*>(lp); m && m->message == WM_KEYDOWN && m->wParam == VK_RETURN)
    code |= DLGC_WANTMESSAGE;
  return code;
}

LRESULT CButtonEx::OnKeyDown(WPARAM wp, LPARAM) {
  if (wp != VK_RETURN || !IsWindowEnabled()) {
    SetMsgHandled(false);
    return 0;
  }
  ::SendMessageW(GetParent(), WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(m_hWnd), BN_CLICKED),
                 reinterpret_cast<LPARAM>(m_hWnd));
  return 0;
}

LRESULT CButtonEx::OnGetObject(WPARAM wp, LPARAM lp) {
  AccessibleFacts facts;
  // The text without its mnemonic marks ("&&" is a literal "&").
  std::wstring text = Text();
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == L'&' && ++i == text.size()) break;
    facts.name += text[i];
  }
  facts.role = ROLE_SYSTEM_PUSHBUTTON;
  facts.state = STATE_SYSTEM_FOCUSABLE;
  facts.default_action = L"Press";
  LRESULT r = AnswerGetObject(m_hWnd, wp, lp, facts);
  if (!r) SetMsgHandled(false);
  return r;
}

LRESULT CButtonEx::OnDpiChanged(WPARAM wp, LPARAM) {
  font_.SetDpi(wp ? static_cast<UINT>(wp) : fw::DpiOf(m_hWnd));
  if (strip_id_) LoadStateImages(strip_id_, strip_inst_);
  SetMsgHandled(false);
  return 0;
}

LRESULT CButtonEx::OnMouseMove(WPARAM, LPARAM) {
  if (hover_.OnMouseMove()) TrackMouse(TME_HOVER | TME_LEAVE, 1);
  SetMsgHandled(false);
  return 0;
}

LRESULT CButtonEx::OnMouseHover(WPARAM, LPARAM) {
  hover_.OnHover();
  Invalidate(FALSE);
  return 0;
}

LRESULT CButtonEx::OnMouseLeave(WPARAM, LPARAM) {
  hover_.OnLeave();
  Invalidate(FALSE);
  SetMsgHandled(false);
  return 0;
}

// ---- CMyStatic -----------------------------------------------------------

bool CMyStatic::Attach(HWND s) {
  if (!SubclassWindow(s)) return false;
  if (!image_) SetImage(159);
  return true;
}

bool CMyStatic::SetImage(UINT bitmap_id, HINSTANCE inst) {
  owned_.Attach(fw::LoadBitmapResource(bitmap_id, inst));
  image_ = owned_;
  if (m_hWnd) Invalidate();
  return image_ != nullptr;
}

void CMyStatic::SetImage(HBITMAP borrowed) {
  owned_.DeleteObject();
  image_ = borrowed;
  if (m_hWnd) Invalidate();
}

void CMyStatic::Paint(HDC target) {
  RECT rc = GetClientRect();
  CMemoryDC dc(target, &rc);
  SIZE s = fw::GetBitmapSize(image_);
  // The band's height is the picture's at 96 DPI, scaled with the control.
  dc.DrawBitmap(image_, 0, 0, rc.right + 1, fw::Scale(s.cy, fw::DpiOf(m_hWnd)), 0, 0, s.cx, s.cy);
  fw::CSelect sel(dc, font_);
  dc.SetBkMode(TRANSPARENT);
  dc.SetTextColor(font_.text_colour());
  RECT tr{rc.left + 5, rc.top, rc.right, rc.bottom};
  dc.DrawTextW(Text(), &tr, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
}

LRESULT CMyStatic::OnPaint(WPARAM, LPARAM) {
  fw::CPaintDC pdc(m_hWnd);
  Paint(pdc);
  return 0;
}

// ---- CHeaderTitle --------------------------------------------------------

void CHeaderTitle::SetTitle(const std::wstring& t) {
  title_ = t;
  if (m_hWnd) Invalidate();
}

void CHeaderTitle::SetSubtitle(const std::wstring& t) {
  subtitle_ = t;
  if (m_hWnd) Invalidate();
}

void CHeaderTitle::SetIcon(HICON icon) {
  icon_ = icon;
  if (m_hWnd) Invalidate();
}

void CHeaderTitle::Paint(HDC target) {
  RECT rc = GetClientRect();
  CMemoryDC dc(target, &rc);
  ::FillRect(dc, &rc, white_);
  dc.SetBkMode(TRANSPARENT);
  const UINT dpi = fw::DpiOf(m_hWnd);
  auto px = [dpi](int v) { return fw::Scale(v, dpi); };
  RECT title{px(20), px(15), px(500), px(200)};
  dc.DrawTextW(title_, &title, DT_LEFT | DT_WORDBREAK);
  LOGFONTW lf{};
  ::GetObjectW(::GetStockObject(DEFAULT_GUI_FONT), sizeof lf, &lf);
  lf.lfWeight = FW_NORMAL;
  fw::CFont gui(::CreateFontIndirectW(&lf));
  {
    fw::CSelect sel(dc, gui);
    RECT sub{px(45), px(35), px(500), px(200)};
    dc.DrawTextW(subtitle_, &sub, DT_LEFT | DT_WORDBREAK);
  }
  if (icon_) ::DrawIconEx(dc, rc.right - px(60), rc.top + px(10), icon_, 0, 0, 0, nullptr, DI_NORMAL);
}

LRESULT CHeaderTitle::OnPaint(WPARAM, LPARAM) {
  fw::CPaintDC pdc(m_hWnd);
  Paint(pdc);
  return 0;
}

}  // namespace tw::ui
