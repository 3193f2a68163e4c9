// The file and folder pickers behind the pages' "&Browse" buttons.
#pragma once

#include <string>

#include "devices/image_pages.h"
#include "framework/win.h"

namespace tw::ui {

// An open or save dialog as `request` asks; true with *path set when the user
// chose a file. *path is also where the dialog starts.
bool PickFile(HWND owner, const FileDialogSpec& request, std::u16string* path);
// The shell's folder browser in the new dialog style, titled `title`.
bool PickFolder(HWND owner, const std::u16string& title, std::u16string* folder);

}  // namespace tw::ui
