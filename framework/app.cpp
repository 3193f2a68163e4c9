#include "framework/app.h"

namespace tw::fw {

bool CApp::InitCommonControls(DWORD icc_classes) {
  INITCOMMONCONTROLSEX icc{};
  icc.dwSize = sizeof icc;
  icc.dwICC = icc_classes;
  return ::InitCommonControlsEx(&icc) != FALSE;
}

namespace {

// The arguments after the program name; CommandLineToArgvW reads a first
// word by the rules for program names, hence the stand-in in front.
std::vector<std::wstring> Arguments(const wchar_t* command_line) {
  std::wstring line = L"program ";
  if (command_line) line += command_line;
  int n = 0;
  LPWSTR* argv = ::CommandLineToArgvW(line.c_str(), &n);
  std::vector<std::wstring> out;
  for (int i = 1; argv && i < n; ++i) out.emplace_back(argv[i]);
  ::LocalFree(argv);
  return out;
}

}  // namespace

int CApp::Run(HINSTANCE inst, const wchar_t* command_line, int show) {
  instance_ = inst;
  show_command_ = show;
  args_ = Arguments(command_line);
  if (!InitInstance()) return ExitCode();
  MSG msg;
  while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
  return static_cast<int>(msg.wParam);
}

}  // namespace tw::fw
