#include "framework/menu.h"

#include <map>
#include <mutex>

namespace tw::fw {
namespace {

struct Registry {
  std::mutex lock;
  std::map<HMENU, COwnerDrawMenu*> by_menu;
  std::map<ULONG_PTR, COwnerDrawMenu*> by_data;
};

Registry& Reg() {
  static Registry r;
  return r;
}

COwnerDrawMenu* FindByData(ULONG_PTR d) {
  std::lock_guard<std::mutex> g(Reg().lock);
  auto it = Reg().by_data.find(d);
  return it == Reg().by_data.end() ? nullptr : it->second;
}

COwnerDrawMenu* FindByMenu(HMENU h) {
  std::lock_guard<std::mutex> g(Reg().lock);
  auto it = Reg().by_menu.find(h);
  return it == Reg().by_menu.end() ? nullptr : it->second;
}

}  // namespace

COwnerDrawMenu::~COwnerDrawMenu() { UnregisterAll(); }

void COwnerDrawMenu::RegisterMenuHandle(HMENU h) {
  std::lock_guard<std::mutex> g(Reg().lock);
  Reg().by_menu[h] = this;
}

void COwnerDrawMenu::RegisterItemData(ULONG_PTR data) {
  std::lock_guard<std::mutex> g(Reg().lock);
  Reg().by_data[data] = this;
}

void COwnerDrawMenu::UnregisterAll() {
  std::lock_guard<std::mutex> g(Reg().lock);
  for (auto it = Reg().by_menu.begin(); it != Reg().by_menu.end();)
    it = it->second == this ? Reg().by_menu.erase(it) : std::next(it);
  for (auto it = Reg().by_data.begin(); it != Reg().by_data.end();)
    it = it->second == this ? Reg().by_data.erase(it) : std::next(it);
}

bool RouteMenuMeasure(HWND owner, MEASUREITEMSTRUCT* mis, LRESULT& result) {
  COwnerDrawMenu* m = FindByData(mis->itemData);
  if (!m) return false;
  m->MeasureItem(owner, mis);
  result = TRUE;
  return true;
}

bool RouteMenuDraw(DRAWITEMSTRUCT* dis, LRESULT& result) {
  COwnerDrawMenu* m = FindByMenu(reinterpret_cast<HMENU>(dis->hwndItem));
  if (!m) m = FindByData(dis->itemData);
  if (!m) return false;
  m->DrawItem(dis);
  result = TRUE;
  return true;
}

}  // namespace tw::fw
