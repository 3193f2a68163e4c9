// The yardstick of the start-up benchmark: the smallest Win32 program that
// shows a window, built like the manager (mingw-w64, static runtime).
#include <windows.h>

int WINAPI wWinMain(HINSTANCE inst, HINSTANCE, PWSTR, int show) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = [](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
    if (m == WM_DESTROY) ::PostQuitMessage(0);
    return ::DefWindowProcW(h, m, w, l);
  };
  wc.hInstance = inst;
  wc.lpszClassName = L"MinimalWindow";
  ::RegisterClassW(&wc);
  HWND h = ::CreateWindowW(L"MinimalWindow", L"Minimal Window", WS_OVERLAPPEDWINDOW, 0, 0, 800, 480, nullptr,
                           nullptr, inst, nullptr);
  ::ShowWindow(h, show);
  MSG m;
  while (::GetMessageW(&m, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&m);
    ::DispatchMessageW(&m);
  }
  return 0;
}
