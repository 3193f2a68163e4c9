// The prompter port as the system's message box.
#include <windows.h>

#include "platform/prompter.h"
#include "platform/win32/win32_ports.h"

namespace tw {
namespace {

const wchar_t* W(const std::u16string& s) { return reinterpret_cast<const wchar_t*>(s.c_str()); }

class MessageBoxPrompter final : public Prompter {
 public:
  int ShowMessage(const std::u16string& text, const std::u16string& caption, unsigned style) override {
    return MessageBoxW(GetActiveWindow(), W(text), W(caption), style);
  }
};

}  // namespace

std::unique_ptr<Prompter> NewMessageBoxPrompter() { return std::make_unique<MessageBoxPrompter>(); }

}  // namespace tw
