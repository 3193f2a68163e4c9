// The application object: one per program, run from wWinMain.
#pragma once

#include <string>
#include <vector>

#include "framework/window.h"

namespace tw::fw {

class CApp {
 public:
  CApp() = default;
  virtual ~CApp() = default;

  // Returns false when the program is done without a message loop of the
  // framework's own (a dialog-based program ends here).
  virtual bool InitInstance() = 0;
  // Exit code after InitInstance returned false, or after the loop.
  virtual int ExitCode() const { return exit_code_; }

  // Registers the common controls of the given classes.
  static bool InitCommonControls(DWORD icc_classes);

  CWindow* main_window() const { return main_window_; }
  void set_main_window(CWindow* w) { main_window_ = w; }
  int show_command() const { return show_command_; }
  void set_show_command(int c) { show_command_ = c; }
  HINSTANCE instance() const { return instance_; }
  const std::vector<std::wstring>& arguments() const { return args_; }
  void set_exit_code(int c) { exit_code_ = c; }

  // Runs the application: fills the instance and the arguments (split
  // as the C runtime does; `command_line` has no program name), calls
  // InitInstance, and runs a message loop only when it returned true.
  int Run(HINSTANCE inst, const wchar_t* command_line, int show);

 private:
  CWindow* main_window_ = nullptr;
  int show_command_ = SW_SHOWNORMAL;
  HINSTANCE instance_ = nullptr;
  std::vector<std::wstring> args_;
  int exit_code_ = 0;
};

}  // namespace tw::fw
