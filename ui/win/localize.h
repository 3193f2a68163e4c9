// The windows' side of translation: the program-wide Translator filled
// from the module's string tables, and helpers that put a dialog, a menu
// or a message into the user's language.
#pragma once

#include <string>

#include "framework/dialog.h"
#include "ui/layout/translation.h"

namespace tw::ui {

// Reads every string table entry of `inst` (the program when null) in
// English and in the language LoadStringW picks for the user; each pair that
// differs becomes a translation. Safe to call again (it starts afresh).
void LoadTranslations(HINSTANCE inst = nullptr);
const Translator& Translations();

std::wstring Tr(const std::u16string& english);
std::wstring Tr(const wchar_t* english);
std::u16string Tr16(const std::u16string& english);

// Translates the caption and the texts of every child control in place.
void LocalizeDialog(HWND dialog);

// Message boxes owned by a window, in the user's language; the caption
// defaults to the program's title.
class LocalizedPrompter : public MessageBoxPrompter {
 public:
  explicit LocalizedPrompter(HWND owner = nullptr) : MessageBoxPrompter(owner) {}
  int ShowMessage(const std::u16string& text, const std::u16string& caption, unsigned style) override;
};

}  // namespace tw::ui
