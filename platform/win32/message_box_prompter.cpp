#include "platform/win32/message_box_prompter.h"

#include "platform/win32/win32_ports.h"

namespace tw {

int MessageBoxPrompter::ShowMessage(const std::u16string& text, const std::u16string& caption, unsigned style) {
  HWND owner = owner_ || unowned_ == Unowned::kNoOwner ? owner_ : ::GetActiveWindow();
  const wchar_t* c = caption.empty() ? nullptr : reinterpret_cast<const wchar_t*>(caption.c_str());
  return ::MessageBoxW(owner, reinterpret_cast<const wchar_t*>(text.c_str()), c, style);
}

void* MessageBoxPrompter::SetOwnerWindow(void* window) {
  HWND before = owner_;
  owner_ = static_cast<HWND>(window);
  return before;
}

std::unique_ptr<Prompter> NewMessageBoxPrompter() {
  return std::make_unique<MessageBoxPrompter>(nullptr, MessageBoxPrompter::Unowned::kActiveWindow);
}

}  // namespace tw
