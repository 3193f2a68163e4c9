// Control wrappers: a handle and one-line forwards. A wrapper that is
// subclassed (SubclassWindow) also gets the control's messages and the
// reflected notifications its parent receives for it.
#pragma once

#include <string>

#include "framework/window.h"

namespace tw::fw {

class CButton : public CWindow {
 public:
  int GetCheck() const { return static_cast<int>(SendMessageW(BM_GETCHECK)); }
  void SetCheck(int c) const { SendMessageW(BM_SETCHECK, static_cast<WPARAM>(c)); }
  void Click() const { SendMessageW(BM_CLICK); }
  UINT GetState() const { return static_cast<UINT>(SendMessageW(BM_GETSTATE)); }
};

class CEdit : public CWindow {
 public:
  void SetLimitText(int n) const { SendMessageW(EM_SETLIMITTEXT, static_cast<WPARAM>(n)); }
};

class CStatic : public CWindow {
 public:
  HICON SetIcon(HICON i) const { return reinterpret_cast<HICON>(SendMessageW(STM_SETICON, reinterpret_cast<WPARAM>(i))); }
};

class CComboBox : public CWindow {
 public:
  int AddString(const wchar_t* s) const { return static_cast<int>(SendMessageW(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s))); }
  int GetCount() const { return static_cast<int>(SendMessageW(CB_GETCOUNT)); }
  int GetCurSel() const { return static_cast<int>(SendMessageW(CB_GETCURSEL)); }
  int SetCurSel(int i) const { return static_cast<int>(SendMessageW(CB_SETCURSEL, static_cast<WPARAM>(i))); }
  void ResetContent() const { SendMessageW(CB_RESETCONTENT); }
  std::wstring GetItemText(int i) const;
};

class CHeaderCtrl : public CWindow {
 public:
  int GetItemCount() const { return static_cast<int>(SendMessageW(HDM_GETITEMCOUNT)); }
  bool GetItemRect(int i, RECT* r) const { return SendMessageW(HDM_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(r)) != 0; }
  std::wstring GetItemText(int i) const;
};

class CListViewCtrl : public CWindow {
 public:
  int InsertColumn(int i, const wchar_t* text, int width, int fmt = LVCFMT_LEFT) const;
  int InsertItem(int i, const wchar_t* text, int image = -1) const;
  bool SetItemText(int item, int sub, const wchar_t* text) const;
  std::wstring GetItemText(int item, int sub) const;
  bool SetItemData(int item, LPARAM data) const;
  LPARAM GetItemData(int item) const;
  int GetItemCount() const { return static_cast<int>(SendMessageW(LVM_GETITEMCOUNT)); }
  bool DeleteAllItems() const { return SendMessageW(LVM_DELETEALLITEMS) != 0; }
  DWORD SetExtendedStyle(DWORD s) const { return static_cast<DWORD>(SendMessageW(LVM_SETEXTENDEDLISTVIEWSTYLE, 0, s)); }
  HWND GetHeader() const { return reinterpret_cast<HWND>(SendMessageW(LVM_GETHEADER)); }
  HIMAGELIST SetImageList(HIMAGELIST l, int which) const { return reinterpret_cast<HIMAGELIST>(SendMessageW(LVM_SETIMAGELIST, static_cast<WPARAM>(which), reinterpret_cast<LPARAM>(l))); }
  bool Scroll(int dx, int dy) const { return SendMessageW(LVM_SCROLL, static_cast<WPARAM>(dx), dy) != 0; }
  int GetTopIndex() const { return static_cast<int>(SendMessageW(LVM_GETTOPINDEX)); }
  bool GetSubItemRect(int item, int sub, int code, RECT* r) const;
  bool GetItemState(int item, UINT mask) const { return (SendMessageW(LVM_GETITEMSTATE, static_cast<WPARAM>(item), mask) & mask) != 0; }
  void SetItemState(int item, UINT state, UINT mask) const;
  int SubItemHitTest(LVHITTESTINFO* hit) const { return static_cast<int>(SendMessageW(LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(hit))); }
};

class CSpinButtonCtrl : public CWindow {
 public:
  void SetRange(int lo, int hi) const { SendMessageW(UDM_SETRANGE32, static_cast<WPARAM>(lo), hi); }
  int GetPos() const { return static_cast<int>(SendMessageW(UDM_GETPOS32)); }
  void SetPos(int p) const { SendMessageW(UDM_SETPOS32, 0, p); }
  HWND SetBuddy(HWND b) const { return reinterpret_cast<HWND>(SendMessageW(UDM_SETBUDDY, reinterpret_cast<WPARAM>(b))); }
};

class CSliderCtrl : public CWindow {
 public:
  void SetRange(int lo, int hi, bool redraw = true) const { SendMessageW(TBM_SETRANGEMIN, FALSE, lo); SendMessageW(TBM_SETRANGEMAX, redraw, hi); }
  int GetPos() const { return static_cast<int>(SendMessageW(TBM_GETPOS)); }
  void SetPos(int p) const { SendMessageW(TBM_SETPOS, TRUE, p); }
};

class CLinkCtrl : public CWindow {
 public:
  bool SetItemUrl(int item, const wchar_t* url) const;
};

class CProgressBarCtrl : public CWindow {
 public:
  void SetRange(int lo, int hi) const { SendMessageW(PBM_SETRANGE32, static_cast<WPARAM>(lo), hi); }
  int SetPos(int p) const { return static_cast<int>(SendMessageW(PBM_SETPOS, static_cast<WPARAM>(p))); }
  int GetPos() const { return static_cast<int>(SendMessageW(PBM_GETPOS)); }
};

class CToolTipCtrl : public CWindow {
 public:
  // Creates a tooltip window owned by `owner`.
  bool CreateFor(HWND owner);
  void Activate(bool on) const { SendMessageW(TTM_ACTIVATE, on); }
};

}  // namespace tw::fw
