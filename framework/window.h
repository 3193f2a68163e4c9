// Window base: a handle, subclassing, and dispatch through a message map.
//
// A window object is attached to its HWND through a window property; the
// static window procedure finds it there and calls ProcessWindowMessage,
// which the message-map macros below generate. Whatever the map does not
// handle goes to the window's previous procedure. Messages a parent gets
// for a child (owner draw, notifications, commands, scrolls, colours) are
// first offered to the child's own object, reflected as OCM_* codes, and
// owner-drawn menu items are routed to the menu object that owns them.
#pragma once

#include "framework/win.h"

namespace tw::fw {

constexpr UINT kOcmBase = WM_USER + 0x1c00;  // reflected messages: kOcmBase + msg

// The whole text of a window, or of a dialog's control, however long.
std::wstring WindowText(HWND h);
inline std::wstring ItemText(HWND dialog, int id) { return WindowText(::GetDlgItem(dialog, id)); }

class CWindow {
 public:
  CWindow() = default;
  explicit CWindow(HWND h) : m_hWnd(h) {}
  virtual ~CWindow();
  CWindow(const CWindow&) = delete;
  CWindow& operator=(const CWindow&) = delete;

  HWND m_hWnd = nullptr;
  operator HWND() const { return m_hWnd; }
  HWND hwnd() const { return m_hWnd; }

  // Looks up the object attached to a window; null for plain windows.
  static CWindow* FromHandle(HWND h);

  // Takes over the window's procedure. Fails if the window already has an
  // object or the handle is not a window.
  bool SubclassWindow(HWND h);
  // Gives the window its procedure back and forgets the handle.
  HWND UnsubclassWindow();
  // Wraps a handle without subclassing (controls that only forward calls).
  void Attach(HWND h) { m_hWnd = h; }
  HWND Detach() {
    HWND h = m_hWnd;
    m_hWnd = nullptr;
    return h;
  }

  // Creates a window of the framework's own class, attached from the start.
  HWND Create(HWND parent, const RECT& rc, const wchar_t* text, DWORD style, DWORD ex_style = 0,
              UINT id = 0);
  // Creates a window of a system class and subclasses it.
  HWND CreateControl(const wchar_t* cls, HWND parent, const RECT& rc, const wchar_t* text,
                     DWORD style, DWORD ex_style = 0, UINT id = 0);
  BOOL DestroyWindow();

  // The message-map entry point; return true when handled.
  virtual bool ProcessWindowMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);
  // The previous procedure for the message being handled.
  LRESULT Default();
  LRESULT DefaultProc(UINT msg, WPARAM wp, LPARAM lp);
  // A handler calls this to let the message go on to the default handling.
  void SetMsgHandled(bool handled) { msg_handled_ = handled; }
  bool IsMsgHandled() const { return msg_handled_; }

  // One-line forwards.
  LRESULT SendMessageW(UINT m, WPARAM w = 0, LPARAM l = 0) const { return ::SendMessageW(m_hWnd, m, w, l); }
  BOOL PostMessageW(UINT m, WPARAM w = 0, LPARAM l = 0) const { return ::PostMessageW(m_hWnd, m, w, l); }
  BOOL ShowWindow(int cmd) const { return ::ShowWindow(m_hWnd, cmd); }
  BOOL IsWindowVisible() const { return ::IsWindowVisible(m_hWnd); }
  BOOL IsWindow() const { return m_hWnd && ::IsWindow(m_hWnd); }
  BOOL IsWindowEnabled() const { return ::IsWindowEnabled(m_hWnd); }
  BOOL EnableWindow(BOOL e = TRUE) const { return ::EnableWindow(m_hWnd, e); }
  BOOL Invalidate(BOOL erase = TRUE) const { return ::InvalidateRect(m_hWnd, nullptr, erase); }
  BOOL UpdateWindow() const { return ::UpdateWindow(m_hWnd); }
  BOOL MoveWindow(int x, int y, int w, int h, BOOL repaint = TRUE) const {
    return ::MoveWindow(m_hWnd, x, y, w, h, repaint);
  }
  BOOL MoveWindow(const RECT& r, BOOL repaint = TRUE) const {
    return ::MoveWindow(m_hWnd, r.left, r.top, r.right - r.left, r.bottom - r.top, repaint);
  }
  BOOL SetWindowPos(HWND after, int x, int y, int w, int h, UINT flags) const {
    return ::SetWindowPos(m_hWnd, after, x, y, w, h, flags);
  }
  RECT GetClientRect() const {
    RECT r{};
    ::GetClientRect(m_hWnd, &r);
    return r;
  }
  RECT GetWindowRect() const {
    RECT r{};
    ::GetWindowRect(m_hWnd, &r);
    return r;
  }
  // The window rectangle in its parent's client coordinates.
  RECT GetRectInParent() const;
  HWND GetParent() const { return ::GetParent(m_hWnd); }
  HWND GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }
  int GetDlgCtrlID() const { return ::GetDlgCtrlID(m_hWnd); }
  LONG_PTR GetStyle() const { return ::GetWindowLongPtrW(m_hWnd, GWL_STYLE); }
  LONG_PTR GetExStyle() const { return ::GetWindowLongPtrW(m_hWnd, GWL_EXSTYLE); }
  void ModifyStyle(DWORD remove, DWORD add, UINT swp_flags = 0) const;
  void ModifyStyleEx(DWORD remove, DWORD add, UINT swp_flags = 0) const;
  std::wstring Text() const { return WindowText(m_hWnd); }
  BOOL SetText(const std::wstring& t) const { return ::SetWindowTextW(m_hWnd, t.c_str()); }
  HFONT GetFont() const { return reinterpret_cast<HFONT>(SendMessageW(WM_GETFONT)); }
  void SetFont(HFONT f, BOOL redraw = TRUE) const { SendMessageW(WM_SETFONT, reinterpret_cast<WPARAM>(f), redraw); }
  UINT_PTR SetTimer(UINT_PTR id, UINT ms) const { return ::SetTimer(m_hWnd, id, ms, nullptr); }
  BOOL KillTimer(UINT_PTR id) const { return ::KillTimer(m_hWnd, id); }
  HWND SetCapture() const { return ::SetCapture(m_hWnd); }
  BOOL IsIconic() const { return ::IsIconic(m_hWnd); }
  BOOL IsZoomed() const { return ::IsZoomed(m_hWnd); }
  BOOL TrackMouse(DWORD flags, DWORD hover_ms) const;

 protected:
  // Called after WM_NCDESTROY, once the handle is gone.
  virtual void OnFinalMessage(HWND) {}
  // The window procedure of an attached window.
  LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp);
  static LRESULT CALLBACK StaticWndProc(HWND h, UINT msg, WPARAM wp, LPARAM lp);
  // Attaches without changing the window procedure: the procedure already
  // calls StaticWndProc (the framework's own class) or a dialog procedure.
  void AttachObject(HWND h, WNDPROC previous);

  WNDPROC prev_proc_ = nullptr;

 public:
  // Window procedure of the framework's own class.
  static LRESULT CALLBACK ClassWndProc(HWND h, UINT msg, WPARAM wp, LPARAM lp);

 private:
  bool ReflectOrRoute(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);

  struct CurrentMessage {
    UINT msg;
    WPARAM wp;
    LPARAM lp;
  };
  const CurrentMessage* current_ = nullptr;
  bool msg_handled_ = true;
  bool subclassed_ = false;
};

// Registers the framework's plain window class once; returns its name.
const wchar_t* FrameworkWindowClass();

}  // namespace tw::fw

// ---- Message maps --------------------------------------------------------
// TW_BEGIN_MSG_MAP(CMyDialog, CDialog)
//   TW_MSG(WM_PAINT, OnPaint)                  LRESULT OnPaint(WPARAM, LPARAM)
//   TW_COMMAND(IDOK, OnOK)                     void OnOK()
//   TW_COMMAND_RANGE(100, 199, OnPick)         void OnPick(UINT id)
//   TW_NOTIFY(1001, NM_CLICK, OnClick)         LRESULT OnClick(NMHDR*)
//   TW_NOTIFY_CODE(PSN_SETACTIVE, OnActive)    LRESULT OnActive(NMHDR*)
// TW_END_MSG_MAP()
// A handler may call SetMsgHandled(false) to pass the message on.
#define TW_BEGIN_MSG_MAP(theClass, baseClass)                                          \
 public:                                                                                \
  bool ProcessWindowMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lResult) \
      override {                                                                       \
    using TwBase = baseClass;                                                          \
    (void)wParam;                                                                      \
    (void)lParam;

#define TW_HANDLE_(call)                  \
  {                                       \
    bool tw_saved = IsMsgHandled();       \
    SetMsgHandled(true);                  \
    LRESULT tw_r = call;                  \
    bool tw_done = IsMsgHandled();        \
    SetMsgHandled(tw_saved);              \
    if (tw_done) {                        \
      lResult = tw_r;                     \
      return true;                        \
    }                                     \
  }

#define TW_MSG(msg, func) \
  if (uMsg == (msg)) TW_HANDLE_(func(wParam, lParam))

#define TW_COMMAND(id, func)                              \
  if (uMsg == WM_COMMAND && LOWORD(wParam) == (id))       \
  TW_HANDLE_((func(), LRESULT(0)))

#define TW_COMMAND_CODE(id, code, func)                                            \
  if (uMsg == WM_COMMAND && LOWORD(wParam) == (id) && HIWORD(wParam) == (code)) \
  TW_HANDLE_((func(), LRESULT(0)))

#define TW_COMMAND_RANGE(first, last, func)                                          \
  if (uMsg == WM_COMMAND && LOWORD(wParam) >= (first) && LOWORD(wParam) <= (last)) \
  TW_HANDLE_((func(LOWORD(wParam)), LRESULT(0)))

// (The parameter is not named `code`: that would replace NMHDR's member.)
#define TW_NOTIFY(id, ncode, func)                                                           \
  if (uMsg == WM_NOTIFY && reinterpret_cast<NMHDR*>(lParam)->idFrom == UINT_PTR(id) &&      \
      reinterpret_cast<NMHDR*>(lParam)->code == UINT(ncode))                                 \
  TW_HANDLE_(func(reinterpret_cast<NMHDR*>(lParam)))

#define TW_NOTIFY_CODE(ncode, func)                                                         \
  if (uMsg == WM_NOTIFY && reinterpret_cast<NMHDR*>(lParam)->code == UINT(ncode))          \
  TW_HANDLE_(func(reinterpret_cast<NMHDR*>(lParam)))

#define TW_END_MSG_MAP()                                              \
  return TwBase::ProcessWindowMessage(uMsg, wParam, lParam, lResult); \
  }
