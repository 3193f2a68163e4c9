// Screen scale. Figures drawn for 96 DPI are multiplied by DPI / 96; the
// skinned windows lay their dialogs out from the template's dialog units
// with the base units the dialog font has at 96 DPI (6 x 13), so the layout
// depends neither on the font the system maps "MS Shell Dlg" to nor on its
// metrics at other scales.
#pragma once

#include <vector>

#include "framework/win.h"

// Newer than the headers' target version; the messages exist where they are sent.
#ifndef WM_DPICHANGED
#define WM_DPICHANGED 0x02E0
#endif
#ifndef WM_DPICHANGED_AFTERPARENT
#define WM_DPICHANGED_AFTERPARENT 0x02E3
#endif

namespace tw::fw {

constexpr UINT kBaseDpi = 96;
constexpr int kRefBaseUnitX = 6, kRefBaseUnitY = 13;

// The window's DPI (per monitor where the system says so), else the screen's.
UINT DpiOf(HWND w);
UINT ScreenDpi();
inline int Scale(int px, UINT dpi) { return ::MulDiv(px, static_cast<int>(dpi), kBaseDpi); }

// Dialog units to pixels with the reference base units at `dpi`.
RECT DluToPixels(const RECT& dlu, UINT dpi);

struct TemplateItem {
  int id = 0;
  RECT dlu{};  // left, top, right, bottom in dialog units
};
struct DialogTemplateInfo {
  SIZE size{};  // the dialog's client size in dialog units
  std::vector<TemplateItem> items;
};
// Reads a DLGTEMPLATE or DLGTEMPLATEEX resource; false when there is none.
bool ReadDialogTemplate(HINSTANCE inst, UINT id, DialogTemplateInfo* out);
bool ParseDialogTemplate(const void* data, size_t size, DialogTemplateInfo* out);

// Puts the dialog's children (made from `info`, in its order) where the
// reference base units put them at `dpi`. Children made later are left alone.
void PlaceFromTemplate(HWND dlg, const DialogTemplateInfo& info, UINT dpi);

}  // namespace tw::fw
