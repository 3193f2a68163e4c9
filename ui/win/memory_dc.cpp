#include "ui/win/memory_dc.h"

namespace tw::ui {

CMemoryDC::CMemoryDC(HDC target, const RECT* rect) : target_(target) {
  if (rect) rect_ = *rect;
  else ::GetClipBox(target, &rect_);
  off_screen_ = ::GetDeviceCaps(target, TECHNOLOGY) != DT_RASPRINTER;
  int w = rect_.right - rect_.left, h = rect_.bottom - rect_.top;
  if (off_screen_ && w > 0 && h > 0) {
    m_hDC = ::CreateCompatibleDC(target);
    bitmap_ = ::CreateCompatibleBitmap(target, w, h);
    if (!m_hDC || !bitmap_) {
      // Out of memory for the back buffer: draw straight onto the target.
      if (m_hDC) ::DeleteDC(m_hDC);
      if (bitmap_) ::DeleteObject(bitmap_);
      bitmap_ = nullptr;
      off_screen_ = false;
    }
  } else {
    off_screen_ = false;
  }
  if (!off_screen_) {
    m_hDC = target;
    return;
  }
  old_bitmap_ = ::SelectObject(m_hDC, bitmap_);
  ::SetMapMode(m_hDC, ::GetMapMode(target));
  ::SetWindowOrgEx(m_hDC, rect_.left, rect_.top, nullptr);
  FillSolidRect(rect_, RGB(255, 255, 255));
}

CMemoryDC::~CMemoryDC() {
  if (!off_screen_) return;
  ::BitBlt(target_, rect_.left, rect_.top, rect_.right - rect_.left, rect_.bottom - rect_.top, m_hDC,
           rect_.left, rect_.top, SRCCOPY);
  ::SelectObject(m_hDC, old_bitmap_);
  ::DeleteObject(bitmap_);
  ::DeleteDC(m_hDC);
}

void PaintParentBackground(HWND child, HDC dc) {
  HWND parent = ::GetParent(child);
  POINT origin{0, 0};
  ::MapWindowPoints(child, parent, &origin, 1);
  ::SetWindowOrgEx(dc, origin.x, origin.y, nullptr);
  ::SendMessageW(parent, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
  ::SetWindowOrgEx(dc, 0, 0, nullptr);
}

}  // namespace tw::ui
