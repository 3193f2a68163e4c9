// Owner-drawn pop-up menus built from menu resources.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "framework/menu.h"
#include "ui/win/auto_font.h"

namespace tw::ui {

class CMenuEx : public fw::CMenu, public fw::COwnerDrawMenu {
 public:
  struct Item {
    std::wstring text;
    int id = 0;  // 0 separator, -1 pop-up entry
    int image = -1;
  };

  CMenuEx() = default;
  ~CMenuEx() override;

  bool LoadOwnerDrawn(UINT id, HINSTANCE inst = nullptr);
  // The same from a menu built in code (a bar of pop-ups); takes `menu`.
  bool LoadFromMenu(HMENU menu);
  // The first pop-up of the loaded menu: what callers track.
  HMENU FirstPopup() const { return GetSubMenu(0); }
  const std::vector<std::unique_ptr<Item>>& items() const { return items_; }
  const std::vector<std::unique_ptr<CMenuEx>>& sub_menus() const { return subs_; }

  void MeasureItem(HWND owner, MEASUREITEMSTRUCT* mis) override;
  void DrawItem(DRAWITEMSTRUCT* dis) override;

 private:
  void Reset();
  void FillPopup(HMENU source, CMenuEx* target);
  Item* AddRecord(CMenuEx* owner, std::wstring text, int id);

  std::vector<std::unique_ptr<Item>> items_;
  std::vector<std::unique_ptr<CMenuEx>> subs_;
  CAutoFont font_;
};

}  // namespace tw::ui
