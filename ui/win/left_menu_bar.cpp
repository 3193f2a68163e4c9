#include "ui/win/left_menu_bar.h"

#include "framework/gdi.h"
#include "framework/image.h"
#include "ui/win/memory_dc.h"

namespace tw::ui {
namespace {

void DrawPng(Gdiplus::Graphics& g, const std::wstring& name, int x, int y) {
  if (name.empty()) return;
  std::unique_ptr<Gdiplus::Image> img = fw::LoadNamedPng(name.c_str());
  if (!img) return;  // a missing picture draws nothing; the paint goes on
  g.DrawImage(img.get(), x, y, static_cast<INT>(img->GetWidth()), static_cast<INT>(img->GetHeight()));
}

void Band(Gdiplus::Graphics& g, int top, int width, Gdiplus::Color a, Gdiplus::Color b, Gdiplus::Color c) {
  // Two vertical gradients meeting in the middle of a 12-pixel band; each
  // brush covers a pixel more than its half so no seam shows.
  Gdiplus::LinearGradientBrush upper(Gdiplus::Point(0, top - 1), Gdiplus::Point(0, top + 7), a, b);
  g.FillRectangle(&upper, 0, top, width, 6);
  Gdiplus::LinearGradientBrush lower(Gdiplus::Point(0, top + 5), Gdiplus::Point(0, top + 13), b, c);
  g.FillRectangle(&lower, 0, top + 6, width, 6);
}

// "Segoe UI", else the generic sans-serif family, else any of a few common
// faces; null when GDI+ knows none of them (the text then goes through GDI).
std::unique_ptr<Gdiplus::FontFamily> MenuFontFamily(const std::wstring& text) {
  // GDI+ links no fonts: Chinese texts need a family that has the glyphs.
  bool cjk = false;
  for (wchar_t c : text) cjk |= c >= 0x2E80;
  if (cjk)
    for (const wchar_t* name : {L"Microsoft YaHei", L"SimSun", L"WenQuanYi Micro Hei", L"Noto Sans CJK SC"}) {
      Gdiplus::FontFamily f(name);
      if (f.IsAvailable()) return std::unique_ptr<Gdiplus::FontFamily>(f.Clone());
    }
  Gdiplus::FontFamily segoe(L"Segoe UI");
  if (segoe.IsAvailable()) return std::unique_ptr<Gdiplus::FontFamily>(segoe.Clone());
  if (const Gdiplus::FontFamily* generic = Gdiplus::FontFamily::GenericSansSerif())
    if (generic->IsAvailable()) return std::unique_ptr<Gdiplus::FontFamily>(generic->Clone());
  for (const wchar_t* name : {L"Tahoma", L"Arial", L"Liberation Sans", L"DejaVu Sans"}) {
    Gdiplus::FontFamily f(name);
    if (f.IsAvailable()) return std::unique_ptr<Gdiplus::FontFamily>(f.Clone());
  }
  return nullptr;
}

}  // namespace

// ---- CLeftMenuItem -------------------------------------------------------

CLeftMenuItem::CLeftMenuItem(CLeftMenuBar* bar, std::u16string name, std::wstring icon_name,
                             std::wstring normal_image, std::wstring selected_image, CLeftMenuItem* parent_item)
    : LeftMenuNode(std::move(name), parent_item),
      bar_(bar),
      icon_name_(std::move(icon_name)),
      normal_image_(std::move(normal_image)),
      selected_image_(std::move(selected_image)) {
  if (icon_name_.size() > kMenuNameMaxChars) icon_name_.resize(kMenuNameMaxChars);
}

void CLeftMenuItem::RedrawNow() {
  if (m_hWnd) ::RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
}

void CLeftMenuItem::ResizeTo(int height) {
  if (!m_hWnd) return;
  RECT r = GetRectInParent();
  SetWindowPos(nullptr, r.left, r.top, r.right - r.left, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

intptr_t CLeftMenuItem::SendToParent(unsigned msg, LeftMenuNode* item, const char16_t* name) {
  return ::SendMessageW(GetParent(), msg, reinterpret_cast<WPARAM>(item), reinterpret_cast<LPARAM>(name));
}

LRESULT CLeftMenuItem::OnMenuItemSelected(WPARAM wp, LPARAM) {
  // The sender must be one of our sub-items: a stray message with a made-up
  // pointer is dropped, never followed.
  auto* sender = reinterpret_cast<LeftMenuNode*>(wp);
  if (!IsOwnSubItem(sender)) return 0;
  return OnSubItemSelected(sender);
}

void CLeftMenuItem::Paint(HDC target) {
  RECT rc = GetClientRect();
  CMemoryDC dc(target, &rc);
  Gdiplus::Graphics g(dc.m_hDC);
  DrawPng(g, selected() ? selected_image_ : normal_image_, 0, 0);
  DrawPng(g, icon_name_, 16, 18);
  bool top = parent_item() == nullptr;
  const UINT32 argb = hover() ? 0xFFB9D700 : 0xFFB9D7F0;
  std::wstring text = display_text_.empty() ? std::wstring(name().begin(), name().end()) : display_text_;
  const int size = top ? 16 : 14;
  const POINT origin = top ? POINT{38, 16} : POINT{42, 8};
  if (std::unique_ptr<Gdiplus::FontFamily> family = MenuFontFamily(text)) {
    Gdiplus::Font font(family.get(), static_cast<Gdiplus::REAL>(size), Gdiplus::FontStyleRegular, Gdiplus::UnitPixel);
    Gdiplus::SolidBrush brush{Gdiplus::Color(argb)};
    g.SetTextRenderingHint(Gdiplus::TextRenderingHintAntiAlias);
    g.DrawString(text.c_str(), static_cast<INT>(text.size()), &font,
                 Gdiplus::PointF(static_cast<Gdiplus::REAL>(origin.x), static_cast<Gdiplus::REAL>(origin.y)), &brush);
  } else {
    g.Flush();
    fw::CFont font(::CreateFontW(-size, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, CLEARTYPE_QUALITY, 0,
                                 L"MS Shell Dlg"));
    fw::CSelect sel(dc, font);
    dc.SetBkMode(TRANSPARENT);
    dc.SetTextColor(RGB((argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF));
    ::TextOutW(dc, origin.x, origin.y, text.c_str(), static_cast<int>(text.size()));
  }
  if (HasSubItems() && selected()) {
    Band(g, 49, rc.right, Gdiplus::Color(255, 61, 66, 70), Gdiplus::Color(255, 64, 68, 73),
         Gdiplus::Color(255, 68, 72, 78));
    Band(g, rc.bottom - 12, rc.right, Gdiplus::Color(255, 68, 72, 78), Gdiplus::Color(255, 61, 64, 68),
         Gdiplus::Color(255, 45, 49, 52));
  }
}

LRESULT CLeftMenuItem::OnPaint(WPARAM, LPARAM) {
  fw::CPaintDC pdc(m_hWnd);
  Paint(pdc);
  return 0;
}

LRESULT CLeftMenuItem::OnMouseMove(WPARAM, LPARAM) {
  if (!tracking_) tracking_ = TrackMouse(TME_HOVER | TME_LEAVE, 1) != FALSE;
  return 0;
}

LRESULT CLeftMenuItem::OnMouseHover(WPARAM, LPARAM) {
  if (!hover()) {
    set_hover(true);
    Invalidate(FALSE);
  }
  return 0;
}

LRESULT CLeftMenuItem::OnMouseLeave(WPARAM, LPARAM) {
  tracking_ = false;
  if (hover()) {
    set_hover(false);
    Invalidate(FALSE);
  }
  return 0;
}

LRESULT CLeftMenuItem::OnLButtonUp(WPARAM, LPARAM) {
  SetSelected(true);
  return 0;
}

LRESULT CLeftMenuItem::OnSetCursor(WPARAM, LPARAM) {
  if (!cursor_) cursor_ = ::LoadCursorW(nullptr, IDC_HAND);
  ::SetCursor(cursor_);
  return TRUE;
}

// ---- CLeftMenuBar --------------------------------------------------------

CLeftMenuBar::~CLeftMenuBar() {
  // Sub-items first: their windows are children of their parents'.
  for (auto it = items_.rbegin(); it != items_.rend(); ++it)
    if ((*it)->IsWindow()) (*it)->DestroyWindow();
}

bool CLeftMenuBar::Create(HWND parent, const RECT& rc) {
  return CreateControl(L"STATIC", parent, rc, L"", WS_CHILD | WS_VISIBLE, 0, kLeftMenuControlId) != nullptr;
}

bool CLeftMenuBar::Owns(const LeftMenuNode* item) const {
  for (auto& i : items_)
    if (static_cast<const LeftMenuNode*>(i.get()) == item) return true;
  return false;
}

CLeftMenuItem* CLeftMenuBar::FindItem(const std::u16string& name) const {
  for (auto& i : items_)
    if (i->name() == name) return i.get();
  return nullptr;
}

CLeftMenuItem* CLeftMenuBar::AddMenuItem(const std::u16string& name, const std::wstring& icon_name,
                                         CLeftMenuItem* parent) {
  std::wstring wname(name.begin(), name.end());
  if (wname.size() > kMenuNameMaxChars) wname.resize(kMenuNameMaxChars);
  const DWORD style = WS_CHILD | WS_VISIBLE | SS_NOTIFY;
  if (parent) {
    if (!Owns(parent)) return nullptr;
    auto item = std::make_unique<CLeftMenuItem>(this, name, L"", L"CHILDITEM_BG.PNG", L"CHILDITEMSEL_BG.PNG", parent);
    size_t n = parent->Count();
    parent->Append(item.get());
    if (parent->selected()) {
      RECT r = parent->GetRectInParent();
      parent->SetWindowPos(nullptr, r.left, r.top, r.right - r.left, parent->ComputedHeight(),
                           SWP_NOZORDER | SWP_NOACTIVATE);
    }
    RECT rc{0, SubItemTop(n), kMenuBarWidth, SubItemTop(n) + kSubItemHeight};
    if (!item->CreateControl(L"STATIC", parent->m_hWnd, rc, wname.c_str(), style, 0, kLeftMenuControlId)) {
      parent->Remove(item.get());
      return nullptr;
    }
    items_.push_back(std::move(item));
    return items_.back().get();
  }
  int y = NextTopItemY();
  auto item = std::make_unique<CLeftMenuItem>(this, name, icon_name, y == 0 ? L"FRISTMENU_BG.PNG" : L"MENU_BG.PNG",
                                              L"SELECT.PNG", nullptr);
  RECT rc{0, y, kMenuBarWidth, y + kTopItemCreateHeight};
  if (!item->CreateControl(L"STATIC", m_hWnd, rc, wname.c_str(), style, 0, kLeftMenuControlId)) return nullptr;
  Append(item.get());
  items_.push_back(std::move(item));
  return items_.back().get();
}

void CLeftMenuBar::MoveItem(LeftMenuNode* item, int y, int width, int height) {
  auto* w = static_cast<CLeftMenuItem*>(item);
  w->MoveWindow(0, y, width, height, TRUE);
}

int CLeftMenuBar::CurrentHeight(LeftMenuNode* item) {
  RECT r = static_cast<CLeftMenuItem*>(item)->GetWindowRect();
  return r.bottom - r.top;
}

void CLeftMenuBar::RedrawAll() {
  Invalidate();
  UpdateWindow();
  if (HWND p = GetParent()) ::RedrawWindow(p, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
}

intptr_t CLeftMenuBar::SendToOwner(unsigned msg, LeftMenuNode* item, const char16_t* name) {
  // The owner gets the item window's object, the type it knows.
  auto* w = static_cast<CLeftMenuItem*>(item);
  return ::SendMessageW(GetParent(), msg, reinterpret_cast<WPARAM>(w), reinterpret_cast<LPARAM>(name));
}

LRESULT CLeftMenuBar::OnMenuItemSelected(WPARAM wp, LPARAM) {
  auto* sender = reinterpret_cast<LeftMenuNode*>(wp);
  if (!Owns(sender)) return 0;
  return OnItemSelected(sender);
}

LRESULT CLeftMenuBar::OnRelayout(WPARAM wp, LPARAM) {
  if (!Owns(reinterpret_cast<const LeftMenuNode*>(wp))) return 0;
  Relayout();
  return 0;
}

void CLeftMenuBar::Paint(HDC target) {
  RECT rc = GetClientRect();
  CMemoryDC dc(target, &rc);
  Gdiplus::Graphics g(dc.m_hDC);
  DrawPng(g, L"BG.PNG", 0, 0);
}

LRESULT CLeftMenuBar::OnPaint(WPARAM, LPARAM) {
  fw::CPaintDC pdc(m_hWnd);
  Paint(pdc);
  return 0;
}

}  // namespace tw::ui
