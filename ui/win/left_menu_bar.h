// The left menu: a panel of stacked items, each optionally holding
// sub-items, drawn from PNG resources with GDI+.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "framework/dpi.h"
#include "framework/window.h"
#include "ui/layout/controls.h"
#include "ui/layout/left_menu.h"

namespace tw::ui {

constexpr UINT kWmMenuItemSelectedMsg = kWmMenuItemSelected;
constexpr UINT kWmMenuBarRelayoutMsg = kWmMenuBarRelayout;
constexpr UINT kLeftMenuControlId = 0xFFFF;

class CLeftMenuBar;

class CLeftMenuItem : public fw::CWindow, public LeftMenuNode {
 public:
  CLeftMenuItem(CLeftMenuBar* bar, std::u16string name, std::wstring icon_name, std::wstring normal_image,
                std::wstring selected_image, CLeftMenuItem* parent_item);

  const std::wstring& icon_name() const { return icon_name_; }
  const std::wstring& normal_image() const { return normal_image_; }
  const std::wstring& selected_image() const { return selected_image_; }
  int resource_type() const { return resource_type_; }
  bool IsOwnSubItem(const LeftMenuNode* n) const { return Contains(n); }
  // What the item shows (and its window text, which screen readers say);
  // its name stays the page key.
  void SetDisplayText(std::wstring text);
  void Paint(HDC dc);
  // The height the menu's rules gave it, in 96-DPI pixels.
  int logical_height() const { return logical_height_; }
  void set_logical_height(int h) { logical_height_ = h; }
  void set_logical_top(int y) { logical_top_ = y; }
  int logical_top() const { return logical_top_; }

  TW_BEGIN_MSG_MAP(CLeftMenuItem, fw::CWindow)
    TW_MSG(kWmMenuItemSelectedMsg, OnMenuItemSelected)
    TW_MSG(WM_PAINT, OnPaint)
    TW_MSG(WM_ERASEBKGND, OnEraseBkgnd)
    TW_MSG(WM_MOUSEMOVE, OnMouseMove)
    TW_MSG(WM_MOUSEHOVER, OnMouseHover)
    TW_MSG(WM_MOUSELEAVE, OnMouseLeave)
    TW_MSG(WM_LBUTTONUP, OnLButtonUp)
    TW_MSG(WM_SETCURSOR, OnSetCursor)
    TW_MSG(WM_GETOBJECT, OnGetObject)
  TW_END_MSG_MAP()

 protected:
  void RedrawNow() override;
  void ResizeTo(int height) override;
  intptr_t SendToParent(unsigned msg, LeftMenuNode* item, const char16_t* name) override;

 private:
  LRESULT OnMenuItemSelected(WPARAM wp, LPARAM);
  LRESULT OnPaint(WPARAM, LPARAM);
  LRESULT OnEraseBkgnd(WPARAM, LPARAM) { return 1; }
  LRESULT OnMouseMove(WPARAM, LPARAM);
  LRESULT OnMouseHover(WPARAM, LPARAM);
  LRESULT OnMouseLeave(WPARAM, LPARAM);
  LRESULT OnLButtonUp(WPARAM, LPARAM);
  LRESULT OnSetCursor(WPARAM, LPARAM);
  LRESULT OnGetObject(WPARAM wp, LPARAM lp);

  CLeftMenuBar* bar_;
  std::wstring icon_name_, normal_image_, selected_image_, display_text_;
  int resource_type_ = 2011;
  int logical_height_ = 0, logical_top_ = 0;
  HCURSOR cursor_ = nullptr;
  HoverTracker tracker_;  // the hover look itself is the item's state
};

class CLeftMenuBar : public fw::CWindow, public LeftMenuBarRules {
 public:
  CLeftMenuBar() = default;
  ~CLeftMenuBar() override;

  // Creates the bar as a child of `parent` over `rc`.
  bool Create(HWND parent, const RECT& rc);
  // Without a parent item: a top-level item below the others; with one:
  // a sub-item of it. Null when the window cannot be created.
  CLeftMenuItem* AddMenuItem(const std::u16string& name, const std::wstring& icon_name,
                             CLeftMenuItem* parent = nullptr);
  // True for an item this bar made (top-level or sub-item).
  bool Owns(const LeftMenuNode* item) const;
  bool Owns(const CLeftMenuItem* item) const { return Owns(static_cast<const LeftMenuNode*>(item)); }
  CLeftMenuItem* FindItem(const std::u16string& name) const;
  void Paint(HDC dc);
  // The skin's figures are for 96 DPI; set before Create, or later to lay
  // the items out again.
  void SetDpi(UINT dpi);
  UINT dpi() const { return dpi_; }
  int Scaled(int px) const { return fw::Scale(px, dpi_); }
  // A span's scaled length, from its scaled ends: neighbours neither overlap nor leave gaps.
  int ScaledSpan(int from, int length) const { return Scaled(from + length) - Scaled(from); }
  // The items the keyboard walks through, top to bottom: the top-level
  // items and the sub-items of the open one.
  std::vector<CLeftMenuItem*> VisibleItems() const;
  // The item the keyboard is on (drawn with a focus rectangle while the
  // bar has the focus); null before the bar first had it.
  CLeftMenuItem* focus_item() const { return focus_; }
  bool ShowsFocusOn(const CLeftMenuItem* item) const;
  // A picture resource by name, loaded the first time it is asked for;
  // null when there is none.
  Gdiplus::Image* Picture(const std::wstring& name);
  // The text's font family (one for Chinese, one for other texts), looked
  // up once; null when GDI+ knows none and the text goes through GDI.
  Gdiplus::FontFamily* TextFamily(const std::wstring& text);

  TW_BEGIN_MSG_MAP(CLeftMenuBar, fw::CWindow)
    TW_MSG(kWmMenuItemSelectedMsg, OnMenuItemSelected)
    TW_MSG(kWmMenuBarRelayoutMsg, OnRelayout)
    TW_MSG(WM_PAINT, OnPaint)
    TW_MSG(WM_ERASEBKGND, OnEraseBkgnd)
    TW_MSG(WM_GETDLGCODE, OnGetDlgCode)
    TW_MSG(WM_KEYDOWN, OnKeyDown)
    TW_MSG(WM_SETFOCUS, OnFocus)
    TW_MSG(WM_KILLFOCUS, OnFocus)
    TW_MSG(WM_GETOBJECT, OnGetObject)
  TW_END_MSG_MAP()

 protected:
  void MoveItem(LeftMenuNode* item, int y, int width, int height) override;
  int CurrentHeight(LeftMenuNode* item) override;
  void RedrawAll() override;
  intptr_t SendToOwner(unsigned msg, LeftMenuNode* item, const char16_t* name) override;

 private:
  LRESULT OnMenuItemSelected(WPARAM wp, LPARAM);
  LRESULT OnRelayout(WPARAM wp, LPARAM);
  LRESULT OnPaint(WPARAM, LPARAM);
  LRESULT OnEraseBkgnd(WPARAM, LPARAM) { return 1; }
  LRESULT OnGetDlgCode(WPARAM, LPARAM lp);
  LRESULT OnKeyDown(WPARAM wp, LPARAM);
  LRESULT OnFocus(WPARAM, LPARAM);
  LRESULT OnGetObject(WPARAM wp, LPARAM lp);
  void MoveFocus(CLeftMenuItem* to);

  std::vector<std::unique_ptr<CLeftMenuItem>> items_;
  UINT dpi_ = fw::kBaseDpi;
  CLeftMenuItem* focus_ = nullptr;
  std::map<std::wstring, std::unique_ptr<Gdiplus::Image>> pictures_;
  std::unique_ptr<Gdiplus::FontFamily> families_[2];
  bool family_known_[2] = {false, false};
};

}  // namespace tw::ui
