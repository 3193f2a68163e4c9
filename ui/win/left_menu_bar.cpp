#include "ui/win/left_menu_bar.h"

#include <algorithm>

#include "framework/gdi.h"
#include "framework/image.h"
#include "resources/resource_ids.h"
#include "ui/win/accessible.h"
#include "ui/win/memory_dc.h"

namespace tw::ui {
namespace {

// Pictures and texts are laid out in 96-DPI pixels; elsewhere the drawing
// is scaled, the pictures with a smooth filter.
void ScaleGraphics(Gdiplus::Graphics& g, UINT dpi) {
  if (dpi == fw::kBaseDpi) return;
  const Gdiplus::REAL s = static_cast<Gdiplus::REAL>(dpi) / fw::kBaseDpi;
  g.ScaleTransform(s, s);
  g.SetInterpolationMode(Gdiplus::InterpolationModeHighQualityBicubic);
  g.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHighQuality);
}

void DrawPicture(Gdiplus::Graphics& g, Gdiplus::Image* img, int x, int y) {
  if (!img) return;  // a missing picture draws nothing; the paint goes on
  g.DrawImage(img, x, y, static_cast<INT>(img->GetWidth()), static_cast<INT>(img->GetHeight()));
}

bool IsChinese(const std::wstring& text) {
  return std::any_of(text.begin(), text.end(), [](wchar_t c) { return c >= 0x2E80; });
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
std::unique_ptr<Gdiplus::FontFamily> MenuFontFamily(bool cjk) {
  // GDI+ links no fonts: Chinese texts need a family that has the glyphs.
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

void CLeftMenuItem::SetDisplayText(std::wstring text) {
  display_text_ = std::move(text);
  if (m_hWnd && !display_text_.empty()) SetText(display_text_.c_str());
}

void CLeftMenuItem::RedrawNow() {
  if (m_hWnd) ::RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
}

void CLeftMenuItem::ResizeTo(int height) {
  if (!m_hWnd) return;
  logical_height_ = height;
  RECT r = GetRectInParent();
  SetWindowPos(nullptr, r.left, r.top, r.right - r.left, bar_->ScaledSpan(logical_top_, height),
               SWP_NOZORDER | SWP_NOACTIVATE);
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
  const UINT dpi = bar_->dpi();
  ScaleGraphics(g, dpi);
  // The client rectangle in the drawing's 96-DPI pixels.
  const int width = ::MulDiv(rc.right, fw::kBaseDpi, static_cast<int>(dpi));
  const int height = ::MulDiv(rc.bottom, fw::kBaseDpi, static_cast<int>(dpi));
  DrawPicture(g, bar_->Picture(selected() ? selected_image_ : normal_image_), 0, 0);
  DrawPicture(g, bar_->Picture(icon_name_), 16, 18);
  bool top = parent_item() == nullptr;
  const UINT32 argb = hover() ? 0xFFB9D700 : 0xFFB9D7F0;
  std::wstring text = display_text_.empty() ? std::wstring(name().begin(), name().end()) : display_text_;
  const int size = top ? 16 : 14;
  const POINT origin = top ? POINT{38, 16} : POINT{42, 8};
  if (Gdiplus::FontFamily* family = bar_->TextFamily(text)) {
    Gdiplus::Font font(family, static_cast<Gdiplus::REAL>(size), Gdiplus::FontStyleRegular, Gdiplus::UnitPixel);
    Gdiplus::SolidBrush brush{Gdiplus::Color(argb)};
    g.SetTextRenderingHint(Gdiplus::TextRenderingHintAntiAlias);
    g.DrawString(text.c_str(), static_cast<INT>(text.size()), &font,
                 Gdiplus::PointF(static_cast<Gdiplus::REAL>(origin.x), static_cast<Gdiplus::REAL>(origin.y)), &brush);
  } else {
    g.Flush();
    fw::CFont font(::CreateFontW(-fw::Scale(size, dpi), 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, CLEARTYPE_QUALITY, 0,
                                 L"MS Shell Dlg"));
    fw::CSelect sel(dc, font);
    dc.SetBkMode(TRANSPARENT);
    dc.SetTextColor(RGB((argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF));
    ::TextOutW(dc, fw::Scale(origin.x, dpi), fw::Scale(origin.y, dpi), text.c_str(), static_cast<int>(text.size()));
  }
  if (HasSubItems() && selected()) {
    Band(g, 49, width, Gdiplus::Color(255, 61, 66, 70), Gdiplus::Color(255, 64, 68, 73),
         Gdiplus::Color(255, 68, 72, 78));
    Band(g, height - 12, width, Gdiplus::Color(255, 68, 72, 78), Gdiplus::Color(255, 61, 64, 68),
         Gdiplus::Color(255, 45, 49, 52));
  }
  if (bar_->ShowsFocusOn(this)) {
    g.Flush();
    RECT focus = rc;
    ::InflateRect(&focus, -bar_->Scaled(3), -bar_->Scaled(3));
    if (HasSubItems() && selected()) focus.bottom = focus.top + bar_->Scaled(kTopItemHeight - 6);
    ::SetTextColor(dc, RGB(255, 255, 255));
    ::SetBkColor(dc, RGB(0, 0, 0));
    ::DrawFocusRect(dc, &focus);
  }
}

LRESULT CLeftMenuItem::OnPaint(WPARAM, LPARAM) {
  fw::CPaintDC pdc(m_hWnd);
  Paint(pdc);
  return 0;
}

LRESULT CLeftMenuItem::OnMouseMove(WPARAM, LPARAM) {
  if (tracker_.OnMouseMove()) TrackMouse(TME_HOVER | TME_LEAVE, 1);
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
  tracker_.OnLeave();
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

LRESULT CLeftMenuItem::OnGetObject(WPARAM wp, LPARAM lp) {
  // An outline item: a screen reader says its text, whether it is the open
  // page, and whether its sub-items show.
  AccessibleFacts facts;
  facts.name = display_text_.empty() ? std::wstring(name().begin(), name().end()) : display_text_;
  facts.role = ROLE_SYSTEM_OUTLINEITEM;
  facts.state = STATE_SYSTEM_SELECTABLE | STATE_SYSTEM_FOCUSABLE | (selected() ? STATE_SYSTEM_SELECTED : 0) |
                (bar_->ShowsFocusOn(this) ? STATE_SYSTEM_FOCUSED : 0);
  if (HasSubItems()) facts.state |= selected() ? STATE_SYSTEM_EXPANDED : STATE_SYSTEM_COLLAPSED;
  facts.default_action = L"Open";
  LRESULT r = AnswerGetObject(m_hWnd, wp, lp, facts);
  if (!r) SetMsgHandled(false);
  return r;
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
  // A tab stop of its own: the keyboard reaches the pages through it.
  return CreateControl(L"STATIC", parent, rc, L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 0, kLeftMenuControlId) !=
         nullptr;
}

void CLeftMenuBar::SetDpi(UINT dpi) {
  if (dpi == dpi_) return;
  dpi_ = dpi;
  if (!m_hWnd) return;
  for (auto& i : items_) {
    auto* parent = static_cast<CLeftMenuItem*>(i->parent_item());
    if (!parent) continue;
    size_t n = 0;
    for (CLinkNode* c = parent->First(); c && c != i.get(); c = c->next()) ++n;
    i->set_logical_top(SubItemTop(n));
    i->MoveWindow(0, Scaled(SubItemTop(n)), Scaled(kMenuBarWidth), ScaledSpan(SubItemTop(n), kSubItemHeight), TRUE);
  }
  Relayout();
}

std::vector<CLeftMenuItem*> CLeftMenuBar::VisibleItems() const {
  std::vector<CLeftMenuItem*> out;
  for (CLinkNode* n = First(); n; n = n->next()) {
    auto* top = static_cast<CLeftMenuItem*>(static_cast<LeftMenuNode*>(n));
    out.push_back(top);
    if (!top->selected()) continue;
    for (CLinkNode* c = top->First(); c; c = c->next())
      out.push_back(static_cast<CLeftMenuItem*>(static_cast<LeftMenuNode*>(c)));
  }
  return out;
}

bool CLeftMenuBar::ShowsFocusOn(const CLeftMenuItem* item) const {
  return item && item == focus_ && m_hWnd && ::GetFocus() == m_hWnd;
}

void CLeftMenuBar::MoveFocus(CLeftMenuItem* to) {
  CLeftMenuItem* before = focus_;
  focus_ = to;
  if (before && before->IsWindow()) before->Invalidate(FALSE);
  if (to && to->IsWindow()) {
    to->Invalidate(FALSE);
    // Screen readers follow the focus by this event.
    if (::GetFocus() == m_hWnd) ::NotifyWinEvent(EVENT_OBJECT_FOCUS, to->m_hWnd, OBJID_CLIENT, CHILDID_SELF);
  }
}

LRESULT CLeftMenuBar::OnGetDlgCode(WPARAM, LPARAM lp) {
  // Arrows move between items; Enter and Space open the page here instead
  // of pressing the dialog's default button.
  LRESULT code = DLGC_WANTARROWS;
  if (auto* m = reinterpret_cast<const MSG*>(lp); m && m->message == WM_KEYDOWN &&
                                                    (m->wParam == VK_RETURN || m->wParam == VK_SPACE))
    code |= DLGC_WANTMESSAGE;
  return code;
}

LRESULT CLeftMenuBar::OnKeyDown(WPARAM wp, LPARAM) {
  std::vector<CLeftMenuItem*> items = VisibleItems();
  if (items.empty()) return 0;
  auto at = std::find(items.begin(), items.end(), focus_);
  size_t i = at == items.end() ? 0 : static_cast<size_t>(at - items.begin());
  switch (wp) {
    case VK_DOWN:
    case VK_RIGHT: MoveFocus(items[std::min(i + 1, items.size() - 1)]); break;
    case VK_UP:
    case VK_LEFT: MoveFocus(items[i > 0 ? i - 1 : 0]); break;
    case VK_HOME: MoveFocus(items.front()); break;
    case VK_END: MoveFocus(items.back()); break;
    case VK_RETURN:
    case VK_SPACE:
      if (CLeftMenuItem* item = at == items.end() ? nullptr : *at) {
        item->SetSelected(true);
        MoveFocus(item);
      }
      break;
    default: SetMsgHandled(false);
  }
  return 0;
}

LRESULT CLeftMenuBar::OnGetObject(WPARAM wp, LPARAM lp) {
  AccessibleFacts facts;
  facts.role = ROLE_SYSTEM_OUTLINE;
  facts.state = STATE_SYSTEM_FOCUSABLE;
  LRESULT r = AnswerGetObject(m_hWnd, wp, lp, facts);
  if (!r) SetMsgHandled(false);
  return r;
}

LRESULT CLeftMenuBar::OnFocus(WPARAM, LPARAM) {
  if (!focus_ || !Owns(focus_)) {
    // Start on the open page's item.
    focus_ = nullptr;
    for (CLeftMenuItem* item : VisibleItems())
      if (item->selected()) focus_ = item;
    if (!focus_ && !VisibleItems().empty()) focus_ = VisibleItems().front();
  }
  if (focus_) MoveFocus(focus_);
  SetMsgHandled(false);
  return 0;
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
      parent->set_logical_height(parent->ComputedHeight());
      parent->SetWindowPos(nullptr, r.left, r.top, r.right - r.left,
                           ScaledSpan(parent->logical_top(), parent->ComputedHeight()),
                           SWP_NOZORDER | SWP_NOACTIVATE);
    }
    RECT rc{0, Scaled(SubItemTop(n)), Scaled(kMenuBarWidth), Scaled(SubItemTop(n) + kSubItemHeight)};
    if (!item->CreateControl(L"STATIC", parent->m_hWnd, rc, wname.c_str(), style, 0, kLeftMenuControlId)) {
      parent->Remove(item.get());
      return nullptr;
    }
    item->set_logical_height(kSubItemHeight);
    item->set_logical_top(SubItemTop(n));
    items_.push_back(std::move(item));
    return items_.back().get();
  }
  int y = NextTopItemY();
  auto item = std::make_unique<CLeftMenuItem>(this, name, icon_name, y == 0 ? L"FRISTMENU_BG.PNG" : L"MENU_BG.PNG",
                                              L"SELECT.PNG", nullptr);
  RECT rc{0, Scaled(y), Scaled(kMenuBarWidth), Scaled(y + kTopItemCreateHeight)};
  if (!item->CreateControl(L"STATIC", m_hWnd, rc, wname.c_str(), style, 0, kLeftMenuControlId)) return nullptr;
  item->set_logical_height(kTopItemCreateHeight);
  item->set_logical_top(y);
  Append(item.get());
  items_.push_back(std::move(item));
  return items_.back().get();
}

void CLeftMenuBar::MoveItem(LeftMenuNode* item, int y, int width, int height) {
  auto* w = static_cast<CLeftMenuItem*>(item);
  w->set_logical_height(height);
  w->set_logical_top(y);
  w->MoveWindow(0, Scaled(y), Scaled(width), ScaledSpan(y, height), TRUE);
}

int CLeftMenuBar::CurrentHeight(LeftMenuNode* item) {
  // The rules count in 96-DPI pixels: scaling back a window's height could be a pixel off.
  return static_cast<CLeftMenuItem*>(item)->logical_height();
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
  ScaleGraphics(g, dpi_);
  DrawPicture(g, Picture(L"BG.PNG"), 0, 0);
}

Gdiplus::Image* CLeftMenuBar::Picture(const std::wstring& name) {
  if (name.empty()) return nullptr;
  auto it = pictures_.find(name);
  if (it == pictures_.end())
    it = pictures_.emplace(name, fw::LoadNamedImage(name.c_str(), TW_RT_PNG_BY_NAME)).first;
  return it->second.get();
}

Gdiplus::FontFamily* CLeftMenuBar::TextFamily(const std::wstring& text) {
  const int cjk = IsChinese(text) ? 1 : 0;
  if (!family_known_[cjk]) {
    families_[cjk] = MenuFontFamily(cjk == 1);
    family_known_[cjk] = true;
  }
  return families_[cjk].get();
}

LRESULT CLeftMenuBar::OnPaint(WPARAM, LPARAM) {
  fw::CPaintDC pdc(m_hWnd);
  Paint(pdc);
  return 0;
}

}  // namespace tw::ui
