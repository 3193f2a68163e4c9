#include "ui/win/menu_ex.h"

#include <algorithm>

#include "ui/layout/controls.h"

namespace tw::ui {
namespace {

COLORREF Ref(Rgb c) { return RGB(c.r, c.g, c.b); }

MENUITEMINFOW ReadItem(HMENU m, int pos, wchar_t* buf, UINT cch) {
  MENUITEMINFOW mi{};
  mi.cbSize = sizeof mi;
  mi.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_SUBMENU | MIIM_STRING;
  mi.dwTypeData = buf;
  mi.cch = cch;
  buf[0] = 0;
  ::GetMenuItemInfoW(m, static_cast<UINT>(pos), TRUE, &mi);
  return mi;
}

}  // namespace

// Sub-menus are destroyed with this menu's handle; their objects must not
// destroy them a second time.
CMenuEx::~CMenuEx() { Reset(); }

CMenuEx::Item* CMenuEx::AddRecord(CMenuEx* owner, std::wstring text, int id) {
  owner->items_.push_back(std::make_unique<Item>(Item{std::move(text), id, -1}));
  Item* rec = owner->items_.back().get();
  owner->RegisterItemData(reinterpret_cast<ULONG_PTR>(rec));
  return rec;
}

void CMenuEx::Reset() {
  for (auto& sub : subs_) sub->Detach();
  subs_.clear();
  UnregisterAll();
  items_.clear();
  DestroyMenu();
}

bool CMenuEx::LoadOwnerDrawn(UINT id, HINSTANCE inst) {
  return LoadFromMenu(::LoadMenuW(inst ? inst : ::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id)));
}

bool CMenuEx::LoadFromMenu(HMENU src) {
  // Loading again replaces the menu; the old sub-menus die with it.
  Reset();
  if (!src) return false;
  if (!CreateMenu()) {
    ::DestroyMenu(src);
    return false;
  }
  RegisterMenuHandle(m_hMenu);
  int n = ::GetMenuItemCount(src);
  for (int i = 0; i < n; ++i) {
    wchar_t buf[256];
    MENUITEMINFOW mi = ReadItem(src, i, buf, 256);
    if (mi.fType & MFT_SEPARATOR) {
      AppendMenuW(MF_SEPARATOR);
    } else if (mi.hSubMenu) {
      auto sub = std::make_unique<CMenuEx>();
      sub->CreatePopupMenu();
      sub->RegisterMenuHandle(sub->m_hMenu);
      FillPopup(mi.hSubMenu, sub.get());
      InsertMenuW(static_cast<UINT>(i), MF_BYPOSITION | MF_POPUP | MF_STRING,
                  reinterpret_cast<UINT_PTR>(sub->m_hMenu), buf);
      subs_.push_back(std::move(sub));
    } else {
      AppendMenuW(MF_STRING | (mi.fState & (MFS_GRAYED | MFS_CHECKED)), mi.wID, buf);
    }
  }
  ::DestroyMenu(src);
  return true;
}

void CMenuEx::FillPopup(HMENU source, CMenuEx* target) {
  int n = ::GetMenuItemCount(source);
  for (int i = 0; i < n; ++i) {
    wchar_t buf[256];
    MENUITEMINFOW mi = ReadItem(source, i, buf, 256);
    if (mi.fType & MFT_SEPARATOR) {
      Item* rec = AddRecord(target, L"", 0);
      target->AppendMenuW(MF_OWNERDRAW | MF_SEPARATOR, 0, reinterpret_cast<const wchar_t*>(rec));
    } else if (mi.hSubMenu) {
      auto sub = std::make_unique<CMenuEx>();
      sub->CreatePopupMenu();
      sub->RegisterMenuHandle(sub->m_hMenu);
      FillPopup(mi.hSubMenu, sub.get());
      Item* rec = AddRecord(target, buf, -1);
      target->AppendMenuW(MF_OWNERDRAW | MF_POPUP, reinterpret_cast<UINT_PTR>(sub->m_hMenu),
                          reinterpret_cast<const wchar_t*>(rec));
      target->subs_.push_back(std::move(sub));
    } else {
      Item* rec = AddRecord(target, buf, static_cast<int>(mi.wID));
      UINT state = 0;
      if (mi.fState & MFS_GRAYED) state |= MF_GRAYED;
      if (mi.fState & MFS_CHECKED) state |= MF_CHECKED;
      target->AppendMenuW(MF_OWNERDRAW | state, mi.wID, reinterpret_cast<const wchar_t*>(rec));
    }
  }
}

void CMenuEx::MeasureItem(HWND owner, MEASUREITEMSTRUCT* mis) {
  auto* rec = reinterpret_cast<Item*>(mis->itemData);
  MenuItemKind kind = rec->id == 0 ? MenuItemKind::kSeparator
                      : rec->id == -1 ? MenuItemKind::kPopup : MenuItemKind::kCommand;
  int text_width = 0, drawn_width = 0;
  if (kind != MenuItemKind::kSeparator) {
    // Measured in the owner's device context as it is...
    fw::CClientDC dc(owner);
    text_width = dc.GetTextExtent(rec->text).cx;
    // ...but never narrower than the label as drawn, inside the 30 + 15
    // pixels the drawing leaves free, so no label is cut.
    fw::CSelect sel(dc, font_);
    MenuText parts = SplitMenuText(std::u16string(rec->text.begin(), rec->text.end()));
    std::u16string shown;
    for (char16_t c : parts.label + parts.accelerator)
      if (c != u'&') shown += c;
    drawn_width = dc.GetTextExtent(std::wstring(shown.begin(), shown.end())).cx + 45 +
                  (parts.accelerator.empty() ? 0 : 16) + (kind == MenuItemKind::kPopup ? 15 : 0);
  }
  Size s = MeasureMenuItem(kind, text_width);
  mis->itemWidth = static_cast<UINT>(std::max(s.cx, drawn_width));
  mis->itemHeight = static_cast<UINT>(s.cy);
}

void CMenuEx::DrawItem(DRAWITEMSTRUCT* dis) {
  auto* rec = reinterpret_cast<Item*>(dis->itemData);
  if (!rec) return;
  fw::CDCHandle dc(dis->hDC);
  const RECT& rc = dis->rcItem;
  MenuItemKind kind = rec->id == 0 ? MenuItemKind::kSeparator
                      : rec->id == -1 ? MenuItemKind::kPopup : MenuItemKind::kCommand;
  MenuItemLook look =
      ChooseMenuItemLook(Rect{rc.left, rc.top, rc.right, rc.bottom}, kind, (dis->itemState & ODS_SELECTED) != 0,
                         (dis->itemState & ODS_DISABLED) != 0, (dis->itemState & ODS_GRAYED) != 0);
  dc.SetBkMode(TRANSPARENT);
  if (look.band) {
    dc.FillSolidRect(RECT{rc.left, rc.top, rc.left + kMenuBandWidth, rc.bottom}, Ref(look.band_colour));
    dc.FillSolidRect(RECT{rc.left + kMenuBandWidth, rc.top, rc.right, rc.bottom}, Ref(look.background));
  } else {
    dc.FillSolidRect(rc, Ref(look.fill));
    dc.FrameRect(rc, Ref(look.border));
  }
  if (look.separator_line) {
    dc.FillSolidRect(RECT{look.separator.left, look.separator.top, look.separator.right, look.separator.bottom},
                     RGB(205, 205, 214));
    return;
  }
  MenuText parts = SplitMenuText(std::u16string(rec->text.begin(), rec->text.end()));
  fw::CSelect sel(dc, font_);
  dc.SetTextColor(Ref(look.text_colour));
  RECT tr{look.text.left, look.text.top, look.text.right, look.text.bottom};
  const UINT fmt = DT_SINGLELINE | DT_VCENTER | DT_HIDEPREFIX;
  dc.DrawTextW(std::wstring(parts.label.begin(), parts.label.end()), &tr, fmt | DT_LEFT);
  if (!parts.accelerator.empty())
    dc.DrawTextW(std::wstring(parts.accelerator.begin(), parts.accelerator.end()), &tr, fmt | DT_RIGHT);
}

}  // namespace tw::ui
