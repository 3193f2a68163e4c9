// Menus. An owner-drawn menu object registers the handles it owns; the
// owner window's unhandled WM_MEASUREITEM / WM_DRAWITEM for a menu item is
// routed to that object (see CWindow).
#pragma once

#include "framework/win.h"

namespace tw::fw {

class COwnerDrawMenu {
 public:
  virtual ~COwnerDrawMenu();
  virtual void MeasureItem(HWND owner, MEASUREITEMSTRUCT* mis) = 0;
  virtual void DrawItem(DRAWITEMSTRUCT* dis) = 0;

 protected:
  // Item data of owner-drawn items must be registered so that a measure
  // request (which carries no menu handle) finds its menu.
  void RegisterMenuHandle(HMENU h);
  void RegisterItemData(ULONG_PTR data);
  void UnregisterAll();
};

bool RouteMenuMeasure(HWND owner, MEASUREITEMSTRUCT* mis, LRESULT& result);
bool RouteMenuDraw(DRAWITEMSTRUCT* dis, LRESULT& result);

// A menu handle, owned (destroyed with the object) or borrowed.
class CMenu {
 public:
  CMenu() = default;
  explicit CMenu(HMENU h, bool owned = false) : m_hMenu(h), owned_(owned) {}
  virtual ~CMenu() { DestroyMenu(); }
  CMenu(const CMenu&) = delete;
  CMenu& operator=(const CMenu&) = delete;

  HMENU m_hMenu = nullptr;
  operator HMENU() const { return m_hMenu; }

  void Attach(HMENU h, bool owned = true) {
    DestroyMenu();
    m_hMenu = h;
    owned_ = owned;
  }
  HMENU Detach() {
    HMENU h = m_hMenu;
    m_hMenu = nullptr;
    return h;
  }
  BOOL CreatePopupMenu() {
    Attach(::CreatePopupMenu());
    return m_hMenu != nullptr;
  }
  BOOL CreateMenu() {
    Attach(::CreateMenu());
    return m_hMenu != nullptr;
  }
  void DestroyMenu() {
    if (m_hMenu && owned_) ::DestroyMenu(m_hMenu);
    m_hMenu = nullptr;
  }
  int GetMenuItemCount() const { return ::GetMenuItemCount(m_hMenu); }
  HMENU GetSubMenu(int pos) const { return ::GetSubMenu(m_hMenu, pos); }
  UINT GetMenuItemID(int pos) const { return ::GetMenuItemID(m_hMenu, pos); }
  UINT GetMenuState(UINT id, UINT flags) const { return ::GetMenuState(m_hMenu, id, flags); }
  BOOL AppendMenuW(UINT flags, UINT_PTR id = 0, const wchar_t* text = nullptr) {
    return ::AppendMenuW(m_hMenu, flags, id, text);
  }
  BOOL InsertMenuW(UINT pos, UINT flags, UINT_PTR id, const wchar_t* text) {
    return ::InsertMenuW(m_hMenu, pos, flags, id, text);
  }
  BOOL TrackPopupMenu(UINT flags, int x, int y, HWND owner) const {
    return ::TrackPopupMenu(m_hMenu, flags, x, y, 0, owner, nullptr);
  }

 private:
  bool owned_ = true;
};

}  // namespace tw::fw
