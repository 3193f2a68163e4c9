// Prompter port: message boxes and questions. The Win32 implementation
// shows MessageBoxW; tests answer from a script; the console prints.
#pragma once

#include <string>

namespace tw {

// MessageBoxW styles and results, with the Windows values.
constexpr unsigned kMbOk = 0x0;
constexpr unsigned kMbOkCancel = 0x1;
constexpr unsigned kMbYesNoCancel = 0x3;
constexpr unsigned kMbYesNo = 0x4;
constexpr unsigned kMbIconError = 0x10;
constexpr unsigned kMbIconQuestion = 0x20;
constexpr unsigned kMbIconWarning = 0x30;
constexpr unsigned kMbIconInformation = 0x40;
constexpr unsigned kMbDefButton2 = 0x100;

constexpr int kIdOk = 1;
constexpr int kIdCancel = 2;
constexpr int kIdYes = 6;
constexpr int kIdNo = 7;

class Prompter {
 public:
  virtual ~Prompter() = default;
  // Shows a message or question; returns the button pressed (kIdOk ...).
  virtual int ShowMessage(const std::u16string& text, const std::u16string& caption, unsigned style) = 0;
  // Makes `window` (a window handle where there are windows) the owner of
  // the messages from now on and returns the one before; a prompter without
  // windows keeps none.
  virtual void* SetOwnerWindow(void* window) { return nullptr; }
};

}  // namespace tw
