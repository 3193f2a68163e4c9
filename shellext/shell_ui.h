// What the command flows need from the screen: strings of the module,
// message boxes and the extension's dialogs. The COM side shows real
// windows; tests answer from a script.
#pragma once

#include <string>

#include "base/status.h"
#include "base/text_by_id.h"

namespace tw::shellext {

enum class TransferMode { kShare, kCopy };

class ShellUi {
 public:
  virtual ~ShellUi() = default;
  // A string of the module's table in the user's language.
  virtual std::u16string String(int id) = 0;
  // A template of the table in the user's language, its %1 .. %9 filled.
  virtual std::u16string Text(const TextById& text) = 0;
  // A message box owned by the window that invoked the command.
  virtual int Message(const std::u16string& text, const std::u16string& caption, unsigned style) = 0;
  // The error box: no owner window, the error icon.
  virtual void ErrorMessage(const std::u16string& text, const std::u16string& caption) = 0;
  // The system's text for a code (empty when it has none).
  virtual std::u16string SystemMessage(Status code) = 0;
  // The password dialog; false on Cancel.
  virtual bool AskPassword(std::u16string* password) = 0;
  virtual void RunEncryptDialog(const std::u16string& path) = 0;
  virtual void RunCopyToDialog(TransferMode mode, const std::u16string& path) = 0;
  // The wait cursor while a long request blocks the thread.
  virtual void SetWaitCursor(bool on) = 0;
};

// The progress dialog of a copy: one step per user.
class CopyProgress {
 public:
  virtual ~CopyProgress() = default;
  virtual void Start(int total) = 0;
  // Copies the item to one user and advances; returns the driver's code.
  virtual Status CopyStep(const std::u16string& path, const std::u16string& user) = 0;
  virtual void Finish() = 0;
};

}  // namespace tw::shellext
