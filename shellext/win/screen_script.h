// Drives the modal windows a call opens (dialogs and message boxes of this
// thread) from a thread timer, which every modal loop dispatches: each new
// window gets the next step of the script; what message boxes said is kept.
#pragma once

#include <windows.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace tw::shellext::testing {

class ScreenScript {
 public:
  using Step = std::function<void(HWND)>;
  ScreenScript();
  ~ScreenScript();
  ScreenScript(const ScreenScript&) = delete;
  ScreenScript& operator=(const ScreenScript&) = delete;

  // Steps for the coming windows, in order; a window with no step left
  // is answered with IDOK (message boxes) or left alone.
  void Then(Step step) { steps_.push_back(std::move(step)); }
  // Message boxes seen: "caption|text".
  std::vector<std::wstring> boxes;
  // Dialog windows seen (their window text).
  std::vector<std::wstring> dialogs;

  static std::wstring Text(HWND h);
  // Clicks a control of a dialog (as a press of it would).
  static void Click(HWND dialog, int id);
  static void Type(HWND dialog, int id, const std::wstring& text);

 private:
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD);
  void OnTick();

  std::deque<Step> steps_;
  std::vector<HWND> handled_;
  UINT_PTR timer_ = 0;
  ScreenScript* previous_ = nullptr;
};

}  // namespace tw::shellext::testing
