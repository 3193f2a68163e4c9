#include "framework/dpi.h"

#include <cstring>

namespace tw::fw {
namespace {

using GetDpiForWindowFn = UINT(WINAPI*)(HWND);

// Absent before Windows 10 1607 (and in older Wine): then the screen's DPI.
GetDpiForWindowFn DpiForWindowFunction() {
  static GetDpiForWindowFn fn = reinterpret_cast<GetDpiForWindowFn>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
  return fn;
}

int ScaleX(int dlu, UINT dpi) { return ::MulDiv(dlu, kRefBaseUnitX * static_cast<int>(dpi), 4 * kBaseDpi); }
int ScaleY(int dlu, UINT dpi) { return ::MulDiv(dlu, kRefBaseUnitY * static_cast<int>(dpi), 8 * kBaseDpi); }

class Reader {
 public:
  Reader(const void* data, size_t size) : p_(static_cast<const unsigned char*>(data)), size_(size) {}
  bool ok() const { return ok_; }
  uint16_t Word() {
    if (at_ + 2 > size_) return Fail();
    uint16_t v = static_cast<uint16_t>(p_[at_] | p_[at_ + 1] << 8);
    at_ += 2;
    return v;
  }
  uint32_t Dword() {
    uint32_t lo = Word();
    return lo | static_cast<uint32_t>(Word()) << 16;
  }
  void Skip(size_t n) {
    if (at_ + n > size_) Fail();
    else at_ += n;
  }
  // A string, an ordinal (0xFFFF then a word) or nothing (0).
  void SkipSzOrOrd() {
    uint16_t first = Word();
    if (first == 0xFFFF) Word();
    else
      while (ok_ && first != 0) first = Word();
  }
  void SkipString() {
    while (ok_ && Word() != 0) {
    }
  }
  void AlignDword() { at_ = (at_ + 3) & ~size_t{3}; }

 private:
  uint16_t Fail() {
    ok_ = false;
    at_ = size_;
    return 0;
  }
  const unsigned char* p_;
  size_t size_, at_ = 0;
  bool ok_ = true;
};

}  // namespace

UINT ScreenDpi() {
  HDC screen = ::GetDC(nullptr);
  int dpi = screen ? ::GetDeviceCaps(screen, LOGPIXELSY) : 0;
  if (screen) ::ReleaseDC(nullptr, screen);
  return dpi > 0 ? static_cast<UINT>(dpi) : kBaseDpi;
}

UINT DpiOf(HWND w) {
  if (GetDpiForWindowFn fn = DpiForWindowFunction(); fn && w)
    if (UINT dpi = fn(w)) return dpi;
  return ScreenDpi();
}

RECT DluToPixels(const RECT& dlu, UINT dpi) {
  int x = ScaleX(dlu.left, dpi), y = ScaleY(dlu.top, dpi);
  // Position and size are converted apart, as the dialog manager does.
  return RECT{x, y, x + ScaleX(dlu.right - dlu.left, dpi), y + ScaleY(dlu.bottom - dlu.top, dpi)};
}

bool ParseDialogTemplate(const void* data, size_t size, DialogTemplateInfo* out) {
  Reader r(data, size);
  bool ex = false;
  uint32_t style = 0;
  if (size >= 4 && r.Word() == 1) {
    ex = r.Word() == 0xFFFF;
  }
  if (!ex) r = Reader(data, size);
  if (ex) {
    r.Dword();  // help id
    r.Dword();  // extended style
    style = r.Dword();
  } else {
    style = r.Dword();
    r.Dword();
  }
  const int count = r.Word();
  r.Word();
  r.Word();
  out->size.cx = static_cast<int16_t>(r.Word());
  out->size.cy = static_cast<int16_t>(r.Word());
  r.SkipSzOrOrd();  // menu
  r.SkipSzOrOrd();  // class
  r.SkipString();   // title
  if (style & (DS_SETFONT | DS_SHELLFONT)) {
    r.Word();  // point size
    if (ex) {
      r.Word();
      r.Skip(2);
    }
    r.SkipString();
  }
  out->items.clear();
  for (int i = 0; i < count && r.ok(); ++i) {
    r.AlignDword();
    TemplateItem item;
    if (ex) {
      r.Dword();
      r.Dword();
      r.Dword();
    } else {
      r.Dword();
      r.Dword();
    }
    const int x = static_cast<int16_t>(r.Word()), y = static_cast<int16_t>(r.Word());
    const int cx = static_cast<int16_t>(r.Word()), cy = static_cast<int16_t>(r.Word());
    item.id = ex ? static_cast<int>(r.Dword()) : static_cast<int16_t>(r.Word());
    item.dlu = RECT{x, y, x + cx, y + cy};
    r.SkipSzOrOrd();  // class
    r.SkipSzOrOrd();  // title
    const uint16_t extra = r.Word();
    r.Skip(extra);
    if (r.ok()) out->items.push_back(item);
  }
  return r.ok();
}

bool ReadDialogTemplate(HINSTANCE inst, UINT id, DialogTemplateInfo* out) {
  if (!inst) inst = ::GetModuleHandleW(nullptr);
  HRSRC res = ::FindResourceW(inst, MAKEINTRESOURCEW(id), RT_DIALOG);
  if (!res) return false;
  HGLOBAL mem = ::LoadResource(inst, res);
  const void* data = mem ? ::LockResource(mem) : nullptr;
  return data && ParseDialogTemplate(data, ::SizeofResource(inst, res), out);
}

void PlaceFromTemplate(HWND dlg, const DialogTemplateInfo& info, UINT dpi) {
  std::vector<HWND> children;
  for (HWND c = ::GetWindow(dlg, GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT)) children.push_back(c);
  std::vector<bool> used(children.size(), false);
  for (const TemplateItem& item : info.items) {
    for (size_t i = 0; i < children.size(); ++i) {
      if (used[i] || (::GetDlgCtrlID(children[i]) & 0xFFFF) != (item.id & 0xFFFF)) continue;
      used[i] = true;
      RECT px = DluToPixels(item.dlu, dpi);
      RECT now{};
      ::GetWindowRect(children[i], &now);
      ::MapWindowPoints(HWND_DESKTOP, dlg, reinterpret_cast<POINT*>(&now), 2);
      // A combo box takes the template's height as its list's, as at creation.
      if (!::EqualRect(&now, &px))
        ::SetWindowPos(children[i], nullptr, px.left, px.top, px.right - px.left, px.bottom - px.top,
                       SWP_NOZORDER | SWP_NOACTIVATE);
      break;
    }
  }
}

}  // namespace tw::fw
