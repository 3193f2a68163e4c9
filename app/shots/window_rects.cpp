// Writes the window trees of the visible top-level windows of other
// programs (the screen a screenshot script has just taken):
//   window_rects.exe FILE NAME
#include <vector>

#include "app/shots/window_tree.h"

namespace {

BOOL CALLBACK Collect(HWND w, LPARAM lp) {
  DWORD pid = 0;
  ::GetWindowThreadProcessId(w, &pid);
  RECT r{};
  ::GetWindowRect(w, &r);
  wchar_t cls[64] = {};
  ::GetClassNameW(w, cls, 64);
  // The desktop's own windows and empty helpers are not screens.
  if (pid != ::GetCurrentProcessId() && ::IsWindowVisible(w) && r.right > r.left && r.bottom > r.top &&
      lstrcmpW(cls, L"Shell_TrayWnd") != 0 && lstrcmpW(cls, L"Progman") != 0 && lstrcmpW(cls, L"tooltips_class32") != 0)
    reinterpret_cast<std::vector<HWND>*>(lp)->push_back(w);
  return TRUE;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) return 2;
  std::vector<HWND> tops;
  ::EnumWindows(Collect, reinterpret_cast<LPARAM>(&tops));
  for (HWND w : tops)
    if (!tw::shots::WriteWindowTree(argv[1], argv[2], w)) return 1;
  return tops.empty() ? 3 : 0;
}
