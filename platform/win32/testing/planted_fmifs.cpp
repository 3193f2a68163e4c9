// A fmifs.dll left beside a program, as someone who can write to its folder
// (a download folder, a shared install) would plant it: the formatter must
// take the system's and never this one.
#include <windows.h>

extern "C" __declspec(dllexport) BOOLEAN WINAPI FormatEx(PWCHAR, int, PWCHAR, PWCHAR, BOOL, DWORD, PVOID) {
  return FALSE;
}
