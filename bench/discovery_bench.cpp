// One discovery session against a real portal, three ways in one run: ours
// in-process (DiscoverPortal with "All"), the reference initiator iscsi-ls,
// and /bin/true (what starting a process costs). Prints the medians and
// the ratio of ours to iscsi-ls less the process start.
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "iscsi/discovery.h"
#include "platform/sockets.h"

namespace {

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

template <class F>
std::vector<double> Time(int n, F f) {
  std::vector<double> ms;
  for (int i = 0; i < n; ++i) {
    auto t = std::chrono::steady_clock::now();
    if (!f()) return {};
    ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t).count());
  }
  return ms;
}

bool Run(const std::vector<std::string>& argv) {
  pid_t pid = fork();
  if (pid < 0) return false;
  if (pid == 0) {
    std::vector<char*> a;
    for (const std::string& s : argv) a.push_back(const_cast<char*>(s.c_str()));
    a.push_back(nullptr);
    if (std::freopen("/dev/null", "w", stdout) == nullptr) _exit(127);
    execvp(a[0], a.data());
    _exit(127);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: discovery_bench HOST:PORT [N]\n");
    return 2;
  }
  std::string portal = argv[1];
  int n = argc > 2 ? std::atoi(argv[2]) : 50;
  size_t colon = portal.rfind(':');
  std::string host = portal.substr(0, colon);
  int port = colon == std::string::npos ? 3260 : std::atoi(portal.c_str() + colon + 1);
  auto sockets = tw::NewSystemSockets();
  uint32_t address = sockets->InetAddr(host);
  tw::IscsiLists lists;
  tw::IscsiDiscovery discovery(*sockets, lists);
  size_t names = 0;
  auto ours = Time(n, [&] {
    return discovery.DiscoverPortal(address, static_cast<uint16_t>(port), "All", true, &names) == 0;
  });
  auto reference = Time(n, [&] {
    return Run({"iscsi-ls", "-i", "iqn.2008-09.com.velthorn:bench", "iscsi://" + portal + "/"});
  });
  auto start = Time(n, [] { return Run({"/bin/true"}); });
  if (ours.empty() || reference.empty() || start.empty()) {
    std::fprintf(stderr, "discovery_bench: a run failed (is a target listening on %s, is iscsi-ls installed?)\n",
                 portal.c_str());
    return 1;
  }
  double o = Median(ours), r = Median(reference), s = Median(start);
  std::printf("discovery of %s (%zu targets), median of %d runs:\n", portal.c_str(), names, n);
  std::printf("  ours in-process  %8.3f ms\n  iscsi-ls         %8.3f ms\n  /bin/true        %8.3f ms\n", o, r, s);
  std::printf("  ours / (iscsi-ls - process start) = %.2f\n", r - s > 0 ? o / (r - s) : 0.0);
  return 0;
}
