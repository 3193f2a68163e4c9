#include "framework/window.h"

#include "framework/menu.h"

namespace tw::fw {
namespace {

const wchar_t kObjectProp[] = L"TwWindowObject";

}  // namespace

CWindow::~CWindow() {
  // An object that dies before its window must not leave a dangling
  // pointer behind for the window procedure.
  if (m_hWnd && ::IsWindow(m_hWnd) && FromHandle(m_hWnd) == this) UnsubclassWindow();
}

CWindow* CWindow::FromHandle(HWND h) {
  if (!h) return nullptr;
  return static_cast<CWindow*>(::GetPropW(h, kObjectProp));
}

void CWindow::AttachObject(HWND h, WNDPROC previous) {
  m_hWnd = h;
  prev_proc_ = previous;
  ::SetPropW(h, kObjectProp, this);
}

bool CWindow::SubclassWindow(HWND h) {
  if (!h || !::IsWindow(h) || FromHandle(h)) return false;
  ::SetPropW(h, kObjectProp, this);
  m_hWnd = h;
  prev_proc_ = reinterpret_cast<WNDPROC>(
      ::SetWindowLongPtrW(h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CWindow::StaticWndProc)));
  subclassed_ = true;
  return true;
}

HWND CWindow::UnsubclassWindow() {
  HWND h = m_hWnd;
  if (!h) return nullptr;
  if (subclassed_ && prev_proc_) {
    ::SetWindowLongPtrW(h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(prev_proc_));
    subclassed_ = false;
  }
  ::RemovePropW(h, kObjectProp);
  m_hWnd = nullptr;
  return h;
}

const wchar_t* FrameworkWindowClass() {
  static const wchar_t kName[] = L"TwFrameworkWindow";
  static bool registered = [] {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = &CWindow::ClassWndProc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = kName;
    return ::RegisterClassExW(&wc) != 0;
  }();
  (void)registered;
  return kName;
}

LRESULT CALLBACK CWindow::ClassWndProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NCCREATE) {
    auto* cs = reinterpret_cast<CREATESTRUCTW*>(lp);
    if (auto* self = static_cast<CWindow*>(cs->lpCreateParams)) self->AttachObject(h, ::DefWindowProcW);
  }
  if (FromHandle(h)) return StaticWndProc(h, msg, wp, lp);
  return ::DefWindowProcW(h, msg, wp, lp);
}

HWND CWindow::Create(HWND parent, const RECT& rc, const wchar_t* text, DWORD style, DWORD ex_style,
                     UINT id) {
  return ::CreateWindowExW(ex_style, FrameworkWindowClass(), text ? text : L"", style, rc.left, rc.top,
                           rc.right - rc.left, rc.bottom - rc.top, parent,
                           reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)),
                           ::GetModuleHandleW(nullptr), this);
}

HWND CWindow::CreateControl(const wchar_t* cls, HWND parent, const RECT& rc, const wchar_t* text,
                            DWORD style, DWORD ex_style, UINT id) {
  HWND h = ::CreateWindowExW(ex_style, cls, text ? text : L"", style, rc.left, rc.top,
                             rc.right - rc.left, rc.bottom - rc.top, parent,
                             reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)),
                             ::GetModuleHandleW(nullptr), nullptr);
  if (h && !SubclassWindow(h)) {
    ::DestroyWindow(h);
    return nullptr;
  }
  return h;
}

BOOL CWindow::DestroyWindow() { return m_hWnd ? ::DestroyWindow(m_hWnd) : FALSE; }

LRESULT CALLBACK CWindow::StaticWndProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  CWindow* self = FromHandle(h);
  if (!self) return ::DefWindowProcW(h, msg, wp, lp);
  return self->WindowProc(msg, wp, lp);
}

LRESULT CWindow::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
  CurrentMessage cur{msg, wp, lp};
  const CurrentMessage* saved = current_;
  current_ = &cur;
  LRESULT result = 0;
  bool handled = ProcessWindowMessage(msg, wp, lp, result);
  if (!handled && !ReflectOrRoute(msg, wp, lp, result)) result = DefaultProc(msg, wp, lp);
  current_ = saved;
  if (msg == WM_NCDESTROY) {
    HWND h = m_hWnd;
    UnsubclassWindow();
    OnFinalMessage(h);
  }
  return result;
}

bool CWindow::ProcessWindowMessage(UINT, WPARAM, LPARAM, LRESULT&) { return false; }

LRESULT CWindow::Default() {
  if (!current_) return 0;
  return DefaultProc(current_->msg, current_->wp, current_->lp);
}

LRESULT CWindow::DefaultProc(UINT msg, WPARAM wp, LPARAM lp) {
  if (prev_proc_) return ::CallWindowProcW(prev_proc_, m_hWnd, msg, wp, lp);
  return ::DefWindowProcW(m_hWnd, msg, wp, lp);
}

bool CWindow::ReflectOrRoute(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
  HWND child = nullptr;
  switch (msg) {
    case WM_DRAWITEM: {
      auto* dis = reinterpret_cast<DRAWITEMSTRUCT*>(lp);
      if (dis->CtlType == ODT_MENU) return RouteMenuDraw(dis, result);
      child = dis->hwndItem;
      break;
    }
    case WM_MEASUREITEM: {
      auto* mis = reinterpret_cast<MEASUREITEMSTRUCT*>(lp);
      if (mis->CtlType == ODT_MENU) return RouteMenuMeasure(m_hWnd, mis, result);
      child = ::GetDlgItem(m_hWnd, mis->CtlID);
      break;
    }
    case WM_NOTIFY: child = reinterpret_cast<NMHDR*>(lp)->hwndFrom; break;
    case WM_COMMAND:
    case WM_HSCROLL:
    case WM_VSCROLL:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORSTATIC: child = reinterpret_cast<HWND>(lp); break;
    default: return false;
  }
  if (!child || child == m_hWnd || !::IsChild(m_hWnd, child)) return false;
  CWindow* obj = FromHandle(child);
  if (!obj) return false;
  return obj->ProcessWindowMessage(kOcmBase + msg, wp, lp, result);
}

RECT CWindow::GetRectInParent() const {
  RECT r = GetWindowRect();
  HWND parent = GetParent();
  if (parent) ::MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

void CWindow::ModifyStyle(DWORD remove, DWORD add, UINT swp_flags) const {
  LONG_PTR s = GetStyle();
  ::SetWindowLongPtrW(m_hWnd, GWL_STYLE, (s & ~static_cast<LONG_PTR>(remove)) | add);
  if (swp_flags)
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0,
                   SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | swp_flags);
}

void CWindow::ModifyStyleEx(DWORD remove, DWORD add, UINT swp_flags) const {
  LONG_PTR s = GetExStyle();
  ::SetWindowLongPtrW(m_hWnd, GWL_EXSTYLE, (s & ~static_cast<LONG_PTR>(remove)) | add);
  if (swp_flags)
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0,
                   SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | swp_flags);
}

std::wstring WindowText(HWND h) {
  int n = ::GetWindowTextLengthW(h);
  std::wstring s(static_cast<size_t>(n) + 1, L'\0');
  int got = ::GetWindowTextW(h, s.data(), n + 1);
  s.resize(got > 0 ? static_cast<size_t>(got) : 0);
  return s;
}

BOOL CWindow::TrackMouse(DWORD flags, DWORD hover_ms) const {
  TRACKMOUSEEVENT t{};
  t.cbSize = sizeof t;
  t.dwFlags = flags;
  t.hwndTrack = m_hWnd;
  t.dwHoverTime = hover_ms;
  return ::TrackMouseEvent(&t);
}

}  // namespace tw::fw
