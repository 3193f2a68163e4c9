#include "framework/app.h"

namespace tw::fw {

bool CApp::InitCommonControls(DWORD icc_classes) {
  INITCOMMONCONTROLSEX icc{};
  icc.dwSize = sizeof icc;
  icc.dwICC = icc_classes;
  return ::InitCommonControlsEx(&icc) != FALSE;
}

std::vector<std::wstring> SplitCommandLine(const wchar_t* cl) {
  std::vector<std::wstring> out;
  if (!cl) return out;
  const wchar_t* p = cl;
  for (;;) {
    while (*p == L' ' || *p == L'\t') ++p;
    if (!*p) break;
    std::wstring arg;
    bool quoted = false;
    while (*p && (quoted || (*p != L' ' && *p != L'\t'))) {
      size_t slashes = 0;
      while (*p == L'\\') {
        ++slashes;
        ++p;
      }
      if (*p == L'"') {
        arg.append(slashes / 2, L'\\');
        if (slashes % 2) {
          arg += L'"';
        } else if (quoted && p[1] == L'"') {
          arg += L'"';
          ++p;
        } else {
          quoted = !quoted;
        }
        ++p;
      } else {
        arg.append(slashes, L'\\');
        if (*p && (quoted || (*p != L' ' && *p != L'\t'))) arg += *p++;
      }
    }
    out.push_back(arg);
  }
  return out;
}

int CApp::Run(HINSTANCE inst, const wchar_t* command_line, int show) {
  instance_ = inst;
  show_command_ = show;
  args_ = SplitCommandLine(command_line);
  if (!InitInstance()) return ExitCode();
  MSG msg;
  while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
  return static_cast<int>(msg.wParam);
}

}  // namespace tw::fw
