// The one way the framework and the windows above it include the Win32
// headers: <objidl.h> must precede <gdiplus.h> under WIN32_LEAN_AND_MEAN.
#pragma once

#include <windows.h>
#include <objidl.h>
#include <commctrl.h>
#include <shellapi.h>

#include <gdiplus.h>

#include <string>

namespace tw::fw {

// <windowsx.h> would do, but its macros (SubclassWindow ...) clash with
// member names.
inline int XFromLParam(LPARAM lp) { return static_cast<short>(LOWORD(lp)); }
inline int YFromLParam(LPARAM lp) { return static_cast<short>(HIWORD(lp)); }
inline POINT PointFromLParam(LPARAM lp) { return POINT{XFromLParam(lp), YFromLParam(lp)}; }

inline std::wstring ToWide(const std::u16string& s) { return std::wstring(s.begin(), s.end()); }
inline std::u16string FromWide(const std::wstring& s) { return std::u16string(s.begin(), s.end()); }
inline std::u16string FromWide(const wchar_t* s) { return s ? FromWide(std::wstring(s)) : std::u16string(); }

}  // namespace tw::fw
