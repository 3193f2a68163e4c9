// Writes the rectangles of a window and of every window in it, for the
// screenshot scripts' layout check (scripts/check-shot-layout.py):
//   W <depth> <class> <id> <visible> <window rect> <parent's client rect>
// in screen coordinates, the parent's client rectangle empty for the top.
#pragma once

#include <windows.h>

#include <cstdio>

namespace tw::shots {

inline void WriteWindow(FILE* out, HWND w, int depth) {
  wchar_t cls[64] = {};
  ::GetClassNameW(w, cls, 64);
  for (wchar_t& c : cls)
    if (c == L' ') c = L'_';
  RECT r{}, pc{};
  ::GetWindowRect(w, &r);
  HWND parent = depth > 0 ? ::GetParent(w) : nullptr;
  if (parent) {
    ::GetClientRect(parent, &pc);
    ::MapWindowPoints(parent, HWND_DESKTOP, reinterpret_cast<POINT*>(&pc), 2);
  }
  std::fprintf(out, "W %d %ls %d %d %ld %ld %ld %ld %ld %ld %ld %ld\n", depth, cls, ::GetDlgCtrlID(w),
               ::IsWindowVisible(w) ? 1 : 0, r.left, r.top, r.right, r.bottom, pc.left, pc.top, pc.right, pc.bottom);
  for (HWND c = ::GetWindow(w, GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT)) WriteWindow(out, c, depth + 1);
}

// Appends the tree of `top` under a "S <name>" line.
inline bool WriteWindowTree(const wchar_t* file, const wchar_t* name, HWND top) {
  FILE* out = _wfopen(file, L"a");
  if (!out) return false;
  std::fprintf(out, "S %ls\n", name);
  WriteWindow(out, top, 0);
  std::fclose(out);
  return true;
}

}  // namespace tw::shots
