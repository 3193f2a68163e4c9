// Time and memory of building and laying out snapshot trees of 1,000 and
// 10,000 snapshots in three shapes.
//
//   build     the tree from records already in memory (our code alone)
//   layout    draw order, connectors, extent, viewport, and a hit test at
//             every node's centre
//   driver    the whole build through StorageBus vendor commands answered
//             by the simulated driver logic in memory (no state file), and
//   in sim    the part of it spent in that simulated logic
//   peak      most bytes allocated at once while building
//   branches  bytes the branch lists hold once built
//
// Prints figures; it checks nothing.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <new>
#include <random>
#include <string>
#include <vector>

#include "base/bytes.h"
#include "devices/snapshots/snapshot_disk.h"
#include "devices/snapshots/snapshot_memory_disk_io.h"
#include "devices/snapshots/snapshot_tree.h"
#include "platform/device_io.h"
#include "platform/platform.h"
#include "platform/sim/drivers.h"
#include "platform/sim/machine_state.h"
#include "platform/sockets.h"
#include "platform/system.h"
#include "platform/system_services.h"
#include "storagebus/driver_contract.h"

// Every allocation carries its size in front, so live and peak bytes are
// exact on every platform.
namespace {
std::atomic<size_t> g_live{0};
std::atomic<size_t> g_peak{0};
constexpr size_t kHeader = 16;

void* CountedAlloc(size_t n) {
  void* p = std::malloc(n + kHeader);
  if (!p) throw std::bad_alloc();
  *static_cast<size_t*>(p) = n;
  size_t live = g_live += n;
  size_t peak = g_peak.load();
  while (live > peak && !g_peak.compare_exchange_weak(peak, live)) {
  }
  return static_cast<char*>(p) + kHeader;
}
void CountedFree(void* p) {
  if (!p) return;
  char* base = static_cast<char*>(p) - kHeader;
  g_live -= *reinterpret_cast<size_t*>(base);
  std::free(base);
}
}  // namespace

void* operator new(size_t n) { return CountedAlloc(n); }
void* operator new[](size_t n) { return CountedAlloc(n); }
void operator delete(void* p) noexcept { CountedFree(p); }
void operator delete[](void* p) noexcept { CountedFree(p); }
void operator delete(void* p, size_t) noexcept { CountedFree(p); }
void operator delete[](void* p, size_t) noexcept { CountedFree(p); }

namespace tw {
namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double, std::milli>(b - a).count(); }
double Mib(size_t bytes) { return static_cast<double>(bytes) / (1024.0 * 1024.0); }

struct Shape {
  const char* name;
  std::vector<sim::Snapshot> snapshots;  // in creation order
  uint64_t current = 0;
};

Shape MakeShape(const char* kind, size_t n) {
  Shape s{kind, {}, 0};
  std::mt19937_64 random(42);
  for (size_t i = 1; i <= n; ++i) {
    sim::Snapshot snap;
    snap.id = i;
    if (std::strcmp(kind, "deep") == 0) snap.parent = i - 1;
    else if (std::strcmp(kind, "wide") == 0) snap.parent = 0;
    else snap.parent = i == 1 ? 0 : 1 + random() % (i - 1);  // each under a random earlier one
    snap.name = "snapshot " + std::to_string(i);
    snap.description = "taken by the benchmark";
    s.snapshots.push_back(std::move(snap));
  }
  s.current = n;
  return s;
}

class MemorySource final : public SnapshotSource {
 public:
  explicit MemorySource(const Shape& shape) : current_(shape.current) {
    for (const sim::Snapshot& s : shape.snapshots) {
      SnapshotRecord r;
      r.set_id(s.id);
      r.set_name(s.name);
      r.set_description(s.description);
      children_[s.parent].push_back(r);
    }
  }
  Status ListChildren(uint64_t parent, std::vector<SnapshotRecord>* out) override {
    auto it = children_.find(parent);
    if (it == children_.end()) out->clear();
    else *out = it->second;
    return kOk;
  }
  Status CurrentSnapshot(uint64_t* id) override {
    *id = current_;
    return kOk;
  }

 private:
  std::map<uint64_t, std::vector<SnapshotRecord>> children_;
  uint64_t current_;
};

// One disk whose pass-through requests the simulated driver logic answers
// from a state held in memory.
struct Figures {
  double build_ms = 1e300, layout_ms = 1e300;
  size_t peak = 0, branches = 0, nodes = 0;
  Size extent;
};

Figures Measure(const Shape& shape, CodePage& cp, int rounds) {
  Figures f;
  MemorySource source(shape);
  for (int round = 0; round < rounds; ++round) {
    size_t before = g_live.load();
    g_peak.store(before);
    auto t0 = Clock::now();
    SnapshotTree tree;
    BuildSnapshotTree(source, cp, &tree);
    auto t1 = Clock::now();
    f.peak = std::max(f.peak, g_peak.load() - before);
    f.branches = tree.BranchBytes();
    f.nodes = tree.size();

    auto t2 = Clock::now();
    std::vector<int> order = tree.DrawOrder();
    std::vector<ConnectorPiece> pieces = tree.Connectors();
    f.extent = tree.Extent();
    ViewportLayout v = LayoutViewport({640, 480}, f.extent);
    size_t hits = 0;
    for (int n : order) {
      Rect b = tree.Box(n);
      hits += tree.HitTest(b.left + kGridStep / 2, b.top + kGridStep / 2) == n;
    }
    auto t3 = Clock::now();
    if (hits != order.size() || pieces.empty() || v.bitmap.width == 0) std::printf("  (layout check failed)\n");
    f.build_ms = std::min(f.build_ms, Ms(t0, t1));
    f.layout_ms = std::min(f.layout_ms, Ms(t2, t3));
  }
  return f;
}

double MeasureDriverPath(const Shape& shape, const Platform& base, CodePage& cp, size_t* requests, double* sim_ms) {
  sim::MachineState state;
  state.slots[0].used = true;
  state.slots[0].record.assign(devrec::kSize, 0);
  state.slots[0].record[devrec::kDeviceType] = kImageDisk;
  state.slots[0].snapshots = shape.snapshots;
  state.slots[0].current = shape.current;
  MemoryDiskIo io(state, cp);
  Platform p = base;
  p.device_io = &io;
  SnapshotDisk disk(p, 1);
  SnapshotTree tree;
  auto t0 = Clock::now();
  BuildSnapshotTree(disk, cp, &tree);
  auto t1 = Clock::now();
  *requests = io.requests;
  *sim_ms = io.driver_ms;
  if (tree.size() != shape.snapshots.size() + 2) std::printf("  (driver build incomplete: %zu nodes)\n", tree.size());
  return Ms(t0, t1);
}

}  // namespace
}  // namespace tw

int main() {
  using namespace tw;
  SystemServices services = NewSystemServices();
  Platform platform;
  platform.memory = services.memory.get();
  platform.code_page = services.code_page.get();
  platform.clock = services.clock.get();
  platform.diagnostics = services.diagnostics.get();
  CodePage& cp = *services.code_page;

  std::printf("Snapshot tree build and layout (best of 3; memory in MiB)\n");
  std::printf("%-6s %6s %10s %10s %9s %10s %12s %11s %9s %9s\n", "shape", "count", "build ms", "layout ms", "peak",
              "branches", "extent", "driver ms", "in sim", "requests");
  for (size_t n : {size_t{1000}, size_t{10000}}) {
    for (const char* kind : {"deep", "wide", "random"}) {
      Shape shape = MakeShape(kind, n);
      Figures f = Measure(shape, cp, 3);
      std::string extent = std::to_string(f.extent.width) + "x" + std::to_string(f.extent.height);
      size_t requests = 0;
      double sim_ms = 0;
      double driver = MeasureDriverPath(shape, platform, cp, &requests, &sim_ms);
      std::printf("%-6s %6zu %10.2f %10.2f %9.1f %10.3f %12s %11.1f %9.1f %9zu\n", kind, n, f.build_ms, f.layout_ms,
                  Mib(f.peak), Mib(f.branches), extent.c_str(), driver, sim_ms, requests);
    }
  }
  return 0;
}
