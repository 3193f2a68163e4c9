// Start-up time of the manager against a minimal window program: from
// CreateProcess to the main window shown, over several runs of each.
//   startup_bench.exe [RUNS]
// Both programs sit beside this one. Prints the medians and their ratio.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/spread.h"

namespace {

std::wstring Beside(const wchar_t* name) {
  wchar_t path[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring p = path;
  return p.substr(0, p.rfind(L'\\') + 1) + name;
}

// Milliseconds until a visible top-level window titled `title` exists; -1 on failure.
double TimeToWindow(const std::wstring& exe, const wchar_t* title) {
  std::wstring line = L"\"" + exe + L"\"";
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  LARGE_INTEGER f, t0, t1;
  ::QueryPerformanceFrequency(&f);
  ::QueryPerformanceCounter(&t0);
  if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return -1;
  HWND h = nullptr;
  for (int i = 0; i < 30000; ++i) {
    h = ::FindWindowW(nullptr, title);
    if (h && ::IsWindowVisible(h)) break;
    h = nullptr;
    ::Sleep(1);
  }
  ::QueryPerformanceCounter(&t1);
  if (h) {
    ::PostMessageW(h, WM_CLOSE, 0, 0);
    ::PostMessageW(h, WM_COMMAND, IDCANCEL, 0);
  }
  if (::WaitForSingleObject(pi.hProcess, 20000) != WAIT_OBJECT_0) ::TerminateProcess(pi.hProcess, 1);
  ::CloseHandle(pi.hThread);
  ::CloseHandle(pi.hProcess);
  return h ? 1000.0 * static_cast<double>(t1.QuadPart - t0.QuadPart) / static_cast<double>(f.QuadPart) : -1;
}

}  // namespace

int main(int argc, char** argv) {
  int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  std::vector<double> manager, minimal;
  for (int i = 0; i < runs; ++i) {
    double a = TimeToWindow(Beside(L"minimal_window.exe"), L"Minimal Window");
    double b = TimeToWindow(Beside(L"TarnwickPro.exe"), L"Velthorn Tarnwick");
    if (a < 0 || b < 0) {
      std::printf("start-up benchmark: a window did not appear (minimal %.0f, manager %.0f)\n", a, b);
      return 1;
    }
    minimal.push_back(a);
    manager.push_back(b);
  }
  double m = tw::bench::SpreadOf(manager).median, n = tw::bench::SpreadOf(minimal).median;
  std::printf("start-up to window shown, median of %d under Wine: manager %.1f ms, minimal window %.1f ms, ratio %.2f\n",
              runs, m, n, m / n);
  return 0;
}
