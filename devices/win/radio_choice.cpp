#include "devices/win/radio_choice.h"

namespace tw::ui {

void CRadioChoice::Attach(HWND page, int first_id, int count) {
  page_ = page;
  first_ = first_id;
  count_ = count;
  LOGFONTW lf{};
  auto font = reinterpret_cast<HFONT>(::SendMessageW(page, WM_GETFONT, 0, 0));
  ::GetObjectW(font ? static_cast<HGDIOBJ>(font) : ::GetStockObject(DEFAULT_GUI_FONT), sizeof lf, &lf);
  lf.lfWeight = FW_BOLD;
  bold_.Attach(::CreateFontIndirectW(&lf));
  for (int i = 0; i < count; ++i)
    ::SendMessageW(::GetDlgItem(page, first_id + i), WM_SETFONT, reinterpret_cast<WPARAM>(bold_.m_handle), TRUE);
}

int CRadioChoice::Selected() const {
  for (int i = 0; i < count_; ++i)
    if (::IsDlgButtonChecked(page_, first_ + i) == BST_CHECKED) return i;
  return -1;
}

void CRadioChoice::Select(int index) const {
  for (int i = 0; i < count_; ++i)
    ::CheckDlgButton(page_, first_ + i, i == index ? BST_CHECKED : BST_UNCHECKED);
}

}  // namespace tw::ui
