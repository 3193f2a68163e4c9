#include "ui/win/localize.h"

#include <vector>

#include "base/product.h"

namespace tw::ui {

namespace {

Translator& Table() {
  static Translator t;
  return t;
}

// The strings of one string-table block in English, or none.
std::vector<std::u16string> EnglishBlock(HINSTANCE inst, int block) {
  std::vector<std::u16string> out;
  HRSRC r = ::FindResourceExW(inst, RT_STRING, MAKEINTRESOURCEW(block), MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
  if (!r) return out;
  HGLOBAL g = ::LoadResource(inst, r);
  DWORD size = ::SizeofResource(inst, r) / sizeof(WCHAR);
  auto* p = static_cast<const WCHAR*>(::LockResource(g));
  if (!p) return out;
  DWORD at = 0;
  for (int i = 0; i < 16 && at < size; ++i) {
    DWORD n = p[at++];
    if (at + n > size) break;
    out.emplace_back(reinterpret_cast<const char16_t*>(p + at), n);
    at += n;
  }
  return out;
}

BOOL CALLBACK OnBlock(HMODULE inst, LPCWSTR, LPWSTR name, LONG_PTR) {
  if (!IS_INTRESOURCE(name)) return TRUE;
  int block = static_cast<int>(reinterpret_cast<ULONG_PTR>(name));
  std::vector<std::u16string> english = EnglishBlock(inst, block);
  for (size_t i = 0; i < english.size(); ++i) {
    if (english[i].empty()) continue;
    UINT id = static_cast<UINT>((block - 1) * 16 + i);
    std::vector<wchar_t> buf(4096);
    int n = ::LoadStringW(inst, id, buf.data(), static_cast<int>(buf.size()));
    std::u16string localized(buf.begin(), buf.begin() + (n > 0 ? n : 0));
    if (n > 0 && localized != english[i]) Table().Add(english[i], localized);
  }
  return TRUE;
}

BOOL CALLBACK OnChild(HWND child, LPARAM) {
  wchar_t cls[32] = {};
  ::GetClassNameW(child, cls, 32);
  // Edits and combo boxes hold the user's data, not labels.
  if (!lstrcmpiW(cls, L"Edit") || !lstrcmpiW(cls, L"ComboBox") || !lstrcmpiW(cls, WC_LISTVIEWW)) return TRUE;
  std::wstring text = fw::WindowText(child);
  if (text.empty()) return TRUE;
  std::wstring t = Tr(fw::FromWide(text));
  if (t != text) ::SetWindowTextW(child, t.c_str());
  return TRUE;
}

}  // namespace

void LoadTranslations(HINSTANCE inst) {
  if (!inst) inst = ::GetModuleHandleW(nullptr);
  Table() = Translator();
  ::EnumResourceNamesW(inst, RT_STRING, OnBlock, 0);
}

const Translator& Translations() { return Table(); }

std::u16string Tr16(const std::u16string& english) { return Table().Translate(english); }
std::wstring Tr(const std::u16string& english) { return fw::ToWide(Tr16(english)); }
std::wstring Tr(const wchar_t* english) { return Tr(fw::FromWide(english)); }

void LocalizeDialog(HWND dialog) {
  std::wstring text = fw::WindowText(dialog);
  if (!text.empty()) ::SetWindowTextW(dialog, Tr(fw::FromWide(text)).c_str());
  ::EnumChildWindows(dialog, OnChild, 0);
}

int LocalizedPrompter::ShowMessage(const std::u16string& text, const std::u16string& caption, unsigned style) {
  std::u16string c = caption.empty() ? std::u16string(kAppTitle) : caption;
  return MessageBoxPrompter::ShowMessage(Tr16(text), Tr16(c), style);
}

}  // namespace tw::ui
