// GDI wrappers. Ownership is part of the type: CGdiObject<H, true> deletes
// its object, CGdiObject<H, false> only borrows it. Device contexts come in
// the kinds that know how to give themselves back.
#pragma once

#include <memory>

#include "framework/win.h"

namespace tw::fw {

template <typename H, bool Owned>
class CGdiObject {
 public:
  CGdiObject() = default;
  explicit CGdiObject(H h) : m_handle(h) {}
  ~CGdiObject() { DeleteObject(); }
  CGdiObject(const CGdiObject&) = delete;
  CGdiObject& operator=(const CGdiObject&) = delete;
  CGdiObject(CGdiObject&& o) noexcept : m_handle(o.Detach()) {}
  CGdiObject& operator=(CGdiObject&& o) noexcept {
    if (this != &o) Attach(o.Detach());
    return *this;
  }

  H m_handle = nullptr;
  operator H() const { return m_handle; }
  bool IsNull() const { return m_handle == nullptr; }
  void Attach(H h) {
    DeleteObject();
    m_handle = h;
  }
  H Detach() {
    H h = m_handle;
    m_handle = nullptr;
    return h;
  }
  void DeleteObject() {
    if (Owned && m_handle) ::DeleteObject(m_handle);
    m_handle = nullptr;
  }
};

using CBrush = CGdiObject<HBRUSH, true>;
using CBrushHandle = CGdiObject<HBRUSH, false>;
using CPen = CGdiObject<HPEN, true>;
using CFont = CGdiObject<HFONT, true>;
using CFontHandle = CGdiObject<HFONT, false>;
using CBitmap = CGdiObject<HBITMAP, true>;
using CBitmapHandle = CGdiObject<HBITMAP, false>;
using CRgn = CGdiObject<HRGN, true>;

inline HBRUSH MakeSolidBrush(COLORREF c) { return ::CreateSolidBrush(c); }
HBITMAP LoadBitmapResource(UINT id, HINSTANCE inst = nullptr);
SIZE GetBitmapSize(HBITMAP b);

// A device context handle with the calls the controls use; it owns nothing.
class CDCHandle {
 public:
  CDCHandle() = default;
  explicit CDCHandle(HDC h) : m_hDC(h) {}
  HDC m_hDC = nullptr;
  operator HDC() const { return m_hDC; }

  HGDIOBJ SelectObject(HGDIOBJ o) const { return ::SelectObject(m_hDC, o); }
  int SaveDC() const { return ::SaveDC(m_hDC); }
  BOOL RestoreDC(int s) const { return ::RestoreDC(m_hDC, s); }
  COLORREF SetTextColor(COLORREF c) const { return ::SetTextColor(m_hDC, c); }
  int SetBkMode(int m) const { return ::SetBkMode(m_hDC, m); }
  void FillSolidRect(const RECT& r, COLORREF c) const;
  void FrameRect(const RECT& r, COLORREF c) const;
  int DrawTextW(const std::wstring& t, RECT* r, UINT fmt) const {
    return ::DrawTextW(m_hDC, t.c_str(), static_cast<int>(t.size()), r, fmt);
  }
  SIZE GetTextExtent(const std::wstring& t) const;
  BOOL BitBlt(int x, int y, int w, int h, HDC src, int sx, int sy, DWORD rop = SRCCOPY) const {
    return ::BitBlt(m_hDC, x, y, w, h, src, sx, sy, rop);
  }
  BOOL StretchBlt(int x, int y, int w, int h, HDC src, int sx, int sy, int sw, int sh, DWORD rop = SRCCOPY) const {
    return ::StretchBlt(m_hDC, x, y, w, h, src, sx, sy, sw, sh, rop);
  }
  BOOL TransparentBlt(int x, int y, int w, int h, HDC src, int sx, int sy, int sw, int sh, COLORREF key) const;
  // Two vertical gradients meeting in the middle of r.
  void VerticalGradient3(const RECT& r, COLORREF top, COLORREF middle, COLORREF bottom) const;
  void VerticalGradient(const RECT& r, COLORREF top, COLORREF bottom) const;
  void Line(int x1, int y1, int x2, int y2, COLORREF c) const;
  // Draws part of a bitmap, optionally stretched and keyed.
  void DrawBitmap(HBITMAP b, int x, int y, int w, int h, int sx, int sy, int sw, int sh) const;
  void DrawBitmapKeyed(HBITMAP b, int x, int y, int w, int h, int sx, int sy, int sw, int sh, COLORREF key) const;
};

// Owns a DC made by CreateCompatibleDC / CreateDC.
class CDC : public CDCHandle {
 public:
  CDC() = default;
  explicit CDC(HDC h) : CDCHandle(h) {}
  ~CDC() {
    if (m_hDC) ::DeleteDC(m_hDC);
  }
  CDC(const CDC&) = delete;
  CDC& operator=(const CDC&) = delete;
  bool CreateCompatibleDC(HDC ref) {
    m_hDC = ::CreateCompatibleDC(ref);
    return m_hDC != nullptr;
  }
};

class CClientDC : public CDCHandle {
 public:
  explicit CClientDC(HWND w) : CDCHandle(::GetDC(w)), w_(w) {}
  ~CClientDC() { ::ReleaseDC(w_, m_hDC); }
  CClientDC(const CClientDC&) = delete;
  CClientDC& operator=(const CClientDC&) = delete;

 private:
  HWND w_;
};

class CWindowDC : public CDCHandle {
 public:
  explicit CWindowDC(HWND w) : CDCHandle(::GetWindowDC(w)), w_(w) {}
  ~CWindowDC() { ::ReleaseDC(w_, m_hDC); }
  CWindowDC(const CWindowDC&) = delete;
  CWindowDC& operator=(const CWindowDC&) = delete;

 private:
  HWND w_;
};

class CPaintDC : public CDCHandle {
 public:
  explicit CPaintDC(HWND w) : w_(w) { m_hDC = ::BeginPaint(w, &ps); }
  ~CPaintDC() { ::EndPaint(w_, &ps); }
  CPaintDC(const CPaintDC&) = delete;
  CPaintDC& operator=(const CPaintDC&) = delete;
  PAINTSTRUCT ps{};

 private:
  HWND w_;
};

// Selects an object into a DC for a scope.
class CSelect {
 public:
  CSelect(HDC dc, HGDIOBJ o) : dc_(dc), old_(o ? ::SelectObject(dc, o) : nullptr) {}
  ~CSelect() {
    if (old_) ::SelectObject(dc_, old_);
  }
  CSelect(const CSelect&) = delete;
  CSelect& operator=(const CSelect&) = delete;

 private:
  HDC dc_;
  HGDIOBJ old_;
};

class CImageList {
 public:
  CImageList() = default;
  ~CImageList() { Destroy(); }
  CImageList(const CImageList&) = delete;
  CImageList& operator=(const CImageList&) = delete;
  HIMAGELIST m_hImageList = nullptr;
  operator HIMAGELIST() const { return m_hImageList; }

  bool Create(int cx, int cy, UINT flags, int initial, int grow);
  int AddIcon(HICON icon) const { return ImageList_AddIcon(m_hImageList, icon); }
  // Adds an icon resource loaded at the list's size.
  int AddIconResource(UINT id, HINSTANCE inst = nullptr) const;
  int Add(HBITMAP b, HBITMAP mask = nullptr) const { return ImageList_Add(m_hImageList, b, mask); }
  int GetImageCount() const { return ImageList_GetImageCount(m_hImageList); }
  bool Draw(int i, HDC dc, int x, int y, UINT style = ILD_TRANSPARENT) const {
    return ImageList_Draw(m_hImageList, i, dc, x, y, style) != FALSE;
  }
  SIZE GetIconSize() const;
  void Destroy() {
    if (m_hImageList) ImageList_Destroy(m_hImageList);
    m_hImageList = nullptr;
  }
};

}  // namespace tw::fw
