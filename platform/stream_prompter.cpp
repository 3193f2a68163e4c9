#include "platform/stream_prompter.h"

#include "base/text.h"

namespace tw {

int StreamPrompter::ShowMessage(const std::u16string& text, const std::u16string& caption, unsigned style) {
  unsigned buttons = style & 0xF;
  out_ << (caption.empty() ? "" : Utf16ToUtf8(caption) + ": ") << Utf16ToUtf8(text);
  int answer = kIdOk;
  if (buttons == kMbYesNo || buttons == kMbYesNoCancel) answer = yes_ ? kIdYes : kIdNo;
  else if (buttons == kMbOkCancel) answer = yes_ ? kIdOk : kIdCancel;
  if (buttons != kMbOk) out_ << (answer == kIdYes ? " [yes]" : answer == kIdNo ? " [no]" : answer == kIdOk ? " [ok]" : " [cancel]");
  out_ << "\n";
  return answer;
}

}  // namespace tw
