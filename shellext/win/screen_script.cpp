#include "shellext/win/screen_script.h"

#include <algorithm>

namespace tw::shellext::testing {
namespace {
thread_local ScreenScript* g_current = nullptr;

struct Found {
  std::vector<HWND> windows;
};

BOOL CALLBACK Collect(HWND h, LPARAM lp) {
  wchar_t cls[16] = {};
  ::GetClassNameW(h, cls, 16);
  if (lstrcmpW(cls, L"#32770") == 0 && ::IsWindowVisible(h) && ::IsWindowEnabled(h))
    reinterpret_cast<Found*>(lp)->windows.push_back(h);
  return TRUE;
}
}  // namespace

ScreenScript::ScreenScript() : previous_(g_current) {
  g_current = this;
  timer_ = ::SetTimer(nullptr, 0, 30, &ScreenScript::Tick);
}

ScreenScript::~ScreenScript() {
  ::KillTimer(nullptr, timer_);
  g_current = previous_;
}

std::wstring ScreenScript::Text(HWND h) {
  wchar_t buffer[1024] = {};
  ::GetWindowTextW(h, buffer, 1024);
  return buffer;
}

void ScreenScript::Click(HWND dialog, int id) {
  ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(dialog, id)));
}

void ScreenScript::Type(HWND dialog, int id, const std::wstring& text) { ::SetDlgItemTextW(dialog, id, text.c_str()); }

void CALLBACK ScreenScript::Tick(HWND, UINT, UINT_PTR, DWORD) {
  if (g_current) g_current->OnTick();
}

void ScreenScript::OnTick() {
  Found found;
  ::EnumThreadWindows(::GetCurrentThreadId(), &Collect, reinterpret_cast<LPARAM>(&found));
  for (HWND h : found.windows) {
    if (std::find(handled_.begin(), handled_.end(), h) != handled_.end()) continue;
    handled_.push_back(h);
    // A message box has its text in the static 0xFFFF.
    HWND text = ::GetDlgItem(h, 0xFFFF);
    if (text) boxes.push_back(Text(h) + L"|" + Text(text));
    else dialogs.push_back(Text(h));
    if (!steps_.empty()) {
      Step step = std::move(steps_.front());
      steps_.pop_front();
      step(h);
    } else if (text) {
      ::PostMessageW(h, WM_COMMAND, IDOK, 0);
    }
    return;  // one window per tick: the next may only appear after this one acts
  }
}

}  // namespace tw::shellext::testing
