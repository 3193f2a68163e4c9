// A prompter for programs without windows: prints each message to a stream
// and answers questions with a fixed choice.
#pragma once

#include <ostream>

#include "platform/prompter.h"

namespace tw {

class StreamPrompter final : public Prompter {
 public:
  StreamPrompter(std::ostream& out, bool answer_yes) : out_(out), yes_(answer_yes) {}
  int ShowMessage(const std::u16string& text, const std::u16string& caption, unsigned style) override;

 private:
  std::ostream& out_;
  bool yes_;
};

}  // namespace tw
