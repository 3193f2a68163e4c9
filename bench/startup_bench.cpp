// Start-up time of the manager against a minimal window program, both as
// users receive them (without debugging information, in the folder
// "startup" beside this program):
//   startup_bench.exe [RUNS]
// Times each process it starts from CreateProcess until a visible top-level
// window of that process bears the expected title ("shown"), and until the
// process then first waits for input with nothing left to do, its first
// frame painted ("ready"). One warm-up run of each, then the two programs
// interleaved, the order alternating. Prints medians and the 10th to 90th
// percentiles.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
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

struct Search {
  DWORD pid;
  const wchar_t* title;
  HWND found;
};

// A visible top-level window of process `pid` titled `title`: a copy left
// running, or any other program, does not count.
HWND WindowOf(DWORD pid, const wchar_t* title) {
  Search s{pid, title, nullptr};
  ::EnumWindows(
      [](HWND h, LPARAM lp) -> BOOL {
        auto* s = reinterpret_cast<Search*>(lp);
        DWORD owner = 0;
        ::GetWindowThreadProcessId(h, &owner);
        if (owner != s->pid || !::IsWindowVisible(h)) return TRUE;
        wchar_t text[128] = {};
        ::GetWindowTextW(h, text, 128);
        if (std::wcscmp(text, s->title) != 0) return TRUE;
        s->found = h;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&s));
  return s.found;
}

struct Start {
  double shown = -1, ready = -1;
};

Start TimeStart(const std::wstring& exe, const wchar_t* title) {
  std::wstring line = L"\"" + exe + L"\"";
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  LARGE_INTEGER f, t0, t1, t2;
  ::QueryPerformanceFrequency(&f);
  auto ms = [&](const LARGE_INTEGER& a, const LARGE_INTEGER& b) {
    return 1000.0 * static_cast<double>(b.QuadPart - a.QuadPart) / static_cast<double>(f.QuadPart);
  };
  Start r;
  ::QueryPerformanceCounter(&t0);
  if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return r;
  HWND h = nullptr;
  for (int i = 0; i < 30000 && !h; ++i) {
    h = WindowOf(pi.dwProcessId, title);
    if (!h) {
      if (::WaitForSingleObject(pi.hProcess, 0) == WAIT_OBJECT_0) break;  // ended without a window
      ::Sleep(1);
    }
  }
  ::QueryPerformanceCounter(&t1);
  if (h) {
    r.shown = ms(t0, t1);
    if (::WaitForInputIdle(pi.hProcess, 20000) == 0) {
      ::QueryPerformanceCounter(&t2);
      r.ready = ms(t0, t2);
    }
    ::PostMessageW(h, WM_CLOSE, 0, 0);
    ::PostMessageW(h, WM_COMMAND, IDCANCEL, 0);
  }
  if (::WaitForSingleObject(pi.hProcess, 20000) != WAIT_OBJECT_0) ::TerminateProcess(pi.hProcess, 1);
  ::CloseHandle(pi.hThread);
  ::CloseHandle(pi.hProcess);
  return r;
}

struct Side {
  const wchar_t* exe;
  const wchar_t* title;
  std::vector<double> shown, ready;
};

}  // namespace

int main(int argc, char** argv) {
  int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  Side manager{L"startup\\TarnwickPro.exe", L"Velthorn Tarnwick", {}, {}};
  Side minimal{L"startup\\minimal_window.exe", L"Minimal Window", {}, {}};
  for (int i = -1; i < runs; ++i) {  // run -1 warms the caches up and is not counted
    Side* order[2] = {&minimal, &manager};
    if (i % 2) std::swap(order[0], order[1]);
    for (Side* s : order) {
      Start t = TimeStart(Beside(s->exe), s->title);
      if (t.shown < 0 || t.ready < 0) {
        std::printf("start-up benchmark: no window of %ls appeared, or it never became ready\n", s->exe);
        return 1;
      }
      if (i < 0) continue;
      s->shown.push_back(t.shown);
      s->ready.push_back(t.ready);
    }
  }
  auto line = [&](const char* what, const std::vector<double>& a, const std::vector<double>& b) {
    tw::bench::Spread m = tw::bench::SpreadOf(a), n = tw::bench::SpreadOf(b);
    std::printf("start-up to window %s under Wine, median of %d (10th-90th percentile): manager %.1f ms (%.1f-%.1f), "
                "minimal window %.1f ms (%.1f-%.1f), ratio %.2f\n",
                what, runs, m.median, m.low, m.high, n.median, n.low, n.high, m.median / n.median);
  };
  line("shown", manager.shown, minimal.shown);
  line("ready", manager.ready, minimal.ready);
  return 0;
}
