#include "framework/controls.h"

#include <vector>

namespace tw::fw {

std::wstring CComboBox::GetItemText(int i) const {
  LRESULT n = SendMessageW(CB_GETLBTEXTLEN, static_cast<WPARAM>(i));
  if (n == CB_ERR) return {};
  std::vector<wchar_t> buf(static_cast<size_t>(n) + 1);
  SendMessageW(CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(buf.data()));
  return buf.data();
}

std::wstring CHeaderCtrl::GetItemText(int i) const {
  wchar_t buf[260] = {};
  HDITEMW item{};
  item.mask = HDI_TEXT;
  item.pszText = buf;
  item.cchTextMax = 260;
  if (!SendMessageW(HDM_GETITEMW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item))) return {};
  return buf;
}

int CListViewCtrl::InsertColumn(int i, const wchar_t* text, int width, int fmt) const {
  LVCOLUMNW c{};
  c.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
  c.pszText = const_cast<wchar_t*>(text);
  c.cx = width;
  c.fmt = fmt;
  return static_cast<int>(SendMessageW(LVM_INSERTCOLUMNW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&c)));
}

int CListViewCtrl::InsertItem(int i, const wchar_t* text, int image) const {
  LVITEMW it{};
  it.mask = LVIF_TEXT | (image >= 0 ? LVIF_IMAGE : 0);
  it.iItem = i;
  it.pszText = const_cast<wchar_t*>(text);
  it.iImage = image;
  return static_cast<int>(SendMessageW(LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&it)));
}

bool CListViewCtrl::SetItemText(int item, int sub, const wchar_t* text) const {
  LVITEMW it{};
  it.iSubItem = sub;
  it.pszText = const_cast<wchar_t*>(text);
  return SendMessageW(LVM_SETITEMTEXTW, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&it)) != 0;
}

std::wstring CListViewCtrl::GetItemText(int item, int sub) const {
  wchar_t buf[520] = {};
  LVITEMW it{};
  it.iSubItem = sub;
  it.pszText = buf;
  it.cchTextMax = 520;
  SendMessageW(LVM_GETITEMTEXTW, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&it));
  return buf;
}

bool CListViewCtrl::SetItemData(int item, LPARAM data) const {
  LVITEMW it{};
  it.mask = LVIF_PARAM;
  it.iItem = item;
  it.lParam = data;
  return SendMessageW(LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&it)) != 0;
}

LPARAM CListViewCtrl::GetItemData(int item) const {
  LVITEMW it{};
  it.mask = LVIF_PARAM;
  it.iItem = item;
  if (!SendMessageW(LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&it))) return 0;
  return it.lParam;
}

bool CListViewCtrl::GetSubItemRect(int item, int sub, int code, RECT* r) const {
  r->top = sub;
  r->left = code;
  return SendMessageW(LVM_GETSUBITEMRECT, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(r)) != 0;
}

void CListViewCtrl::SetItemState(int item, UINT state, UINT mask) const {
  LVITEMW it{};
  it.state = state;
  it.stateMask = mask;
  SendMessageW(LVM_SETITEMSTATE, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&it));
}

bool CLinkCtrl::SetItemUrl(int item, const wchar_t* url) const {
  LITEM li{};
  li.mask = LIF_ITEMINDEX | LIF_URL;
  li.iLink = item;
  lstrcpynW(li.szUrl, url, L_MAX_URL_LENGTH);
  return SendMessageW(LM_SETITEM, 0, reinterpret_cast<LPARAM>(&li)) != 0;
}

bool CToolTipCtrl::CreateFor(HWND owner) {
  m_hWnd = ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP,
                             CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, owner, nullptr,
                             ::GetModuleHandleW(nullptr), nullptr);
  return m_hWnd != nullptr;
}

}  // namespace tw::fw
