// Opens the Snapshot Manager on a disk with 1,000 and 10,000 snapshots
// (each under a random earlier one) and prints:
//   open     the model's tree build, every request answered by the
//            simulated driver's logic in memory (the state file of the
//            simulated machine would dominate otherwise)
//   driver   the part of open spent in that driver logic (a real driver
//            answers from its own index; the simulation scans every
//            snapshot for each request)
//   first    open, the dialog created and shown, and its first frame
//            painted: what a user waits for
//   window   creating the dialog with its view and showing it
//   paint    one window-sized frame of the view (mean of 20), at the top
//            left and scrolled to the bottom right
//   memory   the process's committed bytes before opening and with the
//            dialog up, and the bytes the tree's branch lists hold
// Times are medians of 5 runs after one warm-up (a machine shared with
// other work slows single runs by half); "first" also gets its 10th-90th
// percentile spread. Prints figures; it checks nothing.
//   snapshot_manager_bench.exe [COUNT...]
#include <windows.h>
#include <psapi.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

#include "devices/snapshots/snapshot_manager.h"
#include "devices/snapshots/snapshot_memory_disk_io.h"
#include "devices/snapshots/win/snapshot_demo_disk.h"
#include "devices/snapshots/win/snapshot_manager_dlg.h"
#include "bench/spread.h"
#include "framework/app.h"

namespace tw::ui {
namespace {

using Clock = std::chrono::steady_clock;
double Ms(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double, std::milli>(b - a).count(); }

double CommittedMb() {
  PROCESS_MEMORY_COUNTERS pmc{};
  pmc.cb = sizeof pmc;
  ::GetProcessMemoryInfo(::GetCurrentProcess(), &pmc, sizeof pmc);
  return static_cast<double>(pmc.PagefileUsage) / (1024.0 * 1024.0);
}

// Slot 0 holds an image disk with `count` snapshots, each under a random
// earlier one (a fixed seed); the disk runs on the last.
void RandomDisk(int count, sim::MachineState* state) {
  sim::Slot& slot = state->slots[0];
  slot.used = true;
  slot.record.assign(devrec::kSize, 0);
  slot.record[devrec::kDeviceType] = kImageDisk;
  std::mt19937 random(7);
  for (int i = 1; i <= count; ++i) {
    sim::Snapshot snap;
    snap.id = static_cast<uint64_t>(i);
    snap.parent = i == 1 ? 0 : 1 + random() % static_cast<uint64_t>(i - 1);
    snap.name = "Snapshot " + std::to_string(i);
    snap.description = "Snapshot number " + std::to_string(i);
    slot.snapshots.push_back(snap);
  }
  slot.next_snapshot_id = static_cast<uint64_t>(count) + 1;
  slot.current = static_cast<uint64_t>(count);
}

void Pump() {
  MSG m;
  while (::PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
    ::TranslateMessage(&m);
    ::DispatchMessageW(&m);
  }
}

double PaintFrames(CSnapshotView& view, int frames) {
  RECT rc = view.GetClientRect();
  HDC screen = ::GetDC(nullptr);
  HDC dc = ::CreateCompatibleDC(screen);
  HBITMAP bmp = ::CreateCompatibleBitmap(screen, rc.right, rc.bottom);
  ::ReleaseDC(nullptr, screen);
  HGDIOBJ old = ::SelectObject(dc, bmp);
  auto t0 = Clock::now();
  for (int i = 0; i < frames; ++i) view.Paint(dc);
  auto t1 = Clock::now();
  ::SelectObject(dc, old);
  ::DeleteObject(bmp);
  ::DeleteDC(dc);
  return Ms(t0, t1) / frames;
}

struct Sample {
  double open, driver, window, first, top, bottom, before, with;
  size_t nodes;
  Size extent;
  double branches;
};

Sample RunOnce(int count) {
  DemoDisk demo;  // the ports besides the disk
  sim::MachineState state;
  RandomDisk(count, &state);
  MemoryDiskIo io(state, *demo.platform.code_page);
  Platform platform = demo.platform;
  platform.device_io = &io;
  Sample r{};
  r.before = CommittedMb();
  SnapshotManagerModel model(platform, 1, 0);
  auto t0 = Clock::now();
  model.Open();
  auto t1 = Clock::now();
  CSnapshotManagerDlg dialog(model);
  dialog.CreateModeless(nullptr);
  dialog.ShowWindow(SW_SHOW);
  dialog.UpdateWindow();
  Pump();
  auto t2 = Clock::now();
  r.with = CommittedMb();
  r.driver = io.driver_ms;
  r.open = Ms(t0, t1);
  r.window = Ms(t1, t2);
  r.first = Ms(t0, t2);
  CSnapshotView& view = dialog.view();
  r.top = PaintFrames(view, 20);
  view.SendMessageW(WM_HSCROLL, SB_RIGHT, reinterpret_cast<LPARAM>(view.horizontal_bar()));
  view.SendMessageW(WM_VSCROLL, SB_BOTTOM, reinterpret_cast<LPARAM>(view.vertical_bar()));
  r.bottom = PaintFrames(view, 20);
  r.nodes = model.tree().size();
  r.extent = model.tree().Extent();
  r.branches = static_cast<double>(model.tree().BranchBytes()) / (1024.0 * 1024.0);
  dialog.DestroyWindow();
  return r;
}

// One warm-up, then `runs` runs: the medians, and the spread of "first".
bench::Spread Measure(int count, int runs) {
  RunOnce(count);
  std::vector<Sample> samples;
  for (int i = 0; i < runs; ++i) samples.push_back(RunOnce(count));
  auto median = [&](double Sample::*field) {
    std::vector<double> v;
    for (const Sample& x : samples) v.push_back(x.*field);
    return bench::SpreadOf(v).median;
  };
  const Sample& last = samples.back();
  std::printf("%6d %6zu %9.1f %9.1f %9.1f %9.1f %9.2f %9.2f %8dx%-8d %9.1f %9.1f %10.3f\n", count, last.nodes,
              median(&Sample::open), median(&Sample::driver), median(&Sample::window), median(&Sample::first),
              median(&Sample::top), median(&Sample::bottom), last.extent.width, last.extent.height,
              samples.front().before, last.with, last.branches);
  std::vector<double> first;
  for (const Sample& x : samples) first.push_back(x.first);
  return bench::SpreadOf(first);
}

}  // namespace
}  // namespace tw::ui

int main(int argc, char** argv) {
  tw::fw::CApp::InitCommonControls(ICC_WIN95_CLASSES);
  std::vector<int> counts;
  for (int i = 1; i < argc; ++i) counts.push_back(std::atoi(argv[i]));
  if (counts.empty()) counts = {1000, 10000};
  std::printf("Snapshot Manager under Wine, random trees (times in ms, memory in MB)\n");
  std::printf("%6s %6s %9s %9s %9s %9s %9s %9s %17s %9s %9s %10s\n", "snaps", "nodes", "open", "driver", "window",
              "first", "paint", "paint-end", "extent", "mem-pre", "mem-open", "branches");
  const int runs = 5;
  std::vector<tw::bench::Spread> firsts;
  for (int n : counts) firsts.push_back(tw::ui::Measure(n, runs));
  for (size_t i = 0; i < counts.size(); ++i)
    std::printf("first, %d snapshots: median of %d after one warm-up %.1f ms (10th-90th percentile %.1f-%.1f)\n",
                counts[i], runs, firsts[i].median, firsts[i].low, firsts[i].high);
  return 0;
}
